#include "formats/gfx_writer.h"

#include "formats/c_source.h"
#include "formats/read_back.h"
#include "glyph/utf8.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace formats {

namespace {

// Each glyph's pixels in one run of bits, padded only at its end:
//
//   3 x 3 glyph   # . #      bits  101 010 101 -> 10101010 1.......
//                 . # .                        -> 0xAA 0x80
//                 # . #
constexpr glyph::Packing kGfxBits{glyph::BitOrder::MsbFirst, glyph::Scan::Rows,
                                  glyph::Padding::Glyph};
constexpr long kMaxOffset = 0xFFFF;

// The character as a comment names it; control characters by their code alone.
std::string Label(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
        return glyph::CodeName(c);
    }
    return glyph::CharacterName(c);
}

std::string Hex2(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

// One GFXglyph, and where its pixels lie in the bitmap array.
struct Entry {
    const glyph::StrikeGlyph* glyph = nullptr; // nullptr: no character has this code
    long offset = 0;
    long width = 0;
    long height = 0;
    long advance = 0;
    long xOffset = 0;
    long yOffset = 0;
    std::size_t bytes = 0; // how many bytes of the array are its own
};

void CheckField(long value, long min, long max, const std::string& glyph, const char* field) {
    if (value < min || value > max) {
        throw FormatError(glyph + ": " + field + " " + std::to_string(value) +
                          " does not fit GFXglyph." + field + " (" + std::to_string(min) + ".." +
                          std::to_string(max) + ")");
    }
}

class GfxWriter : public WholeSetWriter {
public:
    explicit GfxWriter(const FormatOptions& options) : options_(options) {}

    void CheckCharacters(std::u32string_view characters) const override {
        CheckSingleByteCodes(characters, options_.encoding, "gfx");
    }

    std::uint64_t EstimateSize(const glyph::StrikeFacts& facts, std::size_t glyphs) const override {
        // Most glyphs fit the em wide and the line high; each glyph's bytes start with a
        // comment naming it.
        const auto& m = facts.metrics;
        const auto width = static_cast<std::uint64_t>(m.pixelSize);
        const auto height = static_cast<std::uint64_t>(std::max(m.pixelSize, m.ascent + m.descent));
        const std::uint64_t bitmap = glyphs * (HexBytesSize((width * height + 7) / 8, 12, 4) + 40);
        const std::uint64_t entries = 256 * 64; // every code from first to last, at most 256
        return 2048 + bitmap + entries + facts.face.file.size() + facts.face.family.size() * 2 +
               facts.face.copyright.size() + facts.face.licence.size();
    }

protected:
    void Write(const glyph::Strike& strike, Sink& out) override {
        std::array<const glyph::StrikeGlyph*, 256> byCode{};
        for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
            const std::optional<std::uint8_t> code = SingleByteCode(glyph.code, options_.encoding);
            if (!code) {
                // Refused: the format has no byte for it.
                CheckSingleByteCodes(std::u32string(1, glyph.code), options_.encoding, "gfx");
                continue;
            }
            byCode[*code] = &glyph;
        }
        const auto used = [](const glyph::StrikeGlyph* glyph) {
            return glyph != nullptr;
        };
        const auto firstUsed = std::find_if(byCode.begin(), byCode.end(), used);
        if (firstUsed == byCode.end()) {
            throw FormatError("--format gfx needs at least one character");
        }
        const int first = static_cast<int>(firstUsed - byCode.begin());
        const int last =
            static_cast<int>(std::find_if(byCode.rbegin(), byCode.rend(), used).base() -
                             byCode.begin()) -
            1;
        // Every value is checked, and every bitmap packed, before any text is made.
        std::vector<std::uint8_t> bits;
        std::vector<Entry> entries(static_cast<std::size_t>(last - first + 1));
        for (int code = first; code <= last; ++code) {
            Entry& entry = entries[static_cast<std::size_t>(code - first)];
            entry.glyph = byCode[static_cast<std::size_t>(code)];
            entry.offset = static_cast<long>(bits.size());
            if (entry.glyph == nullptr) {
                continue;
            }
            const glyph::StrikeGlyph& glyph = *entry.glyph;
            const std::string name = glyph::CharacterName(glyph.code);
            entry.width = glyph.ink.width();
            entry.height = glyph.ink.height();
            entry.advance = glyph.advance;
            entry.xOffset = glyph.left;
            // The cursor's row is the lowest row of a glyph that sits on the baseline, so ink
            // rising `top` rows above the baseline starts 1 - top rows from the cursor.
            entry.yOffset = 1 - glyph.top;
            CheckField(entry.width, 0, 255, name, "width");
            CheckField(entry.height, 0, 255, name, "height");
            CheckField(entry.advance, 0, 255, name, "xAdvance");
            CheckField(entry.xOffset, -128, 127, name, "xOffset");
            CheckField(entry.yOffset, -128, 127, name, "yOffset");
            if (glyph.ink.empty()) {
                continue;
            }
            glyph::Pack(glyph, glyph.Box(), kGfxBits, bits);
            entry.bytes = bits.size() - static_cast<std::size_t>(entry.offset);
            // The library reads the glyph through its 16-bit offset, counting it up byte by
            // byte, so the glyph's last byte too must lie within it.
            const long end = entry.offset + static_cast<long>(entry.bytes) - 1;
            if (end > kMaxOffset) {
                throw FormatError(name + ": its bitmap takes bytes " +
                                  std::to_string(entry.offset) + " to " + std::to_string(end) +
                                  "; GFXglyph.bitmapOffset reaches 65535 (16 bits)");
            }
        }

        // After the glyphs, which name what is too large more closely.
        const int lineHeight = strike.facts.metrics.lineHeight;
        if (lineHeight < 0 || lineHeight > 255) {
            throw FormatError("the font's line height, " + std::to_string(lineHeight) +
                              " px, does not fit GFXfont.yAdvance (0..255)");
        }

        out.Write(Text(strike, entries, bits, first, last));
        FlashCost cost;
        cost.glyphs = strike.glyphs.size();
        cost.bitmaps = std::max<std::size_t>(bits.size(), 1); // never empty; defined first
        // GFXglyph: bitmapOffset, width, height, xAdvance, xOffset, yOffset; a row each code
        // from first to last, which also finds the glyph of a code.
        cost.descriptors = VariableBytes(entries.size() * StructBytes({2, 1, 1, 1, 1, 1}));
        // GFXfont: bitmap, glyph, first, last, yAdvance.
        cost.header = StructBytes({kPointerBytes, kPointerBytes, 2, 2, 1});
        SetCost(cost);

        for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
            const Entry& entry =
                entries[static_cast<std::size_t>(*SingleByteCode(glyph.code, options_.encoding)) -
                        static_cast<std::size_t>(first)];
            const std::span<const std::uint8_t> own(bits.data() + entry.offset, entry.bytes);
            Written(glyph, ReadBack(glyph.Box(), own, kGfxBits, options_.decode));
        }
    }

private:
    std::string Text(const glyph::Strike& strike, const std::vector<Entry>& entries,
                     const std::vector<std::uint8_t>& bits, int first, int last) const {
        const std::string name = SymbolName(options_, strike.facts);
        std::vector<std::string> lines =
            FontDescription(strike.facts, strike.glyphs.size(), strike.facts.metrics.lineHeight);
        const std::string codes = options_.encoding == Encoding::Cp1251
                                      ? " are Windows-1251 bytes."
                                      : " are Unicode code points.";
        lines.emplace_back("");
        lines.push_back("Adafruit GFX font: display.setFont(&" + name + "); codes " + Hex2(first) +
                        ".." + Hex2(last) + codes);
        lines.push_back("Bitmaps: " + glyph::Describe(kGfxBits) + ".");
        lines.emplace_back(
            "Glyphs: {bitmapOffset, width, height, xAdvance, xOffset, yOffset}; the");
        lines.emplace_back(
            "offsets lead from the cursor to the bitmap's top-left pixel; the cursor's");
        lines.emplace_back("row is the lowest row of the glyphs that stand on the baseline.");
        std::string text = LineComments(lines);
        text += "\n#include <Adafruit_GFX.h>\n\n"
                "#ifndef PROGMEM\n"
                "#define PROGMEM\n"
                "#endif\n\n";

        text += "const uint8_t " + name + "Bitmaps[] PROGMEM = {\n";
        for (const Entry& entry : entries) {
            if (entry.bytes > 0) {
                AppendHexBytes(
                    text, std::span<const std::uint8_t>(bits.data() + entry.offset, entry.bytes),
                    12, "    ", CommentText(Label(entry.glyph->code)));
            }
        }
        if (bits.empty()) {
            text += "    0x00, // no glyph has ink\n";
        }
        text += "};\n\n";

        text += "const GFXglyph " + name + "Glyphs[] PROGMEM = {\n";
        char item[96];
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const Entry& entry = entries[i];
            // A glyph without pixels never reads its offset.
            const long offset = entry.offset > kMaxOffset ? 0 : entry.offset;
            std::snprintf(item, sizeof item, "    {%5ld, %3ld, %3ld, %3ld, %4ld, %4ld}, // ",
                          offset, entry.width, entry.height, entry.advance, entry.xOffset,
                          entry.yOffset);
            text += item;
            text += Hex2(static_cast<unsigned>(first) + static_cast<unsigned>(i));
            text += ' ';
            text += entry.glyph != nullptr ? CommentText(Label(entry.glyph->code)) : "(none)";
            text += '\n';
        }
        text += "};\n\n";

        text += "const GFXfont " + name + " PROGMEM = {\n";
        text += "    (uint8_t  *)" + name + "Bitmaps,\n";
        text += "    (GFXglyph *)" + name + "Glyphs,\n";
        text += "    " + Hex2(first) + ", " + Hex2(last) + ", " +
                std::to_string(strike.facts.metrics.lineHeight) + "\n";
        text += "};\n\n";
        // Flash taken on AVR: 7 bytes a glyph entry and 7 for the font, 2-byte pointers.
        text += "// " + std::to_string(bits.size() + entries.size() * 7 + 7) +
                " bytes of flash on AVR\n";
        return text;
    }

    FormatOptions options_;
};

} // namespace

std::unique_ptr<FontWriter> MakeGfxWriter(const FormatOptions& options) {
    return std::make_unique<GfxWriter>(options);
}

} // namespace formats

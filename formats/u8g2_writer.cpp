#include "formats/u8g2_writer.h"

#include "formats/c_source.h"
#include "formats/read_back.h"
#include "formats/u8g2_font.h"
#include "glyph/utf8.h"

#include <string>

namespace formats {

namespace {

constexpr int kBytesPerLine = 32;
// The largest array AVR compilers take is 32767 bytes; u8g2 keeps larger fonts of its own
// behind U8G2_USE_LARGE_FONTS from this size on.
constexpr std::size_t kLargeFont = 32760;

// A byte inside the string literal: itself where that is a plain character, else an octal
// escape. Digits are escaped too, so none lengthens the escape before it, and '?' so no
// trigraph forms.
void AppendLiteralByte(std::string& out, std::uint8_t byte) {
    const bool plain = byte >= 32 && byte < 127 && byte != '"' && byte != '\\' && byte != '?' &&
                       !(byte >= '0' && byte <= '9');
    if (plain) {
        out += static_cast<char>(byte);
        return;
    }
    out += '\\';
    if (byte >= 0100) {
        out += static_cast<char>('0' + (byte >> 6));
    }
    if (byte >= 010) {
        out += static_cast<char>('0' + ((byte >> 3) & 7));
    }
    out += static_cast<char>('0' + (byte & 7));
}

class U8g2Writer : public WholeSetWriter {
public:
    explicit U8g2Writer(const FormatOptions& options) : options_(options) {}

    void CheckCharacters(std::u32string_view characters) const override {
        for (char32_t c : characters) {
            if (c > 0xFFFD) {
                throw FormatError(glyph::CharacterName(c) +
                                  ": --format u8g2 holds codes up to U+FFFD");
            }
        }
    }

    std::uint64_t EstimateSize(const glyph::StrikeFacts& facts, std::size_t glyphs) const override {
        // Each record at most 254 bytes, each byte at most 4 characters, 4 more a line.
        const std::uint64_t perGlyph =
            u8g2::kMaxRecordSize * 4 + u8g2::kMaxRecordSize / kBytesPerLine * 4 + 8;
        const std::uint64_t comment = 2048 + facts.face.family.size() + facts.face.style.size() +
                                      facts.face.file.size() + facts.face.copyright.size() +
                                      facts.face.licence.size() + 2 * options_.name.size();
        return comment + glyphs * perGlyph;
    }

protected:
    void Write(const glyph::Strike& strike, Sink& out) override {
        const u8g2::FontBytes font = u8g2::EncodeFont(strike);
        const std::string name = SymbolName(options_, strike.facts);
        const std::size_t size = font.bytes.size();

        std::vector<std::string> lines = FontDescription(strike.facts, strike.glyphs.size());
        lines.insert(
            lines.end(),
            {
                "",
                "u8g2 font, proportional (build mode 0), " + std::to_string(size) +
                    " bytes. Include it after U8g2lib.h or u8g2.h, which put it in",
                "flash (U8G2_FONT_SECTION); on its own it is a plain const array.",
                "  u8g2.setFont(" + name + ");  u8g2.drawUTF8(0, 20, \"Text\");",
                "  u8g2_SetFont(&u8g2, " + name + ");  u8g2_DrawUTF8(&u8g2, 0, 20, \"Text\");",
                "Characters above U+007F need drawUTF8, or enableUTF8Print() before "
                "print().",
            });
        if (size > kLargeFont) {
            lines.push_back("Over " + std::to_string(kLargeFont) +
                            " bytes: too large an array for AVR compilers.");
        }
        std::string text = LineComments(lines);
        text += "\n#include <stdint.h>\n\n"
                "#ifndef U8G2_FONT_SECTION\n"
                "#define U8G2_FONT_SECTION(name)\n"
                "#endif\n\n";
        text += "const uint8_t " + name + "[" + std::to_string(size) + "] U8G2_FONT_SECTION(\"" +
                name + "\") =\n  \"";
        // The font ends in a 0 byte: the literal's terminator holds it.
        text.reserve(text.size() + size * 4 + size / kBytesPerLine * 5 + 8);
        for (std::size_t i = 0; i + 1 < size; ++i) {
            AppendLiteralByte(text, font.bytes[i]);
            if ((i + 1) % kBytesPerLine == 0) {
                text += "\"\n  \"";
            }
        }
        text += "\";\n";
        out.Write(text);
        SetCost(CostOf(font, strike.glyphs.size()));

        for (std::size_t i = 0; i < strike.glyphs.size(); ++i) {
            const glyph::StrikeGlyph& source = strike.glyphs[i];
            if (options_.decode) {
                u8g2::DecodedGlyph decoded = u8g2::DecodeGlyph(font.bytes, font.records[i]);
                Written(source, ReadBack(decoded.box, std::move(decoded.bits)));
            } else {
                Written(source, ReadBack(source.Box(), glyph::Bitmap()));
            }
        }
    }

private:
    // The header; the codes, end marks and jump table; each record's size byte and the bits of
    // its box, offsets and advance (header bytes 4 to 8 give how many), rounded down; and the
    // rest, the run-length coded pixels.
    static FlashCost CostOf(const u8g2::FontBytes& font, std::size_t glyphs) {
        FlashCost cost;
        cost.glyphs = glyphs;
        cost.header = u8g2::kHeaderSize;
        cost.maps = font.mapBytes;
        std::uint64_t fieldBits = 0;
        for (std::size_t i = 4; i <= 8; ++i) {
            fieldBits += font.bytes[i];
        }
        cost.descriptors = font.recordCount + font.recordCount * fieldBits / 8;
        cost.bitmaps = font.bytes.size() - cost.header - cost.maps - cost.descriptors;
        return cost;
    }

    FormatOptions options_;
};

} // namespace

std::unique_ptr<FontWriter> MakeU8g2Writer(const FormatOptions& options) {
    return std::make_unique<U8g2Writer>(options);
}

} // namespace formats

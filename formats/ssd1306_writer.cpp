#include "formats/ssd1306_writer.h"

#include "formats/c_source.h"
#include "formats/cell.h"
#include "glyph/utf8.h"

#include <algorithm>
#include <array>

namespace formats {

namespace {

constexpr glyph::Packing kColumnBytes{glyph::BitOrder::LsbFirst, glyph::Scan::Columns,
                                      glyph::Padding::Line};

// Field limits: one byte each in the header and the jump table, and the library finds a
// glyph's data at a 16-bit position from the start of the array.
constexpr int kMaxByte = 255;
constexpr int kMaxCodes = 255;
constexpr long kMaxPosition = 0xFFFF;
constexpr int kHeaderBytes = 4;
constexpr int kJumpBytes = 4;

class Ssd1306Writer : public WholeSetWriter {
public:
    explicit Ssd1306Writer(const FormatOptions& options) : options_(options) {}

    void CheckCharacters(std::u32string_view characters) const override {
        CheckSingleByteCodes(characters, options_.encoding, "ssd1306");
        if (characters.empty()) {
            return;
        }
        const auto code = [&](char32_t c) {
            return int{*SingleByteCode(c, options_.encoding)};
        };
        const char32_t lowest =
            *std::min_element(characters.begin(), characters.end(),
                              [&](char32_t a, char32_t b) { return code(a) < code(b); });
        for (char32_t c : characters) {
            if (code(c) - code(lowest) + 1 > kMaxCodes) {
                throw FormatError(glyph::CharacterName(c) + ": --format ssd1306 numbers at most " +
                                  std::to_string(kMaxCodes) + " codes from the first, and " +
                                  glyph::CharacterName(lowest) + " (code " +
                                  std::to_string(code(lowest)) + ") to this one (code " +
                                  std::to_string(code(c)) + ") are " +
                                  std::to_string(code(c) - code(lowest) + 1));
            }
        }
    }

    std::uint64_t EstimateSize(const glyph::StrikeFacts& facts, std::size_t glyphs) const override {
        const Cell bound = CellBound(facts, options_.cell);
        const std::uint64_t bytes = std::min<std::uint64_t>(
            kMaxByte, glyph::PackedSize(bound.width, bound.height, kColumnBytes));
        // The jump table (at most 256 rows) and the bytes with a comment a glyph.
        return 4096 + facts.face.copyright.size() + facts.face.licence.size() + 256 * 64 +
               glyphs * (HexBytesSize(bytes, 16, 4) + 64);
    }

protected:
    void Write(const glyph::Strike& strike, Sink& out) override {
        const Cell cell = MakeCell(strike, options_.cell);
        const std::string name = SymbolName(options_, strike.facts);
        CheckCellFits(cell);
        CodeTable table = PackGlyphs(strike, cell.Frame());
        PlaceBitmaps(table, strike);

        std::string text = LineComments(Description(strike, cell, name));
        text += "\n#if defined(ARDUINO)\n#include <Arduino.h>\n#else\n#include <stdint.h>\n"
                "#endif\n#ifndef PROGMEM\n#define PROGMEM\n#endif\n\n";
        text += "const uint8_t " + name + "[] PROGMEM = {\n";
        AppendTables(text, table, cell, strike);
        text += "};\n";
        SetCost(CostOf(table, strike.glyphs.size()));

        for (std::size_t i = 0; i < strike.glyphs.size(); ++i) {
            Written(strike.glyphs[i], WrittenInCell(strike.glyphs[i], cell, table.data[i],
                                                    kColumnBytes, options_.decode));
        }
        out.Write(text);
    }

private:
    // The glyphs' bytes and the codes they stand at.
    struct CodeTable {
        std::vector<std::vector<std::uint8_t>> data; // each glyph's bytes, in the order added
        std::array<int, 256> glyphOf{};              // the glyph at each code; -1: none
        int first = 0;
        int count = 0;
        std::vector<long> offsets; // each code's bitmap, into the glyph data; -1: none
    };

    static void CheckCellFits(const Cell& cell) {
        if (cell.width > kMaxByte) {
            throw FormatError("--format ssd1306: the cell is " + std::to_string(cell.width) +
                              " pixels wide; the font's width fields hold at most " +
                              std::to_string(kMaxByte));
        }
        if (cell.height > kMaxByte) {
            throw FormatError("--format ssd1306: the cell is " + std::to_string(cell.height) +
                              " pixels high; the font's height field holds at most " +
                              std::to_string(kMaxByte));
        }
    }

    // Each glyph's columns, trailing blank bytes left out, and the code it stands at.
    CodeTable PackGlyphs(const glyph::Strike& strike, const glyph::PixelBox& frame) const {
        CodeTable table;
        table.data.resize(strike.glyphs.size());
        table.glyphOf.fill(-1);
        int first = 255;
        int last = 0;
        for (std::size_t i = 0; i < strike.glyphs.size(); ++i) {
            const glyph::StrikeGlyph& glyph = strike.glyphs[i];
            // Throws for a character without a byte code.
            CheckSingleByteCodes(std::u32string(1, glyph.code), options_.encoding, "ssd1306");
            const auto code = SingleByteCode(glyph.code, options_.encoding);
            table.glyphOf[*code] = static_cast<int>(i);
            first = std::min<int>(first, *code);
            last = std::max<int>(last, *code);
            std::vector<std::uint8_t>& bytes = table.data[i];
            glyph::Pack(glyph, frame, kColumnBytes, bytes);
            while (!bytes.empty() && bytes.back() == 0) {
                bytes.pop_back();
            }
            if (bytes.size() > kMaxByte) {
                throw FormatError(
                    glyph::CharacterName(glyph.code) + ": --format ssd1306: its " +
                    std::to_string(bytes.size()) +
                    " bytes of bitmap are more than a jump table's byte size holds (" +
                    std::to_string(kMaxByte) + "); choose a smaller size or cell");
            }
        }
        if (strike.glyphs.empty()) {
            first = last = 0;
        }
        table.first = first;
        table.count = strike.glyphs.empty() ? 0 : last - first + 1;
        if (table.count > kMaxCodes) {
            throw FormatError("--format ssd1306: codes " + std::to_string(first) + " to " +
                              std::to_string(last) + " are more than the " +
                              std::to_string(kMaxCodes) + " a font holds");
        }
        return table;
    }

    // Each code's offset, in code order, checked before anything is written.
    static void PlaceBitmaps(CodeTable& table, const glyph::Strike& strike) {
        const long dataStart = kHeaderBytes + static_cast<long>(kJumpBytes) * table.count;
        table.offsets.assign(static_cast<std::size_t>(table.count), -1);
        long offset = 0;
        for (int code = table.first; code < table.first + table.count; ++code) {
            const int index = table.glyphOf[code];
            if (index < 0 || table.data[index].empty()) {
                continue;
            }
            if (dataStart + offset > kMaxPosition) {
                throw FormatError(glyph::CharacterName(strike.glyphs[index].code) +
                                  ": --format ssd1306: its bitmap would start " +
                                  std::to_string(dataStart + offset) +
                                  " bytes into the font; the library reaches " +
                                  std::to_string(kMaxPosition) + " (the offset field)");
            }
            table.offsets[code - table.first] = offset;
            offset += static_cast<long>(table.data[index].size());
        }
    }

    // The comment at the top: the font, the cell, how the library takes it, the layout.
    std::vector<std::string> Description(const glyph::Strike& strike, const Cell& cell,
                                         const std::string& name) const {
        std::vector<std::string> lines = FontDescription(strike.facts, strike.glyphs.size());
        for (std::string& line : DescribeCell(cell, strike.facts, options_.cell)) {
            lines.push_back(std::move(line));
        }
        lines.insert(
            lines.end(),
            {
                "For the ESP8266/ESP32 OLED library (ThingPulse esp8266-oled-ssd1306): "
                "display.setFont(" +
                    name + ");",
                "Codes: " + std::string(options_.encoding == Encoding::Cp1251
                                            ? "Windows-1251 bytes; the library's default lookup "
                                              "passes only ASCII and Latin-1, so give it one "
                                              "for Cyrillic (setFontTableLookupFunction)"
                                            : "Latin-1 (the code point); the library turns UTF-8 "
                                              "text into these codes"),
                "Header: widest character, height, first code, number of codes.",
                "Jump table, a row a code: offset high, offset low (0xFFFF: no bitmap), bytes, "
                "advance.",
                "Glyph data: " + glyph::Describe(kColumnBytes) + "; trailing zero bytes left out.",
            });
        for (std::string& line : glyph::DrawBitLayout(kColumnBytes, cell.width, cell.height)) {
            lines.push_back(std::move(line));
        }
        return lines;
    }

    // The array's bytes: header, jump table, glyph data.
    static void AppendTables(std::string& text, const CodeTable& table, const Cell& cell,
                             const glyph::Strike& strike) {
        const std::uint8_t header[] = {
            static_cast<std::uint8_t>(cell.width), static_cast<std::uint8_t>(cell.height),
            static_cast<std::uint8_t>(table.first), static_cast<std::uint8_t>(table.count)};
        const char* const headerNames[] = {"Width", "Height", "First char", "Number of chars"};
        for (int i = 0; i < kHeaderBytes; ++i) {
            AppendHexBytes(text, std::span(header + i, 1), 1, "    ",
                           std::string(headerNames[i]) + ": " + std::to_string(header[i]));
        }
        text += "\n    // Jump table\n";
        for (int code = table.first; code < table.first + table.count; ++code) {
            const long at = table.offsets[code - table.first];
            const int index = table.glyphOf[code];
            const std::uint8_t row[] = {
                static_cast<std::uint8_t>(at < 0 ? 0xFF : at >> 8),
                static_cast<std::uint8_t>(at < 0 ? 0xFF : at & 0xFF),
                static_cast<std::uint8_t>(at < 0 ? 0 : table.data[index].size()),
                static_cast<std::uint8_t>(cell.width),
            };
            AppendHexBytes(text, row, kJumpBytes, "    ",
                           CodeComment(code, index < 0 ? nullptr : &strike.glyphs[index]));
        }
        text += "\n    // Glyph data\n";
        for (int code = table.first; code < table.first + table.count; ++code) {
            const int index = table.glyphOf[code];
            if (table.offsets[code - table.first] >= 0) {
                AppendHexBytes(text, table.data[index], 16, "    ",
                               CodeComment(code, &strike.glyphs[index]));
            }
        }
    }

    // "65 'A' U+0041"; a code the set lacks: "127 (none)".
    // The header, the jump table (offset, size and advance a code, found by the code) and the
    // glyph data.
    static FlashCost CostOf(const CodeTable& table, std::size_t glyphs) {
        FlashCost cost;
        cost.glyphs = glyphs;
        cost.header = kHeaderBytes;
        cost.descriptors = static_cast<std::uint64_t>(kJumpBytes) * table.count;
        for (int code = table.first; code < table.first + table.count; ++code) {
            if (table.offsets[code - table.first] >= 0) {
                cost.bitmaps += table.data[table.glyphOf[code]].size();
            }
        }
        return cost;
    }

    static std::string CodeComment(int code, const glyph::StrikeGlyph* glyph) {
        return std::to_string(code) + " " +
               (glyph ? CommentText(glyph::CharacterName(glyph->code)) : std::string("(none)"));
    }

    FormatOptions options_;
};

} // namespace

std::unique_ptr<FontWriter> MakeSsd1306Writer(const FormatOptions& options) {
    return std::make_unique<Ssd1306Writer>(options);
}

} // namespace formats

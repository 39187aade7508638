#include "formats/xbm_writer.h"

#include "formats/c_source.h"
#include "formats/cell.h"
#include "glyph/utf8.h"

#include <algorithm>

namespace formats {

namespace {

constexpr glyph::Packing kXbmPacking{glyph::BitOrder::LsbFirst, glyph::Scan::Rows,
                                     glyph::Padding::Line};

// Bytes a line of the bits arrays: short lines, as XBM readers read line by line.
constexpr int kBytesPerLine = 12;

class XbmWriter : public WholeSetWriter {
public:
    explicit XbmWriter(const FormatOptions& options) : options_(options) {}

    std::uint64_t EstimateSize(const glyph::StrikeFacts& facts, std::size_t glyphs) const override {
        const Cell bound = CellBound(facts, options_.cell);
        const std::uint64_t bytes = glyph::PackedSize(bound.width, bound.height, kXbmPacking);
        const std::uint64_t name = SymbolName(options_, facts).size() + 8;
        // The bytes; the defines, the comment, a table row.
        return 4096 + facts.face.copyright.size() + facts.face.licence.size() +
               glyphs * (HexBytesSize(bytes, kBytesPerLine, 4) + 4 * name + 160);
    }

protected:
    void Write(const glyph::Strike& strike, Sink& out) override {
        const Cell cell = MakeCell(strike, options_.cell);
        const std::string name = SymbolName(options_, strike.facts);
        const glyph::PixelBox frame = cell.Frame();

        std::vector<std::string> lines = FontDescription(strike.facts, strike.glyphs.size());
        for (std::string& line : DescribeCell(cell, strike.facts, options_.cell)) {
            lines.push_back(std::move(line));
        }
        lines.push_back("Each character is an XBM image " + name + "_XXXX (_width, _height, " +
                        "_bits), XXXX its code point in hex: " + glyph::Describe(kXbmPacking));
        for (std::string& line : glyph::DrawBitLayout(kXbmPacking, cell.width, cell.height)) {
            lines.push_back(std::move(line));
        }
        lines.push_back(name + "[] lists them by code point, sorted by code for a binary search.");
        lines.push_back(
            "The images are XBM as X11 writes it, static unsigned char, so each opens in XBM "
            "readers; to keep them in flash rather than RAM, add const (and PROGMEM on "
            "AVR).");
        std::string text = LineComments(lines);

        std::vector<std::uint8_t> bytes;
        FlashCost cost;
        cost.glyphs = strike.glyphs.size();
        std::vector<std::pair<char32_t, std::string>> table;
        table.reserve(strike.glyphs.size());
        for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
            const std::string image = name + "_" + glyph::CodeName(glyph.code).substr(2);
            bytes.clear();
            glyph::Pack(glyph, frame, kXbmPacking, bytes);
            text += "\n// " + CommentText(glyph::CharacterName(glyph.code)) + "\n";
            text += "#define " + image + "_width " + std::to_string(cell.width) + "\n";
            text += "#define " + image + "_height " + std::to_string(cell.height) + "\n";
            // As X11 writes XBM: its readers (libX11, ImageMagick, netpbm) take "static
            // unsigned char" or "static char" and nothing else, so no const.
            text += "static unsigned char " + image + "_bits[] = {\n";
            AppendHexBytes(text, bytes, kBytesPerLine, "    ");
            text += "};\n";
            table.emplace_back(glyph.code, image + "_bits");
            // A writable array all paper is zeroed at start (.bss), not kept in flash.
            if (std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0; })) {
                cost.bitmaps += VariableBytes(bytes.size());
            }
            Written(glyph, WrittenInCell(glyph, cell, bytes, kXbmPacking, options_.decode));
            if (text.size() >= kFlushSize) {
                out.Write(text);
                text.clear();
            }
        }

        std::sort(table.begin(), table.end());
        text += '\n';
        text += CellDefines(name, cell);
        text += "#define " + name + "_COUNT " + std::to_string(table.size()) + "\n\n";
        text += "struct " + name + "_glyph {\n";
        text += "    unsigned long code;\n";
        text += "    const unsigned char* bits;\n";
        text += "};\n\n";
        text += "// Sorted by code point for a binary search.\n";
        text += "const struct " + name + "_glyph " + name + "[" + name + "_COUNT] = {\n";
        for (const auto& [code, bits] : table) {
            text += "    {0x" + glyph::CodeName(code).substr(2) + ", " + bits + "}, // " +
                    CommentText(glyph::CharacterName(code)) + "\n";
        }
        text += "};\n";
        out.Write(text);
        // The table of codes: {unsigned long code, pointer to the bits} a row.
        cost.maps = table.size() * StructBytes({sizeof(unsigned long), kPointerBytes});
        SetCost(cost);
    }

private:
    static constexpr std::size_t kFlushSize = 1 << 16;

    FormatOptions options_;
};

} // namespace

std::unique_ptr<FontWriter> MakeXbmWriter(const FormatOptions& options) {
    return std::make_unique<XbmWriter>(options);
}

} // namespace formats

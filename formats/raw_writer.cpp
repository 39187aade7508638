#include "formats/raw_writer.h"

#include "formats/c_source.h"
#include "formats/cell.h"
#include "glyph/utf8.h"

#include <algorithm>

namespace formats {

namespace {

class RawWriter : public WholeSetWriter {
public:
    explicit RawWriter(const FormatOptions& options) : options_(options) {}

    void CheckCharacters(std::u32string_view characters) const override {
        records_ = static_cast<long>(characters.size());
        if (!options_.first || characters.empty()) {
            return;
        }
        const char32_t first = *options_.first;
        const char32_t last = *std::max_element(characters.begin(), characters.end());
        for (char32_t c : characters) {
            if (c < first) {
                throw FormatError(glyph::CharacterName(c) + ": below --first " +
                                  glyph::CodeName(first) +
                                  "; the records are indexed by code from there on");
            }
        }
        records_ = static_cast<long>(last - first) + 1;
        if (records_ > kMaxIndexedRecords) {
            throw FormatError(glyph::CharacterName(last) + ": with --first " +
                              glyph::CodeName(first) + " the table would take " +
                              std::to_string(records_) + " records, one a code, more than " +
                              std::to_string(kMaxIndexedRecords) +
                              "; raise --first or leave it out to write the characters in order");
        }
    }

    std::uint64_t EstimateSize(const glyph::StrikeFacts& facts, std::size_t glyphs) const override {
        const Cell bound = CellBound(facts, options_.cell);
        const std::uint64_t bytes = glyph::PackedSize(bound.width, bound.height, options_.packing);
        const std::uint64_t records =
            std::max<std::uint64_t>(glyphs, static_cast<std::uint64_t>(records_));
        // The bytes, 16 to a line, and a comment a record.
        return 4096 + facts.face.copyright.size() + facts.face.licence.size() +
               records * (HexBytesSize(bytes, 16, 8) + 48);
    }

protected:
    void Write(const glyph::Strike& strike, Sink& out) override {
        const Cell cell = MakeCell(strike, options_.cell);
        const glyph::PixelBox frame = cell.Frame();
        const glyph::Packing packing = options_.packing;
        const std::string name = SymbolName(options_, strike.facts);
        const std::size_t recordBytes = glyph::PackedSize(cell.width, cell.height, packing);

        // The glyph of each record; -1 for an empty one.
        std::vector<long> glyphOf;
        if (options_.first) {
            CheckCharacters(Codes(strike));
            glyphOf.assign(static_cast<std::size_t>(records_), -1);
            for (std::size_t i = 0; i < strike.glyphs.size(); ++i) {
                glyphOf[strike.glyphs[i].code - *options_.first] = static_cast<long>(i);
            }
        } else {
            for (std::size_t i = 0; i < strike.glyphs.size(); ++i) {
                glyphOf.push_back(static_cast<long>(i));
            }
        }

        std::vector<std::string> lines = FontDescription(strike.facts, strike.glyphs.size());
        for (std::string& line : DescribeCell(cell, strike.facts, options_.cell)) {
            lines.push_back(std::move(line));
        }
        lines.push_back("Layout: " + glyph::Describe(packing));
        for (std::string& line : glyph::DrawBitLayout(packing, cell.width, cell.height)) {
            lines.push_back(std::move(line));
        }
        lines.push_back(std::to_string(glyphOf.size()) + " records of " +
                        std::to_string(recordBytes) + " bytes, each the whole cell; " +
                        (options_.first
                             ? "record i holds code " + glyph::CodeName(*options_.first) +
                                   " + i, a code without a character is all paper"
                             : std::string("the characters in the order given, as named below")));
        std::string text = LineComments(lines);
        text += '\n';
        text += CellDefines(name, cell);
        text += "#define " + name + "_BYTES " + std::to_string(recordBytes) + "\n";
        if (options_.first) {
            text +=
                "#define " + name + "_FIRST 0x" + glyph::CodeName(*options_.first).substr(2) + "\n";
        }
        text += "#define " + name + "_COUNT " + std::to_string(glyphOf.size()) + "\n\n";
        text += "const unsigned char " + name + "[" + name + "_COUNT][" + name + "_BYTES] = {\n";

        std::vector<std::vector<std::uint8_t>> packed(strike.glyphs.size());
        for (std::size_t i = 0; i < strike.glyphs.size(); ++i) {
            glyph::Pack(strike.glyphs[i], frame, packing, packed[i]);
        }
        for (std::size_t record = 0; record < glyphOf.size(); ++record) {
            if (glyphOf[record] < 0) {
                text += "    {0}, // " +
                        glyph::CodeName(*options_.first + static_cast<char32_t>(record)) +
                        ": none\n";
                continue;
            }
            const auto index = static_cast<std::size_t>(glyphOf[record]);
            text +=
                "    { // " + CommentText(glyph::CharacterName(strike.glyphs[index].code)) + "\n";
            AppendHexBytes(text, packed[index], 16, "        ");
            text += "    },\n";
            if (text.size() >= kFlushSize) {
                out.Write(text);
                text.clear();
            }
        }
        text += "};\n";
        out.Write(text);
        FlashCost cost;
        cost.glyphs = strike.glyphs.size();
        cost.bitmaps = glyphOf.size() * recordBytes; // a code's place is its record's
        SetCost(cost);
        for (std::size_t i = 0; i < strike.glyphs.size(); ++i) {
            Written(strike.glyphs[i],
                    WrittenInCell(strike.glyphs[i], cell, packed[i], packing, options_.decode));
        }
    }

private:
    static constexpr std::size_t kFlushSize = 1 << 16;

    static std::u32string Codes(const glyph::Strike& strike) {
        std::u32string codes;
        for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
            codes += glyph.code;
        }
        return codes;
    }

    FormatOptions options_;
    // Records the table will have, known once the characters are checked.
    mutable long records_ = 0;
};

} // namespace

std::unique_ptr<FontWriter> MakeRawWriter(const FormatOptions& options) {
    return std::make_unique<RawWriter>(options);
}

} // namespace formats

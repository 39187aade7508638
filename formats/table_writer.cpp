#include "formats/table_writer.h"

#include "formats/c_source.h"
#include "formats/read_back.h"
#include "glyph/row_format.h"
#include "glyph/utf8.h"

#include <charconv>

namespace formats {

namespace {

class TableWriter : public FontWriter {
public:
    explicit TableWriter(const FormatOptions& options)
        : bounds_(options.bounds), eol_(options.eol), name_(options.name), cArray_(options.cArray),
          decode_(options.decode) {}

    std::uint64_t EstimateSize(const glyph::StrikeFacts& facts, std::size_t glyphs) const override {
        const std::uint64_t row = glyph::RowLineSize(bounds_.ScanWidth, eol_.size());
        const std::uint64_t header = facts.face.family.size() + 32;
        const std::uint64_t naming = 32; // "// 'c' U+XXXXXX", a blank line
        return glyphs *
                   (naming + header + row * static_cast<std::uint64_t>(bounds_.ScanHeight + 1)) +
               (cArray_ ? 1024 + facts.face.file.size() + facts.face.family.size() : 0);
    }

    void Begin(const glyph::StrikeFacts& facts, std::size_t glyphs, Sink& out) override {
        out_ = &out;
        facts_ = facts;
        named_ = cArray_ || glyphs > 1;
        count_ = 0;
        frame_ = glyph::ScanFrame(bounds_, facts.metrics.ascent);
        // Every table names the same face at the same width; with several sources, its own
        // source's face.
        header_ = glyph::HeaderLine(facts.face.family, bounds_.ScanWidth, eol_);
        sourceHeaders_.clear();
        for (const glyph::FaceFacts& face : facts.sources) {
            sourceHeaders_.push_back(glyph::HeaderLine(face.family, bounds_.ScanWidth, eol_));
        }
        ink_ = std::make_unique<bool[]>(static_cast<std::size_t>(bounds_.ScanWidth) + 1 + 8);
        if (cArray_) {
            out.Write(ArrayOpening(glyphs));
        }
    }

    void Add(glyph::StrikeGlyph glyph) override {
        std::string& block = block_;
        block.clear();
        if (count_++ > 0) {
            block += eol_;
        }
        if (named_) {
            block += "// " + glyph::CharacterName(glyph.code) + eol_;
        }
        block += sourceHeaders_.empty() ? header_
                                        : sourceHeaders_[static_cast<std::size_t>(glyph.source)];
        for (int row = 0; row <= bounds_.ScanHeight; ++row) {
            ReadInkRow(glyph, frame_.y + row);
            glyph::AppendRowLine(block, ink_.get(), bounds_.ScanWidth, eol_);
            if (block.size() >= kFlushSize) {
                out_->Write(block);
                block.clear();
            }
        }
        out_->Write(block);

        std::vector<std::uint8_t> packed;
        if (decode_) {
            // The rows' bytes hold columns 1..ScanWidth.
            const glyph::PixelBox bytes{frame_.x + 1, frame_.y, bounds_.ScanWidth,
                                        bounds_.ScanHeight + 1};
            glyph::Pack(glyph, bytes, glyph::kRowBytes, packed);
        }
        WrittenGlyph written = ReadBack(frame_, packed, glyph::kRowBytes, decode_, true);
        written.clip = glyph::CheckClipping(glyph, frame_, true);
        Written(glyph, written);
    }

    void Finish() override {
        if (cArray_) {
            out_->Write("};" + eol_);
        }
        FlashCost cost;
        cost.glyphs = count_;
        cost.bitmaps = count_ * TableBytesPerGlyph(bounds_);
        SetCost(cost);
    }

private:
    static constexpr std::size_t kFlushSize = 1 << 16;

    // Columns 0..ScanWidth of pen row y (see PixelBox) into ink_.
    void ReadInkRow(const glyph::StrikeGlyph& glyph, int y) {
        glyph.ink.Flags(frame_.x - glyph.left, y + glyph.top, bounds_.ScanWidth + 1, ink_.get());
    }

    std::string ArrayOpening(std::size_t glyphs) const {
        const glyph::ScanBounds& b = bounds_;
        const int rows = b.ScanHeight + 1;
        const int rowBytes = b.RowBytes();
        std::vector<std::string> lines = {"// Bitmap tables made by rastova-convert."};
        std::vector<std::string> faces = {"Font: " + FaceLine(facts_.face)};
        for (std::string& line : LegalLines(facts_)) {
            faces.push_back(std::move(line));
        }
        for (const std::string& face : faces) {
            for (const std::string& line : WrapComment(face)) {
                lines.push_back("// " + line);
            }
        }
        lines.insert(
            lines.end(),
            {
                "// Size: " + ShortNumber(facts_.points) + " pt, drawn " +
                    std::to_string(facts_.metrics.pixelSize) + " px high (96 dpi)",
                "// Scan rectangle: columns 0.." + std::to_string(b.ScanWidth) + ", rows 0.." +
                    std::to_string(b.ScanHeight),
                "// " + Plural(static_cast<long>(glyphs), "glyph", "glyphs") +
                    " in the order named below, " +
                    Plural(static_cast<long>(TableBytesPerGlyph(b)), "byte", "bytes") + " each: " +
                    Plural(rows, "row", "rows") + " of " + Plural(rowBytes, "byte", "bytes"),
                "// Layout: rows top to bottom; item k of a row holds columns 8k+1 to 8k+8, the",
                "// leftmost in bit 0; column 0 is drawn in the comments but is in no byte.",
                "const unsigned char " + name_ + "[] = {",
            });
        std::string text;
        for (const std::string& line : lines) {
            text += line;
            text += eol_;
        }
        return text;
    }

    glyph::ScanBounds bounds_;
    std::string eol_;
    std::string name_;
    bool cArray_;
    bool decode_;

    Sink* out_ = nullptr;
    glyph::StrikeFacts facts_;
    std::vector<std::string> sourceHeaders_;
    std::string header_;
    glyph::PixelBox frame_;
    bool named_ = false;
    std::size_t count_ = 0;
    std::string block_;
    std::unique_ptr<bool[]> ink_; // a row's flags, with room for a whole last byte
};

} // namespace

std::size_t TableBytesPerGlyph(glyph::ScanBounds bounds) {
    return static_cast<std::size_t>(bounds.ScanHeight + 1) *
           static_cast<std::size_t>(bounds.RowBytes());
}

std::unique_ptr<FontWriter> MakeTableWriter(const FormatOptions& options) {
    return std::make_unique<TableWriter>(options);
}

} // namespace formats

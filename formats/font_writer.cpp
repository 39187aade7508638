#include "formats/font_writer.h"

namespace formats {

void FontWriter::CheckCharacters(std::u32string_view) const {}

void WholeSetWriter::Begin(const glyph::StrikeFacts& facts, std::size_t glyphs, Sink& out) {
    strike_ = glyph::Strike{facts, {}};
    strike_.glyphs.reserve(glyphs);
    out_ = &out;
}

void WholeSetWriter::Add(glyph::StrikeGlyph glyph) {
    strike_.glyphs.push_back(std::move(glyph));
}

void WholeSetWriter::Finish() {
    Write(strike_, *out_);
}

} // namespace formats

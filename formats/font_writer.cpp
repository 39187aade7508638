#include "formats/font_writer.h"

#include "formats/bdf_writer.h"
#include "formats/gfx_writer.h"
#include "formats/lvgl_writer.h"
#include "formats/raw_writer.h"
#include "formats/ssd1306_writer.h"
#include "formats/table_writer.h"
#include "formats/u8g2_writer.h"
#include "formats/xbm_writer.h"

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

namespace {

struct Format {
    std::string_view name;
    std::unique_ptr<FontWriter> (*make)(const FormatOptions&);
};

const Format kFormats[] = {
    {"table", MakeTableWriter},     {"bdf", MakeBdfWriter},   {"gfx", MakeGfxWriter},
    {"lvgl", MakeLvglWriter},       {"u8g2", MakeU8g2Writer}, {"xbm", MakeXbmWriter},
    {"ssd1306", MakeSsd1306Writer}, {"raw", MakeRawWriter},
};

} // namespace

const std::vector<std::string_view>& FormatNames() {
    static const std::vector<std::string_view> names = [] {
        std::vector<std::string_view> list;
        for (const Format& entry : kFormats) {
            list.push_back(entry.name);
        }
        return list;
    }();
    return names;
}

std::unique_ptr<FontWriter> MakeWriter(std::string_view format, const FormatOptions& options) {
    for (const Format& entry : kFormats) {
        if (entry.name == format) {
            return entry.make(options);
        }
    }
    return nullptr;
}

} // namespace formats

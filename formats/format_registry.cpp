#include "formats/format_registry.h"

#include "formats/bdf_writer.h"
#include "formats/gfx_writer.h"
#include "formats/lvgl_writer.h"
#include "formats/raw_writer.h"
#include "formats/ssd1306_writer.h"
#include "formats/table_writer.h"
#include "formats/u8g2_writer.h"
#include "formats/vlw_writer.h"
#include "formats/xbm_writer.h"

#include <algorithm>
#include <vector>

namespace formats {

namespace {

constexpr unsigned Options(std::initializer_list<FormatOption> options) {
    unsigned bits = 0;
    for (FormatOption option : options) {
        bits |= static_cast<unsigned>(option);
    }
    return bits;
}

// A BDF font name stands on the FONT line: printable ASCII, and short enough for the line.
std::optional<NameProblem> BdfNameProblem(std::string_view name) {
    const auto printable = [](char c) {
        return c >= 0x20 && c < 0x7F;
    };
    if (name.empty() || !std::all_of(name.begin(), name.end(), printable)) {
        return NameProblem{true, "is not a BDF font name: give printable ASCII characters (0x20 "
                                 "to 0x7E) only"};
    }
    if (name.size() > kMaxBdfFontName) {
        return NameProblem{false, "a BDF font name may have at most " +
                                      std::to_string(kMaxBdfFontName) +
                                      " characters; this one has " + std::to_string(name.size())};
    }
    return std::nullopt;
}

const FormatRow kFormats[] = {
    {
        .name = "table",
        .help = "a table per character: header line, then one line per pixel row,\n"
                "its bytes as hex literals and a comment drawing the row",
        .example = "--font \"DejaVu Sans\" --size 12 A",
        .arrayName = ArrayName::TablesArray,
        .windowTable = true,
        .ownLineEnds = true,
        .depths = kOneBitPixels,
        .make = MakeTableWriter,
    },
    {
        .name = "bdf",
        .help = "BDF 2.1 bitmap font (X11, u8g2's bdfconv, console font tools)",
        .arrayName = ArrayName::FontName,
        .nameProblem = BdfNameProblem,
        .depths = kOneBitPixels,
        .make = MakeBdfWriter,
    },
    {
        .name = "gfx",
        .help = "Adafruit GFX font header (GFXfont)",
        .options = Options({FormatOption::Encoding}),
        .singleByteCodes = true,
        .depths = kOneBitPixels,
        .make = MakeGfxWriter,
    },
    {
        .name = "lvgl",
        .help = "LVGL font, 1 (default), 2, 3, 4 or 8 bits per pixel (lv_font_t)",
        .options =
            Options({FormatOption::LvglVersion, FormatOption::Kerning, FormatOption::Compress}),
        .depths = kOneBitPixels | PixelDepth(2) | PixelDepth(3) | PixelDepth(4) | PixelDepth(8),
        .make = MakeLvglWriter,
    },
    {
        .name = "u8g2",
        .help = "u8g2 font, run-length encoded (const uint8_t[])",
        .example = "--set cp1251 --size 12px --format u8g2 --c-array r12 -o r.h",
        .depths = kOneBitPixels,
        .make = MakeU8g2Writer,
    },
    {
        .name = "xbm",
        .help = "one XBM image per character in a fixed cell",
        .options = Options({FormatOption::Cell}),
        .depths = kOneBitPixels,
        .make = MakeXbmWriter,
    },
    {
        .name = "ssd1306",
        .help = "ESP8266/ESP32 OLED library font (column-major, fixed height)",
        .options = Options({FormatOption::Encoding, FormatOption::Cell}),
        .singleByteCodes = true,
        .depths = kOneBitPixels,
        .make = MakeSsd1306Writer,
    },
    {
        .name = "raw",
        .help = "one fixed-size record per character, laid out by --bit-order and\n"
                "--scan",
        .options = Options(
            {FormatOption::Cell, FormatOption::BitOrder, FormatOption::Scan, FormatOption::First}),
        .depths = kOneBitPixels,
        .make = MakeRawWriter,
    },
    {
        .name = "vlw",
        .help = "TFT_eSPI / LovyanGFX smooth font, 8-bit alpha (.vlw file; with\n"
                "--c-array, a const uint8_t[] for loadFont from flash)",
        .example = "--set ascii --size 16px --format vlw -o f16.vlw",
        .arrayName = ArrayName::FileArray,
        .ownLineEnds = true,
        .binaryUnlessArray = true,
        .depths = kEightBitPixels,
        .make = MakeVlwWriter,
    },
};

} // namespace

std::span<const FormatRow> Formats() {
    return kFormats;
}

const FormatRow& DefaultFormat() {
    return kFormats[0];
}

const FormatRow* FindFormat(std::string_view name) {
    for (const FormatRow& row : kFormats) {
        if (row.name == name) {
            return &row;
        }
    }
    return nullptr;
}

std::string FormatNamesWhere(const std::function<bool(const FormatRow& row)>& pick,
                             std::string_view separator, std::string_view last) {
    std::vector<std::string_view> names;
    for (const FormatRow& row : kFormats) {
        if (pick(row)) {
            names.push_back(row.name);
        }
    }
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            list += i + 1 == names.size() ? last : separator;
        }
        list += names[i];
    }
    return list;
}

std::unique_ptr<FontWriter> MakeWriter(std::string_view format, const FormatOptions& options) {
    const FormatRow* row = FindFormat(format);
    return row ? row->make(options) : nullptr;
}

} // namespace formats

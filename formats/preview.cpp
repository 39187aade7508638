#include "formats/preview.h"

#include "formats/c_source.h"
#include "formats/label_font.h"
#include "glyph/utf8.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <png.h>
#include <string>

namespace formats {

namespace {

// Picture pixels around the sheet, between cells across, and between a cell's labels and the
// next row of cells.
constexpr int kMargin = 12;
constexpr int kGutter = 12;
constexpr int kRowGap = 12;
// Between a cell and its labels, and between the character and its code point (times the
// label scale).
constexpr int kLabelGap = 4;
constexpr int kLabelSpace = 4;
// The smallest zoom at which the frame and the baseline are drawn as lines across the pixels;
// below it the frame shows as the edge between Paper and Outside, the baseline as a mark in
// the blank pixels around the box.
constexpr int kLineZoom = 3;
// Lines are zoom / kLineThinness picture pixels thick, at least one.
constexpr int kLineThinness = 12;
// The smallest zoom at which the blank pixels of a frame show as a faint grid.
constexpr int kGridZoom = 6;

// Indexed by PreviewColour.
constexpr std::array<png_color, static_cast<std::size_t>(PreviewColour::Count)> kPalette = {{
    {0xFF, 0xFF, 0xFF}, // Background
    {0xFF, 0xFF, 0xFF}, // Paper
    {0x00, 0x00, 0x00}, // Ink
    {0xE5, 0x1E, 0x25}, // Lost
    {0xEE, 0xEF, 0xF1}, // Outside
    {0xD3, 0xDB, 0xE6}, // LostColumn
    {0x8A, 0xAE, 0xD8}, // Frame
    {0xE9, 0xAE, 0x6E}, // Baseline
    {0x55, 0x5B, 0x63}, // Label
    {0xEC, 0xEE, 0xF1}, // Grid
    {0x80, 0x80, 0x80}, // Grey: stands for its level, only in RGB sheets
}};
// An indexed sheet has no greys: its palette ends before them.
constexpr int kIndexedColours = static_cast<int>(PreviewColour::Grey);
static_assert(kIndexedColours <= 16, "the indexed picture holds 4 bits a pixel");
// Labels drawn from coverage go no darker than the label colour.
constexpr unsigned kLabelCover = 0xFF - 0x58;

constexpr std::uint8_t Index(PreviewColour colour) {
    return static_cast<std::uint8_t>(colour);
}

// Colours a line may be drawn over: blank pixels, never ink.
constexpr bool IsBlank(std::uint8_t index) {
    return index == Index(PreviewColour::Paper) || index == Index(PreviewColour::Outside) ||
           index == Index(PreviewColour::LostColumn) || index == Index(PreviewColour::Grid);
}

// What a layout is made from.
struct Extents {
    std::size_t count = 0;
    glyph::PixelBox box; // font pixels every cell shows
    int charWidth = 0;   // the widest ink, for the character beside the code point
    int charAscent = 0;  // the highest ink above the baseline, and the lowest below
    int charDescent = 0;
    int codeChars = 0; // the longest "U+..." label
};

int CodeWidth(int chars, int scale) {
    return chars > 0 ? (chars * kLabelAdvance - 1) * scale : 0;
}

PreviewLayout Arrange(const Extents& extents, int zoom, int columns) {
    PreviewLayout layout;
    layout.zoom = zoom;
    layout.box = extents.box;
    const int boxWidth = extents.box.width * zoom;
    const auto labelWidth = [&](int scale) {
        return extents.charWidth + (extents.charWidth > 0 ? kLabelSpace * scale : 0) +
               CodeWidth(extents.codeChars, scale);
    };
    // Larger labels where the cells are large enough for them.
    layout.labelScale = 1;
    for (int scale = 3; scale > 1; --scale) {
        if (zoom >= 4 * scale && labelWidth(scale) <= boxWidth) {
            layout.labelScale = scale;
            break;
        }
    }
    layout.charWidth = extents.charWidth;
    layout.labelWidth = labelWidth(layout.labelScale);
    layout.labelAscent = std::max(extents.charAscent, kLabelCharHeight * layout.labelScale);
    layout.labelHeight = layout.labelAscent + extents.charDescent;
    layout.columnWidth = std::max(boxWidth, layout.labelWidth);
    layout.rowHeight = extents.box.height * zoom + kLabelGap + layout.labelHeight;
    layout.columns = std::max(columns, 1);
    layout.rows =
        static_cast<std::int64_t>((extents.count + static_cast<std::size_t>(layout.columns) - 1) /
                                  static_cast<std::size_t>(layout.columns));
    // Counted in 64 bits: a sheet refused as too large may be higher than an int can say.
    const std::int64_t rows = layout.rows;
    layout.width = 2 * kMargin + std::int64_t{layout.columns} * layout.columnWidth +
                   (layout.columns - 1) * kGutter;
    layout.height =
        2 * kMargin + rows * layout.rowHeight + std::max<std::int64_t>(rows - 1, 0) * kRowGap;
    return layout;
}

// The zoom as asked for, with rows as long as kPreviewWidth allows.
PreviewLayout ArrangeAtZoom(const Extents& extents, int zoom) {
    int columns = static_cast<int>(
        std::min<std::size_t>(extents.count, static_cast<std::size_t>(kPreviewColumns)));
    PreviewLayout layout = Arrange(extents, zoom, columns);
    while (layout.width > kPreviewWidth && columns > 1) {
        layout = Arrange(extents, zoom, --columns);
    }
    return layout;
}

PreviewLayout LayoutOf(const Extents& extents, int zoom) {
    if (zoom > 0) {
        return ArrangeAtZoom(extents, zoom);
    }
    const int columns = static_cast<int>(
        std::min<std::size_t>(extents.count, static_cast<std::size_t>(kPreviewColumns)));
    for (int z = kMaxPreviewZoom; z > 1; --z) {
        const PreviewLayout layout = Arrange(extents, z, columns);
        if (layout.width <= kPreviewWidth && layout.Pixels() <= kMaxPreviewPixels) {
            return layout;
        }
    }
    return ArrangeAtZoom(extents, 1);
}

// One pixel of blank around the frames and the ink, so the outline of a frame is never the
// edge of the cell.
glyph::PixelBox WithBorder(const glyph::PixelBox& box) {
    return {box.x - 1, box.y - 1, box.width + 2, box.height + 2};
}

// The line a glyph stands on, from its pen origin to its advance, ascent to descent.
glyph::PixelBox LineBox(const glyph::SizeMetrics& metrics, int advance) {
    return {0, -metrics.ascent, std::max(advance, 1),
            std::max(metrics.ascent + metrics.descent, 1)};
}

int CodeChars(char32_t c) {
    return static_cast<int>(glyph::CodeName(c).size());
}

// libpng reports errors through a callback that must not return; it jumps back to Encode's
// setjmp. Nothing with a destructor lives in the frames it jumps over.
struct PngState {
    Sink* out = nullptr;
    char message[256] = {};
};

void OnPngError(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngState*>(png_get_error_ptr(png));
    if (state->message[0] == '\0') {
        std::snprintf(state->message, sizeof state->message, "%s", message);
    }
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Passes bytes to the sink; false (the message kept) when it throws.
bool PassOn(PngState& state, const png_bytep data, std::size_t size) {
    try {
        state.out->Write(std::string_view(reinterpret_cast<const char*>(data), size));
        return true;
    } catch (const std::exception& error) {
        std::snprintf(state.message, sizeof state.message, "%s", error.what());
    } catch (...) {
        std::snprintf(state.message, sizeof state.message, "the preview could not be written");
    }
    return false;
}

void OnPngWrite(png_structp png, png_bytep data, std::size_t size) {
    auto* state = static_cast<PngState*>(png_get_io_ptr(png));
    if (!PassOn(*state, data, size)) {
        png_error(png, state->message);
    }
}

void OnPngFlush(png_structp) {}

// Owns libpng's write structures.
struct PngWrite {
    png_structp png = nullptr;
    png_infop info = nullptr;

    PngWrite() = default;
    PngWrite(const PngWrite&) = delete;
    PngWrite& operator=(const PngWrite&) = delete;
    ~PngWrite() {
        if (png != nullptr) {
            png_destroy_write_struct(&png, &info);
        }
    }
};

} // namespace

std::uint64_t PreviewLayout::Pixels() const {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    const auto w = static_cast<std::uint64_t>(width);
    const auto h = static_cast<std::uint64_t>(height);
    return h > std::numeric_limits<std::uint64_t>::max() / w
               ? std::numeric_limits<std::uint64_t>::max()
               : w * h;
}

SheetPoint PreviewLayout::PixelAt(std::size_t index, int x, int y) const {
    const int column = static_cast<int>(index % static_cast<std::size_t>(columns));
    const int row = static_cast<int>(index / static_cast<std::size_t>(columns));
    const int left =
        kMargin + column * (columnWidth + kGutter) + (columnWidth - box.width * zoom) / 2;
    const int top = kMargin + row * (rowHeight + kRowGap);
    return {left + (x - box.x) * zoom, top + (y - box.y) * zoom};
}

SheetPoint PreviewLayout::LabelAt(std::size_t index) const {
    const int column = static_cast<int>(index % static_cast<std::size_t>(columns));
    const int row = static_cast<int>(index / static_cast<std::size_t>(columns));
    return {kMargin + column * (columnWidth + kGutter) + (columnWidth - labelWidth) / 2,
            kMargin + row * (rowHeight + kRowGap) + box.height * zoom + kLabelGap};
}

struct PreviewSheet::Band {
    std::uint8_t* pixels = nullptr;
    std::uint8_t* cover = nullptr; // beside pixels, the coverage of Grey ones; none when no grey
    int width = 0;
    int top = 0; // the sheet row of the first row held

    std::size_t Offset(int x, int y) const {
        return static_cast<std::size_t>(y - top) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x);
    }
    // Pixel (x, y) of the sheet, and its coverage.
    std::uint8_t& At(int x, int y) { return pixels[Offset(x, y)]; }
    std::uint8_t& Cover(int x, int y) { return cover[Offset(x, y)]; }
};

// Draws text in the label font, its top-left corner at (x, y).
void PreviewSheet::DrawCode(std::string_view text, int scale, int x, int y, Band& band) {
    for (char c : text) {
        if (const LabelChar* rows = LabelGlyph(c)) {
            for (int row = 0; row < kLabelCharHeight * scale; ++row) {
                const std::uint8_t bits = (*rows)[static_cast<std::size_t>(row / scale)];
                for (int column = 0; column < kLabelCharWidth * scale; ++column) {
                    if ((bits & (0x10U >> (column / scale))) != 0) {
                        band.At(x + column, y + row) = Index(PreviewColour::Label);
                    }
                }
            }
        }
        x += kLabelAdvance * scale;
    }
}

PreviewSheet::PreviewSheet(const glyph::StrikeFacts& facts) : facts_(facts) {}

void PreviewSheet::Add(const glyph::StrikeGlyph& glyph, const WrittenGlyph& written) {
    const glyph::PixelBox& frame = written.frame;
    if (!frame.empty() &&
        (written.bits.width() != frame.width || written.bits.height() != frame.height)) {
        throw PreviewError(glyph::CharacterName(glyph.code) +
                           ": the format's writer did not read its bytes back for the preview");
    }
    Entry entry;
    entry.code = glyph.code;
    entry.label = glyph::CodeName(glyph.code);
    if (facts_.sources.size() > 1) {
        entry.label += ' ';
        entry.label += std::to_string(glyph.source + 1);
    }
    entry.ink = glyph.ink;
    entry.inkBox = glyph.Box();
    entry.advance = glyph.advance;
    entry.frame = frame;
    entry.bits = written.bits;
    entry.cell = written.cell;
    entry.firstColumnLost = written.firstColumnLost;
    grey_ = grey_ || entry.bits.depth() == glyph::Depth::Eight ||
            entry.ink.depth() == glyph::Depth::Eight;
    glyphs_.push_back(std::move(entry));
}

PreviewLayout PreviewSheet::Layout(int zoom) const {
    Extents extents;
    extents.count = glyphs_.size();
    glyph::PixelBox box;
    for (const Entry& entry : glyphs_) {
        box = glyph::Union(box, entry.frame);
        box = glyph::Union(box, entry.inkBox);
        box = glyph::Union(box, entry.cell);
        box = glyph::Union(box, LineBox(facts_.metrics, entry.advance));
        extents.charWidth = std::max(extents.charWidth, entry.inkBox.width);
        if (!entry.inkBox.empty()) {
            extents.charAscent = std::max(extents.charAscent, -entry.inkBox.y);
            extents.charDescent = std::max(extents.charDescent, entry.inkBox.bottom());
        }
        extents.codeChars = std::max(extents.codeChars, static_cast<int>(entry.label.size()));
    }
    extents.box = WithBorder(box);
    PreviewLayout layout = LayoutOf(extents, zoom);
    const std::vector<std::string> legend = LegendLines();
    if (!legend.empty()) {
        std::size_t longest = 0;
        for (const std::string& line : legend) {
            longest = std::max(longest, line.size());
        }
        const int scale = layout.labelScale;
        layout.legendLines = static_cast<int>(legend.size());
        layout.legendLineHeight = (kLabelCharHeight + kLabelGap) * scale;
        layout.legendTop = layout.height - kMargin + kRowGap;
        layout.height = layout.legendTop +
                        std::int64_t{layout.legendLines} * layout.legendLineHeight -
                        kLabelGap * scale + kMargin;
        layout.width = std::max<std::int64_t>(
            layout.width, 2 * kMargin + CodeWidth(static_cast<int>(longest), scale));
    }
    return layout;
}

std::vector<std::string> PreviewSheet::LegendLines() const {
    std::vector<std::string> lines;
    if (facts_.sources.size() < 2) {
        return lines;
    }
    for (std::size_t i = 0; i < facts_.sources.size(); ++i) {
        std::string line = std::to_string(i + 1);
        line += ' ';
        for (const char c : FaceLine(facts_.sources[i])) {
            const auto byte = static_cast<unsigned char>(c);
            if ((byte & 0xC0) == 0x80) {
                continue; // one mark for a character of several bytes
            }
            const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
            line += upper == ' ' || LabelGlyph(upper) != nullptr ? upper : '?';
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

PreviewLayout SmallestPreviewLayout(const glyph::StrikeFacts& facts, std::u32string_view characters,
                                    int zoom) {
    Extents extents;
    extents.count = characters.size();
    extents.box = WithBorder(LineBox(facts.metrics, 1));
    for (char32_t c : characters) {
        extents.codeChars = std::max(extents.codeChars, CodeChars(c));
    }
    return LayoutOf(extents, zoom > 0 ? zoom : 1);
}

PreviewColour PreviewSheet::ColourAt(const Entry& entry, int x, int y, std::uint8_t& cover) {
    const glyph::PixelBox& frame = entry.frame;
    const bool inFrame = x >= frame.x && x < frame.right() && y >= frame.y && y < frame.bottom();
    if (inFrame && entry.bits.At(x - frame.x, y - frame.y)) {
        if (entry.bits.depth() == glyph::Depth::One) {
            return PreviewColour::Ink;
        }
        cover = static_cast<std::uint8_t>(entry.bits.Value(x - frame.x, y - frame.y));
        return cover == 0xFF ? PreviewColour::Ink : PreviewColour::Grey;
    }
    const glyph::Bitmap& ink = entry.ink;
    const int ix = x - entry.inkBox.x;
    const int iy = y - entry.inkBox.y;
    if (ink.depth() == glyph::Depth::One ? ink.At(ix, iy) : ink.Value(ix, iy) >= 0x80) {
        return PreviewColour::Lost;
    }
    if (!inFrame) {
        return PreviewColour::Outside;
    }
    return entry.firstColumnLost && x == frame.x ? PreviewColour::LostColumn : PreviewColour::Paper;
}

void PreviewSheet::DrawCell(const PreviewLayout& layout, std::size_t index, Band& band) const {
    const Entry& entry = glyphs_[index];
    DrawSquares(layout, index, entry, band);
    DrawLines(layout, index, entry, band);
    DrawLabels(layout, index, entry, band);
}

void PreviewSheet::DrawSquares(const PreviewLayout& layout, std::size_t index, const Entry& entry,
                               Band& band) {
    const glyph::PixelBox& box = layout.box;
    const int zoom = layout.zoom;
    const SheetPoint origin = layout.PixelAt(index, box.x, box.y);

    // The squares, a font row at a time: its first picture row is drawn square by square and
    // copied down. Blank squares of the frame get a faint edge on their right and bottom once
    // they are large enough for it, for counting pixels.
    const bool grid = zoom >= kGridZoom;
    const std::size_t side = static_cast<std::size_t>(zoom);
    const std::size_t span = static_cast<std::size_t>(box.width) * side;
    for (int fy = 0; fy < box.height; ++fy) {
        const int sy = origin.y + fy * zoom;
        std::uint8_t* first = &band.At(origin.x, sy);
        for (int fx = 0; fx < box.width; ++fx) {
            std::uint8_t cover = 0;
            const std::uint8_t colour = Index(ColourAt(entry, box.x + fx, box.y + fy, cover));
            std::uint8_t* square = first + static_cast<std::size_t>(fx) * side;
            std::fill_n(square, side, colour);
            if (grid && colour == Index(PreviewColour::Paper)) {
                square[side - 1] = Index(PreviewColour::Grid);
            }
            if (colour == Index(PreviewColour::Grey)) {
                std::fill_n(&band.Cover(origin.x + fx * zoom, sy), side, cover);
            }
        }
        for (int row = 1; row < zoom; ++row) {
            std::memcpy(&band.At(origin.x, sy + row), first, span);
            if (band.cover != nullptr) {
                std::memcpy(&band.Cover(origin.x, sy + row), &band.Cover(origin.x, sy), span);
            }
        }
        if (grid) {
            std::uint8_t* last = &band.At(origin.x, sy + zoom - 1);
            std::replace(last, last + span, Index(PreviewColour::Paper),
                         Index(PreviewColour::Grid));
        }
    }
}

void PreviewSheet::DrawLines(const PreviewLayout& layout, std::size_t index, const Entry& entry,
                             Band& band) {
    const glyph::PixelBox& box = layout.box;
    const int zoom = layout.zoom;
    const SheetPoint origin = layout.PixelAt(index, box.x, box.y);
    // Lines over the blank pixels: the outline of the frame (and of a cell that differs from
    // it) along its inner edge, the baseline along the top of the row below it.
    // Lines grow thicker with the zoom, never reaching the middle of a square.
    const int thickness = std::max(1, zoom / kLineThinness);
    const auto fill = [&](int x, int y, int w, int h, PreviewColour colour) {
        for (int row = y; row < y + h; ++row) {
            std::uint8_t* pixel = &band.At(x, row);
            for (int i = 0; i < w; ++i, ++pixel) {
                if (IsBlank(*pixel)) {
                    *pixel = Index(colour);
                }
            }
        }
    };
    const auto outline = [&](const glyph::PixelBox& frame) {
        if (frame.empty()) {
            return;
        }
        const SheetPoint corner = layout.PixelAt(index, frame.x, frame.y);
        const int w = frame.width * zoom;
        const int h = frame.height * zoom;
        const int t = thickness;
        fill(corner.x, corner.y, w, t, PreviewColour::Frame);
        fill(corner.x, corner.y + h - t, w, t, PreviewColour::Frame);
        fill(corner.x, corner.y, t, h, PreviewColour::Frame);
        fill(corner.x + w - t, corner.y, t, h, PreviewColour::Frame);
    };
    const int baseline = layout.PixelAt(index, 0, 0).y;
    if (zoom >= kLineZoom) {
        outline(entry.frame);
        if (entry.cell != entry.frame) {
            outline(entry.cell);
        }
        fill(origin.x, baseline, box.width * zoom, thickness, PreviewColour::Baseline);
    } else {
        // Only in the border pixels left and right of the box.
        fill(origin.x, baseline, zoom, 1, PreviewColour::Baseline);
        fill(origin.x + (box.width - 1) * zoom, baseline, zoom, 1, PreviewColour::Baseline);
    }
}

void PreviewSheet::DrawLabels(const PreviewLayout& layout, std::size_t index, const Entry& entry,
                              Band& band) {
    // The labels: the character as the font draws it, beside its code point.
    const SheetPoint label = layout.LabelAt(index);
    const int labelBaseline = label.y + layout.labelAscent;
    const int charLeft = label.x + (layout.charWidth - entry.inkBox.width) / 2;
    const bool grey = entry.ink.depth() == glyph::Depth::Eight;
    for (int y = 0; y < entry.ink.height(); ++y) {
        for (int x = 0; x < entry.ink.width(); ++x) {
            if (!entry.ink.At(x, y)) {
                continue;
            }
            const int sx = charLeft + x;
            const int sy = labelBaseline + entry.inkBox.y + y;
            if (grey) {
                // Anti-aliased, in greys no darker than the label colour.
                band.At(sx, sy) = Index(PreviewColour::Grey);
                band.Cover(sx, sy) =
                    static_cast<std::uint8_t>((entry.ink.Value(x, y) * kLabelCover + 127) / 255);
            } else {
                band.At(sx, sy) = Index(PreviewColour::Label);
            }
        }
    }
    const int scale = layout.labelScale;
    const int codeLeft =
        label.x + layout.charWidth + (layout.charWidth > 0 ? kLabelSpace * scale : 0);
    DrawCode(entry.label, scale, codeLeft, labelBaseline - kLabelCharHeight * scale, band);
}

namespace {

// A sheet row in RGB: each pixel its palette colour, a Grey one black at its coverage.
void ToRgb(const std::uint8_t* index, const std::uint8_t* cover, std::size_t width,
           std::uint8_t* rgb) {
    for (std::size_t i = 0; i < width; ++i, rgb += 3) {
        if (index[i] == Index(PreviewColour::Grey)) {
            const auto level = static_cast<std::uint8_t>(0xFF - cover[i]);
            rgb[0] = rgb[1] = rgb[2] = level;
        } else {
            const png_color& colour = kPalette[index[i]];
            rgb[0] = colour.red;
            rgb[1] = colour.green;
            rgb[2] = colour.blue;
        }
    }
}

// Runs libpng over the rows `next` makes, one sheet row per call. Returns false with
// state.message set on failure. Kept free of objects with destructors, for the error jump.
template <typename NextRow>
bool Encode(png_structp png, png_infop info, PngState& state, const PreviewLayout& layout, bool rgb,
            NextRow& next) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_write_fn(png, &state, OnPngWrite, OnPngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width),
                 static_cast<png_uint_32>(layout.height), rgb ? 8 : 4,
                 rgb ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!rgb) {
        png_set_PLTE(png, info, kPalette.data(), kIndexedColours);
    }
    // Long runs of few colours: the fastest level is nearly as small as anything slower, and
    // filters do not help indexed pictures (nor much a sheet of flat squares in RGB). Every
    // index is in the palette, so libpng need not check each pixel.
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_check_for_invalid_index(png, 0);
    png_write_info(png, info);
    for (int y = 0; y < layout.height; ++y) {
        png_write_row(png, next());
    }
    png_write_end(png, nullptr);
    return true;
}

} // namespace

std::vector<std::uint8_t> PreviewSheet::DrawLegend(const PreviewLayout& layout) const {
    const auto width = static_cast<std::size_t>(layout.width);
    std::vector<std::uint8_t> pixels(
        width * static_cast<std::size_t>(layout.legendLines * layout.legendLineHeight),
        Index(PreviewColour::Background));
    Band band{pixels.data(), nullptr, static_cast<int>(layout.width),
              static_cast<int>(layout.legendTop)};
    const std::vector<std::string> lines = LegendLines();
    for (int line = 0; line < layout.legendLines; ++line) {
        DrawCode(lines[static_cast<std::size_t>(line)], layout.labelScale, kMargin,
                 band.top + line * layout.legendLineHeight, band);
    }
    return pixels;
}

void PreviewSheet::Write(const PreviewLayout& layout, Sink& out) const {
    if (glyphs_.empty()) {
        throw PreviewError("the preview has nothing to show");
    }
    if (layout.Pixels() > kMaxPreviewPixels) {
        throw PreviewError("the picture would have more than " + std::to_string(kMaxPreviewPixels) +
                           " pixels");
    }
    const std::size_t width = static_cast<std::size_t>(layout.width);
    std::vector<std::uint8_t> pixels(width * static_cast<std::size_t>(layout.rowHeight));
    std::vector<std::uint8_t> cover(grey_ ? pixels.size() : 0);
    // A row as written: two palette indices a byte, or three bytes (RGB) a pixel.
    const std::size_t rowBytes = grey_ ? 3 * width : (width + 1) / 2;
    std::vector<std::uint8_t> packed(rowBytes);
    static_assert(Index(PreviewColour::Background) == 0, "blank indexed rows are zero bytes");
    std::vector<std::uint8_t> blank(rowBytes, grey_ ? kPalette[0].red : 0);
    static_assert(kPalette[0].red == kPalette[0].green && kPalette[0].red == kPalette[0].blue,
                  "blank RGB rows are one byte repeated");
    Band band{pixels.data(), grey_ ? cover.data() : nullptr, static_cast<int>(layout.width), 0};
    // The names of the sources, drawn once.
    const std::int64_t legendHeight = std::int64_t{layout.legendLines} * layout.legendLineHeight;
    std::vector<std::uint8_t> legendPixels = DrawLegend(layout);
    Band legend{legendPixels.data(), nullptr, static_cast<int>(layout.width),
                static_cast<int>(layout.legendTop)};

    // Sheet row y: a margin or gap row, or a row of the band of cells it falls in.
    int y = 0;
    int drawnRow = -1;
    const int pitch = layout.rowHeight + kRowGap;
    auto pack = [&](const std::uint8_t* source, const std::uint8_t* covers) -> png_bytep {
        if (grey_) {
            ToRgb(source, covers, width, packed.data());
            return packed.data();
        }
        // Two pixels a byte, the left one in the high half.
        std::uint8_t* __restrict target = packed.data();
        const std::size_t pairs = width / 2;
        for (std::size_t i = 0; i < pairs; ++i) {
            target[i] = static_cast<std::uint8_t>(source[2 * i] << 4 | source[2 * i + 1]);
        }
        if (width % 2 != 0) {
            target[pairs] = static_cast<std::uint8_t>(source[width - 1] << 4);
        }
        return target;
    };
    auto next = [&]() -> png_bytep {
        const int row = y++;
        if (row >= layout.legendTop && row < layout.legendTop + legendHeight) {
            return pack(&legend.At(0, row), nullptr);
        }
        const int inGrid = row - kMargin;
        const int gridRow = inGrid >= 0 ? inGrid / pitch : -1;
        if (gridRow < 0 || gridRow >= layout.rows || inGrid % pitch >= layout.rowHeight) {
            return blank.data();
        }
        if (gridRow != drawnRow) {
            drawnRow = gridRow;
            band.top = kMargin + gridRow * pitch;
            std::fill(pixels.begin(), pixels.end(), Index(PreviewColour::Background));
            const std::size_t first =
                static_cast<std::size_t>(gridRow) * static_cast<std::size_t>(layout.columns);
            const std::size_t end =
                std::min(glyphs_.size(), first + static_cast<std::size_t>(layout.columns));
            for (std::size_t index = first; index < end; ++index) {
                DrawCell(layout, index, band);
            }
        }
        return pack(&band.At(0, row), grey_ ? &band.Cover(0, row) : nullptr);
    };

    PngState state;
    state.out = &out;
    PngWrite write;
    write.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning);
    write.info = write.png != nullptr ? png_create_info_struct(write.png) : nullptr;
    if (write.info == nullptr) {
        throw PreviewError("cannot start a PNG picture: out of memory");
    }
    if (!Encode(write.png, write.info, state, layout, grey_, next)) {
        throw PreviewError(state.message);
    }
}

} // namespace formats

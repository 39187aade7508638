// A picture of a converted set: each glyph as its file holds it, read back from the bytes
// written, on a grid of equal cells, written as a PNG.
#pragma once

#include "formats/font_writer.h"
#include "formats/sink.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace formats {

// A picture that cannot be made or written; the message says why.
class PreviewError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The most pixels a picture may have (a sheet 1600 wide and 31250 high).
inline constexpr std::uint64_t kMaxPreviewPixels = 50'000'000;
// The width the automatic zoom keeps a sheet within.
inline constexpr int kPreviewWidth = 1600;
// The largest zoom: a font pixel 64 picture pixels wide.
inline constexpr int kMaxPreviewZoom = 64;
// Glyphs in a row of the sheet, at most: code points read in tens of hex.
inline constexpr int kPreviewColumns = 16;

// A point of the picture: x to the right, y down from its top-left corner.
struct SheetPoint {
    int x = 0;
    int y = 0;
};

// Where a sheet puts everything, in picture pixels. The glyphs fill rows of `columns` cells
// left to right, top to bottom, in the order they were written. Every cell shows the same part
// of the pen plane (`box`, font pixels around the pen origin), so the pen origins of a row lie
// on one line and the row reads like a line of text; under each cell its labels.
//
//   margin
//   +--------+ gutter +--------+
//   |  box x |        |        |      each font pixel a zoom x zoom square
//   |  zoom  |        |        |
//   +--------+        +--------+
//   [A U+0041]        [B U+0042]     the character as drawn, and its code point
//   row gap
//   +--------+        ...
//   [E U+E000 2]                     several sources: the source's number too,
//   1 DEJAVU SANS BOOK (DEJAVUSANS.TTF)             and after the last row their names
//   2 FONTAWESOME REGULAR (FONTAWESOME-WEBFONT.TTF)
struct PreviewLayout {
    int zoom = 1;
    int labelScale = 1; // picture pixels per pixel of the label font
    int columns = 0;
    std::int64_t rows = 0;
    glyph::PixelBox box;
    int columnWidth = 0; // the wider of the zoomed box and the labels
    int rowHeight = 0;   // the zoomed box, the gap to the labels and the labels
    int labelHeight = 0;
    int labelWidth = 0;
    int labelAscent = 0; // label top to the labels' baseline
    int charWidth = 0;   // room for the character beside the code point
    // In 64 bits, so a huge sheet is seen as huge before any of it is drawn.
    std::int64_t width = 0;
    std::int64_t height = 0;
    // A sheet of several sources: under the cells, a line naming each source, the number its
    // glyphs' labels give after their code points. Empty for one source.
    std::int64_t legendTop = 0;
    int legendLineHeight = 0;
    int legendLines = 0;

    // Saturates rather than wraps.
    std::uint64_t Pixels() const;
    // The top-left corner of the square of font pixel (x, y) (pen coordinates) of the glyph
    // written `index`th.
    SheetPoint PixelAt(std::size_t index, int x, int y) const;
    // The top-left corner of the labels under that glyph's cell.
    SheetPoint LabelAt(std::size_t index) const;
};

// The colours of a sheet: what each picture pixel shows.
enum class PreviewColour : std::uint8_t {
    Background, // around the cells, and under the labels
    Paper,      // a pixel inside the frame the file holds, blank
    Ink,        // a pixel the file holds as ink
    Lost,       // ink of the glyph as drawn that the file does not hold
    Outside,    // a blank pixel outside the frame
    LostColumn, // a blank pixel of a frame column no byte holds (the table's column 0)
    Frame,      // the outline of the frame, and of the cell of the cell formats
    Baseline,
    Label,
    Grid, // the edges of blank pixels in the frame, when zoomed enough
    Grey, // a level between paper and ink the file holds: that share of black
    Count,
};

class PreviewSheet {
public:
    explicit PreviewSheet(const glyph::StrikeFacts& facts);

    // Keeps what the picture needs of a glyph: its ink as drawn, the frame, and the bits the
    // writer read back (WrittenGlyph::bits, FormatOptions::decode). Call in the order the
    // glyphs are written. Throws PreviewError when the writer gave no bits for a frame.
    //
    // Bits read back at Depth::Eight are the coverage each written level stands for; they show
    // as greys, and the sheet is written as an RGB picture. Ink of the glyph as drawn counts as
    // lost where the file holds nothing of it: at Depth::Eight, where the drawn coverage is at
    // least half a pixel (128) but the written pixel is paper. Rounded to any number of levels,
    // such coverage keeps a level of its own; fainter fringe may round to paper in a correct
    // file, and is not marked.
    void Add(const glyph::StrikeGlyph& glyph, const WrittenGlyph& written);

    std::size_t size() const { return glyphs_.size(); }

    // zoom 0: the largest that keeps the sheet within kPreviewWidth and kMaxPreviewPixels
    // with up to kPreviewColumns glyphs a row. A zoom asked for is kept; the rows are then
    // made shorter where that keeps the sheet within kPreviewWidth.
    PreviewLayout Layout(int zoom) const;

    // Writes the picture as a PNG: indexed colour, or RGB for a sheet that shows greys. Throws
    // PreviewError, also for a sink that fails (with its message).
    void Write(const PreviewLayout& layout, Sink& out) const;

private:
    struct Entry {
        char32_t code = 0;
        std::string label; // the code point, and the source's number when there are several
        glyph::Bitmap ink;
        glyph::PixelBox inkBox;
        int advance = 0;
        glyph::PixelBox frame;
        glyph::Bitmap bits;
        glyph::PixelBox cell;
        bool firstColumnLost = false;
    };

    // Sheet rows in memory, one PreviewColour a pixel.
    struct Band;

    // The colour of font pixel (x, y), pen coordinates; for Grey, its coverage in `cover`.
    static PreviewColour ColourAt(const Entry& entry, int x, int y, std::uint8_t& cover);
    // Draws the cell of the glyph written `index`th, and its labels, into the band of its row.
    void DrawCell(const PreviewLayout& layout, std::size_t index, Band& band) const;
    // DrawCell's parts: the squares of the font pixels; the lines of the frame, the cell and
    // the baseline over the blank ones; the labels.
    static void DrawSquares(const PreviewLayout& layout, std::size_t index, const Entry& entry,
                            Band& band);
    static void DrawLines(const PreviewLayout& layout, std::size_t index, const Entry& entry,
                          Band& band);
    static void DrawLabels(const PreviewLayout& layout, std::size_t index, const Entry& entry,
                           Band& band);
    static void DrawCode(std::string_view text, int scale, int x, int y, Band& band);
    // The lines naming the sources, in upper case, as the label font draws them.
    std::vector<std::string> LegendLines() const;
    // Those lines drawn, in rows as wide as the sheet from layout.legendTop down.
    std::vector<std::uint8_t> DrawLegend(const PreviewLayout& layout) const;

    glyph::StrikeFacts facts_;
    std::vector<Entry> glyphs_;
    bool grey_ = false; // some glyph's ink or bits are 8-bit coverage
};

// Before anything is drawn: a layout no larger than the one the sheet of `characters` will
// have, from the face's line height alone. Its Pixels() let a run that would make a huge
// picture be refused early.
PreviewLayout SmallestPreviewLayout(const glyph::StrikeFacts& facts, std::u32string_view characters,
                                    int zoom);

} // namespace formats

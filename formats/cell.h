// The one cell every glyph of a set is written in, for the fixed-cell formats (xbm, ssd1306,
// raw): the same size for every glyph and the pen origin at the same place in each, so digits
// line up and text can overwrite text.
#pragma once

#include "formats/font_writer.h"
#include "glyph/packing.h"
#include "glyph/strike.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace formats {

// A cell and where the pen origin lies in it: column `originX` holds pen x = 0 and row
// `baselineRow` holds pen y = 0, the first row under the baseline, so rows 0 .. baselineRow - 1
// lie above the baseline. With --cell ink the baseline may lie outside the cell.
//
//   width 7, originX 1, baselineRow 5:
//
//      row 0   . . # # # . .
//      row 1   . # . . . # .
//      row 2   . # # # # # .
//      row 3   . # . . . # .
//      row 4   . # . . . # .     <- last row above the baseline
//      row 5   . . . . . . .     <- pen y = 0
//                ^ pen x = 0
struct Cell {
    int width = 1;
    int height = 1;
    int originX = 0;
    int baselineRow = 0;
    bool forced = false;

    // The cell in pen coordinates (see glyph::PixelBox): the frame every glyph is packed over.
    glyph::PixelBox Frame() const { return {-originX, -baselineRow, width, height}; }
    friend bool operator==(const Cell&, const Cell&) = default;
};

// The cell for the set under `rule`:
// - Width: the widest advance. Where ink reaches left of its pen origin (a negative left
//   bearing, an italic), the whole set moves right by the largest such overhang and the cell
//   widens by it; where ink reaches right of the widest advance, the cell widens to hold it.
// - Height: the face's ascent + descent, the baseline under `ascent` rows; a glyph reaching
//   above the ascent or below the descent (stacked accents, tall symbols) grows the cell to hold
//   it. With CellRule::Height::Ink, exactly the rows the set's ink covers.
// So a cell that is not forced holds every ink pixel. A set without ink gets the face's cell,
// or with --cell ink one row above the baseline; a cell is never smaller than 1 x 1.
// - Forced (--cell WxH): that size, the pen origin placed as in the face's cell (moved right by
//   the largest left overhang, the baseline under `ascent` rows), each kept within the forced
//   size. Ink outside it is cut; WrittenInCell reports it per glyph.
Cell MakeCell(const glyph::Strike& strike, const CellRule& rule);

// A cell at least as large as MakeCell's for any set of this face and size, known before a glyph
// is drawn (for FontWriter::EstimateSize): the forced size, else twice the em box each way
// (or the face's line, when higher).
Cell CellBound(const glyph::StrikeFacts& facts, const CellRule& rule);

// Header comment lines stating the cell, its origin and how it was found.
std::vector<std::string> DescribeCell(const Cell& cell, const glyph::StrikeFacts& facts,
                                      const CellRule& rule);

// "#define NAME_WIDTH 10" lines for the cell's width, height, origin column and baseline row.
std::string CellDefines(const std::string& name, const Cell& cell);

// What the file holds of a glyph packed over the cell: the cell as frame, the ink it cuts, and
// with `decode`, the picture `bytes` hold (missing trailing bytes read as paper).
WrittenGlyph WrittenInCell(const glyph::StrikeGlyph& glyph, const Cell& cell,
                           std::span<const std::uint8_t> bytes, glyph::Packing packing,
                           bool decode);

} // namespace formats

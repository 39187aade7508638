// Whether a font file holds every part its own header lists. FreeType opens a file cut short
// and quietly leaves out the tables that lie past its end: the glyphs then come out blank, or
// drawn without the font's hinting programs. Checking the header first turns that into a
// refusal.
#pragma once

#include <string>

namespace glyph {

// Throws FontError, naming the file and the first part it lacks, when a part that the file's
// header lists lies past the end of the file:
//   TrueType and OpenType: every table of the table directory (and the directory itself);
//   collections (.ttc, .otc): the directory of every face, and each face's tables;
//   WOFF: every table, and the length the header states; WOFF2: that length.
// Other formats pass unchecked: FreeType refuses a BDF or PCF file that ends early itself (and
// bdftopcf states its last table longer than it writes it, so a PCF's table of contents is no
// measure).
// Also throws FontError when the file cannot be read.
void CheckFontFileComplete(const std::string& path);

} // namespace glyph

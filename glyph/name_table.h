// What a font file says about itself in words: the copyright, licence and maker of a face, read
// from an OpenType name table or OS/2 table, or from a bitmap font's properties. The text is the
// font's, so it is untrusted: it comes back on one line, with control characters removed.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

namespace glyph {

struct FaceNames {
    std::string copyright; // name 0, or COPYRIGHT
    std::string licence;   // name 13, else 14 (the licence's address), or NOTICE
    std::string foundry;   // the OS/2 vendor ID ("PfEd"), or FOUNDRY
};

// Any of them may be empty.
FaceNames ReadFaceNames(FT_Face face);

} // namespace glyph

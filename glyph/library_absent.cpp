// The web page's module has no shared libraries to open: a library the native program opens on
// first use (fontconfig, for a font looked up by pattern) is refused when first called.
#include "glyph/font_faces.h"
#include "glyph/library_on_demand.h"

#include <string>

namespace glyph {

std::vector<void*> OpenOnDemand(const char* library, std::span<const char* const> /*functions*/) {
    throw FontError(std::string("this build has no ") + library +
                    " to look fonts up by name: give the font's file with --font-file");
}

} // namespace glyph

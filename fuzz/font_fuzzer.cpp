// libFuzzer target for font files, which come from users. The input is written to a memory file
// and opened with FreeTypeSurface::SetFontFile as --font-file opens a font; then characters are
// drawn and read back as a conversion reads them, drawn again as a strike (what every format is
// written from) that must ink exactly what the surface shows, packed and read back, and checked
// for clipping; and its kerning is looked up, which reads the font's table directory and GPOS
// pair lookups itself before HarfBuzz shapes the pairs. A file FreeType refuses must be a
// FontError; a crash, a sanitizer report or any other exception is a finding. Size, bold and
// italic come from the input's length, so the font's bytes stay whole.
#include "glyph/clip_check.h"
#include "glyph/freetype_surface.h"
#include "glyph/ink.h"
#include "glyph/kerning.h"
#include "glyph/packing.h"
#include "glyph/scan_geometry.h"
#include "glyph/strike.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

// The largest glyph whose packing is checked.
constexpr long kPackedPixels = 4L << 20;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The memory file inputs are written to, and its path.
const std::string& FontPath(int& fd) {
    static const int file = memfd_create("font", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(file);
    Check(file >= 0);
    fd = file;
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int fd = -1;
    const std::string& path = FontPath(fd);
    Check(ftruncate(fd, 0) == 0);
    Check(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));

    static constexpr float kSizes[] = {6, 10, 24};
    const glyph::FontSpec font{"", kSizes[size % 3], size / 3 % 2 == 1, size / 6 % 2 == 1};
    glyph::ScanBounds bounds;
    bounds.UpdateScanSize(font.size, font.italic);
    glyph::FreeTypeSurface surface(font);
    surface.SetFontFile(path, 0);
    glyph::FontFaces faces;
    faces.Select(glyph::FontSource::File(path), font);
    try {
        surface.FontName();
        surface.FontStyle();
        const int ascent = faces.Metrics().ascent;
        auto ink = std::make_unique<bool[]>(bounds.ScanWidth + 1);
        for (char32_t c : {U'A', U'g', U'\u0416', U'\uFFFD'}) {
            surface.EnsureExtent(bounds.ScanWidth + 1, bounds.ScanHeight + 1);
            surface.Cls();
            surface.Print(std::u32string_view(&c, 1));
            const glyph::StrikeGlyph glyph = glyph::DrawGlyph(faces, c);
            for (int y = 0; y <= bounds.ScanHeight; ++y) {
                surface.ReadInkRow(y, bounds.ScanWidth + 1, ink.get());
                for (int x = 0; x <= bounds.ScanWidth; ++x) {
                    Check(ink[x] == glyph.InkAt(x, y - ascent));
                }
            }
            const glyph::ClipReport report =
                glyph::CheckClipping(glyph, glyph::ScanFrame(bounds, ascent), true);
            Check(report.left.pixels >= 0 && report.right.pixels >= 0 && report.columnZero >= 0);
            // Packing goes pixel by pixel here; a damaged font's glyph can be thousands of
            // pixels each way, which the program packs in seconds but the sanitizers take
            // tens of seconds over. Such glyphs are still drawn and compared above.
            if (static_cast<long>(glyph.ink.width()) * glyph.ink.height() <= kPackedPixels) {
                const glyph::Packing packing{glyph::BitOrder::LsbFirst, glyph::Scan::Pages,
                                             glyph::Padding::Line};
                std::vector<std::uint8_t> bytes;
                glyph::Pack(glyph, glyph.Box(), packing, bytes);
                Check(glyph::Unpack(bytes, glyph.ink.width(), glyph.ink.height(), packing) ==
                      glyph.ink);
            }
            surface.HasGlyph(c);
        }
        for (const glyph::KernPair& pair : glyph::KerningPairs(faces, U"AVTo.,\u0416\u0434")) {
            Check(pair.adjustment != 0);
        }
    } catch (const glyph::FontError&) {
    }
    return 0;
}

#include "cli/convert_command.h"

#include "cli/convert_options.h"
#include "glyph/conversion.h"
#include "glyph/freetype_surface.h"

namespace cli {

int RunConvert(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    try {
        const ConvertOptions options = ParseConvertOptions(args);
        if (options.help) {
            out << kConvertUsage;
            return kExitOk;
        }
        glyph::ScanBounds bounds;
        try {
            bounds.UpdateScanSize(options.font.size, options.font.italic);
        } catch (const glyph::ScanSizeError& error) {
            throw UsageError(std::string("--size: ") + error.what());
        }
        glyph::FreeTypeSurface surface(options.font);
        out << glyph::ConvertToText(surface, options.character, bounds, options.eol);
        out.flush();
        return kExitOk;
    } catch (const UsageError& error) {
        err << "rastova-convert: " << error.what() << "\n";
        return kExitUsage;
    } catch (const glyph::SurfaceError& error) {
        err << "rastova-convert: " << error.what() << "\n";
        return kExitUsage;
    }
}

} // namespace cli

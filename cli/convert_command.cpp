#include "cli/convert_command.h"

#include "cli/convert_options.h"
#include "cli/output_file.h"
#include "cli/printable.h"
#include "cli/table_text.h"
#include "glyph/clip_check.h"
#include "glyph/conversion.h"
#include "glyph/freetype_surface.h"

#include <exception>
#include <memory>

namespace cli {

namespace {

constexpr std::string_view kProgram = "rastova-convert: ";

// One line on `err`, whatever the message quotes.
void Report(std::ostream& err, std::string_view message) {
    err << kProgram << Printable(message) << "\n";
}

// ParseConvertOptions has refused sizes whose rectangle cannot be made.
glyph::ScanBounds BoundsFor(const glyph::FontSpec& font) {
    glyph::ScanBounds bounds;
    bounds.UpdateScanSize(font.size, font.italic);
    return bounds;
}

// Sets the surface's face and looks it up now, so a bad font is reported before any output.
void OpenFont(glyph::FreeTypeSurface& surface, const ConvertOptions& options, std::ostream& err) {
    if (options.source == FontSource::File) {
        surface.SetFontFile(options.fontFile, options.faceIndex);
    } else {
        surface.SetFontPattern(options.font.family);
    }
    const std::string family = surface.FontName();
    if (surface.FamilyReplaced()) {
        Report(err, "no font matches \"" + options.font.family + "\" by name; using " + family +
                        " " + surface.FontStyle() + " (" + surface.FontFile() + ")");
    }
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int Convert(const ConvertOptions& options, std::ostream& out, std::ostream& err) {
    const glyph::ScanBounds bounds = BoundsFor(options.font);
    const bool array = !options.arrayName.empty();
    glyph::FreeTypeSurface surface(options.font);
    OpenFont(surface, options, err);
    const std::unique_ptr<Output> output = OpenOutput(options.output, out, surface.FontFile());

    const std::string_view eol = options.eol;
    if (array) {
        ArrayFacts facts;
        facts.name = options.arrayName;
        facts.family = surface.FontName();
        facts.style = surface.FontStyle();
        facts.file = BaseName(surface.FontFile());
        facts.faceIndex = options.source == FontSource::File ? options.faceIndex : 0;
        facts.points = options.font.size;
        facts.pixels = glyph::PointsToPixels(options.font.size);
        facts.bounds = bounds;
        facts.glyphs = options.characters.size();
        output->Write(ArrayOpening(facts, eol));
    }
    // One character alone prints exactly the core's table, as the window shows it.
    const bool named = array || options.characters.size() > 1;
    bool clipped = false;
    std::string block;
    for (std::size_t i = 0; i < options.characters.size(); ++i) {
        const char32_t c = options.characters[i];
        block.clear();
        if (i > 0) {
            block += eol;
        }
        if (named) {
            block += NamingLine(c, eol);
        }
        glyph::Conversion conversion(surface, c, bounds, eol);
        block += conversion.header();
        while (conversion.NextRow(block)) {
        }
        output->Write(block);

        if (!surface.HasGlyph(c)) {
            err << kProgram << CharacterName(c) << ": not in " << Printable(surface.FontName())
                << (options.source == FontSource::File ? "" : " or its fallbacks")
                << "; the table shows what the face draws instead\n";
        }
        for (const std::string& message :
             ClipMessages(c, glyph::CheckClipping(surface.Drawn(), bounds), bounds)) {
            err << kProgram << message << "\n";
            clipped = true;
        }
    }
    if (array) {
        output->Write(ArrayClosing(eol));
    }
    output->Commit();
    return clipped && options.strict ? kExitClipped : kExitOk;
}

} // namespace

int RunConvert(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    try {
        const ConvertOptions options = ParseConvertOptions(args);
        if (options.help) {
            const std::unique_ptr<Output> help = OpenOutput("-", out);
            help->Write(kConvertUsage);
            help->Commit();
            return kExitOk;
        }
        return Convert(options, out, err);
    } catch (const UsageError& error) {
        Report(err, error.what());
    } catch (const glyph::SurfaceError& error) {
        Report(err, error.what());
    } catch (const OutputError& error) {
        Report(err, error.what());
    } catch (const std::exception& error) {
        // Not bad input but still one line, not a crash: memory for a huge size, for one.
        Report(err, std::string("failed: ") + error.what());
    }
    return kExitUsage;
}

} // namespace cli

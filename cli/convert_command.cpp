#include "cli/convert_command.h"

#include "cli/convert_options.h"
#include "cli/messages.h"
#include "cli/output_file.h"
#include "formats/font_writer.h"
#include "formats/table_writer.h"
#include "glyph/font_faces.h"
#include "glyph/strike.h"
#include "glyph/utf8.h"

#include <exception>
#include <memory>

namespace cli {

namespace {

constexpr std::string_view kProgram = "rastova-convert: ";

glyph::ScanBounds BoundsFor(const glyph::FontSpec& font) {
    glyph::ScanBounds bounds;
    try {
        bounds.UpdateScanSize(font.size, font.italic);
    } catch (const glyph::ScanSizeError& error) {
        throw UsageError(std::string("--size: ") + error.what());
    }
    return bounds;
}

glyph::FontSource SourceOf(const ConvertOptions& options) {
    return options.source == FontSource::File
               ? glyph::FontSource::File(options.fontFile, options.faceIndex)
               : glyph::FontSource::Pattern(options.font.family);
}

formats::FormatOptions FormatOptionsOf(const ConvertOptions& options) {
    formats::FormatOptions format;
    format.name = options.arrayName;
    format.cArray = !options.arrayName.empty();
    format.bounds = BoundsFor(options.font);
    format.eol = options.eol;
    format.encoding = options.encoding;
    format.lvglVersion = options.lvglVersion;
    format.cell = options.cell;
    format.packing = options.packing;
    format.first = options.first;
    format.decode = !options.preview.empty();
    return format;
}

int Convert(const ConvertOptions& options, std::ostream& out, std::ostream& err) {
    const formats::FormatOptions formatOptions = FormatOptionsOf(options);
    const bool table = options.format == "table";
    if (table && formatOptions.cArray && formats::TableBytesPerGlyph(formatOptions.bounds) == 0) {
        throw UsageError("--size: " + ShortNumber(options.font.size) +
                         " pt scans no whole byte; a C array needs at least 0.67 pt");
    }
    const std::unique_ptr<formats::FontWriter> writer =
        formats::MakeWriter(options.format, formatOptions);
    writer->CheckCharacters(options.characters);

    // The font is opened now, so a bad font is reported before any output.
    glyph::FontFaces faces;
    faces.Select(SourceOf(options), options.font);
    const glyph::StrikeFacts facts = glyph::FactsOf(faces);
    if (facts.face.replaced) {
        err << kProgram << "no font matches \"" << options.font.family << "\" by name; using "
            << facts.face.family << " " << facts.face.style << " (" << facts.face.file << ")\n";
    }
    const std::uint64_t estimate = writer->EstimateSize(facts, options.characters.size());
    if (estimate > options.maxOutput) {
        throw UsageError("the output would be about " + ByteCountText(estimate) +
                         ", more than --max-output allows (" + ByteCountText(options.maxOutput) +
                         "); raise it with --max-output " + std::to_string((estimate >> 30) + 1) +
                         "G");
    }
    if (options.dryRun) {
        return kExitOk;
    }

    const std::unique_ptr<Output> output = OpenOutput(options.output, out);
    formats::LineEndSink lines(*output, table ? "\n" : options.eol);
    bool reported = false;
    writer->OnWritten([&](const glyph::StrikeGlyph& glyph, const formats::WrittenGlyph& written) {
        for (const std::string& message : ClipMessages(glyph.code, written)) {
            err << kProgram << message << "\n";
            reported = true;
        }
    });
    writer->Begin(facts, options.characters.size(), lines);
    for (char32_t c : options.characters) {
        glyph::StrikeGlyph glyph = glyph::DrawGlyph(faces, c);
        if (!glyph.found) {
            err << kProgram << glyph::CharacterName(c) << ": not in " << facts.face.family
                << (options.source == FontSource::File ? "" : " or its fallbacks")
                << "; the face's missing-glyph box is written instead\n";
            reported = true;
        }
        if (!glyph.problem.empty()) {
            err << kProgram << glyph::CharacterName(c) << ": " << glyph.problem << "\n";
            reported = true;
        }
        writer->Add(std::move(glyph));
    }
    writer->Finish();
    output->Commit();
    return reported && options.strict ? kExitClipped : kExitOk;
}

} // namespace

int RunConvert(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    try {
        const ConvertOptions options = ParseConvertOptions(args);
        if (options.help) {
            out << kConvertUsage;
            return kExitOk;
        }
        if (options.version) {
            out << "rastova-convert " RASTOVA_VERSION "\n";
            return kExitOk;
        }
        return Convert(options, out, err);
    } catch (const UsageError& error) {
        err << kProgram << error.what() << "\n";
    } catch (const glyph::FontError& error) {
        err << kProgram << error.what() << "\n";
    } catch (const formats::FormatError& error) {
        err << kProgram << error.what() << "\n";
    } catch (const OutputError& error) {
        err << kProgram << error.what() << "\n";
    } catch (const std::exception& error) {
        // Not bad input but still one line, not a crash: memory for a huge size, for one.
        err << kProgram << "failed: " << error.what() << "\n";
    }
    return kExitUsage;
}

} // namespace cli

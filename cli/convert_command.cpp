#include "cli/convert_command.h"

#include "cli/convert_options.h"
#include "cli/messages.h"
#include "cli/output_file.h"
#include "formats/c_source.h"
#include "formats/font_writer.h"
#include "formats/preview.h"
#include "formats/table_writer.h"
#include "glyph/font_faces.h"
#include "glyph/strike.h"
#include "glyph/utf8.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

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

// Refuses a preview of more pixels than a picture may have. `atLeast`: the layout is the
// smallest the characters can make, worked out before they are drawn.
void CheckPreviewSize(const formats::PreviewLayout& layout, const ConvertOptions& options,
                      bool atLeast) {
    if (layout.Pixels() <= formats::kMaxPreviewPixels) {
        return;
    }
    char millions[32];
    std::snprintf(millions, sizeof millions, "%.1f", static_cast<double>(layout.Pixels()) / 1e6);
    throw UsageError("--preview: a picture of " + std::to_string(options.characters.size()) +
                     (options.characters.size() == 1 ? " character" : " characters") +
                     " would have " + (atLeast ? "at least " : "") + millions +
                     " million pixels, more than the " +
                     std::to_string(formats::kMaxPreviewPixels / 1'000'000) +
                     " million a preview may have; convert fewer characters" +
                     (options.zoom > 1 ? " or give a smaller --zoom" : " or at a smaller size"));
}

int Convert(const ConvertOptions& options, std::ostream& out, std::ostream& err) {
    const formats::FormatOptions formatOptions = FormatOptionsOf(options);
    const bool table = options.format == "table";
    if (table && formatOptions.cArray && formats::TableBytesPerGlyph(formatOptions.bounds) == 0) {
        throw UsageError("--size: " + formats::ShortNumber(options.font.size) +
                         " pt scans no whole byte; a C array needs at least 0.67 pt");
    }
    const std::unique_ptr<formats::FontWriter> writer =
        formats::MakeWriter(options.format, formatOptions);
    writer->CheckCharacters(options.characters);
    const bool preview = !options.preview.empty();
    if (preview && SameFile(options.preview, options.output)) {
        throw UsageError("--preview " + options.preview +
                         " is the output file too; name another file for the picture");
    }

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

    if (preview) {
        CheckPreviewSize(formats::SmallestPreviewLayout(facts, options.characters, options.zoom),
                         options, true);
    }

    const std::unique_ptr<Output> output = OpenOutput(options.output, out);
    const std::unique_ptr<Output> previewOutput =
        preview ? OpenOutput(options.preview, out) : nullptr;
    formats::LineEndSink lines(*output, table ? "\n" : options.eol);
    bool reported = false;
    std::optional<formats::PreviewSheet> sheet;
    if (preview) {
        sheet.emplace(facts);
    }
    writer->OnWritten([&](const glyph::StrikeGlyph& glyph, const formats::WrittenGlyph& written) {
        for (const std::string& message : ClipMessages(glyph.code, written)) {
            err << kProgram << message << "\n";
            reported = true;
        }
        if (sheet) {
            sheet->Add(glyph, written);
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
    if (sheet) {
        // The picture is written out before either file is put in place, so a picture that
        // cannot be written leaves the output as it was too.
        const formats::PreviewLayout layout = sheet->Layout(options.zoom);
        CheckPreviewSize(layout, options, false);
        sheet->Write(layout, *previewOutput);
        previewOutput->Flush();
    }
    output->Commit();
    if (previewOutput) {
        previewOutput->Commit();
    }
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
    } catch (const formats::PreviewError& error) {
        err << kProgram << "--preview: " << error.what() << "\n";
    } catch (const std::exception& error) {
        // Not bad input but still one line, not a crash: memory for a huge size, for one.
        err << kProgram << "failed: " << error.what() << "\n";
    }
    return kExitUsage;
}

} // namespace cli

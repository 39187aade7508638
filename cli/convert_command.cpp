#include "cli/convert_command.h"

#include "cli/byte_count_text.h"
#include "cli/convert_options.h"
#include "cli/convert_usage.h"
#include "cli/flash_report.h"
#include "cli/font_sources.h"
#include "cli/messages.h"
#include "cli/output_file.h"
#include "cli/printable.h"
#include "formats/c_source.h"
#include "formats/font_writer.h"
#include "formats/format_registry.h"
#include "formats/preview.h"
#include "formats/symbols_header.h"
#include "glyph/font_faces.h"
#include "glyph/glyph_name.h"
#include "glyph/strike.h"
#include "glyph/utf8.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

namespace cli {

namespace {

constexpr std::string_view kProgram = "rastova-convert: ";

ProgressHook progressHook = nullptr;

// One line on `err`, whatever the message quotes.
void Report(TextStream& err, std::string_view message) {
    err.Write(std::string(kProgram) + Printable(message) + "\n");
}

// ParseConvertOptions has refused table sizes whose rectangle cannot be made.
glyph::ScanBounds BoundsFor(const glyph::FontSpec& font) {
    glyph::ScanBounds bounds;
    bounds.UpdateScanSize(font.size, font.italic);
    return bounds;
}

formats::FormatOptions FormatOptionsOf(const ConvertOptions& options) {
    formats::FormatOptions format;
    format.name = options.arrayName;
    format.cArray = !options.arrayName.empty();
    if (options.format->windowTable) {
        format.bounds = BoundsFor(options.font);
    }
    format.eol = options.eol;
    format.encoding = options.encoding;
    format.lvglVersion = options.lvglVersion;
    format.compress = options.compress;
    format.bpp = options.bpp;
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

// The notes a run makes about its glyphs (clipped, missing, drawn in part): each on its own line,
// or for a dry run counted, the first kept for its summary.
class GlyphNotes {
public:
    GlyphNotes(TextStream& err, bool dryRun) : err_(err), dryRun_(dryRun) {}
    void Add(std::string_view message) {
        ++count_;
        if (!dryRun_) {
            Report(err_, message);
        } else if (first_.empty()) {
            first_ = message;
        }
    }
    std::size_t count() const { return count_; }
    const std::string& first() const { return first_; }

private:
    TextStream& err_;
    bool dryRun_;
    std::size_t count_ = 0;
    std::string first_;
};

// Takes a dry run's text and keeps only its size.
class CountingSink : public formats::Sink {
public:
    void Write(std::string_view text) override { bytes += text.size(); }
    std::uint64_t bytes = 0;
};

// Draws every character and hands it to the writer, noting what the font lacks or could not draw.
void DrawAll(const ConvertOptions& options, FontSources& sources, formats::FontWriter& writer,
             GlyphNotes& notes) {
    const glyph::Depth depth =
        options.format->DrawsGrey(options.bpp) ? glyph::Depth::Eight : glyph::Depth::One;
    for (std::size_t i = 0; i < options.characters.size(); ++i) {
        glyph::StrikeGlyph glyph = sources.Draw(i, depth);
        if (!glyph.found) {
            notes.Add(sources.NotFound(glyph));
        }
        if (!glyph.problem.empty()) {
            notes.Add(glyph::CharacterName(glyph.code) + ": " + glyph.problem);
        }
        writer.Add(std::move(glyph));
        const std::size_t done = i + 1;
        if (progressHook != nullptr &&
            (done % kProgressStep == 0 || done == options.characters.size())) {
            progressHook(done, options.characters.size());
        }
    }
}

// What a dry run found, in a line or two: the face and its file, the characters, the exact size
// of the output and the notes the run would make.
void ReportDryRun(TextStream& err, const ConvertOptions& options, const glyph::StrikeFacts& facts,
                  std::uint64_t bytes, const GlyphNotes& notes) {
    const std::string face =
        facts.face.family + (facts.face.style.empty() ? "" : " " + facts.face.style);
    const std::size_t count = options.characters.size();
    const std::string_view typed = options.sizeText;
    const std::string size =
        options.sizeText + (typed.ends_with("px") || typed.ends_with("pt") ? "" : " pt");
    const std::string symbols =
        options.symbolsHeader.empty() ? "" : ", with symbols in " + options.symbolsHeader;
    Report(err, "--dry-run: " + std::to_string(count) +
                    (count == 1 ? " character" : " characters") + " of " + face + " (" +
                    facts.face.file + ")" +
                    (facts.sources.size() > 1
                         ? " and " + std::to_string(facts.sources.size() - 1) + " more source" +
                               (facts.sources.size() > 2 ? "s" : "")
                         : "") +
                    " at " + size + " make " + std::to_string(bytes) + " bytes of " +
                    std::string(options.format->name) + " for " +
                    (options.output == "-" ? "standard output" : options.output) +
                    (options.preview.empty() ? "" : ", with a preview in " + options.preview) +
                    symbols + "; nothing was written");
    if (notes.count() > 0) {
        Report(err, "--dry-run: " + std::to_string(notes.count()) +
                        (notes.count() == 1 ? " note" : " notes") + " on the characters" +
                        (options.strict ? " (--strict fails on them)" : "") +
                        ", the first: " + notes.first());
    }
}

// The run's outputs, opened; for a dry run only checked, and none. None may be the font being
// read.
struct Outputs {
    std::unique_ptr<Output> text;
    std::unique_ptr<Output> picture;
    std::unique_ptr<Output> symbols;
};
Outputs OpenOutputs(const ConvertOptions& options, TextStream& out, const FontSources& sources) {
    Outputs outputs;
    const bool preview = !options.preview.empty();
    const bool symbols = !options.symbolsHeader.empty();
    const std::string& font = sources.facts(0).face.file;
    // OpenOutput checks against the first font; the later ones are checked here.
    for (std::size_t i = 1; i < sources.size(); ++i) {
        for (const std::string* name :
             {&options.output, &options.preview, &options.symbolsHeader}) {
            if (!name->empty()) {
                CheckOutput(*name, out, sources.facts(i).face.file);
            }
        }
    }
    if (options.dryRun) {
        CheckOutput(options.output, out, font);
        if (preview) {
            CheckOutput(options.preview, out, font);
        }
        if (symbols) {
            CheckOutput(options.symbolsHeader, out, font);
        }
        return outputs;
    }
    outputs.text = OpenOutput(options.output, out, font);
    if (preview) {
        outputs.picture = OpenOutput(options.preview, out, font);
    }
    if (symbols) {
        outputs.symbols = OpenOutput(options.symbolsHeader, out, font);
    }
    return outputs;
}

// The symbols header of the run's characters in a Private Use Area, each named after the glyph
// that draws it in its own source; a run with none gets a header without macros, and a note.
std::string SymbolsText(const ConvertOptions& options, std::vector<formats::Symbol> symbols,
                        const glyph::StrikeFacts& facts, TextStream& err) {
    if (symbols.empty()) {
        Report(err, "--symbols-header: no character converted is in a Private Use Area "
                    "(U+E000-U+F8FF, planes 15 and 16); " +
                        options.symbolsHeader + " defines no macro");
    }
    std::ranges::sort(symbols, {}, &formats::Symbol::code);
    formats::FormatOptions named;
    named.name = options.arrayName;
    // The face and size, without the font's legal text: the header holds none of the font.
    std::vector<std::string> lines = formats::FontDescription(facts, options.characters.size());
    lines.resize(lines.size() - formats::LegalLines(facts).size());
    return formats::SymbolsHeader(formats::SymbolName(named, facts), symbols, lines);
}

// The picture of a run: a second reader of the glyphs as the file holds them.
class PreviewPicture {
public:
    PreviewPicture(const ConvertOptions& options, const glyph::StrikeFacts& facts)
        : options_(options), sheet_(facts) {}

    void Add(const glyph::StrikeGlyph& glyph, const formats::WrittenGlyph& written) {
        sheet_.Add(glyph, written);
    }
    // Lays the picture out once every glyph is in, refusing one too large.
    void Close() {
        layout_ = sheet_.Layout(options_.zoom);
        CheckPreviewSize(*layout_, options_, false);
    }
    // Writes the picture; the output is put in place with the run's other output.
    void Write(Output& output) const {
        sheet_.Write(*layout_, output);
        output.Flush();
    }

private:
    const ConvertOptions& options_;
    formats::PreviewSheet sheet_;
    std::optional<formats::PreviewLayout> layout_;
};

// An output that is a --text-file the characters came from, by any name, would overwrite the
// firmware's strings with a font.
void RefuseOutputOverText(const ConvertOptions& options) {
    for (const std::string& text : options.textFiles) {
        for (const auto& [option, output] :
             {std::pair<std::string_view, const std::string&>{"-o", options.output},
              {"--preview", options.preview},
              {"--symbols-header", options.symbolsHeader}}) {
            if (text != "-" && !output.empty() && SameFile(output, text)) {
                throw UsageError(std::string(option) + " " + output + " is the --text-file " +
                                 text + " the characters come from; name another file");
            }
        }
    }
}

// Everything decided before any glyph is drawn: the writer, the face, the size of the output
// and of the picture. Each refusal a run makes before it draws is made here, for a dry run too.
class Plan {
public:
    Plan(const ConvertOptions& options, TextStream& err)
        : options_(options), writer_(options.format->make(FormatOptionsOf(options))),
          sources_(Resolve(options, err)), facts_(sources_->facts()) {
        const std::uint64_t estimate = writer_->EstimateSize(facts_, options.characters.size());
        if (estimate > options.maxOutput) {
            throw UsageError("the output would be about " + ByteCountText(estimate) +
                             ", more than --max-output allows (" +
                             ByteCountText(options.maxOutput) + "); raise it with --max-output " +
                             std::to_string((estimate >> 30) + 1) + "G");
        }
        if (!options.preview.empty()) {
            CheckPreviewSize(
                formats::SmallestPreviewLayout(facts_, options.characters, options.zoom), options,
                true);
        }
    }

    formats::FontWriter& writer() const { return *writer_; }
    FontSources& sources() { return *sources_; }
    const glyph::StrikeFacts& facts() const { return facts_; }
    // The line ends the text output gets translated to.
    std::string_view eol() const { return options_.format->ownLineEnds ? "\n" : options_.eol; }

private:
    // The characters are checked before the font is opened, and the font before any output.
    std::unique_ptr<FontSources> Resolve(const ConvertOptions& options, TextStream& err) {
        CheckCharacters(options);
        if (!options.preview.empty() && SameFile(options.preview, options.output)) {
            throw UsageError("--preview " + options.preview +
                             " is the output file too; name another file for the picture");
        }
        for (const std::string* other : {&options.output, &options.preview}) {
            if (!options.symbolsHeader.empty() && !other->empty() &&
                SameFile(options.symbolsHeader, *other)) {
                throw UsageError("--symbols-header " + options.symbolsHeader + " is the " +
                                 (other == &options.output ? "output file" : "--preview file") +
                                 " too; name another file for the header");
            }
        }
        RefuseOutputOverText(options);
        return std::make_unique<FontSources>(
            options, options.kerning && options.format->Takes(formats::FormatOption::Kerning),
            [&err](std::string_view message) { Report(err, message); });
    }

    // Refuses characters the format cannot index; a remapped one is named with the character
    // of the font it stands for.
    void CheckCharacters(const ConvertOptions& options) const {
        try {
            writer_->CheckCharacters(options.characters);
        } catch (const formats::FormatError&) {
            for (const SourceOptions& source : options.sources) {
                for (char32_t code : source.characters) {
                    const char32_t from = source.FontCode(code);
                    if (from == code) {
                        continue;
                    }
                    try {
                        writer_->CheckCharacters(std::u32string(1, code));
                    } catch (const formats::FormatError& error) {
                        throw formats::FormatError("--range " + glyph::CodeName(from) + "=>" +
                                                   glyph::CodeName(code) + ": " + error.what());
                    }
                }
            }
            throw;
        }
    }

    const ConvertOptions& options_;
    const std::unique_ptr<formats::FontWriter> writer_;
    const std::unique_ptr<FontSources> sources_;
    const glyph::StrikeFacts& facts_;
};

// Draws and writes every glyph as planned, then puts the outputs in place; a dry run writes
// into a sink that only counts and reports what it found.
int Run(Plan& plan, const ConvertOptions& options, TextStream& out, TextStream& err) {
    const Outputs outputs = OpenOutputs(options, out, plan.sources());
    CountingSink counted;
    formats::LineEndSink lines(outputs.text ? static_cast<formats::Sink&>(*outputs.text) : counted,
                               plan.eol());
    GlyphNotes notes(err, options.dryRun);
    std::optional<PreviewPicture> picture;
    if (!options.preview.empty()) {
        picture.emplace(options, plan.facts());
    }
    formats::FontWriter& writer = plan.writer();
    std::vector<formats::Symbol> symbols;
    writer.OnWritten([&](const glyph::StrikeGlyph& glyph, const formats::WrittenGlyph& written) {
        if (!options.symbolsHeader.empty() && formats::IsPrivateUse(glyph.code)) {
            symbols.push_back({glyph.code, glyph::GlyphName(plan.sources().faces(glyph.source),
                                                            glyph.source_code)});
        }
        for (const std::string& message : ClipMessages(glyph.code, written)) {
            notes.Add(message);
        }
        if (picture) {
            picture->Add(glyph, written);
        }
    });
    writer.Begin(plan.facts(), options.characters.size(), lines);
    for (const std::string& message : plan.sources().shared()) {
        notes.Add(message);
    }
    DrawAll(options, plan.sources(), writer, notes);
    writer.Finish();
    if (picture) {
        picture->Close();
    }
    const std::string header = options.symbolsHeader.empty()
                                   ? std::string()
                                   : SymbolsText(options, std::move(symbols), plan.facts(), err);
    const int status = notes.count() > 0 && options.strict ? kExitClipped : kExitOk;
    if (options.dryRun) {
        ReportDryRun(err, options, plan.facts(), counted.bytes, notes);
        if (options.report) {
            err.Write(FlashReport(writer.Cost(), options.output, options.format->name));
        }
        return status;
    }
    if (picture) {
        // The picture is written out before either file is put in place, so a picture that
        // cannot be written leaves the output as it was too.
        picture->Write(*outputs.picture);
    }
    if (outputs.symbols) {
        formats::LineEndSink(*outputs.symbols, options.eol).Write(header);
        outputs.symbols->Flush();
    }
    outputs.text->Commit();
    if (outputs.picture) {
        outputs.picture->Commit();
    }
    if (outputs.symbols) {
        outputs.symbols->Commit();
    }
    if (options.report) {
        err.Write(FlashReport(writer.Cost(), options.output, options.format->name));
    }
    return status;
}

int Convert(const ConvertOptions& options, TextStream& out, TextStream& err) {
    Plan plan(options, err);
    return Run(plan, options, out, err);
}

} // namespace

void SetProgressHook(ProgressHook hook) {
    progressHook = hook;
}

int RunConvert(std::span<const std::string_view> args, TextStream& out, TextStream& err) {
    try {
        const ConvertOptions options = ParseConvertOptions(args);
        if (options.help) {
            const std::unique_ptr<Output> help = OpenOutput("-", out);
            help->Write(ConvertUsage());
            help->Commit();
            return kExitOk;
        }
        if (options.listFormats) {
            const std::unique_ptr<Output> list = OpenOutput("-", out);
            list->Write(FormatNameLines());
            list->Commit();
            return kExitOk;
        }
        if (options.version) {
            const std::unique_ptr<Output> version = OpenOutput("-", out);
            version->Write("rastova-convert " RASTOVA_VERSION "\n");
            version->Commit();
            return kExitOk;
        }
        return Convert(options, out, err);
    } catch (const UsageError& error) {
        Report(err, error.what());
    } catch (const glyph::FontError& error) {
        Report(err, error.what());
    } catch (const formats::FormatError& error) {
        Report(err, error.what());
    } catch (const OutputError& error) {
        Report(err, error.what());
    } catch (const formats::PreviewError& error) {
        Report(err, std::string("--preview: ") + error.what());
    } catch (const std::exception& error) {
        // Not bad input but still one line, not a crash: memory for a huge size, for one.
        Report(err, std::string("failed: ") + error.what());
    }
    return kExitUsage;
}

} // namespace cli

#include "cli/font_sources.h"

#include "glyph/family_names.h"
#include "glyph/kerning.h"
#include "glyph/utf8.h"

#include <algorithm>
#include <filesystem>
#include <unordered_map>

namespace cli {

namespace {

glyph::FontSource FontSourceOf(const SourceOptions& source) {
    return source.kind == FontSource::File
               ? glyph::FontSource::File(source.fontFile, source.faceIndex)
               : glyph::FontSource::Pattern(source.family);
}

// A --font value that names a file was meant for --font-file.
std::string FileHint(const SourceOptions& source) {
    std::error_code ignored;
    if (source.kind == FontSource::File ||
        !std::filesystem::is_regular_file(source.family, ignored)) {
        return {};
    }
    return "; " + source.family + " is a file: give it with --font-file";
}

// A family fontconfig does not have, and the installed families closest to it.
std::string NotInstalled(const SourceOptions& source) {
    const std::string& value = source.family;
    if (const std::string hint = FileHint(source); !hint.empty()) {
        return "no installed font family is \"" + value + "\"" + hint;
    }
    const std::string named = glyph::NamedFamily(value);
    const std::string message = "no installed font family is \"" + named + "\"" +
                                (named == value ? "" : " (--font \"" + value + "\")");
    const std::vector<std::string> closest = glyph::ClosestFamilies(named, 3);
    std::string suggestions = message;
    for (std::size_t i = 0; i < closest.size(); ++i) {
        suggestions += (i == 0                    ? "; did you mean \""
                        : i + 1 == closest.size() ? " or \""
                                                  : ", \"") +
                       closest[i] + "\"";
    }
    return suggestions + (closest.empty() ? "" : "?");
}

// The font's own code points of `characters` of `source`, each once.
std::u32string FontCodes(const SourceOptions& source, std::u32string_view characters) {
    if (source.remapped.empty()) {
        return std::u32string(characters);
    }
    std::u32string codes;
    for (char32_t c : characters) {
        const char32_t code = source.FontCode(c);
        if (std::find(codes.begin(), codes.end(), code) == codes.end()) {
            codes += code;
        }
    }
    return codes;
}

// "U+0041-U+0043, U+0058": runs of consecutive code points, in the order given.
std::string CodeList(std::u32string_view codes) {
    std::string list;
    for (std::size_t i = 0; i < codes.size();) {
        std::size_t end = i + 1;
        while (end < codes.size() && codes[end] == codes[end - 1] + 1) {
            ++end;
        }
        if (!list.empty()) {
            list += ", ";
        }
        list += glyph::CodeName(codes[i]);
        if (end - i > 1) {
            list += "-";
            list += glyph::CodeName(codes[end - 1]);
        }
        i = end;
    }
    return list;
}

} // namespace

struct FontSources::Opened {
    const SourceOptions& options;
    glyph::FontFaces faces;
    glyph::StrikeFacts facts;
    std::u32string characters; // the characters written that it draws
};

// The face, exactly as asked for: a family fontconfig does not have is refused, not replaced
// by another; a generic name or alias fontconfig resolves is said what it resolved to.
FontSources::FontSources(const ConvertOptions& options, bool kerning, const Note& note)
    : options_(options) {
    for (const SourceOptions& source : options.sources) {
        auto& opened = opened_.emplace_back(new Opened{source, {}, {}, {}});
        glyph::FontFaces& faces = opened->faces;
        faces.RequireExact(true);
        faces.SetHinting(options.hinting);
        glyph::FontSpec font = options.font;
        font.family = source.family;
        faces.Select(FontSourceOf(source), font);
        try {
            opened->facts = glyph::FactsOf(faces, FontCodes(source, source.characters));
        } catch (const glyph::FontError& error) {
            const std::string hint = FileHint(source);
            if (hint.empty()) {
                throw;
            }
            throw glyph::FontError(error.what() + hint);
        }
        const glyph::FaceFacts& face = opened->facts.face;
        if (face.replaced && face.alias.empty()) {
            throw glyph::FontError(NotInstalled(source));
        }
        if (!face.alias.empty() && source.named) {
            note("\"" + source.family + "\" resolves to " + face.family + " " + face.style + " (" +
                 face.file + ")");
        }
    }
    Assign();
    Combine(kerning);
}

FontSources::~FontSources() = default;

const glyph::StrikeFacts& FontSources::facts(std::size_t source) const {
    return opened_[source]->facts;
}

glyph::FontFaces& FontSources::faces(std::size_t source) {
    return opened_[source]->faces;
}

void FontSources::Assign() {
    drawnBy_.assign(options_.characters.size(), 0);
    if (opened_.size() == 1) {
        opened_[0]->characters = options_.characters;
        return;
    }
    // The sources asking for each character, in order.
    std::unordered_map<char32_t, std::vector<int>> askedBy;
    for (std::size_t s = 0; s < opened_.size(); ++s) {
        for (char32_t c : opened_[s]->options.characters) {
            askedBy[c].push_back(static_cast<int>(s));
        }
    }
    std::vector<std::u32string> given(opened_.size()); // asked of several, drawn by each
    for (std::size_t i = 0; i < options_.characters.size(); ++i) {
        const char32_t c = options_.characters[i];
        const std::vector<int>& asking = askedBy[c];
        int chosen = asking.front();
        if (asking.size() > 1) {
            const auto has = std::find_if(asking.begin(), asking.end(), [&](int s) {
                return opened_[s]->faces.HasGlyph(opened_[s]->options.FontCode(c));
            });
            chosen = has == asking.end() ? asking.front() : *has;
            given[chosen] += c;
        }
        drawnBy_[i] = chosen;
        opened_[chosen]->characters += c;
    }
    for (std::size_t s = 0; s < given.size(); ++s) {
        if (!given[s].empty()) {
            shared_.push_back(CodeList(given[s]) +
                              ": asked of more than one source; drawn from source " +
                              std::to_string(s + 1) + " (" + opened_[s]->options.Label() +
                              "), the first that has " + (given[s].size() == 1 ? "it" : "them"));
        }
    }
}

void FontSources::Combine(bool kerning) {
    const Opened& first = *opened_[0];
    facts_ = first.facts;
    if (opened_.size() == 1) {
        if (kerning) {
            AddKerning(*opened_[0]);
        }
        return;
    }
    facts_.fallbacks = opened_[0]->faces.FallbackFacts(FontCodes(first.options, first.characters));
    const auto listed = [&](const glyph::FaceFacts& face) {
        const auto same = [&](const glyph::FaceFacts& other) {
            return other.file == face.file && other.faceIndex == face.faceIndex;
        };
        return same(facts_.face) ||
               std::any_of(facts_.fallbacks.begin(), facts_.fallbacks.end(), same);
    };
    for (std::unique_ptr<Opened>& opened : opened_) {
        facts_.sources.push_back(opened->facts.face);
        glyph::SizeMetrics& metrics = facts_.metrics;
        const glyph::SizeMetrics& own = opened->facts.metrics;
        metrics.ascent = std::max(metrics.ascent, own.ascent);
        metrics.descent = std::max(metrics.descent, own.descent);
        metrics.lineHeight = std::max(metrics.lineHeight, own.lineHeight);
        if (opened.get() == &first || opened->characters.empty()) {
            continue;
        }
        const std::u32string codes = FontCodes(opened->options, opened->characters);
        std::vector<glyph::FaceFacts> faces = {opened->facts.face};
        for (glyph::FaceFacts& face : opened->faces.FallbackFacts(codes)) {
            faces.push_back(std::move(face));
        }
        for (glyph::FaceFacts& face : faces) {
            if (!listed(face)) {
                facts_.fallbacks.push_back(std::move(face));
            }
        }
    }
    for (std::unique_ptr<Opened>& opened : opened_) {
        if (kerning) {
            AddKerning(*opened);
        }
    }
}

void FontSources::AddKerning(Opened& opened) {
    if (opened.options.remapped.empty()) {
        for (const glyph::KernPair& pair : glyph::KerningPairs(opened.faces, opened.characters)) {
            facts_.kerning.push_back(pair);
        }
        return;
    }
    // The font's code points back to the characters written for them.
    std::unordered_map<char32_t, std::u32string> written;
    for (char32_t c : opened.characters) {
        written[opened.options.FontCode(c)] += c;
    }
    const std::u32string codes = FontCodes(opened.options, opened.characters);
    for (const glyph::KernPair& pair : glyph::KerningPairs(opened.faces, codes)) {
        for (char32_t left : written[pair.left]) {
            for (char32_t right : written[pair.right]) {
                facts_.kerning.push_back({left, right, pair.adjustment});
            }
        }
    }
}

glyph::StrikeGlyph FontSources::Draw(std::size_t index, glyph::Depth depth) {
    const char32_t c = options_.characters[index];
    const int source = drawnBy_[index];
    Opened& opened = *opened_[static_cast<std::size_t>(source)];
    const char32_t code = opened.options.FontCode(c);
    glyph::StrikeGlyph glyph = glyph::DrawGlyph(opened.faces, code, depth);
    glyph.code = c;
    glyph.source = source;
    glyph.source_code = code;
    return glyph;
}

std::string FontSources::NotFound(const glyph::StrikeGlyph& glyph) const {
    const Opened& opened = *opened_[static_cast<std::size_t>(glyph.source)];
    const std::string name = glyph.code == glyph.source_code
                                 ? glyph::CharacterName(glyph.code)
                                 : glyph::CharacterName(glyph.code) + " (" +
                                       glyph::CodeName(glyph.source_code) + " of the font)";
    return name + ": not in " + opened.facts.face.family +
           (opened.options.kind == FontSource::File ? "" : " or its fallbacks") +
           "; the face's missing-glyph box is written instead";
}

} // namespace cli

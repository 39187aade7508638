// The fonts of a run, opened, and which of them draws each character.
#pragma once

#include "cli/convert_options.h"
#include "glyph/font_faces.h"
#include "glyph/strike.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// Opens every source of a run and decides, for each character written, the source it is drawn
// from: the one asking for it, or of several asking, the first that has it (its face or one of
// its fallback faces), else the first.
//
// Shared facts of several sources: the first source's face, size and underline; the largest
// ascent, descent and line height of them all, so that no source's glyphs stand outside the
// line; each later source's face listed with the fallback faces. Kerning pairs only between
// two characters of one source, looked up by that font's own code points.
class FontSources {
public:
    using Note = std::function<void(std::string_view message)>;

    // Opens the fonts (FontError for one that cannot be opened, or a family not installed);
    // `note` hears what a generic name or alias resolved to. `kerning`: find kerning pairs.
    FontSources(const ConvertOptions& options, bool kerning, const Note& note);
    ~FontSources();
    FontSources(const FontSources&) = delete;
    FontSources& operator=(const FontSources&) = delete;

    const glyph::StrikeFacts& facts() const { return facts_; }
    // The facts of one source alone.
    const glyph::StrikeFacts& facts(std::size_t source) const;
    std::size_t size() const { return opened_.size(); }
    // The faces of one source (StrikeGlyph::source), to look its glyphs up by source_code.
    glyph::FontFaces& faces(std::size_t source);

    // One line for each source that draws characters other sources asked for too, naming
    // them; none for one source.
    const std::vector<std::string>& shared() const { return shared_; }

    // Draws options.characters[index] from its source at its code in that font.
    glyph::StrikeGlyph Draw(std::size_t index, glyph::Depth depth);
    // The message for a glyph no face of its source has.
    std::string NotFound(const glyph::StrikeGlyph& glyph) const;

private:
    struct Opened;

    void Assign();
    void Combine(bool kerning);
    // The kerning pairs of one source, at the codes its characters are written at.
    void AddKerning(Opened& opened);

    const ConvertOptions& options_;
    std::vector<std::unique_ptr<Opened>> opened_;
    std::vector<int> drawnBy_; // for each of options_.characters
    std::vector<std::string> shared_;
    glyph::StrikeFacts facts_;
};

} // namespace cli

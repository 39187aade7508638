// The file formats rastova-convert writes: one writer each, all fed the same strike.
#pragma once

#include "formats/sink.h"
#include "glyph/clip_check.h"
#include "glyph/packing.h"
#include "glyph/scan_geometry.h"
#include "glyph/strike.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace formats {

// A font the format cannot hold: a value too large for its field, a character it cannot
// index. The message names the glyph and the field.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How characters are numbered in formats that index glyphs by single bytes.
enum class Encoding {
    Unicode, // the code point itself
    Cp1251,  // the character's byte in Windows-1251
};

// The size of the cell the fixed-cell formats put every glyph in.
struct CellRule {
    enum class Height {
        Font, // the face's ascent + descent
        Ink,  // the set's own ink, top to bottom
    };
    Height height = Height::Font;
    // Both above 0: this cell, whatever the glyphs need.
    int width = 0;
    int forcedHeight = 0;
};

struct FormatOptions {
    // The C symbol (the font name for BDF); empty: made from the family and size.
    std::string name;
    // The table format: wrap the tables in a C array (the name is then given).
    bool cArray = false;
    // The table format's scan rectangle.
    glyph::ScanBounds bounds;
    std::string eol = "\n";
    Encoding encoding = Encoding::Unicode;
    int lvglVersion = 9;
    // Bits a pixel for the formats that hold grey levels (FormatRow::depths); 1: ink or paper.
    int bpp = 1;
    // lvgl: the glyphs in LVGL's compressed code.
    bool compress = false;
    CellRule cell;
    // The raw format's layout, and the code its first record stands for.
    glyph::Packing packing;
    std::optional<char32_t> first;
    // Read every glyph back from the bytes written into WrittenGlyph::bits (for a preview).
    bool decode = false;
};

// What the file holds for one glyph.
struct WrittenGlyph {
    // The pixels the file keeps: the frame (pen coordinates) and, with FormatOptions::decode,
    // what its bytes decode to, frame.width x frame.height.
    glyph::PixelBox frame;
    glyph::Bitmap bits;
    // The frame's first column is drawn but held in no byte (the table format).
    bool firstColumnLost = false;
    // Ink of the glyph the file does not hold.
    glyph::ClipReport clip;
    // The box the cell formats give every glyph; empty for formats without cells.
    glyph::PixelBox cell;
};

// What a font takes in flash, part by part, as its writer laid it out. C arrays count at their
// element size and the font's structures at their size on the machine running the converter,
// padding included; a file read at run time counts whole.
struct FlashCost {
    std::uint64_t glyphs = 0;      // glyphs the font holds
    std::uint64_t bitmaps = 0;     // the glyphs' pixels
    std::uint64_t descriptors = 0; // each glyph's box, advance and place in the bitmaps
    std::uint64_t maps = 0;        // what leads from a character code to its glyph
    std::uint64_t kerning = 0;     // kerning pairs or classes
    std::uint64_t header = 0;      // the font's own structures, and the rest of a file
    // Read at run time from a file system, not linked: the total is the file's size.
    bool file = false;

    std::uint64_t Total() const { return bitmaps + descriptors + maps + kerning + header; }
};

// Called for each glyph once the file holds it, in the order the glyphs were added.
using WrittenCallback =
    std::function<void(const glyph::StrikeGlyph& glyph, const WrittenGlyph& written)>;

class FontWriter {
public:
    virtual ~FontWriter() = default;

    // Refuses characters the format cannot index (FormatError), before anything is drawn.
    virtual void CheckCharacters(std::u32string_view characters) const;
    // About how many bytes the file for `glyphs` characters will take; known before any glyph
    // is drawn, so a run can be refused before it starts. Errs on the large side.
    virtual std::uint64_t EstimateSize(const glyph::StrikeFacts& facts,
                                       std::size_t glyphs) const = 0;

    // Starts the file. The characters follow in order through Add, then Finish.
    virtual void Begin(const glyph::StrikeFacts& facts, std::size_t glyphs, Sink& out) = 0;
    virtual void Add(glyph::StrikeGlyph glyph) = 0;
    virtual void Finish() = 0;

    void OnWritten(WrittenCallback callback) { written_ = std::move(callback); }

    // What the font written takes in flash; known once Finish has returned.
    const FlashCost& Cost() const { return cost_; }

protected:
    void SetCost(const FlashCost& cost) { cost_ = cost; }

    void Written(const glyph::StrikeGlyph& glyph, const WrittenGlyph& written) const {
        if (written_) {
            written_(glyph, written);
        }
    }

private:
    WrittenCallback written_;
    FlashCost cost_;
};

// A writer that needs every glyph before it writes anything: headers that state the bounding
// box of the set, tables indexed by code. A value the format cannot hold is found before any
// of the file is written.
class WholeSetWriter : public FontWriter {
public:
    void Begin(const glyph::StrikeFacts& facts, std::size_t glyphs, Sink& out) override;
    void Add(glyph::StrikeGlyph glyph) override;
    void Finish() override;

protected:
    virtual void Write(const glyph::Strike& strike, Sink& out) = 0;

private:
    glyph::Strike strike_;
    Sink* out_ = nullptr;
};

} // namespace formats

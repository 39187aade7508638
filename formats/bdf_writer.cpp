#include "formats/bdf_writer.h"

#include "formats/c_source.h"
#include "formats/read_back.h"
#include "glyph/safe_text.h"
#include "glyph/utf8.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace formats {

namespace {

constexpr int kResolution = 96;
// Readers keep a glyph's bitmap in at most this many bytes (FreeType refuses larger ones).
constexpr long kMaxGlyphBytes = 0xFFFF;
constexpr int kShortMin = std::numeric_limits<short>::min();
constexpr int kShortMax = std::numeric_limits<short>::max();
// Row by row, the leftmost pixel in the top bit, each row padded to whole bytes.
constexpr glyph::Packing kBdfRows{glyph::BitOrder::MsbFirst, glyph::Scan::Rows,
                                  glyph::Padding::Line};
constexpr std::size_t kFlushSize = 1 << 16;
// X11's and u8g2's BDF readers read lines into 1024-byte buffers; a longer line breaks in two.
constexpr std::size_t kMaxLine = 1000;
static_assert(kMaxBdfFontName + std::string_view("FONT ").size() == kMaxLine);
// Comments wrap at this width, to be read.
constexpr std::size_t kCommentWidth = 78;

// BDF files hold printable ASCII only: see glyph::TextPlace::Bdf.
std::string Ascii(std::string_view text) {
    return glyph::SafeText(text, glyph::TextPlace::Bdf);
}

// A property's string value: quoted, with each '"' doubled, cut short with "..." so it takes
// at most `room` characters. (The comments hold such text whole.)
std::string Quoted(std::string_view text, std::size_t room) {
    const std::string ascii = Ascii(text);
    std::string out = "\"";
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        const std::size_t size = ascii[i] == '"' ? 2 : 1;
        if (out.size() + size + 1 > room) {
            while (out.size() + 4 > room || (out.size() > 1 && out.back() == '"')) {
                out.pop_back(); // no half of a doubled quote left behind
            }
            out += "...";
            break;
        }
        out.append(size, ascii[i]);
    }
    return out + "\"";
}

// COMMENT lines of the text, broken between words.
std::string CommentLines(std::string_view line) {
    const std::string text = Ascii(line);
    std::string out;
    std::size_t start = 0;
    do {
        std::size_t end = std::min(text.size(), start + kCommentWidth);
        if (end < text.size()) {
            const std::size_t space = text.rfind(' ', end);
            if (space != std::string::npos && space > start) {
                end = space;
            }
        }
        out += "COMMENT " + text.substr(start, end - start) + "\n";
        start = end;
        while (start < text.size() && text[start] == ' ') {
            ++start;
        }
    } while (start < text.size());
    return out;
}

// A field of an XLFD name: the characters that separate fields or match patterns become
// spaces.
std::string XlfdField(std::string_view text) {
    std::string out = Ascii(text);
    std::replace_if(
        out.begin(), out.end(),
        [](char c) { return c == '-' || c == '*' || c == '?' || c == ',' || c == '"'; }, ' ');
    return out;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// Weight, slant and set width as XLFD names them, from the face's style words ("Bold Oblique",
// "Condensed Book") and the styles synthesised for it.
struct XlfdStyle {
    // The regular weight, whatever the face calls it ("Book", "Regular"): FreeType takes any
    // weight name starting with 'B' for bold.
    std::string weight = "Medium";
    char slant = 'R'; // R roman, I italic, O oblique
    std::string setwidth = "Normal";
};

XlfdStyle StyleOf(const glyph::StrikeFacts& facts) {
    static constexpr std::string_view kRegular[] = {"regular", "normal", "book", "roman", "plain"};
    static constexpr std::string_view kWidths[] = {
        "condensed", "semicondensed", "extracondensed", "ultracondensed", "narrow",
        "expanded",  "semiexpanded",  "extraexpanded",  "ultraexpanded",  "wide"};
    const auto in = [](const auto& list, const std::string& word) {
        return std::find(std::begin(list), std::end(list), word) != std::end(list);
    };
    XlfdStyle style;
    // FontFaces adds ", emboldened" and ", slanted" for synthesised styles.
    const std::string words = facts.face.style.substr(0, facts.face.style.find(','));
    std::string weight;
    std::size_t start = 0;
    while (start < words.size()) {
        std::size_t end = words.find(' ', start);
        if (end == std::string::npos) {
            end = words.size();
        }
        const std::string word = words.substr(start, end - start);
        const std::string lower = Lower(word);
        start = end + 1;
        if (word.empty() || in(kRegular, lower)) {
            continue;
        }
        if (lower == "italic") {
            style.slant = 'I';
        } else if (lower == "oblique") {
            style.slant = 'O';
        } else if (in(kWidths, lower)) {
            style.setwidth = word;
        } else {
            if (!weight.empty()) {
                weight += ' ';
            }
            weight += word;
        }
    }
    if (!weight.empty()) {
        style.weight = weight;
    }
    const std::string heavy = Lower(style.weight);
    if (facts.bold && heavy.find("bold") == std::string::npos &&
        heavy.find("black") == std::string::npos && heavy.find("heavy") == std::string::npos) {
        style.weight = "Bold";
    }
    if (facts.italic && style.slant == 'R') {
        style.slant = 'O'; // slanted by synthesis
    }
    return style;
}

// P proportional; M every advance the same; C that and every glyph's ink inside its cell (the
// advance wide, ascent + descent high).
char SpacingOf(const glyph::Strike& strike) {
    if (strike.glyphs.empty()) {
        return 'P';
    }
    const int advance = strike.glyphs.front().advance;
    bool inCell = true;
    for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
        if (glyph.advance != advance) {
            return 'P';
        }
        const glyph::PixelBox box = glyph.Box();
        if (!box.empty() &&
            (box.x < 0 || box.right() > advance || box.y < -strike.facts.metrics.ascent ||
             box.bottom() > strike.facts.metrics.descent)) {
            inCell = false;
        }
    }
    return inCell ? 'C' : 'M';
}

// The mean advance in tenths of a pixel.
long AverageWidth(const glyph::Strike& strike) {
    if (strike.glyphs.empty()) {
        return 0;
    }
    double sum = 0;
    for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
        sum += glyph.advance;
    }
    return std::lround(sum * 10 / static_cast<double>(strike.glyphs.size()));
}

// "uni0041", "u1F600": names in the style of PostScript glyph names.
std::string GlyphName(char32_t code) {
    char name[16];
    std::snprintf(name, sizeof name, code <= 0xFFFF ? "uni%04X" : "u%X",
                  static_cast<unsigned>(code));
    return name;
}

// The glyph shown for a code the font lacks: U+FFFD, else the space, else the first glyph.
char32_t DefaultChar(const glyph::Strike& strike) {
    const auto has = [&](char32_t code) {
        return std::any_of(strike.glyphs.begin(), strike.glyphs.end(),
                           [&](const glyph::StrikeGlyph& glyph) { return glyph.code == code; });
    };
    if (has(U'\uFFFD')) {
        return U'\uFFFD';
    }
    if (has(U' ') || strike.glyphs.empty()) {
        return U' ';
    }
    return strike.glyphs.front().code;
}

struct Sizes {
    long points;     // SIZE: whole points
    long decipoints; // POINT_SIZE
};

Sizes SizesOf(const glyph::StrikeFacts& facts) {
    return {std::max(1L, std::lround(facts.points)), std::max(1L, std::lround(facts.points * 10))};
}

// A box as BDF states it: width, height and its lower-left corner, y up.
std::string BoxText(const glyph::PixelBox& box) {
    if (box.empty()) {
        return "0 0 0 0";
    }
    return std::to_string(box.width) + " " + std::to_string(box.height) + " " +
           std::to_string(box.x) + " " + std::to_string(-box.bottom());
}

void CheckFits(const glyph::PixelBox& box, const std::string& what) {
    if (box.empty()) {
        return;
    }
    const auto bytes = static_cast<long>(glyph::PackedSize(box.width, box.height, kBdfRows));
    if (bytes > kMaxGlyphBytes) {
        throw FormatError(what + ": a BDF glyph of " + std::to_string(box.width) + "x" +
                          std::to_string(box.height) + " pixels needs " + std::to_string(bytes) +
                          " bytes, more than the 65535 readers take (BBX)");
    }
    if (box.x < kShortMin || box.x > kShortMax || -box.bottom() < kShortMin ||
        -box.bottom() > kShortMax) {
        throw FormatError(what + ": the offset of its box (" + BoxText(box) +
                          ") is outside -32768..32767 (BBX)");
    }
}

class BdfWriter : public WholeSetWriter {
public:
    explicit BdfWriter(const FormatOptions& options) : options_(options) {}

    std::uint64_t EstimateSize(const glyph::StrikeFacts& facts, std::size_t glyphs) const override {
        // Most glyphs fit the em wide and the line high; hex rows take 2 characters a byte.
        const auto& m = facts.metrics;
        const std::uint64_t height =
            static_cast<std::uint64_t>(std::max(m.pixelSize, m.ascent + m.descent));
        const std::uint64_t row = static_cast<std::uint64_t>((m.pixelSize + 7) / 8) * 2 + 1;
        const std::uint64_t perGlyph = 120 + height * row;
        const std::uint64_t header = 2048 + options_.name.size() + facts.face.family.size() * 3 +
                                     facts.face.file.size() +
                                     (facts.face.copyright.size() + facts.face.licence.size()) * 2;
        return header + perGlyph * glyphs;
    }

protected:
    void Write(const glyph::Strike& strike, Sink& out) override {
        for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
            CheckGlyph(strike, glyph);
        }
        const glyph::PixelBox bounds = strike.InkBounds();
        CheckFits(bounds, "the font's bounding box");

        std::string text = Header(strike, bounds);
        // A file read at run time: each part counts as its text, line ends as written.
        FlashCost cost;
        cost.file = true;
        cost.glyphs = strike.glyphs.size();
        cost.header = TextBytes(text, options_.eol) + TextBytes("ENDFONT\n", options_.eol);
        std::vector<std::uint8_t> bytes;
        for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
            AppendGlyph(strike, glyph, bytes, text, cost);
            if (text.size() >= kFlushSize) {
                out.Write(text);
                text.clear();
            }
            Written(glyph, ReadBack(glyph.Box(), bytes, kBdfRows, options_.decode));
        }
        text += "ENDFONT\n";
        out.Write(text);
        SetCost(cost);
    }

private:
    static void CheckGlyph(const glyph::Strike& strike, const glyph::StrikeGlyph& glyph) {
        const std::string name = glyph::CharacterName(glyph.code);
        CheckFits(glyph.Box(), name);
        if (glyph.advance < 0 || glyph.advance > kShortMax) {
            throw FormatError(name + ": advance " + std::to_string(glyph.advance) +
                              " px is outside 0..32767 (DWIDTH)");
        }
        if (ScalableWidth(strike, glyph) > 0xFFFF) {
            throw FormatError(name + ": advance " + std::to_string(glyph.advance) +
                              " px is more than 65535/1000 of the point size (SWIDTH)");
        }
    }

    // The advance in 1/1000 of the point size: DWIDTH = SWIDTH * (points / 1000) * (dpi / 72).
    static long ScalableWidth(const glyph::Strike& strike, const glyph::StrikeGlyph& glyph) {
        const double points = static_cast<double>(SizesOf(strike.facts).points);
        return std::lround(glyph.advance * 72000.0 / (points * kResolution));
    }

    std::string FontName(const glyph::Strike& strike, const XlfdStyle& style, char spacing) const {
        if (!options_.name.empty()) {
            return options_.name;
        }
        const glyph::StrikeFacts& facts = strike.facts;
        const Sizes sizes = SizesOf(facts);
        const std::string fields[] = {
            XlfdField(facts.face.foundry),
            XlfdField(facts.face.family),
            style.weight,
            std::string(1, style.slant),
            style.setwidth,
            "", // add style
            std::to_string(facts.metrics.pixelSize),
            std::to_string(sizes.decipoints),
            std::to_string(kResolution),
            std::to_string(kResolution),
            std::string(1, spacing),
            std::to_string(AverageWidth(strike)),
            "ISO10646",
            "1",
        };
        std::string name;
        for (const std::string& field : fields) {
            name += "-" + field;
        }
        return name;
    }

    std::string Header(const glyph::Strike& strike, const glyph::PixelBox& bounds) const {
        const glyph::StrikeFacts& facts = strike.facts;
        const XlfdStyle style = StyleOf(facts);
        const char spacing = SpacingOf(strike);
        const Sizes sizes = SizesOf(facts);

        std::vector<std::string> properties;
        const auto text = [&](std::string_view name, std::string_view value) {
            properties.push_back(std::string(name) + " " +
                                 Quoted(value, kMaxLine - name.size() - 1));
        };
        const auto number = [&](std::string_view name, long value) {
            properties.push_back(std::string(name) + " " + std::to_string(value));
        };
        if (!facts.face.foundry.empty()) {
            text("FOUNDRY", XlfdField(facts.face.foundry));
        }
        text("FAMILY_NAME", XlfdField(facts.face.family));
        text("WEIGHT_NAME", style.weight);
        text("SLANT", std::string(1, style.slant));
        text("SETWIDTH_NAME", style.setwidth);
        number("PIXEL_SIZE", facts.metrics.pixelSize);
        number("POINT_SIZE", sizes.decipoints);
        number("RESOLUTION_X", kResolution);
        number("RESOLUTION_Y", kResolution);
        text("SPACING", std::string(1, spacing));
        number("AVERAGE_WIDTH", AverageWidth(strike));
        text("CHARSET_REGISTRY", "ISO10646");
        text("CHARSET_ENCODING", "1");
        number("FONT_ASCENT", facts.metrics.ascent);
        number("FONT_DESCENT", facts.metrics.descent);
        number("DEFAULT_CHAR", static_cast<long>(DefaultChar(strike)));
        text("FACE_NAME",
             facts.face.family + (facts.face.style.empty() ? "" : " " + facts.face.style));
        text("COPYRIGHT", facts.face.copyright);
        if (!facts.face.licence.empty()) {
            text("NOTICE", facts.face.licence);
        }

        std::string out = "STARTFONT 2.1\n";
        for (const std::string& line : FontDescription(facts, strike.glyphs.size())) {
            out += CommentLines(line);
        }
        const std::string name = FontName(strike, style, spacing);
        if (name.size() + 5 > kMaxLine) {
            throw FormatError("the font name is " + std::to_string(name.size()) +
                              " characters long; BDF readers take lines up to " +
                              std::to_string(kMaxLine) + " (FONT)");
        }
        out += "FONT " + name + "\n";
        out += "SIZE " + std::to_string(sizes.points) + " " + std::to_string(kResolution) + " " +
               std::to_string(kResolution) + "\n";
        out += "FONTBOUNDINGBOX " + BoxText(bounds) + "\n";
        out += "STARTPROPERTIES " + std::to_string(properties.size()) + "\n";
        for (const std::string& line : properties) {
            out += line + "\n";
        }
        out += "ENDPROPERTIES\n";
        out += "CHARS " + std::to_string(strike.glyphs.size()) + "\n";
        return out;
    }

    // Appends the glyph's record to out and the bytes of its parts to `cost`: ENCODING finds
    // it, the bitmap rows draw it, the other lines describe it. `bytes` is left holding its
    // packed rows.
    void AppendGlyph(const glyph::Strike& strike, const glyph::StrikeGlyph& glyph,
                     std::vector<std::uint8_t>& bytes, std::string& out, FlashCost& cost) const {
        static constexpr char kHex[] = "0123456789ABCDEF";
        const glyph::PixelBox box = glyph.Box();
        const auto bytesFrom = [&](std::size_t start) {
            return TextBytes(std::string_view(out).substr(start), options_.eol);
        };
        std::size_t start = out.size();
        out += "STARTCHAR " + GlyphName(glyph.code) + "\n";
        cost.descriptors += bytesFrom(start);
        start = out.size();
        out += "ENCODING " + std::to_string(static_cast<unsigned long>(glyph.code)) + "\n";
        cost.maps += bytesFrom(start);
        start = out.size();
        out += "SWIDTH " + std::to_string(ScalableWidth(strike, glyph)) + " 0\n";
        out += "DWIDTH " + std::to_string(glyph.advance) + " 0\n";
        out += "BBX " + BoxText(box) + "\n";
        out += "BITMAP\n";
        cost.descriptors += bytesFrom(start);
        start = out.size();
        bytes.clear();
        if (!box.empty()) {
            glyph::Pack(glyph, box, kBdfRows, bytes);
            const std::size_t rowBytes = glyph::PackedSize(box.width, 1, kBdfRows);
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                out += kHex[bytes[i] >> 4];
                out += kHex[bytes[i] & 0xF];
                if ((i + 1) % rowBytes == 0) {
                    out += '\n';
                }
            }
        }
        cost.bitmaps += bytesFrom(start);
        start = out.size();
        out += "ENDCHAR\n";
        cost.descriptors += bytesFrom(start);
    }

    FormatOptions options_;
};

} // namespace

std::unique_ptr<FontWriter> MakeBdfWriter(const FormatOptions& options) {
    return std::make_unique<BdfWriter>(options);
}

} // namespace formats

#include "formats/u8g2_font.h"

#include "formats/font_writer.h"
#include "glyph/utf8.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <string>

namespace formats::u8g2 {

namespace {

// Glyphs above 0xFF between two entries of the jump table.
constexpr std::size_t kGlyphsPerJump = 100;
// The bit widths of the runs tried, as bdfconv tries them.
constexpr int kMinBits0 = 2, kMaxBits0 = 8;
constexpr int kMinBits1 = 2, kMaxBits1 = 6;
// The library reads the box, offsets and advance into int8_t.
constexpr int kMaxSize = 127;
constexpr int kMinOffset = -128, kMaxOffset = 127;
// The code the last jump table entry holds; u8g2_DrawUTF8 also takes 0xFFFE and 0xFFFF as
// markers, so the highest code a glyph can have is 0xFFFD.
constexpr char32_t kMaxCode = 0xFFFD;

[[noreturn]] void Refuse(const std::string& what, int value, int low, int high) {
    throw FormatError(what + " is " + std::to_string(value) + "; --format u8g2 holds " +
                      std::to_string(low) + " to " + std::to_string(high));
}

int Checked(int value, int low, int high, const std::string& what) {
    if (value < low || value > high) {
        Refuse(what, value, low, high);
    }
    return value;
}

int UnsignedBits(unsigned value) {
    int bits = 0;
    for (; value != 0; value >>= 1) {
        ++bits;
    }
    return bits;
}

// Bits of v + 2^(bits-1) in `bits` bits.
int SignedBits(int value) {
    return value < 0 ? UnsignedBits(static_cast<unsigned>(-(value + 1))) + 1
                     : UnsignedBits(static_cast<unsigned>(value)) + 1;
}

// A glyph as the format sees it: its box with y the lower edge above the baseline (BDF's BBX).
struct Glyph {
    const glyph::StrikeGlyph* source = nullptr;
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
    int advance = 0;
    // Alternate runs of paper and ink over the box, rows top to bottom; paper first, even count.
    std::vector<int> runs;

    char32_t code() const { return source->code; }
    int CodeBytes() const { return code() <= 0xFF ? 1 : 2; }
    int Ascent() const { return height + y; }
};

std::vector<int> RunsOf(const glyph::Bitmap& ink) {
    std::vector<int> runs;
    bool ink_run = false;
    int length = 0;
    for (int y = 0; y < ink.height(); ++y) {
        for (int x = 0; x < ink.width(); ++x) {
            if (ink.At(x, y) != ink_run) {
                runs.push_back(length);
                ink_run = !ink_run;
                length = 0;
            }
            ++length;
        }
    }
    runs.push_back(length);
    if (runs.size() % 2 != 0) {
        runs.push_back(0);
    }
    return runs;
}

Glyph GlyphOf(const glyph::StrikeGlyph& source) {
    const std::string name = glyph::CharacterName(source.code);
    if (source.code > kMaxCode) {
        throw FormatError(name + ": --format u8g2 holds codes up to U+FFFD");
    }
    Glyph glyph;
    glyph.source = &source;
    // A blank glyph is an empty box at the pen, as bdfconv makes of BBX 0 0 0 0.
    if (!source.ink.empty()) {
        glyph.width = Checked(source.ink.width(), 0, kMaxSize, name + ": width");
        glyph.height = Checked(source.ink.height(), 0, kMaxSize, name + ": height");
        glyph.x = Checked(source.left, kMinOffset, kMaxOffset, name + ": x offset");
        glyph.y =
            Checked(source.top - source.ink.height(), kMinOffset, kMaxOffset, name + ": y offset");
    }
    glyph.advance = Checked(source.advance, kMinOffset, kMaxOffset, name + ": advance");
    glyph.runs = RunsOf(source.ink);
    return glyph;
}

// Splits runs into pairs that fit m0 and m1 bits, as bdfconv does, and calls pair(a, b).
template <class Pair>
void ForEachPair(const std::vector<int>& runs, int bits0, int bits1, Pair&& pair) {
    const int max0 = (1 << bits0) - 1;
    const int max1 = (1 << bits1) - 1;
    for (std::size_t i = 0; i < runs.size(); i += 2) {
        int paper = runs[i];
        int ink = runs[i + 1];
        for (; paper >= max0; paper -= max0) {
            pair(max0, 0);
        }
        for (; ink >= max1; ink -= max1) {
            pair(paper, max1);
            paper = 0;
        }
        if (paper != 0 || ink != 0) {
            pair(paper, ink);
        }
    }
}

// The font-wide bit widths of a glyph's fields.
struct FieldBits {
    int width = 0, height = 0, x = 0, y = 0, advance = 0;
    int Total() const { return width + height + x + y + advance; }
};

// Bytes of a glyph's record with runs of m0 and m1 bits.
int RecordSize(const Glyph& glyph, const FieldBits& fields, int bits0, int bits1) {
    long bits = fields.Total() + 1; // the fields, and the last pair's 0 bit
    bool first = true;
    int lastPaper = 0, lastInk = 0;
    ForEachPair(glyph.runs, bits0, bits1, [&](int paper, int ink) {
        if (!first && paper == lastPaper && ink == lastInk) {
            bits += 1;
        } else {
            bits += (first ? 0 : 1) + bits0 + bits1;
            first = false;
            lastPaper = paper;
            lastInk = ink;
        }
    });
    return glyph.CodeBytes() + 1 + static_cast<int>((bits + 7) / 8);
}

// Appends values least significant bit first.
class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void Put(unsigned value, int bits) {
        for (int i = 0; i < bits; ++i, ++position_) {
            if (position_ % 8 == 0) {
                out_.push_back(0);
            }
            if ((value >> i) & 1U) {
                out_.back() |= static_cast<std::uint8_t>(1U << (position_ % 8));
            }
        }
    }

private:
    std::vector<std::uint8_t>& out_;
    int position_ = 0;
};

void AppendRecord(const Glyph& glyph, const FieldBits& fields, int bits0, int bits1,
                  std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    if (glyph.CodeBytes() == 2) {
        out.push_back(static_cast<std::uint8_t>(glyph.code() >> 8));
    }
    out.push_back(static_cast<std::uint8_t>(glyph.code() & 0xFF));
    out.push_back(0); // the size, known at the end
    BitWriter bits(out);
    bits.Put(static_cast<unsigned>(glyph.width), fields.width);
    bits.Put(static_cast<unsigned>(glyph.height), fields.height);
    bits.Put(static_cast<unsigned>(glyph.x + (1 << (fields.x - 1))), fields.x);
    bits.Put(static_cast<unsigned>(glyph.y + (1 << (fields.y - 1))), fields.y);
    bits.Put(static_cast<unsigned>(glyph.advance + (1 << (fields.advance - 1))), fields.advance);
    bool first = true;
    int lastPaper = 0, lastInk = 0;
    ForEachPair(glyph.runs, bits0, bits1, [&](int paper, int ink) {
        if (!first && paper == lastPaper && ink == lastInk) {
            bits.Put(1, 1);
            return;
        }
        if (!first) {
            bits.Put(0, 1);
        }
        bits.Put(static_cast<unsigned>(paper), bits0);
        bits.Put(static_cast<unsigned>(ink), bits1);
        first = false;
        lastPaper = paper;
        lastInk = ink;
    });
    bits.Put(0, 1);
    out[start + static_cast<std::size_t>(glyph.CodeBytes())] =
        static_cast<std::uint8_t>(out.size() - start);
}

// The box holding every glyph's box, grown as bdfconv grows it: from the first glyph's box,
// each further glyph's box and the point of its advance on the left edge.
struct FontBox {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

FontBox FontBoxOf(const std::vector<Glyph>& glyphs) {
    FontBox box;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = glyphs[i];
        if (i == 0) {
            box = {g.x, g.y, g.x + g.width, g.y + g.height};
            continue;
        }
        box.x0 = std::min({box.x0, g.x, g.advance});
        box.x1 = std::max(box.x1, g.x + g.width);
        box.y0 = std::min(box.y0, g.y);
        box.y1 = std::max(box.y1, g.y + g.height);
    }
    return box;
}

void PutWord(std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t value,
             const char* what) {
    if (value > 0xFFFF) {
        throw FormatError(std::string("the offset to ") + what + " is " + std::to_string(value) +
                          "; --format u8g2 holds 16-bit offsets");
    }
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

std::uint8_t SignedByte(int value, const char* what) {
    return static_cast<std::uint8_t>(Checked(value, kMinOffset, kMaxOffset, what) & 0xFF);
}

} // namespace

FontBytes EncodeFont(const glyph::Strike& strike) {
    // Glyphs by code, each code once.
    std::vector<std::size_t> order(strike.glyphs.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return strike.glyphs[a].code < strike.glyphs[b].code;
    });
    std::vector<Glyph> glyphs;
    std::vector<std::size_t> glyphOf(strike.glyphs.size());
    for (std::size_t index : order) {
        const glyph::StrikeGlyph& source = strike.glyphs[index];
        if (glyphs.empty() || glyphs.back().code() != source.code) {
            glyphs.push_back(GlyphOf(source));
        }
        glyphOf[index] = glyphs.size() - 1;
    }

    FieldBits fields;
    for (const Glyph& g : glyphs) {
        fields.width = std::max(fields.width, UnsignedBits(static_cast<unsigned>(g.width)));
        fields.height = std::max(fields.height, UnsignedBits(static_cast<unsigned>(g.height)));
        fields.x = std::max(fields.x, SignedBits(g.x));
        fields.y = std::max(fields.y, SignedBits(g.y));
        fields.advance = std::max(fields.advance, SignedBits(g.advance));
    }

    // The run widths that give the smallest font, the first of equals as bdfconv takes it. Where
    // the smallest font has a record that reaches 255 bytes, the smallest whose records all fit.
    struct Choice {
        long total = std::numeric_limits<long>::max();
        int bits0 = 0, bits1 = 0;
    };
    Choice smallest, fitting;
    for (int bits0 = kMinBits0; bits0 <= kMaxBits0; ++bits0) {
        for (int bits1 = kMinBits1; bits1 <= kMaxBits1; ++bits1) {
            long total = 0;
            bool fits = true;
            for (const Glyph& g : glyphs) {
                const int size = RecordSize(g, fields, bits0, bits1);
                total += size;
                fits = fits && size <= kMaxRecordSize;
            }
            if (total < smallest.total) {
                smallest = {total, bits0, bits1};
            }
            if (fits && total < fitting.total) {
                fitting = {total, bits0, bits1};
            }
        }
    }
    if (fitting.bits0 == 0) {
        for (const Glyph& g : glyphs) {
            const int size = RecordSize(g, fields, smallest.bits0, smallest.bits1);
            if (size > kMaxRecordSize) {
                throw FormatError(glyph::CharacterName(g.code()) + ": its record would take " +
                                  std::to_string(size) + " bytes; --format u8g2 holds " +
                                  std::to_string(kMaxRecordSize) +
                                  " bytes a glyph; try a smaller --size");
            }
        }
    }
    const int bits0 = fitting.bits0;
    const int bits1 = fitting.bits1;

    const auto find = [&](char32_t code) -> const Glyph* {
        const auto it = std::lower_bound(glyphs.begin(), glyphs.end(), code,
                                         [](const Glyph& g, char32_t c) { return g.code() < c; });
        return it != glyphs.end() && it->code() == code ? &*it : nullptr;
    };
    const Glyph* upperA = find(U'A');
    const Glyph* one = find(U'1');
    const Glyph* lowerG = find(U'g');
    const Glyph* parenthesis = find(U'(');
    const int ascentA = upperA != nullptr ? upperA->Ascent() : 0;
    const int ascentOne = one != nullptr ? one->Ascent() : 0;
    const int descentG = lowerG != nullptr ? lowerG->y : 0;
    const int ascentParenthesis =
        parenthesis != nullptr ? parenthesis->Ascent() : (ascentA != 0 ? ascentA : ascentOne);
    const int descentParenthesis = parenthesis != nullptr ? parenthesis->y : descentG;
    const FontBox box = FontBoxOf(glyphs);

    FontBytes font;
    std::vector<std::uint8_t>& bytes = font.bytes;
    bytes = {
        // The library reads the count but never looks glyphs up by it; bdfconv keeps its low
        // byte.
        static_cast<std::uint8_t>(glyphs.size() & 0xFF),
        0, // build mode 0: each glyph its own box
        static_cast<std::uint8_t>(bits0),
        static_cast<std::uint8_t>(bits1),
        static_cast<std::uint8_t>(fields.width),
        static_cast<std::uint8_t>(fields.height),
        static_cast<std::uint8_t>(fields.x),
        static_cast<std::uint8_t>(fields.y),
        static_cast<std::uint8_t>(fields.advance),
        static_cast<std::uint8_t>(Checked(box.x1 - box.x0, 0, kMaxSize, "the font box's width")),
        static_cast<std::uint8_t>(Checked(box.y1 - box.y0, 0, kMaxSize, "the font box's height")),
        SignedByte(box.x0, "the font box's x offset"),
        SignedByte(box.y0, "the font box's y offset"),
        SignedByte(ascentA > 0 ? ascentA : ascentOne, "the ascent of 'A'"),
        SignedByte(descentG, "the descent of 'g'"),
        SignedByte(ascentParenthesis, "the ascent of '('"),
        SignedByte(descentParenthesis, "the descent of '('"),
        0,
        0,
        0,
        0,
        0,
        0, // offsets, below
    };

    std::vector<std::size_t> recordOf(glyphs.size());
    std::size_t i = 0;
    for (; i < glyphs.size() && glyphs[i].code() <= 0xFF; ++i) {
        recordOf[i] = bytes.size();
        if (glyphs[i].code() == U'A') {
            PutWord(bytes, 17, bytes.size() - kHeaderSize, "'A'");
        }
        if (glyphs[i].code() == U'a') {
            PutWord(bytes, 19, bytes.size() - kHeaderSize, "'a'");
        }
        AppendRecord(glyphs[i], fields, bits0, bits1, bytes);
    }
    bytes.insert(bytes.end(), {0, 0});
    PutWord(bytes, 21, bytes.size() - kHeaderSize, "the glyphs above 0xFF");

    // The jump table: entry k's offset leads from where entry k-1 led (the table's start, for
    // the first) to the first glyph of block k; its code is the last code of block k, 0xFFFF in
    // the last entry. Blocks hold 101 glyphs, as bdfconv counts them; the last takes the rest.
    const std::size_t above = glyphs.size() - i;
    const std::size_t entries = std::max<std::size_t>(above / kGlyphsPerJump, 1);
    const std::size_t table = bytes.size();
    bytes.resize(table + 4 * entries);
    std::size_t entry = 0;
    std::size_t blockStart = bytes.size();
    std::size_t previousStart = table;
    std::size_t inBlock = 0;
    const auto putEntry = [&](char32_t lastCode) {
        PutWord(bytes, table + 4 * entry, blockStart - previousStart, "a jump table entry");
        const char32_t code = entry + 1 == entries ? 0xFFFF : lastCode;
        bytes[table + 4 * entry + 2] = static_cast<std::uint8_t>(code >> 8);
        bytes[table + 4 * entry + 3] = static_cast<std::uint8_t>(code & 0xFF);
        ++entry;
    };
    for (; i < glyphs.size(); ++i) {
        recordOf[i] = bytes.size();
        AppendRecord(glyphs[i], fields, bits0, bits1, bytes);
        if (++inBlock > kGlyphsPerJump && entry < entries) {
            putEntry(glyphs[i].code());
            previousStart = blockStart;
            blockStart = bytes.size();
            inBlock = 0;
        }
    }
    if (entry < entries) {
        putEntry(0xFFFF);
    }
    bytes.insert(bytes.end(), {0, 0});

    font.records.reserve(strike.glyphs.size());
    for (std::size_t index = 0; index < strike.glyphs.size(); ++index) {
        font.records.push_back(recordOf[glyphOf[index]]);
    }
    return font;
}

namespace {

class BitReader {
public:
    BitReader(std::span<const std::uint8_t> bytes, std::size_t offset)
        : bytes_(bytes), position_(offset * 8) {}
    unsigned Get(int bits) {
        unsigned value = 0;
        for (int i = 0; i < bits; ++i, ++position_) {
            const std::size_t byte = position_ / 8;
            if (byte < bytes_.size() && ((bytes_[byte] >> (position_ % 8)) & 1U)) {
                value |= 1U << i;
            }
        }
        return value;
    }
    int GetSigned(int bits) {
        return static_cast<int>(Get(bits)) - (bits > 0 ? 1 << (bits - 1) : 0);
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_;
};

} // namespace

DecodedGlyph DecodeGlyph(std::span<const std::uint8_t> font, std::size_t offset) {
    // A record of the part above 0xFF starts after the terminator of the part below.
    const std::size_t unicodeStart =
        kHeaderSize + (static_cast<std::size_t>(font[21]) << 8 | font[22]);
    BitReader bits(font, offset + (offset >= unicodeStart ? 3 : 2));
    DecodedGlyph glyph;
    const int width = static_cast<int>(bits.Get(font[4]));
    const int height = static_cast<int>(bits.Get(font[5]));
    const int x = bits.GetSigned(font[6]);
    const int y = bits.GetSigned(font[7]);
    glyph.advance = bits.GetSigned(font[8]);
    glyph.box = {x, -(y + height), width, height};
    glyph.bits = glyph::Bitmap(width, height);
    const long pixels = static_cast<long>(width) * height;
    long at = 0;
    while (at < pixels) {
        const int paper = static_cast<int>(bits.Get(font[2]));
        const int ink = static_cast<int>(bits.Get(font[3]));
        do {
            at += paper;
            for (int k = 0; k < ink && at < pixels; ++k, ++at) {
                glyph.bits.Set(static_cast<int>(at % width), static_cast<int>(at / width));
            }
        } while (bits.Get(1) != 0);
    }
    return glyph;
}

} // namespace formats::u8g2

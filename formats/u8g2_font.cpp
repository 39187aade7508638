#include "formats/u8g2_font.h"

#include "formats/font_writer.h"
#include "glyph/utf8.h"

#include <algorithm>
#include <array>
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

// ---- Run pairs -------------------------------------------------------------------------------
//
// The decoder reads a pair (m0 bits of paper, m1 bits of ink), draws it, then reads a flag: 1
// draws the same pair again, 0 reads a new pair, or ends the glyph once its box is full. A
// group of n equal pairs in a row so costs m0 + m1 + n bits. A field of b bits holds a run of
// up to 2^b - 1; a pair that draws both paper and ink takes the whole rest of its paper run.
//
// Within one paper run and the ink run after it, the pixels are given as pairs of paper alone,
// then at most one pair of both, then pairs of ink alone. Only a pair of both can be repeated
// into the next run pair, and only when that one's paper run is as long as the pair's paper
// and its ink run at least as long. The walk below picks, run pair by run pair, the cheapest
// of these ways, so each glyph takes the fewest bits the decoder allows for the widths.
//
//   rows  # . . . . . . . . . . . . . . .      runs 1 ink, 15 paper, 1 ink, 15 paper, ...
//         # . . . . . . . . . . . . . . .      with 4-bit paper: (0,1) then (15,1) and a 1
//         # . . . . . . . . . . . . . . .      for each further row; a pair (15,0) then
//                                             (0,1) for each row would cost twice the pairs

struct RunBits {
    int paper = 0;
    int ink = 0;
    int Pair() const { return paper + ink; }
    int MostPaper() const { return (1 << paper) - 1; }
    int MostInk() const { return (1 << ink) - 1; }
};

// `count` equal pairs in a row.
struct PairGroup {
    int paper = 0;
    int ink = 0;
    int count = 0;
};

// One run of a kind given alone, in runs of at most `most`: `count` pairs of `part`, then one
// pair of `rest` when that is not 0. Either one group of equal parts (the longest part that
// divides the run), or the longest parts and one for the rest.
struct Split {
    int part = 0;
    int count = 0;
    int rest = 0;
    long bits = 0;
};

Split SplitRun(int length, int most, int pairBits) {
    if (length == 0) {
        return {};
    }
    if (length <= most) {
        return {most, 0, length, pairBits + 1L};
    }
    Split best{most, length / most, length % most, 0};
    best.bits = pairBits + best.count + (best.rest > 0 ? pairBits + 1 : 0);
    // One group: the fewest equal parts that divide the run.
    for (int count = (length + most - 1) / most; pairBits + count < best.bits; ++count) {
        if (length % count == 0) {
            best = {length / count, count, 0, pairBits + static_cast<long>(count)};
            break;
        }
    }
    return best;
}

// SplitRun at one run width, remembered by length: a font's glyphs share most run lengths.
class SplitMemo {
public:
    SplitMemo(int most, int pairBits) : most_(most), pairBits_(pairBits) {}
    Split operator()(int length) {
        if (length <= most_) {
            return length == 0 ? Split{} : Split{most_, 0, length, pairBits_ + 1L};
        }
        return Long(length);
    }

private:
    Split Long(int length) {
        const auto at = static_cast<std::size_t>(length - most_ - 1);
        if (at >= known_.size()) {
            known_.resize(at + 1);
        }
        if (known_[at].bits == 0) {
            known_[at] = SplitRun(length, most_, pairBits_);
        }
        return known_[at];
    }

    int most_;
    int pairBits_;
    std::vector<Split> known_; // bits 0: not yet known
};

// How a run pair is given.
enum class Way : std::uint8_t {
    Apart,    // paper alone, then ink alone
    Joined,   // paper alone, a pair of both, ink alone
    ChainOut, // paper alone, then a pair of both that the next run pair repeats
    Repeated, // the last pair of the run pair before again, then ink alone
};

// The paper of a pair of both that leaves the fewest bits for the paper alone before it: the
// paper beyond the last whole multiple of the longest run.
int JoinedPart(int length, int most) {
    return length <= most ? length : length - most * ((length - 1) / most);
}

// The cheapest pairs of a glyph's runs at given run widths, as groups. One walk serves every
// glyph of the font.
class PairWalk {
public:
    explicit PairWalk(RunBits bits)
        : bits_(bits), paperAlone_(bits.MostPaper(), bits.Pair()),
          inkAlone_(bits.MostInk(), bits.Pair()) {}

    // The bits of the pairs of `runs` (paper and ink in turn over the box, paper first, an
    // even count): for each group its pair and a flag bit after each of its pairs. Pixels given
    // by no pair still end in one 0 bit, as bdfconv ends them.
    long Bits(const std::vector<int>& runs) {
        Price(runs);
        const long bits = steps_.back()[0].bits;
        return bits == 0 ? 1 : bits;
    }

    // The groups that take those bits.
    const std::vector<PairGroup>& Groups(const std::vector<int>& runs) {
        Price(runs);
        const std::size_t count = steps_.size();
        ways_.resize(count);
        bool chained = false;
        for (std::size_t i = count; i-- > 0;) {
            const Step& step = steps_[i][chained ? 1 : 0];
            ways_[i] = step.way;
            chained = step.fromChain;
        }
        groups_.clear();
        for (std::size_t i = 0; i < count; ++i) {
            Emit(i, ways_[i]);
        }
        Flush();
        return groups_;
    }

private:
    static constexpr long kNever = std::numeric_limits<long>::max();
    struct Step {
        long bits = kNever;
        Way way = Way::Apart;
        bool fromChain = false;
    };

    int Paper(std::size_t i) const { return i < steps_.size() ? (*runs_)[2 * i] : 0; }
    int Ink(std::size_t i) const { return (*runs_)[2 * i + 1]; }
    Split PaperAlone(int length) { return paperAlone_(length); }
    Split InkAlone(int length) { return inkAlone_(length); }

    static void Offer(Step& step, long bits, Way way, bool fromChain) {
        if (bits < step.bits) {
            step = {bits, way, fromChain};
        }
    }

    void Price(const std::vector<int>& runs) {
        runs_ = &runs;
        steps_.assign(runs.size() / 2, {});
        for (std::size_t i = 0; i < steps_.size(); ++i) {
            Price(i);
        }
    }

    // The fewest bits for run pairs 0..i: [0] ending any way, [1] ending in the pair of both
    // that run pair i+1 can repeat.
    void Price(std::size_t i) {
        const int paper = Paper(i), ink = Ink(i), next = Paper(i + 1);
        const long before = i == 0 ? 0 : steps_[i - 1][0].bits;
        const long chain = i == 0 ? kNever : steps_[i - 1][1].bits;
        Step& anyEnd = steps_[i][0];
        Step& chainEnd = steps_[i][1];
        Offer(anyEnd, before + PaperAlone(paper).bits + InkAlone(ink).bits, Way::Apart, false);
        if (paper > 0 && ink > 0) {
            const int part = JoinedPart(paper, bits_.MostPaper());
            const int inkPart = JoinedPart(ink, bits_.MostInk());
            Offer(anyEnd,
                  before + PaperAlone(paper - part).bits + bits_.Pair() + 1 +
                      InkAlone(ink - inkPart).bits,
                  Way::Joined, false);
        }
        if (chain != kNever && ink >= Ink(i - 1)) {
            Offer(anyEnd, chain + 1 + InkAlone(ink - Ink(i - 1)).bits, Way::Repeated, true);
            if (ink == Ink(i - 1) && next == paper) {
                Offer(chainEnd, chain + 1, Way::Repeated, true);
            }
        }
        if (next > 0 && next <= std::min(paper, bits_.MostPaper()) && ink > 0 &&
            ink <= bits_.MostInk()) {
            Offer(chainEnd, before + PaperAlone(paper - next).bits + bits_.Pair() + 1,
                  Way::ChainOut, false);
        }
        if (chainEnd.bits < anyEnd.bits) {
            anyEnd = chainEnd;
        }
    }

    void Emit(std::size_t i, Way way) {
        const int paper = Paper(i), ink = Ink(i);
        switch (way) {
        case Way::Apart:
            EmitAlone(paper, true);
            EmitAlone(ink, false);
            break;
        case Way::Joined: {
            const int part = JoinedPart(paper, bits_.MostPaper());
            const int inkPart = JoinedPart(ink, bits_.MostInk());
            EmitAlone(paper - part, true);
            Add(part, inkPart, 1);
            EmitAlone(ink - inkPart, false);
            break;
        }
        case Way::ChainOut:
            EmitAlone(paper - Paper(i + 1), true);
            Add(Paper(i + 1), ink, 1);
            break;
        case Way::Repeated:
            Add(paper, Ink(i - 1), 1);
            EmitAlone(ink - Ink(i - 1), false);
            break;
        }
    }

    void EmitAlone(int length, bool paper) {
        const Split split = paper ? PaperAlone(length) : InkAlone(length);
        if (split.count > 0) {
            Add(paper ? split.part : 0, paper ? 0 : split.part, split.count);
        }
        if (split.rest > 0) {
            Add(paper ? split.rest : 0, paper ? 0 : split.rest, 1);
        }
    }

    // Adds pairs, as one group with the pairs before when they are equal.
    void Add(int paper, int ink, int count) {
        if (pending_.count > 0 && pending_.paper == paper && pending_.ink == ink) {
            pending_.count += count;
            return;
        }
        Flush();
        pending_ = {paper, ink, count};
    }
    void Flush() {
        if (pending_.count > 0) {
            groups_.push_back(pending_);
        }
        pending_ = {};
    }

    RunBits bits_;
    SplitMemo paperAlone_;
    SplitMemo inkAlone_;
    const std::vector<int>* runs_ = nullptr;
    std::vector<std::array<Step, 2>> steps_;
    std::vector<Way> ways_;
    std::vector<PairGroup> groups_;
    PairGroup pending_;
};

// The font-wide bit widths of a glyph's fields.
struct FieldBits {
    int width = 0, height = 0, x = 0, y = 0, advance = 0;
    int Total() const { return width + height + x + y + advance; }
};

FieldBits FieldBitsOf(const std::vector<Glyph>& glyphs) {
    FieldBits fields;
    for (const Glyph& g : glyphs) {
        fields.width = std::max(fields.width, UnsignedBits(static_cast<unsigned>(g.width)));
        fields.height = std::max(fields.height, UnsignedBits(static_cast<unsigned>(g.height)));
        fields.x = std::max(fields.x, SignedBits(g.x));
        fields.y = std::max(fields.y, SignedBits(g.y));
        fields.advance = std::max(fields.advance, SignedBits(g.advance));
    }
    return fields;
}

// Bytes of a glyph's record: its code, the size byte, then the fields and its pairs.
int RecordSize(const Glyph& glyph, const FieldBits& fields, long pairBits) {
    return glyph.CodeBytes() + 1 + static_cast<int>((fields.Total() + pairBits + 7) / 8);
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

void AppendRecord(const Glyph& glyph, const FieldBits& fields, RunBits runBits, PairWalk& walk,
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
    const std::vector<PairGroup>& groups = walk.Groups(glyph.runs);
    for (const PairGroup& group : groups) {
        bits.Put(static_cast<unsigned>(group.paper), runBits.paper);
        bits.Put(static_cast<unsigned>(group.ink), runBits.ink);
        for (int repeat = 1; repeat < group.count; ++repeat) {
            bits.Put(1, 1);
        }
        bits.Put(0, 1);
    }
    if (groups.empty()) {
        bits.Put(0, 1);
    }
    out[start + static_cast<std::size_t>(glyph.CodeBytes())] =
        static_cast<std::uint8_t>(out.size() - start);
}

// The run widths that give the smallest font, of equals the first tried, as bdfconv takes it.
// Where the smallest font has a record that reaches 255 bytes, the smallest whose records all
// fit; where none fits, refuses the glyph whose record is too large.
RunBits ChooseRunBits(const std::vector<Glyph>& glyphs, const FieldBits& fields) {
    struct Choice {
        long total = std::numeric_limits<long>::max();
        RunBits bits;
        const Glyph* tooLarge = nullptr;
        int tooLargeSize = 0;
    };
    Choice smallest, fitting;
    for (int bits0 = kMinBits0; bits0 <= kMaxBits0; ++bits0) {
        for (int bits1 = kMinBits1; bits1 <= kMaxBits1; ++bits1) {
            const RunBits runBits{bits0, bits1};
            PairWalk walk(runBits);
            Choice choice{0, runBits};
            for (const Glyph& g : glyphs) {
                // Past both the smallest and the smallest fitting so far: it can be neither.
                if (choice.total >= smallest.total && choice.total >= fitting.total) {
                    break;
                }
                const int size = RecordSize(g, fields, walk.Bits(g.runs));
                choice.total += size;
                if (size > kMaxRecordSize && choice.tooLarge == nullptr) {
                    choice = {choice.total, runBits, &g, size};
                }
            }
            if (choice.total < smallest.total) {
                smallest = choice;
            }
            if (choice.tooLarge == nullptr && choice.total < fitting.total) {
                fitting = choice;
            }
        }
    }
    if (fitting.bits.paper == 0) {
        throw FormatError(glyph::CharacterName(smallest.tooLarge->code()) +
                          ": its record would take " + std::to_string(smallest.tooLargeSize) +
                          " bytes; --format u8g2 holds " + std::to_string(kMaxRecordSize) +
                          " bytes a glyph; try a smaller --size");
    }
    return fitting.bits;
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

// Glyphs by code, each code once; `glyphOf` gives each strike glyph's place among them.
std::vector<Glyph> GlyphsByCode(const glyph::Strike& strike, std::vector<std::size_t>& glyphOf) {
    std::vector<std::size_t> order(strike.glyphs.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return strike.glyphs[a].code < strike.glyphs[b].code;
    });
    std::vector<Glyph> glyphs;
    glyphOf.assign(strike.glyphs.size(), 0);
    for (std::size_t index : order) {
        const glyph::StrikeGlyph& source = strike.glyphs[index];
        if (glyphs.empty() || glyphs.back().code() != source.code) {
            glyphs.push_back(GlyphOf(source));
        }
        glyphOf[index] = glyphs.size() - 1;
    }
    return glyphs;
}

// The 23 bytes of the header, with the offsets of bytes 17..22 still 0.
std::vector<std::uint8_t> Header(const std::vector<Glyph>& glyphs, const FieldBits& fields,
                                 RunBits runBits) {
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
    return {
        // The library reads the count but never looks glyphs up by it; bdfconv keeps its low
        // byte.
        static_cast<std::uint8_t>(glyphs.size() & 0xFF),
        0, // build mode 0: each glyph its own box
        static_cast<std::uint8_t>(runBits.paper),
        static_cast<std::uint8_t>(runBits.ink),
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
        0, // offsets, filled in as the records are written
    };
}

// Writes the records of the font, in code order, and the offsets to them; `recordOf` gets where
// each glyph's record starts.
class RecordWriter {
public:
    RecordWriter(const std::vector<Glyph>& glyphs, const FieldBits& fields, RunBits runBits,
                 std::vector<std::uint8_t>& bytes)
        : glyphs_(glyphs), fields_(fields), runBits_(runBits), bytes_(bytes),
          recordOf_(glyphs.size()), walk_(runBits) {}

    std::vector<std::size_t> Write() {
        std::size_t i = 0;
        for (; i < glyphs_.size() && glyphs_[i].code() <= 0xFF; ++i) {
            if (glyphs_[i].code() == U'A') {
                PutWord(bytes_, 17, bytes_.size() - kHeaderSize, "'A'");
            }
            if (glyphs_[i].code() == U'a') {
                PutWord(bytes_, 19, bytes_.size() - kHeaderSize, "'a'");
            }
            Append(i);
        }
        bytes_.insert(bytes_.end(), {0, 0});
        PutWord(bytes_, 21, bytes_.size() - kHeaderSize, "the glyphs above 0xFF");
        WriteAbove(i);
        bytes_.insert(bytes_.end(), {0, 0});
        mapBytes_ += 4;
        return std::move(recordOf_);
    }

    // The record codes, end marks and jump table written.
    std::size_t mapBytes() const { return mapBytes_; }

private:
    void Append(std::size_t i) {
        mapBytes_ += glyphs_[i].code() <= 0xFF ? 1 : 2;
        recordOf_[i] = bytes_.size();
        AppendRecord(glyphs_[i], fields_, runBits_, walk_, bytes_);
    }

    // The jump table, then the glyphs from `first` on. Entry k's offset leads from where entry
    // k-1 led (the table's start, for the first) to the first glyph of block k; its code is
    // the last code of block k, 0xFFFF in the last entry. Blocks hold 101 glyphs, as bdfconv
    // counts them; the last takes the rest.
    void WriteAbove(std::size_t first) {
        const std::size_t entries =
            std::max<std::size_t>((glyphs_.size() - first) / kGlyphsPerJump, 1);
        const std::size_t table = bytes_.size();
        bytes_.resize(table + 4 * entries);
        mapBytes_ += 4 * entries;
        std::size_t entry = 0;
        std::size_t blockStart = bytes_.size();
        std::size_t previousStart = table;
        std::size_t inBlock = 0;
        const auto putEntry = [&](char32_t lastCode) {
            PutWord(bytes_, table + 4 * entry, blockStart - previousStart, "a jump table entry");
            const char32_t code = entry + 1 == entries ? 0xFFFF : lastCode;
            bytes_[table + 4 * entry + 2] = static_cast<std::uint8_t>(code >> 8);
            bytes_[table + 4 * entry + 3] = static_cast<std::uint8_t>(code & 0xFF);
            ++entry;
        };
        for (std::size_t i = first; i < glyphs_.size(); ++i) {
            Append(i);
            if (++inBlock > kGlyphsPerJump && entry < entries) {
                putEntry(glyphs_[i].code());
                previousStart = blockStart;
                blockStart = bytes_.size();
                inBlock = 0;
            }
        }
        if (entry < entries) {
            putEntry(0xFFFF);
        }
    }

    const std::vector<Glyph>& glyphs_;
    const FieldBits& fields_;
    RunBits runBits_;
    std::vector<std::uint8_t>& bytes_;
    std::vector<std::size_t> recordOf_;
    PairWalk walk_;
    std::size_t mapBytes_ = 0;
};

} // namespace

FontBytes EncodeFont(const glyph::Strike& strike) {
    std::vector<std::size_t> glyphOf;
    const std::vector<Glyph> glyphs = GlyphsByCode(strike, glyphOf);
    const FieldBits fields = FieldBitsOf(glyphs);
    const RunBits runBits = ChooseRunBits(glyphs, fields);
    FontBytes font;
    font.bytes = Header(glyphs, fields, runBits);
    RecordWriter records(glyphs, fields, runBits, font.bytes);
    const std::vector<std::size_t> recordOf = records.Write();
    font.recordCount = glyphs.size();
    font.mapBytes = records.mapBytes();
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

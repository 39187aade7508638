#include "formats/vlw_writer.h"

#include "formats/c_source.h"
#include "formats/read_back.h"
#include "glyph/utf8.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace formats {

namespace {

constexpr std::uint32_t kVersion = 11;
constexpr char32_t kMaxCode = 0xFFFF;
constexpr int kMaxByte = 255;
constexpr int kMinSignedByte = -128;
constexpr int kMaxSignedByte = 127;
// The longest name the file's tail holds; the libraries never read it.
constexpr std::size_t kMaxNameBytes = 255;

void AppendWord(std::string& out, std::uint32_t value) {
    const char bytes[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 8), static_cast<char>(value)};
    out.append(bytes, 4);
}

void AppendSigned(std::string& out, int value) {
    AppendWord(out, static_cast<std::uint32_t>(value));
}

// The libraries leave out control codes, the Latin-1 upper half and the ideographic space when
// they look for the highest and lowest ink.
bool SetsLineHeight(char32_t code) {
    return (code > 0x20 && code < 0xA0 && code != 0x7F) || (code > 0xFF && code != 0x3000);
}

// A glyph's record fields, checked against what the libraries read.
struct Record {
    int height = 0;
    int width = 0;
    int advance = 0;
    int dY = 0;
    int dX = 0;
};

void CheckField(const glyph::StrikeGlyph& glyph, const char* field, int value, int low, int high) {
    if (value < low || value > high) {
        throw FormatError(glyph::CharacterName(glyph.code) + ": its " + field + " is " +
                          std::to_string(value) + "; --format vlw holds " + std::to_string(low) +
                          " to " + std::to_string(high) + " (TFT_eSPI and LovyanGFX read a byte)");
    }
}

Record RecordOf(const glyph::StrikeGlyph& glyph) {
    if (!glyph.ink.empty() && glyph.ink.depth() != glyph::Depth::Eight) {
        throw FormatError(glyph::CharacterName(glyph.code) +
                          ": --format vlw needs the glyph's coverage, drawn 8 bits a pixel");
    }
    Record record;
    record.height = glyph.ink.height();
    record.width = glyph.ink.width();
    record.advance = glyph.advance;
    // A blank glyph has no box to place: 0 keeps it out of the libraries' line height.
    record.dY = glyph.ink.empty() ? 0 : glyph.top;
    record.dX = glyph.ink.empty() ? 0 : glyph.left;
    CheckField(glyph, "bitmap height", record.height, 0, kMaxByte);
    CheckField(glyph, "bitmap width", record.width, 0, kMaxByte);
    CheckField(glyph, "advance (gxAdvance)", record.advance, 0, kMaxByte);
    CheckField(glyph, "top above the baseline (dY)", record.dY, kMinSignedByte, kMaxSignedByte);
    CheckField(glyph, "left offset from the pen (dX)", record.dX, kMinSignedByte, kMaxSignedByte);
    return record;
}

// The header's ascent and descent: the ink of 'd' above the baseline and of 'p' below it, as
// the Processing sketch measures them. A set without them takes the highest and lowest ink the
// libraries would find anyway, so the header moves no baseline of its own.
std::pair<int, int> AscentDescent(const glyph::Strike& strike) {
    int ascent = 0;
    int descent = 0;
    std::optional<int> d;
    std::optional<int> p;
    for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
        if (glyph.ink.empty()) {
            continue;
        }
        if (glyph.code == U'd') {
            d = glyph.top;
        } else if (glyph.code == U'p') {
            p = glyph.ink.height() - glyph.top;
        }
        if (SetsLineHeight(glyph.code)) {
            ascent = std::max(ascent, glyph.top);
            descent = std::max(descent, glyph.ink.height() - glyph.top);
        }
    }
    return {std::max(d.value_or(ascent), 0), std::max(p.value_or(descent), 0)};
}

// The face's name for the file's tail: printable ASCII, as Java's writeUTF keeps it unchanged.
std::string TailName(const glyph::StrikeFacts& facts) {
    std::string name = facts.face.family;
    if (!facts.face.style.empty()) {
        name += " " + facts.face.style;
    }
    for (char& c : name) {
        if (c < 0x20 || c > 0x7E) {
            c = '?';
        }
    }
    return name.substr(0, kMaxNameBytes);
}

void AppendName(std::string& out, const std::string& name) {
    out += static_cast<char>(name.size() >> 8);
    out += static_cast<char>(name.size());
    out += name;
}

class VlwWriter : public WholeSetWriter {
public:
    explicit VlwWriter(const FormatOptions& options) : options_(options) {}

    void CheckCharacters(std::u32string_view characters) const override {
        for (char32_t c : characters) {
            if (c > kMaxCode) {
                throw FormatError(glyph::CharacterName(c) +
                                  ": --format vlw holds characters up to U+FFFF only (TFT_eSPI "
                                  "and LovyanGFX read a code in 16 bits)");
            }
        }
        if (characters.empty()) {
            throw FormatError("--format vlw needs at least one character: the libraries refuse "
                              "a font without glyphs");
        }
        if (characters.size() > kMaxVlwGlyphs) {
            throw FormatError("--format vlw holds at most " + std::to_string(kMaxVlwGlyphs) +
                              " glyphs (the libraries count them in 16 bits); " +
                              std::to_string(characters.size()) + " were asked for");
        }
    }

    std::uint64_t EstimateSize(const glyph::StrikeFacts& facts, std::size_t glyphs) const override {
        // A box twice the line each way, within the largest a record can state.
        const glyph::SizeMetrics& m = facts.metrics;
        const auto side = static_cast<std::uint64_t>(
            2 * std::max({m.lineHeight, m.ascent + m.descent, m.pixelSize, 1}));
        const std::uint64_t box = std::min<std::uint64_t>(side * side, kMaxByte * kMaxByte);
        const std::uint64_t bytes = 24 + glyphs * (28 + box) + 2 * (kMaxNameBytes + 2) + 1;
        if (!options_.cArray) {
            return bytes;
        }
        return 4096 + 2 * (facts.face.copyright.size() + facts.face.licence.size()) +
               HexBytesSize(bytes, 16, 4) * options_.eol.size();
    }

protected:
    void Write(const glyph::Strike& strike, Sink& out) override {
        std::vector<std::size_t> order(strike.glyphs.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return strike.glyphs[a].code < strike.glyphs[b].code;
        });
        std::vector<Record> records(strike.glyphs.size());
        for (std::size_t i : order) {
            records[i] = RecordOf(strike.glyphs[i]);
        }
        std::vector<std::size_t> offsets(strike.glyphs.size());
        const std::string bytes = FileBytes(strike, order, records, offsets);
        for (std::size_t i = 0; i < strike.glyphs.size(); ++i) {
            Written(strike.glyphs[i], WrittenOf(strike.glyphs[i], bytes, offsets[i]));
        }
        out.Write(options_.cArray ? CSource(strike, bytes) : bytes);
        SetCost(CostOf(strike, bytes.size()));
    }

private:
    // A record a glyph: its code, which finds it, and six words of metrics; its coverage, a
    // byte a pixel; the header and the names at the end. With --c-array the same bytes are a
    // linked array, else a file read at run time.
    FlashCost CostOf(const glyph::Strike& strike, std::size_t size) const {
        FlashCost cost;
        cost.file = !options_.cArray;
        cost.glyphs = strike.glyphs.size();
        cost.maps = 4 * cost.glyphs;
        cost.descriptors = 24 * cost.glyphs;
        for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
            cost.bitmaps += static_cast<std::uint64_t>(glyph.ink.width()) *
                            static_cast<std::uint64_t>(glyph.ink.height());
        }
        cost.header = size - cost.maps - cost.descriptors - cost.bitmaps;
        return cost;
    }

    static std::string FileBytes(const glyph::Strike& strike, const std::vector<std::size_t>& order,
                                 const std::vector<Record>& records,
                                 std::vector<std::size_t>& offsets) {
        const auto [ascent, descent] = AscentDescent(strike);
        std::size_t size = 24 + 28 * order.size() + 256;
        for (const glyph::StrikeGlyph& g : strike.glyphs) {
            size +=
                static_cast<std::size_t>(g.ink.width()) * static_cast<std::size_t>(g.ink.height());
        }
        std::string bytes;
        bytes.reserve(size);
        AppendWord(bytes, static_cast<std::uint32_t>(order.size()));
        AppendWord(bytes, kVersion);
        AppendSigned(bytes, strike.facts.metrics.pixelSize);
        AppendWord(bytes, 0);
        AppendSigned(bytes, ascent);
        AppendSigned(bytes, descent);
        for (std::size_t i : order) {
            const Record& r = records[i];
            AppendWord(bytes, strike.glyphs[i].code);
            for (int value : {r.height, r.width, r.advance, r.dY, r.dX, 0}) {
                AppendSigned(bytes, value);
            }
        }
        for (std::size_t i : order) {
            const glyph::Bitmap& ink = strike.glyphs[i].ink;
            offsets[i] = bytes.size();
            for (int y = 0; y < ink.height(); ++y) {
                bytes.append(reinterpret_cast<const char*>(ink.Row(y)),
                             static_cast<std::size_t>(ink.width()));
            }
        }
        const std::string name = TailName(strike.facts);
        AppendName(bytes, name);
        AppendName(bytes, name);
        bytes += '\1';
        return bytes;
    }

    std::string CSource(const glyph::Strike& strike, const std::string& bytes) const {
        const std::string name = SymbolName(options_, strike.facts);
        std::vector<std::string> lines = FontDescription(strike.facts, strike.glyphs.size());
        lines.push_back("A TFT_eSPI / LovyanGFX smooth font (.vlw), " +
                        Plural(bytes.size(), "byte", "bytes") + ": tft.loadFont(" + name + ");");
        std::string text = LineComments(lines);
        text += "\n#if defined(ARDUINO)\n#include <Arduino.h>\n#else\n#include <stdint.h>\n"
                "#endif\n#ifndef PROGMEM\n#define PROGMEM\n#endif\n\n";
        text += "const uint8_t " + name + "[] PROGMEM = {\n";
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        AppendHexBytes(text, {data, bytes.size()}, 16, "    ");
        text += "};\n";
        if (options_.eol == "\n") {
            return text;
        }
        std::string translated;
        translated.reserve(text.size() + text.size() / 16);
        for (char c : text) {
            if (c == '\n') {
                translated += options_.eol;
            } else {
                translated += c;
            }
        }
        return translated;
    }

    // The glyph's box and, for a preview, its coverage read back from the file's bytes.
    WrittenGlyph WrittenOf(const glyph::StrikeGlyph& glyph, const std::string& bytes,
                           std::size_t offset) const {
        const glyph::PixelBox frame = glyph.Box();
        if (!options_.decode) {
            return ReadBack(frame, glyph::Bitmap());
        }
        glyph::Bitmap bits(frame.width, frame.height, glyph::Depth::Eight);
        for (int y = 0; y < frame.height; ++y) {
            bits.SetRow(y, reinterpret_cast<const std::uint8_t*>(bytes.data()) + offset +
                               static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width));
        }
        return ReadBack(frame, std::move(bits));
    }

    FormatOptions options_;
};

} // namespace

std::unique_ptr<FontWriter> MakeVlwWriter(const FormatOptions& options) {
    return std::make_unique<VlwWriter>(options);
}

} // namespace formats

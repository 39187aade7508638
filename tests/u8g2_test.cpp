// u8g2 fonts read back by a decoder written here from u8g2's description of its font format
// (the 23-byte header, glyph lookup by 'A'/'a' start and by the jump table above 0xFF, the
// run-length code with its repeat bit), compared with the strike drawn directly, and compiled.
#include "formats/font_writer.h"
#include "formats/format_registry.h"
#include "formats/sink.h"
#include "glyph/font_faces.h"
#include "glyph/strike.h"
#include "tests/cli_test_support.h"
#include "tests/command_support.h"
#include "tests/font_files.h"
#include "tests/string_sink.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// `const uint8_t NAME[SIZE] ... = "..." "...";` read as C reads it: the literal's characters
// and escapes, then its terminating 0.
struct CArray {
    std::size_t declared = 0;
    Bytes bytes;
};

CArray ParseArray(const std::string& text) {
    CArray array;
    const std::size_t open = text.find('[', text.find("const uint8_t "));
    array.declared = std::stoul(text.substr(open + 1));
    std::size_t i = text.find('=', open) + 1;
    for (; text[i] != ';'; ++i) {
        if (text[i] != '"') {
            continue;
        }
        for (++i; text[i] != '"'; ++i) {
            if (text[i] != '\\') {
                array.bytes.push_back(static_cast<std::uint8_t>(text[i]));
                continue;
            }
            ++i;
            unsigned value = 0;
            int digits = 0;
            for (; digits < 3 && text[i] >= '0' && text[i] <= '7'; ++digits, ++i) {
                value = value * 8 + static_cast<unsigned>(text[i] - '0');
            }
            if (digits == 0) {
                value = static_cast<unsigned char>(text[i++]); // \\, \", \?
            }
            array.bytes.push_back(static_cast<std::uint8_t>(value));
            --i;
        }
    }
    array.bytes.push_back(0);
    return array;
}

struct Glyph {
    int width = 0, height = 0, x = 0, y = 0, advance = 0;
    std::vector<std::string> rows; // '#' ink, '.' paper
    int size = 0;                  // the record's size byte
};

class U8g2Font {
public:
    explicit U8g2Font(Bytes bytes) : b_(std::move(bytes)) {}

    int Byte(std::size_t i) const { return b_.at(i); }
    int Signed(std::size_t i) const { return static_cast<std::int8_t>(b_.at(i)); }
    std::size_t Word(std::size_t i) const { return b_.at(i) << 8 | b_.at(i + 1); }

    // Where the glyph's record starts, as the library searches for it.
    std::optional<std::size_t> Find(char32_t code) const {
        std::size_t p = 23;
        if (code <= 0xFF) {
            p += code >= 'a' ? Word(19) : code >= 'A' ? Word(17) : 0;
            for (; Byte(p + 1) != 0; p += Byte(p + 1)) {
                if (static_cast<char32_t>(Byte(p)) == code) {
                    return p;
                }
            }
            return std::nullopt;
        }
        p += Word(21);
        std::size_t entry = p;
        std::size_t last = 0;
        do {
            p += Word(entry);
            last = Word(entry + 2);
            entry += 4;
        } while (last < code);
        for (; Word(p) != 0; p += Byte(p + 2)) {
            if (Word(p) == code) {
                return p;
            }
        }
        return std::nullopt;
    }

    Glyph Decode(std::size_t record, char32_t code) const {
        const std::size_t codeBytes = code <= 0xFF ? 1 : 2;
        std::size_t bit = (record + codeBytes + 1) * 8;
        const auto get = [&](int bits) {
            int value = 0;
            for (int i = 0; i < bits; ++i, ++bit) {
                value |= ((b_.at(bit / 8) >> (bit % 8)) & 1) << i;
            }
            return value;
        };
        const auto getSigned = [&](int bits) {
            return get(bits) - (1 << (bits - 1));
        };
        Glyph g;
        g.size = Byte(record + codeBytes);
        g.width = get(Byte(4));
        g.height = get(Byte(5));
        g.x = getSigned(Byte(6));
        g.y = getSigned(Byte(7));
        g.advance = getSigned(Byte(8));
        g.rows.assign(static_cast<std::size_t>(g.height), std::string(g.width, '.'));
        int px = 0, py = 0;
        const auto run = [&](int length, char c) {
            for (; length > 0; --length) {
                g.rows.at(py).at(px) = c;
                if (++px == g.width) {
                    px = 0;
                    ++py;
                }
            }
        };
        while (g.width > 0) {
            const int paper = get(Byte(2));
            const int ink = get(Byte(3));
            do {
                run(paper, '.');
                run(ink, '#');
            } while (get(1) == 1);
            if (py >= g.height) {
                break;
            }
        }
        return g;
    }

private:
    Bytes b_;
};

std::vector<std::string> InkRows(const glyph::StrikeGlyph& glyph) {
    std::vector<std::string> rows;
    for (int y = 0; y < glyph.ink.height(); ++y) {
        rows.emplace_back();
        for (int x = 0; x < glyph.ink.width(); ++x) {
            rows.back() += glyph.ink.At(x, y) ? '#' : '.';
        }
    }
    return rows;
}

// The pixels of the box, rows top to bottom, as the decoder walks them.
std::string Pixels(const glyph::StrikeGlyph& glyph) {
    std::string pixels;
    for (const std::string& row : InkRows(glyph)) {
        pixels += row;
    }
    return pixels;
}

int FieldBits(const U8g2Font& font) {
    int bits = 0;
    for (int field = 4; field <= 8; ++field) {
        bits += font.Byte(field);
    }
    return bits;
}

// Bytes of a record whose pairs take `bits`: code, size byte, fields, pairs; a glyph without
// pixels still has its 0 bit.
int RecordBytes(const glyph::StrikeGlyph& glyph, const U8g2Font& font, long bits) {
    return (glyph.code <= 0xFF ? 2 : 3) + static_cast<int>((FieldBits(font) + bits + 7) / 8);
}

// Bits of the pairs as bdfconv writes them: runs of paper, then ink, split where they reach a
// field's largest value; a pair equal to the one before costs one bit.
long BdfconvBits(const glyph::StrikeGlyph& glyph, int m0, int m1) {
    std::vector<int> runs{0};
    bool ink = false;
    for (char c : Pixels(glyph)) {
        if ((c == '#') != ink) {
            ink = !ink;
            runs.push_back(0);
        }
        ++runs.back();
    }
    runs.resize((runs.size() + 1) / 2 * 2);
    long bits = 1;
    std::optional<std::pair<int, int>> last;
    const auto pair = [&](int a, int b) {
        bits += last == std::pair(a, b) ? 1 : m0 + m1 + (last ? 1 : 0);
        last = std::pair(a, b);
    };
    for (std::size_t i = 0; i < runs.size(); i += 2) {
        int a = runs[i], b = runs[i + 1];
        for (; a >= (1 << m0) - 1; a -= (1 << m0) - 1) {
            pair((1 << m0) - 1, 0);
        }
        for (; b >= (1 << m1) - 1; b -= (1 << m1) - 1, a = 0) {
            pair(a, (1 << m1) - 1);
        }
        if (a != 0 || b != 0) {
            pair(a, b);
        }
    }
    return bits;
}

// The fewest bits of pairs that draw the pixels, searched over every sequence the decoder
// reads: from each pixel, any pair (a paper, then b ink; a < 2^m0, b < 2^m1) that matches the
// pixels there, each pair followed by its flag bit, a pair equal to the one before costing
// only that bit.
long FewestBits(const glyph::StrikeGlyph& glyph, int m0, int m1) {
    const std::string pixels = Pixels(glyph);
    const std::size_t n = pixels.size();
    if (n == 0) {
        return 1;
    }
    using Pair = std::pair<int, int>;
    std::vector<std::map<Pair, long>> best(n + 1);
    best[0][{-1, -1}] = 0;
    for (std::size_t at = 0; at < n; ++at) {
        for (const auto& [last, bits] : best[at]) {
            for (int a = 0; a < (1 << m0) && (a == 0 || pixels[at + a - 1] == '.'); ++a) {
                for (int b = 0; b < (1 << m1); ++b) {
                    const std::size_t end = at + a + b;
                    if (end > n || (b > 0 && pixels[end - 1] != '#')) {
                        break;
                    }
                    if (end == at) {
                        continue;
                    }
                    const Pair pair(a, b);
                    const long cost = bits + 1 + (pair == last ? 0 : m0 + m1);
                    auto [it, added] = best[end].emplace(pair, cost);
                    if (!added) {
                        it->second = std::min(it->second, cost);
                    }
                }
                if (at + a >= n) {
                    break;
                }
            }
        }
        best[at].clear();
    }
    long fewest = std::numeric_limits<long>::max();
    for (const auto& [last, bits] : best[n]) {
        fewest = std::min(fewest, bits);
    }
    return fewest;
}

// Bytes of the font's records with runs of m0 and m1 bits: the fewest the decoder allows, or
// as bdfconv splits them.
long RecordsSize(const glyph::Strike& strike, const U8g2Font& font, int m0, int m1, bool bdfconv) {
    long bytes = 0;
    for (const glyph::StrikeGlyph& source : strike.glyphs) {
        bytes += RecordBytes(source, font,
                             bdfconv ? BdfconvBits(source, m0, m1) : FewestBits(source, m0, m1));
    }
    return bytes;
}

// The runs' bit widths make the smallest font of the fewest bits, and of equals the first
// bdfconv tries (m0 the outer loop): "" when they do, else the widths that do better.
std::string SmallestFirst(const glyph::Strike& strike, const U8g2Font& font) {
    const std::pair chosen(font.Byte(2), font.Byte(3));
    const long best = RecordsSize(strike, font, chosen.first, chosen.second, false);
    std::string better;
    for (int m0 = 2; m0 <= 8; ++m0) {
        for (int m1 = 2; m1 <= 6; ++m1) {
            const long bytes = RecordsSize(strike, font, m0, m1, false);
            if (bytes < best || (bytes == best && std::pair(m0, m1) < chosen)) {
                better += std::to_string(m0) + "/" + std::to_string(m1) + " ";
            }
        }
    }
    return better;
}

// The size of the font bdfconv makes of the same glyphs: the same header, offsets and jump
// table, its records at the run widths it finds best (m0 2..8, m1 2..6).
long BdfconvFontSize(const glyph::Strike& strike, const U8g2Font& font, std::size_t size) {
    long records = std::numeric_limits<long>::max();
    for (int m0 = 2; m0 <= 8; ++m0) {
        for (int m1 = 2; m1 <= 6; ++m1) {
            records = std::min(records, RecordsSize(strike, font, m0, m1, true));
        }
    }
    long ours = 0;
    for (const glyph::StrikeGlyph& source : strike.glyphs) {
        ours += font.Byte(*font.Find(source.code) + (source.code <= 0xFF ? 1 : 2));
    }
    return static_cast<long>(size) - ours + records;
}

struct Written {
    std::string text;
    std::vector<formats::WrittenGlyph> glyphs; // what the writer reports for a preview
};

Written Write(const glyph::Strike& strike) {
    formats::FormatOptions options;
    options.name = "test_font";
    options.decode = true;
    const auto writer = formats::MakeWriter("u8g2", options);
    Written written;
    writer->OnWritten([&](const glyph::StrikeGlyph&, const formats::WrittenGlyph& glyph) {
        written.glyphs.push_back(glyph);
    });
    test::StringSink sink;
    writer->Begin(strike.facts, strike.glyphs.size(), sink);
    for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
        writer->Add(glyph);
    }
    writer->Finish();
    written.text = sink.text();
    return written;
}

TEST(U8g2, DecodesBackToTheStrike) {
    struct Row {
        const char* what;
        const char* family;
        int pixels;
        std::u32string characters;
    };
    std::u32string ascii;
    for (char32_t c = 0x20; c < 0x7F; ++c) {
        ascii += c;
    }
    std::u32string mixed = U"€→Aag(1 ";
    for (char32_t c = 0x400; c < 0x500; ++c) { // 256 above 0xFF: a jump table of 2 entries
        mixed += c;
    }
    for (char32_t c = 0xA0; c < 0x100; ++c) {
        mixed += c;
    }
    const Row rows[] = {
        {"ascii 12 px", "DejaVu Sans", 12, ascii},
        {"ascii 16 px", "DejaVu Sans", 16, ascii},
        {"cyrillic, latin-1, above 0xFF, 16 px", "DejaVu Sans", 16, mixed},
        {"serif, ascii 11 px", "DejaVu Serif", 11, ascii},
        {"mono, ascii 13 px", "DejaVu Sans Mono", 13, ascii},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        glyph::FontFaces faces;
        faces.Select(glyph::FontSource::File(
                         testfonts::FileFor((row.family + std::string(":style=Book")).c_str())),
                     {row.family, row.pixels * 0.75f, false, false});
        const glyph::Strike strike = glyph::DrawStrike(faces, row.characters);
        const Written written = Write(strike);
        const CArray array = ParseArray(written.text);
        ASSERT_EQ(array.bytes.size(), array.declared);
        ASSERT_EQ(written.glyphs.size(), strike.glyphs.size());
        const U8g2Font font(array.bytes);

        EXPECT_EQ(font.Byte(0), static_cast<int>(strike.glyphs.size() & 0xFF));
        EXPECT_EQ(font.Byte(1), 0); // proportional
        int boxX0 = 0, boxY0 = 0, boxX1 = 0, boxY1 = 0;
        for (std::size_t i = 0; i < strike.glyphs.size(); ++i) {
            const glyph::StrikeGlyph& source = strike.glyphs[i];
            SCOPED_TRACE(static_cast<unsigned>(source.code));
            EXPECT_EQ(written.glyphs[i].bits, source.ink);
            const std::optional<std::size_t> record = font.Find(source.code);
            ASSERT_TRUE(record.has_value());
            const Glyph g = font.Decode(*record, source.code);
            EXPECT_EQ(g.advance, source.advance);
            EXPECT_EQ(g.rows, InkRows(source));
            if (!source.ink.empty()) {
                EXPECT_EQ(written.glyphs[i].frame, source.Box());
                EXPECT_EQ(g.x, source.left);
                EXPECT_EQ(g.y + g.height, source.top);
                boxX0 = std::min(boxX0, g.x);
                boxX1 = std::max(boxX1, g.x + g.width);
                boxY0 = std::min(boxY0, g.y);
                boxY1 = std::max(boxY1, g.y + g.height);
            }
            // The fewest bytes the decoder allows for the widths, never more than bdfconv's.
            EXPECT_EQ(g.size,
                      RecordBytes(source, font, FewestBits(source, font.Byte(2), font.Byte(3))));
            EXPECT_LE(g.size,
                      RecordBytes(source, font, BdfconvBits(source, font.Byte(2), font.Byte(3))));
        }
        EXPECT_EQ(std::vector<int>({font.Byte(9), font.Byte(10), font.Signed(11), font.Signed(12)}),
                  std::vector<int>({boxX1 - boxX0, boxY1 - boxY0, boxX0, boxY0}));

        EXPECT_EQ(SmallestFirst(strike, font), "");
        EXPECT_LE(array.bytes.size(), BdfconvFontSize(strike, font, array.bytes.size()));

        // Above 0xFF, a jump table entry for each 100 glyphs, naming the last code of a block of
        // 101; the last entry names 0xFFFF.
        std::vector<std::size_t> above, table, expected;
        for (const glyph::StrikeGlyph& source : strike.glyphs) {
            if (source.code > 0xFF) {
                above.push_back(source.code);
            }
        }
        std::sort(above.begin(), above.end());
        const std::size_t entries = std::max<std::size_t>(above.size() / 100, 1);
        for (std::size_t k = 0; k < entries; ++k) {
            table.push_back(font.Word(23 + font.Word(21) + 4 * k + 2));
            expected.push_back(k + 1 < entries ? above.at(100 + 101 * k) : 0xFFFF);
        }
        EXPECT_EQ(table, expected);

        // 'A' and 'a' start where their records are; ascent and descent are those of 'A', 'g'
        // and '('.
        const auto top = [&](char32_t c) {
            return DrawGlyph(faces, c).top;
        };
        const auto bottom = [&](char32_t c) {
            const glyph::StrikeGlyph g = DrawGlyph(faces, c);
            return g.top - g.ink.height();
        };
        EXPECT_EQ(font.Byte(23 + font.Word(17)), 'A');
        EXPECT_EQ(font.Byte(23 + font.Word(19)), 'a');
        EXPECT_EQ(
            std::vector<int>({font.Signed(13), font.Signed(14), font.Signed(15), font.Signed(16)}),
            std::vector<int>({top('A'), bottom('g'), top('('), bottom('(')}));
    }
}

TEST(U8g2, CompilesAsCAndCxxAndHoldsTheBytesItSpells) {
    const clitest::TempDir dir;
    const std::string source = dir.Path("font.c");
    const clitest::Result run =
        clitest::RunCli({"--format", "u8g2", "--font-file", testfonts::DejaVuSans(), "--size",
                         "16px", "--c-array", "test_font", "-o", source, "AЖg€0?\"\\7"});
    ASSERT_EQ(run.code, 0) << run.err;
    const CArray array = ParseArray(clitest::ReadFile(source));
    std::string expected = std::to_string(array.declared) + ":";
    for (std::uint8_t byte : array.bytes) {
        expected += " " + std::to_string(byte);
    }
    dir.File("main.c", R"(#include <stdio.h>
#include "font.c"
int main(void) {
    printf("%u:", (unsigned)sizeof test_font);
    for (unsigned i = 0; i < sizeof test_font; ++i) {
        printf(" %u", (unsigned)test_font[i]);
    }
    return 0;
}
)");
    const std::string flags = " -Wall -Wextra -Werror ";
    const std::string compilers[] = {std::string(RASTOVA_C_COMPILER) + flags + "-x c",
                                     std::string(RASTOVA_CXX_COMPILER) + flags + "-x c++"};
    for (const std::string& compiler : compilers) {
        SCOPED_TRACE(compiler);
        const commands::Command alone =
            commands::Shell(compiler + " -c " + source + " -o " + dir.Path("font.o"));
        EXPECT_EQ(alone.status, 0) << alone.output;
        const commands::Command built =
            commands::Shell(compiler + " " + dir.Path("main.c") + " -o " + dir.Path("reader"));
        ASSERT_EQ(built.status, 0) << built.output;
        const commands::Command read = commands::Shell(dir.Path("reader"));
        EXPECT_EQ(read.output, expected);
    }
}

glyph::StrikeGlyph Hand(char32_t code, int width, int height, int top, int advance, bool noise) {
    glyph::StrikeGlyph glyph;
    glyph.code = code;
    glyph.ink = glyph::Bitmap(width, height);
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            glyph.ink.Set(x, y, noise ? (random() & 1) != 0 : x == 0 || y == 0);
        }
    }
    glyph.top = top;
    glyph.advance = advance;
    return glyph;
}

// A glyph drawn as rows of '#' and '.', standing on the baseline.
glyph::StrikeGlyph Drawn(char32_t code, int repeat, const std::vector<std::string>& rows) {
    glyph::StrikeGlyph glyph;
    glyph.code = code;
    const int width = static_cast<int>(rows.front().size());
    const int height = static_cast<int>(rows.size()) * repeat;
    glyph.ink = glyph::Bitmap(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            glyph.ink.Set(x, y, rows[static_cast<std::size_t>(y) % rows.size()][x] == '#');
        }
    }
    glyph.top = height;
    glyph.advance = width + 1;
    return glyph;
}

TEST(U8g2, ChoosesTheRunWidthsOfTheSmallestFont) {
    struct Row {
        const char* what;
        std::vector<glyph::StrikeGlyph> glyphs;
        bool belowBdfconv; // bdfconv's split surely costs more bytes
    };
    const Row rows[] = {
        // Tiny glyphs: several widths take as many bytes, and the first tried wins.
        {"equal sizes", {Hand(U'a', 3, 3, 3, 4, false), Hand(U'b', 2, 5, 5, 3, false)}, false},
        // Paper runs of 119 want 7 bits; the ink run of 121 over the top goes as eleven pairs
        // of 11, one group.
        {"long runs", {Hand(U'c', 120, 6, 6, 121, false)}, true},
        // Paper runs of 3, the most 2 bits hold, each before ink: one pair each, where bdfconv
        // gives the paper a pair of its own.
        {"paper runs of a field's largest value", {Drawn(U'd', 10, {"...#...##...###"})}, true},
        // Paper runs of 7 and ink runs of 3, the most 3 and 2 bits hold: one pair repeated row
        // after row, where bdfconv alternates two.
        {"repeated pairs", {Drawn(U'g', 12, {".......###"}), Drawn(U'h', 3, {"#.#.#."})}, true},
        {"noise", {Hand(U'i', 20, 20, 20, 21, true), Hand(U'j', 9, 30, 25, 10, true)}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        glyph::Strike strike;
        strike.glyphs = row.glyphs;
        const Bytes bytes = ParseArray(Write(strike).text).bytes;
        const U8g2Font font(bytes);
        EXPECT_EQ(SmallestFirst(strike, font), "");
        for (const glyph::StrikeGlyph& source : strike.glyphs) {
            const Glyph g = font.Decode(*font.Find(source.code), source.code);
            EXPECT_EQ(g.rows, InkRows(source));
            EXPECT_EQ(g.size,
                      RecordBytes(source, font, FewestBits(source, font.Byte(2), font.Byte(3))));
        }
        const long bdfconv = BdfconvFontSize(strike, font, bytes.size());
        if (row.belowBdfconv) {
            EXPECT_LT(static_cast<long>(bytes.size()), bdfconv);
        } else {
            EXPECT_LE(static_cast<long>(bytes.size()), bdfconv);
        }
    }
}

TEST(U8g2, RefusesWhatTheFormatCannotHold) {
    struct Row {
        const char* what;
        glyph::StrikeGlyph glyph;
        const char* message;
    };
    const Row rows[] = {
        {"record of 255 bytes and more", Hand(U'X', 60, 60, 60, 60, true),
         "'X' U+0058: its record"},
        {"width", Hand(U'W', 128, 2, 2, 10, false), "'W' U+0057: width is 128"},
        {"height", Hand(U'H', 2, 128, 100, 10, false), "'H' U+0048: height is 128"},
        {"y offset", Hand(U'Y', 2, 2, 130, 10, false), "'Y' U+0059: y offset is 128"},
        {"advance", Hand(U'D', 2, 2, 2, 128, false), "'D' U+0044: advance is 128"},
        {"code", Hand(U'\U0001F600', 2, 2, 2, 4, false), "U+1F600"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        glyph::Strike strike;
        strike.glyphs = {Hand(U'a', 3, 3, 3, 4, false), row.glyph};
        try {
            Write(strike);
            ADD_FAILURE() << "written";
        } catch (const formats::FormatError& error) {
            EXPECT_NE(std::string(error.what()).find(row.message), std::string::npos)
                << error.what();
        }
    }

    // From the command line: exit 2 and no file.
    const clitest::TempDir dir;
    const clitest::Result run =
        clitest::RunCli({"--format", "u8g2", "--font-file", testfonts::DejaVuSans(), "--size",
                         "80px", "-o", dir.Path("font.c"), "A@"});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("'@' U+0040"), std::string::npos) << run.err;
    EXPECT_TRUE(dir.Entries().empty());
}

} // namespace

// LVGL's compressed glyphs, read back by a decoder of our own written from LVGL's description of
// its font format (lv_font_fmt_txt: the run-length reader and the XOR prefilter), and compared
// with what the encoder was given and with the uncompressed font.
#include "formats/font_writer.h"
#include "formats/format_registry.h"
#include "formats/lvgl_compress.h"
#include "glyph/strike.h"
#include "tests/font_files.h"
#include "tests/string_sink.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Reads `count` pixels of `bpp` bits as LVGL does: a pixel read "single" that equals the pixel
// before switches to repeat mode; there a 1 bit repeats the pixel, and the 11th 1 in a row is
// followed by a 6-bit counter (0: the next pixel follows at once; C: C - 1 more repeats, then the
// next pixel); a 0 bit is followed by the next pixel. The pixel after a 0 or a counter is not
// compared with the one before it. With the prefilter, row y is XORed with row y - 1 afterwards.
// `used`, when given, receives the bytes the code took.
std::vector<std::uint8_t> Decode(const std::vector<std::uint8_t>& code, int width, int height,
                                 int bpp, bool prefilter, std::size_t* used = nullptr) {
    std::size_t bit = 0;
    auto take = [&](int n) {
        int v = 0;
        while (n-- > 0) {
            const int b = bit / 8 < code.size() ? (code[bit / 8] >> (7 - bit % 8)) & 1 : 0;
            v = v * 2 + b;
            ++bit;
        }
        return v;
    };
    std::vector<std::uint8_t> out;
    int mode = 0; // 0 single, 1 repeat, 2 counter
    int last = 0;
    int ones = 0;
    int counter = 0;
    while (out.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        int v = last;
        if (mode == 0) {
            const bool first = bit == 0;
            v = take(bpp);
            if (!first && v == last) {
                mode = 1;
                ones = 0;
            }
        } else if (mode == 1) {
            if (take(1) == 1) {
                ones += 1;
                if (ones == 11) {
                    counter = take(6);
                    if (counter == 0) {
                        v = take(bpp);
                        mode = 0;
                    } else {
                        mode = 2;
                    }
                }
            } else {
                v = take(bpp);
                mode = 0;
            }
        } else {
            counter -= 1;
            if (counter == 0) {
                v = take(bpp);
                mode = 0;
            }
        }
        last = v;
        out.push_back(static_cast<std::uint8_t>(v));
    }
    if (used != nullptr) {
        *used = (bit + 7) / 8;
    }
    if (prefilter) {
        for (std::size_t i = static_cast<std::size_t>(width); i < out.size(); ++i) {
            out[i] = static_cast<std::uint8_t>(out[i] ^ out[i - static_cast<std::size_t>(width)]);
        }
    }
    return out;
}

// The size lv_font_conv's encoder gives the same pixels, in bytes: it always prefilters, writes a
// lone pixel as it is, a run of 2 to 11 as "p p 1..1 0" and a longer one, up to 75 at a time, as
// "p p" eleven 1s and a 6-bit count.
std::size_t ConverterSize(std::vector<std::uint8_t> pixels, int width, int bpp) {
    for (std::size_t i = pixels.size(); i-- > static_cast<std::size_t>(width);) {
        pixels[i] = static_cast<std::uint8_t>(pixels[i] ^ pixels[i - width]);
    }
    std::size_t bits = 0;
    for (std::size_t i = 0; i < pixels.size();) {
        std::size_t same = 1;
        while (i + same < pixels.size() && pixels[i + same] == pixels[i] && same < 75) {
            ++same;
        }
        i += same;
        bits += same == 1 ? bpp : same <= 11 ? 2 * bpp + same - 1 : 2 * bpp + 17;
    }
    return (bits + 7) / 8;
}

struct Pattern {
    const char* name;
    int width;
    int height;
    // The level of pixel i of `count` at `maxLevel`.
    int (*level)(int i, int width, int maxLevel);
};

const Pattern kPatterns[] = {
    {"paper", 13, 17,
     [](int, int, int) {
         return 0;
     }},
    {"all ink", 13, 17,
     [](int, int, int top) {
         return top;
     }},
    {"one pixel", 1, 1,
     [](int, int, int top) {
         return top;
     }},
    {"a lone ink pixel", 9, 9,
     [](int i, int, int top) {
         return i == 40 ? top : 0;
     }},
    {"stripes across", 16, 12,
     [](int i, int w, int top) {
         return (i / w) % 2 ? top : 0;
     }},
    {"stripes down", 16, 12,
     [](int i, int, int top) {
         return i % 2 ? top : 0;
     }},
    {"every level in turn", 37, 5,
     [](int i, int, int top) {
         return i % (top + 1);
     }},
    {"runs 1, 2, 3 ... 90", 91, 45,
     [](int i, int, int top) {
         int run = 1;
         while (i >= run) {
             i -= run;
             ++run;
         }
         return run % 2 ? top : run % (top + 1);
     }},
    {"runs of 11, 12, 13, 75, 76", 187, 1,
     [](int i, int, int top) {
         const int ends[] = {11, 23, 36, 111, 187};
         int k = 0;
         while (i >= ends[k]) {
             ++k;
         }
         return k % 2 ? top : 0;
     }},
    {"a run of 5000", 100, 50,
     [](int, int, int top) {
         return top / 2;
     }},
    {"noise", 23, 29,
     [](int i, int, int top) {
         unsigned x = static_cast<unsigned>(i) * 2654435761U;
         return static_cast<int>((x >> 13) % static_cast<unsigned>(top + 1));
     }},
    {"a ramp", 20, 20,
     [](int i, int w, int top) {
         return (i % w + i / w) * top / 38;
     }},
};

std::vector<std::uint8_t> Levels(const Pattern& p, int bpp) {
    std::vector<std::uint8_t> levels;
    for (int i = 0; i < p.width * p.height; ++i) {
        levels.push_back(static_cast<std::uint8_t>(p.level(i, p.width, (1 << bpp) - 1)));
    }
    return levels;
}

TEST(LvglCompress, EveryPatternDecodesToItsLevelsAtEveryDepth) {
    // Room the writer reuses from glyph to glyph, here from pattern to pattern.
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint8_t> reused;
    for (const Pattern& p : kPatterns) {
        for (int bpp : {1, 2, 3, 4, 8}) {
            const std::vector<std::uint8_t> levels = Levels(p, bpp);
            for (bool prefilter : {false, true}) {
                const std::string row = std::string(p.name) + ", " + std::to_string(bpp) + " bpp" +
                                        (prefilter ? ", prefiltered" : "");
                const std::vector<std::uint8_t> code =
                    formats::CompressLevels(levels, p.width, p.height, bpp, prefilter);
                EXPECT_EQ(Decode(code, p.width, p.height, bpp, prefilter), levels) << row;
                EXPECT_EQ(formats::DecompressLevels(code, p.width, p.height, bpp, prefilter),
                          levels)
                    << row;
                formats::CompressLevels(levels, p.width, p.height, bpp, prefilter, pixels, reused);
                EXPECT_EQ(reused, code) << row << ": with reused room";
                EXPECT_EQ(
                    formats::CompressedSize(levels, p.width, p.height, bpp, prefilter, pixels),
                    code.size())
                    << row << ": counted";
                if (prefilter) {
                    EXPECT_LE(code.size(), ConverterSize(levels, p.width, bpp)) << row;
                }
            }
        }
    }
}

TEST(LvglCompress, LvglDecompressesOnlyTheseDepths) {
    for (int bpp = 0; bpp <= 9; ++bpp) {
        EXPECT_EQ(formats::LvglDecompresses(9, bpp), bpp >= 2 && bpp <= 4) << "LVGL 9, " << bpp;
        EXPECT_EQ(formats::LvglDecompresses(8, bpp), (bpp >= 1 && bpp <= 4) || bpp == 8)
            << "LVGL 8, " << bpp;
    }
}

// A glyph of a written lvgl font: its descriptor's box and bitmap_index, and glyph_bitmap from
// there to its end (LVGL reads a glyph from its bitmap_index on, as far as its box needs).
struct WrittenGlyph {
    int width = 0;
    int height = 0;
    std::size_t index = 0;
    std::vector<std::uint8_t> bytes;
};

struct WrittenFont {
    std::vector<std::uint8_t> bitmap; // glyph_bitmap
    std::map<std::string, WrittenGlyph> glyphs;
};

WrittenFont ParseFont(const std::string& text) {
    WrittenFont font;
    const std::regex comment(R"(/\*.*?\*/)");
    const std::regex hex(R"(0x([0-9A-F]{2}),)");
    const std::regex dsc(R"(\.bitmap_index = (\d+), .*\.box_w = (\d+), \.box_h = (\d+), .*)"
                         R"(/\* (U\+[0-9A-F]+) \*/$)");
    std::istringstream lines(text);
    std::string line;
    bool inBitmap = false;
    std::smatch m;
    while (std::getline(lines, line)) {
        if (line.find("glyph_bitmap[] = {") != std::string::npos) {
            inBitmap = true;
        } else if (inBitmap && line == "};") {
            inBitmap = false;
        } else if (inBitmap) {
            const std::string bytes = std::regex_replace(line, comment, "");
            for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), hex);
                 it != std::sregex_iterator(); ++it) {
                font.bitmap.push_back(static_cast<std::uint8_t>(std::stoi((*it)[1], nullptr, 16)));
            }
        } else if (std::regex_search(line, m, dsc)) {
            WrittenGlyph& g = font.glyphs[m[4]];
            g.index = std::stoul(m[1]);
            g.width = std::stoi(m[2]);
            g.height = std::stoi(m[3]);
        }
    }
    for (auto& [code, g] : font.glyphs) {
        if (g.index <= font.bitmap.size()) {
            g.bytes.assign(font.bitmap.begin() + static_cast<std::ptrdiff_t>(g.index),
                           font.bitmap.end());
        } else {
            ADD_FAILURE() << code << ": bitmap_index " << g.index << " past glyph_bitmap";
        }
    }
    return font;
}

std::string Write(const glyph::Strike& strike, bool compress, int version, int bpp = 1) {
    formats::FormatOptions options;
    options.name = "test_font";
    options.lvglVersion = version;
    options.compress = compress;
    options.bpp = bpp;
    return test::WriteStrike("lvgl", options, strike);
}

TEST(LvglCompress, CompressedFontDrawsAsTheUncompressedOne) {
    glyph::FontFaces faces;
    faces.Select(glyph::FontSource::File(testfonts::DejaVuSans()), {"", 12, false, false});
    std::u32string ascii;
    for (char32_t c = 0x20; c < 0x7F; ++c) {
        ascii += c;
    }
    const glyph::Strike strike = glyph::DrawStrike(faces, ascii);
    const std::string plainText = Write(strike, false, 8);
    const std::string compressedText = Write(strike, true, 8);
    const bool prefilter = compressedText.find(".bitmap_format = 1,") != std::string::npos;
    ASSERT_TRUE(prefilter || compressedText.find(".bitmap_format = 2,") != std::string::npos);
    EXPECT_NE(compressedText.find("#if !LV_USE_FONT_COMPRESSED"), std::string::npos);
    const WrittenFont plain = ParseFont(plainText);
    const WrittenFont compressed = ParseFont(compressedText);
    ASSERT_EQ(plain.glyphs.size(), ascii.size());
    ASSERT_EQ(compressed.glyphs.size(), plain.glyphs.size());
    const std::size_t plainBytes = plain.bitmap.size();
    std::size_t ourBytes = 0; // each glyph's own code, whether shared or not
    std::size_t converterBytes = 0;
    for (const auto& [code, g] : plain.glyphs) {
        const WrittenGlyph& c = compressed.glyphs.at(code);
        ASSERT_EQ(c.width, g.width) << code;
        ASSERT_EQ(c.height, g.height) << code;
        std::vector<std::uint8_t> levels;
        for (int i = 0; i < g.width * g.height; ++i) {
            levels.push_back((g.bytes[i / 8] >> (7 - i % 8)) & 1);
        }
        std::size_t used = 0;
        EXPECT_EQ(Decode(c.bytes, c.width, c.height, 1, prefilter, &used), levels) << code;
        ourBytes += used;
        converterBytes += ConverterSize(levels, g.width, 1);
    }
    EXPECT_LE(ourBytes, converterBytes);
    RecordProperty("plain_bytes", static_cast<int>(plainBytes));
    RecordProperty("compressed_bytes", static_cast<int>(ourBytes));
}

// A grey font compressed, read back by the decoder above, holds the strike's coverage rounded
// to the font's depth pixel for pixel: the only way 3 bpp is written. Greek Α and Cyrillic А
// are drawn as Latin A: glyph_bitmap holds their code once and all three descriptors point at it.
TEST(LvglCompress, CompressedGreyLevelsAreTheCoverageRounded) {
    glyph::FontFaces faces;
    faces.Select(glyph::FontSource::File(testfonts::DejaVuSans()), {"", 16, false, false});
    const std::u32string characters = U"AgW%@j,.\u0416\u0391\u0410";
    const glyph::Strike strike = glyph::DrawStrike(faces, characters, glyph::Depth::Eight);
    struct Row {
        int bpp;
        int version;
    };
    for (const Row row : {Row{3, 9}, Row{3, 8}, Row{2, 9}, Row{4, 8}, Row{8, 8}}) {
        const std::string what =
            std::to_string(row.bpp) + " bpp, LVGL " + std::to_string(row.version);
        const std::string text = Write(strike, true, row.version, row.bpp);
        const bool prefilter = text.find(".bitmap_format = 1,") != std::string::npos;
        const WrittenFont written = ParseFont(text);
        const double top = (1 << row.bpp) - 1;
        std::map<std::size_t, std::size_t> codeAt; // bitmap_index -> bytes of the code there
        std::size_t unshared = 0;                  // the codes' bytes, each glyph its own
        for (const glyph::StrikeGlyph& g : strike.glyphs) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(g.code));
            const WrittenGlyph& w = written.glyphs.at(code);
            ASSERT_EQ(w.width, g.ink.width()) << what << ", " << code;
            ASSERT_EQ(w.height, g.ink.height()) << what << ", " << code;
            std::vector<std::uint8_t> expected;
            for (int y = 0; y < g.ink.height(); ++y) {
                for (int x = 0; x < g.ink.width(); ++x) {
                    expected.push_back(
                        static_cast<std::uint8_t>(std::lround(g.ink.Value(x, y) * top / 255.0)));
                }
            }
            std::size_t used = 0;
            EXPECT_EQ(Decode(w.bytes, w.width, w.height, row.bpp, prefilter, &used), expected)
                << what << ", " << code;
            if (!expected.empty()) {
                codeAt[w.index] = used;
                unshared += used;
            }
        }
        const std::size_t latinA = written.glyphs.at("U+0041").index;
        EXPECT_EQ(written.glyphs.at("U+0391").index, latinA) << what << ", Greek Alpha";
        EXPECT_EQ(written.glyphs.at("U+0410").index, latinA) << what << ", Cyrillic A";
        std::size_t shared = 0;
        for (const auto& [index, bytes] : codeAt) {
            shared += bytes;
        }
        // Each code once, then the byte LVGL may read past the last.
        EXPECT_EQ(written.bitmap.size(), shared + 1) << what;
        EXPECT_LT(shared, unshared) << what;
    }
}

TEST(LvglCompress, RefusesADepthLvglCannotDecompress) {
    glyph::FontFaces faces;
    faces.Select(glyph::FontSource::File(testfonts::DejaVuSans()), {"", 12, false, false});
    const glyph::Strike strike = glyph::DrawStrike(faces, U"A");
    try {
        Write(strike, true, 9);
        ADD_FAILURE() << "written";
    } catch (const formats::FormatError& error) {
        EXPECT_NE(std::string(error.what()).find("LVGL 9 decompresses glyphs of 2, 3 and 4"),
                  std::string::npos)
            << error.what();
    }
}

} // namespace

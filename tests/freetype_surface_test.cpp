// The real surface, drawn with the DejaVu faces.
#include "glyph/clip_check.h"
#include "glyph/conversion.h"
#include "glyph/freetype_surface.h"
#include "glyph/ink.h"
#include "glyph/strike.h"
#include "tests/conversion_support.h"
#include "tests/font_files.h"
#include "tests/test_files.h"

#include <cmath>
#include <filesystem>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using glyph::FontSpec;
using glyph::FreeTypeSurface;

struct InkBox {
    int count = 0;
    int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
};

InkBox Draw(FreeTypeSurface& surface, std::u32string_view text) {
    surface.Cls();
    surface.Print(text);
    InkBox box;
    for (int y = 0; y < surface.Height(); ++y) {
        for (int x = 0; x < surface.Width(); ++x) {
            if (glyph::IsInk(surface.Point(x, y))) {
                ++box.count;
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
        }
    }
    return box;
}

// Mean x of the ink in rows [from, to).
double MeanInkX(const FreeTypeSurface& surface, int from, int to) {
    double sum = 0;
    int count = 0;
    for (int y = from; y < to; ++y) {
        for (int x = 0; x < surface.Width(); ++x) {
            if (glyph::IsInk(surface.Point(x, y))) {
                sum += x;
                ++count;
            }
        }
    }
    return count > 0 ? sum / count : -1;
}

TEST(FreeTypeSurface, PointsOutsideTheDrawingAreaReadMinusOne) {
    FreeTypeSurface surface({"DejaVu Sans", 10});
    surface.Cls();
    const int w = surface.Width();
    const int h = surface.Height();
    EXPECT_EQ(w, glyph::kMinExtent);
    EXPECT_EQ(h, glyph::kMinExtent);
    const std::pair<int, int> outside[] = {{-1, 0}, {0, -1}, {-1, -1}, {w, 0}, {0, h}, {w, h}};
    for (auto [x, y] : outside) {
        EXPECT_EQ(surface.Point(x, y), glyph::kOutside) << x << "," << y;
    }
    const std::pair<int, int> corners[] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    for (auto [x, y] : corners) {
        EXPECT_EQ(surface.Point(x, y), glyph::kPaper) << x << "," << y;
    }
    std::vector<glyph::Colour> row(w + 2);
    surface.ReadRow(h - 1, w + 2, row.data());
    EXPECT_EQ(row[w - 1], glyph::kPaper);
    EXPECT_EQ(row[w], glyph::kOutside);
    surface.ReadRow(h, 1, row.data());
    EXPECT_EQ(row[0], glyph::kOutside);
}

TEST(FreeTypeSurface, InkRowsAgreeWithTheInkRule) {
    FreeTypeSurface surface({"DejaVu Sans", 40});
    Draw(surface, U"W@");
    const int w = surface.Width() + 3; // past the right edge, where points read as ink
    std::vector<glyph::Colour> colours(w);
    const auto ink = std::make_unique<bool[]>(w);
    for (int y = -1; y <= surface.Height(); ++y) {
        surface.ReadRow(y, w, colours.data());
        surface.ReadInkRow(y, w, ink.get());
        for (int x = 0; x < w; ++x) {
            ASSERT_EQ(ink[x], glyph::IsInk(colours[x])) << x << "," << y;
        }
    }
}

TEST(FreeTypeSurface, InkIsBlackAndCrisp) {
    FreeTypeSurface surface({"DejaVu Sans", 24});
    const InkBox box = Draw(surface, U"M");
    ASSERT_GT(box.count, 0);
    for (int y = 0; y < surface.Height(); ++y) {
        for (int x = 0; x < surface.Width(); ++x) {
            const glyph::Colour c = surface.Point(x, y);
            ASSERT_TRUE(c == glyph::kInk || c == glyph::kPaper) << "grey at " << x << "," << y;
        }
    }
}

TEST(FreeTypeSurface, BarStartsAtTheTopLeftOfItsCell) {
    for (float size : {8.0F, 10.0F, 24.0F, 72.0F}) {
        FreeTypeSurface surface({"DejaVu Sans", size});
        const InkBox box = Draw(surface, U"|");
        SCOPED_TRACE(size);
        ASSERT_GT(box.count, 0);
        EXPECT_LE(box.left, 1 + static_cast<int>(size / 6)) << "ink within the first columns";
        EXPECT_GE(box.top, 0);
        EXPECT_LE(box.top, static_cast<int>(size / 2)) << "cell top is at row 0";
    }
}

TEST(FreeTypeSurface, PrintMovesDownOneLine) {
    FreeTypeSurface surface({"DejaVu Sans", 10}); // 13 pixels
    surface.Cls();
    surface.Print(U"|");
    surface.Print(U"|");
    std::vector<int> starts; // rows where a run of ink begins in the bar's columns
    bool previous = false;
    for (int y = 0; y < 60; ++y) {
        bool ink = false;
        for (int x = 0; x < 6; ++x) {
            ink = ink || glyph::IsInk(surface.Point(x, y));
        }
        if (ink && !previous) {
            starts.push_back(y);
        }
        previous = ink;
    }
    ASSERT_EQ(starts.size(), 2U) << "two bars, one below the other";
    EXPECT_GE(starts[1] - starts[0], 13) << "one line lower";
    EXPECT_LE(starts[1] - starts[0], 18);

    EXPECT_EQ(Draw(surface, U"|").top, starts[0]) << "Cls puts the print position back";
}

TEST(FreeTypeSurface, StylesAndScripts) {
    FreeTypeSurface regular({"DejaVu Sans", 24});
    FreeTypeSurface bold({"DejaVu Sans", 24, true, false});
    EXPECT_GT(Draw(bold, U"H").count, Draw(regular, U"H").count * 1.2) << "bold draws more ink";

    EXPECT_GT(Draw(regular, U"\u0416").count, 30) << "Cyrillic Zhe draws ink";

    FreeTypeSurface italic({"DejaVu Sans", 48, false, true});
    const InkBox box = Draw(italic, U"l");
    ASSERT_GT(box.count, 0);
    const int third = (box.bottom - box.top) / 3;
    EXPECT_GT(MeanInkX(italic, box.top, box.top + third),
              MeanInkX(italic, box.bottom - third, box.bottom + 1) + 2)
        << "italic leans right";
}

TEST(FreeTypeSurface, SynthesisesStylesAFamilyLacks) {
    // DejaVu Serif has no light weight but has italic; a family with only an upright face gets
    // fontconfig's slant matrix. Either way, asking for italic must lean.
    FreeTypeSurface upright({"DejaVu Sans Mono", 48});
    FreeTypeSurface italic({"DejaVu Sans Mono", 48, false, true});
    const InkBox a = Draw(upright, U"l");
    const InkBox b = Draw(italic, U"l");
    EXPECT_NE(a.left, b.left);
}

TEST(FreeTypeSurface, FontPropertiesReadBack) {
    FreeTypeSurface surface;
    surface.SetFontName("DejaVu Serif");
    surface.SetFontSize(9.75F);
    surface.SetFontBold(true);
    surface.SetFontItalic(true);
    EXPECT_EQ(surface.FontName(), "DejaVu Serif");
    EXPECT_EQ(surface.FontSize(), 9.75F);
    EXPECT_TRUE(surface.FontBold());
    EXPECT_TRUE(surface.FontItalic());
    EXPECT_NE(surface.FontFile().find("DejaVuSerif-BoldItalic"), std::string::npos);

    surface.SetFontName("No Such Family Rastova");
    const std::string used = surface.FontName();
    EXPECT_FALSE(used.empty());
    EXPECT_NE(used, "No Such Family Rastova") << "the name says what is really drawn";
}

TEST(FreeTypeSurface, MissingGlyphComesFromAnotherFace) {
    // Hebrew alef is in DejaVu Sans but not in DejaVu Serif.
    FreeTypeSurface surface({"DejaVu Serif", 24});
    EXPECT_TRUE(surface.HasGlyph(U'\u05D0'));
    EXPECT_GT(Draw(surface, U"\u05D0").count, 20);
    EXPECT_EQ(surface.FontName(), "DejaVu Serif");
}

TEST(FreeTypeSurface, CharacterNoFaceHasDrawsTheMissingGlyphEveryTime) {
    // U+0378 is unassigned: no face has it, and asking again must not find a stale answer.
    FreeTypeSurface surface({"DejaVu Sans", 24});
    const int first = Draw(surface, U"\u0378").count;
    EXPECT_GT(first, 0) << "the missing-glyph box";
    EXPECT_FALSE(surface.HasGlyph(U'\u0378'));
    EXPECT_EQ(Draw(surface, U"\u0378").count, first);
}

TEST(FreeTypeSurface, SpaceConvertsToEmptyBytes) {
    FreeTypeSurface surface({"DejaVu Sans", 10});
    glyph::ScanBounds bounds;
    bounds.UpdateScanSize(10, false);
    std::istringstream lines(test::ConvertToText(surface, U' ', bounds));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "// DejaVu Sans (16 pixels wide)\r");
    int rows = 0;
    while (std::getline(lines, line)) {
        ++rows;
        EXPECT_EQ(line, "0x00, 0x00, //                 \r");
    }
    EXPECT_EQ(rows, bounds.ScanHeight + 1);
}

// Large sizes scan past the 134-pixel area; every '#' must still be real ink.
TEST(FreeTypeSurface, LargeSizesReportOnlyRealInk) {
    for (auto [size, italic] : {std::pair{100.0F, false}, std::pair{72.0F, true}}) {
        SCOPED_TRACE(size);
        FreeTypeSurface surface({"DejaVu Sans", size, false, italic});
        glyph::ScanBounds bounds;
        bounds.UpdateScanSize(size, italic);
        ASSERT_GT(bounds.ScanWidth + 1, glyph::kMinExtent);
        const std::string text = test::ConvertToText(surface, U'.', bounds, "\n");
        std::istringstream lines(text);
        std::string line;
        std::getline(lines, line);
        int y = 0;
        int hashes = 0;
        while (std::getline(lines, line)) {
            const std::string pattern = line.substr(line.find("//") + 2);
            ASSERT_EQ(pattern.size(), static_cast<std::size_t>(bounds.ScanWidth) + 1);
            for (int x = 0; x <= bounds.ScanWidth; ++x) {
                const bool hash = pattern[x] == '#';
                hashes += hash;
                ASSERT_EQ(hash, surface.Point(x, y) == glyph::kInk) << x << "," << y;
            }
            ++y;
        }
        EXPECT_EQ(y, bounds.ScanHeight + 1);
        EXPECT_GT(hashes, 0);
        EXPECT_LT(hashes, (bounds.ScanWidth + 1) * 30) << "a dot is small";
    }
}

} // namespace

namespace {

using glyph::ScanBounds;

std::string Text(FreeTypeSurface& surface, char32_t c, float size, bool italic = false) {
    ScanBounds bounds;
    bounds.UpdateScanSize(size, italic);
    return test::ConvertToText(surface, c, bounds, "\n");
}

using testfiles::AsNobody;
using testfiles::TempDir;

TEST(FreeTypeSurfaceFile, DrawsLikeTheSameFaceFoundByFamily) {
    FreeTypeSurface byFamily({"DejaVu Sans", 12});
    FreeTypeSurface byFile({"ignored", 12});
    byFile.SetFontFile(testfonts::DejaVuSans());
    EXPECT_EQ(byFile.FontName(), "DejaVu Sans");
    EXPECT_EQ(byFile.FontFile(), byFamily.FontFile());
    EXPECT_FALSE(byFile.FamilyReplaced());
    for (char32_t c : {U'A', U'g', U'\u0416', U'7', U' '}) {
        EXPECT_EQ(Text(byFile, c, 12), Text(byFamily, c, 12)) << static_cast<unsigned>(c);
    }
}

TEST(FreeTypeSurfaceFile, HasNoFallbacks) {
    // DejaVu Serif lacks Hebrew alef; found by family, a fallback draws it.
    FreeTypeSurface byFamily({"DejaVu Serif", 24});
    FreeTypeSurface byFile({"DejaVu Serif", 24});
    byFile.SetFontFile(testfonts::FileFor("DejaVu Serif:style=Book"));
    EXPECT_TRUE(byFamily.HasGlyph(U'\u05D0'));
    EXPECT_FALSE(byFile.HasGlyph(U'\u05D0'));
    EXPECT_TRUE(byFile.HasGlyph(U'A'));
}

TEST(FreeTypeSurfaceFile, SynthesisesOnlyTheStyleTheFaceLacks) {
    struct Row {
        const char* pattern; // the face's file, found by fontconfig
        bool bold;
        bool italic;
        const char* style;
    };
    const Row rows[] = {
        {"DejaVu Sans:style=Book", false, false, "Book"},
        {"DejaVu Sans:style=Book", true, false, "Book, emboldened"},
        {"DejaVu Sans:style=Book", false, true, "Book, slanted"},
        {"DejaVu Sans:style=Bold", true, false, "Bold"},
        {"DejaVu Sans:style=Oblique", false, true, "Oblique"},
        {"DejaVu Sans:style=Bold", false, true, "Bold, slanted"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << row.pattern << " bold " << row.bold << " italic " << row.italic);
        FreeTypeSurface surface({"", 24, row.bold, row.italic});
        surface.SetFontFile(testfonts::FileFor(row.pattern));
        EXPECT_EQ(surface.FontStyle(), row.style);
    }

    FreeTypeSurface regular({"", 24});
    FreeTypeSurface bold({"", 24, true, false});
    FreeTypeSurface boldFace({"", 24, true, false});
    regular.SetFontFile(testfonts::DejaVuSans());
    bold.SetFontFile(testfonts::DejaVuSans());
    boldFace.SetFontFile(testfonts::FileFor("DejaVu Sans:style=Bold"));
    FreeTypeSurface boldFaceAlone({"", 24});
    boldFaceAlone.SetFontFile(testfonts::FileFor("DejaVu Sans:style=Bold"));
    EXPECT_GT(Draw(bold, U"H").count, Draw(regular, U"H").count * 1.2) << "emboldened";
    EXPECT_EQ(Draw(boldFace, U"H").count, Draw(boldFaceAlone, U"H").count)
        << "a bold face is not emboldened again";

    FreeTypeSurface italic({"", 48, false, true});
    italic.SetFontFile(testfonts::DejaVuSans());
    const InkBox box = Draw(italic, U"l");
    ASSERT_GT(box.count, 0);
    const int third = (box.bottom - box.top) / 3;
    EXPECT_GT(MeanInkX(italic, box.top, box.top + third),
              MeanInkX(italic, box.bottom - third, box.bottom + 1) + 2)
        << "slanted leans right";
}

TEST(FreeTypeSurfaceFile, BadFilesAreCleanErrors) {
    const TempDir dir;
    std::filesystem::permissions(dir.Path(), std::filesystem::perms(0755));
    const std::string unreadable = dir.File("locked.ttf", "");
    std::filesystem::copy_file(testfonts::DejaVuSans(), unreadable,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(unreadable, std::filesystem::perms::owner_write);
    struct Row {
        const char* what;
        std::string path;
        int index;
        const char* mentions;
    };
    const Row rows[] = {
        {"missing", dir.Path("none.ttf"), 0, "No such file"},
        {"a folder", dir.Path(), 0, "not a regular file"},
        {"text", dir.File("notes.ttf", "just some words\n"), 0, "not a font"},
        {"empty", dir.File("empty.otf", ""), 0, "not a font"},
        {"truncated", dir.File("cut.ttf", std::string("\0\1\0\0\0\x10", 6)), 0, ""},
        {"unreadable", unreadable, 0, "Permission denied"},
        {"face 1 of 1", testfonts::DejaVuSans(), 1, "face index 1 is out of range"},
        {"face 9 of 1", testfonts::DejaVuSans(), 9, "has 1 face"},
    };
    for (const Row& row : rows) {
        FreeTypeSurface surface({"", 10});
        surface.SetFontFile(row.path, row.index);
        try {
            const AsNobody nobody;
            surface.FontName();
            ADD_FAILURE() << row.what << ": no error";
        } catch (const glyph::FontError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(row.mentions), std::string::npos) << row.what << ": " << message;
            EXPECT_EQ(message.find('\n'), std::string::npos) << row.what;
        }
    }
}

TEST(FreeTypeSurfacePattern, PicksTheFaceThePatternNames) {
    struct Row {
        const char* pattern;
        bool bold;
        bool italic;
        const char* file;
    };
    const Row rows[] = {
        {"DejaVu Serif:bold", false, false, "DejaVuSerif-Bold.ttf"},
        {"DejaVu Serif:bold", false, true, "DejaVuSerif-BoldItalic.ttf"},
        {"DejaVu Serif:italic", true, false, "DejaVuSerif-BoldItalic.ttf"},
        {"DejaVu Serif", false, false, "DejaVuSerif.ttf"},
        {"DejaVu Sans Mono:weight=bold:slant=italic", false, false,
         "DejaVuSansMono-BoldOblique.ttf"},
        {"DejaVu Sans,DejaVu Serif", false, false, "DejaVuSans.ttf"},
    };
    for (const Row& row : rows) {
        FreeTypeSurface surface({"", 12, row.bold, row.italic});
        surface.SetFontPattern(row.pattern);
        const std::string file = surface.FontFile();
        EXPECT_EQ(file.substr(file.rfind('/') + 1), row.file) << row.pattern;
    }
}

TEST(FreeTypeSurfacePattern, SizeComesFromTheSurface) {
    FreeTypeSurface plain({"DejaVu Sans", 10});
    FreeTypeSurface sized({"", 10});
    sized.SetFontPattern("DejaVu Sans-40");
    EXPECT_EQ(Text(sized, U'M', 10), Text(plain, U'M', 10));
}

TEST(FreeTypeSurfacePattern, SetFontNameTakesAPlainFamilyAgain) {
    FreeTypeSurface surface({"", 12});
    surface.SetFontPattern("DejaVu Serif:bold");
    EXPECT_NE(surface.FontFile().find("DejaVuSerif-Bold"), std::string::npos);
    surface.SetFontName("DejaVu Sans");
    EXPECT_NE(surface.FontFile().find("DejaVuSans.ttf"), std::string::npos);
}

TEST(FreeTypeSurfacePattern, TellsWhenFontconfigReplacedTheFamily) {
    struct Row {
        const char* text;
        bool pattern;
        bool replaced;
    };
    const Row rows[] = {
        {"DejaVu Sans", false, false},
        {"dejavu sans", false, false},
        {"sans-serif", false, false},
        {"Monospace", false, false},
        {"No Such Family Rastova", false, true},
        {"DejaVu Serif:bold", true, false},
        {":bold", true, false},
        {"No Such Family Rastova,DejaVu Serif", true, false},
        {"No Such Family Rastova:bold", true, true},
    };
    for (const Row& row : rows) {
        FreeTypeSurface surface({row.text, 12});
        if (row.pattern) {
            surface.SetFontPattern(row.text);
        }
        EXPECT_EQ(surface.FamilyReplaced(), row.replaced) << row.text;
    }
}

// The strike draws what the surface draws: its glyph, put at the surface's print position,
// inks exactly the pixels the surface reads as ink, and keeps what falls off the area.
TEST(Strike, GlyphsInkWhatTheSurfaceShowsAndMore) {
    struct Row {
        const char* font;
        float size;
        bool bold;
        bool italic;
        std::u32string text;
    };
    const Row rows[] = {
        {"DejaVu Sans", 24, false, false, U"gAW\u0416 "},
        {"DejaVu Sans Mono", 18, true, true, U"fj@"},      // bold and italic synthesised
        {"DejaVu Serif", 9.75F, false, true, U"Qy\u05D0"}, // alef from a fallback face
    };
    for (const Row& row : rows) {
        const FontSpec font{row.font, row.size, row.bold, row.italic};
        FreeTypeSurface surface(font);
        glyph::FontFaces faces;
        faces.Select(glyph::FontSource::Family(row.font), font);
        const int ascent = faces.Metrics().ascent;
        for (char32_t c : row.text) {
            SCOPED_TRACE(testing::Message() << row.font << " U+" << std::hex << unsigned(c));
            const glyph::StrikeGlyph glyph = glyph::DrawGlyph(faces, c);
            Draw(surface, std::u32string(1, c));
            for (int y = 0; y < surface.Height(); ++y) {
                for (int x = 0; x < surface.Width(); ++x) {
                    ASSERT_EQ(glyph::IsInk(surface.Point(x, y)), glyph.InkAt(x, y - ascent))
                        << x << "," << y;
                }
            }
            if (!glyph.ink.empty()) {
                // The box is tight: ink on each of its edges.
                const glyph::PixelBox box = glyph.Box();
                bool left = false, right = false, top = false, bottom = false;
                for (int y = box.y; y < box.bottom(); ++y) {
                    left = left || glyph.InkAt(box.x, y);
                    right = right || glyph.InkAt(box.right() - 1, y);
                }
                for (int x = box.x; x < box.right(); ++x) {
                    top = top || glyph.InkAt(x, box.y);
                    bottom = bottom || glyph.InkAt(x, box.bottom() - 1);
                }
                EXPECT_TRUE(left && right && top && bottom);
            }
            EXPECT_GT(glyph.advance, 0);
        }
    }

    // A combining acute has no advance of its own: it hangs left of the pen, off the area.
    glyph::FontFaces faces;
    faces.Select(glyph::FontSource::Family("DejaVu Sans"), {"DejaVu Sans", 24});
    const glyph::StrikeGlyph acute = glyph::DrawGlyph(faces, U'\u0301');
    EXPECT_LT(acute.left + acute.ink.width(), 1);
    EXPECT_EQ(acute.advance, 0);
    ScanBounds bounds;
    bounds.UpdateScanSize(24, false);
    EXPECT_GT(glyph::CheckClipping(acute, glyph::ScanFrame(bounds, faces.Metrics().ascent), true)
                  .left.pixels,
              0);
}

// The underline comes from the font's post table, whose position is the line's top edge,
// scaled from font units to the size and rounded.
TEST(Strike, UnderlineFromThePostTable) {
    const std::string file = testfonts::DejaVuSans();
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Face(library, file.c_str(), 0, &face), 0);
    const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
    ASSERT_NE(post, nullptr);
    const double unitsPerEm = face->units_per_EM;
    const double top = post->underlinePosition;
    const double thickness = post->underlineThickness;
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    for (float points : {12.0F, 36.0F, 150.0F}) {
        glyph::FontFaces faces;
        faces.Select(glyph::FontSource::File(file), {"", points});
        const int pixels = faces.Metrics().pixelSize;
        EXPECT_EQ(faces.Metrics().underlineTop, std::lround(top * pixels / unitsPerEm)) << pixels;
        EXPECT_EQ(faces.Metrics().underlineThickness, std::lround(thickness * pixels / unitsPerEm))
            << pixels;
    }
}

// FreeType's own render of c with `flags`, at pen coordinates (x right, y down from the
// baseline): the level of each pixel, 0 paper; a mono render's ink reads 255.
struct DirectRender {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<unsigned> levels;
    long advance = 0;

    unsigned At(int x, int y) const {
        const int col = x - left;
        const int row = y + top;
        if (col < 0 || row < 0 || col >= width || row >= height) {
            return 0;
        }
        return levels[static_cast<std::size_t>(row) * width + col];
    }
};

DirectRender RenderDirectly(FT_Face face, char32_t c, FT_Int32 flags, FT_Render_Mode mode) {
    DirectRender render;
    EXPECT_EQ(FT_Load_Char(face, c, flags), 0);
    EXPECT_EQ(FT_Render_Glyph(face->glyph, mode), 0);
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    render.left = face->glyph->bitmap_left;
    render.top = face->glyph->bitmap_top;
    render.width = static_cast<int>(bitmap.width);
    render.height = static_cast<int>(bitmap.rows);
    render.advance = (face->glyph->advance.x + 32) >> 6;
    for (int y = 0; y < render.height; ++y) {
        const unsigned char* row = bitmap.buffer + static_cast<long>(y) * bitmap.pitch;
        for (int x = 0; x < render.width; ++x) {
            const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
            render.levels.push_back(mono ? ((row[x / 8] >> (7 - x % 8)) & 1U) * 255U : row[x]);
        }
    }
    return render;
}

// Each hinting mode draws, at 1 bit and at 8, what FreeType draws with that mode's load flags;
// the modes differ from one another, so a mode that is not passed on shows.
TEST(Strike, EachHintingModeDrawsAsFreeTypeWithItsFlags) {
    struct Row {
        const char* what;
        glyph::Hinting hinting;
        glyph::Depth depth;
        FT_Int32 flags;
    };
    const Row rows[] = {
        {"normal, 1 bit", glyph::Hinting::Normal, glyph::Depth::One, FT_LOAD_TARGET_MONO},
        {"light, 1 bit", glyph::Hinting::Light, glyph::Depth::One, FT_LOAD_TARGET_LIGHT},
        {"none, 1 bit", glyph::Hinting::None, glyph::Depth::One, FT_LOAD_NO_HINTING},
        {"auto, 1 bit", glyph::Hinting::Auto, glyph::Depth::One,
         FT_LOAD_FORCE_AUTOHINT | FT_LOAD_TARGET_MONO},
        {"normal, grey", glyph::Hinting::Normal, glyph::Depth::Eight, FT_LOAD_TARGET_NORMAL},
        {"light, grey", glyph::Hinting::Light, glyph::Depth::Eight, FT_LOAD_TARGET_LIGHT},
        {"none, grey", glyph::Hinting::None, glyph::Depth::Eight, FT_LOAD_NO_HINTING},
        {"auto, grey", glyph::Hinting::Auto, glyph::Depth::Eight, FT_LOAD_FORCE_AUTOHINT},
    };
    const std::string file = testfonts::FileFor("DejaVu Serif:style=Book");
    const std::u32string text = U"AMWagmsw&%";
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Face(library, file.c_str(), 0, &face), 0);
    ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 13), 0);
    std::vector<std::vector<unsigned>> drawn;
    for (const Row& row : rows) {
        glyph::FontFaces faces;
        faces.Select(glyph::FontSource::File(file), {"", 9.75F}); // 13 px
        faces.SetHinting(row.hinting);
        const bool grey = row.depth == glyph::Depth::Eight;
        std::vector<unsigned> levels;
        for (char32_t c : text) {
            const glyph::StrikeGlyph strike = glyph::DrawGlyph(faces, c, row.depth);
            const DirectRender direct = RenderDirectly(
                face, c, row.flags, grey ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO);
            EXPECT_EQ(strike.advance, direct.advance) << row.what << ", U+" << std::hex << +c;
            const glyph::PixelBox box = strike.Box();
            const glyph::PixelBox both = glyph::Union(
                box, {direct.left - 1, -direct.top - 1, direct.width + 2, direct.height + 2});
            levels.push_back(static_cast<unsigned>(strike.advance));
            for (int y = both.y; y < both.bottom(); ++y) {
                for (int x = both.x; x < both.right(); ++x) {
                    const bool inside =
                        x >= box.x && x < box.right() && y >= box.y && y < box.bottom();
                    const unsigned ours = inside ? strike.ink.Value(x - box.x, y - box.y) : 0;
                    const unsigned level = grey ? ours : ours * 255U;
                    ASSERT_EQ(level, direct.At(x, y)) << row.what << ", U+" << std::hex << +c
                                                      << std::dec << " at " << x << "," << y;
                    levels.push_back(level);
                }
            }
        }
        for (std::size_t k = 0; k < drawn.size(); ++k) {
            if (rows[k].depth == row.depth) {
                EXPECT_NE(drawn[k], levels) << row.what << " draws as " << rows[k].what;
            }
        }
        drawn.push_back(levels);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

TEST(Strike, ClippingAgreesWithTheConversion) {
    struct Row {
        char32_t c;
        float size;
        ScanBounds bounds; // ScanHeight, ScanWidth
        bool right;
        bool bottom;
    };
    const Row rows[] = {
        {U'M', 24, {10, 8}, true, true},    // the rectangle cuts the glyph
        {U'M', 24, {43, 40}, false, false}, // the rule's rectangle for 24 pt holds it
        {U'A', 10, {18, 16}, false, false},
        {U'W', 72, {129, 112}, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << static_cast<unsigned>(row.c) << " at " << row.size);
        FreeTypeSurface surface({"DejaVu Sans", row.size});
        const std::string text = test::ConvertToText(surface, row.c, row.bounds, "\n");
        glyph::FontFaces faces;
        faces.Select(glyph::FontSource::Family("DejaVu Sans"), {"DejaVu Sans", row.size});
        const glyph::ClipReport report =
            glyph::CheckClipping(glyph::DrawGlyph(faces, row.c),
                                 glyph::ScanFrame(row.bounds, faces.Metrics().ascent), true);
        EXPECT_EQ(report.right.pixels > 0, row.right);
        EXPECT_EQ(report.bottom.pixels > 0, row.bottom);
        EXPECT_EQ(report.top.pixels, 0);
        // Column 0 is each pattern's first character.
        int column0 = 0;
        for (std::size_t at = text.find("//", text.find('\n')); at != std::string::npos;
             at = text.find("//", at + 2)) {
            column0 += text[at + 2] == '#';
        }
        EXPECT_EQ(report.columnZero, column0);
    }
}

// FreeType draws nothing farther than 32767 pixels from the pen. DejaVu Sans Bold's U+1671 is
// about two ems wide: at 17000 px it is drawn as far as FreeType can, and says so.
TEST(Strike, GlyphsBeyondFreeTypesLimitAreDrawnInPart) {
    glyph::FontFaces faces;
    faces.Select(glyph::FontSource::File(testfonts::FileFor("DejaVu Sans:style=Bold")),
                 {"DejaVu Sans", 17000 * 0.75F});
    const glyph::StrikeGlyph glyph = glyph::DrawGlyph(faces, U'\u1671');
    EXPECT_NE(glyph.problem.find("too large for FreeType to draw whole"), std::string::npos)
        << glyph.problem;
    EXPECT_GT(glyph.ink.InkCount(), 0);
    EXPECT_LE(glyph.ink.width(), 32767);
    const glyph::StrikeGlyph next = glyph::DrawGlyph(faces, U'.');
    EXPECT_TRUE(next.problem.empty()) << "the next glyph is drawn as usual";
    EXPECT_GT(next.ink.InkCount(), 0);
}

} // namespace

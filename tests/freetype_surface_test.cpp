// The real surface, drawn with the DejaVu faces.
#include "glyph/conversion.h"
#include "glyph/freetype_surface.h"
#include "glyph/ink.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
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

TEST(FreeTypeSurface, SpaceConvertsToEmptyBytes) {
    FreeTypeSurface surface({"DejaVu Sans", 10});
    glyph::ScanBounds bounds;
    bounds.UpdateScanSize(10, false);
    std::istringstream lines(glyph::ConvertToText(surface, U' ', bounds));
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
        const std::string text = glyph::ConvertToText(surface, U'.', bounds, "\n");
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

#include "glyph/scan_geometry.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using glyph::ScanBounds;

struct SizeRow {
    float size;
    int height;
    int uprightWidth;
    int italicWidth;
};

TEST(ScanGeometry, FollowsTheSizeTable) {
    const SizeRow rows[] = {
        {5, 9, 8, 16},       {8, 14, 16, 16},     {8.25F, 14, 16, 16}, {9.75F, 17, 16, 24},
        {10, 18, 16, 24},    {12, 21, 24, 24},    {14, 25, 24, 32},    {18, 32, 32, 32},
        {20, 36, 32, 40},    {24, 43, 40, 48},    {36, 64, 56, 64},    {48, 86, 72, 88},
        {72, 129, 112, 136}, {16, 28, 24, 32},    {0.6F, 1, 0, 8},     {0.5F, 0, 0, 0},
        {0, 0, 0, 0},        {2.0F / 3, 1, 8, 8},
    };
    for (const SizeRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "size " << row.size);
        ScanBounds upright;
        upright.UpdateScanSize(row.size, false);
        EXPECT_EQ(upright.ScanHeight, row.height);
        EXPECT_EQ(upright.ScanWidth, row.uprightWidth);
        ScanBounds italic;
        italic.UpdateScanSize(row.size, true);
        EXPECT_EQ(italic.ScanHeight, row.height) << "height does not depend on slant";
        EXPECT_EQ(italic.ScanWidth, row.italicWidth);
    }
}

TEST(ScanGeometry, StartsAtZero) {
    const ScanBounds bounds;
    EXPECT_EQ(bounds.ScanHeight, 0);
    EXPECT_EQ(bounds.ScanWidth, 0);
}

TEST(ScanGeometry, WidthIsAlwaysAMultipleOfEight) {
    for (int tenths = 1; tenths <= 3000; ++tenths) {
        for (bool italic : {false, true}) {
            ScanBounds bounds;
            const float size = static_cast<float>(tenths) / 10.0F;
            bounds.UpdateScanSize(size, italic);
            ASSERT_EQ(bounds.ScanWidth % 8, 0) << size << (italic ? " italic" : "");
            const double product = std::floor(static_cast<double>(size) * (italic ? 1.8 : 1.5));
            ASSERT_GE(bounds.ScanWidth, product);
            ASSERT_LT(bounds.ScanWidth, product + 8);
        }
    }
}

TEST(ScanGeometry, RefusesSizesItCannotRepresent) {
    struct Row {
        float size;
        bool italic;
    };
    // Upright overflows from about 21840 pt, italic from about 18200 pt.
    const Row rows[] = {
        {21850, false},
        {18210, true},
        {1e30F, false},
        {std::numeric_limits<float>::infinity(), false},
        {std::numeric_limits<float>::quiet_NaN(), true},
        {-1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.size << (row.italic ? " italic" : ""));
        ScanBounds bounds;
        bounds.UpdateScanSize(10, false);
        const ScanBounds before = bounds;
        EXPECT_THROW(bounds.UpdateScanSize(row.size, row.italic), glyph::ScanSizeError);
        EXPECT_EQ(bounds, before) << "a refused size leaves the bounds unchanged";
    }
}

TEST(ScanGeometry, LargestSizesThatFit) {
    ScanBounds upright;
    upright.UpdateScanSize(21840, false);
    EXPECT_EQ(upright.ScanWidth, 32760);
    ScanBounds italic;
    italic.UpdateScanSize(18200, true);
    EXPECT_EQ(italic.ScanWidth, 32760);
}

} // namespace

// The progress bar's arithmetic: every value below is worked out by hand (or, for the
// ramps, in strict IEEE double, where exact decimal arithmetic would give another
// integer). Run natively and in both Windows builds, which must agree to the last value.
#include "controls/progress_bar_math.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

struct ScaleCase {
    uint32_t color;
    double factor;
    uint32_t expected;
};

TEST(ScaleColor, ScalesClampsAndTruncatesEachComponent) {
    const ScaleCase cases[] = {
        {0x000088, 2.0, 0x0000FF},                               // 136 * 2 = 272, clamped
        {0x000088, 3.0, 0x0000FF},   {0xF5F5F5, 0.9, 0xDCDCDC},  // 220.5 truncated
        {0x030303, 0.9, 0x020202},                               // 2.7 truncated
        {0x123456, 1.0, 0x123456},   {0x7F8081, 2.0, 0xFEFFFF},  // 129 and 128 clamp, 127 gives 254
        {0xFF102030, 2.0, 0x204060},                             // the highest byte is dropped
        {0x0A0B0C, 0.0, 0x000000},
    };
    for (const ScaleCase& c : cases) {
        EXPECT_EQ(c.expected, ScaleColor(c.color, c.factor))
            << std::hex << c.color << " x " << c.factor;
    }
}

TEST(RgbToColorref, SwapsRedAndBlueAndDropsTheHighestByte) {
    const uint32_t cases[][2] = {
        {0x880000, 0x000088},     {0x123456, 0x563412}, {0xFF123456, 0x563412},
        {0xFFFFFFFF, 0x00FFFFFF}, {0x000000, 0x000000}, {0x00FF00, 0x00FF00},
    };
    for (const auto& c : cases) EXPECT_EQ(c[1], RgbToColorref(c[0])) << std::hex << c[0];
    EXPECT_NE(kSystemBarColor, RgbToColorref(0xFFFFFFFF));
}

TEST(ThinFrame, SetByEitherOptionsOrFrameFlags) {
    EXPECT_EQ(0, ThinFrame(0, 0));
    EXPECT_EQ(0, ThinFrame(PBXO_PERCENT | PBXO_SEGMENTS, 3));
    EXPECT_EQ(1, ThinFrame(PBXO_THIN, 0));
    EXPECT_EQ(1, ThinFrame(0, PBXO_THIN));
    EXPECT_EQ(1, ThinFrame(7, 4));
}

struct PercentCase {
    int32_t position;
    uint16_t rangeMin;
    uint16_t rangeMax;
    double expected;
};

TEST(FillPercent, ScalesIntoTheRangeAndClamps) {
    const PercentCase cases[] = {
        {0, 0, 100, 0.0},
        {50, 0, 100, 50.0},
        {150, 0, 100, 100.0},  // above the range: full
        {-5, 0, 100, 0.0},     // below the range: empty
        {999, 0, 1000, 99.9},
        {1, 0, 3, 100.0 / 3},
        {10, 50, 150, 0.0},
        {100, 50, 150, 50.0},
        {INT32_MAX, 0, 65535, 100.0},
        // An empty range: full above it, empty at it and below.
        {51, 50, 50, 100.0},
        {50, 50, 50, 0.0},
        {49, 50, 50, 0.0},
        // Far below the range; a 32-bit difference would wrap round into a full bar.
        {INT32_MIN + 5, 10, 100, 0.0},
    };
    for (const PercentCase& c : cases) {
        EXPECT_DOUBLE_EQ(c.expected, FillPercent(c.position, c.rangeMin, c.rangeMax))
            << c.position << " in " << c.rangeMin << ".." << c.rangeMax;
    }
}

struct GeometryCase {
    int height;
    int thin;
    double percent;
    FillGeometry expected;
};

// The dialog's control: 339 x 15 pixels.
TEST(FillGeometry, FollowsThePercentageAndTheFrame) {
    const GeometryCase cases[] = {
        {15, 0, 50.0, {170, 2, 3, 9}},   // 336 * 50 / 100 + 2
        {15, 1, 50.0, {170, 2, 2, 10}},  // thin: one pixel further left, one more line
        {15, 0, 100.0, {338, 2, 3, 9}},  // the end line falls on the frame
        {15, 0, 4.0, {15, 2, 3, 9}},
        {15, 0, 99.9, {337, 2, 3, 9}},  // 33566.4 truncated, then / 100
        {15, 0, 0.6, {4, 2, 3, 9}},
        {15, 0, 0.3, {3, 1, 2, 9}},  // a very small fill starts one pixel left
        {15, 1, 0.3, {3, 1, 1, 10}},
        {15, 0, 0.1, {2, 1, 2, 9}},
        {4, 0, 50.0, {170, 2, 3, -2}},  // too low for a body
    };
    for (const GeometryCase& c : cases) {
        FillGeometry fill = ComputeFillGeometry(339, c.height, c.thin, c.percent);
        SCOPED_TRACE(testing::Message() << c.percent << "% thin " << c.thin << " H " << c.height);
        EXPECT_EQ(c.expected.fillRight, fill.fillRight);
        EXPECT_EQ(c.expected.inset, fill.inset);
        EXPECT_EQ(c.expected.xs, fill.xs);
        EXPECT_EQ(c.expected.lines, fill.lines);
    }
}

TEST(FillGeometry, NoFillAtZeroPercent) {
    EXPECT_EQ(-1, ComputeFillGeometry(339, 15, 0, 0.0).fillRight);
    EXPECT_EQ(-1, ComputeFillGeometry(339, 15, 1, 0.0).fillRight);
}

std::vector<int> Separators(double percent, int height) {
    return SeparatorPositions(ComputeFillGeometry(339, height, 0, percent), height);
}

TEST(SeparatorPositions, StartAtTheFillAndStepByHeightLessOne) {
    std::vector<int> half = Separators(50.0, 15);
    ASSERT_EQ(12u, half.size());
    EXPECT_EQ(3, half.front());
    EXPECT_EQ(17, half[1]);
    EXPECT_EQ(157, half.back());  // 171 would pass fillRight - 1 = 169

    std::vector<int> full = Separators(100.0, 15);
    ASSERT_EQ(24u, full.size());
    EXPECT_EQ(325, full.back());

    EXPECT_EQ(std::vector<int>({2}), Separators(0.3, 15));  // inset 1
    EXPECT_EQ(std::vector<int>(), Separators(0.1, 15));     // fillRight 2: no room
    EXPECT_EQ(std::vector<int>(), Separators(0.0, 15));
    // The thin frame does not shift them.
    EXPECT_EQ(half, SeparatorPositions(ComputeFillGeometry(339, 15, 1, 50.0), 15));
}

TEST(SeparatorPositions, ControlTooLowForAStepGetsNone) {
    // A step of 0 or -1 would never get past the end of the fill.
    EXPECT_EQ(std::vector<int>(), Separators(50.0, 1));
    EXPECT_EQ(std::vector<int>(), Separators(50.0, 0));
    EXPECT_EQ(167u, Separators(50.0, 2).size());  // step 1: every x from 3 to 169
}

struct BodyCase {
    uint32_t base;
    uint32_t light;
    int lines;
    int i;
    uint32_t expected;
};

TEST(BodyLineColor, RampsFromBaseTowardLight) {
    const BodyCase cases[] = {
        // The dialog's dark red: 136 toward 255 over 9 lines, steps of 11.9.
        {0x000088, 0x0000FF, 9, 0, 0x000093},  // 147.9
        {0x000088, 0x0000FF, 9, 4, 0x0000C3},  // 195.5
        {0x000088, 0x0000FF, 9, 8, 0x0000F3},  // 243.1
        // Thin frame: 10 lines, steps of 119 / 11.
        {0x000088, 0x0000FF, 10, 0, 0x000092},
        {0x000088, 0x0000FF, 10, 9, 0x0000F4},
        // 9.6 * 5 + 96: the product rounds to 48 in double, so 144, not 143.
        {0x606060, 0xC0C0C0, 9, 4, 0x909090},
        // Each component on its own: (48, 150, 250) toward (96, 255, 255).
        {0xFA9630, 0xFFFF60, 9, 0, 0xFAA034},
        {0xFA9630, 0xFFFF60, 9, 4, 0xFCCA48},  // red 4.8 * 5 + 48 is exactly 72
        {0x123456, 0x123456, 9, 3, 0x123456},  // no ramp
    };
    for (const BodyCase& c : cases) {
        EXPECT_EQ(c.expected, BodyLineColor(c.base, c.light, c.lines, c.i))
            << std::hex << c.base << " line " << std::dec << c.i << " of " << c.lines;
    }
}

TEST(BackgroundStripeColor, ButtonFaceOfFifteenStripes) {
    // 245 * 0.9 = 220.5 -> 220, then 220 * (1 + (k - 1) * 0.02), clamped at 255.
    const int expected[15] = {220, 220, 224, 228, 233, 237, 242, 246,
                              250, 255, 255, 255, 255, 255, 255};
    for (int k = 0; k < 15; ++k) {
        uint32_t gray = static_cast<uint32_t>(expected[k]);
        EXPECT_EQ(gray | gray << 8 | gray << 16, BackgroundStripeColor(0xF5F5F5, 15, k))
            << "stripe " << k;
    }
}

TEST(BackgroundStripeColor, WorkedOutInDoublePrecision) {
    // 180 * (1.0 + 5 * 0.3 / 10) is 206.99999999999997 in double: 206, not 207.
    EXPECT_EQ(0xCECECEu, BackgroundStripeColor(0xC8C8C8, 10, 6));
    EXPECT_EQ(0xB4B4B4u, BackgroundStripeColor(0xC8C8C8, 10, 1));
    EXPECT_EQ(0xDFDFDFu, BackgroundStripeColor(0xC8C8C8, 10, 9));
    // 40 * (1.0 + 10 * 0.3 / 15) is 48 in double; with 80-bit x87 intermediates it stays
    // just below and truncates to 47.
    EXPECT_EQ(0x303030u, BackgroundStripeColor(0x2D2D2D, 15, 11));
    // Components ramp separately: (200, 100, 0).
    EXPECT_EQ(0x0067CEu, BackgroundStripeColor(0x0064C8, 10, 6));
}

TEST(PercentText, TruncatesAndNeverShowsZero) {
    const struct {
        double percent;
        const char* expected;
    } cases[] = {
        {0.0, ""},   {0.3, ""},     {0.999, ""},   {1.0, "1%"},
        {4.0, "4%"}, {42.7, "42%"}, {99.9, "99%"}, {100.0, "100%"},
    };
    for (const auto& c : cases) {
        char text[kPercentTextSize] = "junk";
        EXPECT_EQ(c.expected[0] != '\0', PercentText(c.percent, text)) << c.percent;
        EXPECT_STREQ(c.expected, text) << c.percent;
    }
}

TEST(CenterText, CentresWithTruncatingDivisions) {
    const struct {
        TextBox area;
        int w, h;
        TextBox expected;
    } cases[] = {
        {{0, 0, 339, 15}, 20, 13, {159, 1, 179, 13}},
        {{0, 0, 339, 15}, 21, 13, {159, 1, 179, 13}},   // odd sizes lose a pixel
        {{0, -1, 339, 15}, 20, 13, {159, 1, 179, 13}},  // thin: text area one pixel higher
        {{0, -1, 339, 14}, 20, 13, {159, 0, 179, 12}},
        {{0, 0, 10, 10}, 30, 20, {-10, -5, 20, 15}},  // larger than the area
    };
    for (const auto& c : cases) {
        TextBox box = CenterText(c.area, c.w, c.h);
        EXPECT_EQ(c.expected.left, box.left);
        EXPECT_EQ(c.expected.top, box.top);
        EXPECT_EQ(c.expected.right, box.right);
        EXPECT_EQ(c.expected.bottom, box.bottom);
    }
}

}  // namespace

// The progress bar's pixels, read back from a real window on the display: frame, fill,
// separators and background of the dialog's 339 x 15 control.
#include "controls/progress_bar.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "controls/progress_bar_math.h"
#include "tests/controls/progress_bar_window.h"

namespace {

constexpr int W = kBarWidth;
constexpr int H = kBarHeight;
constexpr uint32_t kBlack = 0x000000;

// The dialog's dark red, 0x880000: base (136, 0, 0), light and highlight pure red.
constexpr uint32_t kDarkRed = 0x000088;
constexpr uint32_t kPureRed = 0x0000FF;

uint32_t Stripe(int y) { return BackgroundStripeColor(GetSysColor(COLOR_BTNFACE), H, y); }

// COLORREF to the 0x00RRGGBB form that the messages carry.
LPARAM WebColor(COLORREF color) {
    return static_cast<LPARAM>((color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF));
}

Image Paint(uint32_t options, LPARAM barColor, int position, LPARAM range = 0x00640000) {
    ProgressBarWindow bar;
    bar.Send(PBM_SETRANGE, 0, range);
    bar.Send(PBX_SETOPTIONS, 0, options);
    if (barColor >= 0) bar.Send(PBX_SETBARCOLOR, 0, barColor);
    bar.Send(PBM_SETPOS, static_cast<WPARAM>(static_cast<uint32_t>(position)));
    return bar.Capture();
}

constexpr LPARAM kSystemColor = -1;

TEST(ProgressBarPaint, SunkenFrameAroundTheGradientBackground) {
    Image image = Paint(0, kSystemColor, 0);
    ASSERT_EQ(W, image.width);
    ASSERT_EQ(H, image.height);
    const uint32_t shadow = GetSysColor(COLOR_BTNSHADOW);
    const uint32_t light = GetSysColor(COLOR_BTNHIGHLIGHT);
    for (int x = 0; x < W; ++x) EXPECT_EQ(shadow, image.At(x, 0)) << "top, x " << x;
    for (int y = 0; y < H; ++y) EXPECT_EQ(shadow, image.At(0, y)) << "left, y " << y;
    for (int x = 1; x < W; ++x) EXPECT_EQ(light, image.At(x, H - 1)) << "bottom, x " << x;
    for (int y = 1; y < H - 1; ++y) EXPECT_EQ(light, image.At(W - 1, y)) << "right, y " << y;

    // The inner dark edge: its end points are not painted.
    for (int x = 1; x <= W - 3; ++x) EXPECT_EQ(kBlack, image.At(x, 1)) << "inner, x " << x;
    for (int y = 1; y <= H - 3; ++y) EXPECT_EQ(kBlack, image.At(1, y)) << "inner, y " << y;
    EXPECT_EQ(Stripe(1), image.At(W - 2, 1));
    EXPECT_EQ(Stripe(H - 2), image.At(1, H - 2));

    // One stripe per row, the same across the whole width.
    for (int y = 2; y <= H - 2; ++y) {
        for (int x : {2, W / 2, W - 2}) EXPECT_EQ(Stripe(y), image.At(x, y)) << x << "," << y;
    }
    // Wine's button face 245: 220 at the top, brightening to 255 from row 9 on.
    if (GetSysColor(COLOR_BTNFACE) == 0xF5F5F5) {
        EXPECT_EQ(0xE0E0E0u, image.At(100, 2));
        EXPECT_EQ(0xF6F6F6u, image.At(100, 7));
        EXPECT_EQ(0xFFFFFFu, image.At(100, 9));
    }
}

TEST(ProgressBarPaint, DarkRedFillAtHalf) {
    Image image = Paint(0, 0x880000, 50);
    const int fillRight = 170;  // 336 * 50 / 100 + 2
    for (int x = 2; x < fillRight; ++x) {
        SCOPED_TRACE(testing::Message() << "x " << x);
        EXPECT_EQ(kPureRed, image.At(x, 2));  // highlight row
        EXPECT_EQ(kBlack, image.At(x, 1));    // the inner edge stays above the fill
        if (x < 3) continue;
        EXPECT_EQ(kPureRed, image.At(x, 3));    // light row
        EXPECT_EQ(0x000093u, image.At(x, 12));  // lowest body line: 136 + 11.9
        EXPECT_EQ(0x0000C3u, image.At(x, 8));   // 136 + 5 * 11.9
        EXPECT_EQ(0x0000F3u, image.At(x, 4));   // highest body line: 136 + 9 * 11.9
        EXPECT_EQ(kDarkRed, image.At(x, 13));   // base-colour bottom line
    }
    for (int y = 2; y <= H - 2; ++y) EXPECT_EQ(kPureRed, image.At(2, y)) << "highlight, y " << y;
    for (int y = 1; y <= H - 2; ++y) EXPECT_EQ(kBlack, image.At(fillRight, y)) << "end, y " << y;
    for (int y = 2; y <= H - 2; ++y) {
        EXPECT_EQ(Stripe(y), image.At(fillRight + 1, y)) << "after the fill, y " << y;
    }
    EXPECT_EQ(kBlack, image.At(1, 8));  // inner edge left of the fill
}

TEST(ProgressBarPaint, SystemHighlightUntilABarColourIsSet) {
    const uint32_t base = GetSysColor(COLOR_HIGHLIGHT);
    const uint32_t light = ScaleColor(base, 2.0);
    Image image = Paint(0, kSystemColor, 50);
    EXPECT_EQ(ScaleColor(base, 3.0), image.At(10, 2));
    EXPECT_EQ(light, image.At(10, 3));
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(BodyLineColor(base, light, 9, i), image.At(10, H - 3 - i)) << "line " << i;
    }
    EXPECT_EQ(base, image.At(10, 13));
    // The default draws exactly as that colour set explicitly.
    EXPECT_TRUE(SameImage(image, Paint(0, WebColor(base), 50)));
    EXPECT_FALSE(SameImage(image, Paint(0, 0x880000, 50)));
}

TEST(ProgressBarPaint, SeparatorsAcrossTheFill) {
    Image image = Paint(PBXO_SEGMENTS, 0x880000, 50);
    std::set<int> expected;
    for (int x = 3; x <= 169; x += H - 1) expected.insert(x);
    ASSERT_EQ(12u, expected.size());
    for (int x = 3; x < 170; ++x) {
        EXPECT_EQ(expected.count(x) ? kPureRed : 0x0000C3u, image.At(x, 8)) << "x " << x;
    }
    for (int y = 3; y <= H - 3; ++y) EXPECT_EQ(kPureRed, image.At(17, y)) << "y " << y;
    EXPECT_EQ(kDarkRed, image.At(17, H - 2));  // the base line is drawn over the separators
    EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), image.At(17, H - 1));
    EXPECT_EQ(kPureRed, image.At(17, 2));  // highlight row above the separator
}

struct ThinCase {
    const char* name;
    UINT message;
};

TEST(ProgressBarPaint, ThinFrameFromOptionsOrFrameFlags) {
    const ThinCase cases[] = {{"options", PBX_SETOPTIONS}, {"frame flags", PBX_SETFRAME}};
    for (const ThinCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProgressBarWindow bar;
        bar.Send(c.message, 0, PBXO_THIN);
        Image empty = bar.Capture();
        EXPECT_EQ(Stripe(1), empty.At(1, 1));
        EXPECT_EQ(Stripe(1), empty.At(W / 2, 1));
        EXPECT_EQ(Stripe(6), empty.At(1, 6));

        bar.Send(PBX_SETBARCOLOR, 0, 0x880000);
        bar.Send(PBX_SETOPTIONS, 0,
                 c.message == PBX_SETOPTIONS ? PBXO_THIN | PBXO_SEGMENTS : PBXO_SEGMENTS);
        bar.Send(PBM_SETPOS, 50);
        Image image = bar.Capture();
        for (int x = 1; x < 170; ++x) EXPECT_EQ(kPureRed, image.At(x, 1)) << "highlight x " << x;
        for (int y = 1; y <= H - 3; ++y) EXPECT_EQ(kPureRed, image.At(1, y)) << "highlight y " << y;
        EXPECT_EQ(Stripe(H - 2), image.At(1, H - 2));  // the column ends one row higher too
        EXPECT_EQ(kPureRed, image.At(2, 2));           // light row from x = 2
        EXPECT_EQ(0x000092u, image.At(2, 12));         // 10 body lines: 136 + 119 / 11
        EXPECT_EQ(0x0000F4u, image.At(4, 3));          // 136 + 10 * 119 / 11
        EXPECT_EQ(kDarkRed, image.At(2, 13));
        EXPECT_EQ(kPureRed, image.At(3, 8));  // separators stay where they were
        EXPECT_EQ(kPureRed, image.At(17, 8));
        EXPECT_EQ(0x000092u, image.At(16, 12));
        for (int y = 1; y <= H - 2; ++y) EXPECT_EQ(kBlack, image.At(170, y)) << "end y " << y;
        EXPECT_EQ(Stripe(1), image.At(W - 3, 1));  // no inner edge after the fill
    }
}

struct EmptyCase {
    const char* name;
    LPARAM range;
    int position;
};

TEST(ProgressBarPaint, NothingOfTheFillAtOrBelowTheRange) {
    Image reference = Paint(0, kSystemColor, 0);
    const EmptyCase cases[] = {
        {"zero", 0x00640000, 0},
        {"below zero", 0x00640000, -5},
        {"below 50..150", 0x00960032, 10},
        {"at an empty range", 0x00320032, 50},
        {"far below after a wrap", 0x0064000A, INT32_MIN + 5},
    };
    for (const EmptyCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(SameImage(reference, Paint(PBXO_SEGMENTS, 0x880000, c.position, c.range)));
    }
}

TEST(ProgressBarPaint, FullBarAboveTheRange) {
    Image full = Paint(PBXO_SEGMENTS, 0x880000, 100);
    EXPECT_EQ(kPureRed, full.At(W - 2, 2));   // highlight row to the last inner pixel
    EXPECT_EQ(0x0000C3u, full.At(W - 2, 8));  // 337 is no separator (3 + 14k)
    EXPECT_EQ(kDarkRed, full.At(W - 2, 13));
    // The end line at 338 lies under the frame's light edge.
    for (int y = 1; y < H; ++y) EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), full.At(W - 1, y));

    EXPECT_TRUE(SameImage(full, Paint(PBXO_SEGMENTS, 0x880000, 500)));
    // Above an empty range.
    EXPECT_TRUE(SameImage(full, Paint(PBXO_SEGMENTS, 0x880000, 51, 0x00320032)));
}

TEST(ProgressBarPaint, VerySmallFillStartsOnePixelLeft) {
    // 0.3 per cent: fillRight 3, so the lines start at x = 2 over the highlight column.
    Image small = Paint(0, 0x880000, 3, 0x03E80000);
    EXPECT_EQ(0x0000C3u, small.At(2, 8));
    EXPECT_EQ(kDarkRed, small.At(2, 13));
    for (int y = 1; y <= H - 2; ++y) EXPECT_EQ(kBlack, small.At(3, y)) << "end y " << y;
    EXPECT_EQ(Stripe(8), small.At(4, 8));

    // 0.6 per cent: fillRight 4, the usual start at x = 3 beside the highlight column.
    Image larger = Paint(0, 0x880000, 6, 0x03E80000);
    EXPECT_EQ(kPureRed, larger.At(2, 8));
    EXPECT_EQ(0x0000C3u, larger.At(3, 8));

    // 0.1 per cent: fillRight 2, only the end line over the highlight column.
    Image tiny = Paint(0, 0x880000, 1, 0x03E80000);
    for (int y = 1; y <= H - 2; ++y) EXPECT_EQ(kBlack, tiny.At(2, y)) << "end y " << y;
    EXPECT_EQ(Stripe(8), tiny.At(3, 8));
}

}  // namespace

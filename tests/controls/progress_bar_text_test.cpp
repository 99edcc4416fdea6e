// The progress bar's percentage text and caption, read back from a real window. Glyph
// shapes depend on the font, so the tests look at the pixels that the text changes: where
// they lie, and whether they are lighter or darker than the bar without the text.
#include "controls/progress_bar.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/controls/progress_bar_window.h"

namespace {

constexpr LPARAM kPercentRange = 0x00640000;   // 0..100
constexpr LPARAM kPermilleRange = 0x03E80000;  // 0..1000

struct Box {
    int left, top, right, bottom;
    bool Holds(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Where a text of the control's font lies when centred in the 339 x 15 bar.
Box CentredTextBox(const char* text) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, GetStockObject(DEFAULT_GUI_FONT));
    RECT measure = {0, 0, 1000, 1000};
    DrawTextA(screen, text, -1, &measure, DT_CALCRECT);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    int w = measure.right - measure.left;
    int h = measure.bottom - measure.top;
    return Box{169 - w / 2, 7 - h / 2, 169 + w / 2, 7 + h / 2};
}

int Brightness(uint32_t color) {
    return static_cast<int>((color & 0xFF) + (color >> 8 & 0xFF) + (color >> 16 & 0xFF));
}

struct BarSetup {
    LPARAM range;
    int position;
    const char* caption;  // null: none
};

Image PaintBar(const BarSetup& setup, uint32_t options) {
    ProgressBarWindow bar;
    bar.Send(PBM_SETRANGE, 0, setup.range);
    bar.Send(PBX_SETBARCOLOR, 0, 0x880000);
    bar.Send(PBX_SETOPTIONS, 0, options);
    if (setup.caption) bar.Send(PBX_SETCAPTION, 0x00FF00, reinterpret_cast<LPARAM>(setup.caption));
    bar.Send(PBM_SETPOS, static_cast<WPARAM>(setup.position));
    return bar.Capture();
}

// The pixels that the percentage text changes on the bar with separators.
std::vector<PixelChange> PercentTextPixels(LPARAM range, int position) {
    BarSetup setup = {range, position, nullptr};
    return Changes(PaintBar(setup, PBXO_SEGMENTS), PaintBar(setup, PBXO_SEGMENTS | PBXO_PERCENT));
}

// The pixels that a caption changes on the bar without options.
std::vector<PixelChange> CaptionPixels(int position, const char* caption) {
    return Changes(PaintBar({kPercentRange, position, nullptr}, 0),
                   PaintBar({kPercentRange, position, caption}, 0));
}

TEST(ProgressBarText, PercentWhiteOverTheFillAndDarkOverTheRest) {
    // At 50 per cent the fill ends at x = 170, in the middle of the centred "50%".
    const int fillRight = 170;
    std::vector<PixelChange> text = PercentTextPixels(kPercentRange, 50);
    ASSERT_FALSE(text.empty());
    Box box = CentredTextBox("50%");
    int overFill = 0, overRest = 0, white = 0, dark = 0;
    for (const PixelChange& p : text) {
        SCOPED_TRACE(testing::Message()
                     << p.x << "," << p.y << std::hex << " " << p.before << " -> " << p.after);
        EXPECT_TRUE(box.Holds(p.x, p.y));
        if (p.x <= fillRight) {
            ++overFill;
            EXPECT_GT(Brightness(p.after), Brightness(p.before));
            if (p.after == 0xFFFFFF) ++white;
        } else {
            ++overRest;
            EXPECT_LT(Brightness(p.after), Brightness(p.before));
            if (Brightness(p.after) < 3 * 0x60) ++dark;
        }
    }
    EXPECT_GT(overFill, 0);
    EXPECT_GT(overRest, 0);
    EXPECT_GT(white, 0);
    EXPECT_GT(dark, 0);
}

TEST(ProgressBarText, PercentIsTruncated) {
    std::vector<PixelChange> almostAll = PercentTextPixels(kPermilleRange, 999);  // 99.9
    ASSERT_FALSE(almostAll.empty());
    EXPECT_EQ(PercentTextPixels(kPercentRange, 99), almostAll);  // reads "99%"
    EXPECT_NE(PercentTextPixels(kPercentRange, 100), almostAll);
}

TEST(ProgressBarText, ZeroPercentIsNeverShown) {
    const struct {
        LPARAM range;
        int position;
    } cases[] = {
        {kPercentRange, 0},
        {kPercentRange, -20},
        {kPermilleRange, 3},  // 0.3 per cent: a fill, but its text would read "0%"
        {kPermilleRange, 9},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(PercentTextPixels(c.range, c.position).empty()) << c.position;
    }
    EXPECT_FALSE(PercentTextPixels(kPermilleRange, 10).empty());  // 1%
}

TEST(ProgressBarText, FullBarTextIsWhite) {
    std::vector<PixelChange> text = PercentTextPixels(kPercentRange, 100);
    ASSERT_FALSE(text.empty());
    // White text is clipped at the end of the fill, not at the centred box's right edge.
    Box box = CentredTextBox("100%");
    box.right = kBarWidth;  // fillRight + 1
    for (const PixelChange& p : text) {
        EXPECT_TRUE(box.Holds(p.x, p.y)) << p.x << "," << p.y;
        EXPECT_GT(Brightness(p.after), Brightness(p.before)) << p.x << "," << p.y;
    }
}

TEST(ProgressBarText, CaptionInTwoColoursSplitAtTheFill) {
    const char caption[] = "Copying the new files";
    Box box = CentredTextBox(caption);
    std::vector<PixelChange> half = CaptionPixels(50, caption);
    ASSERT_FALSE(half.empty());
    int green = 0;
    for (const PixelChange& p : half) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y << std::hex << " " << p.after);
        EXPECT_TRUE(box.Holds(p.x, p.y));
        if (p.x <= 170) {
            if (p.after == 0x00FF00) ++green;
        } else {
            EXPECT_LT(Brightness(p.after), Brightness(p.before));  // button text colour
        }
    }
    EXPECT_GT(green, 0);
}

TEST(ProgressBarText, CaptionShownWithoutFillInOneColour) {
    const char caption[] = "Copying the new files";
    Box box = CentredTextBox(caption);
    std::vector<PixelChange> empty = CaptionPixels(0, caption);
    ASSERT_FALSE(empty.empty());
    for (const PixelChange& p : empty) {
        EXPECT_TRUE(box.Holds(p.x, p.y)) << p.x << "," << p.y;
        EXPECT_LT(Brightness(p.after), Brightness(p.before)) << p.x << "," << p.y;
    }
}

TEST(ProgressBarText, NullCaptionRemovesIt) {
    ProgressBarWindow bar;
    bar.Send(PBM_SETPOS, 50);
    Image plain = bar.Capture();
    bar.Send(PBX_SETCAPTION, 0x00FF00, reinterpret_cast<LPARAM>("Copying"));
    EXPECT_FALSE(SameImage(plain, bar.Capture()));
    bar.Send(PBX_SETCAPTION, 0x00FF00, 0);
    EXPECT_TRUE(SameImage(plain, bar.Capture()));
}

}  // namespace

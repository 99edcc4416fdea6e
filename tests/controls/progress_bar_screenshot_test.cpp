// Saves a picture of the progress bar as the dialog shows it (percentage text, separators,
// dark red 0x880000) at 4, 50 and 100 per cent, for a person to look at:
// screenshots/progress_bar.png and, four times larger, progress_bar_x4.png in the build
// folder.
#include "controls/progress_bar.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/controls/png_writer.h"
#include "tests/controls/progress_bar_window.h"

#ifndef TVIS_SCREENSHOT_DIR
#define TVIS_SCREENSHOT_DIR "."
#endif

namespace {

constexpr int kGap = 6;

// The three bars one under another on the button face, scaled up by `zoom`; 0x00RRGGBB.
std::vector<uint32_t> Compose(const std::vector<Image>& bars, int zoom, int* width, int* height) {
    const int w = bars[0].width, h = bars[0].height;
    *width = (w + 2 * kGap) * zoom;
    *height = (static_cast<int>(bars.size()) * (h + kGap) + kGap) * zoom;
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    std::vector<uint32_t> picture(static_cast<size_t>(*width) * *height, 0);
    for (int y = 0; y < *height; ++y) {
        for (int x = 0; x < *width; ++x) {
            int sx = x / zoom - kGap;
            int row = y / zoom - kGap;
            int bar = row / (h + kGap);
            int sy = row % (h + kGap);
            COLORREF color = face;
            if (sx >= 0 && sx < w && row >= 0 && bar < static_cast<int>(bars.size()) && sy < h) {
                color = bars[bar].At(sx, sy);
            }
            picture[static_cast<size_t>(y) * *width + x] =
                (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
        }
    }
    return picture;
}

TEST(ProgressBarScreenshot, DialogLookAtFourFiftyAndHundredPercent) {
    std::vector<Image> bars;
    for (int percent : {4, 50, 100}) {
        ProgressBarWindow bar;
        bar.Send(PBX_SETOPTIONS, 0, PBXO_PERCENT | PBXO_SEGMENTS);
        bar.Send(PBX_SETBARCOLOR, 0, 0x880000);
        bar.Send(PBM_SETPOS, percent);
        bars.push_back(bar.Capture());
        ASSERT_EQ(kBarWidth, bars.back().width);
    }
    // scripts/test.sh names a folder the Wine user can write to, and copies the pictures
    // into the build folder afterwards (that one may lie where the user cannot reach).
    const char* given = std::getenv("TVIS_TEST_SCREENSHOT_DIR");
    const std::string folder = given != nullptr && *given ? given : TVIS_SCREENSHOT_DIR;
    for (int zoom : {1, 4}) {
        int width = 0, height = 0;
        std::vector<uint32_t> picture = Compose(bars, zoom, &width, &height);
        std::string path = folder + (zoom == 1 ? "/progress_bar.png" : "/progress_bar_x4.png");
        EXPECT_TRUE(WriteScreenshotFile(path, EncodePng(width, height, picture)))
            << "cannot write " << path << ", error " << GetLastError();
    }
}

}  // namespace

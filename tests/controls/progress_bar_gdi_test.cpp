// Painting the progress bar releases every pen, brush, bitmap and device context it makes.
#include "controls/progress_bar.h"

#include <gtest/gtest.h>

#include "tests/controls/progress_bar_window.h"

namespace {

TEST(ProgressBarGdi, CounterSeesObjectsComeAndGo) {
    // The leak test below is only as good as the count it relies on. The first memory
    // context of a process brings stock objects into being, so one comes and goes first.
    DeleteDC(CreateCompatibleDC(nullptr));
    int before = CountGdiObjects();
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 8, 8);
    EXPECT_EQ(before + 4, CountGdiObjects());
    DeleteObject(bitmap);
    DeleteDC(dc);
    DeleteObject(brush);
    DeleteObject(pen);
    EXPECT_EQ(before, CountGdiObjects());
}

TEST(ProgressBarGdi, ThousandPaintsLeakNothing) {
    ProgressBarWindow bar;
    bar.Send(PBX_SETCAPTION, 0x00FF00, reinterpret_cast<LPARAM>("Kopiowanie"));
    // One paint of every kind first, so that objects the system makes once per process
    // (stock objects, the font's caches) are there before counting.
    for (uint32_t options = 0; options < 8; ++options) {
        bar.Send(PBX_SETOPTIONS, 0, options);
        bar.Send(PBM_SETPOS, 50 + options);
        UpdateWindow(bar.control());
    }
    bar.ResetCounts();
    int before = CountGdiObjects();

    // Every path of the paint: empty and full bars, text, separators, thin frame, both
    // the system colour and a set bar colour.
    for (int i = 0; i < 1000; ++i) {
        if (i == 500) bar.Send(PBX_SETBARCOLOR, 0, 0x880000);
        bar.Send(PBX_SETOPTIONS, 0, i % 8);
        bar.Send(PBM_SETPOS, i % 102);
        UpdateWindow(bar.control());
    }
    EXPECT_EQ(1000, bar.paints());
    EXPECT_EQ(before, CountGdiObjects());
}

}  // namespace

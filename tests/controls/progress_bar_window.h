// Test helpers for the progress bar on the real platform: a control in a visible window on
// the display, its pixels read back, its WM_PAINT and WM_ERASEBKGND counted, its state block
// read, and the process's GDI objects counted. Windows builds only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "controls/progress_bar.h"
#include "controls/progress_bar_state.h"

// The dialog's control: 226 x 9 dialog units at the default font.
constexpr int kBarWidth = 339;
constexpr int kBarHeight = 15;

// Pixels read back from a window, as COLORREF values (red in the low byte).
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool operator==(const Image& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
    bool operator!=(const Image& other) const { return !(*this == other); }
};

// For EXPECT_TRUE(SameImage(a, b)): on a difference, says how many pixels differ and
// lists the first few.
testing::AssertionResult SameImage(const Image& expected, const Image& actual);

// A 32-bit top-down DIB section selected into a memory device context: something to
// draw or copy pixels into and read back as an Image. Everything is released on
// destruction.
class DibCanvas {
public:
    DibCanvas(int width, int height);
    ~DibCanvas();
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    // False when the section or the context could not be made; then nothing else works.
    bool valid() const { return bits_ != nullptr && memory_ != nullptr; }
    HDC dc() const { return memory_; }
    // The pixels, row by row from the top, as 0x00RRGGBB.
    uint32_t* bits() const { return bits_; }
    // What was drawn, after GdiFlush, as COLORREF values.
    Image ToImage() const;

private:
    int width_;
    int height_;
    uint32_t* bits_ = nullptr;
    HBITMAP section_ = nullptr;
    HDC memory_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// Writes a screenshot file. An earlier run's file of that name may belong to another user
// (the tests run Wine as an unprivileged one), so it is deleted first.
bool WriteScreenshotFile(const std::string& path, const std::vector<uint8_t>& bytes);

// One pixel that differs between two images, with its colour in each.
struct PixelChange {
    int x;
    int y;
    uint32_t before;
    uint32_t after;
    bool operator==(const PixelChange& other) const {
        return x == other.x && y == other.y && before == other.before && after == other.after;
    }
};

// The pixels where `after` differs from `before` (images of the same size).
std::vector<PixelChange> Changes(const Image& before, const Image& after);

// A progress bar, control 600, in its own visible popup window, destroyed with it.
class ProgressBarWindow {
public:
    explicit ProgressBarWindow(int width = kBarWidth, int height = kBarHeight);
    ~ProgressBarWindow();
    ProgressBarWindow(const ProgressBarWindow&) = delete;
    ProgressBarWindow& operator=(const ProgressBarWindow&) = delete;

    HWND control() const { return control_; }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // Lets any pending repaint happen, then reads the control's client area from the screen.
    Image Capture() const;

    // WM_PAINT and WM_ERASEBKGND messages that reached the control since the last reset.
    int paints() const;
    int erases() const;
    void ResetCounts();

    // A copy of the state block behind window long 0 (all zero when there is none).
    ProgressBarState ReadState() const;

private:
    HWND host_ = nullptr;
    HWND control_ = nullptr;
};

// Window long 0 of a destroyed control as the control left it after WM_DESTROY, or -1 when
// no progress bar has been destroyed yet.
LONG_PTR WindowLongAfterLastDestroy();

// GDI objects that the process holds: GetGuiResources where the platform answers it,
// otherwise (Wine, whose GetGuiResources is a stub) the live entries of the process's GDI
// handle table.
int CountGdiObjects();

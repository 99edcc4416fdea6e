// Reading windows from the screen and saving screenshots; see screen_capture.h.
#include "tests/e2e/screen_capture.h"

#include <cstdlib>
#include <vector>

#include "tests/controls/png_writer.h"

#ifndef TVIS_SCREENSHOT_DIR
#define TVIS_SCREENSHOT_DIR "."
#endif

Image CaptureScreen(const RECT& rect) {
    Image image;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return image;

    DibCanvas canvas(width, height);
    if (!canvas.valid()) return image;
    HDC screen = GetDC(nullptr);
    BOOL copied = BitBlt(canvas.dc(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    if (copied) image = canvas.ToImage();
    return image;
}

Image CaptureClient(HWND window) {
    RECT client = {};
    if (!GetClientRect(window, &client)) return Image();
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return CaptureScreen(client);
}

Image CaptureWindow(HWND window) {
    RECT frame = {};
    if (!GetWindowRect(window, &frame)) return Image();
    return CaptureScreen(frame);
}

testing::AssertionResult SaveScreenPng(const RECT& rect, const std::string& path) {
    Image image = CaptureScreen(rect);
    if (image.pixels.empty()) return testing::AssertionFailure() << "the screen cannot be read";
    std::vector<uint32_t> rgb(image.pixels.size());
    for (size_t i = 0; i < rgb.size(); ++i) {
        uint32_t color = image.pixels[i];  // COLORREF to 0x00RRGGBB
        rgb[i] = (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
    }
    if (!WriteScreenshotFile(path, EncodePng(image.width, image.height, rgb))) {
        return testing::AssertionFailure()
               << "cannot write " << path << ", error " << GetLastError();
    }
    return testing::AssertionSuccess() << path;
}

testing::AssertionResult SaveWindowPng(HWND window, const std::string& name) {
    RECT frame = {};
    if (!GetWindowRect(window, &frame)) {
        return testing::AssertionFailure() << "window " << window << " cannot be read";
    }
    const char* given = std::getenv("TVIS_TEST_SCREENSHOT_DIR");
    const std::string folder = given != nullptr && *given ? given : TVIS_SCREENSHOT_DIR;
    return SaveScreenPng(frame, folder + "/" + name + ".png");
}

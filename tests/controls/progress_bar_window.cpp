// Test helpers for the progress bar on the real platform; see progress_bar_window.h.
#include "tests/controls/progress_bar_window.h"

#include <map>

namespace {

constexpr char kHostClassName[] = "TVIS_PBAR_TEST_HOST";
constexpr int kControlId = 600;

struct MessageCounts {
    int paints = 0;
    int erases = 0;
};

std::map<HWND, MessageCounts> counts;
WNDPROC originalProc = nullptr;
LONG_PTR windowLongAfterDestroy = -1;

// Sits in front of the control's own window procedure and counts what reaches it.
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) ++counts[window].paints;
    if (message == WM_ERASEBKGND) ++counts[window].erases;
    LRESULT result = CallWindowProcA(originalProc, window, message, wParam, lParam);
    if (message == WM_DESTROY) {
        windowLongAfterDestroy = GetWindowLongPtrA(window, 0);
        counts.erase(window);
    }
    return result;
}

void RegisterClasses() {
    static bool registered = false;
    if (registered) return;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterProgressBarClass(instance);
    WNDCLASSA host = {};
    host.lpfnWndProc = DefWindowProcA;
    host.hInstance = instance;
    host.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    host.lpszClassName = kHostClassName;
    RegisterClassA(&host);
    registered = true;
}

// Lets the messages already queued for this thread's windows through.
void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

std::vector<PixelChange> Changes(const Image& before, const Image& after) {
    std::vector<PixelChange> changes;
    for (int y = 0; y < before.height; ++y) {
        for (int x = 0; x < before.width; ++x) {
            if (before.At(x, y) != after.At(x, y)) {
                changes.push_back(PixelChange{x, y, before.At(x, y), after.At(x, y)});
            }
        }
    }
    return changes;
}

testing::AssertionResult SameImage(const Image& expected, const Image& actual) {
    if (expected.width != actual.width || expected.height != actual.height) {
        return testing::AssertionFailure() << "sizes " << expected.width << "x" << expected.height
                                           << " and " << actual.width << "x" << actual.height;
    }
    std::vector<PixelChange> changes = Changes(expected, actual);
    if (changes.empty()) return testing::AssertionSuccess();
    testing::AssertionResult failure = testing::AssertionFailure();
    failure << changes.size() << " pixels differ:";
    for (size_t i = 0; i < changes.size() && i < 8; ++i) {
        failure << " (" << changes[i].x << "," << changes[i].y << ") " << std::hex
                << changes[i].before << "->" << changes[i].after << std::dec;
    }
    return failure;
}

ProgressBarWindow::ProgressBarWindow(int width, int height) {
    RegisterClasses();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    // On the display (a window off the screen reads back black), with a margin round the bar.
    // Never activated: without a window manager, Wine waits two seconds for the focus to
    // move when an active window is destroyed.
    host_ = CreateWindowExA(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kHostClassName, "",
                            WS_POPUP | WS_CLIPCHILDREN, 40, 40, width + 20, height + 20, nullptr,
                            nullptr, instance, nullptr);
    ShowWindow(host_, SW_SHOWNOACTIVATE);
    control_ = CreateWindowExA(
        0, kProgressBarClassName, "Custom1", WS_CHILD | WS_VISIBLE, 10, 10, width, height, host_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlId)), instance, nullptr);
    if (control_ != nullptr) {
        WNDPROC previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
        if (originalProc == nullptr) originalProc = previous;
    }
    PumpMessages();
    if (control_ != nullptr) UpdateWindow(control_);
    ResetCounts();
}

ProgressBarWindow::~ProgressBarWindow() {
    if (host_ != nullptr) DestroyWindow(host_);
    PumpMessages();
}

LRESULT ProgressBarWindow::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendMessageA(control_, message, wParam, lParam);
}

bool WriteScreenshotFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    DeleteFileA(path.c_str());
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

DibCanvas::DibCanvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    section_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section_ == nullptr) return;
    memory_ = CreateCompatibleDC(nullptr);
    if (memory_ == nullptr) return;
    old_ = SelectObject(memory_, section_);
    bits_ = static_cast<uint32_t*>(bits);
}

DibCanvas::~DibCanvas() {
    if (memory_ != nullptr) {
        SelectObject(memory_, old_);
        DeleteDC(memory_);
    }
    if (section_ != nullptr) DeleteObject(section_);
}

Image DibCanvas::ToImage() const {
    Image image;
    if (!valid()) return image;
    GdiFlush();
    image.width = width_;
    image.height = height_;
    image.pixels.resize(static_cast<size_t>(width_) * height_);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        uint32_t rgb = bits_[i] & 0xFFFFFFu;  // 0x00RRGGBB in a 32-bit DIB
        image.pixels[i] = (rgb & 0xFF) << 16 | (rgb & 0xFF00) | rgb >> 16;
    }
    return image;
}

Image ProgressBarWindow::Capture() const {
    UpdateWindow(control_);
    RECT client;
    GetClientRect(control_, &client);
    Image image;
    image.width = client.right;
    image.height = client.bottom;
    image.pixels.assign(static_cast<size_t>(image.width) * image.height, 0);

    DibCanvas canvas(image.width, image.height);
    if (!canvas.valid()) return image;
    HDC window = GetDC(control_);
    BitBlt(canvas.dc(), 0, 0, image.width, image.height, window, 0, 0, SRCCOPY);
    ReleaseDC(control_, window);
    return canvas.ToImage();
}

int ProgressBarWindow::paints() const { return counts[control_].paints; }
int ProgressBarWindow::erases() const { return counts[control_].erases; }
void ProgressBarWindow::ResetCounts() { counts[control_] = MessageCounts(); }

ProgressBarState ProgressBarWindow::ReadState() const {
    ProgressBarState copy = {};
    HGLOBAL handle = reinterpret_cast<HGLOBAL>(GetWindowLongPtrA(control_, 0));
    if (handle == nullptr) return copy;
    const ProgressBarState* state = static_cast<const ProgressBarState*>(GlobalLock(handle));
    if (state == nullptr) return copy;
    copy = *state;
    GlobalUnlock(handle);
    return copy;
}

LONG_PTR WindowLongAfterLastDestroy() { return windowLongAfterDestroy; }

int CountGdiObjects() {
    DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0) return static_cast<int>(reported);
    // Wine keeps the process's GDI objects in a table of 65536 entries and accepts a bare
    // table index (high word 0) as a handle to whatever object lives in that entry.
    int live = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++live;
    }
    return live;
}

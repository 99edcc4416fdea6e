// A demo program's one top-level window; see product_window.h.
#include "demo/product/product_window.h"

#include "demo/product/version_panel.h"

namespace {

constexpr int kWindowWidth = 420;
constexpr int kWindowHeight = 160;
constexpr int kFirstRowTop = 12;
constexpr int kRowGap = 10;
constexpr int kScreenMargin = 8;

LRESULT CALLBACK ProductWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kCloseRequestMessage:
            // The installer's request to close; the same message with other parameters is
            // none and is ignored.
            if (IsCloseRequest(wParam, lParam)) DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool RegisterProductClass(HINSTANCE instance, const wchar_t* className) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ProductWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = className;
    return RegisterClassW(&windowClass) != 0;
}

// The bottom-right corner of the work area, the second program's window above the first's:
// clear of the installer's dialog in the middle of the screen and of its trace console in
// the top-left corner, where Wine's default position would put this window too.
POINT StackedPlace(int stackPlace) {
    RECT work = {0, 0, 1024, 768};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return {work.right - kScreenMargin - kWindowWidth,
            work.bottom - (kScreenMargin + kWindowHeight) * (stackPlace + 1)};
}

}  // namespace

HWND ShowProductWindow(HINSTANCE instance, const DemoProgram& program,
                       const VersionRecord* programRecord, const VersionRecord* libraryRecord,
                       int showCommand) {
    if (!RegisterProductClass(instance, program.className)) return nullptr;
    POINT place = StackedPlace(program.stackPlace);
    HWND window =
        CreateWindowExW(0, program.className, program.title,
                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, place.x, place.y,
                        kWindowWidth, kWindowHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return nullptr;
    AddVersionRow(window, kProgramRow, kFirstRowTop, kCarriedFiles[program.file].productName,
                  programRecord);
    AddVersionRow(window, kLibraryRow, kFirstRowTop + kVersionRowHeight + kRowGap,
                  kCarriedFiles[kQelMapE].productName, libraryRecord);
    // Shown and activated as a product window is: under Wine's virtual desktop, which the
    // tests and demonstrations use, closing an active window costs no wait for the focus.
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return window;
}

// e2e_bar_host.exe: a progress bar in a window of its own process, for proving that the
// end-to-end tests read another process's bar.
//
//   e2e_bar_host.exe [INTERVAL_MS POSITION...]
//
// Shows control 600 of class QEL_PROGRESSBAR with the UPGRADE dialog's options (percentage
// text, segments, bar colour 0x880000) and size. A test may set its position directly
// with PBM_SETPOS; with positions given, message kStartSteps posted to the top-level
// window starts a timer that sets them one after another every INTERVAL_MS, as the
// installer's countdowns do. WM_CLOSE ends the program; 2 is a bad command line.
#include <windows.h>

#include <cstdlib>
#include <vector>

#include "controls/progress_bar.h"
#include "tests/e2e/bar_host.h"

namespace {

constexpr UINT_PTR kStepTimer = 1;

std::vector<int> steps;
size_t nextStep = 0;
UINT intervalMs = 100;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kStartSteps:
            nextStep = 0;
            if (!steps.empty()) SetTimer(window, kStepTimer, intervalMs, nullptr);
            return 0;
        case WM_TIMER:
            if (nextStep < steps.size()) {
                SendDlgItemMessageW(window, kBarHostControlId, PBM_SETPOS, steps[nextStep++], 0);
            }
            if (nextStep == steps.size()) KillTimer(window, kStepTimer);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    for (int i = 1; i < __argc; ++i) {
        char* end = nullptr;
        long value = std::strtol(__argv[i], &end, 10);
        if (end == __argv[i] || *end != '\0' || value < 0) return 2;
        if (i == 1) {
            intervalMs = static_cast<UINT>(value);
        } else {
            steps.push_back(static_cast<int>(value));
        }
    }
    if (!RegisterProgressBarClass(instance)) return 2;
    WNDCLASSW hostClass = {};
    hostClass.lpfnWndProc = HostProc;
    hostClass.hInstance = instance;
    hostClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    hostClass.lpszClassName = kBarHostClassName;
    if (!RegisterClassW(&hostClass)) return 2;

    // On the screen, clear of where the tests build their reference bars; never activated
    // (see fake_product_main.cpp).
    HWND host = CreateWindowExW(WS_EX_NOACTIVATE, kBarHostClassName, L"e2e bar host",
                                WS_OVERLAPPEDWINDOW, 300, 560, kBarHostWidth + 60,
                                kBarHostHeight + 80, nullptr, nullptr, instance, nullptr);
    HWND bar = CreateWindowExA(
        0, kProgressBarClassName, "", WS_CHILD | WS_VISIBLE, 20, 20, kBarHostWidth, kBarHostHeight,
        host, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBarHostControlId)), instance, nullptr);
    if (host == nullptr || bar == nullptr) return 2;
    SendMessageW(bar, PBX_SETOPTIONS, 0, PBXO_PERCENT | PBXO_SEGMENTS);
    SendMessageW(bar, PBX_SETBARCOLOR, 0, 0x880000);
    ShowWindow(host, SW_SHOWNOACTIVATE);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

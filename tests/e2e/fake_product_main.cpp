// fake_product.exe: stands in for the product's running programs in end-to-end tests.
//
//   fake_product.exe RECORD [--ignore-close] CLASS...
//   fake_product.exe RECORD --no-windows
//
// Registers each window class exactly as spelled and shows one top-level window per CLASS
// argument (a class may repeat), titled "<class> #<n>" with n counting from 1 per class.
// All windows live on one thread, so close requests are handled in the order they were
// posted, whichever window they went to. A close request (message 2842 with wParam
// 0x12345678 and lParam 0x87654321) appends the window's title as a line to RECORD and
// destroys the window, unless --ignore-close; the same message with other parameters
// appends "bad <title> wParam=... lParam=..." and is otherwise ignored. The program ends
// when its last window is gone; it exits with 2 on a bad command line. With --no-windows it
// shows nothing and runs until it is ended: a product program that no window search finds.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/product_windows.h"

namespace {

std::wstring recordPath;
bool ignoreClose = false;
int liveWindows = 0;
std::map<HWND, std::wstring> titles;

void AppendRecord(const std::wstring& line) {
    HANDLE file = CreateFileW(recordPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    char utf8[512];
    int length = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8,
                                     sizeof utf8 - 2, nullptr, nullptr);
    utf8[length++] = '\r';
    utf8[length++] = '\n';
    DWORD written = 0;
    WriteFile(file, utf8, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
}

void OnCloseRequest(HWND window, WPARAM wParam, LPARAM lParam) {
    if (IsCloseRequest(wParam, lParam)) {
        AppendRecord(titles[window]);
        if (!ignoreClose) DestroyWindow(window);
        return;
    }
    wchar_t detail[96];
    // Unsigned and pointer-sized, so both builds write a posted 32-bit value alike.
    swprintf(detail, 96, L" wParam=0x%llx lParam=0x%llx", static_cast<unsigned long long>(wParam),
             static_cast<unsigned long long>(static_cast<ULONG_PTR>(lParam)));
    AppendRecord(L"bad " + titles[window] + detail);
}

LRESULT CALLBACK ProductWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kCloseRequestMessage:
            OnCloseRequest(window, wParam, lParam);
            return 0;
        case WM_DESTROY:
            titles.erase(window);
            if (--liveWindows == 0) PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool Register(HINSTANCE instance, const std::wstring& className) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ProductWindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = className.c_str();
    return RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Never activated: without a window manager Wine waits about two seconds for the focus to
// move when an active window is destroyed.
HWND Show(HINSTANCE instance, const std::wstring& className, const std::wstring& title, int index) {
    HWND window = CreateWindowExW(WS_EX_NOACTIVATE, className.c_str(), title.c_str(),
                                  WS_OVERLAPPEDWINDOW, 20 + 30 * index, 20 + 30 * index, 260, 90,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return nullptr;
    titles[window] = title;
    ++liveWindows;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (args == nullptr) return 2;
    int first = 2;
    if (count > 1) recordPath = args[1];
    if (count > 2 && lstrcmpW(args[2], L"--ignore-close") == 0) {
        ignoreClose = true;
        first = 3;
    }
    bool noWindows = count == 3 && lstrcmpW(args[2], L"--no-windows") == 0;
    std::vector<std::wstring> classes(args + (count < first ? count : first), args + count);
    LocalFree(args);
    if (noWindows) {
        Sleep(INFINITE);
        return 0;
    }
    if (recordPath.empty() || classes.empty()) return 2;

    std::map<std::wstring, int> perClass;
    for (size_t i = 0; i < classes.size(); ++i) {
        const std::wstring& name = classes[i];
        std::wstring title = name + L" #" + std::to_wstring(++perClass[name]);
        if (!Register(instance, name) ||
            Show(instance, name, title, static_cast<int>(i)) == nullptr)
            return 2;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

// A stand-in for the product's running programs: it opens one top-level window per class
// name given, on one thread, so that close requests reach its windows in the order they
// were posted. Each close request is appended to the record file as "<class> #<n>";
// the window then closes, unless --ignore-close was given. The program ends when its
// last window is gone.
//   product_stand_in RECORD [--ignore-close] CLASS [CLASS ...]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr UINT kCloseRequest = WM_USER + 1818;
constexpr WPARAM kCloseWParam = 0x12345678;
constexpr LPARAM kCloseLParam = static_cast<LPARAM>(0x87654321u);

const char* recordPath = nullptr;
bool ignoreClose = false;
int openWindows = 0;

void Record(const std::string& line) {
    FILE* file = std::fopen(recordPath, "ab");
    if (file == nullptr) return;
    std::fputs((line + "\n").c_str(), file);
    std::fclose(file);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCloseRequest) {
        char title[300] = {};
        GetWindowTextA(window, title, sizeof title - 1);
        if (wParam != kCloseWParam || lParam != kCloseLParam) {
            Record(std::string("bad parameters to ") + title);
            return 0;
        }
        Record(title);
        if (!ignoreClose) DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY && --openWindows == 0) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int argc = __argc;
    char** argv = __argv;
    if (argc < 3) return 2;
    recordPath = argv[1];
    int first = 2;
    if (std::strcmp(argv[first], "--ignore-close") == 0) {
        ignoreClose = true;
        ++first;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    std::vector<std::string> registered;
    for (int i = first; i < argc; ++i) {
        std::string className = argv[i];
        bool known = false;
        for (const std::string& name : registered) known = known || name == className;
        if (!known) {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = WindowProc;
            windowClass.hInstance = instance;
            windowClass.lpszClassName = argv[i];
            if (!RegisterClassA(&windowClass)) return 3;
            registered.push_back(className);
        }
        std::string title = className + " #" + std::to_string(i - first + 1);
        // Not activated: Wine then creates and destroys the window without waiting for
        // the focus to move.
        HWND window =
            CreateWindowExA(WS_EX_NOACTIVATE, argv[i], title.c_str(), WS_OVERLAPPEDWINDOW,
                            40 * (i - first), 500, 300, 120, nullptr, nullptr, instance, nullptr);
        if (window == nullptr) return 4;
        ShowWindow(window, SW_SHOWNOACTIVATE);
        ++openWindows;
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

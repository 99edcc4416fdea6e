// Whose window a window is; see window_class.h.
#include "app/window_class.h"

#include <cstring>

bool HasWindowClass(HWND window, const char* className) {
    // Room for the longest class name the system keeps (256) and one more, so that a
    // longer name never passes for a cut one.
    char name[258] = {};
    const int length = GetClassNameA(window, name, sizeof name);
    return length > 0 && std::strcmp(name, className) == 0;
}

bool IsWindowOfProcess(HWND window, DWORD processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner == processId;
}

// Reading and pressing another process's windows; see window_driver.h.
#include "tests/support/window_driver.h"

namespace {

struct DialogSearch {
    DWORD processId;
    const wchar_t* caption;
    int controlId;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
    DialogSearch* search = reinterpret_cast<DialogSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->processId || !IsWindowVisible(window)) return TRUE;
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (lstrcmpW(name, L"#32770") != 0) return TRUE;
    if (search->controlId != 0 && GetDlgItem(window, search->controlId) == nullptr) return TRUE;
    if (search->caption != nullptr && WindowText(window) != search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

std::wstring WindowText(HWND window) {
    wchar_t buffer[2048] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG, 5000, &copied)) {
        return L"<no answer>";
    }
    return buffer;
}

std::wstring ControlText(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    return control == nullptr ? L"<no control>" : WindowText(control);
}

HWND WaitForDialog(DWORD processId, const wchar_t* caption, int controlId, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        DialogSearch search = {processId, caption, controlId, nullptr};
        EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

bool WaitForControlText(HWND dialog, int controlId, const std::wstring& text, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        if (ControlText(dialog, controlId) == text) return true;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

void Press(HWND dialog, int buttonId) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
}

RunningProgram::RunningProgram(const std::string& path, const std::string& folder,
                               const std::string& arguments, bool suspended) {
    std::string command = "\"" + path + "\"";
    if (!arguments.empty()) command += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    const DWORD flags = DETACHED_PROCESS | (suspended ? CREATE_SUSPENDED : 0);
    if (!CreateProcessA(path.c_str(), &command[0], nullptr, nullptr, FALSE, flags, nullptr,
                        folder.c_str(), &startup, &process_)) {
        process_ = {};
    }
}

RunningProgram::~RunningProgram() {
    if (process_.hProcess == nullptr) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

DWORD RunningProgram::WaitForExit(DWORD timeoutMs) {
    if (process_.hProcess == nullptr) return STILL_ACTIVE;
    WaitForSingleObject(process_.hProcess, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

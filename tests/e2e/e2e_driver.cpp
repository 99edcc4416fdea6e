// Driving the installer from outside; see e2e_driver.h.
#include "tests/e2e/e2e_driver.h"

#include <shellapi.h>

#include "tests/support/temp_folder.h"

namespace {

// The static control that holds a message box's text; its icon is in 0x14 on Windows and
// in stc1 (0x440) in Wine's template.
constexpr int kBoxTextId = 0xFFFF;
constexpr int kBoxIconIds[] = {0x0014, 0x0440};

struct BoxSearch {
    DWORD processId;
    HWND skip;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectBoxes(HWND window, LPARAM param) {
    BoxSearch* search = reinterpret_cast<BoxSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->processId || window == search->skip || !IsWindowVisible(window)) {
        return TRUE;
    }
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    // The UPGRADE dialog has labels with the id -1 (0xFFFF) too; a box has no stage line.
    if (lstrcmpW(name, L"#32770") == 0 && GetDlgItem(window, kBoxTextId) != nullptr &&
        GetDlgItem(window, 225) == nullptr) {
        search->found.push_back(window);
    }
    return TRUE;
}

BOOL CALLBACK CollectButtons(HWND child, LPARAM param) {
    wchar_t name[32] = {};
    GetClassNameW(child, name, 32);
    if (lstrcmpiW(name, L"Button") == 0) {
        reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(StoredText(child));
    }
    return TRUE;
}

ShownBox Describe(HWND window) {
    ShownBox box;
    box.window = window;
    box.caption = StoredText(window);
    box.text = StoredText(GetDlgItem(window, kBoxTextId));
    box.owner = GetWindow(window, GW_OWNER);
    box.topmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    for (int id : kBoxIconIds) {
        HWND icon = GetDlgItem(window, id);
        DWORD_PTR handle = 0;
        if (icon != nullptr && IsWindowVisible(icon) &&
            SendMessageTimeoutW(icon, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &handle) &&
            handle != 0) {
            box.hasIcon = true;
        }
    }
    EnumChildWindows(window, CollectButtons, reinterpret_cast<LPARAM>(&box.buttons));
    return box;
}

}  // namespace

std::wstring StoredText(HWND window) {
    wchar_t buffer[2048] = {};
    if (window != nullptr) GetWindowTextW(window, buffer, 2048);
    return buffer;
}

ShownBox WaitForBox(DWORD processId, const wchar_t* caption, DWORD timeoutMs, HWND skip) {
    DWORD start = GetTickCount();
    do {
        BoxSearch search = {processId, skip, {}};
        EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&search));
        for (HWND window : search.found) {
            if (caption == nullptr || StoredText(window) == caption) return Describe(window);
        }
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return ShownBox();
}

bool AnyBoxShown(DWORD processId) {
    BoxSearch search = {processId, nullptr, {}};
    EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&search));
    return !search.found.empty();
}

void Answer(const ShownBox& box, int buttonId) {
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
}

TextSampler::TextSampler(HWND control) : control_(control) {
    thread_ = std::thread([this] {
        while (!stop_) {
            std::wstring text = StoredText(control_);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (seen_.empty() || seen_.back() != text) seen_.push_back(text);
            }
            Sleep(5);
        }
    });
}

TextSampler::~TextSampler() { Stop(); }

std::vector<std::wstring> TextSampler::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

DWORD RunToEnd(const std::string& commandLine, DWORD timeoutMs) {
    std::string command = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        return ~0u;
    }
    WaitForSingleObject(process.hProcess, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    if (code == STILL_ACTIVE) TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::string ReadConsoleOf(DWORD processId, const std::string& scratchFile) {
    DeleteFileA(scratchFile.c_str());
    std::string command = "\"" + BesideThisProgram("console_reader.exe") + "\" " +
                          std::to_string(processId) + " \"" + scratchFile + "\"";
    if (RunToEnd(command, 30000) != 0) return "<unread>";
    return ReadTestFile(scratchFile);
}

StartedProcess::StartedProcess(const std::string& path) {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "open";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExA(&info) && info.hProcess != nullptr) {
        process_ = info.hProcess;
        id_ = GetProcessId(process_);
    }
}

StartedProcess::~StartedProcess() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

DWORD StartedProcess::WaitForExit(DWORD timeoutMs) {
    if (process_ == nullptr) return STILL_ACTIVE;
    WaitForSingleObject(process_, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}

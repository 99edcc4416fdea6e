// Driving the installer from outside; see e2e_driver.h.
#include "tests/e2e/e2e_driver.h"

#include <shellapi.h>

#include "tests/support/temp_folder.h"
#include "tests/support/window_driver.h"

std::wstring StoredText(HWND window) {
    wchar_t buffer[2048] = {};
    if (window != nullptr) GetWindowTextW(window, buffer, 2048);
    return buffer;
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

std::string ReadConsoleOf(DWORD processId, const std::string& scratchFile) {
    DeleteFileA(scratchFile.c_str());
    RunningProgram reader(BesideThisProgram("console_reader.exe"), BesideThisProgram(""),
                          std::to_string(processId) + " \"" + scratchFile + "\"");
    if (reader.WaitForExit(30000) != 0) return "<unread>";
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

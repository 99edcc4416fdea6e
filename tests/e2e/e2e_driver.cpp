// Driving the installer from outside; see e2e_driver.h.
#include "tests/e2e/e2e_driver.h"

#include <shellapi.h>

#include "tests/support/temp_folder.h"

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

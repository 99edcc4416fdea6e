// What the upgrade scenarios add to the harness (installer_driver.h, message_boxes.h):
// starting a program as a double-click does, reading a busy window's text without
// waiting for it, following a control's texts, and reading another process's console.
// Windows builds only.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Text of another process's window without sending it a message (so it never waits for
// a busy program): the text the window system keeps for it.
std::wstring StoredText(HWND window);

// Records every distinct text a control shows, polled every few milliseconds from a
// thread of its own, until stopped.
class TextSampler {
public:
    explicit TextSampler(HWND control);
    ~TextSampler();
    TextSampler(const TextSampler&) = delete;
    TextSampler& operator=(const TextSampler&) = delete;
    std::vector<std::wstring> Stop();

private:
    HWND control_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::wstring> seen_;
    std::thread thread_;
};

// The screen buffer of the process's console, a line per row ("\n"), as console_reader.exe
// beside this program reads it; "<unread>" when it could not be read.
std::string ReadConsoleOf(DWORD processId, const std::string& scratchFile);

// A process started as Explorer starts a double-clicked program (ShellExecuteEx, "open").
class StartedProcess {
public:
    explicit StartedProcess(const std::string& path);
    ~StartedProcess();
    StartedProcess(const StartedProcess&) = delete;
    StartedProcess& operator=(const StartedProcess&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD id() const { return id_; }
    // The exit code, or STILL_ACTIVE when it did not end within timeoutMs.
    DWORD WaitForExit(DWORD timeoutMs);

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Drives another process's windows from outside, as a person would: finds its dialogs
// and message boxes, reads their texts as UTF-16 and presses their buttons. Windows only.
#pragma once

#include <windows.h>

#include <string>

// Text of a window of any process (WM_GETTEXT with a timeout), or L"<no answer>".
std::wstring WindowText(HWND window);
// Text of a dialog's control.
std::wstring ControlText(HWND dialog, int controlId);

// Waits up to timeoutMs for a visible top-level dialog window (#32770) of the process
// whose caption is `caption` (null: any caption) and that holds control `controlId`
// (0: any). Returns null on timeout.
HWND WaitForDialog(DWORD processId, const wchar_t* caption, int controlId, DWORD timeoutMs);

// Waits until a control of the dialog shows `text`; false on timeout.
bool WaitForControlText(HWND dialog, int controlId, const std::wstring& text, DWORD timeoutMs);

// Presses a dialog's button by sending it the button's command.
void Press(HWND dialog, int buttonId);

// A process started for a test; killed when still running at the end. `arguments` follow
// the quoted program path on its command line.
class RunningProgram {
public:
    // `suspended`: its first thread waits for Resume, so that a test can prepare the
    // process (a file-size limit, say) before it runs any of its code.
    RunningProgram(const std::string& path, const std::string& folder,
                   const std::string& arguments = "", bool suspended = false);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool started() const { return process_.hProcess != nullptr; }
    bool Resume() { return ResumeThread(process_.hThread) != static_cast<DWORD>(-1); }
    DWORD id() const { return process_.dwProcessId; }
    // The exit code, or STILL_ACTIVE when it did not end within timeoutMs.
    DWORD WaitForExit(DWORD timeoutMs);

private:
    PROCESS_INFORMATION process_ = {};
};

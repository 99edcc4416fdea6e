// Answers the message boxes that the code under test shows on this process's GUI
// thread: a background thread finds each box, records its caption, text, owner and
// look, and presses a button. Windows builds only.
#pragma once

#include <windows.h>

#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct SeenMessageBox {
    std::wstring caption;
    std::wstring text;
    HWND owner;
    bool topmost;  // MB_SYSTEMMODAL boxes stay on top
    bool hasIcon;  // an MB_ICON* image beside the text
    std::vector<std::wstring> buttons;
};

class MessageBoxWatcher {
public:
    // `answer` is the command sent to each box (IDOK, IDYES, IDNO, ...).
    explicit MessageBoxWatcher(int answer = IDOK);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // Windows that look like dialogs but are not message boxes (a test's own dialog).
    void Ignore(HWND window);
    std::vector<SeenMessageBox> Seen();

private:
    void Run();
    void Answer(HWND box);

    int answer_;
    std::mutex mutex_;
    std::set<HWND> ignored_;
    std::set<HWND> answered_;
    std::vector<SeenMessageBox> seen_;
    bool stop_ = false;
    std::thread thread_;
};

// Finding and answering message boxes from a second thread; see message_box_watcher.h.
#include "tests/support/message_box_watcher.h"

namespace {

// The static control that holds a message box's text.
constexpr int kMessageTextId = 0xFFFF;
// The static control that holds its icon: 0x14 on Windows, stc1 (0x440) in Wine's template.
constexpr int kMessageIconIds[] = {0x0014, 0x0440};

bool ShowsIcon(HWND box) {
    for (int id : kMessageIconIds) {
        HWND icon = GetDlgItem(box, id);
        if (icon != nullptr && IsWindowVisible(icon) &&
            SendMessageW(icon, STM_GETICON, 0, 0) != 0) {
            return true;
        }
    }
    return false;
}

std::wstring TextOf(HWND window) {
    wchar_t buffer[2048] = {};
    GetWindowTextW(window, buffer, 2048);
    return buffer;
}

struct Search {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM param) {
    Search* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (process == search->process && lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(window)) {
        search->found.push_back(window);
    }
    return TRUE;
}

BOOL CALLBACK CollectButtons(HWND child, LPARAM param) {
    wchar_t name[32] = {};
    GetClassNameW(child, name, 32);
    if (lstrcmpiW(name, L"Button") == 0) {
        reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(TextOf(child));
    }
    return TRUE;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(int answer) : answer_(answer) {
    thread_ = std::thread([this] { Run(); });
}

MessageBoxWatcher::~MessageBoxWatcher() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    thread_.join();
}

void MessageBoxWatcher::Ignore(HWND window) {
    std::lock_guard<std::mutex> lock(mutex_);
    ignored_.insert(window);
}

std::vector<SeenMessageBox> MessageBoxWatcher::Seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

void MessageBoxWatcher::Run() {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stop_) return;
        }
        Search search = {GetCurrentProcessId(), {}};
        EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
        for (HWND window : search.found) {
            bool skip;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                skip = ignored_.count(window) > 0 || answered_.count(window) > 0;
            }
            if (!skip && GetDlgItem(window, kMessageTextId) != nullptr) Answer(window);
        }
        Sleep(20);
    }
}

void MessageBoxWatcher::Answer(HWND box) {
    SeenMessageBox seen;
    seen.caption = TextOf(box);
    seen.text = TextOf(GetDlgItem(box, kMessageTextId));
    seen.owner = GetWindow(box, GW_OWNER);
    seen.topmost = (GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    seen.hasIcon = ShowsIcon(box);
    EnumChildWindows(box, CollectButtons, reinterpret_cast<LPARAM>(&seen.buttons));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        answered_.insert(box);
        seen_.push_back(seen);
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED), 0);
}

// Finding, reading and answering another process's message boxes; see message_boxes.h.
#include "tests/e2e/message_boxes.h"

#include <algorithm>
#include <utility>

#include "tests/e2e/screen_capture.h"
#include "tests/support/window_driver.h"

namespace {

constexpr int kMessageTextId = 0xFFFF;
// The static control that holds the icon: 0x14 on Windows, stc1 (0x440) in Wine's template.
constexpr int kMessageIconIds[] = {0x0014, 0x0440};
// The UPGRADE dialog's progress bar: a dialog holding it is not a message box.
constexpr int kUpgradeDialogBarId = 600;
// A box is read while it may still be painting: how long to wait for a known icon.
constexpr DWORD kIconSettleMs = 2000;

struct Search {
    DWORD processId;
    const std::set<HWND>* skip;
    HWND found;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM param) {
    Search* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->processId || !IsWindowVisible(window)) return TRUE;
    if (search->skip->count(window) > 0) return TRUE;
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (lstrcmpW(name, L"#32770") != 0) return TRUE;
    if (GetDlgItem(window, kMessageTextId) == nullptr) return TRUE;
    if (GetDlgItem(window, kUpgradeDialogBarId) != nullptr) return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK CollectButtons(HWND child, LPARAM param) {
    wchar_t name[32] = {};
    GetClassNameW(child, name, 32);
    if (lstrcmpiW(name, L"Button") != 0 || !IsWindowVisible(child)) return TRUE;
    RECT rect = {};
    GetWindowRect(child, &rect);
    auto* buttons = reinterpret_cast<std::vector<std::pair<LONG, std::wstring>>*>(param);
    buttons->emplace_back(rect.left, WindowText(child));
    return TRUE;
}

std::vector<std::wstring> ButtonsLeftToRight(HWND box) {
    std::vector<std::pair<LONG, std::wstring>> found;
    EnumChildWindows(box, CollectButtons, reinterpret_cast<LPARAM>(&found));
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::wstring> texts;
    for (const auto& button : found) texts.push_back(button.second);
    return texts;
}

// A system icon drawn by this process over `background`, at its natural size, in the top
// left corner of a width x height image: what an SS_ICON static of that size shows.
Image DrawSystemIcon(LPCSTR id, int width, int height, uint32_t background) {
    DibCanvas canvas(width, height);
    if (!canvas.valid()) return Image();
    const uint32_t fill =
        (background & 0xFF) << 16 | (background & 0xFF00) | (background >> 16 & 0xFF);
    std::fill(canvas.bits(), canvas.bits() + static_cast<size_t>(width) * height, fill);
    // Shared system icons are never destroyed.
    DrawIconEx(canvas.dc(), 0, 0, LoadIconA(nullptr, id), 0, 0, 0, nullptr, DI_NORMAL);
    return canvas.ToImage();
}

HWND IconControl(HWND box) {
    for (int id : kMessageIconIds) {
        HWND icon = GetDlgItem(box, id);
        DWORD_PTR handle = 0;
        if (icon != nullptr && IsWindowVisible(icon) &&
            SendMessageTimeoutW(icon, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &handle) &&
            handle != 0) {
            return icon;
        }
    }
    return nullptr;
}

BoxIcon MatchIcon(HWND iconControl) {
    static const std::pair<LPCSTR, BoxIcon> kCandidates[] = {
        {IDI_INFORMATION, BoxIcon::kInformation},
        {IDI_WARNING, BoxIcon::kWarning},
        {IDI_ERROR, BoxIcon::kError},
        {IDI_QUESTION, BoxIcon::kQuestion},
    };
    Image shown = CaptureClient(iconControl);
    if (shown.pixels.empty()) return BoxIcon::kUnknown;
    // The system icons leave their corners transparent: the corner is the background.
    for (const auto& candidate : kCandidates) {
        if (DrawSystemIcon(candidate.first, shown.width, shown.height, shown.At(0, 0)) == shown) {
            return candidate.second;
        }
    }
    return BoxIcon::kUnknown;
}

BoxIcon ReadIcon(HWND box) {
    HWND control = IconControl(box);
    if (control == nullptr) return BoxIcon::kNone;
    DWORD start = GetTickCount();
    BoxIcon icon = MatchIcon(control);
    while (icon == BoxIcon::kUnknown && GetTickCount() - start < kIconSettleMs) {
        Sleep(20);
        icon = MatchIcon(control);
    }
    return icon;
}

}  // namespace

const char* ToString(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::kNone:
            return "no icon";
        case BoxIcon::kInformation:
            return "information";
        case BoxIcon::kWarning:
            return "warning";
        case BoxIcon::kError:
            return "error";
        case BoxIcon::kQuestion:
            return "question";
        case BoxIcon::kUnknown:
            return "unknown icon";
    }
    return "?";
}

std::optional<MessageBoxView> WaitForMessageBox(DWORD processId, const std::set<HWND>& skip,
                                                DWORD timeoutMs) {
    DWORD start = GetTickCount();
    Search search = {processId, &skip, nullptr};
    for (;;) {
        EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) break;
        if (GetTickCount() - start >= timeoutMs) return std::nullopt;
        Sleep(20);
    }
    MessageBoxView box;
    box.window = search.found;
    box.caption = WindowText(box.window);
    box.text = ControlText(box.window, kMessageTextId);
    box.owner = GetWindow(box.window, GW_OWNER);
    box.topmost = (GetWindowLongW(box.window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    box.icon = ReadIcon(box.window);
    box.buttons = ButtonsLeftToRight(box.window);
    return box;
}

void Answer(const MessageBoxView& box, int command) {
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.window, command)));
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return "";
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0], size,
                        nullptr, nullptr);
    return utf8;
}

bool WaitUntilClosed(const MessageBoxView& box, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (IsWindow(box.window) && IsWindowVisible(box.window)) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

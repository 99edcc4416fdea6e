// Message boxes of another process, found and read as a person sees them and answered.
// Windows builds only.
#pragma once

#include <windows.h>

#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

// The icon beside a box's text. Told apart by its pixels on the screen: under Wine an
// icon handle of another process neither equals this process's handle of the same system
// icon nor can be read here (see docs/platform.md).
enum class BoxIcon { kNone, kInformation, kWarning, kError, kQuestion, kUnknown };
const char* ToString(BoxIcon icon);
inline std::ostream& operator<<(std::ostream& out, BoxIcon icon) { return out << ToString(icon); }

struct MessageBoxView {
    HWND window = nullptr;  // for Answer() and WaitUntilClosed()
    std::wstring caption;
    std::wstring text;
    HWND owner = nullptr;  // null for a box without owner
    bool topmost = false;  // MB_SYSTEMMODAL boxes are topmost
    BoxIcon icon = BoxIcon::kNone;
    std::vector<std::wstring> buttons;  // visible buttons, left to right
};

// Waits up to timeoutMs for a visible message box of the process that is not in `skip`
// and reads it. A message box is a dialog (#32770) holding the static control 0xFFFF; a
// dialog holding a control 600 is the UPGRADE dialog, whose labels share that id.
std::optional<MessageBoxView> WaitForMessageBox(DWORD processId, const std::set<HWND>& skip,
                                                DWORD timeoutMs);

// Presses a box's button by its command (IDOK, IDYES, IDNO, ...).
void Answer(const MessageBoxView& box, int command);

// Waits until the box is gone; false on timeout.
bool WaitUntilClosed(const MessageBoxView& box, DWORD timeoutMs);

// A window text as UTF-8, for test messages.
std::string Utf8(const std::wstring& text);

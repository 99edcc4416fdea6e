// Conversions to UTF-16 for everything shown on screen; see ui_text.h.
#include "support/ui_text.h"

#include <cstring>
#include <cwchar>

#include "support/deployment_log.h"

namespace {

bool boxesSuppressed = false;

// The box's caption and text as one line of the deployment log: UTF-8, its line breaks
// as blanks.
void LogSuppressedBox(const wchar_t* caption, const wchar_t* text) {
    wchar_t line[2 * kShownTextSize + 8];
    std::swprintf(line, sizeof line / sizeof line[0], L"box not shown: [%ls] %ls", caption, text);
    line[sizeof line / sizeof line[0] - 1] = L'\0';
    for (wchar_t* c = line; *c != L'\0'; ++c) {
        if (*c == L'\r' || *c == L'\n') *c = L' ';
    }
    char utf8[4 * kShownTextSize];
    if (WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof utf8, nullptr, nullptr) > 0) {
        DeploymentText(utf8);
    }
}

}  // namespace

void WidenText(const char* text, TextOrigin origin, wchar_t* out, int capacity) {
    out[0] = L'\0';
    if (text == nullptr || capacity < 1) return;
    int bytes = static_cast<int>(std::strlen(text));
    // Each input byte yields at most one UTF-16 unit in these code pages (a 4-byte
    // UTF-8 sequence yields two), so capacity - 1 bytes always fit: cut there.
    if (bytes > capacity - 1) bytes = capacity - 1;
    int units = bytes == 0 ? 0 : MultiByteToWideChar(origin, 0, text, bytes, out, capacity - 1);
    out[units] = L'\0';
}

void SetItemText(HWND dialog, int controlId, const char* text, TextOrigin origin) {
    wchar_t wide[kShownTextSize];
    WidenText(text, origin, wide, kShownTextSize);
    SetDlgItemTextW(dialog, controlId, wide);
}

void SetTitleText(HWND window, const char* text, TextOrigin origin) {
    wchar_t wide[kShownTextSize];
    WidenText(text, origin, wide, kShownTextSize);
    SetWindowTextW(window, wide);
}

int ShowMessage(HWND owner, const char* text, TextOrigin textOrigin, const char* caption,
                TextOrigin captionOrigin, UINT flags) {
    wchar_t wideText[kShownTextSize];
    wchar_t wideCaption[kShownTextSize];
    WidenText(text, textOrigin, wideText, kShownTextSize);
    WidenText(caption, captionOrigin, wideCaption, kShownTextSize);
    if (boxesSuppressed) {
        LogSuppressedBox(wideCaption, wideText);
        UINT buttons = flags & MB_TYPEMASK;
        return buttons == MB_YESNO || buttons == MB_YESNOCANCEL ? IDYES : IDOK;
    }
    return MessageBoxW(owner, wideText, wideCaption, flags);
}

void SuppressMessageBoxes() { boxesSuppressed = true; }

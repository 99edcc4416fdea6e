// Conversions to UTF-16 for everything shown on screen; see ui_text.h.
#include "support/ui_text.h"

#include <cstring>

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
    return MessageBoxW(owner, wideText, wideCaption, flags);
}

// Creating the UPGRADE dialog from its template; see upgrade_dialog.h.
#include "tests/support/upgrade_dialog.h"

namespace {

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

UpgradeDialogWindow::UpgradeDialogWindow()
    : window_(
          CreateDialogParamW(GetModuleHandleW(nullptr), L"UPGRADE", nullptr, QuietDialogProc, 0)) {}

UpgradeDialogWindow::~UpgradeDialogWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
}

std::wstring UpgradeDialogWindow::Text(int controlId) const {
    wchar_t buffer[1024] = {};
    GetDlgItemTextW(window_, controlId, buffer, 1024);
    return buffer;
}

std::wstring UpgradeDialogWindow::Title() const {
    wchar_t buffer[1024] = {};
    GetWindowTextW(window_, buffer, 1024);
    return buffer;
}

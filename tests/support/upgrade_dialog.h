// The real UPGRADE dialog, created modeless from the program's template for tests that
// check what the code writes into it. Windows builds only.
#pragma once

#include <windows.h>

#include <string>

class UpgradeDialogWindow {
public:
    UpgradeDialogWindow();
    ~UpgradeDialogWindow();
    UpgradeDialogWindow(const UpgradeDialogWindow&) = delete;
    UpgradeDialogWindow& operator=(const UpgradeDialogWindow&) = delete;

    HWND get() const { return window_; }
    std::wstring Text(int controlId) const;
    std::wstring Title() const;

private:
    HWND window_;
};

// fake_product.exe driven from a test: the product's programs as the installer will meet
// them, and what they were asked. Windows builds only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/product_windows.h"
#include "tests/support/temp_folder.h"
#include "tests/support/window_driver.h"

class FakeProduct {
public:
    // Starts fake_product.exe (beside the test) with one window per class name, in that
    // order; ignoreClose keeps the windows open after a close request.
    // `program`: the image to start, a copy of fake_product.exe (an installed product file,
    // so that it runs as that file); empty for fake_product.exe beside the test. With no
    // class names it shows no window at all and runs until it is ended.
    explicit FakeProduct(const std::vector<std::wstring>& classNames, bool ignoreClose = false,
                         const std::string& program = "");
    FakeProduct(const FakeProduct&) = delete;
    FakeProduct& operator=(const FakeProduct&) = delete;

    // Waits until all its windows are shown; false on timeout.
    bool WaitForWindows(DWORD timeoutMs);
    // Its visible top-level windows in EnumWindows order.
    std::vector<HWND> Windows() const;
    // The lines it recorded, in order: "<class> #<n>" for each close request obeyed,
    // "bad ..." for the message with wrong parameters.
    std::vector<std::string> Requests() const;
    // Waits until it recorded `count` lines; false on timeout.
    bool WaitForRequests(size_t count, DWORD timeoutMs) const;

    DWORD processId() const { return program_.id(); }
    // The exit code, or STILL_ACTIVE when it did not end within timeoutMs.
    DWORD WaitForExit(DWORD timeoutMs) { return program_.WaitForExit(timeoutMs); }

private:
    size_t windowCount_;
    TempFolder folder_;
    std::string record_;
    RunningProgram program_;
};

// Posts the installer's close request to a window (other parameters for the negative cases).
void PostCloseRequest(HWND window, WPARAM wParam = kCloseRequestWParam,
                      LPARAM lParam = static_cast<LPARAM>(kCloseRequestLParam));

// The visible top-level windows of exactly this class, of any process, in EnumWindows
// order. When several exist the installer uses the last one.
std::vector<HWND> TopLevelWindows(const wchar_t* className);

// A window's title as UTF-8 (fake_product.exe titles its windows as it records them).
std::string TitleOf(HWND window);

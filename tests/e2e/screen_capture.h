// Pixels of any process's windows as the screen shows them, and screenshots for people.
// Under Wine a window of another process can only be read from the screen: see
// docs/platform.md. Windows builds only.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/controls/progress_bar_window.h"

// The screen's pixels inside `rect` (screen coordinates); an empty image when the screen
// cannot be read. Whatever lies on top of a window is what this returns for it.
Image CaptureScreen(const RECT& rect);

// The client area of a window of any process, from the screen.
Image CaptureClient(HWND window);

// A window with its frame and caption, from the screen.
Image CaptureWindow(HWND window);

// Saves the screen's pixels inside `rect` (screen coordinates) as a PNG file at `path`.
testing::AssertionResult SaveScreenPng(const RECT& rect, const std::string& path);

// Saves a PNG of a window with its frame as NAME.png in the folder named by the
// environment variable TVIS_TEST_SCREENSHOT_DIR (scripts/test.sh sets it and copies the
// pictures into the build folder's screenshots/), or in the build's screenshots/ folder.
testing::AssertionResult SaveWindowPng(HWND window, const std::string& name);

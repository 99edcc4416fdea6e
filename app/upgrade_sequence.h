// The upgrade start sequence's Win32 half: the dialog's handlers for the tick, the
// upgrade button and the start message, and the search for running product programs.
// The decisions are in start_sequence.h.
#pragma once

#include <windows.h>

// Window classes of the product's programs, compared exactly (letter case included).
constexpr const char* kLogViewClassName = "qel_LV_Frame";
constexpr const char* kOnLineClassName = "qel_QRV_MdiFrame";

// The request to a product program to close itself, and its fixed parameters.
constexpr UINT kCloseRequestMessage = WM_USER + 1818;
constexpr WPARAM kCloseRequestWParam = 0x12345678;
constexpr LPARAM kCloseRequestLParam = static_cast<LPARAM>(0x87654321u);

// Top-level windows of the two classes found by the last search; null when none.
extern HWND logViewWindow;
extern HWND onLineWindow;

// EnumWindows callbacks: store a window of their class; when several match, the last one
// enumerated stays. Always TRUE, so the enumeration runs to its end.
BOOL CALLBACK FindLogViewWindow(HWND window, LPARAM);
BOOL CALLBACK FindOnLineWindow(HWND window, LPARAM);

// Timer 100.
void TickUpgradeSequence(HWND dialog);

// IDOK: looks for running product programs, asks about them, and starts a countdown.
void PressUpgradeButton(HWND dialog);

// The start message: runs the upgrade procedure. TRUE when the dialog has ended.
INT_PTR StartUpgrade(HWND dialog);

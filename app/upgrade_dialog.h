// The UPGRADE dialog: its procedure drives the whole upgrade from two timers, the two
// buttons and one private message, all on the GUI thread.
#pragma once

#include <windows.h>

#include <cstdint>

// The timers of the dialog: the one-shot start of the preparation, and the tick.
constexpr UINT_PTR kPreparationTimerId = 500;
constexpr UINT_PTR kTickTimerId = 100;
// Posted by the dialog to itself when the upgrade's countdown has run out.
constexpr UINT kStartUpgradeMessage = WM_USER + 1256;

// The UPGRADE dialog; null until the dialog is initialised.
extern HWND dialogWindow;
// Reason code of the payload extraction; 0 is success.
extern int32_t kpr;

// Where the dialog draws its icon, and the icon (the 64 x 64 image of QRV).
extern POINT iconPosition;
extern HICON dialogIcon;

// Shows a stage of the extraction in the dialog's status line at once: the extraction's
// status callback (payload/extract.h).
void ShowExtractionStatus(const char* text);

INT_PTR CALLBACK UpgradeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

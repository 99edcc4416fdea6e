// Showing the installed and the carried version in the UPGRADE dialog: the rows of both
// copies, the edition's title, and the log entries of what was shown.
#pragma once

#include <windows.h>

// Set once the installed copy proved to be of the KWIL edition; never cleared. It words
// the dialog's title, the running-program question and the final warning.
extern bool kwilEdition;

// Reads the installed library in `productFolder` (the installed folder, with or without
// its trailing separator) and shows its version, build and date, and the edition's title.
// 1 when shown; 0 leaves the dialog untouched.
int ShowInstalledVersion(HWND dialog, const char* productFolder);

// Reads the carried library's new copy in workFolder and shows its build and date.
// 1 when shown, else 0.
int ShowUpgradeVersion(HWND dialog);

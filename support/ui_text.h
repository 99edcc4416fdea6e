// Showing 8-bit texts on screen so that they read right on any system code page.
// Every text is converted explicitly to UTF-16 and shown through the wide-character
// calls; the caller says where the text comes from:
//   kOwnText      the program's own texts, written in UTF-8 in the sources;
//   kSystemText   texts from the system (paths from the registry or the file system),
//                 in the system's ANSI code page;
//   kProductText  texts from the product's version record, in code page 1250.
#pragma once

#include <windows.h>

enum TextOrigin : UINT {
    kOwnText = CP_UTF8,
    kSystemText = CP_ACP,
    kProductText = 1250,
};

// Own texts of the boxes that both the version reader and the upgrade procedure show.
constexpr char kNoMemoryText[] = "Brak pamięci";
constexpr char kInstallerCaption[] = "Instalator qel";

// Longest text shown, in UTF-16 units with the terminator; longer texts are cut.
constexpr int kShownTextSize = 1024;

// Converts into `out` (capacity in UTF-16 units, at least 1); always terminates.
void WidenText(const char* text, TextOrigin origin, wchar_t* out, int capacity);

void SetItemText(HWND dialog, int controlId, const char* text, TextOrigin origin);
void SetTitleText(HWND window, const char* text, TextOrigin origin);
// Shows a message box. While boxes are suppressed (an unattended run, where nobody is at
// the screen) nothing is shown: the caption and text go to the deployment log, and the
// answer is the one an administrator wants: IDYES to a question, IDOK otherwise.
int ShowMessage(HWND owner, const char* text, TextOrigin textOrigin, const char* caption,
                TextOrigin captionOrigin, UINT flags);

// From now on ShowMessage shows nothing (see above). Never undone in a run.
void SuppressMessageBoxes();

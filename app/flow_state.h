// Process-wide state of the upgrade flow, shared by the dialog, the discovery of the
// installed product, the version display and the upgrade procedure. All of it lives
// for the whole run and is touched on the GUI thread only.
#pragma once

#include <windows.h>

#include <cstdint>

// Size of the folder texts below, terminator included.
constexpr uint32_t kFolderTextSize = 260;

// The UPGRADE dialog; null until the dialog is initialised.
extern HWND dialogWindow;
// The installed product's folder without its trailing separator.
extern char productFolder[kFolderTextSize];
// The folder text under test; after a successful discovery the text that passed.
extern char candidateFolder[kFolderTextSize];
// Set when an installed folder passed the test and both version records were read.
extern bool upgradePossible;
// Reason code of the payload extraction; 0 is success.
extern int32_t kpr;

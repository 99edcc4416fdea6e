// The upgrade procedure: replaces the three installed files by their new copies from the
// work folder, in a fixed order, and reports the outcome in a message box.
#pragma once

#include <windows.h>

// Set when a target file could not be written; never cleared, so it also decides the
// final warning of every later run.
extern bool writeFailed;

// Replaces qelMapE.dll, tVisX.exe and tVisLV.exe in productFolder, showing each target
// path in the stage line, and stops at the first file that fails (the files replaced
// before it stay replaced). upgradePath is only traced. Returns 1 when all three were
// replaced (after the success box), 0 otherwise (after the final warning).
int ProceduraUpgrade(HWND dialog, const char* upgradePath);

// Replaces the installed file of the current step by the new copy `name` in workFolder,
// after checking that the copy carries a version record. 1 on success, 0 on failure
// (with its own box where the failure has one).
int PrzetwarzajCheck(const char* name);

// The upgrade procedure: replaces the three installed files by their new copies from the
// work folder, in a fixed order, and reports the outcome in a message box.
//
// The product is never left mixed: before the first file is replaced, every step is
// checked (the new copy is there, whole, carries a version record and is exactly what the
// payload carries; the installed file is held by no other program and can be replaced;
// the drive has room), and a failure is reported at its step with nothing replaced. A
// write that still fails midway puts back the files replaced before it.
#pragma once

#include <windows.h>

#include "app/procedure_rules.h"

// Set when a target file could not be written; never cleared, so it also decides the
// final warning of every later run.
extern bool writeFailed;

// Why the last run of the procedure failed; kNone after a success.
extern StepFailure procedureFailure;

// Replaces qelMapE.dll, tVisX.exe and tVisLV.exe in productFolder, showing each target
// path in the stage line. Returns 1 when all three were replaced (after the success box),
// 0 otherwise (after the final warning), with the product as it was before the call.
// upgradePath is only traced.
int ProceduraUpgrade(HWND dialog, const char* upgradePath);

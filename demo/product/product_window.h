// A demo program's one top-level window: of the product's class, showing the program's
// and the library's versions, and closed by the installer's close request or WM_CLOSE,
// which ends the program's message loop with exit code 0. Windows builds only.
#pragma once

#include <windows.h>

#include "demo/product/demo_programs.h"
#include "version/version_record.h"

// Registers the program's window class and shows its window with both rows of versions
// (a null record shows as none). Null when the window could not be made.
HWND ShowProductWindow(HINSTANCE instance, const DemoProgram& program,
                       const VersionRecord* programRecord, const VersionRecord* libraryRecord,
                       int showCommand);

// DLLs taken from the system folder only. An installer is started from a downloads
// folder, where anybody can leave a DLL named like a system one; Windows looks in the
// program's own folder first for every DLL that is not a KnownDLL. So the installer
// imports only KnownDLLs, narrows the search for everything loaded later, and loads the
// other system DLLs it wants by their full path. Win32.
#pragma once

#include <windows.h>

// Makes the system folder the only place the process's later DLL loads by name search,
// the loads that system DLLs make on their own behalf included. Uses
// SetDefaultDllDirectories where the system has it (Windows 8, and 7 and Vista with
// KB2533623); looked up at run time, since older systems lack it. False where the
// system lacks it or refuses; the caller goes on with the ordinary search.
bool RestrictDllSearchToSystemFolder();

// Loads the DLL `name` (a bare file name, such as "lz32.dll") by its full path in the
// system folder, whatever the search path says. Null when it cannot be loaded. The caller
// keeps it loaded for the rest of the run or frees it.
HMODULE LoadSystemDll(const char* name);

// GetProcAddress's result as the function type it really has (through void*, which
// the compiler accepts without a cast-function-type warning).
template <typename Function>
Function ProcAs(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Calls InitCommonControls of comctl32.dll from the system folder. comctl32 is no
// KnownDLL, so importing it would have a planted copy beside the installer loaded before
// WinMain runs. False when it cannot be loaded: the dialog's controls are the system's
// own and ours, so the program goes on without it. comctl32 stays loaded for the run.
bool InitCommonControlsFromSystem();

// A stand-in for a malicious comctl32.dll planted beside an installer: when loaded, it
// leaves a marker file (plant_marker.h). It exports the two initialisation functions, so
// a program that imports them starts with it as it would with the real one; whatever else
// a program or a system DLL would want of comctl32 is missing.
#include <windows.h>

#include "tests/win/plant_marker.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) LeavePlantMarker(self);
    return TRUE;
}

__declspec(dllexport) void WINAPI InitCommonControls() {}
// Without commctrl.h, whose declarations would make these imports.
__declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void*) { return TRUE; }

}  // extern "C"

// A stand-in for a malicious lz32.dll planted beside an installer: when loaded, it
// leaves a marker file (plant_marker.h). Its functions do nothing useful, so an
// installer that used them would fail to decompress.
#include <windows.h>

#include "tests/win/plant_marker.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) LeavePlantMarker(self);
    return TRUE;
}

__declspec(dllexport) INT WINAPI LZOpenFileA(LPSTR, LPOFSTRUCT, WORD) { return -1; }
__declspec(dllexport) LONG WINAPI LZCopy(INT, INT) { return -1; }
__declspec(dllexport) INT WINAPI LZRead(INT, LPSTR, INT) { return -1; }
__declspec(dllexport) void WINAPI LZClose(INT) {}

}  // extern "C"

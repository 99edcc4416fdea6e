// A stand-in for a malicious lz32.dll planted beside an installer: when loaded, it
// leaves a marker file at the path in TVIS_TEST_PLANT_MARKER. Its functions do nothing
// useful, so an installer that used them would fail to decompress.
#include <windows.h>

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        char marker[MAX_PATH];
        DWORD length = GetEnvironmentVariableA("TVIS_TEST_PLANT_MARKER", marker, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        }
    }
    return TRUE;
}

__declspec(dllexport) INT WINAPI LZOpenFileA(LPSTR, LPOFSTRUCT, WORD) { return -1; }
__declspec(dllexport) LONG WINAPI LZCopy(INT, INT) { return -1; }
__declspec(dllexport) void WINAPI LZClose(INT) {}

}  // extern "C"

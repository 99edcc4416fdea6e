// What a planted stand-in DLL does when it is loaded: it adds a line with its own path to
// the marker file at the path in TVIS_TEST_PLANT_MARKER, so that a test can tell whether,
// and which, planted copies got into a process. Header only, for the planted DLLs.
#pragma once

#include <windows.h>

inline void LeavePlantMarker(HINSTANCE self) {
    char marker[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("TVIS_TEST_PLANT_MARKER", marker, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    char loaded[MAX_PATH];
    DWORD loadedLength = GetModuleFileNameA(self, loaded, MAX_PATH);
    if (loadedLength >= MAX_PATH) loadedLength = 0;
    HANDLE file = CreateFileA(marker, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, loaded, loadedLength, &written, nullptr);
    WriteFile(file, "\r\n", 2, &written, nullptr);
    CloseHandle(file);
}

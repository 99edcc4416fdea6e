// Telling whose window a top-level window is: its class and its process, as the searches for
// the running installer's dialog, its open boxes and the product's own windows ask. Win32.
#pragma once

#include <windows.h>

// Whether the window's class name is exactly `className`, letter case included (the
// product's classes differ from look-alikes only in case). Byte for byte: lstrcmpA would
// compare by the locale's word sort and take "tVis-Bar" for "tVisBar".
bool HasWindowClass(HWND window, const char* className);

// Whether the window belongs to the process.
bool IsWindowOfProcess(HWND window, DWORD processId);

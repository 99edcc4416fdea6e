// Product programs found by their image path, in every session. A deployment engine runs
// the installer as SYSTEM in session 0, where the windows of the user's session are not
// visible, so the window search finds nothing while tVisLV.exe runs on the user's desktop.
// The processes whose image is one of the installed files are found whatever their session.
#pragma once

#include <windows.h>

// Most processes reported; more of them are counted but not listed.
constexpr int kMostProductProcesses = 16;

struct ProductProcess {
    DWORD id = 0;
    DWORD session = 0;
    bool hasProductWindow = false;  // owns a visible product window here: can be asked to close
    char image[MAX_PATH] = {};
};

// The running processes whose image is tVisLV.exe, tVisX.exe or qelMapE.dll of the
// installed folder `productFolder` (kept without its trailing separator). Fills up to
// kMostProductProcesses entries and returns how many were found in all.
int FindProductProcesses(const char* productFolder, ProductProcess* found, int capacity);

// The work folder: where the carried files are unpacked and decompressed.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr uint32_t kWorkFolderSize = 260;

// The work folder, always ending in a backslash; set by the extraction and kept for
// the rest of the run. Tests set it directly to a folder of their own.
extern char workFolder[kWorkFolderSize];

// The user's templates folder followed by "\", or "C:\" when the shell cannot supply
// it. Returns a buffer of its own, valid until the next call.
const char* GetWorkFolder(HWND owner);

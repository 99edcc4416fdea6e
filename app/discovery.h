// Finding the installed product: six registry values, then two default folders.
#pragma once

#include <windows.h>

#include <cstdint>

#include "support/product_places.h"

// Size of the folder texts below, terminator included.
constexpr uint32_t kFolderTextSize = 260;

// The installed product's folder without its trailing separator.
extern char productFolder[kFolderTextSize];
// The folder text under test; after a successful discovery the text that passed.
extern char candidateFolder[kFolderTextSize];
// Set when an installed folder passed the test and both version records were read.
extern bool upgradePossible;

// Normalises the folder text in place and tests that it holds tVisLV.exe, tVisX.exe
// and qelMapE.dll, each readable and not empty; the names are appended without a
// separator. Returns 1 or 0 and traces the outcome.
int TestProductFolder(char* folderText);

enum class DiscoveryOutcome {
    kCopiesMissing,       // a new copy is missing from workFolder; nothing was searched
    kNotFound,            // no registry value nor default folder holds the product
    kVersionsUnreadable,  // found, but a version record could not be read
    kUpgradePossible,     // found, and both versions shown
};

// Checks the unpacked files in workFolder, finds the installed folder, sets
// productFolder, candidateFolder and upgradePossible, and has the dialog show both
// versions.
DiscoveryOutcome FindInstalledProduct(HWND dialog);

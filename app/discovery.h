// Finding the installed product: six registry values, then two default folders.
#pragma once

#include <windows.h>

#include "app/product_places.h"

// Normalises the folder text in place and tests that it holds tVisLV.exe, tVisX.exe
// and qelMapE.dll, each readable and not empty; the names are appended without a
// separator. Returns 1 or 0 and traces the outcome.
int TestProductFolder(char* folderText);

// Checks the unpacked files in workFolder, finds the installed folder, sets
// productFolder, candidateFolder and upgradePossible, and has the dialog show both
// versions. Returns 1 when an installed folder was found, 0 when not.
int FindInstalledProduct(HWND dialog);

// Whether the three new copies are in workFolder (the first check of the discovery).
bool NewCopiesPresent();

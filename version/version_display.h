// Reading the installed and the carried version record and showing them in the
// UPGRADE dialog, with their log entries and message boxes.
#pragma once

#include <windows.h>

#include "version/version_record.h"

extern VersionRecord installedRecord;
extern VersionRecord upgradeRecord;
// Set once the installed copy proved to be of the KWIL edition; never cleared.
extern bool kwilEdition;

// Reads the record of the installed library at the full path `path` into
// installedRecord. 1 on success; 0 on failure, with a message box for a short read,
// a missing record or no memory (none for an empty or unopenable file).
int ReadInstalledRecord(const char* path);

// The same for `name` in the work folder, into upgradeRecord (build, time and date only).
int ReadUpgradeRecord(const char* name);

// Reads the installed library in `productFolder` (the installed folder, with or without
// its trailing separator) and shows its version, build and date, and the edition's title.
// 1 when shown; 0 leaves the dialog untouched.
int ShowInstalledVersion(HWND dialog, const char* productFolder);

// Reads the carried library's new copy in workFolder and shows its build and date.
// 1 when shown, else 0.
int ShowUpgradeVersion(HWND dialog);

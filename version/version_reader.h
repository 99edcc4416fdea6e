// Reading the installed and the carried version record, with the log entry and the
// message boxes of each read. Showing them in the dialog is the dialog's own part
// (app/version_view.h).
#pragma once

#include <windows.h>

#include "version/version_record.h"

extern VersionRecord installedRecord;
extern VersionRecord upgradeRecord;

// Reads the record of the installed library at the full path `path` into
// installedRecord. 1 on success; 0 on failure, with a message box for a short read,
// a missing record or no memory (none for an empty or unopenable file).
int ReadInstalledRecord(const char* path);

// The same for `name` in the work folder, into upgradeRecord (build, time and date only).
int ReadUpgradeRecord(const char* name);

// The scene of an end-to-end run of the installer program: an installed product recorded
// for the current user, and an installer that carries a newer build of it. Windows only.
#pragma once

#include <string>

#include "tests/support/installer_image.h"
#include "tests/support/product_file.h"

// Version 5.2 R, build 1187 of 2025-06-11 09:05:07.42: what the runs find installed.
RecordFields InstalledRecord();
// Build 1250 of 2026-12-10 14:30:05.50: what their installer carries.
RecordFields UpgradeRecord();

// Records `folder` as the per-user "path" value of the product key; false on failure.
bool SetProductPath(const std::string& folder);

// Writes the installed product's three files with `installed` records into `folder`
// (ending in a backslash; created here) and records the folder with SetProductPath.
// False when any of it could not be written.
bool InstallOldProduct(const std::string& folder,
                       const RecordFields& installed = InstalledRecord());

// The installer image that carries the three files with `upgrade` records, behind `stub`
// (the installer program without payload).
Bytes MakeUpgradeInstaller(const Bytes& stub, const RecordFields& upgrade = UpgradeRecord());

// Removes the product key of the current user and of the machine, and the six files that
// a run of the installer leaves in the work folder.
void ForgetUpgradeRuns();

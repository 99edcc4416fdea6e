// The scene of an end-to-end run of the installer program: an installed product recorded
// for the current user, and an installer that carries a newer build of it. Windows only.
#pragma once

#include <string>

#include "tests/support/installer_image.h"

// Writes the installed product's three files, version "5.2 R", build 1187 of 2025-06-11,
// into `folder` (ending in a backslash; created here) and records the folder as the
// per-user "path" value of the product key. False when any of it could not be written.
bool InstallOldProduct(const std::string& folder);

// The installer image that carries build 1250 of 2026-12-10 14:30:05.50, behind `stub`
// (the installer program without payload).
Bytes MakeUpgradeInstaller(const Bytes& stub);

// Removes the product key of the current user and of the machine, and the six files that
// a run of the installer leaves in the work folder.
void ForgetUpgradeRuns();

// One installer at a time. Every run unpacks into the same work folder (the user's
// Templates folder) and replaces the same product files: a second run started while the
// first prepares or upgrades would delete and rewrite the new copies under the first, and
// the first could install a copy the second has only half written. A second run therefore
// ends before it touches anything: the log, the registry, the work folder or the product.
#pragma once

#include <windows.h>

// The name of the mutex that marks a running installer. In the global namespace, so that
// an installer started in another session (another user on the same machine, whose
// product folder may be this one's) counts too.
constexpr const wchar_t* kInstallerRunMutexName = L"Global\\tVisUpgradeRun";

// Claims the run for this process: true when no other installer runs (the claim is then
// held until the process ends, however it ends), false when another one holds it.
// Claiming again in the same process succeeds. When the mutex cannot be made for any
// other reason the run goes on: the guard must never stop a lone installer.
bool ClaimInstallerRun();

// Brings the other installer's dialog to the front, when one is on this desktop, so that
// a customer who started the installer twice sees the run that goes on.
void ShowRunningInstaller();

// The base of the Windows tests that call the installer's own code in this process: the
// file lock for the whole suite (FileLockTest), the real
// UPGRADE dialog with a watcher that answers every box the code shows, every process-wide
// variable of the installer back at its start value before each test, and the fixed log
// file C:\tVisXlog.txt removed after it. Windows builds only.
#pragma once

#include <windows.h>

#include "tests/support/file_lock_test.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/upgrade_dialog.h"

// Puts every process-wide variable of the installer's flow (app/, version/, payload/) back
// to its value at program start, so that no test sees what an earlier one left. A new
// variable is added here, once, for every fixture.
void ResetInstallerState();

class InstallerCodeTest : public FileLockTest {
protected:
    // Checks the dialog, has the watcher leave it alone and resets the installer's state.
    // Safe to call again inside a test to start a case afresh.
    void SetUp() override;
    void TearDown() override;

    UpgradeDialogWindow dialog;
    MessageBoxWatcher watcher;
};

// The installer's entry function: sets up the process-wide services and runs the
// UPGRADE dialog. The command line is ignored.
#include <windows.h>

#include "app/installer_instance.h"
#include "app/registry.h"
#include "app/upgrade_dialog.h"
#include "controls/progress_bar.h"
#include "support/diagnostics.h"
#include "support/file_access.h"
#include "support/system_dll.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Before anything can load a DLL by name: the installer's own folder is a downloads
    // folder. Where the system cannot narrow the search, the ordinary one stays.
    RestrictDllSearchToSystemFolder();
    // A second installer leaves everything to the first, even its log: it ends with 0, as
    // a run that did not take place.
    if (!ClaimInstallerRun()) {
        ShowRunningInstaller();
        return 0;
    }
    CreateFileLock();
    ProbeMachineHive();
    EmptyLog();
    if (!RegisterProgressBarClass(instance)) {
        DeleteFileLock();
        return 0;
    }
    InitCommonControlsFromSystem();
    ToggleTraceConsole(1000);
    // The result is not used: whatever ended the dialog, the run is over.
    DialogBoxParamW(instance, L"UPGRADE", nullptr, UpgradeDialogProc, 0);
    DeleteFileLock();
    return 1;
}

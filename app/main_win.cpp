// The installer's entry function: reads the switches, sets up the process-wide services
// and runs the UPGRADE dialog. A run without switches (a double-click) is interactive and
// ends with exit code 1; an unattended run's exit code says what happened (unattended.h).
#include <windows.h>

#include "app/installer_instance.h"
#include "app/registry.h"
#include "app/unattended.h"
#include "controls/progress_bar.h"
#include "support/deployment_log.h"
#include "support/diagnostics.h"
#include "support/file_access.h"
#include "support/system_dll.h"
#include "support/ui_text.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    // Before anything can load a DLL by name: the installer's own folder is a downloads
    // folder. Where the system cannot narrow the search, the ordinary one stays.
    RestrictDllSearchToSystemFolder();
    runOptions = ParseCommandLine(commandLine);
    if (runOptions.help) {
        ShowHelp();
        return 0;
    }
    const bool unattended = Unattended(runOptions);
    // The file operations (the deployment log's too) run under this lock.
    CreateFileLock();
    // A second installer leaves everything to the first, even its log: an interactive one
    // ends with 0, as a run that did not take place; an unattended one asks to be retried.
    if (!ClaimInstallerRun()) {
        if (!unattended) {
            ShowRunningInstaller();
            DeleteFileLock();
            return 0;
        }
        AppendToDeploymentLog(runOptions.logPath);
        DeploymentLine(
            "outcome: exit code %u (%s): another installer run holds the single-run "
            "guard",
            static_cast<unsigned>(kExitRetryLater), FindExitCode(kExitRetryLater)->meaning);
        DeleteFileLock();
        return kExitRetryLater;
    }
    if (unattended) SuppressMessageBoxes();
    OpenDeploymentLog(runOptions.logPath);
    LogRunStart();
    ProbeMachineHive();
    EmptyLog();
    if (!RegisterProgressBarClass(instance)) {
        DeleteFileLock();
        return unattended ? static_cast<int>(kExitFailed) : 0;
    }
    InitCommonControlsFromSystem();
    if (runOptions.mode != RunMode::kQuiet) ToggleTraceConsole(1000);
    if (!RunUpgradeDialog(instance) && unattended) {
        DeploymentLine("outcome: exit code %u: the dialog could not be created",
                       static_cast<unsigned>(kExitFailed));
        runExitCode = kExitFailed;
    }
    DeleteFileLock();
    return unattended ? static_cast<int>(runExitCode) : static_cast<int>(kInteractiveExitCode);
}

// One installer at a time; see installer_instance.h.
#include "app/installer_instance.h"

#include "app/window_class.h"
#include "controls/progress_bar.h"
#include "resources/dialog_ids.h"

namespace {

HANDLE runMutex = nullptr;

// The class of dialog boxes and message boxes.
constexpr char kDialogBoxClassName[] = "#32770";

// The installer's dialog: a dialog box whose control 600 is our own progress bar class,
// which no other program registers.
BOOL CALLBACK FindInstallerDialog(HWND window, LPARAM found) {
    if (!HasWindowClass(window, kDialogBoxClassName)) return TRUE;
    HWND bar = GetDlgItem(window, kProgressBarId);
    if (bar == nullptr || !HasWindowClass(bar, kProgressBarClassName)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// A message box of the running installer (a visible dialog box of its process other than
// its UPGRADE dialog): the question or message the customer still has to answer.
struct OpenBox {
    DWORD processId;
    HWND dialog;
    HWND box;
};

BOOL CALLBACK FindOpenBox(HWND window, LPARAM search) {
    OpenBox* open = reinterpret_cast<OpenBox*>(search);
    if (!IsWindowOfProcess(window, open->processId) || window == open->dialog ||
        !IsWindowVisible(window) || !HasWindowClass(window, kDialogBoxClassName)) {
        return TRUE;
    }
    open->box = window;
    return FALSE;
}

}  // namespace

bool ClaimInstallerRun() {
    if (runMutex != nullptr) return true;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kInstallerRunMutexName);
    const DWORD error = GetLastError();
    if (mutex == nullptr) {
        // Another user's installer made it, and its security keeps us from opening it.
        return error != ERROR_ACCESS_DENIED;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    // Never closed: the system closes it when the process ends, which ends the claim.
    runMutex = mutex;
    return true;
}

void ShowRunningInstaller() {
    HWND dialog = nullptr;
    EnumWindows(FindInstallerDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) return;
    if (IsIconic(dialog)) ShowWindow(dialog, SW_RESTORE);
    // A box the other installer shows (its questions, the success box) stays in front of
    // its dialog: the box is what the customer has to answer.
    OpenBox open = {0, dialog, nullptr};
    GetWindowThreadProcessId(dialog, &open.processId);
    EnumWindows(FindOpenBox, reinterpret_cast<LPARAM>(&open));
    SetForegroundWindow(open.box != nullptr ? open.box : dialog);
}

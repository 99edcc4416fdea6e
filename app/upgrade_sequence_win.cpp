// The upgrade start sequence's Win32 half; see upgrade_sequence.h.
#include "app/upgrade_sequence.h"

#include <cstring>

#include "app/flow_state.h"
#include "app/start_sequence.h"
#include "app/upgrade_dialog.h"
#include "app/upgrade_procedure.h"
#include "controls/progress_bar.h"
#include "resources/dialog_ids.h"
#include "support/diagnostics.h"
#include "support/ui_text.h"
#include "version/version_reader.h"

HWND logViewWindow = nullptr;
HWND onLineWindow = nullptr;

namespace {

constexpr const char* kReadyText = "Uaktualnienie gotowe, wciśnij 'UAKTUALNIJ'.";

// Whether the window's class name is exactly `className`; a name that cannot be read
// matches nothing.
bool HasClass(HWND window, const char* className) {
    char name[262];
    int length = GetClassNameA(window, name, 261);
    return length > 0 && std::strcmp(name, className) == 0;
}

void SearchProductWindows() {
    logViewWindow = nullptr;
    EnumWindows(FindLogViewWindow, 0);
    onLineWindow = nullptr;
    EnumWindows(FindOnLineWindow, 0);
}

void EnableButtons(HWND dialog, BOOL enable) {
    EnableWindow(GetDlgItem(dialog, IDOK), enable);
    EnableWindow(GetDlgItem(dialog, IDCANCEL), enable);
}

void PostCloseRequest(HWND window) {
    if (window != nullptr && IsWindow(window)) {
        PostMessageA(window, kCloseRequestMessage, kCloseRequestWParam, kCloseRequestLParam);
    }
}

// Asks about the running programs and, on "Yes", asks them to close: the LogView window
// first, then the OnLine window.
void AskAboutRunningPrograms(HWND dialog, RunningQuestion question) {
    questionOpen = true;
    int answer = ShowMessage(dialog, RunningQuestionText(question, kwilEdition), kOwnText,
                             "Uaktualnienie", kOwnText, MB_YESNO | MB_ICONWARNING | MB_SYSTEMMODAL);
    questionOpen = false;
    // A start scheduled before the button was pressed is superseded by the new watch.
    startDeferred = false;
    if (answer != IDYES) return;
    if (question == RunningQuestion::kLogView) PostCloseRequest(logViewWindow);
    PostCloseRequest(onLineWindow);
}

}  // namespace

BOOL CALLBACK FindLogViewWindow(HWND window, LPARAM) {
    if (HasClass(window, kLogViewClassName)) logViewWindow = window;
    return TRUE;
}

BOOL CALLBACK FindOnLineWindow(HWND window, LPARAM) {
    if (HasClass(window, kOnLineClassName)) onLineWindow = window;
    return TRUE;
}

void TickUpgradeSequence(HWND dialog) {
    bool found = false;
    if (TickSearches()) {
        SearchProductWindows();
        found = logViewWindow != nullptr || onLineWindow != nullptr;
    }
    TickOutcome outcome = TickStartSequence(found);
    if (outcome.programsClosed) {
        SetItemText(dialog, kStageLineId, "Zamknięto uruchomiany tVis...", kOwnText);
    }
    if (outcome.barMoved) {
        SetItemText(dialog, kStageLineId, "Przygotowanie instalacji...", kOwnText);
        SendDlgItemMessageW(dialog, kProgressBarId, PBM_SETPOS, outcome.barPosition, 0);
    }
    if (outcome.postStart) {
        TraceText("PostMessage\r\n");
        PostMessageW(dialog, kStartUpgradeMessage, 0, 0);
    }
    if (outcome.waitForButton) {
        TraceText("Czeka na przycisk\r\n");
        SetItemText(dialog, kStageLineId, kReadyText, kOwnText);
    }
}

void PressUpgradeButton(HWND dialog) {
    if (ButtonsIgnored()) return;
    TraceText("IDOK\r\n");
    watchRunning = false;
    std::memcpy(upgradePath, candidateFolder, sizeof upgradePath);
    upgradePath[sizeof upgradePath - 1] = '\0';
    if (!upgradePossible) return;

    EnableButtons(dialog, FALSE);
    SearchProductWindows();
    RunningQuestion question = ChooseQuestion(logViewWindow != nullptr, onLineWindow != nullptr);
    if (question != RunningQuestion::kNone) {
        AskAboutRunningPrograms(dialog, question);
        BeginWaitForClose();
        EnableButtons(dialog, TRUE);
        return;
    }
    BeginStartCountdown();
    TraceText("IDOK2\r\n");
    InvalidateRect(dialog, nullptr, FALSE);
    UpdateWindow(dialog);
}

INT_PTR StartUpgrade(HWND dialog) {
    // Only the dialog's own countdown posts the message, and only once an installed
    // product was found; from anywhere else it would write into an empty product folder.
    if (!upgradePossible) return FALSE;
    // A second start while the procedure runs would replace the files under it.
    if (upgradeRunning) return FALSE;
    // Nothing is replaced while the customer is being asked whether to stop.
    if (questionOpen) {
        startDeferred = true;
        return FALSE;
    }
    MessageBeep(0);
    TraceText("WM_USER+1256\r\n");
    Trace("Upath: %s\r\n", upgradePath);
    upgradeRunning = true;
    int replaced = ProceduraUpgrade(dialog, upgradePath);
    upgradeRunning = false;
    if (replaced) {
        EndDialog(dialog, 1);
        return TRUE;
    }
    EnableButtons(dialog, TRUE);
    return FALSE;
}

// The upgrade start sequence's Win32 half; see upgrade_sequence.h.
#include "app/upgrade_sequence.h"

#include "app/dialog_texts.h"
#include "app/discovery.h"
#include "app/product_processes.h"
#include "app/unattended.h"
#include "app/upgrade_dialog.h"
#include "app/upgrade_procedure.h"
#include "app/version_view.h"
#include "app/window_class.h"
#include "controls/progress_bar.h"
#include "resources/dialog_ids.h"
#include "support/deployment_log.h"
#include "support/diagnostics.h"
#include "support/ui_text.h"

HWND logViewWindow = nullptr;
HWND onLineWindow = nullptr;

namespace {

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
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        char name[262] = {};
        GetClassNameA(window, name, 261);
        DeploymentLine("running: a window of class %s (process %lu): asked to close", name,
                       static_cast<unsigned long>(processId));
    }
}

// In an unattended run: the product's processes by their image path, in every session.
// Those with a product window here were asked to close with it; one without (a user's
// program seen from session 0, or one without windows) cannot be asked, and the run then
// replaces nothing. False when such a process runs.
bool ProductProcessesCanBeAsked(HWND dialog) {
    ProductProcess found[kMostProductProcesses];
    int count = FindProductProcesses(productFolder, found, kMostProductProcesses);
    bool allAsked = true;
    for (int i = 0; i < count && i < kMostProductProcesses; ++i) {
        const ProductProcess& process = found[i];
        DeploymentLine(process.hasProductWindow
                           ? "running: %s (process %lu, session %lu): has a product window here"
                           : "running: %s (process %lu, session %lu): no product window here, "
                             "cannot be asked to close",
                       process.image, static_cast<unsigned long>(process.id),
                       static_cast<unsigned long>(process.session));
        if (!process.hasProductWindow) allAsked = false;
    }
    if (count > kMostProductProcesses) allAsked = false;
    if (!allAsked) {
        EndRun(dialog, 0, kExitRetryLater,
               "a product program runs where it cannot be asked to close; nothing replaced");
    }
    return allAsked;
}

// Asks about the running programs and, on "Yes", asks them to close: the LogView window
// first, then the OnLine window. Whatever the answer, the ticks then watch for them.
void AskAboutRunningPrograms(HWND dialog, RunningQuestion question) {
    int answer = AskQuestion(dialog, DialogQuestion::kRunningPrograms,
                             RunningQuestionText(question, kwilEdition), kRunningProgramsCaption,
                             MB_YESNO | MB_ICONWARNING | MB_SYSTEMMODAL);
    if (answer != IDYES) return;
    if (question == RunningQuestion::kLogView) PostCloseRequest(logViewWindow);
    PostCloseRequest(onLineWindow);
}

}  // namespace

BOOL CALLBACK FindLogViewWindow(HWND window, LPARAM) {
    if (HasWindowClass(window, kLogViewClassName)) logViewWindow = window;
    return TRUE;
}

BOOL CALLBACK FindOnLineWindow(HWND window, LPARAM) {
    if (HasWindowClass(window, kOnLineClassName)) onLineWindow = window;
    return TRUE;
}

void TickUpgradeSequence(HWND dialog) {
    bool found = false;
    if (TickSearches()) {
        SearchProductWindows();
        found = logViewWindow != nullptr || onLineWindow != nullptr;
        // Unattended, the program is gone when its process is: its windows may close
        // before it has let go of its files.
        if (!found && Unattended(runOptions)) {
            ProductProcess process;
            found = FindProductProcesses(productFolder, &process, 1) > 0;
        }
    }
    TickOutcome outcome = TickStartSequence(found);
    if (outcome.programsClosed) {
        SetItemText(dialog, kStageLineId, kProgramsClosedLine, kOwnText);
    }
    if (outcome.barMoved) {
        SetItemText(dialog, kStageLineId, kPreparingLine, kOwnText);
        SendDlgItemMessageW(dialog, kProgressBarId, PBM_SETPOS, outcome.barPosition, 0);
    }
    if (outcome.postStart) {
        TraceText("PostMessage\r\n");
        PostMessageW(dialog, kStartUpgradeMessage, 0, 0);
    }
    if (outcome.waitForButton) {
        TraceText("Czeka na przycisk\r\n");
        SetItemText(dialog, kStageLineId, kReadyLine, kOwnText);
        // Nobody will press the button again: the run ends, to be retried later.
        if (Unattended(runOptions)) {
            EndRun(dialog, 0, kExitRetryLater,
                   "a product program kept running after the close request; nothing replaced");
        }
    }
}

void PressUpgradeButton(HWND dialog) {
    ButtonOutcome pressed = PressButton(candidateFolder, upgradePossible);
    if (pressed == ButtonOutcome::kIgnored) return;
    TraceText("IDOK\r\n");
    if (pressed == ButtonOutcome::kNothingToUpgrade) return;

    EnableButtons(dialog, FALSE);
    SearchProductWindows();
    if (Unattended(runOptions) && !ProductProcessesCanBeAsked(dialog)) return;
    RunningQuestion question = ProgramsSearched(logViewWindow != nullptr, onLineWindow != nullptr);
    if (question != RunningQuestion::kNone) {
        AskAboutRunningPrograms(dialog, question);
        EnableButtons(dialog, TRUE);
        return;
    }
    TraceText("IDOK2\r\n");
    // A passive run can still be cancelled while it counts down.
    if (runOptions.mode == RunMode::kPassive) EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);
    InvalidateRect(dialog, nullptr, FALSE);
    UpdateWindow(dialog);
}

int AskQuestion(HWND dialog, DialogQuestion question, const char* text, const char* caption,
                UINT flags) {
    BeginQuestion();
    int answer = ShowMessage(dialog, text, kOwnText, caption, kOwnText, flags);
    if (EndQuestion(question, answer == IDYES)) PostMessageW(dialog, kStartUpgradeMessage, 0, 0);
    return answer;
}

INT_PTR StartUpgrade(HWND dialog) {
    if (DecideStart(upgradePossible) != StartDecision::kRun) return FALSE;
    // A quiet run makes no sound.
    if (runOptions.mode != RunMode::kQuiet) MessageBeep(0);
    TraceText("WM_USER+1256\r\n");
    Trace("Upath: %s\r\n", upgradePath);
    upgradeRunning = true;
    int replaced = ProceduraUpgrade(dialog, upgradePath);
    upgradeRunning = false;
    if (replaced) {
        EndRun(dialog, 1, kExitUpgraded, "upgraded");
        return TRUE;
    }
    if (Unattended(runOptions)) {
        EndRun(dialog, 0, ExitCodeForFailure(procedureFailure), FailureText(procedureFailure));
        return TRUE;
    }
    EnableButtons(dialog, TRUE);
    return FALSE;
}

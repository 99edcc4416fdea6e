// The UPGRADE dialog's procedure: initialisation, painting, the preparation stage and
// cancel, and the routing of the tick, the upgrade button and the start message to the
// upgrade sequence (upgrade_sequence.h).
#include "app/upgrade_dialog.h"

#include <cstdio>
#include <cstring>

#include "app/dialog_texts.h"
#include "app/discovery.h"
#include "app/unattended.h"
#include "app/upgrade_procedure.h"
#include "app/upgrade_sequence.h"
#include "controls/progress_bar.h"
#include "payload/extract.h"
#include "payload/reason_codes.h"
#include "resources/dialog_ids.h"
#include "support/diagnostics.h"
#include "support/scoped_win.h"
#include "support/text_format.h"
#include "support/ui_text.h"

HWND dialogWindow = nullptr;
int32_t kpr = 0;
POINT iconPosition;
HICON dialogIcon = nullptr;

namespace {

// The bar shows its percentage and segments, in dark red (0x00RRGGBB).
constexpr LPARAM kBarOptions = PBXO_PERCENT | PBXO_SEGMENTS;
constexpr LPARAM kBarColour = 0x880000;

void InitialiseDialog(HWND dialog) {
    dialogWindow = dialog;
    EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);

    // The placeholder only marks where the icon goes.
    HWND placeholder = GetDlgItem(dialog, kIconPlaceholderId);
    RECT rect = {};
    GetWindowRect(placeholder, &rect);
    DestroyWindow(placeholder);
    iconPosition = {rect.left, rect.top};
    ScreenToClient(dialog, &iconPosition);

    SendDlgItemMessageW(dialog, kProgressBarId, PBX_SETOPTIONS, 0, kBarOptions);
    SendDlgItemMessageW(dialog, kProgressBarId, PBX_SETBARCOLOR, 0, kBarColour);
    dialogIcon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), L"QRV", IMAGE_ICON, 64, 64, LR_DEFAULTCOLOR));
    SetTimer(dialog, kPreparationTimerId, 500, nullptr);
    SetTimer(dialog, kTickTimerId, 100, nullptr);
}

void PaintDialog(HWND dialog) {
    PaintSession paint(dialog);
    if (dialogIcon != nullptr) {
        DrawIconEx(paint.dc(), iconPosition.x, iconPosition.y, dialogIcon, 42, 42, 0, nullptr,
                   DI_NORMAL);
    }
}

// The icon was loaded for this dialog alone (not shared), so it goes with it.
void ReleaseDialogIcon() {
    if (dialogIcon != nullptr) DestroyIcon(dialogIcon);
    dialogIcon = nullptr;
}

void ReportExtractionFailure(int32_t code) {
    char text[128];
    static const char kPrefix[] = "Nie można uaktualnić oprogramowania. Kod przyczyny: ";
    std::strcpy(text, kPrefix);
    std::strcat(text, HexDword(static_cast<uint32_t>(code), true));
    ShowMessage(nullptr, text, kOwnText, "tVis", kOwnText, MB_OK | MB_ICONERROR | MB_SYSTEMMODAL);
}

// An unattended run does not wait in the dialog: the upgrade starts by itself once the
// dialog is ready, and a run that cannot upgrade ends at once with its exit code.
void ContinueUnattended(HWND dialog, DiscoveryOutcome discovery) {
    switch (discovery) {
        case DiscoveryOutcome::kUpgradePossible:
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            break;
        case DiscoveryOutcome::kNotFound:
            EndRun(dialog, 0, kExitNoProduct, "no installed tVis found");
            break;
        case DiscoveryOutcome::kCopiesMissing:
            EndRun(dialog, 0, kExitFailed, "the new copies are missing from the work folder");
            break;
        case DiscoveryOutcome::kVersionsUnreadable:
            EndRun(dialog, 0, kExitFailed, "a version record could not be read");
            break;
    }
}

// The preparation stage: unpack, find the installed product, show both versions.
void Prepare(HWND dialog) {
    // Message boxes shown below run their own loops; the stage must still run only once.
    static bool prepared = false;
    KillTimer(dialog, kPreparationTimerId);
    if (prepared) return;
    prepared = true;

    TraceText("Rozpakuj WCP\r\n");
    kpr = UnpackPayload(ShowExtractionStatus);
    Trace("kpr: %d\r\n", static_cast<int>(kpr));
    if (kpr != 0) {
        ReportExtractionFailure(kpr);
        char why[160];
        std::snprintf(why, sizeof why, "reason code %s: %s",
                      HexDword(static_cast<uint32_t>(kpr), true),
                      PayloadReasonText(kpr) != nullptr ? PayloadReasonText(kpr) : "");
        EndRun(dialog, 0, ExitCodeForReason(kpr), why);
        return;
    }
    DiscoveryOutcome discovery = FindInstalledProduct(dialog);
    if (discovery == DiscoveryOutcome::kUpgradePossible) {
        HWND upgradeButton = GetDlgItem(dialog, IDOK);
        EnableWindow(upgradeButton, TRUE);
        SetItemText(dialog, kStageLineId, kReadyLine, kOwnText);
        SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(upgradeButton), TRUE);
    } else {
        SetItemText(dialog, kStatusLineId, kCannotUpgradeLine, kOwnText);
    }
    EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);
    TraceText("Uaktualnienie gotowe\r\n");
    if (Unattended(runOptions)) ContinueUnattended(dialog, discovery);
}

// Cancel works whether or not its button is enabled, also during the upgrade sequence,
// but not while one of the dialog's questions is open or the upgrade procedure runs.
// While its question is open the countdown stands still, so nothing is replaced while
// the customer is being asked whether to stop.
INT_PTR Cancel(HWND dialog) {
    if (ButtonsIgnored()) return FALSE;
    // A passive run asks nothing: "Anuluj" cancels at once.
    if (!upgradePossible || runOptions.mode != RunMode::kInteractive) {
        EndRun(dialog, 0, kExitCancelled, "cancelled with Anuluj");
        return TRUE;
    }
    // A start message that came while the question was open goes out again after "No".
    int answer = AskQuestion(dialog, DialogQuestion::kCancel, kCancelQuestion, kCancelCaption,
                             MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL);
    if (answer == IDYES) {
        EndRun(dialog, 0, kExitCancelled, "cancelled with Anuluj");
        return TRUE;
    }
    return FALSE;
}

}  // namespace

// The whole extraction runs inside one timer message, so the dialog would not repaint on
// its own: the status line is repainted at once.
void ShowExtractionStatus(const char* text) {
    if (dialogWindow == nullptr) return;
    SetItemText(dialogWindow, kStatusLineId, text, kOwnText);
    UpdateWindow(GetDlgItem(dialogWindow, kStatusLineId));
}

INT_PTR CALLBACK UpgradeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            InitialiseDialog(dialog);
            return TRUE;
        case WM_PAINT:
            PaintDialog(dialog);
            return FALSE;
        case WM_DESTROY:
            ReleaseDialogIcon();
            return FALSE;
        case WM_TIMER:
            if (wParam == kPreparationTimerId) Prepare(dialog);
            if (wParam == kTickTimerId) TickUpgradeSequence(dialog);
            return FALSE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) PressUpgradeButton(dialog);
            if (LOWORD(wParam) == IDCANCEL) return Cancel(dialog);
            return FALSE;
        case kStartUpgradeMessage:
            return StartUpgrade(dialog);
        default:
            return FALSE;
    }
}

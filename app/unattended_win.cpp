// The run as the command line asked for it; see unattended.h.
#include "app/unattended.h"

#include <cstring>
#include <vector>

#include "app/upgrade_dialog.h"
#include "support/deployment_log.h"
#include "support/file_access.h"
#include "support/ui_text.h"

RunOptions runOptions;
uint32_t runExitCode = kExitFailed;

namespace {

bool runEnded = false;

const char* ModeName(RunMode mode) {
    switch (mode) {
        case RunMode::kQuiet:
            return "quiet";
        case RunMode::kPassive:
            return "passive";
        default:
            return "interactive";
    }
}

// The dialog template without WS_VISIBLE: a dialog made from it stays hidden. The template
// is a DLGTEMPLATEEX (its second word 0xFFFF, the style at byte 12) or a DLGTEMPLATE
// (the style first).
bool HiddenTemplate(HINSTANCE instance, std::vector<uint8_t>* copy) {
    HRSRC found = FindResourceW(instance, L"UPGRADE", MAKEINTRESOURCEW(5));
    if (found == nullptr) return false;
    HGLOBAL loaded = LoadResource(instance, found);
    const uint8_t* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    DWORD size = SizeofResource(instance, found);
    if (bytes == nullptr || size < 16) return false;
    copy->assign(bytes, bytes + size);
    WORD signature;
    std::memcpy(&signature, copy->data() + 2, sizeof signature);
    size_t styleOffset = signature == 0xFFFF ? 12 : 0;
    DWORD style;
    std::memcpy(&style, copy->data() + styleOffset, sizeof style);
    style &= ~static_cast<DWORD>(WS_VISIBLE);
    std::memcpy(copy->data() + styleOffset, &style, sizeof style);
    return true;
}

bool RunHiddenDialog(HINSTANCE instance) {
    std::vector<uint8_t> hidden;
    if (!HiddenTemplate(instance, &hidden)) return false;
    HWND dialog = CreateDialogIndirectParamW(
        instance, reinterpret_cast<LPCDLGTEMPLATEW>(hidden.data()), nullptr, UpgradeDialogProc, 0);
    if (dialog == nullptr) return false;
    MSG message;
    while (!runEnded && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyWindow(dialog);
    return true;
}

}  // namespace

void EndRun(HWND dialog, INT_PTR result, uint32_t exitCode, const char* why) {
    runExitCode = Unattended(runOptions) ? exitCode : kInteractiveExitCode;
    if (!runEnded) {
        const ExitCodeRow* row = FindExitCode(runExitCode);
        DeploymentLine("outcome: exit code %u (%s): %s", static_cast<unsigned>(runExitCode),
                       row != nullptr ? row->meaning : "interactive run", why);
    }
    runEnded = true;
    // Posted by EndDialog: a quiet run's own loop wakes up and sees runEnded.
    EndDialog(dialog, result);
}

bool RunUpgradeDialog(HINSTANCE instance) {
    if (runOptions.mode == RunMode::kQuiet) return RunHiddenDialog(instance);
    return DialogBoxParamW(instance, L"UPGRADE", nullptr, UpgradeDialogProc, 0) != -1;
}

void ShowHelp() {
    char text[2048];
    HelpText(text, sizeof text);
    ShowMessage(nullptr, text, kOwnText, "tVis", kOwnText, MB_OK | MB_ICONINFORMATION);
}

void LogRunStart() {
    if (!DeploymentLogOn()) return;
    char own[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, own, sizeof own);
    if (length == 0 || length >= sizeof own) own[0] = '\0';
    DeploymentLine("installer: %s, %lu bytes", own,
                   static_cast<unsigned long>(GetFileLength("", own)));
    DeploymentLine("mode: %s", ModeName(runOptions.mode));
}

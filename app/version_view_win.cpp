// Showing version records in the dialog; see version_view.h.
#include "app/version_view.h"

#include <cstring>

#include "app/dialog_texts.h"
#include "payload/carried_files.h"
#include "resources/dialog_ids.h"
#include "support/diagnostics.h"
#include "support/file_access.h"
#include "support/text_format.h"
#include "support/ui_text.h"
#include "version/version_reader.h"

bool kwilEdition = false;

namespace {

// folder + "qelMapE.dll", with a backslash between unless the folder ends in one.
bool InstalledLibraryPath(const char* folder, char (&path)[kFilePathSize]) {
    const size_t length = strnlen(folder, sizeof path);
    if (length >= sizeof path) return false;
    Trace("WersjaNaDysku: %s\r\n", folder);
    const bool separated = length > 0 && (folder[length - 1] == '\\' || folder[length - 1] == '/');
    if (!ConcatPath(path, folder, separated ? "" : "\\", kCarriedFiles[kQelMapE].productName)) {
        return false;
    }
    Trace("WersjaNaDysku: %s\r\n", path);
    return true;
}

}  // namespace

int ShowInstalledVersion(HWND dialog, const char* productFolder) {
    char path[kFilePathSize];
    if (!InstalledLibraryPath(productFolder, path)) return 0;
    if (!ReadInstalledRecord(path)) return 0;

    SetItemText(dialog, kInstalledVersionId, installedRecord.versionText, kProductText);
    LogEntry("on HD version: ", installedRecord.versionText);

    if (IsKwilEditionText(installedRecord.editionText)) kwilEdition = true;
    SetTitleText(dialog, kwilEdition ? kKwilTitle : kTvisTitle, kOwnText);

    SetItemText(dialog, kInstalledBuildId, NumberToText(installedRecord.build, 0, true), kOwnText);
    SetItemText(dialog, kInstalledBuildLabelId, kBuildLabel, kOwnText);
    LogEntry("on HD serial : ", NumberToText(installedRecord.build, 0, false));

    SetItemText(dialog, kInstalledDateId, FormatProductionTime(installedRecord), kProductText);
    return 1;
}

int ShowUpgradeVersion(HWND dialog) {
    if (!ReadUpgradeRecord(kCarriedFiles[kQelMapE].newCopyName)) return 0;

    SetItemText(dialog, kUpgradeBuildId, NumberToText(upgradeRecord.build, 0, true), kOwnText);
    SetItemText(dialog, kUpgradeBuildLabelId, kBuildLabel, kOwnText);
    LogEntry("on CD serial : ", NumberToText(upgradeRecord.build, 0, false));

    const char* productionTime = FormatProductionTime(upgradeRecord);
    SetItemText(dialog, kUpgradeDateId, productionTime, kProductText);
    LogEntry("on CD version: ", productionTime);
    return 1;
}

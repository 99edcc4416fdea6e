// Discovery of the installed product; see discovery.h.
#include "app/discovery.h"

#include <cstring>

#include "app/dialog_texts.h"
#include "app/folder_text.h"
#include "app/registry.h"
#include "app/version_view.h"
#include "payload/carried_files.h"
#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "support/deployment_log.h"
#include "support/diagnostics.h"
#include "support/file_access.h"
#include "support/ui_text.h"
#include "version/version_reader.h"

char productFolder[kFolderTextSize];
char candidateFolder[kFolderTextSize];
bool upgradePossible = false;

namespace {

constexpr unsigned kRegistryTextLength = 258;

struct RegistryStep {
    HKEY root;
    const char* valueName;
    const char* trace;
};

// The order of the search. The traces are the product's own, irregular spacing and
// the "pahtX" spelling included.
const RegistryStep kRegistrySteps[] = {
    {HKEY_LOCAL_MACHINE, kFolderValueNames[0], "test key: HKLM SOFTWARE\\qelWawPl\\tv5 path\r\n"},
    {HKEY_CURRENT_USER, kFolderValueNames[0], "test key: HKCU SOFTWARE\\qelWawPl\\tv5 path \r\n"},
    {HKEY_LOCAL_MACHINE, kFolderValueNames[1], "test key: HKLM SOFTWARE\\qelWawPl\\tv5 pathM\r\n"},
    {HKEY_CURRENT_USER, kFolderValueNames[1], "test key: HKCU SOFTWARE\\qelWawPl\\tv5 pathM\r\n"},
    {HKEY_LOCAL_MACHINE, kFolderValueNames[2], "test key: HKLM SOFTWARE\\qelWawPl\\tv5 pathX\r\n"},
    {HKEY_CURRENT_USER, kFolderValueNames[2], "test key: HKCU SOFTWARE\\qelWawPl\\tv5 pahtX\r\n"},
};

bool SearchRegistry() {
    for (const RegistryStep& step : kRegistrySteps) {
        std::memset(candidateFolder, 0, sizeof candidateFolder);
        ReadRegString(step.root, kProductKey, kRegistryTextLength, step.valueName, candidateFolder);
        TraceText(step.trace);
        if (TestProductFolder(candidateFolder)) {
            DeploymentLine("product: found by the value %s of %s\\%s: %s", step.valueName,
                           step.root == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU", kProductKey,
                           candidateFolder);
            return true;
        }
    }
    return false;
}

bool SearchDefaultFolders() {
    for (const char* folder : kDefaultFolders) {
        std::memset(candidateFolder, 0, sizeof candidateFolder);
        std::strncpy(candidateFolder, folder, sizeof candidateFolder - 1);
        if (TestProductFolder(candidateFolder)) {
            DeploymentLine("product: found in the default folder %s", candidateFolder);
            return true;
        }
    }
    return false;
}

void ReportNotFound() {
    ShowMessage(nullptr,
                "Nie można odnaleźć zainstalowanego oprogramowania tVis (#1).\r\n\r\n"
                "Uaktualnienie jest niemożliwe.",
                kOwnText, "", kOwnText, MB_OK | MB_ICONERROR | MB_SYSTEMMODAL);
}

// Records the folder that passed and has the dialog show both versions.
void AcceptFolder(HWND dialog) {
    char folder[kFolderTextSize];
    std::memcpy(folder, candidateFolder, sizeof folder);
    folder[sizeof folder - 1] = '\0';
    Trace("Upath 1: %s\r\n", folder);
    RemoveTrailingSeparator(folder);
    Trace("Upath 1: %s\r\n", folder);
    upgradePossible = true;
    std::memcpy(productFolder, folder, sizeof productFolder);
    Trace("Upath 1: %s\r\n", productFolder);

    int installedShown = ShowInstalledVersion(dialog, productFolder);
    if (!installedShown) TraceText("Brak wersji na dysku\r\n");
    int upgradeShown = ShowUpgradeVersion(dialog);
    if (!upgradeShown) TraceText("Brak wersji upgrade\r\n");
    if (!installedShown || !upgradeShown) upgradePossible = false;
    if (installedShown)
        DeploymentLine("installed build: %d", static_cast<int>(installedRecord.build));
    if (upgradeShown) DeploymentLine("new build: %d", static_cast<int>(upgradeRecord.build));
}

// Whether the three new copies are in workFolder (the first check of the discovery).
bool NewCopiesPresent() {
    for (CarriedFileIndex index : kDiscoveryOrder) {
        if (GetFileLength(workFolder, kCarriedFiles[index].newCopyName) == kNoFileLength) {
            return false;
        }
    }
    return true;
}

}  // namespace

int TestProductFolder(char* folderText) {
    if (folderText[0] == '\0') return 0;
    NormaliseFolderText(folderText);
    Trace("test path: %s\r\n", folderText);
    bool passed = true;
    for (CarriedFileIndex index : kDiscoveryOrder) {
        char path[512];
        if (!ConcatPath(path, folderText, kCarriedFiles[index].productName)) {
            passed = false;
            break;
        }
        uint32_t length = GetFileLength("", path);
        if (length == kNoFileLength || length == 0) {
            passed = false;
            break;
        }
    }
    Trace(passed ? "OK   path: %s\r\n" : "ERR  path: %s\r\n", folderText);
    return passed ? 1 : 0;
}

DiscoveryOutcome FindInstalledProduct(HWND dialog) {
    if (!NewCopiesPresent()) {
        SetItemText(dialog, kStageLineId, kDamagedCopiesLine, kOwnText);
        return DiscoveryOutcome::kCopiesMissing;
    }
    if (!SearchRegistry() && !SearchDefaultFolders()) {
        DeploymentLine(
            "product: not found by the values path, pathM, pathX of HKLM and HKCU "
            "nor in the default folders");
        ReportNotFound();
        return DiscoveryOutcome::kNotFound;
    }
    AcceptFolder(dialog);
    return upgradePossible ? DiscoveryOutcome::kUpgradePossible
                           : DiscoveryOutcome::kVersionsUnreadable;
}

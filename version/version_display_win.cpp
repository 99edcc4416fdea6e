// Reading and showing version records; see version_display.h.
#include "version/version_display.h"

#include <cstring>

#include "payload/carried_files.h"
#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "support/diagnostics.h"
#include "support/file_access.h"
#include "support/global_block.h"
#include "support/text_format.h"
#include "support/ui_text.h"

VersionRecord installedRecord;
VersionRecord upgradeRecord;
bool kwilEdition = false;

namespace {

// What differs between the reader of the installed copy and that of the carried one.
struct ReaderTexts {
    const char* logLabel;
    const char* noMemoryCaption;
    UINT noMemoryFlags;
    const char* readErrorCaption;
    const char* noRecordCaption;
    UINT failureFlags;
    bool allFields;
};

const ReaderTexts kInstalledReader = {
    "#3 read: ",    "Błąd", MB_SYSTEMMODAL, "#3 Uszkodzone pliki.", "#4.2 Uszkodzony plik.",
    MB_SYSTEMMODAL, true,
};

const ReaderTexts kUpgradeReader = {
    "#2 read: ", "Instalator qel", MB_OK, "#3 Uszkodzony plik.", "#4.1 Uszkodzony plik.", MB_OK,
    false,
};

// Reads folder + name whole, finds and decodes its record. `shown` is the text the
// log and the message boxes name the file by (a system text: a path or a file name).
int ReadRecord(const char* folder, const char* name, const char* shown, const ReaderTexts& texts,
               VersionRecord* record) {
    uint32_t size = GetFileLength(folder, name);
    if (size == 0 || size == kNoFileLength) return 0;

    GlobalBlock block(size);
    if (block.data() == nullptr) {
        ShowMessage(nullptr, "Brak pamięci", kOwnText, texts.noMemoryCaption, kOwnText,
                    texts.noMemoryFlags);
        return 0;
    }
    LogEntry(texts.logLabel, shown);
    if (ReadFileRange(block.data(), folder, name, 0, size) != size) {
        ShowMessage(nullptr, shown, kSystemText, texts.readErrorCaption, kOwnText,
                    texts.failureFlags);
        return 0;
    }
    uint32_t position = FindVersionRecord(block.data(), size);
    if (position == 0) {
        ShowMessage(nullptr, shown, kSystemText, texts.noRecordCaption, kOwnText,
                    texts.failureFlags);
        return 0;
    }
    DecodeVersionRecord(block.data(), position, texts.allFields, record);
    return 1;
}

// folder + "qelMapE.dll", with a backslash between unless the folder ends in one.
bool InstalledLibraryPath(const char* folder, char (&path)[kFilePathSize]) {
    const char* libraryName = kCarriedFiles[kQelMapE].productName;
    size_t nameSize = std::strlen(libraryName) + 1;
    size_t length = strnlen(folder, sizeof path);
    if (length >= sizeof path) return false;
    std::memcpy(path, folder, length);
    path[length] = '\0';
    Trace("WersjaNaDysku: %s\r\n", path);
    bool separated = length > 0 && (path[length - 1] == '\\' || path[length - 1] == '/');
    if (!separated) path[length++] = '\\';
    if (length + nameSize > sizeof path) return false;
    std::memcpy(path + length, libraryName, nameSize);
    Trace("WersjaNaDysku: %s\r\n", path);
    return true;
}

}  // namespace

int ReadInstalledRecord(const char* path) {
    return ReadRecord("", path, path, kInstalledReader, &installedRecord);
}

int ReadUpgradeRecord(const char* name) {
    return ReadRecord(workFolder, name, name, kUpgradeReader, &upgradeRecord);
}

int ShowInstalledVersion(HWND dialog, const char* productFolder) {
    char path[kFilePathSize];
    if (!InstalledLibraryPath(productFolder, path)) return 0;
    if (!ReadInstalledRecord(path)) return 0;

    SetItemText(dialog, kInstalledVersionId, installedRecord.versionText, kProductText);
    LogEntry("on HD version: ", installedRecord.versionText);

    if (IsKwilEditionText(installedRecord.editionText)) kwilEdition = true;
    SetTitleText(dialog, kwilEdition ? "Uaktualnienie systemu KWIL" : "Uaktualnienie tVis (ZRP)",
                 kOwnText);

    SetItemText(dialog, kInstalledBuildId, NumberToText(installedRecord.build, 0, true), kOwnText);
    SetItemText(dialog, kInstalledBuildLabelId, "build", kOwnText);
    LogEntry("on HD serial : ", NumberToText(installedRecord.build, 0, false));

    SetItemText(dialog, kInstalledDateId, FormatProductionTime(installedRecord), kProductText);
    return 1;
}

int ShowUpgradeVersion(HWND dialog) {
    if (!ReadUpgradeRecord(kCarriedFiles[kQelMapE].newCopyName)) return 0;

    SetItemText(dialog, kUpgradeBuildId, NumberToText(upgradeRecord.build, 0, true), kOwnText);
    SetItemText(dialog, kUpgradeBuildLabelId, "build", kOwnText);
    LogEntry("on CD serial : ", NumberToText(upgradeRecord.build, 0, false));

    const char* productionTime = FormatProductionTime(upgradeRecord);
    SetItemText(dialog, kUpgradeDateId, productionTime, kProductText);
    LogEntry("on CD version: ", productionTime);
    return 1;
}

// Reading version records; see version_reader.h.
#include "version/version_reader.h"

#include <cstring>

#include "payload/work_folder.h"
#include "support/diagnostics.h"
#include "support/file_access.h"
#include "support/scoped_win.h"
#include "support/ui_text.h"

VersionRecord installedRecord;
VersionRecord upgradeRecord;

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
    "#2 read: ", kInstallerCaption, MB_OK, "#3 Uszkodzony plik.", "#4.1 Uszkodzony plik.", MB_OK,
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
        ShowMessage(nullptr, kNoMemoryText, kOwnText, texts.noMemoryCaption, kOwnText,
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

}  // namespace

int ReadInstalledRecord(const char* path) {
    return ReadRecord("", path, path, kInstalledReader, &installedRecord);
}

int ReadUpgradeRecord(const char* name) {
    return ReadRecord(workFolder, name, name, kUpgradeReader, &upgradeRecord);
}

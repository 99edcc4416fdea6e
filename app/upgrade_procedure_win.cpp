// The upgrade procedure; see upgrade_procedure.h.
#include "app/upgrade_procedure.h"

#include "app/flow_state.h"
#include "app/procedure_rules.h"
#include "payload/carried_files.h"
#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "support/diagnostics.h"
#include "support/file_access.h"
#include "support/global_block.h"
#include "support/ui_text.h"
#include "version/version_reader.h"
#include "version/version_record.h"

bool writeFailed = false;

namespace {

// The installed file of the current step, built afresh from productFolder for each step.
char targetPath[kTargetPathSize];

// The new copy's size, read and checked; fills the block. 0 when the step must stop.
int ReadNewCopy(const char* name, uint32_t size, const GlobalBlock& block) {
    uint32_t read = ReadFileRange(block.data(), workFolder, name, 0, size);
    LogEntry("#1 read: ", name);
    // The copy's name is a file name, so it goes through the system's code page.
    if (read != size) {
        ShowMessage(nullptr, "#1 Błąd czytania pliku.", kOwnText, name, kSystemText, MB_OK);
        return 0;
    }
    if (FindVersionRecord(block.data(), size) == 0) {
        ShowMessage(nullptr, "#2 Uszkodzone pliki.", kOwnText, name, kSystemText, MB_OK);
        return 0;
    }
    return 1;
}

int WriteTarget(const GlobalBlock& block, uint32_t size) {
    // Lifts a read-only attribute; a failure shows in the write.
    SetFileAttributesA(targetPath, FILE_ATTRIBUTE_NORMAL);
    LogEntry("write: ", targetPath);
    Trace("Zapisz Plik %s, %d \r\n", targetPath, static_cast<int>(size));
    int result = ReplaceWholeFile(block.data(), "", targetPath, size);
    Trace("Rezultat: %d \r\n", result);
    if (result == 0) return 1;
    writeFailed = true;
    return 0;
}

}  // namespace

int PrzetwarzajCheck(const char* name) {
    uint32_t size = GetFileLength(workFolder, name);
    Trace("PrzetwarzajCheck plik:%s, len:%d \r\n", name, static_cast<int>(size));
    if (size == 0 || size == kNoFileLength) return 0;
    Sleep(250);

    GlobalBlock block(size);
    if (block.data() == nullptr) {
        ShowMessage(nullptr, "Brak pamięci", kOwnText, "Instalator qel", kOwnText, MB_OK);
        return 0;
    }
    if (!ReadNewCopy(name, size, block)) return 0;
    return WriteTarget(block, size);
}

int ProceduraUpgrade(HWND dialog, const char* upgradePath) {
    TraceText("ProceduraUpgrade\r\n");
    Trace("TVisPath %s\r\n", productFolder);
    Trace("Upath    %s\r\n", upgradePath);

    // A product folder too long for the file functions fails at the first file, before
    // anything in it is touched: the write would fail there anyway, and be reported as a
    // running program the customer cannot find.
    bool pathsFit = TargetPathsFit(productFolder);
    bool allReplaced = true;
    for (CarriedFileIndex index : kReplacementOrder) {
        const CarriedFile& file = kCarriedFiles[index];
        BuildTargetPath(productFolder, file.productName, targetPath);
        SetItemText(dialog, kStageLineId, targetPath, kSystemText);
        // The procedure runs without returning to the message loop: repaint the line now.
        UpdateWindow(GetDlgItem(dialog, kStageLineId));
        if (!pathsFit || !PrzetwarzajCheck(file.newCopyName)) {
            allReplaced = false;
            break;
        }
    }

    if (allReplaced) {
        ShowMessage(nullptr, "Aktualizacja oprogramowania zakończona poprawnie.", kOwnText,
                    "Instalator qel", kOwnText, MB_SYSTEMMODAL | MB_ICONINFORMATION);
        return 1;
    }
    ShowMessage(nullptr, FinalWarningText(writeFailed, kwilEdition), kOwnText, "Uaktualnienie",
                kOwnText, MB_SYSTEMMODAL | MB_ICONWARNING);
    return 0;
}

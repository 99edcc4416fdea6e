// The upgrade procedure; see upgrade_procedure.h.
#include "app/upgrade_procedure.h"

#include <memory>
#include <vector>

#include "app/discovery.h"
#include "app/version_view.h"
#include "payload/carried_files.h"
#include "payload/extract.h"
#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "support/deployment_log.h"
#include "support/diagnostics.h"
#include "support/file_access.h"
#include "support/scoped_win.h"
#include "support/ui_text.h"
#include "version/version_reader.h"
#include "version/version_record.h"

bool writeFailed = false;
StepFailure procedureFailure = StepFailure::kNone;

namespace {

// One file of the replacement, as the check before the first write found it.
struct Step {
    CarriedFileIndex index = kQelMapE;
    char target[kTargetPathSize] = {};
    uint32_t size = 0;  // the new copy's length, kNoFileLength when it cannot be opened
    bool copyRead = false;
    std::unique_ptr<GlobalBlock> copy;  // the new copy, read whole and checked
    bool targetExists = false;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;  // the installed file's, to keep or put back
    std::vector<uint8_t> old;                    // the installed file's bytes, to put back
    StepFailure failure = StepFailure::kNone;
    DWORD error = 0;  // the system's error code of a target that cannot be replaced
};

// The new copy: there, readable whole, carrying a version record, and exactly the bytes
// the installer's own payload decodes to (the work folder is writable by every program
// of the user, so what lies there proves nothing by itself).
StepFailure CheckNewCopy(Step& step) {
    const CarriedFile& file = kCarriedFiles[step.index];
    step.size = GetFileLength(workFolder, file.newCopyName);
    if (step.size == 0 || step.size == kNoFileLength) return StepFailure::kCopyMissing;
    step.copy = std::make_unique<GlobalBlock>(step.size);
    if (step.copy->data() == nullptr) return StepFailure::kNoMemory;
    step.copyRead = true;
    if (ReadFileRange(step.copy->data(), workFolder, file.newCopyName, 0, step.size) != step.size) {
        return StepFailure::kCopyUnreadable;
    }
    if (FindVersionRecord(step.copy->data(), step.size) == 0) {
        return StepFailure::kCopyWithoutRecord;
    }
    if (!newCopyKnown[step.index] ||
        Sha256Of(step.copy->data(), step.size) != newCopyDigest[step.index]) {
        return StepFailure::kCopyChanged;
    }
    return StepFailure::kNone;
}

// The installed file: nobody else may have it open (a running program, a loaded library,
// a virus scanner), and its bytes are kept to be put back should a later file fail. The
// open asks for no sharing at all, so any other handle on the file makes it fail.
StepFailure CheckTarget(Step& step) {
    step.attributes = GetFileAttributesA(step.target);
    step.targetExists = step.attributes != INVALID_FILE_ATTRIBUTES;
    if (!step.targetExists) return StepFailure::kNone;  // written anew, removed to put back
    // A read-only file cannot be opened for writing; the replacement lifts the attribute.
    DWORD access = GENERIC_READ;
    if ((step.attributes & FILE_ATTRIBUTE_READONLY) == 0) access |= GENERIC_WRITE;
    FileHandle file(CreateFileA(step.target, access, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        step.error = GetLastError();
        return step.error == ERROR_SHARING_VIOLATION || step.error == ERROR_LOCK_VIOLATION
                   ? StepFailure::kTargetHeld
                   : StepFailure::kTargetRefused;
    }
    DWORD high = 0;
    DWORD size = GetFileSize(file.get(), &high);
    if (high != 0 || size == INVALID_FILE_SIZE) return StepFailure::kTargetRefused;
    step.old.resize(size);
    DWORD read = 0;
    if (size != 0 &&
        (!ReadFile(file.get(), step.old.data(), size, &read, nullptr) || read != size)) {
        step.error = GetLastError();
        return StepFailure::kTargetRefused;
    }
    return StepFailure::kNone;
}

// The first step that cannot go ahead, checked in replacement order before anything is
// replaced; -1 when all can. Shows nothing and writes nothing: the procedure reports the
// failure at its step, as it would have met it there.
int CheckSteps(Step (&steps)[kPayloadFileCount]) {
    for (int position = 0; position < kPayloadFileCount; ++position) {
        Step& step = steps[position];
        step.failure = CheckNewCopy(step);
        if (step.failure == StepFailure::kNone) step.failure = CheckTarget(step);
        if (step.failure != StepFailure::kNone) return position;
    }
    uint64_t newSizes[kPayloadFileCount] = {};
    uint64_t oldSizes[kPayloadFileCount] = {};
    for (const Step& step : steps) {
        newSizes[step.index] = step.size;
        oldSizes[step.index] = step.old.size();
    }
    char folder[kTargetPathSize];
    ConcatPath(folder, productFolder, "\\");
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExA(folder, &available, nullptr, nullptr)) return -1;
    int position = FirstStepWithoutRoom(available.QuadPart, newSizes, oldSizes);
    if (position >= 0) steps[position].failure = StepFailure::kDiskFull;
    return position;
}

// What the customer is told of a step that the check stopped, as the step itself would
// have told it: the new copy's boxes, or a failed write.
void ReportStepFailure(const Step& step) {
    const char* name = kCarriedFiles[step.index].newCopyName;
    if (step.copyRead) LogEntry("#1 read: ", name);
    switch (step.failure) {
        case StepFailure::kNoMemory:
            ShowMessage(nullptr, kNoMemoryText, kOwnText, kInstallerCaption, kOwnText, MB_OK);
            break;
        case StepFailure::kCopyUnreadable:
            ShowMessage(nullptr, "#1 Błąd czytania pliku.", kOwnText, name, kSystemText, MB_OK);
            break;
        case StepFailure::kCopyWithoutRecord:
        case StepFailure::kCopyChanged:
            ShowMessage(nullptr, "#2 Uszkodzone pliki.", kOwnText, name, kSystemText, MB_OK);
            break;
        default:
            break;
    }
    if (IsTargetFailure(step.failure)) writeFailed = true;
    if (step.failure == StepFailure::kCopyChanged) {
        DeploymentLine("changed: %s in the work folder is not the file the installer carries",
                       name);
    }
    DeploymentLine("not replaced: %s: %s (error %lu)", step.target, FailureText(step.failure),
                   static_cast<unsigned long>(step.error));
}

// Puts the installed files of the steps before `failed` back as they were: their bytes and
// their attributes. The product is then wholly old again.
void PutBack(const Step (&steps)[kPayloadFileCount], int failed) {
    for (int position = failed - 1; position >= 0; --position) {
        const Step& step = steps[position];
        bool restored = step.targetExists
                            ? ReplaceWholeFile(step.old.data(), "", step.target,
                                               static_cast<uint32_t>(step.old.size())) == 0 &&
                                  SetFileAttributesA(step.target, step.attributes)
                            : DeleteFileA(step.target) != FALSE;
        DeploymentLine(restored ? "put back: %s" : "could not put back: %s", step.target);
    }
}

// Replaces the installed file by the checked new copy. False when the write failed; the
// installed file then has its old bytes and its own attributes again.
bool ReplaceTarget(const Step& step) {
    // Lifts a read-only attribute; a failure shows in the write.
    SetFileAttributesA(step.target, FILE_ATTRIBUTE_NORMAL);
    LogEntry("write: ", step.target);
    Trace("Zapisz Plik %s, %d \r\n", step.target, static_cast<int>(step.size));
    int result = ReplaceWholeFile(step.copy->data(), "", step.target, step.size);
    Trace("Rezultat: %d \r\n", result);
    if (result == 0) {
        DeploymentLine("replaced: %s", step.target);
        return true;
    }
    if (step.targetExists) SetFileAttributesA(step.target, step.attributes);
    DeploymentLine("not replaced: %s: %s", step.target, FailureText(StepFailure::kWriteFailed));
    return false;
}

// The step at `position` of the replacement. `failed` is the first step that the check
// stopped (-1 when none): the steps before it are left as they are, that one reports its
// failure. 1 when the procedure goes on with the next step.
int PrzetwarzajCheck(Step (&steps)[kPayloadFileCount], int position, int failed) {
    Step& step = steps[position];
    const char* name = kCarriedFiles[step.index].newCopyName;
    Trace("PrzetwarzajCheck plik:%s, len:%d \r\n", name, static_cast<int>(step.size));
    if (failed >= 0 && position < failed) {
        // Checked and left as it is: a later file cannot be replaced.
        LogEntry("#1 read: ", name);
        return 1;
    }
    if (position == failed) {
        ReportStepFailure(step);
        procedureFailure = step.failure;
        return 0;
    }
    Sleep(250);
    LogEntry("#1 read: ", name);
    if (ReplaceTarget(step)) return 1;
    writeFailed = true;
    procedureFailure = StepFailure::kWriteFailed;
    PutBack(steps, position);
    return 0;
}

}  // namespace

int ProceduraUpgrade(HWND dialog, const char* upgradePath) {
    TraceText("ProceduraUpgrade\r\n");
    Trace("TVisPath %s\r\n", productFolder);
    Trace("Upath    %s\r\n", upgradePath);
    procedureFailure = StepFailure::kNone;

    // A product folder too long for the file functions fails at the first file, before
    // anything in it is touched: the write would fail there anyway, and be reported as a
    // running program the customer cannot find.
    bool pathsFit = TargetPathsFit(productFolder);
    Step steps[kPayloadFileCount];
    for (int position = 0; position < kPayloadFileCount; ++position) {
        steps[position].index = kReplacementOrder[position];
        ConcatPath(steps[position].target, productFolder, "\\",
                   kCarriedFiles[steps[position].index].productName);
    }
    int failed = pathsFit ? CheckSteps(steps) : -1;

    bool allReplaced = true;
    for (int position = 0; position < kPayloadFileCount; ++position) {
        SetItemText(dialog, kStageLineId, steps[position].target, kSystemText);
        // The procedure runs without returning to the message loop: repaint the line now.
        UpdateWindow(GetDlgItem(dialog, kStageLineId));
        if (!pathsFit) {
            procedureFailure = StepFailure::kTargetRefused;
            allReplaced = false;
            break;
        }
        if (!PrzetwarzajCheck(steps, position, failed)) {
            allReplaced = false;
            break;
        }
    }

    if (allReplaced) {
        ShowMessage(nullptr, "Aktualizacja oprogramowania zakończona poprawnie.", kOwnText,
                    kInstallerCaption, kOwnText, MB_SYSTEMMODAL | MB_ICONINFORMATION);
        return 1;
    }
    ShowMessage(nullptr, FinalWarningText(writeFailed, kwilEdition), kOwnText, "Uaktualnienie",
                kOwnText, MB_SYSTEMMODAL | MB_ICONWARNING);
    return 0;
}

// The upgrade procedure's portable rules; see upgrade_procedure.h.
#include "app/upgrade_procedure.h"

#include <cstdint>

#include "payload/carried_files.h"
#include "payload/reason_codes.h"
#include "support/file_access.h"
#include "support/run_options.h"

bool TargetPathsFit(const char* productFolder) {
    char target[kTargetPathSize];
    for (const CarriedFile& file : kCarriedFiles) {
        if (!ConcatPath(target, productFolder, "\\", file.productName)) return false;
        if (!FitsReplaceWholeFile(target)) return false;
    }
    return true;
}

const char* FinalWarningText(bool writeFailed, bool kwilEdition) {
    if (writeFailed) {
        return kwilEdition ? "Wystąpił błąd: System KWIL jest uruchomiony.\r\n\r\n"
                             "Aktualizacja jest niemożliwa."
                           : "Wystąpił błąd: Program tVis OL lub LV jest uruchomiony.\r\n\r\n"
                             "Aktualizacja jest niemożliwa.";
    }
    return kwilEdition ? "Wystąpił błąd:\r\n\r\nSystem KWIL jest uruchomiony,\r\n"
                         "albo uaktualnienie jest uszkodzone.\r\n\r\n"
                         "Aktualizacja jest niemożliwa."
                       : "Wystąpił błąd:\r\n\r\nProgram tVis OL lub LV jest uruchomiony,\r\n"
                         "albo uaktualnienie jest uszkodzone.\r\n\r\n"
                         "Aktualizacja jest niemożliwa.";
}

bool IsTargetFailure(StepFailure failure) {
    switch (failure) {
        case StepFailure::kTargetHeld:
        case StepFailure::kTargetRefused:
        case StepFailure::kDiskFull:
        case StepFailure::kWriteFailed:
            return true;
        default:
            return false;
    }
}

uint32_t ExitCodeForFailure(StepFailure failure) {
    return failure == StepFailure::kTargetHeld ? kExitRetryLater : kExitFailed;
}

uint32_t ExitCodeForReason(int32_t kpr) {
    if ((kpr >= kStaleTvisxWcp && kpr <= kStaleQelmapeWcp) ||
        (kpr >= kStaleTvisxExeu && kpr <= kStaleQelmapeDllu)) {
        return kExitRetryLater;
    }
    return kpr == 0 ? kExitUpgraded : kExitFailed;
}

const char* FailureText(StepFailure failure) {
    switch (failure) {
        case StepFailure::kNone:
            return "no failure";
        case StepFailure::kCopyMissing:
            return "the new copy is missing or empty";
        case StepFailure::kNoMemory:
            return "no memory for the new copy";
        case StepFailure::kCopyUnreadable:
            return "the new copy could not be read whole";
        case StepFailure::kCopyWithoutRecord:
            return "the new copy holds no version record";
        case StepFailure::kCopyChanged:
            return "the new copy was changed in the work folder: it is not what the installer "
                   "carries";
        case StepFailure::kTargetHeld:
            return "the installed file is held by a running program";
        case StepFailure::kTargetRefused:
            return "the installed file cannot be replaced";
        case StepFailure::kDiskFull:
            return "the drive has no room for the new file";
        case StepFailure::kWriteFailed:
            return "the new file could not be written";
    }
    return "";
}

int FirstStepWithoutRoom(uint64_t freeBytes, const uint64_t (&newSizes)[kPayloadFileCount],
                         const uint64_t (&oldSizes)[kPayloadFileCount]) {
    constexpr uint64_t kUnit = 64 * 1024;
    auto rounded = [](uint64_t size) { return (size + kUnit - 1) / kUnit * kUnit; };
    // Signed arithmetic over 64 bits: sizes are below 4 GB, so nothing wraps.
    int64_t room =
        freeBytes > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(freeBytes);
    for (int step = 0; step < kPayloadFileCount; ++step) {
        CarriedFileIndex index = kReplacementOrder[step];
        int64_t needed = static_cast<int64_t>(rounded(newSizes[index]));
        if (room < needed) return step;
        room += static_cast<int64_t>(rounded(oldSizes[index])) - needed;
    }
    return -1;
}

// The upgrade procedure: replaces the three installed files by their new copies from the
// work folder, in a fixed order, and reports the outcome in a message box.
//
// The product is never left mixed: before the first file is replaced, every step is
// checked (the new copy is there, whole, carries a version record and is exactly what the
// payload carries; the installed file is held by no other program and can be replaced;
// the drive has room), and a failure is reported at its step with nothing replaced. A
// write that still fails midway puts back the files replaced before it.
//
// Its portable rules (upgrade_procedure.cpp): where each installed file lies, whether the
// files can be replaced there at all, and which final warning a failed run shows. The
// procedure itself is the Win32 half (upgrade_procedure_win.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "payload/carried_files.h"

// Size of the target path buffer, terminator included.
constexpr size_t kTargetPathSize = 512;

// A target path is productFolder + "\" + the product name (ConcatPath): the folder is
// kept without its trailing separator, so the backslash always goes between.

// Whether every installed file of the file table can be replaced in productFolder as far
// as path lengths go: each target path can be built and ReplaceWholeFile can take it with
// the temporary file it writes beside it (FitsReplaceWholeFile). False means no replacement
// can succeed there, and a failed write would be taken for a running program.
bool TargetPathsFit(const char* productFolder);

// The final warning of a failed run: the "is running" variant once any write has failed
// (writeFailed is never cleared), otherwise the one that also blames a damaged upgrade;
// worded for the installed edition.
const char* FinalWarningText(bool writeFailed, bool kwilEdition);

// Why a step of the procedure cannot go ahead. The procedure checks every step before it
// replaces anything, so that a run that fails leaves the product as it was; a write that
// still fails midway puts back what was replaced.
enum class StepFailure {
    kNone,
    kCopyMissing,        // the new copy is missing or empty: no box
    kNoMemory,           // "Brak pamięci"
    kCopyUnreadable,     // "#1 Błąd czytania pliku."
    kCopyWithoutRecord,  // "#2 Uszkodzone pliki."
    kCopyChanged,        // not the bytes the payload carries: "#2 Uszkodzone pliki."
    kTargetHeld,         // another program holds the installed file
    kTargetRefused,      // the file system refuses to replace it (rights, attributes)
    kDiskFull,           // its temporary file would not fit on the drive
    kWriteFailed,        // the replacement itself failed
};

// Whether the failure is the installed file's (it counts as a failed write and sets
// writeFailed, which words the final warning) rather than the new copy's.
bool IsTargetFailure(StepFailure failure);

// What an unattended run ends with after the failure: retry later (1618) when a program
// holds the file, failed (1603) otherwise.
uint32_t ExitCodeForFailure(StepFailure failure);

// The exit code of an unattended run that the unpacking stopped with reason code `kpr`:
// retry later when a file of an earlier run is held in the work folder (10-12, 30-32),
// failed otherwise.
uint32_t ExitCodeForReason(int32_t kpr);

// The English words of the deployment log for the failure.
const char* FailureText(StepFailure failure);

// Whether each replacement's temporary file fits on the drive, taken in replacement order:
// before the step i the drive has freeBytes, less the new copies written so far, plus the
// old files they replaced, and the step needs room for its whole new copy beside the old
// file. Sizes are rounded up to whole 64 KB, more than any cluster. Returns the position in
// the replacement order of the first step that does not fit, or -1.
int FirstStepWithoutRoom(uint64_t freeBytes, const uint64_t (&newSizes)[kPayloadFileCount],
                         const uint64_t (&oldSizes)[kPayloadFileCount]);

#ifdef _WIN32
#include <windows.h>

// Set when a target file could not be written; never cleared, so it also decides the
// final warning of every later run.
extern bool writeFailed;

// Why the last run of the procedure failed; kNone after a success.
extern StepFailure procedureFailure;

// Replaces qelMapE.dll, tVisX.exe and tVisLV.exe in productFolder, showing each target
// path in the stage line. Returns 1 when all three were replaced (after the success box),
// 0 otherwise (after the final warning), with the product as it was before the call.
// upgradePath is only traced.
int ProceduraUpgrade(HWND dialog, const char* upgradePath);
#endif

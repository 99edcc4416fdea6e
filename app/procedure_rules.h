// The upgrade procedure's portable rules: where each installed file lies, whether the
// files can be replaced there at all, and which final warning a failed run shows.
#pragma once

#include <cstddef>

// Size of the target path buffer, terminator included.
constexpr size_t kTargetPathSize = 512;

// productFolder + "\" + productName into target (the folder is kept without its trailing
// separator, so the backslash always goes between). False, with target emptied, when the
// path does not fit.
bool BuildTargetPath(const char* productFolder, const char* productName,
                     char (&target)[kTargetPathSize]);

// Whether every installed file of the file table can be replaced in productFolder as far
// as path lengths go: each target path can be built and ReplaceWholeFile can take it with
// the temporary file it writes beside it (FitsReplaceWholeFile). False means no replacement
// can succeed there, and a failed write would be taken for a running program.
bool TargetPathsFit(const char* productFolder);

// The final warning of a failed run: the "is running" variant once any write has failed
// (writeFailed is never cleared), otherwise the one that also blames a damaged upgrade;
// worded for the installed edition.
const char* FinalWarningText(bool writeFailed, bool kwilEdition);

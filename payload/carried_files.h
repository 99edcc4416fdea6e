// The three product files the installer carries: every name under which each one appears
// (in the product folder, in the payload, in the work folder), the extraction's status
// texts and reason codes for it, and tvispack's option. The installer's extraction,
// discovery and upgrade procedure and tvispack all read this one table. Portable.
#pragma once

#include "payload/reason_codes.h"
#include "payload/trailer.h"

struct CarriedFile {
    const char* productName;            // the installed file: "qelMapE.dll"
    const char* newCopyName;            // the new copy as discovery and the procedure name it
    const char* compressedName;         // in the payload and the work folder: "QELMAPE.WCP"
    const char* workName;               // the decompressed copy as extraction writes it
    const char* writeStatus;            // status line while its compressed file is written
    const char* expandStatus;           // status line while it is decompressed
    PayloadReason staleCompressedCode;  // an old compressed file could not be deleted
    PayloadReason wrongLengthCode;      // the compressed file was not written whole
    PayloadReason staleWorkCode;        // an old decompressed copy could not be deleted
    PayloadReason missingCode;          // no decompressed copy after decompression
    const char* packOption;             // tvispack build's option naming the file
};

// Indexes into kCarriedFiles.
enum CarriedFileIndex { kQelMapE = 0, kTVisLV = 1, kTVisX = 2 };

// In payload order: qelMapE.dll, tVisLV.exe, tVisX.exe. The new copies' names differ from
// the work names in letter case only; Windows file names are matched without regard to
// case, and the product has always spelled them both ways.
extern const CarriedFile kCarriedFiles[kPayloadFileCount];

// The order in which the installed files are replaced: the library first, then tVisX.exe,
// then tVisLV.exe.
constexpr CarriedFileIndex kReplacementOrder[kPayloadFileCount] = {kQelMapE, kTVisX, kTVisLV};

// The order in which discovery tests a product folder and the work folder.
constexpr CarriedFileIndex kDiscoveryOrder[kPayloadFileCount] = {kTVisLV, kTVisX, kQelMapE};

// The order in which extraction deletes stale files and checks the decompressed copies:
// the payload order reversed, which is what the reason codes 10-12, 30-32 and 40-42 count.
constexpr CarriedFileIndex kCleanupOrder[kPayloadFileCount] = {kTVisX, kTVisLV, kQelMapE};

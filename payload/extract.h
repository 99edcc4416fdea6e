// Extraction of the carried files: the installer reads its own file, checks the trailer,
// writes the three compressed files into the work folder and decompresses them there.
// Progress goes to the status line of the UPGRADE dialog (when there is one), the
// outcome is a reason code (payload/reason_codes.h).
#pragma once

#include <cstdint>

// Names of the files in the work folder, in payload order.
extern const char* const kDecompressedNames[3];  // "qelmape.dllu", "tvislv.exeu", "tvisx.exeu"

// Unpacks the running installer's own payload into the user's templates folder.
int32_t UnpackPayload();

// The same for an installer file and a work folder of the caller's choice (the folder
// must exist; a missing final backslash is added). Sets workFolder.
int32_t UnpackPayloadFrom(const char* installerPath, const char* folder);

// Decompresses folder + compressedName into folder + outputName (plain concatenation,
// so the folder ends in a backslash). The output is created even when the input cannot
// be opened. An output that is not exactly what an intact SZDD input of mode 'A' yields
// is deleted, so that the missing-file check after decompression reports it. Returns 1.
int DekompresujPlik(const char* folder, const char* compressedName, const char* outputName);

// Extraction of the carried files: the installer reads its own file, checks the trailer,
// writes the three compressed files into the work folder and decompresses them there.
// Progress goes to a status callback that the caller supplies (the dialog shows it in
// its status line); the outcome is a reason code (payload/reason_codes.h). The files'
// names are those of payload/carried_files.h.
#pragma once

#include <cstdint>

#include "payload/trailer.h"
#include "support/sha256.h"

// Receives the text of each stage as the extraction reaches it: the program's own text,
// UTF-8 in the sources. Runs synchronously; it should show the text at once, since the
// whole extraction runs without returning to the message loop.
using ExtractionStatus = void (*)(const char* text);

// Unpacks the running installer's own payload into the user's templates folder.
// status may be null.
int32_t UnpackPayload(ExtractionStatus status);

// The same for an installer file and a work folder of the caller's choice (the folder
// must exist; a missing final backslash is added). Sets workFolder.
int32_t UnpackPayloadFrom(const char* installerPath, const char* folder,
                          ExtractionStatus status = nullptr);

// Decompresses folder + compressedName into folder + outputName (plain concatenation,
// so the folder ends in a backslash). An output that is not exactly what an intact SZDD
// input of mode 'A' yields is deleted, so that the missing-file check after
// decompression reports it; so is one whose input cannot be opened for reading. Returns 1.
int DekompresujPlik(const char* folder, const char* compressedName, const char* outputName);

// What the new copies must be: the SHA-256 of each carried file as the installer's own
// payload decodes it in memory, in payload order (kCarriedFiles). The work folder can be
// written by every program of the user, so what lies there is checked against these before
// it is installed; newCopyKnown[i] stays false where no digest could be taken, and such a
// copy is never installed.
extern Sha256Digest newCopyDigest[kPayloadFileCount];
extern bool newCopyKnown[kPayloadFileCount];

// After the unpacking the new copies stay open, shared for reading only, so that nothing
// can change, replace or delete them until the run ends. This lets them go (the next
// unpacking in the same process begins with it; tests that clean up call it).
void ReleaseNewCopies();

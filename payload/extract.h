// Extraction of the carried files: the installer reads its own file, checks the trailer,
// writes the three compressed files into the work folder and decompresses them there.
// Progress goes to a status callback that the caller supplies (the dialog shows it in
// its status line); the outcome is a reason code (payload/reason_codes.h). The files'
// names are those of payload/carried_files.h.
#pragma once

#include <cstdint>

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

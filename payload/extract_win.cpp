// Unpacking the installer's own payload into the work folder.
#include "payload/extract.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "payload/carried_files.h"
#include "payload/integrity_block.h"
#include "payload/lz_expand.h"
#include "payload/szdd.h"
#include "payload/trailer.h"
#include "payload/work_folder.h"
#include "support/diagnostics.h"
#include "support/file_access.h"
#include "support/global_block.h"

namespace {

// Paths of DekompresujPlik are formed in buffers of this size.
constexpr size_t kExpandPathSize = 512;

ExtractionStatus statusSink = nullptr;

void ShowStatus(const char* text) {
    if (statusSink != nullptr) statusSink(text);
}

bool Present(const char* name) { return GetFileLength(workFolder, name) != kNoFileLength; }

// Deletes the stale compressed files (or decompressed copies) in cleanup order; the
// reason code of the first one still there, or 0.
int32_t RemoveStale(bool compressed) {
    for (CarriedFileIndex index : kCleanupOrder) {
        const CarriedFile& file = kCarriedFiles[index];
        const char* name = compressed ? file.compressedName : file.workName;
        DeleteFileForced(workFolder, name);
        if (Present(name)) return compressed ? file.staleCompressedCode : file.staleWorkCode;
    }
    return kPayloadOk;
}

void SetWorkFolder(const char* folder) {
    std::memset(workFolder, 0, sizeof workFolder);
    std::strncpy(workFolder, folder, sizeof workFolder - 2);
    size_t length = std::strlen(workFolder);
    if (length == 0 || workFolder[length - 1] != '\\') workFolder[length] = '\\';
}

// Whether the output is exactly what the SZDD input yields. Neither LZCopy's result nor
// the output's mere presence says so: Wine's (and Windows') LZCopy stops at the end of
// the data whatever the header says and reports success, and copies a file without the
// magic through as it is. An input that cannot be read (deleted, held open by another
// program, unreadable) vouches for nothing: LZOpenFile has still created the output,
// empty, and kept it would pass the missing-file check and fail much later, in the
// procedure, with no reason code.
bool OutputMatchesInput(const char* inputPath, const char* outputPath) {
    uint32_t length = GetFileLength("", inputPath);
    if (length == kNoFileLength) return false;
    std::vector<uint8_t> input(length);
    if (length != 0 && ReadFileRange(input.data(), "", inputPath, 0, length) != length) {
        return false;
    }
    std::vector<uint8_t> decoded;
    SzddHeader header;
    if (DecodeSzdd(input.data(), input.size(), &decoded, &header) != SzddStatus::kOk) return false;
    if (header.mode != kSzddModeA) return false;
    return GetFileLength("", outputPath) == header.length;
}

bool JoinPlain(char (&path)[kExpandPathSize], const char* folder, const char* name) {
    int written = std::snprintf(path, sizeof path, "%s%s", folder, name);
    return written >= 0 && static_cast<size_t>(written) < sizeof path;
}

}  // namespace

int DekompresujPlik(const char* folder, const char* compressedName, const char* outputName) {
    Trace("\r\nDekompresujPlik: %s, %s, %s\r\n", folder, compressedName, outputName);
    char input[kExpandPathSize];
    char output[kExpandPathSize];
    if (!JoinPlain(input, folder, compressedName) || !JoinPlain(output, folder, outputName)) {
        return 1;  // no output: the missing-file check reports it
    }
    ExpandFile(input, output);
    SetFileAttributesA(input, FILE_ATTRIBUTE_NORMAL);
    if (!OutputMatchesInput(input, output)) DeleteFileForced("", output);
    Trace("FILE IN:  %d\r\n", static_cast<int>(GetFileLength("", input)));
    Trace("FILE OUT: %d\r\n", static_cast<int>(GetFileLength("", output)));
    TraceText("LZCopy end\r\n\r\n");
    return 1;
}

namespace {

// The integrity block's verdict, when the installer carries one (tvispack writes it; older
// installers have none and are taken as they are).
bool PayloadIsIntact(const uint8_t* image, uint32_t length, const PayloadTrailer& trailer) {
    IntegrityCheck check = CheckIntegrity(image, length, trailer);
    if (!check.present) return true;
    ShowStatus("Sprawdza sumy kontrolne...");
    if (check.damagedFile < 0) {
        Trace("CRC: zgodne\r\n");
        return true;
    }
    Trace("CRC %s: %08X, oczekiwany %08X\r\n", kCarriedFiles[check.damagedFile].compressedName,
          static_cast<unsigned>(check.actual[check.damagedFile]),
          static_cast<unsigned>(check.expected[check.damagedFile]));
    return false;
}

}  // namespace

int32_t UnpackPayloadFrom(const char* installerPath, const char* folder, ExtractionStatus status) {
    statusSink = status;
    ShowStatus("Inicjalizacja...");
    SetWorkFolder(folder);

    ShowStatus("Pobiera pliki upgrade...");
    uint32_t length = GetFileLength("", installerPath);
    PayloadReason reason = CheckInstallerLength(length);
    if (reason != kPayloadOk) return reason;

    GlobalBlock buffer(length, true);
    if (buffer.data() == nullptr) return kNoPayloadBuffer;
    // Not tested: the trailer checks are the only check of what was read.
    ReadFileRange(buffer.data(), "", installerPath, 0, length);
    PayloadTrailer trailer;
    reason = CheckPayloadImage(buffer.data(), length, &trailer);
    if (reason != kPayloadOk) return reason;
    // Before anything in the work folder changes: a damaged installer leaves the last
    // run's files as they were.
    if (!PayloadIsIntact(buffer.data(), length, trailer)) return kPayloadDamaged;

    ShowStatus("Usuwa pliki tymczasowe...");
    int32_t code = RemoveStale(true);
    if (code != kPayloadOk) return code;

    const uint32_t sizes[kPayloadFileCount] = {trailer.firstSize, trailer.secondSize,
                                               trailer.thirdSize};
    uint32_t offset = trailer.payloadStart;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        const CarriedFile& file = kCarriedFiles[i];
        ShowStatus(file.writeStatus);
        // The write's result is not looked at: the length test decides.
        WriteWholeFile(buffer.data() + offset, workFolder, file.compressedName, sizes[i]);
        if (GetFileLength(workFolder, file.compressedName) != sizes[i]) {
            return file.wrongLengthCode;
        }
        offset += sizes[i];
    }

    ShowStatus("Kasuje pliki tymczasowe...");
    code = RemoveStale(false);
    if (code != kPayloadOk) return code;

    for (const CarriedFile& file : kCarriedFiles) {
        ShowStatus(file.expandStatus);
        DekompresujPlik(workFolder, file.compressedName, file.workName);
    }

    ShowStatus("Sprawdza dekompresowane pliki...");
    for (CarriedFileIndex index : kCleanupOrder) {
        if (!Present(kCarriedFiles[index].workName)) return kCarriedFiles[index].missingCode;
    }
    ShowStatus("Inicjalizacja zakończona");
    return kPayloadOk;
}

int32_t UnpackPayload(ExtractionStatus status) {
    char ownPath[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, ownPath, sizeof ownPath);
    // A truncated path names no file: the length test then gives code 1.
    if (length == 0 || length >= sizeof ownPath) ownPath[0] = '\0';
    return UnpackPayloadFrom(ownPath, GetWorkFolder(nullptr), status);
}

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
#include "support/deployment_log.h"
#include "support/diagnostics.h"
#include "support/file_access.h"
#include "support/link_check_win.h"
#include "support/scoped_win.h"

namespace {

// Paths of DekompresujPlik are formed in buffers of this size.
constexpr size_t kExpandPathSize = 512;

ExtractionStatus statusSink = nullptr;

void ShowStatus(const char* text) {
    if (statusSink != nullptr) statusSink(text);
}

// The new copies held open since their check; see ReleaseNewCopies.
HANDLE heldCopies[kPayloadFileCount] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE,
                                        INVALID_HANDLE_VALUE};

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
    if (!check.present) {
        DeploymentLine(
            "integrity: no integrity block (an older installer); the trailer's "
            "checks passed");
        return true;
    }
    ShowStatus("Sprawdza sumy kontrolne...");
    if (check.damagedFile < 0) {
        Trace("CRC: zgodne\r\n");
        DeploymentLine("integrity: the CRC-32 of the three carried files match");
        return true;
    }
    const char* damaged = kCarriedFiles[check.damagedFile].compressedName;
    unsigned actual = static_cast<unsigned>(check.actual[check.damagedFile]);
    unsigned expected = static_cast<unsigned>(check.expected[check.damagedFile]);
    Trace("CRC %s: %08X, oczekiwany %08X\r\n", damaged, actual, expected);
    DeploymentLine("integrity: %s damaged, CRC-32 %08X, expected %08X", damaged, actual, expected);
    return false;
}

}  // namespace

namespace {

// The digest of everything `file` holds from its start, read through the handle.
bool DigestOfOpenFile(HANDLE file, Sha256Digest* digest) {
    Sha256 sha;
    static uint8_t chunk[64 * 1024];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &read, nullptr)) return false;
        if (read == 0) break;
        sha.Update(chunk, read);
    }
    *digest = sha.Finish();
    return true;
}

// Takes the digest of carried file `index` from its region of the installer's image, then
// opens its decompressed copy so that nobody can change it any more and checks that the
// copy holds exactly those bytes. LZ32 wrote the copy from the compressed file on disk,
// which another program could have swapped in between; a copy that differs is deleted, so
// that the missing-file check reports it as not decompressed.
void SecureNewCopy(int index, const uint8_t* region, uint32_t size) {
    const CarriedFile& file = kCarriedFiles[index];
    std::vector<uint8_t> decoded;
    SzddHeader header;
    if (DecodeSzdd(region, size, &decoded, &header) != SzddStatus::kOk ||
        header.mode != kSzddModeA) {
        return;
    }
    newCopyDigest[index] = Sha256Of(decoded.data(), decoded.size());
    newCopyKnown[index] = true;

    char path[kExpandPathSize];
    if (!JoinPlain(path, workFolder, file.workName)) return;
    // No write and no delete sharing: from here on the copy cannot be written, renamed or
    // deleted by anyone, and what is checked now is what the procedure reads later.
    HANDLE copy = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (copy == INVALID_HANDLE_VALUE) return;
    Sha256Digest onDisk;
    // A copy reached through a link planted under its name is no copy of ours.
    if (IsUnlinked(copy, path) && DigestOfOpenFile(copy, &onDisk) &&
        onDisk == newCopyDigest[index]) {
        heldCopies[index] = copy;
        return;
    }
    CloseHandle(copy);
    Trace("SHA-256 %s: niezgodny\r\n", file.workName);
    DeploymentLine(
        "new copy %s in the work folder differs from the installer's payload; "
        "deleted",
        file.workName);
    DeleteFileForced(workFolder, file.workName);
}

}  // namespace

Sha256Digest newCopyDigest[kPayloadFileCount];
bool newCopyKnown[kPayloadFileCount] = {};

void ReleaseNewCopies() {
    for (HANDLE& copy : heldCopies) {
        if (copy != INVALID_HANDLE_VALUE) CloseHandle(copy);
        copy = INVALID_HANDLE_VALUE;
    }
}

int32_t UnpackPayloadFrom(const char* installerPath, const char* folder, ExtractionStatus status) {
    statusSink = status;
    ReleaseNewCopies();
    for (bool& known : newCopyKnown) known = false;
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
        // The write's result is not looked at: the length test decides. The old file was
        // deleted just before; a file (or link) that appeared under the name since is not
        // written through, and the length test then fails.
        WriteNewFile(buffer.data() + offset, workFolder, file.compressedName, sizes[i]);
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
    offset = trailer.payloadStart;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        SecureNewCopy(i, buffer.data() + offset, sizes[i]);
        offset += sizes[i];
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

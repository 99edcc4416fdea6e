// Unpacking the installer's own payload into the work folder.
#include "payload/extract.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
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

// The new copies held open since their check; see ReleaseNewCopies.
HANDLE heldCopies[kPayloadFileCount] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE,
                                        INVALID_HANDLE_VALUE};

void ShowStatus(ExtractionStatus status, const char* text) {
    if (status != nullptr) status(text);
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

// One carried file as its region of the installer's image decodes, in memory, once: the
// decode gives the length its copy must have, the digest it is known by, and the bytes it
// must hold.
struct CarriedDecode {
    const uint8_t* region = nullptr;  // the compressed file in the image
    uint32_t size = 0;
    bool sound = false;  // a whole stream of mode 'A', exactly the header's length
    std::vector<uint8_t> bytes;
    Sha256Digest digest = {};  // of `bytes`, when sound
};

void DecodeRegion(const uint8_t* region, uint32_t size, CarriedDecode* decode) {
    decode->region = region;
    decode->size = size;
    SzddHeader header;
    decode->sound = DecodeSzdd(region, size, &decode->bytes, &header) == SzddStatus::kOk &&
                    header.mode == kSzddModeA;
    if (decode->sound) decode->digest = Sha256Of(decode->bytes.data(), decode->bytes.size());
}

// Whether what `file` holds from its current position to its end is exactly the `size`
// bytes at `expected`, read through the handle a chunk at a time (into memory that stays
// mapped, not a buffer of the file's size).
bool OpenFileHolds(HANDLE file, const uint8_t* expected, size_t size) {
    static uint8_t chunk[64 * 1024];
    size_t compared = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &read, nullptr)) return false;
        if (read == 0) break;
        if (read > size - compared || std::memcmp(chunk, expected + compared, read) != 0) {
            return false;
        }
        compared += read;
    }
    return compared == size;
}

// Whether the file at `path` holds exactly the `size` bytes at `expected`.
bool FileHolds(const char* path, const uint8_t* expected, size_t size) {
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid() && OpenFileHolds(file.get(), expected, size);
}

// What an SZDD input that LZCopy can take yields: its decoded length, when its stream
// decodes whole in mode 'A'.
bool DecodedLength(const std::vector<uint8_t>& input, uint32_t* length) {
    std::vector<uint8_t> decoded;
    SzddHeader header;
    if (DecodeSzdd(input.data(), input.size(), &decoded, &header) != SzddStatus::kOk) return false;
    if (header.mode != kSzddModeA) return false;
    *length = header.length;
    return true;
}

// Whether the output has the length that its SZDD input decodes to. Neither LZCopy's
// result nor the output's mere presence says so: Wine's (and Windows') LZCopy stops at
// the end of the data whatever the header says and reports success, and copies a file
// without the magic through as it is. An input that cannot be read (deleted, held open by
// another program, unreadable) vouches for nothing: LZOpenFile has still created the
// output, empty, and kept it would pass the missing-file check and fail much later, in
// the procedure, with no reason code. The input is read back from the disk, since that
// is what LZCopy read; when it holds exactly the bytes of `known`, their decode is not
// taken a second time.
bool OutputHasDecodedLength(const char* inputPath, const char* outputPath,
                            const CarriedDecode* known) {
    uint32_t length = GetFileLength("", inputPath);
    if (length == kNoFileLength) return false;
    uint32_t decodedLength = 0;
    if (known != nullptr && known->size == length && FileHolds(inputPath, known->region, length)) {
        if (!known->sound) return false;
        decodedLength = static_cast<uint32_t>(known->bytes.size());
    } else {
        std::vector<uint8_t> input(length);
        if (length != 0 && ReadFileRange(input.data(), "", inputPath, 0, length) != length) {
            return false;
        }
        if (!DecodedLength(input, &decodedLength)) return false;
    }
    return GetFileLength("", outputPath) == decodedLength;
}

// DekompresujPlik, given what the compressed file should hold and its decode, when known.
void Decompress(const char* folder, const char* compressedName, const char* outputName,
                const CarriedDecode* known) {
    Trace("\r\nDekompresujPlik: %s, %s, %s\r\n", folder, compressedName, outputName);
    char input[kExpandPathSize];
    char output[kExpandPathSize];
    if (!ConcatPath(input, folder, compressedName) || !ConcatPath(output, folder, outputName)) {
        return;  // no output: the missing-file check reports it
    }
    ExpandFile(input, output);
    SetFileAttributesA(input, FILE_ATTRIBUTE_NORMAL);
    if (!OutputHasDecodedLength(input, output, known)) {
        DeleteFileForced("", output);
    }
    Trace("FILE IN:  %d\r\n", static_cast<int>(GetFileLength("", input)));
    Trace("FILE OUT: %d\r\n", static_cast<int>(GetFileLength("", output)));
    TraceText("LZCopy end\r\n\r\n");
}

}  // namespace

int DekompresujPlik(const char* folder, const char* compressedName, const char* outputName) {
    Decompress(folder, compressedName, outputName, nullptr);
    return 1;
}

namespace {

// The integrity block's verdict, when the installer carries one (tvispack writes it; older
// installers have none and are taken as they are). The status line names the check before
// it runs.
bool PayloadIsIntact(const uint8_t* image, uint32_t length, const PayloadTrailer& trailer,
                     ExtractionStatus status) {
    if (!HasIntegrityBlock(image, length, trailer)) {
        DeploymentLine(
            "integrity: no integrity block (an older installer); the trailer's "
            "checks passed");
        return true;
    }
    ShowStatus(status, "Sprawdza sumy kontrolne...");
    IntegrityCheck check = CheckIntegrity(image, length, trailer);
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

// Takes the digest of carried file `index` from its decode of the installer's image, then
// opens its decompressed copy so that nobody can change it any more and checks that the
// copy holds exactly those bytes. LZ32 wrote the copy from the compressed file on disk,
// which another program could have swapped in between; a copy that differs is deleted, so
// that the missing-file check reports it as not decompressed. The copy is compared with
// the decoded bytes themselves: the same verdict as comparing their digests, without a
// second digest.
void SecureNewCopy(int index, const CarriedDecode& decode) {
    const CarriedFile& file = kCarriedFiles[index];
    if (!decode.sound) return;
    newCopyDigest[index] = decode.digest;
    newCopyKnown[index] = true;

    char path[kExpandPathSize];
    if (!ConcatPath(path, workFolder, file.workName)) return;
    // No write and no delete sharing: from here on the copy cannot be written, renamed or
    // deleted by anyone, and what is checked now is what the procedure reads later.
    HANDLE copy = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (copy == INVALID_HANDLE_VALUE) return;
    // A copy reached through a link planted under its name is no copy of ours.
    if (IsUnlinked(copy, path) && OpenFileHolds(copy, decode.bytes.data(), decode.bytes.size())) {
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

// The installer's whole file in memory, with the layout its trailer gives.
struct InstallerImage {
    uint32_t length = 0;
    std::unique_ptr<GlobalBlock> block;
    PayloadTrailer trailer = {};
    uint32_t offsets[kPayloadFileCount] = {};
    uint32_t sizes[kPayloadFileCount] = {};
};

// The steps of the unpacking, in order; each returns a reason code, kPayloadOk to go on.

// The held copies of a last unpacking let go, the digests forgotten, the work folder set.
void BeginUnpacking(const char* folder, ExtractionStatus status) {
    ReleaseNewCopies();
    for (bool& known : newCopyKnown) known = false;
    ShowStatus(status, "Inicjalizacja...");
    SetWorkFolder(folder);
}

// The installer read once, whole, and its layout checked.
int32_t ReadInstaller(const char* installerPath, InstallerImage* image, ExtractionStatus status) {
    ShowStatus(status, "Pobiera pliki upgrade...");
    image->length = GetFileLength("", installerPath);
    PayloadReason reason = CheckInstallerLength(image->length);
    if (reason != kPayloadOk) return reason;

    image->block = std::make_unique<GlobalBlock>(image->length, true);
    uint8_t* data = image->block->data();
    if (data == nullptr) return kNoPayloadBuffer;
    // Not tested: the trailer checks are the only check of what was read.
    ReadFileRange(data, "", installerPath, 0, image->length);
    reason = CheckPayloadImage(data, image->length, &image->trailer);
    if (reason != kPayloadOk) return reason;
    const PayloadTrailer& trailer = image->trailer;
    const auto sizes = CarriedSizes(trailer);
    uint32_t offset = trailer.payloadStart;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        image->offsets[i] = offset;
        image->sizes[i] = sizes[i];
        offset += sizes[i];
    }
    return kPayloadOk;
}

// Before anything in the work folder changes: a damaged installer leaves the last run's
// files as they were.
int32_t CheckPayload(const InstallerImage& image, ExtractionStatus status) {
    return PayloadIsIntact(image.block->data(), image.length, image.trailer, status)
               ? kPayloadOk
               : kPayloadDamaged;
}

// The last run's compressed files deleted, and the three written new.
int32_t WriteCompressedFiles(const InstallerImage& image, ExtractionStatus status) {
    ShowStatus(status, "Usuwa pliki tymczasowe...");
    int32_t code = RemoveStale(true);
    if (code != kPayloadOk) return code;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        const CarriedFile& file = kCarriedFiles[i];
        ShowStatus(status, file.writeStatus);
        // The write's result is not looked at: the length test decides. The old file was
        // deleted just before; a file (or link) that appeared under the name since is not
        // written through, and the length test then fails.
        WriteNewFile(image.block->data() + image.offsets[i], workFolder, file.compressedName,
                     image.sizes[i]);
        if (GetFileLength(workFolder, file.compressedName) != image.sizes[i]) {
            return file.wrongLengthCode;
        }
    }
    return kPayloadOk;
}

// The last run's copies deleted, and each compressed file decompressed beside itself.
int32_t DecompressCopies(const InstallerImage& image, CarriedDecode (&decodes)[kPayloadFileCount],
                         ExtractionStatus status) {
    ShowStatus(status, "Kasuje pliki tymczasowe...");
    int32_t code = RemoveStale(false);
    if (code != kPayloadOk) return code;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        const CarriedFile& file = kCarriedFiles[i];
        ShowStatus(status, file.expandStatus);
        DecodeRegion(image.block->data() + image.offsets[i], image.sizes[i], &decodes[i]);
        Decompress(workFolder, file.compressedName, file.workName, &decodes[i]);
    }
    for (int i = 0; i < kPayloadFileCount; ++i) SecureNewCopy(i, decodes[i]);
    return kPayloadOk;
}

// Every copy there, checked in cleanup order.
int32_t CheckCopies(ExtractionStatus status) {
    ShowStatus(status, "Sprawdza dekompresowane pliki...");
    for (CarriedFileIndex index : kCleanupOrder) {
        if (!Present(kCarriedFiles[index].workName)) return kCarriedFiles[index].missingCode;
    }
    ShowStatus(status, "Inicjalizacja zakończona");
    return kPayloadOk;
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
    BeginUnpacking(folder, status);
    InstallerImage image;
    int32_t code = ReadInstaller(installerPath, &image, status);
    if (code == kPayloadOk) code = CheckPayload(image, status);
    if (code == kPayloadOk) code = WriteCompressedFiles(image, status);
    CarriedDecode decodes[kPayloadFileCount];
    if (code == kPayloadOk) code = DecompressCopies(image, decodes, status);
    if (code == kPayloadOk) code = CheckCopies(status);
    return code;
}

int32_t UnpackPayload(ExtractionStatus status) {
    char ownPath[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, ownPath, sizeof ownPath);
    // A truncated path names no file: the length test then gives code 1.
    if (length == 0 || length >= sizeof ownPath) ownPath[0] = '\0';
    return UnpackPayloadFrom(ownPath, GetWorkFolder(nullptr), status);
}

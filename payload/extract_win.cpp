// Unpacking the installer's own payload into the work folder.
#include "payload/extract.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/flow_state.h"
#include "payload/lz_expand.h"
#include "payload/szdd.h"
#include "payload/trailer.h"
#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "support/diagnostics.h"
#include "support/file_access.h"
#include "support/global_block.h"
#include "support/ui_text.h"

const char* const kDecompressedNames[3] = {"qelmape.dllu", "tvislv.exeu", "tvisx.exeu"};

namespace {

// Paths of DekompresujPlik are formed in buffers of this size.
constexpr size_t kExpandPathSize = 512;

const char* const kWriteTexts[3] = {"Zapisuje qelmape.wcp...", "Zapisuje tvislv.wcp...",
                                    "Zapisuje tvisx.wcp..."};
const char* const kExpandTexts[3] = {"Dekompresuje qelmape.wcp...", "Dekompresuje tvislv.wcp...",
                                     "Dekompresuje tvisx.wcp..."};

// Shows a stage in the status line and lets it repaint at once: the whole extraction
// runs inside one timer message, so the dialog would not repaint on its own.
void ShowStatus(const char* text) {
    if (dialogWindow == nullptr) return;
    SetItemText(dialogWindow, kStatusLineId, text, kOwnText);
    UpdateWindow(GetDlgItem(dialogWindow, kStatusLineId));
}

bool Present(const char* name) { return GetFileLength(workFolder, name) != kNoFileLength; }

// Deletes the named files in order; the reason code of the first one still there, or 0.
int32_t RemoveStale(const char* const names[3], const int32_t codes[3]) {
    for (int i = 0; i < 3; ++i) {
        DeleteFileForced(workFolder, names[i]);
        if (Present(names[i])) return codes[i];
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
// magic through as it is.
bool OutputMatchesInput(const char* inputPath, const char* outputPath) {
    uint32_t length = GetFileLength("", inputPath);
    if (length == kNoFileLength) return true;  // nothing to compare: the empty output stays
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

int32_t UnpackPayloadFrom(const char* installerPath, const char* folder) {
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

    ShowStatus("Usuwa pliki tymczasowe...");
    static const char* const kStaleCompressed[3] = {"TVISX.WCP", "TVISLV.WCP", "QELMAPE.WCP"};
    static const int32_t kStaleCompressedCodes[3] = {kStaleTvisxWcp, kStaleTvislvWcp,
                                                     kStaleQelmapeWcp};
    int32_t code = RemoveStale(kStaleCompressed, kStaleCompressedCodes);
    if (code != kPayloadOk) return code;

    const uint32_t sizes[3] = {trailer.firstSize, trailer.secondSize, trailer.thirdSize};
    static const int32_t kWriteCodes[3] = {kQelmapeWcpWrongLength, kTvislvWcpWrongLength,
                                           kTvisxWcpWrongLength};
    uint32_t offset = trailer.payloadStart;
    for (int i = 0; i < 3; ++i) {
        ShowStatus(kWriteTexts[i]);
        // The write's result is not looked at: the length test decides.
        WriteWholeFile(buffer.data() + offset, workFolder, kCompressedNames[i], sizes[i]);
        if (GetFileLength(workFolder, kCompressedNames[i]) != sizes[i]) return kWriteCodes[i];
        offset += sizes[i];
    }

    ShowStatus("Kasuje pliki tymczasowe...");
    static const char* const kStaleDecompressed[3] = {"tvisx.exeu", "tvislv.exeu", "qelmape.dllu"};
    static const int32_t kStaleDecompressedCodes[3] = {kStaleTvisxExeu, kStaleTvislvExeu,
                                                       kStaleQelmapeDllu};
    code = RemoveStale(kStaleDecompressed, kStaleDecompressedCodes);
    if (code != kPayloadOk) return code;

    for (int i = 0; i < 3; ++i) {
        ShowStatus(kExpandTexts[i]);
        DekompresujPlik(workFolder, kCompressedNames[i], kDecompressedNames[i]);
    }

    ShowStatus("Sprawdza dekompresowane pliki...");
    if (!Present("tvisx.exeu")) return kTvisxExeuMissing;
    if (!Present("tvislv.exeu")) return kTvislvExeuMissing;
    if (!Present("qelmape.dllu")) return kQelmapeDlluMissing;
    ShowStatus("Inicjalizacja zakończona");
    return kPayloadOk;
}

int32_t UnpackPayload() {
    char ownPath[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, ownPath, sizeof ownPath);
    // A truncated path names no file: the length test then gives code 1.
    if (length == 0 || length >= sizeof ownPath) ownPath[0] = '\0';
    return UnpackPayloadFrom(ownPath, GetWorkFolder(nullptr));
}

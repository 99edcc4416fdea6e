// lz32.dll from the system folder, with our own SZDD decoder as the fallback where the
// library is missing or its OFSTRUCT cannot hold a path.
#include "payload/lz_expand.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "payload/szdd.h"
#include "support/diagnostics.h"
#include "support/file_access.h"
#include "support/system_dll.h"

namespace {

using LzOpenFileFn = INT(WINAPI*)(LPSTR, LPOFSTRUCT, WORD);
using LzReadFn = INT(WINAPI*)(INT, LPSTR, INT);
using LzCloseFn = void(WINAPI*)(INT);

struct LzFunctions {
    bool loaded = false;
    LzOpenFileFn open = nullptr;
    LzReadFn read = nullptr;
    LzCloseFn close = nullptr;
};

// Loads lz32.dll by its full path in the system folder. A plain LoadLibrary("lz32.dll")
// (or an import) would search the installer's own folder first, and an installer is
// typically run from a downloads folder where anybody can plant a DLL of that name.
// The library stays loaded for the rest of the run.
const LzFunctions& SystemLz() {
    static LzFunctions functions;
    static bool tried = false;
    if (tried) return functions;
    tried = true;
    HMODULE module = LoadSystemDll("lz32.dll");
    if (module == nullptr) return functions;
    functions.open = ProcAs<LzOpenFileFn>(module, "LZOpenFileA");
    functions.read = ProcAs<LzReadFn>(module, "LZRead");
    functions.close = ProcAs<LzCloseFn>(module, "LZClose");
    functions.loaded =
        functions.open != nullptr && functions.read != nullptr && functions.close != nullptr;
    return functions;
}

// Whether the input carries the SZDD magic with a mode other than 'A'. LZInit refuses
// such a file, so LZOpenFile hands back a plain handle, through which LZRead would pass
// the bytes on as they are; LZCopy tries LZInit on it once more and writes nothing.
bool OfAnotherMode(const char* inputPath) {
    uint8_t bytes[kSzddHeaderSize];
    if (ReadFileRange(bytes, "", inputPath, 0, sizeof bytes) != sizeof bytes) return false;
    SzddHeader header;
    return ParseSzddHeader(bytes, sizeof bytes, &header) == SzddStatus::kUnsupportedMode;
}

// What LZCopy does, with LZ32's own decoding (LZCopy reads through LZRead too): LZRead
// yields the expanded bytes (a file without the SZDD magic as it is) until the data end,
// each piece goes to the output as it comes, and the output then takes the input's time
// of last writing; a failed read or write ends the copy without it. LZCopy passes the
// bytes on a thousand at a time, a system call each: 6,700 writes for the product's
// files, a quarter of the expansion's time under Wine. Here a piece is 64 KB.
void CopyExpanded(const LzFunctions& lz, INT source, INT target, const char* inputPath) {
    if (OfAnotherMode(inputPath)) return;
    static char piece[64 * 1024];
    for (;;) {
        INT read = lz.read(source, piece, static_cast<INT>(sizeof piece));
        if (read == 0) break;
        if (read < 0) return;
        if (_lwrite(target, piece, static_cast<UINT>(read)) != static_cast<UINT>(read)) return;
    }
    WIN32_FILE_ATTRIBUTE_DATA input;
    if (GetFileAttributesExA(inputPath, GetFileExInfoStandard, &input)) {
        HANDLE output = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(target));
        SetFileTime(output, nullptr, nullptr, &input.ftLastWriteTime);
    }
}

void ExpandWithSystemLz(const LzFunctions& lz, const char* inputPath, const char* outputPath) {
    // One OFSTRUCT serves both opens, as the product always did.
    OFSTRUCT of;
    std::memset(&of, 0, sizeof of);
    of.cBytes = 136;
    char input[MAX_PATH * 2];
    char output[MAX_PATH * 2];
    std::strncpy(input, inputPath, sizeof input - 1);
    input[sizeof input - 1] = '\0';
    std::strncpy(output, outputPath, sizeof output - 1);
    output[sizeof output - 1] = '\0';
    INT source = lz.open(input, &of, OF_READ);
    // The output is opened even when the input failed, so it is created or emptied.
    INT target = lz.open(output, &of, OF_CREATE | OF_WRITE);
    if (source >= 0 && target >= 0) {
        TraceText("LZCopy\r\n");
        CopyExpanded(lz, source, target, inputPath);
    }
    if (source >= 0) lz.close(source);
    if (target >= 0) lz.close(target);
}

// What LZOpenFile/LZCopy would write for these input bytes: a file without the magic
// is copied through, another mode yields nothing, and a damaged stream yields what it
// holds. (A damaged stream's output is deleted afterwards whichever engine wrote it.)
std::vector<uint8_t> BuiltInOutput(const std::vector<uint8_t>& input) {
    SzddHeader header;
    SzddStatus status = ParseSzddHeader(input.data(), input.size(), &header);
    if (status == SzddStatus::kNotSzdd || status == SzddStatus::kHeaderTruncated) return input;
    if (status != SzddStatus::kOk || header.mode != kSzddModeA) return {};
    std::vector<uint8_t> output;
    DecodeSzdd(input.data(), input.size(), &output);
    return output;
}

void ExpandBuiltIn(const char* inputPath, const char* outputPath) {
    uint32_t length = GetFileLength("", inputPath);
    std::vector<uint8_t> input;
    bool opened = length != kNoFileLength;
    if (opened) {
        input.resize(length);
        opened = length == 0 || ReadFileRange(input.data(), "", inputPath, 0, length) == length;
    }
    std::vector<uint8_t> output = opened ? BuiltInOutput(input) : std::vector<uint8_t>();
    if (opened) TraceText("LZCopy\r\n");
    WriteWholeFile(output.data(), "", outputPath, static_cast<uint32_t>(output.size()));
}

}  // namespace

bool SystemLzAvailable() { return SystemLz().loaded; }

bool FitsLzOpenFile(const char* path) {
    // OpenFile, under LZOpenFile, resolves the name into szPathName the same way: a path
    // that is short as given but long in full (a relative one) fails too. Wine refuses
    // 128 characters and more with ERROR_INVALID_DATA and creates no output then.
    char full[sizeof(OFSTRUCT::szPathName)];
    DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
    return length != 0 && length < sizeof full;
}

void ExpandFile(const char* inputPath, const char* outputPath, LzEngine engine) {
    const LzFunctions& lz = SystemLz();
    // Our decoder takes any path the file functions take, so a long work folder gives the
    // same files as a short one.
    if (engine == LzEngine::kAuto && lz.loaded && FitsLzOpenFile(inputPath) &&
        FitsLzOpenFile(outputPath)) {
        ExpandWithSystemLz(lz, inputPath, outputPath);
    } else {
        ExpandBuiltIn(inputPath, outputPath);
    }
}

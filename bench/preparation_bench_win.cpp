// Where the preparation's time goes, under Wine (not a test): the real unpacking and
// discovery of an installer near the 4,000,000-byte limit, with the status line repainted
// in the real UPGRADE dialog, split into its stages; the parts that a stage holds measured
// alone; and the floor, the same bytes read, written and decoded by the least a program
// can do, measured in the same run. Then the upgrade step's own parts: reading the new
// copies, their digests, and the safe replacement against a plain write.
//
// Usage: preparation_bench FILE FILE FILE [--runs N]
//   the three carried files (qelMapE.dll, tVisLV.exe, tVisX.exe), real programs; each gets
//   a version record at its middle. scripts/preparation-bench.sh runs it in a Wine prefix
//   of its own with three of Wine's PE files.
#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/discovery.h"
#include "app/registry.h"
#include "app/version_view.h"
#include "app/upgrade_dialog.h"
#include "controls/progress_bar.h"
#include "payload/carried_files.h"
#include "payload/extract.h"
#include "payload/integrity_block.h"
#include "payload/lz_expand.h"
#include "payload/szdd.h"
#include "payload/trailer.h"
#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "support/file_access.h"
#include "support/product_places.h"
#include "support/scoped_win.h"
#include "support/diagnostics.h"
#include "support/sha256.h"
#include "support/system_dll.h"
#include "support/ui_text.h"
#include "tests/support/installer_image.h"
#include "tests/support/product_file.h"
#include "version/version_reader.h"

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Milliseconds that `work` takes, the median of `runs` runs.
template <typename F>
double MedianMs(int runs, F work) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        double start = Now();
        work();
        times.push_back((Now() - start) * 1e3);
    }
    return Median(times);
}

Bytes ReadWhole(const std::string& path) {
    Bytes bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    DWORD size = GetFileSize(file, nullptr);
    bytes.resize(size);
    DWORD read = 0;
    if (size != INVALID_FILE_SIZE &&
        (!ReadFile(file, bytes.data(), size, &read, nullptr) || read != size)) {
        bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

bool WriteWhole(const std::string& path, const uint8_t* data, size_t size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
    CloseHandle(file);
    return ok;
}

// The report goes where standard error pointed when the program started: the program
// opens the trace console as the installer does, which takes the standard streams.
HANDLE reportTo = INVALID_HANDLE_VALUE;

void Report(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0) return;
    DWORD written = 0;
    WriteFile(reportTo, text,
              static_cast<DWORD>(std::min<size_t>(static_cast<size_t>(length), sizeof text - 1)),
              &written, nullptr);
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The status texts of one unpacking as they came, each with the time it came and how long
// the status line took to show it.
struct StatusMark {
    std::string text;
    double at;
    double shown;
};
std::vector<StatusMark> marks;

void TimedStatus(const char* text) {
    double at = Now();
    ShowExtractionStatus(text);
    marks.push_back(StatusMark{text, at, Now() - at});
}

void RemoveWorkFiles(const std::string& folder) {
    for (const CarriedFile& file : kCarriedFiles) {
        DeleteFileForced(folder.c_str(), file.compressedName);
        DeleteFileForced(folder.c_str(), file.workName);
    }
}

void Line(const char* label, double ms) { Report("  %-44s %8.2f ms\n", label, ms); }

}  // namespace

int main(int argc, char** argv) {
    reportTo = GetStdHandle(STD_ERROR_HANDLE);
    std::vector<std::string> inputs;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            inputs.push_back(argv[i]);
        }
    }
    if (inputs.size() != kPayloadFileCount) {
        Report("usage: preparation_bench FILE FILE FILE [--runs N]\n");
        return 2;
    }
    CreateFileLock();

    // The carried files: real programs with a record each, the installed library with an
    // older one.
    Bytes plain[kPayloadFileCount], packed[kPayloadFileCount];
    Bytes installedLibrary;
    uint64_t plainTotal = 0, packedTotal = 0;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        plain[i] = ReadWhole(inputs[i]);
        if (plain[i].size() < 4096) {
            Report("cannot read %s\n", inputs[i].c_str());
            return 1;
        }
        RecordFields fields;
        fields.build = 2000 + i;
        uint32_t recordAt = static_cast<uint32_t>(plain[i].size() / 2);
        PlaceRecord(plain[i], recordAt, fields);
        if (i == kQelMapE) {
            installedLibrary = plain[i];
            fields.build = 1000;
            PlaceRecord(installedLibrary, recordAt, fields);
        }
        packed[i] =
            Compress(plain[i], static_cast<char>(SzddLastNameChar(kCarriedFiles[i].productName)));
        plainTotal += plain[i].size();
        packedTotal += packed[i].size();
    }
    // The stub fills the installer up to the limit, as a large installer program would.
    const uint64_t room = uint64_t{kMaxInstallerLength} - kTrailerSize - 8;
    if (packedTotal + 100000 > room) {
        Report("the three files are too large for one installer\n");
        return 1;
    }
    Bytes installer = MakeInstallerImage(packed, static_cast<uint32_t>(room - packedTotal));
    AddIntegrityBlock(installer);

    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string root = std::string(temp) + "tvis-preparation-bench\\";
    const std::string product = root + "product\\";
    const std::string work = root + "work\\";
    const std::string scratch = root + "scratch\\";
    const std::string floorFolder = root + "floor\\";
    const std::string installerPath = root + "setup.exe";
    for (const std::string& folder : {root, product, work, scratch, floorFolder}) {
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    bool written = WriteWhole(installerPath, installer.data(), installer.size());
    for (int i = 0; i < kPayloadFileCount; ++i) {
        const Bytes& bytes = i == kQelMapE ? installedLibrary : plain[i];
        written = written &&
                  WriteWhole(product + kCarriedFiles[i].productName, bytes.data(), bytes.size());
    }
    HKEY key = nullptr;
    if (!written || RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_SET_VALUE,
                                    nullptr, &key, nullptr) != ERROR_SUCCESS) {
        Report("cannot set up %s\n", root.c_str());
        return 1;
    }
    RegSetValueExA(key, kFolderValueNames[0], 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(product.c_str()),
                   static_cast<DWORD>(product.size() + 1));
    RegCloseKey(key);

    // As the installer starts: the common controls of the manifest, the trace console.
    RegisterProgressBarClass(GetModuleHandleW(nullptr));
    InitCommonControlsFromSystem();
    ToggleTraceConsole(1000);
    HWND dialog =
        CreateDialogParamW(GetModuleHandleW(nullptr), L"UPGRADE", nullptr, QuietDialogProc, 0);
    if (dialog == nullptr) {
        Report("cannot create the UPGRADE dialog\n");
        return 1;
    }
    ShowWindow(dialog, SW_SHOW);
    dialogWindow = dialog;
    PumpMessages();

    Report("installer %zu bytes; carried files %zu + %zu + %zu = %llu bytes, packed %llu\n",
           installer.size(), plain[0].size(), plain[1].size(), plain[2].size(),
           static_cast<unsigned long long>(plainTotal),
           static_cast<unsigned long long>(packedTotal));

    // The preparation as the dialog runs it: unpacking, then discovery with both records.
    std::vector<double> totals, unpackTimes, findTimes, statusTimes;
    std::vector<std::vector<double>> stageTimes;
    std::vector<std::string> stageTexts;
    for (int run = 0; run < runs; ++run) {
        ReleaseNewCopies();
        RemoveWorkFiles(work);
        marks.clear();
        Sleep(50);  // the writes of the last run settle
        double start = Now();
        int32_t code = UnpackPayloadFrom(installerPath.c_str(), work.c_str(), TimedStatus);
        double unpacked = Now();
        const DiscoveryOutcome found = FindInstalledProduct(dialog);
        double end = Now();
        if (code != kPayloadOk || found != DiscoveryOutcome::kUpgradePossible) {
            Report("FAILED: reason code %d, discovery outcome %d\n", static_cast<int>(code),
                   static_cast<int>(found));
            return 1;
        }
        PumpMessages();
        totals.push_back((end - start) * 1e3);
        unpackTimes.push_back((unpacked - start) * 1e3);
        findTimes.push_back((end - unpacked) * 1e3);
        double shown = 0;
        stageTimes.resize(marks.size());
        stageTexts.resize(marks.size());
        for (size_t i = 0; i < marks.size(); ++i) {
            double next = i + 1 < marks.size() ? marks[i + 1].at : unpacked;
            stageTimes[i].push_back((next - marks[i].at - marks[i].shown) * 1e3);
            stageTexts[i] = marks[i].text;
            shown += marks[i].shown;
        }
        statusTimes.push_back(shown * 1e3);
    }
    double total = Median(totals);
    Report(
        "\npreparation (unpacking and discovery), median of %d runs: %.2f ms "
        "(from %.2f to %.2f)\n",
        runs, total, *std::min_element(totals.begin(), totals.end()),
        *std::max_element(totals.begin(), totals.end()));
    Report("  stages, as the status line names them (without its repaint):\n");
    for (size_t i = 0; i < stageTexts.size(); ++i) {
        Report("    %-40s %8.2f ms\n", stageTexts[i].c_str(), Median(stageTimes[i]));
    }
    Line("status line repaints", Median(statusTimes));
    Line("unpacking in all", Median(unpackTimes));
    Line("discovery with both version records", Median(findTimes));

    // The parts, each alone on the same bytes.
    Report("\nparts measured alone, median of %d:\n", runs);
    double readTime = MedianMs(runs, [&] {
        uint32_t length = GetFileLength("", installerPath.c_str());
        GlobalBlock block(length, true);
        ReadFileRange(block.data(), "", installerPath.c_str(), 0, length);
    });
    Line("reading the installer", readTime);
    PayloadTrailer trailer;
    CheckPayloadImage(installer.data(), static_cast<uint32_t>(installer.size()), &trailer);
    Line("integrity check (CRC-32 of the payload)", MedianMs(runs, [&] {
             CheckIntegrity(installer.data(), static_cast<uint32_t>(installer.size()), trailer);
         }));
    Line("writing the compressed files", MedianMs(runs, [&] {
             for (int i = 0; i < kPayloadFileCount; ++i) {
                 DeleteFileForced(scratch.c_str(), kCarriedFiles[i].compressedName);
                 WriteNewFile(packed[i].data(), scratch.c_str(), kCarriedFiles[i].compressedName,
                              static_cast<uint32_t>(packed[i].size()));
             }
         }));
    double lz32Total = 0, decodeTotal = 0, digestTotal = 0;
    Bytes decoded;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        const CarriedFile& file = kCarriedFiles[i];
        std::string in = scratch + file.compressedName;
        std::string out = scratch + file.workName;
        double lz32 = MedianMs(runs, [&] { ExpandFile(in.c_str(), out.c_str()); });
        double decode =
            MedianMs(runs, [&] { DecodeSzdd(packed[i].data(), packed[i].size(), &decoded); });
        double digest = MedianMs(runs, [&] { Sha256Of(decoded.data(), decoded.size()); });
        char label[96];
        std::snprintf(label, sizeof label, "%s: LZ32 (%s)", file.compressedName,
                      SystemLzAvailable() ? "lz32.dll" : "built-in");
        Line(label, lz32);
        std::snprintf(label, sizeof label, "%s: decoding in memory", file.compressedName);
        Line(label, decode);
        std::snprintf(label, sizeof label, "%s: SHA-256 of the copy", file.compressedName);
        Line(label, digest);
        lz32Total += lz32;
        decodeTotal += decode;
        digestTotal += digest;
    }
    Line("LZ32, the three files", lz32Total);
    Line("decoding in memory, the three files", decodeTotal);
    Line("SHA-256, the three copies", digestTotal);
    const std::string installedPath = product + kCarriedFiles[kQelMapE].productName;
    Line("version records (installed and new)", MedianMs(runs, [&] {
             ReadInstalledRecord(installedPath.c_str());
             ReadUpgradeRecord(kCarriedFiles[kQelMapE].newCopyName);
         }));
    // The discovery's first check: the three new copies' lengths.
    Line("discovery: the new copies there", MedianMs(runs, [&] {
             for (const CarriedFile& file : kCarriedFiles) {
                 GetFileLength(workFolder, file.newCopyName);
             }
         }));
    Line("discovery: two registry values read", MedianMs(runs, [&] {
             char value[kFolderTextSize];
             for (HKEY rootKey : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
                 ReadRegString(rootKey, kProductKey, 258, kFolderValueNames[0], value);
             }
         }));
    Line("discovery: the product folder tested", MedianMs(runs, [&] {
             char folder[kFolderTextSize];
             std::snprintf(folder, sizeof folder, "%s", product.c_str());
             TestProductFolder(folder);
         }));
    Line("trace console: 40 lines", MedianMs(runs, [&] {
             for (int line = 0; line < 40; ++line) Trace("FILE OUT: %d\r\n", line);
         }));
    const std::vector<StatusMark> lastMarks = marks;
    Line("status line: its texts set, no repaint asked", MedianMs(runs, [&] {
             for (const StatusMark& mark : lastMarks) {
                 SetItemText(dialog, kStatusLineId, mark.text.c_str(), kOwnText);
             }
         }));
    Line("status line: its texts shown as the dialog does", MedianMs(runs, [&] {
             for (const StatusMark& mark : lastMarks) ShowExtractionStatus(mark.text.c_str());
         }));
    Line("both versions read and shown in the dialog", MedianMs(runs, [&] {
             ShowInstalledVersion(dialog, productFolder);
             ShowUpgradeVersion(dialog);
         }));

    // The floor: the installer read once, each compressed file written, decoded in memory
    // and its copy written, with nothing else.
    auto floorRun = [&](bool withLz32) {
        Bytes image = ReadWhole(installerPath);
        PayloadTrailer t = DecodeTrailer(image.data() + image.size() - kTrailerSize);
        const uint32_t sizes[kPayloadFileCount] = {t.firstSize, t.secondSize, t.thirdSize};
        uint32_t offset = t.payloadStart;
        Bytes out;
        for (int i = 0; i < kPayloadFileCount; ++i) {
            std::string in = floorFolder + kCarriedFiles[i].compressedName;
            std::string copy = floorFolder + kCarriedFiles[i].workName;
            WriteWhole(in, image.data() + offset, sizes[i]);
            if (withLz32) {
                ExpandFile(in.c_str(), copy.c_str());
            } else {
                DecodeSzdd(image.data() + offset, sizes[i], &out);
                WriteWhole(copy, out.data(), out.size());
            }
            offset += sizes[i];
        }
    };
    double floor = MedianMs(runs, [&] { floorRun(false); });
    double floorLz32 = MedianMs(runs, [&] { floorRun(true); });
    Report("\nfloor: the same bytes read, written and decoded, median of %d:\n", runs);
    Line("our decoder in memory", floor);
    Line("LZ32 from the written files", floorLz32);
    Report("preparation / floor = %.2f; preparation / floor with LZ32 = %.2f\n", total / floor,
           total / floorLz32);

    // The upgrade step after the button: the new copies read and checked as the procedure
    // does, the installed files read to be put back, and the replacement itself against a
    // plain write of the same bytes.
    Report("\nupgrade step parts, median of %d:\n", runs);
    GlobalBlock copies[kPayloadFileCount] = {GlobalBlock(static_cast<uint32_t>(plain[0].size())),
                                             GlobalBlock(static_cast<uint32_t>(plain[1].size())),
                                             GlobalBlock(static_cast<uint32_t>(plain[2].size()))};
    Line("reading the three new copies", MedianMs(runs, [&] {
             for (int i = 0; i < kPayloadFileCount; ++i) {
                 uint32_t size = GetFileLength(workFolder, kCarriedFiles[i].newCopyName);
                 ReadFileRange(copies[i].data(), workFolder, kCarriedFiles[i].newCopyName, 0, size);
             }
         }));
    Line("their SHA-256 digests", MedianMs(runs, [&] {
             for (int i = 0; i < kPayloadFileCount; ++i)
                 Sha256Of(copies[i].data(), plain[i].size());
         }));
    Line("reading the three installed files", MedianMs(runs, [&] {
             for (int i = 0; i < kPayloadFileCount; ++i) {
                 ReadWhole(product + kCarriedFiles[i].productName);
             }
         }));
    for (int i = 0; i < kPayloadFileCount; ++i) {
        WriteWhole(scratch + kCarriedFiles[i].productName, plain[i].data(), plain[i].size());
    }
    double safe = MedianMs(runs, [&] {
        for (int i = 0; i < kPayloadFileCount; ++i) {
            ReplaceWholeFile(plain[i].data(), scratch.c_str(), kCarriedFiles[i].productName,
                             static_cast<uint32_t>(plain[i].size()));
        }
    });
    double plainWrite = MedianMs(runs, [&] {
        for (int i = 0; i < kPayloadFileCount; ++i) {
            WriteWholeFile(plain[i].data(), scratch.c_str(), kCarriedFiles[i].productName,
                           static_cast<uint32_t>(plain[i].size()));
        }
    });
    Line("safe replacement of the three (flush, rename)", safe);
    Line("plain write of the same bytes", plainWrite);
    Report("safe replacement / plain write = %.2f\n", safe / plainWrite);

    ReleaseNewCopies();
    ToggleTraceConsole(0);
    DestroyWindow(dialog);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, kFolderValueNames[0]);
        RegCloseKey(key);
    }
    DeleteFileLock();
    return 0;
}

// Unpacking installer files under Wine: every reason code the platform can produce, the
// status line of the failing step, and the six files' bytes.
#include "payload/extract.h"

#include <windows.h>
#include <lzexpand.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "payload/carried_files.h"
#include "payload/lz_expand.h"
#include "payload/reason_codes.h"
#include "payload/trailer.h"
#include "payload/work_folder.h"
#include "support/file_access.h"
#include "support/sha256.h"
#include "tests/codec/test_data.h"
#include "tests/support/file_lock_test.h"
#include "tests/support/installer_image.h"
#include "tests/support/stdout_capture.h"
#include "tests/support/temp_folder.h"

namespace {

const char* const kCompressed[3] = {"QELMAPE.WCP", "TVISLV.WCP", "TVISX.WCP"};
const char* const kDecompressed[3] = {"qelmape.dllu", "tvislv.exeu", "tvisx.exeu"};

// Every status text the extraction reported, in order, as the dialog would show it.
std::vector<std::wstring> statuses;
// Runs at each status text, as the extraction reaches its step; a test's way in between
// two steps.
std::function<void(const char* text)> onStatus;

void RecordStatus(const char* text) {
    wchar_t wide[256] = {};
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 255);
    statuses.push_back(wide);
    if (onStatus) onStatus(text);
}

// The status texts of a run that succeeds.
const std::vector<std::wstring> kSoundStages = {L"Inicjalizacja...",
                                                L"Pobiera pliki upgrade...",
                                                L"Usuwa pliki tymczasowe...",
                                                L"Zapisuje qelmape.wcp...",
                                                L"Zapisuje tvislv.wcp...",
                                                L"Zapisuje tvisx.wcp...",
                                                L"Kasuje pliki tymczasowe...",
                                                L"Dekompresuje qelmape.wcp...",
                                                L"Dekompresuje tvislv.wcp...",
                                                L"Dekompresuje tvisx.wcp...",
                                                L"Sprawdza dekompresowane pliki...",
                                                L"Inicjalizacja zakończona"};

class Extraction : public FileLockTest {
protected:
    static void SetUpTestSuite() {
        FileLockTest::SetUpTestSuite();
        payload = new Payload(MakePayload());
    }
    static void TearDownTestSuite() {
        delete payload;
        FileLockTest::TearDownTestSuite();
    }
    void SetUp() override {
        statuses.clear();
        onStatus = nullptr;
        work = place.File("work\\");
        ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
    }

    // Unpacks, then lets the new copies go: the tests change the work folder between runs,
    // which the held copies would refuse (NewCopiesAreHeldAndKnownByTheirDigest).
    int32_t Unpack(const Bytes& installer) {
        int32_t code = UnpackHolding(installer);
        ReleaseNewCopies();
        return code;
    }
    int32_t UnpackHolding(const Bytes& installer) {
        std::string path = place.File("setup.exe");
        EXPECT_TRUE(WriteTestFile(path, ToString(installer)));
        return UnpackPayloadFrom(path.c_str(), work.c_str(), RecordStatus);
    }
    // A new folder in `place` whose path, final backslash included, has `length` characters.
    std::string FolderOfLength(size_t length) const {
        std::string folder = place.path() + std::string(length - place.path().size() - 1, 'w');
        EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
        return folder + "\\";
    }
    // The trace of a sound run's decompression into `folder`.
    static std::string DecompressionTrace(const std::string& folder) {
        std::string trace;
        for (int i = 0; i < 3; ++i) {
            trace += "\r\nDekompresujPlik: " + folder + ", " + kCompressed[i] + ", " +
                     kDecompressed[i] + "\r\nLZCopy\r\n" +
                     "FILE IN:  " + std::to_string(payload->compressed[i].size()) +
                     "\r\nFILE OUT: " + std::to_string(payload->plain[i].size()) +
                     "\r\nLZCopy end\r\n\r\n";
        }
        return trace;
    }
    // The status line's last text.
    std::wstring Status() const { return statuses.empty() ? L"" : statuses.back(); }
    bool Exists(const char* name) const { return TestFileExists(work + name); }

    static Payload* payload;
    TempFolder place;
    std::string work;
};

Payload* Extraction::payload = nullptr;

TEST_F(Extraction, SoundInstallerGivesTheSixFilesExactly) {
    ASSERT_EQ(kPayloadOk, Unpack(payload->installer));
    EXPECT_EQ(kSoundStages, statuses);
    EXPECT_EQ(std::string(workFolder), work);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(ToString(payload->compressed[i]) == ReadTestFile(work + kCompressed[i])) << i;
        EXPECT_TRUE(ToString(payload->plain[i]) == ReadTestFile(work + kDecompressed[i])) << i;
    }
}

// After the unpacking each new copy is known by the SHA-256 of what the payload carries,
// and held so that no other program can change, replace or delete it until the run ends;
// reading it stays possible.
TEST_F(Extraction, NewCopiesAreHeldAndKnownByTheirDigest) {
    ASSERT_EQ(kPayloadOk, UnpackHolding(payload->installer));
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(kDecompressed[i]);
        EXPECT_TRUE(newCopyKnown[i]);
        EXPECT_TRUE(Sha256Of(payload->plain[i].data(), payload->plain[i].size()) ==
                    newCopyDigest[i]);
        const std::string copy = work + kDecompressed[i];
        EXPECT_FALSE(WriteTestFile(copy, "swapped"));
        EXPECT_FALSE(DeleteFileA(copy.c_str()));
        EXPECT_FALSE(
            MoveFileExA(place.File("setup.exe").c_str(), copy.c_str(), MOVEFILE_REPLACE_EXISTING));
        EXPECT_FALSE(MoveFileA(copy.c_str(), (copy + ".old").c_str()));
        EXPECT_TRUE(ToString(payload->plain[i]) == ReadTestFile(copy));
    }
    ReleaseNewCopies();
    EXPECT_TRUE(WriteTestFile(work + kDecompressed[0], "released"));
}

// With the integrity block that tvispack writes, one flipped bit in a compressed file is
// caught before the work folder changes; without it, the same installer goes on as it
// always did.
TEST_F(Extraction, IntegrityBlockStopsADamagedInstallerBeforeAnythingIsWritten) {
    Bytes intact = payload->installer;
    AddIntegrityBlock(intact);
    ASSERT_EQ(kPayloadOk, Unpack(intact));
    EXPECT_EQ(L"Sprawdza sumy kontrolne...", statuses.at(2));
    EXPECT_EQ(L"Inicjalizacja zakończona", Status());
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(ToString(payload->plain[i]) == ReadTestFile(work + kDecompressed[i])) << i;
    }

    const PayloadTrailer trailer = DecodeTrailer(intact.data() + intact.size() - kTrailerSize);
    const uint32_t starts[3] = {trailer.payloadStart, trailer.payloadStart + trailer.firstSize,
                                trailer.payloadStart + trailer.firstSize + trailer.secondSize};
    for (int file = 0; file < 3; ++file) {
        SCOPED_TRACE(kCompressed[file]);
        // The last run's six files, which a damaged installer must leave alone.
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(WriteTestFile(work + kCompressed[i], "last run"));
            ASSERT_TRUE(WriteTestFile(work + kDecompressed[i], "last run"));
        }
        Bytes damaged = intact;
        damaged[starts[file] + 5000] ^= 0x10;
        statuses.clear();
        StdoutCapture capture(place.File("trace.txt"));
        EXPECT_EQ(kPayloadDamaged, Unpack(damaged));
        const std::string trace = capture.Finish();
        EXPECT_EQ(L"Sprawdza sumy kontrolne...", Status());
        EXPECT_NE(std::string::npos, trace.find(std::string("CRC ") + kCompressed[file] + ": "))
            << trace;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ("last run", ReadTestFile(work + kCompressed[i])) << i;
            EXPECT_EQ("last run", ReadTestFile(work + kDecompressed[i])) << i;
        }
        // The same damage in an installer without the block: no code 7, the files are
        // written.
        Bytes unguarded = payload->installer;
        unguarded[starts[file] + 5000] ^= 0x10;
        EXPECT_NE(kPayloadDamaged, Unpack(unguarded));
        EXPECT_TRUE(
            ToString(Bytes(unguarded.begin() + starts[file],
                           unguarded.begin() + starts[file] + payload->compressed[file].size())) ==
            ReadTestFile(work + kCompressed[file]));
    }
}

TEST_F(Extraction, BothDecompressorsGiveTheSameFiles) {
    ASSERT_TRUE(SystemLzAvailable());
    for (int i = 0; i < 3; ++i) {
        std::string input = work + kCompressed[i];
        ASSERT_TRUE(WriteTestFile(input, ToString(payload->compressed[i])));
        ExpandFile(input.c_str(), (work + "system.out").c_str(), LzEngine::kAuto);
        ExpandFile(input.c_str(), (work + "builtin.out").c_str(), LzEngine::kBuiltIn);
        std::string expected = ToString(payload->plain[i]);
        EXPECT_TRUE(expected == ReadTestFile(work + "system.out")) << i;
        EXPECT_TRUE(expected == ReadTestFile(work + "builtin.out")) << i;
    }
    // Inputs that are not SZDD of mode 'A' behave alike too.
    const std::string odd[] = {"plain text, no magic",
                               "SZDD\x88\xF0\x27\x33"
                               "B\0\5\0\0\0xxxxx"};
    for (const std::string& bytes : odd) {
        ASSERT_TRUE(WriteTestFile(work + "odd.in", bytes));
        ExpandFile((work + "odd.in").c_str(), (work + "system.out").c_str(), LzEngine::kAuto);
        ExpandFile((work + "odd.in").c_str(), (work + "builtin.out").c_str(), LzEngine::kBuiltIn);
        EXPECT_EQ(ReadTestFile(work + "system.out"), ReadTestFile(work + "builtin.out"));
    }
    // A missing input still creates an empty output.
    ExpandFile((work + "none.in").c_str(), (work + "system.out").c_str(), LzEngine::kAuto);
    ExpandFile((work + "none.in").c_str(), (work + "builtin.out").c_str(), LzEngine::kBuiltIn);
    EXPECT_EQ("", ReadTestFile(work + "system.out"));
    EXPECT_EQ("", ReadTestFile(work + "builtin.out"));
}

// LZ32's own LZCopy of `from` into `to`, as the installer once called it.
void CopyWithLzCopy(const std::string& from, const std::string& to) {
    OFSTRUCT of = {};
    of.cBytes = 136;
    INT source = LZOpenFileA(const_cast<LPSTR>(from.c_str()), &of, OF_READ);
    INT target = LZOpenFileA(const_cast<LPSTR>(to.c_str()), &of, OF_CREATE | OF_WRITE);
    if (source >= 0 && target >= 0) LZCopy(source, target);
    if (source >= 0) LZClose(source);
    if (target >= 0) LZClose(target);
}

// The time of last writing, or zero when the file cannot be asked.
uint64_t LastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
           data.ftLastWriteTime.dwLowDateTime;
}

// The expansion decodes with LZ32's LZRead in pieces of its own instead of LZCopy's; it
// must leave what LZCopy leaves: the same bytes and the input's time of last writing, for
// sound, cut and foreign inputs and for outputs of many pieces.
TEST_F(Extraction, SystemExpansionLeavesWhatLzCopyLeaves) {
    ASSERT_TRUE(SystemLzAvailable());
    const Bytes varied = TextBytes(300 * 1024, 12345);
    const Bytes many = Compress(varied, 0);
    const Bytes& first = payload->compressed[0];
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"qelmape", ToString(payload->compressed[0])},
        {"tvislv", ToString(payload->compressed[1])},
        {"tvisx", ToString(payload->compressed[2])},
        {"five pieces and more", ToString(many)},
        {"cut in the middle", ToString(Bytes(first.begin(), first.begin() + first.size() / 2))},
        {"header only", ToString(Bytes(first.begin(), first.begin() + 14))},
        {"no magic", "plain text, no magic"},
        {"another mode", std::string("SZDD\x88\xF0\x27\x33"
                                     "B\0\5\0\0\0xxxxx",
                                     19)},
        {"empty", ""},
    };
    FILETIME past = {};
    SYSTEMTIME when = {2001, 2, 0, 3, 4, 5, 6, 0};
    ASSERT_TRUE(SystemTimeToFileTime(&when, &past));
    const uint64_t inputTime =
        static_cast<uint64_t>(past.dwHighDateTime) << 32 | past.dwLowDateTime;
    for (const auto& c : cases) {
        const std::string input = work + "case.in";
        ASSERT_TRUE(WriteTestFile(input, c.bytes)) << c.what;
        HANDLE file = CreateFileA(input.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file) << c.what;
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &past)) << c.what;
        CloseHandle(file);

        CopyWithLzCopy(input, work + "lzcopy.out");
        ExpandFile(input.c_str(), (work + "ours.out").c_str(), LzEngine::kAuto);
        EXPECT_TRUE(ReadTestFile(work + "lzcopy.out") == ReadTestFile(work + "ours.out")) << c.what;
        // Where LZCopy gives the output the input's time, ours must too; where it writes
        // nothing, neither output takes it (each keeps the time it was created).
        EXPECT_EQ(LastWriteTime(work + "lzcopy.out") == inputTime,
                  LastWriteTime(work + "ours.out") == inputTime)
            << c.what;
    }
    // The output of many pieces is whole.
    ASSERT_TRUE(WriteTestFile(work + "many.in", ToString(many)));
    ExpandFile((work + "many.in").c_str(), (work + "ours.out").c_str(), LzEngine::kAuto);
    EXPECT_TRUE(ToString(varied) == ReadTestFile(work + "ours.out"));
}

TEST_F(Extraction, LayoutFailuresStopBeforeWritingAnything) {
    Bytes tooShort(999999, 0);
    Bytes tooLong(4000001, 0);
    Bytes badCheck = payload->installer;
    badCheck[badCheck.size() - 20] ^= 1;
    Bytes badSum = payload->installer;
    badSum.insert(badSum.begin() + 1000, 0);  // one more byte in the stub
    struct Case {
        const char* what;
        const Bytes* installer;
        int32_t code;
    } const cases[] = {
        {"999,999 bytes", &tooShort, kInstallerTooShort},
        {"4,000,001 bytes", &tooLong, kInstallerTooLong},
        {"check word", &badCheck, kTrailerCheckMismatch},
        {"sum", &badSum, kTrailerSumMismatch},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.code, Unpack(*c.installer));
        EXPECT_EQ(L"Pobiera pliki upgrade...", Status());
        for (const char* name : kCompressed) EXPECT_FALSE(Exists(name)) << name;
    }
    EXPECT_EQ(kOwnFileUnreadable,
              UnpackPayloadFrom(place.File("missing.exe").c_str(), work.c_str(), RecordStatus));
    EXPECT_EQ(L"Pobiera pliki upgrade...", Status());
}

TEST_F(Extraction, StaleFilesAreRemovedEvenWhenReadOnly) {
    for (int i = 0; i < 3; ++i) {
        for (const char* name : {kCompressed[i], kDecompressed[i]}) {
            ASSERT_TRUE(WriteTestFile(work + name, "stale"));
            ASSERT_TRUE(SetReadOnly(work + name));
        }
    }
    ASSERT_EQ(kPayloadOk, Unpack(payload->installer));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(ToString(payload->plain[i]) == ReadTestFile(work + kDecompressed[i])) << i;
    }
}

TEST_F(Extraction, StaleFileHeldOpenStopsTheRun) {
    struct Case {
        const char* name;
        int32_t code;
        const wchar_t* status;
    } const cases[] = {
        {"TVISX.WCP", kStaleTvisxWcp, L"Usuwa pliki tymczasowe..."},
        {"TVISLV.WCP", kStaleTvislvWcp, L"Usuwa pliki tymczasowe..."},
        {"QELMAPE.WCP", kStaleQelmapeWcp, L"Usuwa pliki tymczasowe..."},
        {"tvisx.exeu", kStaleTvisxExeu, L"Kasuje pliki tymczasowe..."},
        {"tvislv.exeu", kStaleTvislvExeu, L"Kasuje pliki tymczasowe..."},
        {"qelmape.dllu", kStaleQelmapeDllu, L"Kasuje pliki tymczasowe..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteTestFile(work + c.name, "stale"));
        // Another handle holds it open with read sharing only: it cannot be deleted,
        // but it can still be opened for reading.
        HANDLE holder = CreateFileA((work + c.name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, holder);
        EXPECT_EQ(c.code, Unpack(payload->installer));
        EXPECT_EQ(c.status, Status());
        CloseHandle(holder);
        DeleteFileA((work + c.name).c_str());
    }
}

TEST_F(Extraction, FilesThatCannotBeWrittenOrDecompressed) {
    // A folder of the same name can neither be deleted as a file nor opened for reading,
    // so it counts as removed, and then nothing can be written in its place.
    struct Case {
        const char* name;
        int32_t code;
        const wchar_t* status;
    } const cases[] = {
        {"QELMAPE.WCP", kQelmapeWcpWrongLength, L"Zapisuje qelmape.wcp..."},
        {"TVISLV.WCP", kTvislvWcpWrongLength, L"Zapisuje tvislv.wcp..."},
        {"TVISX.WCP", kTvisxWcpWrongLength, L"Zapisuje tvisx.wcp..."},
        {"tvisx.exeu", kTvisxExeuMissing, L"Sprawdza dekompresowane pliki..."},
        {"tvislv.exeu", kTvislvExeuMissing, L"Sprawdza dekompresowane pliki..."},
        {"qelmape.dllu", kQelmapeDlluMissing, L"Sprawdza dekompresowane pliki..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA((work + c.name).c_str());  // left by the previous case's run
        ASSERT_TRUE(CreateDirectoryA((work + c.name).c_str(), nullptr));
        EXPECT_EQ(c.code, Unpack(payload->installer));
        EXPECT_EQ(c.status, Status());
        RemoveDirectoryA((work + c.name).c_str());
    }
}

TEST_F(Extraction, AllOutputsMissingReportsTvisxFirst) {
    for (const char* name : kDecompressed)
        ASSERT_TRUE(CreateDirectoryA((work + name).c_str(), nullptr));
    EXPECT_EQ(kTvisxExeuMissing, Unpack(payload->installer));
}

TEST_F(Extraction, DamagedRegionsAreNotInstalledLater) {
    // The trailer's lengths are intact, so only the decompression can tell.
    Bytes truncated = payload->compressed[1];
    truncated.resize(truncated.size() / 2);
    Bytes overlong = payload->compressed[2];
    overlong[10] = static_cast<uint8_t>(overlong[10] - 1);  // header says one byte less
    Bytes notSzdd = payload->plain[0];
    Bytes modeB = payload->compressed[0];
    modeB[8] = 'B';
    struct Case {
        const char* what;
        int region;
        const Bytes* bytes;
        int32_t code;
        const char* deleted;
    } const cases[] = {
        {"stream ends early", 1, &truncated, kTvislvExeuMissing, "tvislv.exeu"},
        {"stream yields more than the header", 2, &overlong, kTvisxExeuMissing, "tvisx.exeu"},
        {"no SZDD magic", 0, &notSzdd, kQelmapeDlluMissing, "qelmape.dllu"},
        {"mode B", 0, &modeB, kQelmapeDlluMissing, "qelmape.dllu"},
        {"empty region", 1, nullptr, kTvislvExeuMissing, "tvislv.exeu"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes regions[3] = {payload->compressed[0], payload->compressed[1], payload->compressed[2]};
        regions[c.region] = c.bytes ? *c.bytes : Bytes();
        EXPECT_EQ(c.code, Unpack(MakeInstallerImage(regions)));
        EXPECT_FALSE(Exists(c.deleted));
        // The compressed region itself was written as carried.
        EXPECT_TRUE(ToString(regions[c.region]) == ReadTestFile(work + kCompressed[c.region]));
    }
}

TEST_F(Extraction, CompressedFileLostBeforeItsDecompressionLeavesNoOutput) {
    // Between its writing and its decompression another program may delete a compressed
    // file, hold it open without sharing, or leave something unreadable in its place.
    // LZOpenFile still creates the output, empty; the check after decompression must
    // report it instead of the procedure finding an empty copy much later.
    enum Loss { kHeldOpen, kDeleted, kFolderInItsPlace };
    const char* const lossNames[] = {"held open", "deleted", "a folder in its place"};
    std::string installer = place.File("setup.exe");
    ASSERT_TRUE(WriteTestFile(installer, ToString(payload->installer)));
    ASSERT_TRUE(SystemLzAvailable());
    // LZ32 decompresses in the short folder, our own decoder in the long one.
    const std::string folders[] = {work, FolderOfLength(150)};
    for (const std::string& folder : folders) {
        for (Loss loss : {kHeldOpen, kDeleted, kFolderInItsPlace}) {
            for (int i = 0; i < kPayloadFileCount; ++i) {
                const CarriedFile& file = kCarriedFiles[i];
                SCOPED_TRACE(std::string(file.compressedName) + " " + lossNames[loss] + ", " +
                             std::to_string(folder.size()) + "-character folder");
                const std::string compressed = folder + file.compressedName;
                HANDLE holder = INVALID_HANDLE_VALUE;
                onStatus = [&](const char* text) {
                    if (std::strcmp(text, file.expandStatus) != 0) return;
                    if (loss == kHeldOpen) {
                        holder = CreateFileA(compressed.c_str(), GENERIC_READ, 0, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
                        EXPECT_NE(INVALID_HANDLE_VALUE, holder);
                        return;
                    }
                    EXPECT_TRUE(DeleteFileA(compressed.c_str()));
                    if (loss == kFolderInItsPlace) {
                        EXPECT_TRUE(CreateDirectoryA(compressed.c_str(), nullptr));
                    }
                };
                statuses.clear();
                int32_t code = UnpackPayloadFrom(installer.c_str(), folder.c_str(), RecordStatus);
                onStatus = nullptr;
                if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
                RemoveDirectoryA(compressed.c_str());

                EXPECT_EQ(file.missingCode, code);
                EXPECT_EQ(L"Sprawdza dekompresowane pliki...", Status());
                EXPECT_FALSE(TestFileExists(folder + file.workName));
                for (int j = 0; j < kPayloadFileCount; ++j) {
                    if (j == i) continue;
                    EXPECT_TRUE(ToString(payload->plain[j]) ==
                                ReadTestFile(folder + kDecompressed[j]))
                        << kDecompressed[j];
                }
            }
        }
    }
}

TEST_F(Extraction, DecompressionTracesEachFile) {
    std::string installer = place.File("setup.exe");
    ASSERT_TRUE(WriteTestFile(installer, ToString(payload->installer)));
    StdoutCapture capture(place.File("trace.txt"));
    ASSERT_EQ(kPayloadOk, UnpackPayloadFrom(installer.c_str(), work.c_str()));
    EXPECT_EQ(DecompressionTrace(work), capture.Finish());

    // An input that cannot be opened: no LZCopy, -1 for the input, and no output left.
    StdoutCapture missing(place.File("trace2.txt"));
    DekompresujPlik(work.c_str(), "NONE.WCP", "none.out");
    EXPECT_EQ("\r\nDekompresujPlik: " + work + ", NONE.WCP, none.out\r\n" +
                  "FILE IN:  -1\r\nFILE OUT: -1\r\nLZCopy end\r\n\r\n",
              missing.Finish());
    EXPECT_FALSE(Exists("none.out"));
}

TEST_F(Extraction, LongWorkFoldersGiveTheSameFilesTracesAndStatuses) {
    // LZOpenFile takes paths of up to 127 characters. The work folder's length counts its
    // final backslash: at 115 every path of the run fits, at 116 all but qelmape.dllu, at
    // 117 only tVisX's two and TVISLV.WCP, at 118 only TVISX.WCP, from 119 on none; a
    // profile's templates folder can be that long.
    ASSERT_TRUE(SystemLzAvailable());
    std::string installer = place.File("setup.exe");
    ASSERT_TRUE(WriteTestFile(installer, ToString(payload->installer)));
    for (size_t length : {115, 116, 117, 118, 119, 120, 127, 128, 150, 175, 200}) {
        SCOPED_TRACE(length);
        std::string folder = FolderOfLength(length);
        ASSERT_EQ(length, folder.size());
        statuses.clear();
        StdoutCapture capture(place.File("trace" + std::to_string(length) + ".txt"));
        int32_t code = UnpackPayloadFrom(installer.c_str(), folder.c_str(), RecordStatus);
        std::string trace = capture.Finish();
        EXPECT_EQ(kPayloadOk, code);
        EXPECT_EQ(kSoundStages, statuses);
        EXPECT_EQ(DecompressionTrace(folder), trace);
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(ToString(payload->compressed[i]) == ReadTestFile(folder + kCompressed[i]))
                << kCompressed[i];
            EXPECT_TRUE(ToString(payload->plain[i]) == ReadTestFile(folder + kDecompressed[i]))
                << kDecompressed[i];
        }
    }
}

TEST_F(Extraction, InstallerBuiltByTvispackFromTheRealStub) {
    // The release engineer's path: tvispack.exe appends the product files to
    // tvisupgrade.exe, and the extraction reads them back exactly.
    const char* const products[3] = {"qelMapE.dll", "tVisLV.exe", "tVisX.exe"};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(WriteTestFile(place.File(products[i]), ToString(payload->plain[i])));
    }
    std::string installer = place.File("tvis-upgrade.exe");
    std::string command = "\"" + BesideThisProgram("tvispack.exe") + "\" build --stub \"" +
                          BesideThisProgram("tvisupgrade.exe") + "\" --qelmape \"" +
                          place.File(products[0]) + "\" --tvislv \"" + place.File(products[1]) +
                          "\" --tvisx \"" + place.File(products[2]) + "\" -o \"" + installer +
                          "\"" +
                          // The win64 build's stub is the 64-bit one, taken only when asked.
                          (sizeof(void*) == 8 ? " --allow-64-bit-stub" : "");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_EQ(0u, code);

    ASSERT_EQ(kPayloadOk, UnpackPayloadFrom(installer.c_str(), work.c_str()));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(ToString(payload->plain[i]) == ReadTestFile(work + kDecompressed[i])) << i;
    }
    // The installer begins with the stub, byte for byte.
    std::string stub = ReadTestFile(BesideThisProgram("tvisupgrade.exe"));
    EXPECT_EQ(stub, ReadTestFile(installer).substr(0, stub.size()));
}

TEST_F(Extraction, ShellTemplatesFolderIsTheWorkFolder) {
    const char* folder = GetWorkFolder(nullptr);
    size_t length = std::strlen(folder);
    ASSERT_GT(length, 3u);
    EXPECT_EQ('\\', folder[length - 1]);
    EXPECT_NE(kNoFileLength + 0u, GetFileAttributesA(folder) + 0u);
    EXPECT_TRUE(GetFileAttributesA(folder) & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// The demo product under Wine: copies of its three files in a temporary folder, their
// records written by the real make_product_file.exe --into with Polish letters. Each
// program shows one top-level window of its class with its own and the library's
// version, ends with exit code 0 on the installer's close request or WM_CLOSE, ignores the
// same message with other parameters, and does not start without qelMapE.dll beside it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "demo/product/demo_programs.h"
#include "demo/product/record_slot.h"
#include "demo/product/version_panel.h"
#include "tests/e2e/fake_product.h"
#include "tests/support/captured_run.h"
#include "tests/support/temp_folder.h"
#include "tests/support/window_driver.h"
#include "version/version_record.h"

// Test names end in the program's file name.
static void PrintTo(const DemoProgram& program, std::ostream* out) {
    *out << kCarriedFiles[program.file].productName;
}

namespace {

constexpr DWORD kWaitMs = 10000;

// A record as make_product_file takes it (UTF-8, as this source is), as the file then holds
// it (code page 1250), and as the window shows it (UTF-16).
struct StampedRecord {
    const char* versionUtf8;
    const char* editionUtf8;
    const char* build;
    const char* date;
    const char* time;
    const char* versionCp1250;
    const char* editionCp1250;
    const wchar_t* version;
    const wchar_t* edition;
    const wchar_t* groupedBuild;
    const wchar_t* productionTime;
};

// One record a file, so that a row showing the wrong file's record shows.
const StampedRecord kStamps[kPayloadFileCount] = {
    // qelMapE.dll
    {"5.3 Łódź", "ZRP ąę", "1250", "261210", "14:30:05.50", "5.3 \xA3\xF3\x64\x9F", "ZRP \xB9\xEA",
     L"5.3 Łódź", L"ZRP ąę", L"1.250", L"2026.12.10  godz. 14:30.05,50"},
    // tVisLV.exe
    {"5.3.1 Żółw", "R2A", "1234567", "261211", "8:05:07.09", "5.3.1 \xAF\xF3\xB3w", "R2A",
     L"5.3.1 Żółw", L"R2A", L"1.234.567", L"2026.12.11  godz. 08:05.07,09"},
    // tVisX.exe
    {"5.3.2 Ćma", "ZRP Śląsk", "987654", "270101", "23:59:59.99", "5.3.2 \xC6ma", "ZRP \x8Cl\xB9sk",
     L"5.3.2 Ćma", L"ZRP Śląsk", L"987.654", L"2027.01.01  godz. 23:59.59,99"},
};

std::wstring Widen(const std::string& text, UINT codePage) {
    wchar_t wide[1024];
    int units =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide, 1024);
    return std::wstring(wide, static_cast<size_t>(units > 0 ? units : 0));
}

// The demo product's files as built: bin\demo\ beside this test.
std::string BuiltFile(CarriedFileIndex file) {
    return BesideThisProgram("demo\\") + kCarriedFiles[file].productName;
}

struct ProcessWindows {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM param) {
    ProcessWindows* search = reinterpret_cast<ProcessWindows*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->processId && IsWindowVisible(window)) search->found.push_back(window);
    return TRUE;
}

// The visible top-level windows of a process, whatever their class.
std::vector<HWND> WindowsOf(DWORD processId) {
    ProcessWindows search = {processId, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring Field(HWND window, VersionRow row, VersionField field) {
    return ControlText(window, VersionControlId(row, field));
}

// The demo product copied into a temporary folder, where the tests write its records.
class DemoProduct : public ::testing::Test {
protected:
    // Copies the built files into the folder: all three, or the programs only.
    void Copy(bool withLibrary = true) {
        for (int i = 0; i < kPayloadFileCount; ++i) {
            CarriedFileIndex file = static_cast<CarriedFileIndex>(i);
            if (file == kQelMapE && !withLibrary) continue;
            ASSERT_TRUE(CopyFileA(BuiltFile(file).c_str(), Path(file).c_str(), FALSE))
                << BuiltFile(file);
        }
    }

    // Writes the file's record of kStamps with make_product_file.exe --into.
    DWORD Stamp(CarriedFileIndex file) {
        const StampedRecord& s = kStamps[file];
        std::wstring line = L"\"" + Widen(BesideThisProgram("make_product_file.exe"), CP_ACP) +
                            L"\" --into \"" + Widen(Path(file), CP_ACP) + L"\" --version \"" +
                            Widen(s.versionUtf8, CP_UTF8) + L"\" --edition \"" +
                            Widen(s.editionUtf8, CP_UTF8) + L"\" --build " +
                            Widen(s.build, CP_UTF8) + L" --date " + Widen(s.date, CP_UTF8) +
                            L" --time " + Widen(s.time, CP_UTF8);
        return RunWithOutput(line, folder.File("stamp.txt"));
    }

    void StampAll() {
        for (int i = 0; i < kPayloadFileCount; ++i) {
            ASSERT_EQ(0u, Stamp(static_cast<CarriedFileIndex>(i)))
                << kCarriedFiles[i].productName << ": " << ReadTestFile(folder.File("stamp.txt"));
        }
    }

    std::string Path(CarriedFileIndex file) const {
        return folder.File(kCarriedFiles[file].productName);
    }

    TempFolder folder;
};

// --- The files ---------------------------------------------------------------------------

std::vector<uint8_t> Bytes(const std::string& path) {
    std::string content = ReadTestFile(path);
    return std::vector<uint8_t>(content.begin(), content.end());
}

uint32_t Find(const std::vector<uint8_t>& file) {
    return FindVersionRecord(file.data(), static_cast<uint32_t>(file.size()));
}

std::vector<size_t> SlotsIn(const std::vector<uint8_t>& file) {
    std::vector<size_t> slots;
    for (size_t at = 0; at + kRecordSpan <= file.size(); ++at) {
        if (std::memcmp(&file[at], kRecordSlotPlaceholder, kRecordSpan) == 0) slots.push_back(at);
    }
    return slots;
}

// As built, each file holds one slot and no record (the marker among the reader's code is
// none: its check byte is missing). Stamped, the record lies in the slot, is the one the
// installer's reader finds, and holds the texts in code page 1250; nothing else changed.
TEST_F(DemoProduct, RecordsAreWrittenIntoTheSlotsAndFoundThere) {
    Copy();
    for (int i = 0; i < kPayloadFileCount; ++i) {
        CarriedFileIndex file = static_cast<CarriedFileIndex>(i);
        const char* name = kCarriedFiles[i].productName;
        std::vector<uint8_t> built = Bytes(Path(file));
        std::vector<size_t> slots = SlotsIn(built);
        ASSERT_EQ(1u, slots.size()) << name;
        EXPECT_EQ(0u, Find(built)) << name;

        ASSERT_EQ(0u, Stamp(file)) << name << ": " << ReadTestFile(folder.File("stamp.txt"));
        std::vector<uint8_t> stamped = Bytes(Path(file));
        ASSERT_EQ(built.size(), stamped.size()) << name;
        ASSERT_EQ(slots[0], Find(stamped)) << name;
        for (size_t at = 0; at < built.size(); ++at) {
            if (at >= slots[0] && at < slots[0] + kRecordSpan) continue;
            ASSERT_EQ(built[at], stamped[at]) << name << " byte " << at;
        }
        VersionRecord record;
        DecodeVersionRecord(stamped.data(), static_cast<uint32_t>(slots[0]), true, &record);
        EXPECT_STREQ(kStamps[i].versionCp1250, record.versionText) << name;
        EXPECT_STREQ(kStamps[i].editionCp1250, record.editionText) << name;
        EXPECT_EQ(std::atoi(kStamps[i].build), record.build) << name;
        EXPECT_EQ(Widen(FormatProductionTime(record), 1250), kStamps[i].productionTime) << name;

        // Its slot is gone: a second record is refused and the file stays as it is.
        EXPECT_EQ(1u, Stamp(file)) << name;
        EXPECT_TRUE(Bytes(Path(file)) == stamped) << name;
    }
}

// --- The programs ------------------------------------------------------------------------

class DemoProgramTest : public DemoProduct, public ::testing::WithParamInterface<DemoProgram> {
protected:
    const DemoProgram& program() const { return GetParam(); }
    std::string ProgramPath() const { return Path(program().file); }

    // The program's one window, once shown; null when it showed none within kWaitMs.
    HWND WaitForWindow(const RunningProgram& running) {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < kWaitMs) {
            std::vector<HWND> windows = WindowsOf(running.id());
            if (!windows.empty()) return windows.front();
            Sleep(20);
        }
        return nullptr;
    }
};

TEST_P(DemoProgramTest, ShowsOneWindowOfItsClassWithBothVersions) {
    Copy();
    StampAll();
    RunningProgram running(ProgramPath(), folder.path());
    ASSERT_TRUE(running.started());
    HWND window = WaitForWindow(running);
    ASSERT_NE(nullptr, window);

    EXPECT_EQ(1u, WindowsOf(running.id()).size());
    EXPECT_EQ(program().className, ClassOf(window));
    EXPECT_EQ(program().title, WindowText(window));
    std::vector<HWND> ofClass = TopLevelWindows(program().className);
    EXPECT_EQ(1u, ofClass.size());

    struct Row {
        VersionRow row;
        CarriedFileIndex file;
    };
    for (Row r : {Row{kProgramRow, program().file}, Row{kLibraryRow, kQelMapE}}) {
        const StampedRecord& s = kStamps[r.file];
        const char* name = kCarriedFiles[r.file].productName;
        EXPECT_EQ(Widen(name, CP_ACP), Field(window, r.row, kNameField));
        EXPECT_EQ(s.version, Field(window, r.row, kVersionField)) << name;
        EXPECT_EQ(s.edition, Field(window, r.row, kEditionField)) << name;
        EXPECT_EQ(s.groupedBuild, Field(window, r.row, kBuildField)) << name;
        EXPECT_EQ(s.productionTime, Field(window, r.row, kTimeField)) << name;
    }

    PostCloseRequest(window);
    EXPECT_EQ(0u, running.WaitForExit(kWaitMs));
}

TEST_P(DemoProgramTest, IgnoresTheCloseMessageWithOtherParametersAndEndsOnWmClose) {
    Copy();
    RunningProgram running(ProgramPath(), folder.path());
    HWND window = WaitForWindow(running);
    ASSERT_NE(nullptr, window);

    struct Bad {
        WPARAM wParam;
        LPARAM lParam;
    };
    const Bad bad[] = {
        {kCloseRequestWParam + 1, static_cast<LPARAM>(kCloseRequestLParam)},
        {kCloseRequestWParam, static_cast<LPARAM>(kCloseRequestLParam - 1)},
        {static_cast<WPARAM>(kCloseRequestLParam), static_cast<LPARAM>(kCloseRequestWParam)},
        {0, 0},
    };
    for (const Bad& b : bad) PostCloseRequest(window, b.wParam, b.lParam);
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), running.WaitForExit(500));
    EXPECT_TRUE(IsWindowVisible(window));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, running.WaitForExit(kWaitMs));
}

// Unstamped, each row says it has no record instead of showing the placeholder.
TEST_P(DemoProgramTest, WithoutRecordsShowsThatThereAreNone) {
    Copy();
    RunningProgram running(ProgramPath(), folder.path());
    HWND window = WaitForWindow(running);
    ASSERT_NE(nullptr, window);
    for (VersionRow row : {kProgramRow, kLibraryRow}) {
        EXPECT_EQ(L"brak rekordu wersji", Field(window, row, kVersionField)) << row;
        for (VersionField field : {kEditionField, kBuildField, kTimeField})
            EXPECT_EQ(L"", Field(window, row, field)) << row << " " << field;
    }
    PostCloseRequest(window);
    EXPECT_EQ(0u, running.WaitForExit(kWaitMs));
}

// qelMapE.dll is an import: without it beside the program, the loader stops it before its
// code runs.
TEST_P(DemoProgramTest, DoesNotStartWithoutTheLibrary) {
    Copy(false);
    ASSERT_EQ(0u, Stamp(program().file)) << ReadTestFile(folder.File("stamp.txt"));
    RunningProgram running(ProgramPath(), folder.path());
    DWORD code = running.WaitForExit(kWaitMs);
    EXPECT_EQ(static_cast<DWORD>(STATUS_DLL_NOT_FOUND), code);
    EXPECT_TRUE(WindowsOf(running.id()).empty());
    EXPECT_TRUE(TopLevelWindows(program().className).empty());
}

INSTANTIATE_TEST_SUITE_P(Programs, DemoProgramTest, ::testing::Values(kDemoLogView, kDemoOnLine));

}  // namespace

// No DLL is taken from the installer's own folder. ctest runs these tests with
// WINEDLLOVERRIDES=comctl32,lz32,uxtheme=n,b set for the whole process tree: Wine then
// prefers a native DLL of those names wherever the search by name finds one, as Windows
// does for any DLL that is not a KnownDLL, so a copy planted beside a program is what a
// plain load or an import gets. A "downloads" folder holds such planted copies (each
// leaves a marker file naming itself when loaded) and the programs under test, started
// from there as from Explorer:
//   comctl32.dll  the installer once imported it;
//   lz32.dll      the installer loads it for the decompression;
//   uxtheme.dll   Wine's user32 and comctl32 load it by name while the program runs, so
//                 only the narrowed search keeps a planted copy out (a stand-in without
//                 any of its functions: they then draw without themes).
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "resources/dialog_ids.h"
#include "tests/support/installer_image.h"
#include "tests/support/prepared_upgrade.h"
#include "tests/support/temp_folder.h"
#include "tests/support/window_driver.h"

namespace {

constexpr const char* kOverrides = "comctl32,lz32,uxtheme=n,b";
constexpr DWORD kWaitMs = 90000;

std::string Overrides() {
    char value[256] = {};
    DWORD length = GetEnvironmentVariableA("WINEDLLOVERRIDES", value, sizeof value);
    return length < sizeof value ? value : "";
}

std::string Lower(std::string text) {
    CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

class PlantedBeside : public ::testing::Test {
protected:
    void SetUp() override {
        if (Overrides() != kOverrides) GTEST_SKIP() << "runs with WINEDLLOVERRIDES=" << kOverrides;
        ForgetUpgradeRuns();
        downloads = place.File("downloads\\");
        ASSERT_TRUE(CreateDirectoryA(downloads.c_str(), nullptr));
        const char* const copies[][2] = {{"planted_comctl32.dll", "comctl32.dll"},
                                         {"planted_lz32.dll", "lz32.dll"},
                                         {"planted_comctl32.dll", "uxtheme.dll"},
                                         {"load_probe.exe", "load_probe.exe"},
                                         {"comctl32_importer.exe", "comctl32_importer.exe"}};
        for (const auto& copy : copies) {
            ASSERT_TRUE(
                CopyFileA(BesideThisProgram(copy[0]).c_str(), (downloads + copy[1]).c_str(), FALSE))
                << copy[0];
        }
        marker = place.File("planted-was-loaded");
        SetEnvironmentVariableA("TVIS_TEST_PLANT_MARKER", marker.c_str());
        std::string stubText = ReadTestFile(BesideThisProgram("tvisupgrade.exe"));
        stub.assign(stubText.begin(), stubText.end());
        ASSERT_GT(stub.size(), 10000u);
    }
    void TearDown() override { ForgetUpgradeRuns(); }

    // The file names of the planted DLLs that got into the processes, in the order they
    // were loaded, each followed by a space ("comctl32.dll uxtheme.dll "); "" for none.
    std::string PlantedLoaded() const {
        if (!TestFileExists(marker)) return "";
        std::string lines = Lower(ReadTestFile(marker));
        const std::string folder = Lower(downloads);
        std::string names;
        for (size_t start = 0, end; start < lines.size(); start = end + 2) {
            end = lines.find("\r\n", start);
            if (end == std::string::npos) end = lines.size();
            std::string path = lines.substr(start, end - start);
            bool beside = path.compare(0, folder.size(), folder) == 0;
            names += (beside ? path.substr(folder.size()) : "<elsewhere: " + path + ">") + " ";
        }
        return names;
    }

    // Runs a program of the downloads folder there; its exit code, 1000 when it could not
    // be started, STILL_ACTIVE when it did not end in time.
    DWORD RunThere(const std::string& program, const std::string& arguments) {
        RunningProgram run(downloads + program, downloads, arguments);
        return run.started() ? run.WaitForExit(kWaitMs) : 1000;
    }

    TempFolder place;
    std::string downloads;
    std::string marker;
    Bytes stub;
};

// The trap first: each way of loading a DLL by name gets the planted copy, while a load
// from the system folder, or after the search was narrowed to it, gets the system's.
struct LoadCase {
    const char* name;
    const char* program;
    const char* arguments;
    const char* planted;  // the planted DLLs that get in, as PlantedLoaded() gives them
};

const LoadCase kLoadCases[] = {
    // An import is resolved before the program's first instruction.
    {"ImportOfComctl32", "comctl32_importer.exe", "", "comctl32.dll "},
    {"PlainLoadOfComctl32", "load_probe.exe", "comctl32.dll", "comctl32.dll "},
    {"PlainLoadOfLz32", "load_probe.exe", "lz32.dll", "lz32.dll "},
    {"PlainLoadOfUxtheme", "load_probe.exe", "uxtheme.dll", "uxtheme.dll "},
    // A built-in system DLL's own import of comctl32 searches the program's folder too.
    {"PlainLoadOfComdlg32", "load_probe.exe", "comdlg32.dll", "comctl32.dll "},
    {"RestrictedLoadOfComctl32", "load_probe.exe", "--restricted comctl32.dll", ""},
    {"RestrictedLoadOfComdlg32", "load_probe.exe", "--restricted comdlg32.dll", ""},
    {"RestrictedLoadOfUxtheme", "load_probe.exe", "--restricted uxtheme.dll", ""},
    {"SystemLoadOfLz32", "load_probe.exe", "--system lz32.dll", ""},
    // comctl32 from the system folder is not enough: it loads uxtheme by name.
    {"SystemLoadOfComctl32", "load_probe.exe", "--system comctl32.dll", "uxtheme.dll "},
    {"RestrictedSystemLoadOfComctl32", "load_probe.exe", "--restricted --system comctl32.dll", ""},
};

void PrintTo(const LoadCase& load, std::ostream* out) { *out << load.name; }

class PlantedLoad : public PlantedBeside, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(PlantedLoad, TakesThePlantedCopyOnlyThroughTheProgramsFolder) {
    const LoadCase& load = GetParam();
    EXPECT_EQ(0u, RunThere(load.program, load.arguments)) << "the DLL was not loaded at all";
    EXPECT_EQ(load.planted, PlantedLoaded());
}

INSTANTIATE_TEST_SUITE_P(Ways, PlantedLoad, ::testing::ValuesIn(kLoadCases),
                         [](const ::testing::TestParamInfo<LoadCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(PlantedBeside, StubReportsCodeThreeWithoutLoadingThem) {
    ASSERT_TRUE(WriteTestFile(downloads + "tvisupgrade.exe", ToString(stub)));
    RunningProgram program(downloads + "tvisupgrade.exe", downloads);
    ASSERT_TRUE(program.started());

    HWND box = WaitForDialog(program.id(), L"tVis", 0xFFFF, kWaitMs);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"Nie można uaktualnić oprogramowania. Kod przyczyny: 0000.0003",
              ControlText(box, 0xFFFF));
    Press(box, IDOK);
    EXPECT_EQ(1u, program.WaitForExit(kWaitMs));
    EXPECT_EQ("", PlantedLoaded());
}

TEST_F(PlantedBeside, UpgradeGetsReadyWithoutLoadingThem) {
    std::string installed = place.File("tVis\\");
    ASSERT_TRUE(InstallOldProduct(installed));
    std::string installer = downloads + "setup.exe";
    ASSERT_TRUE(WriteTestFile(installer, ToString(MakeUpgradeInstaller(stub))));

    RunningProgram program(installer, downloads);
    ASSERT_TRUE(program.started());
    HWND dialog = WaitForDialog(program.id(), nullptr, kStageLineId, kWaitMs);
    ASSERT_NE(nullptr, dialog);
    // Ready means the carried files were unpacked and decompressed (through lz32.dll).
    ASSERT_TRUE(WaitForControlText(dialog, kStageLineId,
                                   L"Uaktualnienie gotowe, wciśnij 'UAKTUALNIJ'.", kWaitMs));
    EXPECT_EQ(L"5.2 R", ControlText(dialog, kInstalledVersionId));
    EXPECT_EQ(L"1.187", ControlText(dialog, kInstalledBuildId));
    EXPECT_EQ(L"1.250", ControlText(dialog, kUpgradeBuildId));
    EXPECT_EQ(L"2026.12.10  godz. 14:30.05,50", ControlText(dialog, kUpgradeDateId));

    Press(dialog, IDCANCEL);
    HWND question = WaitForDialog(program.id(), L"tVis upgrade", 0xFFFF, kWaitMs);
    ASSERT_NE(nullptr, question);
    Press(question, IDYES);
    EXPECT_EQ(1u, program.WaitForExit(kWaitMs));
    EXPECT_EQ("", PlantedLoaded());
}

}  // namespace

// The real installer program under Wine, driven from outside as a person would drive it:
// its message boxes and its dialog are found, read as UTF-16 and answered.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/discovery.h"
#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "support/diagnostics.h"
#include "tests/support/installer_image.h"
#include "tests/support/product_file.h"
#include "tests/support/temp_folder.h"
#include "tests/support/window_driver.h"

namespace {

constexpr DWORD kWaitMs = 90000;

Bytes ReadBytes(const std::string& path) {
    std::string text = ReadTestFile(path);
    return Bytes(text.begin(), text.end());
}

class InstallerRun : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, kProductKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
        stub = ReadBytes(BesideThisProgram("tvisupgrade.exe"));
        ASSERT_GT(stub.size(), 10000u);
    }
    void TearDown() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, kProductKey);
        // The installer leaves its six files in the user's templates folder.
        const char* work = GetWorkFolder(nullptr);
        for (const char* name : {"QELMAPE.WCP", "TVISLV.WCP", "TVISX.WCP", "qelmape.dllu",
                                 "tvislv.exeu", "tvisx.exeu"}) {
            DeleteFileA((std::string(work) + name).c_str());
        }
    }

    TempFolder place;
    Bytes stub;
};

TEST_F(InstallerRun, StubWithoutPayloadReportsCodeThreeAndEnds) {
    std::string installer = place.File("tvisupgrade.exe");
    ASSERT_TRUE(WriteTestFile(installer, ToString(stub)));
    RunningProgram program(installer, place.path());
    ASSERT_TRUE(program.started());

    HWND box = WaitForDialog(program.id(), L"tVis", 0xFFFF, kWaitMs);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"Nie można uaktualnić oprogramowania. Kod przyczyny: 0000.0003",
              ControlText(box, 0xFFFF));
    Press(box, IDOK);
    EXPECT_EQ(1u, program.WaitForExit(kWaitMs));
    // The log was emptied at start and nothing was read.
    EXPECT_EQ("", ReadTestFile(kLogFilePath));
}

TEST_F(InstallerRun, PreparationShowsBothVersionsAndCancelAsks) {
    // The installed product, found through the per-user registry value.
    std::string installed = place.File("tVis\\");
    ASSERT_TRUE(CreateDirectoryA(installed.c_str(), nullptr));
    RecordFields old;
    old.versionText = "5.2 R";
    old.build = 1187;
    old.dateChars = "250611";
    for (const char* name : {"qelMapE.dll", "tVisLV.exe", "tVisX.exe"}) {
        ASSERT_TRUE(WriteTestFile(installed + name, ToString(MakeProductFile(150000, 3000, old))));
    }
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0,
                                             KEY_WRITE, nullptr, &key, nullptr));
    RegSetValueExA(key, "path", 0, REG_SZ, reinterpret_cast<const BYTE*>(installed.c_str()),
                   static_cast<DWORD>(installed.size() + 1));
    RegCloseKey(key);

    // The upgrade carries build 1250 of 2026-12-10.
    RecordFields fresh;
    fresh.build = 1250;
    fresh.dateChars = "261210";
    fresh.hour = 14;
    fresh.minute = 30;
    fresh.second = 5;
    fresh.hundredths = 50;
    Bytes regions[3];
    for (int i = 0; i < 3; ++i) regions[i] = Compress(MakeProductFile(180000, 2000, fresh), 'e');
    std::string installer = place.File("setup.exe");
    ASSERT_TRUE(WriteTestFile(installer, ToString(MakeInstallerImage(stub, regions))));

    RunningProgram program(installer, place.path());
    ASSERT_TRUE(program.started());
    HWND dialog = WaitForDialog(program.id(), nullptr, kStageLineId, kWaitMs);
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(WaitForControlText(dialog, kStageLineId,
                                   L"Uaktualnienie gotowe, wciśnij 'UAKTUALNIJ'.", kWaitMs));
    EXPECT_EQ(L"Inicjalizacja zakończona", ControlText(dialog, kStatusLineId));
    EXPECT_EQ(L"Uaktualnienie tVis (ZRP)", WindowText(dialog));
    EXPECT_EQ(L"5.2 R", ControlText(dialog, kInstalledVersionId));
    EXPECT_EQ(L"1.187", ControlText(dialog, kInstalledBuildId));
    EXPECT_EQ(L"2025.06.11  godz. 09:05.07,42", ControlText(dialog, kInstalledDateId));
    EXPECT_EQ(L"1.250", ControlText(dialog, kUpgradeBuildId));
    EXPECT_EQ(L"2026.12.10  godz. 14:30.05,50", ControlText(dialog, kUpgradeDateId));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)));

    // Cancel asks first; "no" leaves the dialog as it was.
    Press(dialog, IDCANCEL);
    HWND question = WaitForDialog(program.id(), L"tVis upgrade", 0xFFFF, kWaitMs);
    ASSERT_NE(nullptr, question);
    EXPECT_EQ(L"Przerwać uaktualnienie?", ControlText(question, 0xFFFF));
    EXPECT_EQ(dialog, GetWindow(question, GW_OWNER));
    Press(question, IDNO);
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), program.WaitForExit(500));
    EXPECT_TRUE(IsWindow(dialog));

    Press(dialog, IDCANCEL);
    question = WaitForDialog(program.id(), L"tVis upgrade", 0xFFFF, kWaitMs);
    ASSERT_NE(nullptr, question);
    Press(question, IDYES);
    EXPECT_EQ(1u, program.WaitForExit(kWaitMs));

    EXPECT_EQ("#3 read: " + installed +
                  "qelMapE.dll\r\n"
                  "on HD version: 5.2 R\r\n"
                  "on HD serial : 1187\r\n"
                  "#2 read: qelMapE.dllu\r\n"
                  "on CD serial : 1250\r\n"
                  "on CD version: 2026.12.10  godz. 14:30.05,50\r\n",
              ReadTestFile(kLogFilePath));
}

}  // namespace

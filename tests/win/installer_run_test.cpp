// The real installer program under Wine, driven from outside as a person would drive it:
// its message boxes and its dialog are found, read as UTF-16 and answered.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/discovery.h"
#include "payload/trailer.h"
#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "support/diagnostics.h"
#include "tests/support/installer_image.h"
#include "tests/support/prepared_upgrade.h"
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
        ForgetUpgradeRuns();
        stub = ReadBytes(BesideThisProgram("tvisupgrade.exe"));
        ASSERT_GT(stub.size(), 10000u);
    }
    // The installer leaves its six files in the user's templates folder.
    void TearDown() override { ForgetUpgradeRuns(); }

    TempFolder place;
    Bytes stub;
};

// Installers the preparation refuses: the box with the reason code, exit code 1, nothing
// read, and the work folder as the last run left it.
TEST_F(InstallerRun, RefusedInstallerReportsItsCodeAndEnds) {
    Bytes damaged = MakeUpgradeInstaller(stub);
    AddIntegrityBlock(damaged);
    const PayloadTrailer trailer = DecodeTrailer(damaged.data() + damaged.size() - kTrailerSize);
    damaged[trailer.payloadStart + trailer.firstSize + 3000] ^= 0x01;  // inside TVISLV.WCP
    struct Case {
        const char* what;
        Bytes installer;
        const wchar_t* text;
    } const cases[] = {
        {"the stub without payload", stub,
         L"Nie można uaktualnić oprogramowania. Kod przyczyny: 0000.0003"},
        {"one bit flipped in a compressed file", damaged,
         L"Nie można uaktualnić oprogramowania. Kod przyczyny: 0000.0007"},
    };
    const std::string work = GetWorkFolder(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteTestFile(work + "TVISLV.WCP", "last run"));
        std::string installer = place.File("tvisupgrade.exe");
        ASSERT_TRUE(WriteTestFile(installer, ToString(c.installer)));
        RunningProgram program(installer, place.path());
        ASSERT_TRUE(program.started());

        HWND box = WaitForDialog(program.id(), L"tVis", 0xFFFF, kWaitMs);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(c.text, ControlText(box, 0xFFFF));
        Press(box, IDOK);
        EXPECT_EQ(1u, program.WaitForExit(kWaitMs));
        // The log was emptied at start and nothing was read.
        EXPECT_EQ("", ReadTestFile(kLogFilePath));
        EXPECT_EQ("last run", ReadTestFile(work + "TVISLV.WCP"));
    }
}

TEST_F(InstallerRun, PreparationShowsBothVersionsAndCancelAsks) {
    // The installed product, found through the per-user registry value, and an installer
    // that carries build 1250 of 2026-12-10.
    std::string installed = place.File("tVis\\");
    ASSERT_TRUE(InstallOldProduct(installed));
    std::string installer = place.File("setup.exe");
    ASSERT_TRUE(WriteTestFile(installer, ToString(MakeUpgradeInstaller(stub))));

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

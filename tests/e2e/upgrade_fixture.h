// The scene of the end-to-end upgrade scenarios and the steps they share: an installer
// built by tvispack.exe from the stub and three product files, started as a double-click
// starts it, against an installed product recorded in the registry. Windows builds only,
// under Wine.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/discovery.h"
#include "payload/carried_files.h"
#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "support/diagnostics.h"
#include "tests/e2e/e2e_driver.h"
#include "tests/e2e/message_boxes.h"
#include "tests/support/installer_image.h"
#include "tests/support/prepared_upgrade.h"
#include "tests/support/product_file.h"
#include "tests/support/temp_folder.h"
#include "tests/support/window_driver.h"

constexpr DWORD kWaitMs = 60000;
const std::wstring kReadyText = L"Uaktualnienie gotowe, wciśnij 'UAKTUALNIJ'.";
const std::wstring kSuccessText = L"Aktualizacja oprogramowania zakończona poprawnie.";

// A text of the installer's code page (paths, as the installer writes them) in UTF-16.
inline std::wstring Wide(const std::string& text) {
    wchar_t wide[1024] = {};
    int length =
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), wide, 1023);
    return std::wstring(wide, length > 0 ? length : 0);
}

// The text of the box that shows a reason code ("0000.0014").
inline std::wstring ReasonText(const char* code) {
    return L"Nie można uaktualnić oprogramowania. Kod przyczyny: " + Wide(code);
}

class Upgrade : public ::testing::Test {
protected:
    void SetUp() override {
        ForgetUpgradeRuns();
        // Sizes and record places differ per file, so a file written to the wrong target
        // shows.
        std::string release = place.File("release\\");
        ASSERT_TRUE(CreateDirectoryA(release.c_str(), nullptr));
        for (int i = 0; i < kPayloadFileCount; ++i) {
            installed[i] =
                ToString(MakeProductFile(150000 + 5000 * i, 3000 + i, InstalledRecord()));
            fresh_[i] = ToString(MakeProductFile(180000 + 7000 * i, 2000 + i, UpgradeRecord()));
            ASSERT_TRUE(WriteTestFile(release + kCarriedFiles[i].productName, fresh_[i]));
        }
        ASSERT_NO_FATAL_FAILURE(InstallProductIn(place.File("tVis 2002")));

        installerPath = place.File("tvis-upgrade.exe");
        std::string arguments = "build --stub \"" + BesideThisProgram("tvisupgrade.exe") + "\"";
        // The win64 build's stub is the 64-bit one, which tvispack takes only when asked.
        if (sizeof(void*) == 8) arguments += " --allow-64-bit-stub";
        for (const CarriedFile& file : kCarriedFiles) {
            arguments +=
                std::string(" ") + file.packOption + " \"" + release + file.productName + "\"";
        }
        arguments += " -o \"" + installerPath + "\"";
        RunningProgram tvispack(BesideThisProgram("tvispack.exe"), place.path(), arguments);
        ASSERT_EQ(0u, tvispack.WaitForExit(kWaitMs)) << arguments;
    }

    void TearDown() override {
        installer.reset();
        ForgetUpgradeRuns();
    }

    // Installs the old product's three files in `folder` (created here; no final
    // backslash) and records it as the product folder.
    void InstallProductIn(const std::string& folder) {
        product = folder;
        ASSERT_TRUE(CreateTestFolder(product)) << product;
        for (int i = 0; i < kPayloadFileCount; ++i) {
            ASSERT_TRUE(WriteTestFile(Target(i), installed[i])) << Target(i);
        }
        ASSERT_TRUE(SetProductPath(product + "\\"));
    }

    // Rewrites the installed library with the KWIL edition's record.
    void MakeKwil() {
        RecordFields kwil = InstalledRecord();
        kwil.editionText = "R2A";
        installed[kQelMapE] = ToString(MakeProductFile(150000, 3000, kwil));
        ASSERT_TRUE(WriteTestFile(Target(kQelMapE), installed[kQelMapE]));
    }

    // Rewrites the installer so that it carries `carried` in place of the new file
    // `index`: built from the stub as tvispack builds it, but without tvispack's refusal
    // of a file without a version record (and without an integrity block, as an installer
    // of an older tvispack).
    void CarryInstead(int index, const std::string& carried) {
        Bytes regions[kPayloadFileCount];
        for (int i = 0; i < kPayloadFileCount; ++i) {
            const std::string& plain = i == index ? carried : fresh_[i];
            const char* name = kCarriedFiles[i].productName;
            regions[i] = Compress(Bytes(plain.begin(), plain.end()), name[std::strlen(name) - 1]);
        }
        std::string stub = ReadTestFile(BesideThisProgram("tvisupgrade.exe"));
        ASSERT_FALSE(stub.empty());
        ASSERT_TRUE(WriteTestFile(
            installerPath, ToString(MakeInstallerImage(Bytes(stub.begin(), stub.end()), regions))));
    }

    std::string Target(int index) const {
        return product + "\\" + kCarriedFiles[index].productName;
    }
    std::string Installed(int index) const { return ReadTestFile(Target(index)); }
    std::string WorkFile(const char* name) const {
        return std::string(GetWorkFolder(nullptr)) + name;
    }

    // Starts the installer as a double-click would and waits for it to be ready.
    void Launch() {
        installer = std::make_unique<StartedProcess>(installerPath);
        ASSERT_TRUE(installer->started());
        dialog = WaitForDialog(installer->id(), nullptr, kStageLineId, kWaitMs);
        ASSERT_NE(nullptr, dialog);
        ASSERT_TRUE(WaitForControlText(dialog, kStageLineId, kReadyText, kWaitMs));
        stageLine = GetDlgItem(dialog, kStageLineId);
    }

    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

    // The next message box of the installer with this caption (any, when null) other than
    // `skip`; an empty view (no window) on timeout.
    MessageBoxView WaitForBox(const wchar_t* caption, DWORD timeoutMs, HWND skip = nullptr) {
        std::set<HWND> skipped;
        if (skip != nullptr) skipped.insert(skip);
        DWORD start = GetTickCount();
        do {
            std::optional<MessageBoxView> box = WaitForMessageBox(installer->id(), skipped, 20);
            if (box && (caption == nullptr || box->caption == caption)) return *box;
            if (box) skipped.insert(box->window);
        } while (GetTickCount() - start < timeoutMs);
        return MessageBoxView();
    }

    // Which installed files carry the new bytes, in replacement order: qelMapE.dll,
    // tVisX.exe, tVisLV.exe.
    std::string Replaced() const {
        std::string state;
        for (CarriedFileIndex i : kReplacementOrder) {
            std::string now = Installed(i);
            state += now == fresh_[i] ? "new " : now == installed[i] ? "old " : "DAMAGED ";
        }
        return state;
    }

    // Starts the installer and returns its first message box (any caption).
    MessageBoxView StartAndWaitForBox() {
        installer = std::make_unique<StartedProcess>(installerPath);
        EXPECT_TRUE(installer->started());
        return WaitForBox(nullptr, kWaitMs);
    }

    // The installer refused to unpack: the reason box, then it ends after OK with 1.
    void ExpectReasonBoxAndExit(const char* code) {
        MessageBoxView box = StartAndWaitForBox();
        ASSERT_NE(nullptr, box.window) << "no box";
        EXPECT_EQ(L"tVis", box.caption);
        EXPECT_EQ(ReasonText(code), box.text);
        Answer(box, IDOK);
        EXPECT_EQ(1u, installer->WaitForExit(kWaitMs));
        EXPECT_EQ("old old old ", Replaced());
    }

    // Waits for the success box, checks it, answers it, and expects exit code 1.
    void ExpectSuccessBoxAndExit() {
        MessageBoxView box = WaitForBox(L"Instalator qel", kWaitMs);
        ASSERT_NE(nullptr, box.window) << "no success box";
        EXPECT_EQ(kSuccessText, box.text);
        EXPECT_EQ(nullptr, box.owner);
        EXPECT_TRUE(box.topmost);
        EXPECT_EQ(BoxIcon::kInformation, box.icon);
        Answer(box, IDOK);
        EXPECT_EQ(1u, installer->WaitForExit(kWaitMs));
        EXPECT_EQ("new new new ", Replaced());
    }

    // The log of a run that reached Ready and then replaced `steps` of the files
    // (indexes, in replacement order; negative: read but not written).
    std::string ExpectedLog(const std::vector<int>& steps) const {
        std::string log = "#3 read: " + product + "\\qelMapE.dll\r\n" +
                          "on HD version: 5.2 R\r\non HD serial : 1187\r\n"
                          "#2 read: qelMapE.dllu\r\non CD serial : 1250\r\n"
                          "on CD version: 2026.12.10  godz. 14:30.05,50\r\n";
        for (int step : steps) {
            int index = step < 0 ? -step - 1 : step;
            log += std::string("#1 read: ") + kCarriedFiles[index].newCopyName + "\r\n";
            if (step >= 0) log += "write: " + Target(index) + "\r\n";
        }
        return log;
    }

    TempFolder place;
    std::string product;
    std::string installed[kPayloadFileCount];
    std::string fresh_[kPayloadFileCount];
    std::string installerPath;
    std::unique_ptr<StartedProcess> installer;
    HWND dialog = nullptr;
    HWND stageLine = nullptr;
};

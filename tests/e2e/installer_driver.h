// The real installer program run end to end under Wine: an installed product and an
// installer carrying a newer build set up in a temporary folder, and the program driven
// from outside as a person would drive it. Windows builds only.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

#include "tests/e2e/message_boxes.h"
#include "tests/support/prepared_upgrade.h"
#include "tests/support/product_file.h"
#include "tests/support/temp_folder.h"
#include "tests/support/window_driver.h"

// Generous: window tests on a loaded machine take seconds where they normally take
// milliseconds.
constexpr DWORD kE2eWaitMs = 90000;

// The stage line once the preparation has finished and the upgrade may start.
constexpr const wchar_t* kReadyStageText = L"Uaktualnienie gotowe, wciśnij 'UAKTUALNIJ'.";

// The product's three program files, as installed and as carried.
constexpr const char* kProductFileNames[3] = {"qelMapE.dll", "tVisLV.exe", "tVisX.exe"};

// The starting point of a scenario. Construction and destruction both clear the per-user
// and machine product keys and the installer's files in the work folder.
class UpgradeSetup {
public:
    UpgradeSetup();
    ~UpgradeSetup();
    UpgradeSetup(const UpgradeSetup&) = delete;
    UpgradeSetup& operator=(const UpgradeSetup&) = delete;

    // Writes the three product files with `installed` records into productFolder(),
    // registers that folder under HKCU (value "path"), and writes installer(): the
    // installer program built by this build (tvisupgrade.exe beside the test) carrying the
    // three files with `upgrade` records.
    testing::AssertionResult Prepare(const RecordFields& installed = InstalledRecord(),
                                     const RecordFields& upgrade = UpgradeRecord());

    // Ends with a backslash.
    const std::string& productFolder() const { return productFolder_; }
    std::string ProductFile(const char* name) const { return productFolder_ + name; }
    const std::string& installer() const { return installer_; }
    const std::string& folder() const { return place_.path(); }

private:
    TempFolder place_;
    std::string productFolder_;
    std::string installer_;
};

// What the UPGRADE dialog shows.
struct DialogView {
    std::wstring title;
    std::wstring status;                                           // control 201
    std::wstring stage;                                            // control 225
    std::wstring installedVersion, installedDate, installedBuild;  // 300, 302, 303
    std::wstring upgradeDate, upgradeBuild;                        // 402, 403
    std::wstring upgradeButton, cancelButton;                      // IDOK, IDCANCEL texts
    bool upgradeEnabled = false;
    bool cancelEnabled = false;
};

class InstallerDriver {
public:
    // Starts the installer in its own folder.
    explicit InstallerDriver(const std::string& installer);
    InstallerDriver(const InstallerDriver&) = delete;
    InstallerDriver& operator=(const InstallerDriver&) = delete;

    bool started() const { return program_.started(); }
    DWORD processId() const { return program_.id(); }
    const std::string& path() const { return path_; }

    // Waits for the UPGRADE dialog to be shown.
    testing::AssertionResult WaitForDialog(DWORD timeoutMs = kE2eWaitMs);
    // Waits for the dialog, then for its stage line to show kReadyStageText.
    testing::AssertionResult WaitForReady(DWORD timeoutMs = kE2eWaitMs);
    // The dialog once found, else null.
    HWND dialog() const { return dialog_; }
    DialogView ReadDialog() const;
    bool IsEnabled(int controlId) const;
    void Press(int buttonId) const;

    // The next message box of the installer: one that this driver has not returned before
    // (nullopt on timeout).
    std::optional<MessageBoxView> WaitForMessageBox(DWORD timeoutMs = kE2eWaitMs);

    // The exit code, or STILL_ACTIVE when it did not end within timeoutMs.
    DWORD WaitForExit(DWORD timeoutMs = kE2eWaitMs) { return program_.WaitForExit(timeoutMs); }

private:
    std::string path_;
    RunningProgram program_;
    HWND dialog_ = nullptr;
    std::set<HWND> boxesSeen_;
};

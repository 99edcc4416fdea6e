// The installer as deployment engines run it, end to end under Wine: /quiet with nothing
// on the screen, /passive, the exit codes each reached by its cause, the deployment log,
// product programs found by their image path, and a product never left mixed. The runs
// share the registry, the desktop's window list and the log file: one after another.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/run_options.h"
#include "tests/e2e/fake_product.h"
#include "tests/e2e/file_size_limit.h"
#include "tests/e2e/upgrade_fixture.h"

namespace {

// Every window of a process that was ever visible, watched from a thread of its own every
// few milliseconds until stopped.
class ShownWindows {
public:
    explicit ShownWindows(DWORD processId) : processId_(processId), thread_([this] { Watch(); }) {}
    ~ShownWindows() { Stop(); }
    ShownWindows(const ShownWindows&) = delete;
    ShownWindows& operator=(const ShownWindows&) = delete;

    std::set<HWND> Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return seen_;
    }

private:
    struct Search {
        DWORD processId;
        std::set<HWND>* seen;
    };
    static BOOL CALLBACK Collect(HWND window, LPARAM param) {
        Search* search = reinterpret_cast<Search*>(param);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == search->processId && IsWindowVisible(window)) search->seen->insert(window);
        return TRUE;
    }
    void Watch() {
        Search search = {processId_, &seen_};
        while (!stop_) {
            EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
            Sleep(2);
        }
    }

    DWORD processId_;
    std::set<HWND> seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class Deployment : public Upgrade {
protected:
    // Starts the installer with these arguments, as a deployment engine does.
    void Start(const std::string& arguments) {
        run = std::make_unique<RunningProgram>(installerPath, place.path(), arguments);
        ASSERT_TRUE(run->started());
    }
    DWORD WaitForExit() { return run->WaitForExit(kWaitMs); }

    // The deployment log's lines without their timestamps; each line must have one.
    std::vector<std::string> DeploymentLog() const {
        std::vector<std::string> lines;
        std::istringstream log(ReadTestFile(logPath));
        static const std::regex kStamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} .*\r$)");
        for (std::string line; std::getline(log, line);) {
            EXPECT_TRUE(std::regex_match(line, kStamp)) << line;
            lines.push_back(line.size() > 24 ? line.substr(24, line.size() - 25) : line);
        }
        return lines;
    }
    // Whether some line of the deployment log begins with `start`.
    bool Logged(const std::string& start) const {
        for (const std::string& line : DeploymentLog()) {
            if (line.compare(0, start.size(), start) == 0) return true;
        }
        return false;
    }
    std::string LogSwitch() const { return "/log=\"" + logPath + "\""; }

    // Starts the installer with these arguments and drives it as a person does: ready, the
    // upgrade button, the success box answered; then exit code 1 and three new files.
    void UpgradeInteractively(const std::string& arguments) {
        installer.reset();
        Start(arguments);
        dialog = WaitForDialog(run->id(), nullptr, kStageLineId, kWaitMs);
        ASSERT_NE(nullptr, dialog);
        ASSERT_TRUE(WaitForControlText(dialog, kStageLineId, kReadyText, kWaitMs));
        Press(dialog, IDOK);
        std::optional<MessageBoxView> box;
        std::set<HWND> skipped;
        for (int i = 0; i < 600 && !box; ++i) box = WaitForMessageBox(run->id(), skipped, 100);
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(kSuccessText, box->text);
        Answer(*box, IDOK);
        EXPECT_EQ(1u, WaitForExit());
        EXPECT_EQ("new new new ", Replaced());
    }

    // The installed tVisLV.exe becomes fake_product.exe, so that a product program runs as
    // the installed file.
    void InstallRunnableLogView() {
        installed[kTVisLV] = ReadTestFile(BesideThisProgram("fake_product.exe"));
        ASSERT_FALSE(installed[kTVisLV].empty());
        ASSERT_TRUE(WriteTestFile(Target(kTVisLV), installed[kTVisLV]));
    }

    std::string logPath = place.File("deploy log.txt");
    std::unique_ptr<RunningProgram> run;
};

TEST_F(Deployment, QuietUpgradesWithAProgramRunningAndNeverShowsAWindow) {
    ASSERT_NO_FATAL_FAILURE(InstallRunnableLogView());
    FakeProduct logView({L"qel_LV_Frame"}, false, Target(kTVisLV));
    ASSERT_TRUE(logView.WaitForWindows(kWaitMs));
    run = std::make_unique<RunningProgram>(installerPath, place.path(), "/quiet " + LogSwitch(),
                                           true);
    ASSERT_TRUE(run->started());
    ShownWindows shown(run->id());
    ASSERT_TRUE(run->Resume());
    EXPECT_EQ(static_cast<DWORD>(kExitUpgraded), WaitForExit());
    EXPECT_TRUE(shown.Stop().empty()) << "the quiet run showed a window";

    EXPECT_EQ(std::vector<std::string>{"qel_LV_Frame #1"}, logView.Requests());
    EXPECT_EQ("new new new ", Replaced());
    EXPECT_EQ(ExpectedLog({kQelMapE, kTVisX, kTVisLV}), ReadTestFile(kLogFilePath));

    std::vector<std::string> log = DeploymentLog();
    // The whole log in the test's output: docs/deployment.md shows such a run.
    std::printf("deployment log of the quiet run:\n%s", ReadTestFile(logPath).c_str());
    ASSERT_GE(log.size(), 10u);
    const std::string size = std::to_string(ReadTestFile(installerPath).size());
    EXPECT_EQ("installer: " + installerPath + ", " + size + " bytes", log[0]);
    EXPECT_EQ("mode: quiet", log[1]);
    EXPECT_EQ("integrity: the CRC-32 of the three carried files match", log[2]);
    EXPECT_EQ("product: found by the value path of ", log[3].substr(0, 36));
    EXPECT_NE(std::string::npos, log[3].find(product + "\\"));
    EXPECT_EQ("installed build: 1187", log[4]);
    EXPECT_EQ("new build: 1250", log[5]);
    std::vector<std::string> tail(log.begin() + 6, log.end());
    const std::string pid = std::to_string(logView.processId());
    std::vector<std::string> expected = {
        "running: " + Target(kTVisLV) + " (process " + pid,
        "box not shown: [Uaktualnienie] Program tVis LogView lub OnLine jest uruchomiony",
        "running: a window of class qel_LV_Frame (process " + pid + "): asked to close",
        "replaced: " + Target(kQelMapE),
        "replaced: " + Target(kTVisX),
        "replaced: " + Target(kTVisLV),
        "box not shown: [Instalator qel] Aktualizacja oprogramowania zakończona poprawnie.",
        "outcome: exit code 0 (upgraded: all three files replaced): upgraded",
    };
    ASSERT_EQ(expected.size(), tail.size()) << ::testing::PrintToString(log);
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i], tail[i].substr(0, expected[i].size())) << i;
    }
}

// Each exit code of the table reached by its cause, the product untouched where the run
// failed.
TEST_F(Deployment, EveryExitCodeByItsCause) {
    struct Case {
        const char* cause;
        std::function<void()> arrange;
        DWORD code;
        const char* logged;  // the start of a deployment log line
    };
    std::optional<FakeProduct> program;
    HANDLE holder = INVALID_HANDLE_VALUE;
    std::unique_ptr<StartedProcess> first;
    const Case cases[] = {
        {"a damaged installer",
         [this] {
             std::string bytes = ReadTestFile(installerPath);
             bytes[bytes.size() - 100000] ^= 0x20;
             ASSERT_TRUE(WriteTestFile(installerPath, bytes));
         },
         kExitFailed, "outcome: exit code 1603 (failed, nothing replaced: a damaged installer"},
        {"no installed product",
         [this] { ASSERT_TRUE(MoveFileA(product.c_str(), (product + " moved").c_str())); },
         kExitNoProduct, "outcome: exit code 1605 (no installed tVis found)"},
        {"a program that ignores the close request",
         [&program] {
             program.emplace(std::vector<std::wstring>{L"qel_QRV_MdiFrame"}, true);
             ASSERT_TRUE(program->WaitForWindows(kWaitMs));
         },
         kExitRetryLater,
         "outcome: exit code 1618 (could not run now, retry later: another installer runs, or "
         "a product program kept running or holds a file; nothing replaced): a product program "
         "kept running"},
        {"a second run",
         [this, &first] {
             first = std::make_unique<StartedProcess>(installerPath);
             ASSERT_NE(nullptr, WaitForDialog(first->id(), nullptr, kStageLineId, kWaitMs));
         },
         kExitRetryLater, "outcome: exit code 1618 (could not run now"},
        {"a held file",
         [this, &holder] {
             holder = CreateFileA(Target(kTVisX).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
             ASSERT_NE(INVALID_HANDLE_VALUE, holder);
         },
         kExitRetryLater, "not replaced: "},
        {"a product process without windows (another session)",
         [this, &program] {
             ASSERT_NO_FATAL_FAILURE(InstallRunnableLogView());
             program.emplace(std::vector<std::wstring>{}, false, Target(kTVisLV));
             Sleep(1000);
         },
         kExitRetryLater, "outcome: exit code 1618 (could not run now"},
    };
    const std::string sound = ReadTestFile(installerPath);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cause);
        ASSERT_TRUE(WriteTestFile(installerPath, sound));
        for (int i = 0; i < kPayloadFileCount; ++i) {
            ASSERT_TRUE(WriteTestFile(Target(i), installed[i]));
        }
        ASSERT_NO_FATAL_FAILURE(c.arrange());
        Start("/quiet " + LogSwitch());
        EXPECT_EQ(c.code, WaitForExit());
        EXPECT_TRUE(Logged(c.logged)) << ::testing::PrintToString(DeploymentLog());
        if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
        holder = INVALID_HANDLE_VALUE;
        program.reset();
        first.reset();
        run.reset();
        if (c.code == kExitNoProduct) {
            ASSERT_TRUE(MoveFileA((product + " moved").c_str(), product.c_str()));
        }
        EXPECT_EQ("old old old ", Replaced());
    }
}

TEST_F(Deployment, ProductProcessWithoutWindowsIsNamedInTheLog) {
    ASSERT_NO_FATAL_FAILURE(InstallRunnableLogView());
    FakeProduct hidden({}, false, Target(kTVisLV));
    Sleep(1000);
    Start("-S " + LogSwitch());
    EXPECT_EQ(static_cast<DWORD>(kExitRetryLater), WaitForExit());
    EXPECT_TRUE(
        Logged("running: " + Target(kTVisLV) + " (process " + std::to_string(hidden.processId())))
        << ::testing::PrintToString(DeploymentLog());
    EXPECT_TRUE(Logged("running: " + Target(kTVisLV)));
    bool cannot = false;
    for (const std::string& line : DeploymentLog()) {
        cannot = cannot || line.find("cannot be asked to close") != std::string::npos;
    }
    EXPECT_TRUE(cannot);
    EXPECT_EQ("old old old ", Replaced());
}

TEST_F(Deployment, PassiveStartsByItselfAndAnulujCancelsWith1602) {
    // Without a program running: the dialog shows its progress and closes, no box.
    Start("/passive");
    dialog = WaitForDialog(run->id(), nullptr, kStageLineId, kWaitMs);
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(WaitForControlText(dialog, kStageLineId, L"Przygotowanie instalacji...", kWaitMs));
    EXPECT_EQ(static_cast<DWORD>(kExitUpgraded), WaitForExit());
    EXPECT_EQ("new new new ", Replaced());

    // With a program that stays: the wait runs with Anuluj enabled, and Anuluj ends it.
    for (int i = 0; i < kPayloadFileCount; ++i) ASSERT_TRUE(WriteTestFile(Target(i), installed[i]));
    FakeProduct onLine({L"qel_QRV_MdiFrame"}, true);
    ASSERT_TRUE(onLine.WaitForWindows(kWaitMs));
    Start("-PASSIVE " + LogSwitch());
    dialog = WaitForDialog(run->id(), nullptr, kStageLineId, kWaitMs);
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(onLine.WaitForRequests(1, kWaitMs)) << "no close request";
    for (int i = 0; i < 500 && !Enabled(IDCANCEL); ++i) Sleep(10);
    EXPECT_TRUE(Enabled(IDCANCEL));
    Press(dialog, IDCANCEL);
    EXPECT_EQ(static_cast<DWORD>(kExitCancelled), WaitForExit());
    EXPECT_EQ("old old old ", Replaced());
    EXPECT_TRUE(Logged("outcome: exit code 1602 (cancelled"));
}

TEST_F(Deployment, UnknownArgumentsGiveTheInteractiveRun) {
    ASSERT_NO_FATAL_FAILURE(UpgradeInteractively("/foo -bar baz /log"));
    EXPECT_EQ(ExpectedLog({kQelMapE, kTVisX, kTVisLV}), ReadTestFile(kLogFilePath));
}

// /log= alone keeps the interactive run, its boxes and its exit code, and adds the log.
TEST_F(Deployment, InteractiveRunWithADeploymentLogStillEndsWith1) {
    ASSERT_NO_FATAL_FAILURE(UpgradeInteractively(LogSwitch()));
    std::vector<std::string> log = DeploymentLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("mode: interactive", log.at(1));
    EXPECT_EQ("outcome: exit code 1 (interactive run): upgraded", log.back());
}

TEST_F(Deployment, HelpBoxListsTheSwitchesAndCodes) {
    Start("/?");
    std::optional<MessageBoxView> box;
    std::set<HWND> skipped;
    for (int i = 0; i < 600 && !box; ++i) box = WaitForMessageBox(run->id(), skipped, 100);
    ASSERT_TRUE(box.has_value());
    for (const SwitchRow& row : kSwitchTable) {
        EXPECT_NE(std::wstring::npos, box->text.find(Wide(row.name))) << row.name;
    }
    for (const ExitCodeRow& row : kExitCodeTable) {
        EXPECT_NE(std::wstring::npos, box->text.find(std::to_wstring(row.code))) << row.code;
    }
    Answer(*box, IDOK);
    EXPECT_EQ(0u, WaitForExit());
    EXPECT_EQ("old old old ", Replaced());
}

// A held third file: nothing is replaced, and its attributes stay as they were.
TEST_F(Deployment, HeldThirdFileLeavesTheProductWhollyOld) {
    ASSERT_TRUE(SetFileAttributesA(Target(kTVisLV).c_str(), FILE_ATTRIBUTE_HIDDEN));
    Launch();
    HANDLE holder = CreateFileA(Target(kTVisLV).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    Press(dialog, IDOK);
    MessageBoxView warning = WaitForBox(L"Uaktualnienie", kWaitMs);
    CloseHandle(holder);
    ASSERT_NE(nullptr, warning.window);
    EXPECT_EQ(
        L"Wystąpił błąd: Program tVis OL lub LV jest uruchomiony.\r\n\r\n"
        L"Aktualizacja jest niemożliwa.",
        warning.text);
    Answer(warning, IDOK);
    for (int i = 0; i < 500 && !Enabled(IDOK); ++i) Sleep(10);
    EXPECT_EQ("old old old ", Replaced());
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN),
              GetFileAttributesA(Target(kTVisLV).c_str()) & ~FILE_ATTRIBUTE_ARCHIVE);
    // Read and checked, none written.
    EXPECT_EQ(ExpectedLog({-kQelMapE - 1, -kTVisX - 1, -kTVisLV - 1}), ReadTestFile(kLogFilePath));
    // A retry after the release replaces all three, from qelMapE.dll.
    Press(dialog, IDOK);
    ExpectSuccessBoxAndExit();
}

// A write that fails on the second file (the disk fills up) puts the first one back.
TEST_F(Deployment, FailureDuringTheSecondReplacementPutsTheFirstBack) {
    ASSERT_TRUE(SetFileAttributesA(Target(kTVisX).c_str(), FILE_ATTRIBUTE_READONLY));
    installer = std::make_unique<StartedProcess>(installerPath);
    ASSERT_TRUE(installer->started());
    dialog = WaitForDialog(installer->id(), nullptr, kStageLineId, kWaitMs);
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(WaitForControlText(dialog, kStageLineId, kReadyText, kWaitMs));
    // The new library (180,000 bytes) fits under the limit, the new tVisX.exe (194,000) not;
    // the old library (150,000) fits again.
    ASSERT_TRUE(LimitFileSize(installerPath, 185000));
    Press(dialog, IDOK);
    MessageBoxView warning = WaitForBox(L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, warning.window);
    EXPECT_EQ(
        L"Wystąpił błąd: Program tVis OL lub LV jest uruchomiony.\r\n\r\n"
        L"Aktualizacja jest niemożliwa.",
        warning.text);
    Answer(warning, IDOK);
    for (int i = 0; i < 500 && !Enabled(IDOK); ++i) Sleep(10);
    EXPECT_EQ("old old old ", Replaced());
    EXPECT_NE(0u, GetFileAttributesA(Target(kTVisX).c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ((std::vector<std::string>{"qelMapE.dll", "tVisLV.exe", "tVisX.exe"}),
              FilesIn(product + "\\"));
    EXPECT_EQ(ExpectedLog({kQelMapE, kTVisX}), ReadTestFile(kLogFilePath));
}

}  // namespace

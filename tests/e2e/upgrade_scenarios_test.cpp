// The whole upgrade, end to end under Wine: an installer built by tvispack.exe from the
// stub and three product files, started as a double-click starts it, against an
// installed product in the prefix, with stand-ins for the product's running programs.
// Each scenario checks what the customer sees (dialog, boxes, bar), the exit code, the
// installed files byte for byte, "C:\tVisXlog.txt" byte for byte and the trace console.
// They share the registry, the desktop's window list and the log file: they run one
// after another.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/discovery.h"
#include "payload/carried_files.h"
#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "support/diagnostics.h"
#include "tests/e2e/e2e_driver.h"
#include "tests/support/installer_image.h"
#include "tests/support/product_file.h"
#include "tests/support/temp_folder.h"
#include "tests/support/window_driver.h"

namespace {

constexpr DWORD kWaitMs = 60000;
const std::wstring kReadyText = L"Uaktualnienie gotowe, wciśnij 'UAKTUALNIJ'.";
const std::wstring kSuccessText = L"Aktualizacja oprogramowania zakończona poprawnie.";
const std::wstring kLogViewQuestion =
    L"Program tVis LogView lub OnLine jest uruchomiony, trzeba go zamknąć!\r\nKontynuować?";
const std::wstring kOnLineQuestion =
    L"Program tVis OnLine lub LogView jest uruchomiony, trzeba go zamknąć!\r\nKontynuować?";
const std::wstring kKwilQuestion =
    L"System KWIL jest uruchomiony, trzeba go zamknąć!\r\nKontynuować?";

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindows(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->processId && IsWindowVisible(window)) search->found.push_back(window);
    return TRUE;
}

// The product's running programs, played by product_stand_in.exe.
class StandIn {
public:
    StandIn(const std::string& record, bool ignoreClose, const std::vector<std::string>& classes)
        : record_(record) {
        std::string command = "\"" + BesideThisProgram("product_stand_in.exe") + "\" \"" + record +
                              "\"" + (ignoreClose ? " --ignore-close" : "");
        for (const std::string& name : classes) command += " " + name;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process_)) {
            process_ = {};
            return;
        }
        // Ready once all its windows are on the screen.
        for (int i = 0; i < 500 && Windows().size() < classes.size(); ++i) Sleep(10);
    }
    ~StandIn() { End(); }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    // Its visible top-level windows, in the order EnumWindows gives them.
    std::vector<HWND> Windows() const {
        WindowSearch search = {process_.dwProcessId, {}};
        EnumWindows(CollectProcessWindows, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    // The close requests its windows received, one "<class> #<n>" per line.
    std::string Requests() const {
        std::string text = ReadTestFile(record_);
        return text == "<missing>" ? "" : text;
    }
    bool Running() const {
        return process_.hProcess != nullptr &&
               WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
    }
    bool WaitForEnd(DWORD ms) const {
        return process_.hProcess == nullptr || WaitForSingleObject(process_.hProcess, ms) == 0;
    }
    // Ends it as a user closing the program would.
    void End() {
        if (process_.hProcess == nullptr) return;
        if (Running()) {
            TerminateProcess(process_.hProcess, 0);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
        process_ = {};
    }

private:
    std::string record_;
    PROCESS_INFORMATION process_ = {};
};

class Upgrade : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, kProductKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
        product = place.File("tVis 2002");
        ASSERT_TRUE(CreateDirectoryA(product.c_str(), nullptr));
        RecordFields old;
        old.versionText = "5.2 R";
        old.build = 1187;
        old.dateChars = "250611";
        RecordFields fresh;
        fresh.build = 1250;
        fresh.dateChars = "261210";
        std::string release = place.File("release\\");
        ASSERT_TRUE(CreateDirectoryA(release.c_str(), nullptr));
        for (int i = 0; i < kPayloadFileCount; ++i) {
            installed[i] = ToString(MakeProductFile(150000 + 5000 * i, 3000 + i, old));
            fresh_[i] = ToString(MakeProductFile(180000 + 7000 * i, 2000 + i, fresh));
            ASSERT_TRUE(WriteTestFile(Target(i), installed[i]));
            ASSERT_TRUE(WriteTestFile(release + kCarriedFiles[i].productName, fresh_[i]));
        }
        SetPathValue(product + "\\");

        installerPath = place.File("tvis-upgrade.exe");
        std::string command = "\"" + BesideThisProgram("tvispack.exe") + "\" build --stub \"" +
                              BesideThisProgram("tvisupgrade.exe") + "\"";
        for (const CarriedFile& file : kCarriedFiles) {
            command +=
                std::string(" ") + file.packOption + " \"" + release + file.productName + "\"";
        }
        command += " -o \"" + installerPath + "\"";
        ASSERT_EQ(0u, RunToEnd(command, kWaitMs)) << command;
    }

    void TearDown() override {
        installer.reset();
        RegDeleteKeyA(HKEY_CURRENT_USER, kProductKey);
        const char* work = GetWorkFolder(nullptr);
        for (const CarriedFile& file : kCarriedFiles) {
            DeleteFileA((std::string(work) + file.compressedName).c_str());
            DeleteFileA((std::string(work) + file.workName).c_str());
        }
    }

    void SetPathValue(const std::string& folder) {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0,
                                                 KEY_WRITE, nullptr, &key, nullptr));
        RegSetValueExA(key, "path", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>(folder.size() + 1));
        RegCloseKey(key);
    }

    // Rewrites the installed library with the KWIL edition's record.
    void MakeKwil() {
        RecordFields kwil;
        kwil.editionText = "R2A";
        installed[kQelMapE] = ToString(MakeProductFile(150000, 3000, kwil));
        ASSERT_TRUE(WriteTestFile(Target(kQelMapE), installed[kQelMapE]));
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

    // Waits for the success box, checks it, answers it, and expects exit code 1.
    void ExpectSuccessBoxAndExit() {
        ShownBox box = WaitForBox(installer->id(), L"Instalator qel", kWaitMs);
        ASSERT_NE(nullptr, box.window) << "no success box";
        EXPECT_EQ(kSuccessText, box.text);
        EXPECT_EQ(nullptr, box.owner);
        EXPECT_TRUE(box.topmost);
        EXPECT_TRUE(box.hasIcon);
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
                          "on CD version: 2026.12.10  godz. 09:05.07,42\r\n";
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

TEST_F(Upgrade, CleanUpgradeReplacesTheThreeFilesInOrder) {
    Launch();
    TextSampler stages(stageLine);
    Press(dialog, IDOK);
    // The start countdown: both buttons disabled at once.
    ASSERT_TRUE(WaitForControlText(dialog, kStageLineId, L"Przygotowanie instalacji...", kWaitMs));
    EXPECT_FALSE(Enabled(IDOK));
    EXPECT_FALSE(Enabled(IDCANCEL));
    ShownBox box = WaitForBox(installer->id(), L"Instalator qel", kWaitMs);
    ASSERT_NE(nullptr, box.window);
    std::string trace = ReadConsoleOf(installer->id(), place.File("console.txt"));
    std::vector<std::wstring> seen = stages.Stop();
    ExpectSuccessBoxAndExit();

    // The stage line named each target in replacement order, after the countdown.
    std::vector<std::wstring> expected = {kReadyText, L"Przygotowanie instalacji..."};
    for (CarriedFileIndex index : kReplacementOrder) expected.push_back(Wide(Target(index)));
    EXPECT_EQ(expected, seen);
    EXPECT_EQ(ExpectedLog({kQelMapE, kTVisX, kTVisLV}), ReadTestFile(kLogFilePath));

    // The trace, from the installer's own console.
    std::string tail = "IDOK\nIDOK2\nPostMessage\nWM_USER+1256\nUpath: " + product +
                       "\\\nProceduraUpgrade\nTVisPath " + product + "\nUpath    " + product +
                       "\\\n";
    for (CarriedFileIndex index : kReplacementOrder) {
        std::string size = std::to_string(fresh_[index].size());
        tail += std::string("PrzetwarzajCheck plik:") + kCarriedFiles[index].newCopyName +
                ", len:" + size + "\nZapisz Plik " + Target(index) + ", " + size +
                "\nRezultat: 0\n";
    }
    EXPECT_NE(std::string::npos, trace.find("Uaktualnienie gotowe\n" + tail)) << trace;
}

TEST_F(Upgrade, ProgramThatClosesOnRequest) {
    StandIn logView(place.File("requests.txt"), false, {"qel_LV_Frame"});
    ASSERT_EQ(1u, logView.Windows().size());
    Launch();
    Press(dialog, IDOK);
    ShownBox question = WaitForBox(installer->id(), L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    EXPECT_EQ(kLogViewQuestion, question.text);
    EXPECT_EQ(dialog, question.owner);
    EXPECT_TRUE(question.topmost);
    EXPECT_TRUE(question.hasIcon);
    Answer(question, IDYES);
    EXPECT_TRUE(logView.WaitForEnd(kWaitMs));
    EXPECT_EQ("qel_LV_Frame #1\n", logView.Requests());
    ExpectSuccessBoxAndExit();
}

TEST_F(Upgrade, ProgramThatIgnoresTheRequestIsWaitedFor) {
    StandIn onLine(place.File("requests.txt"), true, {"qel_QRV_MdiFrame"});
    Launch();
    Press(dialog, IDOK);
    ShownBox question = WaitForBox(installer->id(), L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    EXPECT_EQ(kOnLineQuestion, question.text);
    Answer(question, IDYES);
    // The wait: buttons enabled, a 100-tick countdown, then back to the button while the
    // program still runs; nothing is replaced meanwhile.
    ASSERT_TRUE(WaitForControlText(dialog, kStageLineId, L"Przygotowanie instalacji...", kWaitMs));
    EXPECT_TRUE(Enabled(IDOK));
    EXPECT_TRUE(Enabled(IDCANCEL));
    ASSERT_TRUE(WaitForControlText(dialog, kStageLineId, kReadyText, kWaitMs));
    EXPECT_EQ("qel_QRV_MdiFrame #1\n", onLine.Requests());
    EXPECT_TRUE(onLine.Running());
    EXPECT_EQ("old old old ", Replaced());
    Sleep(500);
    EXPECT_FALSE(AnyBoxShown(installer->id()));

    // The customer closes the program: 20 ticks later the upgrade starts by itself.
    TextSampler stages(stageLine);
    onLine.End();
    ASSERT_NE(nullptr, WaitForBox(installer->id(), L"Instalator qel", kWaitMs).window);
    std::vector<std::wstring> seen = stages.Stop();
    // "Zamknięto uruchomiany tVis..." gives way to the countdown within the same tick.
    std::vector<std::wstring> tail;
    for (const std::wstring& text : seen) {
        if (text != L"Zamknięto uruchomiany tVis..." && text != kReadyText) tail.push_back(text);
    }
    std::vector<std::wstring> expected = {L"Przygotowanie instalacji..."};
    for (CarriedFileIndex index : kReplacementOrder) expected.push_back(Wide(Target(index)));
    EXPECT_EQ(expected, tail);
    ExpectSuccessBoxAndExit();
}

TEST_F(Upgrade, AnswerNoPostsNoRequestButTheUpgradeStartsOnceTheProgramIsGone) {
    StandIn logView(place.File("requests.txt"), false, {"qel_LV_Frame"});
    Launch();
    Press(dialog, IDOK);
    ShownBox question = WaitForBox(installer->id(), L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    Answer(question, IDNO);
    ASSERT_TRUE(WaitForControlText(dialog, kStageLineId, L"Przygotowanie instalacji...", kWaitMs));
    Sleep(1000);
    EXPECT_EQ("", logView.Requests());
    EXPECT_TRUE(logView.Running());
    EXPECT_EQ("old old old ", Replaced());
    logView.End();
    ExpectSuccessBoxAndExit();
}

TEST_F(Upgrade, BothClassesRunningAsksAboutLogViewAndClosesItFirst) {
    StandIn both(place.File("requests.txt"), false, {"qel_QRV_MdiFrame", "qel_LV_Frame"});
    ASSERT_EQ(2u, both.Windows().size());
    Launch();
    Press(dialog, IDOK);
    ShownBox question = WaitForBox(installer->id(), L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    EXPECT_EQ(kLogViewQuestion, question.text);
    Answer(question, IDYES);
    EXPECT_TRUE(both.WaitForEnd(kWaitMs));
    // One thread serves both windows, so the order it saw is the order of posting.
    EXPECT_EQ("qel_LV_Frame #2\nqel_QRV_MdiFrame #1\n", both.Requests());
    ExpectSuccessBoxAndExit();
}

TEST_F(Upgrade, OnlyTheLastEnumeratedWindowOfAClassIsAsked) {
    StandIn three(place.File("requests.txt"), true,
                  {"qel_LV_Frame", "qel_LV_Frame", "qel_LV_Frame"});
    std::vector<HWND> windows = three.Windows();
    ASSERT_EQ(3u, windows.size());
    std::wstring last = StoredText(windows.back());
    Launch();
    Press(dialog, IDOK);
    ShownBox question = WaitForBox(installer->id(), L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    Answer(question, IDYES);
    for (int i = 0; i < 200 && three.Requests().empty(); ++i) Sleep(10);
    Sleep(300);
    EXPECT_EQ(std::string(last.begin(), last.end()) + "\n", three.Requests());
    three.End();
    ExpectSuccessBoxAndExit();
}

TEST_F(Upgrade, ClassNameDifferingInLetterCaseIsNoProductWindow) {
    StandIn other(place.File("requests.txt"), false, {"QEL_LV_FRAME", "qel_qrv_mdiframe"});
    Launch();
    Press(dialog, IDOK);
    ASSERT_NE(nullptr, WaitForBox(installer->id(), nullptr, kWaitMs).window);
    ShownBox first = WaitForBox(installer->id(), nullptr, 0);
    EXPECT_EQ(L"Instalator qel", first.caption) << "asked about a window of another class";
    ExpectSuccessBoxAndExit();
    EXPECT_EQ("", other.Requests());
}

TEST_F(Upgrade, KwilEditionWordsTheQuestionAndTheWarnings) {
    MakeKwil();
    StandIn logView(place.File("requests.txt"), false, {"qel_LV_Frame"});
    Launch();
    EXPECT_EQ(L"Uaktualnienie systemu KWIL", WindowText(dialog));
    // Damaged upgrade: tVisX.exe's new copy is gone from the work folder.
    ASSERT_TRUE(DeleteFileA(WorkFile("tvisx.exeu").c_str()));
    Press(dialog, IDOK);
    ShownBox question = WaitForBox(installer->id(), L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    EXPECT_EQ(kKwilQuestion, question.text);
    Answer(question, IDYES);
    ShownBox warning = WaitForBox(installer->id(), L"Uaktualnienie", kWaitMs, question.window);
    ASSERT_NE(nullptr, warning.window);
    EXPECT_EQ(
        L"Wystąpił błąd:\r\n\r\nSystem KWIL jest uruchomiony,\r\nalbo uaktualnienie jest "
        L"uszkodzone.\r\n\r\nAktualizacja jest niemożliwa.",
        warning.text);
    EXPECT_EQ(nullptr, warning.owner);
    Answer(warning, IDOK);
    EXPECT_EQ("new old old ", Replaced());

    // A held target afterwards: the "is running" variant of the same edition.
    HANDLE holder = CreateFileA(Target(kTVisLV).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    ASSERT_TRUE(WriteTestFile(WorkFile("tvisx.exeu"), fresh_[kTVisX]));
    for (int i = 0; i < 200 && !Enabled(IDOK); ++i) Sleep(10);
    Press(dialog, IDOK);
    warning = WaitForBox(installer->id(), L"Uaktualnienie", kWaitMs);
    CloseHandle(holder);
    ASSERT_NE(nullptr, warning.window);
    EXPECT_EQ(L"Wystąpił błąd: System KWIL jest uruchomiony.\r\n\r\nAktualizacja jest niemożliwa.",
              warning.text);
    Answer(warning, IDOK);
    EXPECT_EQ("new new old ", Replaced());
}

TEST_F(Upgrade, HeldTargetFailsThenARetryAfterItsReleaseSucceeds) {
    Launch();
    HANDLE holder = CreateFileA(Target(kTVisX).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    Press(dialog, IDOK);
    ShownBox warning = WaitForBox(installer->id(), L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, warning.window);
    EXPECT_EQ(
        L"Wystąpił błąd: Program tVis OL lub LV jest uruchomiony.\r\n\r\n"
        L"Aktualizacja jest niemożliwa.",
        warning.text);
    EXPECT_TRUE(warning.topmost);
    EXPECT_TRUE(warning.hasIcon);
    EXPECT_EQ(nullptr, warning.owner);
    std::string trace = ReadConsoleOf(installer->id(), place.File("console.txt"));
    EXPECT_NE(std::string::npos,
              trace.find("Zapisz Plik " + Target(kTVisX) + ", " +
                         std::to_string(fresh_[kTVisX].size()) + "\nRezultat: -1\n"))
        << trace;
    Answer(warning, IDOK);
    CloseHandle(holder);
    for (int i = 0; i < 500 && !(Enabled(IDOK) && Enabled(IDCANCEL)); ++i) Sleep(10);
    EXPECT_TRUE(Enabled(IDOK));
    EXPECT_TRUE(Enabled(IDCANCEL));
    EXPECT_EQ("new old old ", Replaced());
    EXPECT_EQ(Wide(Target(kTVisX)), StoredText(stageLine));

    Press(dialog, IDOK);
    ExpectSuccessBoxAndExit();
    EXPECT_EQ(ExpectedLog({kQelMapE, kTVisX, kQelMapE, kTVisX, kTVisLV}),
              ReadTestFile(kLogFilePath));
}

TEST_F(Upgrade, DamagedNewCopies) {
    struct Case {
        const char* what;
        const char* workName;
        bool recordless;  // else missing
        const wchar_t* fileBoxCaption;
        const char* replaced;
        std::vector<int> log;
    } const cases[] = {
        {"missing tVisX.exeu", "tvisx.exeu", false, nullptr, "new old old ", {kQelMapE}},
        {"tVisLV.exeu without record",
         "tvislv.exeu",
         true,
         L"tVisLV.exeu",
         "new new old ",
         {kQelMapE, kTVisX, -kTVisLV - 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int i = 0; i < kPayloadFileCount; ++i)
            ASSERT_TRUE(WriteTestFile(Target(i), installed[i]));
        Launch();
        if (c.recordless) {
            ASSERT_TRUE(
                WriteTestFile(WorkFile(c.workName), ToString(MakeFileWithoutRecord(60000))));
        } else {
            ASSERT_TRUE(DeleteFileA(WorkFile(c.workName).c_str()));
        }
        Press(dialog, IDOK);
        if (c.fileBoxCaption != nullptr) {
            ShownBox fileBox = WaitForBox(installer->id(), c.fileBoxCaption, kWaitMs);
            ASSERT_NE(nullptr, fileBox.window);
            EXPECT_EQ(L"#2 Uszkodzone pliki.", fileBox.text);
            EXPECT_FALSE(fileBox.topmost);
            EXPECT_FALSE(fileBox.hasIcon);
            Answer(fileBox, IDOK);
        }
        ShownBox warning = WaitForBox(installer->id(), L"Uaktualnienie", kWaitMs);
        ASSERT_NE(nullptr, warning.window);
        EXPECT_EQ(
            L"Wystąpił błąd:\r\n\r\nProgram tVis OL lub LV jest uruchomiony,\r\nalbo "
            L"uaktualnienie jest uszkodzone.\r\n\r\nAktualizacja jest niemożliwa.",
            warning.text);
        Answer(warning, IDOK);
        for (int i = 0; i < 500 && !Enabled(IDOK); ++i) Sleep(10);
        EXPECT_EQ(c.replaced, Replaced());
        EXPECT_EQ(ExpectedLog(c.log), ReadTestFile(kLogFilePath));
        installer.reset();
    }
}

TEST_F(Upgrade, ReadOnlyTargetIsReplaced) {
    ASSERT_TRUE(SetReadOnly(Target(kTVisLV)));
    Launch();
    Press(dialog, IDOK);
    ExpectSuccessBoxAndExit();
    EXPECT_EQ(0u, GetFileAttributesA(Target(kTVisLV).c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(Upgrade, CancelQuestionFreezesTheCountdown) {
    Launch();
    Press(dialog, IDOK);
    ASSERT_TRUE(WaitForControlText(dialog, kStageLineId, L"Przygotowanie instalacji...", kWaitMs));
    Press(dialog, IDCANCEL);  // disabled, but the command still arrives
    ShownBox question = WaitForBox(installer->id(), L"tVis upgrade", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    EXPECT_EQ(L"Przerwać uaktualnienie?", question.text);
    // Far longer than the countdown: nothing is replaced while the customer decides.
    Sleep(4000);
    EXPECT_EQ(nullptr, WaitForBox(installer->id(), L"Instalator qel", 0).window);
    EXPECT_EQ("old old old ", Replaced());
    Answer(question, IDNO);
    // "No": the countdown goes on where it stood and the upgrade follows.
    ExpectSuccessBoxAndExit();

    // "Yes" in a second run: the installer ends and nothing was replaced.
    for (int i = 0; i < kPayloadFileCount; ++i) ASSERT_TRUE(WriteTestFile(Target(i), installed[i]));
    Launch();
    Press(dialog, IDOK);
    ASSERT_TRUE(WaitForControlText(dialog, kStageLineId, L"Przygotowanie instalacji...", kWaitMs));
    Press(dialog, IDCANCEL);
    question = WaitForBox(installer->id(), L"tVis upgrade", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    Sleep(3000);
    Answer(question, IDYES);
    EXPECT_EQ(1u, installer->WaitForExit(kWaitMs));
    EXPECT_EQ("old old old ", Replaced());
}

TEST_F(Upgrade, ButtonsDuringTheProcedureChangeNothing) {
    Launch();
    Press(dialog, IDOK);
    ShownBox box = WaitForBox(installer->id(), L"Instalator qel", kWaitMs);
    ASSERT_NE(nullptr, box.window);
    // The success box has no owner, so the dialog under it still takes commands.
    Press(dialog, IDCANCEL);
    Press(dialog, IDOK);
    PostMessageW(dialog, WM_USER + 1256, 0, 0);
    Sleep(1500);
    EXPECT_EQ(nullptr, WaitForBox(installer->id(), nullptr, 0, box.window).window);
    ExpectSuccessBoxAndExit();
    EXPECT_EQ(ExpectedLog({kQelMapE, kTVisX, kTVisLV}), ReadTestFile(kLogFilePath));
}

}  // namespace

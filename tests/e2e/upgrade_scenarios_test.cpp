// The whole upgrade, end to end under Wine: an installer built by tvispack.exe from the
// stub and three product files, started as a double-click starts it, against an
// installed product in the prefix, with stand-ins for the product's running programs.
// Each scenario checks what the customer sees (dialog, boxes, bar), the exit code, the
// installed files byte for byte, "C:\tVisXlog.txt" byte for byte and the trace console.
// They share the registry, the desktop's window list and the log file: they run one
// after another.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/bar_reader.h"
#include "tests/e2e/fake_product.h"
#include "tests/e2e/file_size_limit.h"
#include "tests/e2e/screen_capture.h"
#include "tests/e2e/upgrade_fixture.h"

namespace {

const std::wstring kLogViewQuestion =
    L"Program tVis LogView lub OnLine jest uruchomiony, trzeba go zamknąć!\r\nKontynuować?";
const std::wstring kOnLineQuestion =
    L"Program tVis OnLine lub LogView jest uruchomiony, trzeba go zamknąć!\r\nKontynuować?";
const std::wstring kKwilQuestion =
    L"System KWIL jest uruchomiony, trzeba go zamknąć!\r\nKontynuować?";

// The positions a sampler saw after the one the bar showed when sampling began.
std::vector<int> Moves(std::vector<int> seen, int before) {
    if (!seen.empty() && seen.front() == before) seen.erase(seen.begin());
    return seen;
}

TEST_F(Upgrade, CleanUpgradeReplacesTheThreeFilesInOrder) {
    Launch();
    BarReader bar(GetDlgItem(dialog, kProgressBarId));
    EXPECT_EQ(0, bar.Read());
    EXPECT_TRUE(SaveWindowPng(dialog, "upgrade-ready"));
    TextSampler stages(stageLine);
    BarSampler positions(bar);
    Press(dialog, IDOK);
    // The start countdown: both buttons disabled at once.
    ASSERT_TRUE(WaitForControlText(dialog, kStageLineId, L"Przygotowanie instalacji...", kWaitMs));
    EXPECT_FALSE(Enabled(IDOK));
    EXPECT_FALSE(Enabled(IDCANCEL));
    bar.WaitFor(48, kWaitMs);
    EXPECT_TRUE(SaveWindowPng(dialog, "upgrade-countdown"));
    MessageBoxView box = WaitForBox(L"Instalator qel", kWaitMs);
    ASSERT_NE(nullptr, box.window);
    std::vector<int> seenPositions = Moves(positions.Stop(), 0);
    EXPECT_TRUE(IsRisingSubset(seenPositions, Steps(4, 4, 100)));
    EXPECT_GE(seenPositions.size(), 5u) << "the bar was hardly seen moving";
    EXPECT_TRUE(SaveWindowPng(box.window, "upgrade-success"));
    // The dialog as the customer sees it then: the last target path, the box over it.
    EXPECT_TRUE(SaveWindowPng(dialog, "upgrade-done"));
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
    FakeProduct logView({L"qel_LV_Frame"});
    ASSERT_TRUE(logView.WaitForWindows(kWaitMs));
    Launch();
    BarReader bar(GetDlgItem(dialog, kProgressBarId));
    Press(dialog, IDOK);
    MessageBoxView question = WaitForBox(L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    EXPECT_EQ(kLogViewQuestion, question.text);
    EXPECT_EQ(dialog, question.owner);
    EXPECT_TRUE(question.topmost);
    EXPECT_EQ(BoxIcon::kWarning, question.icon);
    BarSampler positions(bar);
    Answer(question, IDYES);
    EXPECT_EQ(0u, logView.WaitForExit(kWaitMs));
    EXPECT_EQ(std::vector<std::string>{"qel_LV_Frame #1"}, logView.Requests());
    ASSERT_NE(nullptr, WaitForBox(L"Instalator qel", kWaitMs).window);
    // The wait's countdown (1, 2, ...) until the window was gone, then 81 ... 100.
    std::vector<int> seenPositions = positions.Stop();
    ASSERT_FALSE(seenPositions.empty());
    EXPECT_EQ(100, seenPositions.back());
    std::vector<int> closing;
    for (int position : seenPositions) {
        if (position >= 81) closing.push_back(position);
    }
    EXPECT_TRUE(IsRisingSubset(closing, Steps(81, 1, 100)));
    ExpectSuccessBoxAndExit();
}

TEST_F(Upgrade, ProgramThatIgnoresTheRequestIsWaitedFor) {
    std::optional<FakeProduct> onLine;
    onLine.emplace(std::vector<std::wstring>{L"qel_QRV_MdiFrame"}, true);
    ASSERT_TRUE(onLine->WaitForWindows(kWaitMs));
    Launch();
    BarReader bar(GetDlgItem(dialog, kProgressBarId));
    Press(dialog, IDOK);
    MessageBoxView question = WaitForBox(L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    EXPECT_EQ(kOnLineQuestion, question.text);
    BarSampler waiting(bar);
    Answer(question, IDYES);
    // The wait: buttons enabled, a 100-tick countdown, then back to the button while the
    // program still runs; nothing is replaced meanwhile.
    ASSERT_TRUE(WaitForControlText(dialog, kStageLineId, L"Przygotowanie instalacji...", kWaitMs));
    EXPECT_TRUE(Enabled(IDOK));
    EXPECT_TRUE(Enabled(IDCANCEL));
    ASSERT_TRUE(WaitForControlText(dialog, kStageLineId, kReadyText, kWaitMs));
    // The text follows the bar's last move within one tick; the bar stays at 100 now, so
    // give the sampler a few of its periods to see it too.
    EXPECT_EQ(100, bar.WaitFor(100, 5000));
    Sleep(200);
    std::vector<int> seenPositions = Moves(waiting.Stop(), 0);
    EXPECT_TRUE(IsRisingSubset(seenPositions, Steps(1, 1, 100)));
    EXPECT_GE(seenPositions.size(), 20u);
    EXPECT_EQ(std::vector<std::string>{"qel_QRV_MdiFrame #1"}, onLine->Requests());
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), onLine->WaitForExit(0));
    EXPECT_EQ("old old old ", Replaced());
    EXPECT_EQ(nullptr, WaitForBox(nullptr, 500).window);

    // The customer closes the program: 20 ticks later the upgrade starts by itself.
    TextSampler stages(stageLine);
    BarSampler closing(bar);
    onLine.reset();
    ASSERT_NE(nullptr, WaitForBox(L"Instalator qel", kWaitMs).window);
    // The bar still shows the wait's 100 when the closing countdown begins at 81.
    EXPECT_TRUE(IsRisingSubset(Moves(closing.Stop(), 100), Steps(81, 1, 100)));
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
    std::optional<FakeProduct> logView;
    logView.emplace(std::vector<std::wstring>{L"qel_LV_Frame"});
    ASSERT_TRUE(logView->WaitForWindows(kWaitMs));
    Launch();
    Press(dialog, IDOK);
    MessageBoxView question = WaitForBox(L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    Answer(question, IDNO);
    ASSERT_TRUE(WaitForControlText(dialog, kStageLineId, L"Przygotowanie instalacji...", kWaitMs));
    Sleep(1000);
    EXPECT_TRUE(logView->Requests().empty());
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), logView->WaitForExit(0));
    EXPECT_EQ("old old old ", Replaced());
    logView.reset();
    ExpectSuccessBoxAndExit();
}

TEST_F(Upgrade, BothClassesRunningAsksAboutLogViewAndClosesItFirst) {
    FakeProduct both({L"qel_QRV_MdiFrame", L"qel_LV_Frame"});
    ASSERT_TRUE(both.WaitForWindows(kWaitMs));
    Launch();
    Press(dialog, IDOK);
    MessageBoxView question = WaitForBox(L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    EXPECT_EQ(kLogViewQuestion, question.text);
    Answer(question, IDYES);
    EXPECT_EQ(0u, both.WaitForExit(kWaitMs));
    // One thread serves both windows, so the order it saw is the order of posting.
    EXPECT_EQ((std::vector<std::string>{"qel_LV_Frame #1", "qel_QRV_MdiFrame #1"}),
              both.Requests());
    ExpectSuccessBoxAndExit();
}

TEST_F(Upgrade, OnlyTheLastEnumeratedWindowOfAClassIsAsked) {
    std::optional<FakeProduct> three;
    three.emplace(std::vector<std::wstring>{L"qel_LV_Frame", L"qel_LV_Frame", L"qel_LV_Frame"},
                  true);
    ASSERT_TRUE(three->WaitForWindows(kWaitMs));
    // The order is taken once it has settled: two looks 300 ms apart that agree. (One run
    // in many saw another window last here than the installer saw later.)
    std::vector<HWND> windows = TopLevelWindows(L"qel_LV_Frame");
    for (int look = 0; look < 20; ++look) {
        Sleep(300);
        std::vector<HWND> again = TopLevelWindows(L"qel_LV_Frame");
        if (again == windows) break;
        windows = again;
    }
    ASSERT_EQ(3u, windows.size());
    std::string last = TitleOf(windows.back());
    Launch();
    Press(dialog, IDOK);
    MessageBoxView question = WaitForBox(L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    Answer(question, IDYES);
    ASSERT_TRUE(three->WaitForRequests(1, kWaitMs));
    Sleep(300);
    EXPECT_EQ(std::vector<std::string>{last}, three->Requests());
    three.reset();
    ExpectSuccessBoxAndExit();
}

TEST_F(Upgrade, ClassNameDifferingInLetterCaseIsNoProductWindow) {
    FakeProduct other({L"QEL_LV_FRAME", L"qel_qrv_mdiframe"});
    ASSERT_TRUE(other.WaitForWindows(kWaitMs));
    Launch();
    Press(dialog, IDOK);
    MessageBoxView first = WaitForBox(nullptr, kWaitMs);
    EXPECT_EQ(L"Instalator qel", first.caption) << "asked about a window of another class";
    ExpectSuccessBoxAndExit();
    EXPECT_TRUE(other.Requests().empty());
}

TEST_F(Upgrade, KwilEditionWordsTheQuestionAndTheWarnings) {
    MakeKwil();
    // Damaged upgrade: the installer carries a tVisX.exe without its record.
    ASSERT_NO_FATAL_FAILURE(CarryInstead(kTVisX, ToString(MakeFileWithoutRecord(60000))));
    FakeProduct logView({L"qel_LV_Frame"});
    ASSERT_TRUE(logView.WaitForWindows(kWaitMs));
    Launch();
    EXPECT_EQ(L"Uaktualnienie systemu KWIL", WindowText(dialog));
    Press(dialog, IDOK);
    MessageBoxView question = WaitForBox(L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    EXPECT_EQ(kKwilQuestion, question.text);
    Answer(question, IDYES);
    MessageBoxView fileBox = WaitForBox(L"tVisX.exeu", kWaitMs);
    ASSERT_NE(nullptr, fileBox.window);
    Answer(fileBox, IDOK);
    MessageBoxView warning = WaitForBox(L"Uaktualnienie", kWaitMs, question.window);
    ASSERT_NE(nullptr, warning.window);
    EXPECT_EQ(
        L"Wystąpił błąd:\r\n\r\nSystem KWIL jest uruchomiony,\r\nalbo uaktualnienie jest "
        L"uszkodzone.\r\n\r\nAktualizacja jest niemożliwa.",
        warning.text);
    EXPECT_EQ(nullptr, warning.owner);
    Answer(warning, IDOK);
    ASSERT_TRUE(WaitUntilClosed(warning, kWaitMs));
    EXPECT_EQ("old old old ", Replaced());
    installer.reset();

    // A held target, from a sound installer: the "is running" variant of the same edition.
    ASSERT_NO_FATAL_FAILURE(CarryInstead(kTVisX, fresh_[kTVisX]));
    Launch();
    HANDLE holder = CreateFileA(Target(kTVisLV).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    Press(dialog, IDOK);
    warning = WaitForBox(L"Uaktualnienie", kWaitMs);
    CloseHandle(holder);
    ASSERT_NE(nullptr, warning.window);
    EXPECT_EQ(L"Wystąpił błąd: System KWIL jest uruchomiony.\r\n\r\nAktualizacja jest niemożliwa.",
              warning.text);
    Answer(warning, IDOK);
    EXPECT_EQ("old old old ", Replaced());
}

TEST_F(Upgrade, HeldTargetFailsThenARetryAfterItsReleaseSucceeds) {
    Launch();
    HANDLE holder = CreateFileA(Target(kTVisX).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    Press(dialog, IDOK);
    MessageBoxView warning = WaitForBox(L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, warning.window);
    EXPECT_EQ(
        L"Wystąpił błąd: Program tVis OL lub LV jest uruchomiony.\r\n\r\n"
        L"Aktualizacja jest niemożliwa.",
        warning.text);
    EXPECT_TRUE(warning.topmost);
    EXPECT_EQ(BoxIcon::kWarning, warning.icon);
    EXPECT_EQ(nullptr, warning.owner);
    // Found held before anything was written: no file was written at all.
    std::string trace = ReadConsoleOf(installer->id(), place.File("console.txt"));
    EXPECT_NE(std::string::npos, trace.find("PrzetwarzajCheck plik:tVisX.exeu")) << trace;
    EXPECT_EQ(std::string::npos, trace.find("Zapisz Plik")) << trace;
    Answer(warning, IDOK);
    CloseHandle(holder);
    for (int i = 0; i < 500 && !(Enabled(IDOK) && Enabled(IDCANCEL)); ++i) Sleep(10);
    EXPECT_TRUE(Enabled(IDOK));
    EXPECT_TRUE(Enabled(IDCANCEL));
    EXPECT_EQ("old old old ", Replaced());
    EXPECT_EQ(Wide(Target(kTVisX)), StoredText(stageLine));

    Press(dialog, IDOK);
    ExpectSuccessBoxAndExit();
    EXPECT_EQ(ExpectedLog({-kQelMapE - 1, -kTVisX - 1, kQelMapE, kTVisX, kTVisLV}),
              ReadTestFile(kLogFilePath));
}

// A carried file without its version record: its box, the final warning, and nothing
// replaced, the files before it included.
TEST_F(Upgrade, DamagedNewCopies) {
    ASSERT_NO_FATAL_FAILURE(CarryInstead(kTVisLV, ToString(MakeFileWithoutRecord(60000))));
    Launch();
    Press(dialog, IDOK);
    MessageBoxView fileBox = WaitForBox(L"tVisLV.exeu", kWaitMs);
    ASSERT_NE(nullptr, fileBox.window);
    EXPECT_EQ(L"#2 Uszkodzone pliki.", fileBox.text);
    EXPECT_FALSE(fileBox.topmost);
    EXPECT_EQ(BoxIcon::kNone, fileBox.icon);
    Answer(fileBox, IDOK);
    MessageBoxView warning = WaitForBox(L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, warning.window);
    EXPECT_EQ(
        L"Wystąpił błąd:\r\n\r\nProgram tVis OL lub LV jest uruchomiony,\r\nalbo "
        L"uaktualnienie jest uszkodzone.\r\n\r\nAktualizacja jest niemożliwa.",
        warning.text);
    Answer(warning, IDOK);
    for (int i = 0; i < 500 && !Enabled(IDOK); ++i) Sleep(10);
    EXPECT_EQ("old old old ", Replaced());
    EXPECT_EQ(ExpectedLog({-kQelMapE - 1, -kTVisX - 1, -kTVisLV - 1}), ReadTestFile(kLogFilePath));
}

TEST_F(Upgrade, WriteThatStopsShortLeavesTheInstalledFileWhole) {
    Launch();
    // From now on every file the installer writes stops at 100,000 bytes, as on a disk
    // that fills up: each new copy is larger, so its write comes up short.
    ASSERT_TRUE(LimitFileSize(installerPath, 100000));
    Press(dialog, IDOK);
    MessageBoxView warning = WaitForBox(L"Uaktualnienie", kWaitMs);
    ASSERT_NE(nullptr, warning.window);
    EXPECT_EQ(
        L"Wystąpił błąd: Program tVis OL lub LV jest uruchomiony.\r\n\r\n"
        L"Aktualizacja jest niemożliwa.",
        warning.text);
    std::string trace = ReadConsoleOf(installer->id(), place.File("console.txt"));
    EXPECT_NE(std::string::npos,
              trace.find("Zapisz Plik " + Target(kQelMapE) + ", " +
                         std::to_string(fresh_[kQelMapE].size()) + "\nRezultat: -1\n"))
        << trace;
    Answer(warning, IDOK);
    for (int i = 0; i < 500 && !Enabled(IDOK); ++i) Sleep(10);
    EXPECT_TRUE(Enabled(IDOK));
    // The installed library is whole, as before, and no temporary file is left.
    EXPECT_EQ("old old old ", Replaced());
    EXPECT_EQ((std::vector<std::string>{"qelMapE.dll", "tVisLV.exe", "tVisX.exe"}),
              FilesIn(product + "\\"));
    EXPECT_EQ(ExpectedLog({kQelMapE}), ReadTestFile(kLogFilePath));
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
    MessageBoxView question = WaitForBox(L"tVis upgrade", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    EXPECT_EQ(L"Przerwać uaktualnienie?", question.text);
    EXPECT_EQ(dialog, question.owner);
    EXPECT_EQ(BoxIcon::kQuestion, question.icon);
    // Far longer than the countdown: nothing is replaced while the customer decides.
    Sleep(4000);
    EXPECT_EQ(nullptr, WaitForBox(L"Instalator qel", 0).window);
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
    question = WaitForBox(L"tVis upgrade", kWaitMs);
    ASSERT_NE(nullptr, question.window);
    Sleep(3000);
    Answer(question, IDYES);
    EXPECT_EQ(1u, installer->WaitForExit(kWaitMs));
    EXPECT_EQ("old old old ", Replaced());
}

TEST_F(Upgrade, ButtonsDuringTheProcedureChangeNothing) {
    Launch();
    Press(dialog, IDOK);
    MessageBoxView box = WaitForBox(L"Instalator qel", kWaitMs);
    ASSERT_NE(nullptr, box.window);
    // The success box has no owner, so the dialog under it still takes commands.
    Press(dialog, IDCANCEL);
    Press(dialog, IDOK);
    PostMessageW(dialog, WM_USER + 1256, 0, 0);
    Sleep(1500);
    EXPECT_EQ(nullptr, WaitForBox(nullptr, 0, box.window).window);
    ExpectSuccessBoxAndExit();
    EXPECT_EQ(ExpectedLog({kQelMapE, kTVisX, kTVisLV}), ReadTestFile(kLogFilePath));
}

TEST_F(Upgrade, StartMessageWithoutAnInstalledProductChangesNothing) {
    ForgetUpgradeRuns();  // no registry value, and no default folder on this drive
    installer = std::make_unique<StartedProcess>(installerPath);
    ASSERT_TRUE(installer->started());
    MessageBoxView notFound = WaitForBox(L"", kWaitMs);
    ASSERT_NE(nullptr, notFound.window);
    EXPECT_EQ(
        L"Nie można odnaleźć zainstalowanego oprogramowania tVis (#1).\r\n\r\n"
        L"Uaktualnienie jest niemożliwe.",
        notFound.text);
    Answer(notFound, IDOK);
    dialog = WaitForDialog(installer->id(), nullptr, kStageLineId, kWaitMs);
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(
        WaitForControlText(dialog, kStatusLineId, L"Nie można aktualizować tVis!", kWaitMs));
    // A start message from outside: no procedure runs, nothing is written anywhere.
    PostMessageW(dialog, WM_USER + 1256, 0, 0);
    Press(dialog, IDOK);
    EXPECT_EQ(nullptr, WaitForBox(nullptr, 1500, notFound.window).window);
    EXPECT_FALSE(TestFileExists("C:\\qelMapE.dll"));
    EXPECT_EQ("old old old ", Replaced());
    Press(dialog, IDCANCEL);
    EXPECT_EQ(1u, installer->WaitForExit(kWaitMs));
    EXPECT_EQ("", ReadTestFile(kLogFilePath));
}

}  // namespace

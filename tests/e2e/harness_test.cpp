// The end-to-end harness proven piece by piece on what exists: the real installer up to
// its ready state and its cancel question, and helper programs of our own for what the
// installer cannot show yet (a stepping progress bar, every kind of message box, the
// product's windows, a write under a file-size limit). Each piece is read from another
// process, as the scenarios will read the installer.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "resources/dialog_ids.h"
#include "tests/e2e/bar_host.h"
#include "tests/e2e/bar_reader.h"
#include "tests/e2e/fake_product.h"
#include "tests/e2e/file_size_limit.h"
#include "tests/e2e/installer_driver.h"
#include "tests/e2e/message_boxes.h"
#include "tests/e2e/screen_capture.h"

namespace {

constexpr DWORD kQuickMs = 5000;

// --- The installer -----------------------------------------------------------------

class InstallerHarness : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(setup.Prepare()); }
    UpgradeSetup setup;
};

TEST_F(InstallerHarness, ReadyDialogShowsBothVersionsAnEmptyBarAndIsPhotographed) {
    InstallerDriver installer(setup.installer());
    ASSERT_TRUE(installer.WaitForReady());

    DialogView view = installer.ReadDialog();
    EXPECT_EQ(L"Uaktualnienie tVis (ZRP)", view.title);
    EXPECT_EQ(L"Inicjalizacja zakończona", view.status);
    EXPECT_EQ(kReadyStageText, view.stage);
    EXPECT_EQ(L"5.2 R", view.installedVersion);
    EXPECT_EQ(L"2025.06.11  godz. 09:05.07,42", view.installedDate);
    EXPECT_EQ(L"1.187", view.installedBuild);
    EXPECT_EQ(L"2026.12.10  godz. 14:30.05,50", view.upgradeDate);
    EXPECT_EQ(L"1.250", view.upgradeBuild);
    EXPECT_EQ(L"&UAKTUALNIJ", view.upgradeButton);
    EXPECT_EQ(L"&Anuluj", view.cancelButton);
    EXPECT_TRUE(view.upgradeEnabled);
    EXPECT_TRUE(view.cancelEnabled);

    // The bar is empty; set from outside, it reads as the dialog's own options draw it.
    HWND barControl = GetDlgItem(installer.dialog(), kProgressBarId);
    BarReader bar(barControl);
    EXPECT_EQ(0, bar.WaitFor(0, kQuickMs));
    for (int position : {1, 4, 50, 81, 100, 0}) {
        SendMessageTimeoutW(barControl, PBM_SETPOS, static_cast<WPARAM>(position), 0,
                            SMTO_ABORTIFHUNG, kQuickMs, nullptr);
        EXPECT_EQ(position, bar.WaitFor(position, kQuickMs));
    }

    EXPECT_TRUE(SaveWindowPng(installer.dialog(), "e2e_ready_dialog"));
    Image shot = CaptureWindow(installer.dialog());
    RECT frame;
    GetWindowRect(installer.dialog(), &frame);
    EXPECT_EQ(frame.right - frame.left, shot.width);
    EXPECT_EQ(frame.bottom - frame.top, shot.height);
}

TEST_F(InstallerHarness, CancelQuestionIsReadAndAnsweredNoThenYes) {
    InstallerDriver installer(setup.installer());
    ASSERT_TRUE(installer.WaitForReady());

    installer.Press(IDCANCEL);
    std::optional<MessageBoxView> question = installer.WaitForMessageBox();
    ASSERT_TRUE(question.has_value());
    EXPECT_EQ(L"tVis upgrade", question->caption);
    EXPECT_EQ(L"Przerwać uaktualnienie?", question->text);
    EXPECT_EQ(installer.dialog(), question->owner);
    EXPECT_TRUE(question->topmost);
    EXPECT_EQ(BoxIcon::kQuestion, question->icon);
    EXPECT_EQ(2u, question->buttons.size());
    Answer(*question, IDNO);
    EXPECT_TRUE(WaitUntilClosed(*question, kQuickMs));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), installer.WaitForExit(500));
    EXPECT_EQ(kReadyStageText, installer.ReadDialog().stage);

    installer.Press(IDCANCEL);
    std::optional<MessageBoxView> again = installer.WaitForMessageBox();
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(L"Przerwać uaktualnienie?", again->text);
    Answer(*again, IDYES);
    EXPECT_EQ(1u, installer.WaitForExit());
}

TEST_F(InstallerHarness, FileSizeLimitReachesTheReadyInstallerWithoutEndingIt) {
    InstallerDriver installer(setup.installer());
    ASSERT_TRUE(installer.WaitForReady());
    EXPECT_TRUE(LimitFileSize(installer.path(), 100000));
    // Still alive and answering.
    installer.Press(IDCANCEL);
    std::optional<MessageBoxView> question = installer.WaitForMessageBox();
    ASSERT_TRUE(question.has_value());
    Answer(*question, IDYES);
    EXPECT_EQ(1u, installer.WaitForExit());
}

// --- The product's windows -------------------------------------------------------------

std::vector<std::string> Titles(const std::vector<HWND>& windows) {
    std::vector<std::string> titles;
    for (HWND window : windows) titles.push_back(TitleOf(window));
    return titles;
}

TEST(FakeProductHarness, CloseRequestsAreRecordedInPostingOrderAndEndTheProgram) {
    FakeProduct product({kLogViewClass, kOnLineClass, kLogViewClass});
    ASSERT_TRUE(product.WaitForWindows(kE2eWaitMs));
    std::vector<HWND> logViews = TopLevelWindows(kLogViewClass);
    std::vector<HWND> onLines = TopLevelWindows(kOnLineClass);
    ASSERT_EQ(2u, logViews.size());
    ASSERT_EQ(1u, onLines.size());
    // Their order in EnumWindows is the z-order, which Wine usually gives newest first but
    // a loaded machine may not; the installer copes with either (it takes the last), so the
    // windows are told apart by their titles here.
    std::vector<std::string> titles = Titles(logViews);
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ((std::vector<std::string>{"qel_LV_Frame #1", "qel_LV_Frame #2"}), titles);
    EXPECT_EQ((std::vector<std::string>{"qel_QRV_MdiFrame #1"}), Titles(onLines));
    if (TitleOf(logViews[0]) == "qel_LV_Frame #1") std::swap(logViews[0], logViews[1]);

    PostCloseRequest(onLines[0]);
    PostCloseRequest(logViews[1]);
    PostCloseRequest(logViews[0]);
    ASSERT_TRUE(product.WaitForRequests(3, kE2eWaitMs));
    EXPECT_EQ(
        (std::vector<std::string>{"qel_QRV_MdiFrame #1", "qel_LV_Frame #1", "qel_LV_Frame #2"}),
        product.Requests());
    EXPECT_EQ(0u, product.WaitForExit(kE2eWaitMs));
}

struct WrongRequest {
    WPARAM wParam;
    LPARAM lParam;
    const char* recorded;
};

TEST(FakeProductHarness, RequestsWithOtherParametersAreRecordedAsBadAndIgnored) {
    const WrongRequest cases[] = {
        {0x12345679, static_cast<LPARAM>(kCloseRequestLParam),
         "bad qel_LV_Frame #1 wParam=0x12345679 lParam=0x87654321"},
        {0x12345678, static_cast<LPARAM>(0x87654320u),
         "bad qel_LV_Frame #1 wParam=0x12345678 lParam=0x87654320"},
        {0x87654321, 0x12345678, "bad qel_LV_Frame #1 wParam=0x87654321 lParam=0x12345678"},
        {0, 0, "bad qel_LV_Frame #1 wParam=0x0 lParam=0x0"},
    };
    FakeProduct product({kLogViewClass});
    ASSERT_TRUE(product.WaitForWindows(kE2eWaitMs));
    HWND window = product.Windows().at(0);
    for (const WrongRequest& wrong : cases) PostCloseRequest(window, wrong.wParam, wrong.lParam);
    PostCloseRequest(window);
    ASSERT_TRUE(product.WaitForRequests(5, kE2eWaitMs));
    std::vector<std::string> lines = product.Requests();
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(cases[i].recorded, lines[i]);
    EXPECT_EQ("qel_LV_Frame #1", lines[4]);
    EXPECT_EQ(0u, product.WaitForExit(kE2eWaitMs));
}

TEST(FakeProductHarness, IgnoreCloseRecordsTheRequestAndKeepsTheWindow) {
    FakeProduct product({kOnLineClass}, true);
    ASSERT_TRUE(product.WaitForWindows(kE2eWaitMs));
    HWND window = product.Windows().at(0);
    PostCloseRequest(window);
    ASSERT_TRUE(product.WaitForRequests(1, kE2eWaitMs));
    EXPECT_EQ((std::vector<std::string>{"qel_QRV_MdiFrame #1"}), product.Requests());
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), product.WaitForExit(300));
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST(FakeProductHarness, ClassNamesAreKeptExactlyAndMatchedCaseSensitively) {
    FakeProduct product({L"QEL_LV_FRAME"});
    ASSERT_TRUE(product.WaitForWindows(kE2eWaitMs));
    HWND window = product.Windows().at(0);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    EXPECT_STREQ(L"QEL_LV_FRAME", name);
    EXPECT_TRUE(TopLevelWindows(kLogViewClass).empty());
    EXPECT_EQ(1u, TopLevelWindows(L"QEL_LV_FRAME").size());
}

// --- The progress bar ---------------------------------------------------------------

class BarHarness : public ::testing::Test {
protected:
    // A bar host with positions to step through every intervalMs (none: set by the test).
    HWND StartHost(const std::string& arguments = "") {
        host_.reset(new RunningProgram(BesideThisProgram("e2e_bar_host.exe"), BesideThisProgram(""),
                                       arguments));
        DWORD start = GetTickCount();
        HWND window = nullptr;
        while (window == nullptr && GetTickCount() - start < kE2eWaitMs) {
            for (HWND candidate : TopLevelWindows(kBarHostClassName)) {
                DWORD process = 0;
                GetWindowThreadProcessId(candidate, &process);
                if (process == host_->id()) window = candidate;
            }
            if (window == nullptr) Sleep(20);
        }
        return window;
    }
    void StopHost() {
        for (HWND window : TopLevelWindows(kBarHostClassName)) PostMessageW(window, WM_CLOSE, 0, 0);
        if (host_) host_->WaitForExit(kQuickMs);
        host_.reset();
    }
    void TearDown() override { StopHost(); }
    static void SetPosition(HWND bar, int position) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0, SMTO_ABORTIFHUNG,
                            kQuickMs, &result);
    }

    std::unique_ptr<RunningProgram> host_;
};

TEST_F(BarHarness, ReadsEveryPositionOfAnotherProcesssBar) {
    HWND host = StartHost();
    ASSERT_NE(nullptr, host);
    HWND bar = GetDlgItem(host, kBarHostControlId);
    BarReader reader(bar);
    for (int position = 0; position <= 100; ++position) {
        SetPosition(bar, position);
        EXPECT_EQ(position, reader.WaitFor(position, kQuickMs));
    }
    // Beyond the range the control shows its end.
    SetPosition(bar, 150);
    EXPECT_EQ(100, reader.WaitFor(100, kQuickMs));
}

struct OtherLook {
    const char* what;
    uint32_t options;
    uint32_t colour;
};

TEST_F(BarHarness, NoMatchForABarDrawnOtherwiseOrCovered) {
    HWND host = StartHost();
    ASSERT_NE(nullptr, host);
    HWND bar = GetDlgItem(host, kBarHostControlId);
    SetPosition(bar, 50);
    BarReader right(bar);
    ASSERT_EQ(50, right.WaitFor(50, kQuickMs));

    const OtherLook looks[] = {
        {"another colour", PBXO_PERCENT | PBXO_SEGMENTS, 0x008800},
        {"no percentage", PBXO_SEGMENTS, 0x880000},
        {"no segments", PBXO_PERCENT, 0x880000},
        {"thin frame", PBXO_PERCENT | PBXO_SEGMENTS | PBXO_THIN, 0x880000},
    };
    for (const OtherLook& look : looks) {
        BarReader wrong(bar, look.options, look.colour);
        EXPECT_EQ(BarReader::kNoMatch, wrong.Read()) << look.what;
    }

    // A window over the bar: the screen shows that window, and the reader says so.
    RECT rect;
    GetWindowRect(bar, &rect);
    HWND cover = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, L"STATIC",
                                 L"", WS_POPUP | WS_VISIBLE | WS_BORDER, rect.left + 100,
                                 rect.top - 4, 60, rect.bottom - rect.top + 8, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, cover);
    UpdateWindow(cover);
    EXPECT_EQ(BarReader::kNoMatch, right.WaitFor(BarReader::kNoMatch, kQuickMs));
    DestroyWindow(cover);
    EXPECT_EQ(50, right.WaitFor(50, kQuickMs));
}

struct Countdown {
    const char* what;
    int first;
    int step;
};

TEST_F(BarHarness, SamplerSeesCountdownsRiseToTheEnd) {
    const Countdown countdowns[] = {
        {"25 ticks", 4, 4},
        {"20 ticks", 81, 1},
    };
    for (const Countdown& countdown : countdowns) {
        std::vector<int> steps = Steps(countdown.first, countdown.step, 100);
        std::string arguments = "100";
        for (int step : steps) arguments += " " + std::to_string(step);
        HWND host = StartHost(arguments);
        ASSERT_NE(nullptr, host) << countdown.what;
        BarReader reader(GetDlgItem(host, kBarHostControlId));
        ASSERT_EQ(0, reader.WaitFor(0, kQuickMs)) << countdown.what;

        BarSampler sampler(reader);
        PostMessageW(host, kStartSteps, 0, 0);
        EXPECT_EQ(100, reader.WaitFor(100, kE2eWaitMs)) << countdown.what;
        Sleep(100);
        std::vector<int> seen = sampler.Stop();

        std::vector<int> allowed = steps;
        allowed.insert(allowed.begin(), 0);
        EXPECT_TRUE(IsRisingSubset(seen, allowed)) << countdown.what;
        EXPECT_EQ(0, seen.front()) << countdown.what;
        // Ticks of 100 ms read every 15 ms: most of them are seen.
        EXPECT_GE(seen.size(), steps.size() / 2) << countdown.what;
        EXPECT_LT(sampler.unmatched(), sampler.readings() / 4) << countdown.what;
        StopHost();
    }
}

struct SubsetCase {
    std::vector<int> seen;
    bool passes;
};

TEST(RisingSubset, AcceptsOnlyRisingAllowedPositionsEndingAtTheLast) {
    const std::vector<int> allowed = Steps(4, 4, 100);
    ASSERT_EQ(25u, allowed.size());
    const SubsetCase cases[] = {
        {{4, 8, 12, 100}, true},  {{100}, true}, {allowed, true}, {{}, false},
        {{4, 9, 100}, false},      // not a step
        {{4, 12, 8, 100}, false},  // falls back
        {{4, 4, 100}, false},      // repeats
        {{4, 8, 96}, false},       // stops short
        {{4, 100, 104}, false},    // overshoots
    };
    for (const SubsetCase& test : cases) {
        EXPECT_EQ(test.passes, static_cast<bool>(IsRisingSubset(test.seen, allowed)))
            << ::testing::PrintToString(test.seen);
    }
    EXPECT_EQ((std::vector<int>{81, 82, 83}), Steps(81, 1, 83));
    EXPECT_EQ(100u, Steps(1, 1, 100).size());
}

// --- Message boxes ----------------------------------------------------------------------

struct BoxCase {
    const char* what;
    UINT flags;
    bool owned;
    int answer;
    BoxIcon icon;
    bool topmost;
    size_t buttons;
};

TEST(MessageBoxHarness, ReadsAnotherProcesssBoxesAndAnswersThem) {
    const BoxCase cases[] = {
        {"information", MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL, false, IDOK,
         BoxIcon::kInformation, true, 1},
        {"warning", MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL, false, IDOK, BoxIcon::kWarning, true,
         1},
        {"error", MB_OK | MB_ICONERROR | MB_SYSTEMMODAL, false, IDOK, BoxIcon::kError, true, 1},
        {"question, owned, yes", MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL, true, IDYES,
         BoxIcon::kQuestion, true, 2},
        {"warning, owned, not system modal, no", MB_YESNO | MB_ICONWARNING, true, IDNO,
         BoxIcon::kWarning, false, 2},
        {"no icon", MB_OK, false, IDOK, BoxIcon::kNone, false, 1},
    };
    for (const BoxCase& test : cases) {
        char flags[16];
        wsprintfA(flags, "%x", test.flags);
        RunningProgram program(BesideThisProgram("e2e_message_box.exe"), BesideThisProgram(""),
                               std::string(flags) + (test.owned ? " --owned" : ""));
        ASSERT_TRUE(program.started()) << test.what;
        std::optional<MessageBoxView> box = WaitForMessageBox(program.id(), {}, kE2eWaitMs);
        ASSERT_TRUE(box.has_value()) << test.what;
        EXPECT_EQ(L"Instalator qel", box->caption) << test.what;
        EXPECT_EQ(L"Aktualizacja oprogramowania zakończona poprawnie.", box->text) << test.what;
        EXPECT_EQ(test.icon, box->icon) << test.what;
        EXPECT_EQ(test.topmost, box->topmost) << test.what;
        EXPECT_EQ(test.buttons, box->buttons.size()) << test.what;
        if (test.owned) {
            std::vector<HWND> owners = TopLevelWindows(L"TVIS_E2E_BOX_OWNER");
            ASSERT_EQ(1u, owners.size()) << test.what;
            EXPECT_EQ(owners[0], box->owner) << test.what;
        } else {
            EXPECT_EQ(nullptr, box->owner) << test.what;
        }
        Answer(*box, test.answer);
        EXPECT_EQ(static_cast<DWORD>(test.answer), program.WaitForExit(kE2eWaitMs)) << test.what;
    }
}

// --- File-size limits -------------------------------------------------------------------

TEST(FileSizeLimitHarness, WriteAcrossTheLimitComesUpShortAndReportsSuccess) {
    TempFolder folder;
    const std::string event = "tvis_e2e_write_" + std::to_string(GetCurrentProcessId());
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, event.c_str());
    ASSERT_NE(nullptr, go);
    const std::string probe = BesideThisProgram("e2e_write_probe.exe");
    const std::string output = folder.File("big.bin");
    const std::string report = folder.File("report.txt");
    RunningProgram program(probe, folder.path(),
                           event + " \"" + output + "\" 1048576 \"" + report + "\"");
    ASSERT_TRUE(program.started());

    EXPECT_TRUE(LimitFileSize(probe, 204800));
    SetEvent(go);
    EXPECT_EQ(0u, program.WaitForExit(kE2eWaitMs));
    CloseHandle(go);
    EXPECT_EQ("returned=1 written=204800 error=0", ReadTestFile(report));
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExA(output.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(204800u, data.nFileSizeLow);
}

TEST(FileSizeLimitHarness, NoRunningProgramNoLimit) {
    testing::AssertionResult result = LimitFileSize("C:\\nowhere\\none.exe", 1000);
    EXPECT_FALSE(result);
    EXPECT_NE(std::string::npos, std::string(result.message()).find("no running process"))
        << result.message();
}

}  // namespace

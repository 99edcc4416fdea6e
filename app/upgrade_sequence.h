// The upgrade start sequence: what a tick of the 100 ms timer does, what the upgrade
// button starts and which question it asks, when the start message runs the upgrade, and
// the positions the progress bar shows. The decisions are plain functions over the
// sequence's process-wide state below, portable (upgrade_sequence.cpp), so every one is
// table-tested natively; the dialog's handlers (upgrade_sequence_win.cpp) only carry
// their outcomes out.
//
// States: StartCountdown (25 ticks, then the upgrade starts), WaitingForClose (a product
// program was found: the ticks look for it and run a 100-tick countdown), ClosingCountdown
// (its windows are gone: 20 ticks, then the upgrade starts), Upgrading.
#pragma once

#include <cstdint>

constexpr uint32_t kStartCountdownTicks = 25;
constexpr uint32_t kWaitCountdownTicks = 100;
constexpr uint32_t kClosingCountdownTicks = 20;

// Size of upgradePath, terminator included.
constexpr uint32_t kUpgradePathSize = 260;

// Every tick searches for running product windows.
extern bool watchRunning;
// Ticks left in the current countdown; 0 when none runs.
extern uint32_t countdown;
// Length of the current countdown, for the bar's percentage.
extern uint32_t countdownTotal;
// At the end of the countdown, start the upgrade instead of waiting for the button.
extern bool startWhenDone;
// The installed folder text handed to the upgrade procedure.
extern char upgradePath[kUpgradePathSize];

// Guards against re-entry. Message boxes run their own message loop, so the ticks, the
// buttons and the start message all still arrive while a question is open or while the
// upgrade procedure shows its boxes.
// One of the dialog's own questions (cancel, or a running product program) is open.
extern bool questionOpen;
// The upgrade procedure is running.
extern bool upgradeRunning;
// A start message arrived while a question was open; it goes out again after "No".
extern bool startDeferred;

// Puts every variable above back to its value at program start.
void ResetStartSequence();

// The bar position after a tick: (total - left) * 100 / total in unsigned 32-bit
// arithmetic, rounded down; 100 for a total of 0.
uint32_t CountdownPosition(uint32_t total, uint32_t left);

// Whether this tick must look for running product windows before TickStartSequence.
bool TickSearches();

// What one tick does, in the order the dialog carries it out.
struct TickOutcome {
    bool programsClosed = false;  // stage line "Zamknięto uruchomiany tVis..."
    bool barMoved = false;        // stage line "Przygotowanie instalacji..." and the bar
    uint32_t barPosition = 0;     //   moved to this position
    bool postStart = false;       // trace "PostMessage" and post the start message
    bool waitForButton = false;   // trace "Czeka na przycisk", stage line "Uaktualnienie gotowe"
};

// One tick of the 100 ms timer. productWindowFound is what the search found when
// TickSearches() asked for one, and is ignored otherwise. While a question is open or
// the upgrade runs, the tick changes nothing.
TickOutcome TickStartSequence(bool productWindowFound);

// Whether the buttons (and the start message) must be ignored: one of the dialog's
// questions is open or the upgrade procedure is running.
bool ButtonsIgnored();

enum class ButtonOutcome {
    kIgnored,           // a question is open or the upgrade runs: nothing happens
    kNothingToUpgrade,  // the button only stopped the watch ("IDOK" traced)
    kSearch,            // "IDOK" traced; look for running product programs next
};

// The upgrade button (IDOK). Unless ignored, it stops the watch and takes candidateFolder
// as the folder the upgrade procedure is handed; with no product to upgrade that is all.
ButtonOutcome PressButton(const char* candidateFolder, bool upgradePossible);

enum class RunningQuestion { kNone, kLogView, kOnLine };

// Which question the upgrade button asks: the LogView question whenever a LogView window
// was found, the OnLine question when only an OnLine window was.
RunningQuestion ChooseQuestion(bool logViewFound, bool onLineFound);

// After the button's search: the question to ask about the programs found, or kNone when
// none runs, in which case the 25-tick countdown has begun and the upgrade follows it.
RunningQuestion ProgramsSearched(bool logViewFound, bool onLineFound);

// The question's text for the installed edition; null for kNone.
const char* RunningQuestionText(RunningQuestion question, bool kwilEdition);

// The dialog's two questions. While either is open the ticks, the buttons and the start
// message stand still, so nothing is replaced while the customer is being asked.
enum class DialogQuestion {
    kRunningPrograms,  // the button's question about running product programs
    kCancel,           // "Przerwać uaktualnienie?"
};

void BeginQuestion();

// Closes the question. After the running-program question, whatever the answer, the ticks
// watch for the programs' windows and run the 100-tick countdown; a start that an earlier
// countdown had scheduled or that came while the question was open is dropped: a product
// program runs now, and the watch schedules the start once it is gone. After the cancel
// question's "No", a start that came while it was open goes out again. Returns whether the
// start message must be posted again now.
bool EndQuestion(DialogQuestion question, bool answeredYes);

enum class StartDecision {
    kIgnore,  // no product to upgrade, or the procedure already runs
    kDefer,   // a question is open: the start goes out again after its "No"
    kRun,     // run the upgrade procedure now
};

// The start message. Only the dialog's own countdown posts it, and only once an installed
// product was found; from anywhere else it would write into an empty product folder. A
// second start while the procedure runs would replace the files under it.
StartDecision DecideStart(bool upgradePossible);

#ifdef _WIN32
// The Win32 half (upgrade_sequence_win.cpp): the dialog's handlers for the tick, the
// upgrade button and the start message, and the search for running product programs.
#include <windows.h>

// Window classes of the product's programs, compared exactly (letter case included).
constexpr const char* kLogViewClassName = "qel_LV_Frame";
constexpr const char* kOnLineClassName = "qel_QRV_MdiFrame";

// The request to a product program to close itself, and its fixed parameters.
constexpr UINT kCloseRequestMessage = WM_USER + 1818;
constexpr WPARAM kCloseRequestWParam = 0x12345678;
constexpr LPARAM kCloseRequestLParam = static_cast<LPARAM>(0x87654321u);

// Top-level windows of the two classes found by the last search; null when none.
extern HWND logViewWindow;
extern HWND onLineWindow;

// EnumWindows callbacks: store a window of their class; when several match, the last one
// enumerated stays. Always TRUE, so the enumeration runs to its end.
BOOL CALLBACK FindLogViewWindow(HWND window, LPARAM);
BOOL CALLBACK FindOnLineWindow(HWND window, LPARAM);

// Timer 100.
void TickUpgradeSequence(HWND dialog);

// IDOK: looks for running product programs, asks about them, and starts a countdown.
void PressUpgradeButton(HWND dialog);

// Asks one of the dialog's questions in a box (Yes/No) and returns the answer, with the
// start message posted again where EndQuestion says so.
int AskQuestion(HWND dialog, DialogQuestion question, const char* text, const char* caption,
                UINT flags);

// The start message: runs the upgrade procedure. TRUE when the dialog has ended.
INT_PTR StartUpgrade(HWND dialog);
#endif

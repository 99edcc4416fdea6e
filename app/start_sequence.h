// The upgrade start sequence's decisions, apart from the Win32 calls that carry them out:
// what a tick of the 100 ms timer does, what the upgrade button starts, which question it
// asks, and the positions the progress bar shows. Plain functions over the sequence's
// process-wide state below; portable, so every decision is table-tested natively.
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
// A start message arrived while a question was open; it is posted again after "No".
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

enum class RunningQuestion { kNone, kLogView, kOnLine };

// Which question the upgrade button asks: the LogView question whenever a LogView window
// was found, the OnLine question when only an OnLine window was.
RunningQuestion ChooseQuestion(bool logViewFound, bool onLineFound);

// The question's text for the installed edition; null for kNone.
const char* RunningQuestionText(RunningQuestion question, bool kwilEdition);

// After the running-program question, whatever the answer: watch for the windows and run
// the 100-tick countdown. A start that an earlier countdown had scheduled is dropped: a
// product program is running now, and the watch schedules the start once it is gone.
void BeginWaitForClose();

// No product program runs: the 25-tick countdown, then the upgrade.
void BeginStartCountdown();

// The upgrade start sequence's decisions; see upgrade_sequence.h.
#include "app/upgrade_sequence.h"

#include <cstring>

bool watchRunning = false;
uint32_t countdown = 0;
uint32_t countdownTotal = 0;
bool startWhenDone = false;
char upgradePath[kUpgradePathSize];

bool questionOpen = false;
bool upgradeRunning = false;
bool startDeferred = false;

void ResetStartSequence() {
    watchRunning = false;
    countdown = 0;
    countdownTotal = 0;
    startWhenDone = false;
    std::memset(upgradePath, 0, sizeof upgradePath);
    questionOpen = false;
    upgradeRunning = false;
    startDeferred = false;
}

namespace {

// No product program runs: the 25-tick countdown, then the upgrade.
void BeginStartCountdown() {
    startWhenDone = true;
    countdownTotal = kStartCountdownTicks;
    countdown = kStartCountdownTicks;
}

// A product program runs: watch for its windows and run the 100-tick countdown, which ends
// waiting for the button unless the programs close first.
void BeginWaitForClose() {
    watchRunning = true;
    countdownTotal = kWaitCountdownTicks;
    countdown = kWaitCountdownTicks;
    startWhenDone = false;
}

}  // namespace

uint32_t CountdownPosition(uint32_t total, uint32_t left) {
    if (total == 0) return 100;
    return (total - left) * 100u / total;
}

bool ButtonsIgnored() { return questionOpen || upgradeRunning; }

bool TickSearches() { return watchRunning && !ButtonsIgnored(); }

TickOutcome TickStartSequence(bool productWindowFound) {
    TickOutcome outcome;
    if (ButtonsIgnored()) return outcome;
    if (watchRunning && !productWindowFound) {
        // The programs are gone: a short countdown, then the upgrade starts by itself.
        // countdownTotal keeps the wait's 100, so the bar runs from 81 to 100.
        watchRunning = false;
        outcome.programsClosed = true;
        countdown = kClosingCountdownTicks;
        startWhenDone = true;
    } else if (countdown == 0) {
        return outcome;
    }

    --countdown;
    outcome.barMoved = true;
    outcome.barPosition = CountdownPosition(countdownTotal, countdown);
    if (countdown > 0) return outcome;

    if (startWhenDone) {
        outcome.postStart = true;
    } else {
        outcome.waitForButton = true;
    }
    startWhenDone = false;
    return outcome;
}

ButtonOutcome PressButton(const char* candidateFolder, bool upgradePossible) {
    if (ButtonsIgnored()) return ButtonOutcome::kIgnored;
    watchRunning = false;
    std::memcpy(upgradePath, candidateFolder, sizeof upgradePath);
    upgradePath[sizeof upgradePath - 1] = '\0';
    return upgradePossible ? ButtonOutcome::kSearch : ButtonOutcome::kNothingToUpgrade;
}

RunningQuestion ChooseQuestion(bool logViewFound, bool onLineFound) {
    if (logViewFound) return RunningQuestion::kLogView;
    if (onLineFound) return RunningQuestion::kOnLine;
    return RunningQuestion::kNone;
}

RunningQuestion ProgramsSearched(bool logViewFound, bool onLineFound) {
    RunningQuestion question = ChooseQuestion(logViewFound, onLineFound);
    if (question == RunningQuestion::kNone) BeginStartCountdown();
    return question;
}

const char* RunningQuestionText(RunningQuestion question, bool kwilEdition) {
    if (question == RunningQuestion::kNone) return nullptr;
    if (kwilEdition) return "System KWIL jest uruchomiony, trzeba go zamknąć!\r\nKontynuować?";
    if (question == RunningQuestion::kLogView) {
        return "Program tVis LogView lub OnLine jest uruchomiony, trzeba go zamknąć!\r\n"
               "Kontynuować?";
    }
    return "Program tVis OnLine lub LogView jest uruchomiony, trzeba go zamknąć!\r\n"
           "Kontynuować?";
}

void BeginQuestion() { questionOpen = true; }

bool EndQuestion(DialogQuestion question, bool answeredYes) {
    questionOpen = false;
    bool postAgain = question == DialogQuestion::kCancel && !answeredYes && startDeferred;
    if (question == DialogQuestion::kRunningPrograms || postAgain) startDeferred = false;
    if (question == DialogQuestion::kRunningPrograms) BeginWaitForClose();
    return postAgain;
}

StartDecision DecideStart(bool upgradePossible) {
    if (!upgradePossible || upgradeRunning) return StartDecision::kIgnore;
    if (questionOpen) {
        startDeferred = true;
        return StartDecision::kDefer;
    }
    return StartDecision::kRun;
}

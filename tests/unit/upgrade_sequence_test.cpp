// The upgrade start sequence's decisions: what each tick of the 100 ms timer does in each
// state, the bar positions of the three countdowns, the questions, and the guards that
// keep a question or a running upgrade from being overtaken.
#include "app/upgrade_sequence.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// What a run of ticks did, tick by tick, in a form that reads in a failure message.
struct TickRun {
    std::vector<uint32_t> positions;  // bar positions, one per tick that moved the bar
    int closedTicks = 0;              // ticks that announced the programs were closed
    int starts = 0;                   // ticks that posted the start message
    int waits = 0;                    // ticks that went back to waiting for the button
    int idleTicks = 0;                // ticks that did nothing at all
};

TickRun Ticks(int count, bool windowFound) {
    TickRun run;
    for (int i = 0; i < count; ++i) {
        TickOutcome outcome = TickStartSequence(TickSearches() && windowFound);
        if (outcome.barMoved) run.positions.push_back(outcome.barPosition);
        if (outcome.programsClosed) ++run.closedTicks;
        if (outcome.postStart) ++run.starts;
        if (outcome.waitForButton) ++run.waits;
        if (!outcome.barMoved && !outcome.programsClosed && !outcome.postStart &&
            !outcome.waitForButton) {
            ++run.idleTicks;
        }
    }
    return run;
}

std::vector<uint32_t> Range(uint32_t first, uint32_t last, uint32_t step) {
    std::vector<uint32_t> values;
    for (uint32_t v = first; v <= last; v += step) values.push_back(v);
    return values;
}

// The upgrade button pressed with a product to upgrade, and what its search found: the
// calls the dialog's handler makes, in its order. After a question the customer's answer
// does not matter to the sequence.
RunningQuestion PressWith(bool logViewFound, bool onLineFound) {
    EXPECT_EQ(ButtonOutcome::kSearch, PressButton("C:\\tVis\\", true));
    RunningQuestion question = ProgramsSearched(logViewFound, onLineFound);
    if (question != RunningQuestion::kNone) {
        BeginQuestion();
        EXPECT_FALSE(EndQuestion(DialogQuestion::kRunningPrograms, true));
    }
    return question;
}

class StartSequence : public ::testing::Test {
protected:
    void SetUp() override { ResetStartSequence(); }
};

TEST_F(StartSequence, CountdownPositionRoundsDownInUnsignedArithmetic) {
    struct Case {
        uint32_t total;
        uint32_t left;
        uint32_t position;
    } const cases[] = {
        {25, 24, 4}, {25, 0, 100}, {100, 99, 1}, {100, 0, 100}, {100, 19, 81},
        {3, 2, 33},  {3, 1, 66},   {7, 6, 14},   {1, 0, 100},   {0, 0, 100},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.position, CountdownPosition(c.total, c.left)) << c.total << "/" << c.left;
    }
}

TEST_F(StartSequence, NothingHappensBeforeTheButton) {
    TickRun run = Ticks(300, false);
    EXPECT_EQ(300, run.idleTicks);
    EXPECT_FALSE(TickSearches());
}

TEST_F(StartSequence, StartCountdownRunsTwentyFiveTicksThenStarts) {
    ASSERT_EQ(RunningQuestion::kNone, PressWith(false, false));
    TickRun run = Ticks(24, false);
    EXPECT_EQ(Range(4, 96, 4), run.positions);
    EXPECT_EQ(0, run.starts);
    run = Ticks(1, false);
    EXPECT_EQ(std::vector<uint32_t>{100}, run.positions);
    EXPECT_EQ(1, run.starts);
    EXPECT_EQ(0, run.waits);
    EXPECT_FALSE(startWhenDone);
    // Afterwards the ticks are quiet again: the start is posted once.
    EXPECT_EQ(50, Ticks(50, false).idleTicks);
}

TEST_F(StartSequence, WaitRunsAHundredTicksThenWaitsForTheButtonAndKeepsWatching) {
    ASSERT_EQ(RunningQuestion::kLogView, PressWith(true, false));
    TickRun run = Ticks(100, true);
    EXPECT_EQ(Range(1, 100, 1), run.positions);
    EXPECT_EQ(1, run.waits);
    EXPECT_EQ(0, run.starts);
    // The program still runs: the ticks keep searching but move nothing.
    EXPECT_TRUE(TickSearches());
    EXPECT_EQ(40, Ticks(40, true).idleTicks);
    // Its window is gone: 20 ticks from 81 to 100, then the upgrade starts by itself.
    run = Ticks(20, false);
    EXPECT_EQ(1, run.closedTicks);
    EXPECT_EQ(Range(81, 100, 1), run.positions);
    EXPECT_EQ(1, run.starts);
    EXPECT_FALSE(watchRunning);
    EXPECT_EQ(30, Ticks(30, false).idleTicks);
}

TEST_F(StartSequence, ProgramClosingDuringTheWaitCutsItShort) {
    ASSERT_EQ(RunningQuestion::kOnLine, PressWith(false, true));
    EXPECT_EQ(Range(1, 30, 1), Ticks(30, true).positions);
    TickOutcome first = TickStartSequence(false);
    EXPECT_TRUE(first.programsClosed);
    EXPECT_TRUE(first.barMoved);  // the same tick already counts
    EXPECT_EQ(81u, first.barPosition);
    EXPECT_EQ(19u, countdown);
    EXPECT_TRUE(startWhenDone);
    // The closing countdown no longer looks for windows: a program started now is
    // not seen before the upgrade.
    TickRun run = Ticks(19, true);
    EXPECT_EQ(Range(82, 100, 1), run.positions);
    EXPECT_EQ(1, run.starts);
}

TEST_F(StartSequence, AnOpenQuestionFreezesTheTickAndItResumesWhereItWas) {
    struct Case {
        const char* what;
        bool* guard;
    } const cases[] = {{"question", &questionOpen}, {"upgrade", &upgradeRunning}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetStartSequence();
        ASSERT_EQ(RunningQuestion::kNone, PressWith(false, false));
        EXPECT_EQ(Range(4, 40, 4), Ticks(10, false).positions);
        *c.guard = true;
        EXPECT_TRUE(ButtonsIgnored());
        EXPECT_FALSE(TickSearches());
        EXPECT_EQ(500, Ticks(500, false).idleTicks);
        EXPECT_EQ(15u, countdown);
        *c.guard = false;
        TickRun run = Ticks(15, false);
        EXPECT_EQ(Range(44, 100, 4), run.positions);
        EXPECT_EQ(1, run.starts);
    }
}

TEST_F(StartSequence, WaitFrozenByAQuestionDoesNotSearch) {
    ASSERT_EQ(RunningQuestion::kLogView, PressWith(true, true));
    Ticks(5, true);
    BeginQuestion();
    // Even with no window left, nothing moves while the question is open.
    EXPECT_EQ(100, Ticks(100, false).idleTicks);
    EXPECT_TRUE(watchRunning);
    EXPECT_FALSE(EndQuestion(DialogQuestion::kCancel, false));
    TickOutcome outcome = TickStartSequence(false);
    EXPECT_TRUE(outcome.programsClosed);
}

TEST_F(StartSequence, APressDuringTheClosingCountdownThatFindsAProgramCancelsTheStart) {
    PressWith(true, false);
    Ticks(3, true);
    Ticks(5, false);  // the window went away: closing countdown, start scheduled
    ASSERT_TRUE(startWhenDone);
    // The button is pressed again and a product program is running once more: the
    // wait's countdown must end waiting for the button, not replacing files under it.
    ASSERT_EQ(RunningQuestion::kOnLine, PressWith(false, true));
    TickRun run = Ticks(100, true);
    EXPECT_EQ(Range(1, 100, 1), run.positions);
    EXPECT_EQ(0, run.starts);
    EXPECT_EQ(1, run.waits);
}

TEST_F(StartSequence, ButtonPressWithoutProgramsFromAWaitStartsTheShortCountdown) {
    PressWith(true, false);
    Ticks(50, true);
    // The programs are gone when the button is pressed again: the watch stops, so the
    // windows the ticks report no longer hold the countdown up.
    ASSERT_EQ(RunningQuestion::kNone, PressWith(false, false));
    TickRun run = Ticks(25, true);
    EXPECT_EQ(Range(4, 100, 4), run.positions);
    EXPECT_EQ(1, run.starts);
}

TEST_F(StartSequence, ButtonOutcomeByGuardsAndProduct) {
    struct Case {
        bool questionOpen;
        bool upgradeRunning;
        bool upgradePossible;
        ButtonOutcome outcome;
    } const cases[] = {
        {false, false, true, ButtonOutcome::kSearch},
        {false, false, false, ButtonOutcome::kNothingToUpgrade},
        {true, false, true, ButtonOutcome::kIgnored},
        {false, true, true, ButtonOutcome::kIgnored},
        {true, true, false, ButtonOutcome::kIgnored},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.questionOpen << c.upgradeRunning << c.upgradePossible);
        ResetStartSequence();
        std::strcpy(upgradePath, "C:\\before\\");
        watchRunning = true;
        questionOpen = c.questionOpen;
        upgradeRunning = c.upgradeRunning;
        EXPECT_EQ(c.outcome, PressButton("C:\\tVis\\", c.upgradePossible));
        // A press that is not ignored stops the watch and hands the folder on, even when
        // there is nothing to upgrade; an ignored one touches neither.
        const bool taken = c.outcome != ButtonOutcome::kIgnored;
        EXPECT_EQ(!taken, watchRunning);
        EXPECT_STREQ(taken ? "C:\\tVis\\" : "C:\\before\\", upgradePath);
        // No countdown starts before the search.
        EXPECT_EQ(0u, countdown);
    }
}

TEST_F(StartSequence, PressButtonCutsAnUnterminatedFolderToItsBuffer) {
    char folder[kUpgradePathSize + 40];
    std::memset(folder, 'a', sizeof folder);
    EXPECT_EQ(ButtonOutcome::kSearch, PressButton(folder, true));
    EXPECT_EQ(kUpgradePathSize - 1, std::strlen(upgradePath));
}

TEST_F(StartSequence, StartMessageDecision) {
    struct Case {
        bool upgradePossible;
        bool upgradeRunning;
        bool questionOpen;
        StartDecision decision;
        bool deferredAfter;
    } const cases[] = {
        {true, false, false, StartDecision::kRun, false},
        {false, false, false, StartDecision::kIgnore, false},
        {true, true, false, StartDecision::kIgnore, false},
        {false, false, true, StartDecision::kIgnore, false},
        {true, true, true, StartDecision::kIgnore, false},
        {true, false, true, StartDecision::kDefer, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.upgradePossible << c.upgradeRunning << c.questionOpen);
        ResetStartSequence();
        upgradeRunning = c.upgradeRunning;
        questionOpen = c.questionOpen;
        EXPECT_EQ(c.decision, DecideStart(c.upgradePossible));
        EXPECT_EQ(c.deferredAfter, startDeferred);
    }
}

TEST_F(StartSequence, EndOfAQuestionAndTheStartThatCameMeanwhile) {
    struct Case {
        DialogQuestion question;
        bool answeredYes;
        bool startCame;   // a start message arrived while the question was open
        bool postAgain;   // EndQuestion asks for the start message to go out again
        bool watchAfter;  // the ticks watch for running programs afterwards
    } const cases[] = {
        // "No" to cancelling: the upgrade goes on, and a start that came goes out again.
        {DialogQuestion::kCancel, false, true, true, false},
        {DialogQuestion::kCancel, false, false, false, false},
        // "Yes" to cancelling: the run ends, nothing is posted.
        {DialogQuestion::kCancel, true, true, false, false},
        // The running-program question: a new watch supersedes any start, whatever the
        // answer.
        {DialogQuestion::kRunningPrograms, true, true, false, true},
        {DialogQuestion::kRunningPrograms, false, true, false, true},
        {DialogQuestion::kRunningPrograms, false, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << static_cast<int>(c.question) << c.answeredYes << c.startCame);
        ResetStartSequence();
        BeginQuestion();
        EXPECT_TRUE(ButtonsIgnored());
        if (c.startCame) {
            EXPECT_EQ(StartDecision::kDefer, DecideStart(true));
        }
        EXPECT_EQ(c.postAgain, EndQuestion(c.question, c.answeredYes));
        EXPECT_FALSE(questionOpen);
        EXPECT_EQ(c.watchAfter, watchRunning);
        // A start is posted again once at most, and the running-program question drops it.
        if (c.question == DialogQuestion::kRunningPrograms || c.postAgain) {
            EXPECT_FALSE(startDeferred);
        }
        // Once the question is closed a start runs at once, whatever came before.
        EXPECT_EQ(StartDecision::kRun, DecideStart(true));
    }
}

TEST_F(StartSequence, QuestionsByWindowsFoundAndEdition) {
    struct Case {
        bool logView;
        bool onLine;
        RunningQuestion question;
    } const cases[] = {
        {false, false, RunningQuestion::kNone},
        {true, false, RunningQuestion::kLogView},
        {false, true, RunningQuestion::kOnLine},
        {true, true, RunningQuestion::kLogView},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.question, ChooseQuestion(c.logView, c.onLine)) << c.logView << c.onLine;
    }

    struct TextCase {
        RunningQuestion question;
        bool kwil;
        const char* text;
    } const texts[] = {
        {RunningQuestion::kLogView, false,
         "Program tVis LogView lub OnLine jest uruchomiony, trzeba go zamknąć!\r\nKontynuować?"},
        {RunningQuestion::kOnLine, false,
         "Program tVis OnLine lub LogView jest uruchomiony, trzeba go zamknąć!\r\nKontynuować?"},
        {RunningQuestion::kLogView, true,
         "System KWIL jest uruchomiony, trzeba go zamknąć!\r\nKontynuować?"},
        {RunningQuestion::kOnLine, true,
         "System KWIL jest uruchomiony, trzeba go zamknąć!\r\nKontynuować?"},
    };
    for (const TextCase& c : texts) {
        EXPECT_EQ(std::string(c.text), RunningQuestionText(c.question, c.kwil));
    }
    EXPECT_EQ(nullptr, RunningQuestionText(RunningQuestion::kNone, false));
}

}  // namespace

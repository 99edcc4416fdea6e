// The upgrade start sequence's decisions: what each tick of the 100 ms timer does in each
// state, the bar positions of the three countdowns, the questions, and the guards that
// keep a question or a running upgrade from being overtaken.
#include "app/start_sequence.h"

#include <gtest/gtest.h>

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
    BeginStartCountdown();
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
    BeginWaitForClose();
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
    BeginWaitForClose();
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
        BeginStartCountdown();
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
    BeginWaitForClose();
    Ticks(5, true);
    questionOpen = true;
    // Even with no window left, nothing moves while the question is open.
    EXPECT_EQ(100, Ticks(100, false).idleTicks);
    EXPECT_TRUE(watchRunning);
    questionOpen = false;
    TickOutcome outcome = TickStartSequence(false);
    EXPECT_TRUE(outcome.programsClosed);
}

TEST_F(StartSequence, APressDuringTheClosingCountdownThatFindsAProgramCancelsTheStart) {
    BeginWaitForClose();
    Ticks(3, true);
    Ticks(5, false);  // the window went away: closing countdown, start scheduled
    ASSERT_TRUE(startWhenDone);
    // The button is pressed again and a product program is running once more: the
    // wait's countdown must end waiting for the button, not replacing files under it.
    watchRunning = false;
    BeginWaitForClose();
    TickRun run = Ticks(100, true);
    EXPECT_EQ(Range(1, 100, 1), run.positions);
    EXPECT_EQ(0, run.starts);
    EXPECT_EQ(1, run.waits);
}

TEST_F(StartSequence, ButtonPressWithoutProgramsFromAWaitStartsTheShortCountdown) {
    BeginWaitForClose();
    Ticks(50, true);
    watchRunning = false;  // the button clears the watch first
    BeginStartCountdown();
    TickRun run = Ticks(25, true);
    EXPECT_EQ(Range(4, 100, 4), run.positions);
    EXPECT_EQ(1, run.starts);
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

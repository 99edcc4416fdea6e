// The changes that the progress bar's messages make to its state block.
#include "controls/progress_bar_state.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "controls/progress_bar_math.h"

namespace {

ProgressBarState FreshState() {
    ProgressBarState state;
    std::memset(&state, 0, sizeof state);
    InitProgressBarState(state, 0x400000, 600);
    return state;
}

TEST(ProgressBarState, StartsAtZeroOfZeroToHundredWithStepTen) {
    ProgressBarState state = FreshState();
    EXPECT_EQ(0.0, state.percent);
    EXPECT_EQ(0x400000u, state.ownerInstance);
    EXPECT_EQ(600, state.controlId);
    EXPECT_EQ(0, state.position);
    EXPECT_EQ(0, state.rangeMin);
    EXPECT_EQ(100, state.rangeMax);
    EXPECT_EQ(10u, state.step);
    EXPECT_EQ(0u, state.frameFlags);
    EXPECT_EQ(0u, state.options);
    EXPECT_EQ(kSystemBarColor, state.barColor);
    EXPECT_EQ('\0', state.caption[0]);
    EXPECT_EQ(0u, state.captionColor);
}

TEST(ProgressBarState, RangeEndsSwappedWhenMinimumIsGreater) {
    const struct {
        uint32_t lParam;
        uint16_t min, max;
    } cases[] = {
        {0x00640000, 0, 100},   {0x00000064, 0, 100},  // minimum 100, maximum 0
        {0x00960032, 50, 150},  {0x00320096, 50, 150},
        {0x0001FFFF, 1, 65535},  // unsigned: 65535 is greater than 1
        {0xFFFF0001, 1, 65535}, {0x00070007, 7, 7},
    };
    for (const auto& c : cases) {
        ProgressBarState state = FreshState();
        SetProgressRange(state, c.lParam);
        EXPECT_EQ(c.min, state.rangeMin) << std::hex << c.lParam;
        EXPECT_EQ(c.max, state.rangeMax) << std::hex << c.lParam;
    }
}

TEST(ProgressBarState, SetPositionReportsOnlyAChange) {
    ProgressBarState state = FreshState();
    EXPECT_FALSE(SetProgressPosition(state, 0));
    EXPECT_TRUE(SetProgressPosition(state, 42));
    EXPECT_EQ(42, state.position);
    EXPECT_FALSE(SetProgressPosition(state, 42));
    EXPECT_TRUE(SetProgressPosition(state, -7));
    EXPECT_EQ(-7, state.position);
}

TEST(ProgressBarState, AdvanceWrapsRoundAtThirtyTwoBits) {
    const struct {
        int32_t from;
        uint32_t amount;
        int32_t to;
    } cases[] = {
        {0, 10, 10},
        {5, 0xFFFFFFFFu, 4},  // a negative increment
        {INT32_MAX, 1, INT32_MIN},
        {INT32_MIN, 0xFFFFFFFFu, INT32_MAX},
        {-3, 0x80000000u, 0x7FFFFFFD},
    };
    for (const auto& c : cases) {
        ProgressBarState state = FreshState();
        state.position = c.from;
        AdvanceProgressPosition(state, c.amount);
        EXPECT_EQ(c.to, state.position) << c.from << " + " << c.amount;
    }
}

TEST(ProgressBarState, CaptionKeepsAtMost255Characters) {
    const struct {
        size_t length;
        size_t kept;
    } cases[] = {{0, 0}, {1, 1}, {254, 254}, {255, 255}, {256, 255}, {300, 255}};
    for (const auto& c : cases) {
        ProgressBarState state = FreshState();
        std::memset(state.caption, 'o', sizeof state.caption);  // an older, longer caption
        std::string text(c.length, 'x');
        for (size_t i = 0; i < c.length; ++i) text[i] = static_cast<char>('A' + i % 26);
        SetProgressCaption(state, 0x123456, text.c_str());
        EXPECT_EQ(text.substr(0, c.kept), std::string(state.caption)) << c.length;
        // Nothing of the older caption remains after the terminator.
        for (size_t i = c.kept; i < sizeof state.caption; ++i) {
            ASSERT_EQ('\0', state.caption[i]) << "byte " << i << " of " << c.length;
        }
        EXPECT_EQ(0x563412u, state.captionColor);
    }
}

TEST(ProgressBarState, CaptionReadsNoFurtherThanItNeeds) {
    // 255 characters and no terminator: the copy must stop inside the buffer (the
    // sanitizer build reports a read past it).
    std::unique_ptr<char[]> text(new char[255]);
    std::memset(text.get(), 'z', 255);
    ProgressBarState state = FreshState();
    SetProgressCaption(state, 0, text.get());
    EXPECT_EQ(std::string(255, 'z'), std::string(state.caption));
}

TEST(ProgressBarState, NullCaptionClearsButSetsTheColour) {
    ProgressBarState state = FreshState();
    SetProgressCaption(state, 0x00FF00, "Kopiowanie");
    SetProgressCaption(state, 0x880000, nullptr);
    EXPECT_EQ('\0', state.caption[0]);
    EXPECT_EQ(0x000088u, state.captionColor);
}

// Field by field: the block's padding is no field.
void ExpectSameState(const ProgressBarState& expected, const ProgressBarState& actual) {
    EXPECT_EQ(expected.percent, actual.percent);
    EXPECT_EQ(expected.ownerInstance, actual.ownerInstance);
    EXPECT_EQ(expected.controlId, actual.controlId);
    EXPECT_EQ(expected.position, actual.position);
    EXPECT_EQ(expected.rangeMin, actual.rangeMin);
    EXPECT_EQ(expected.rangeMax, actual.rangeMax);
    EXPECT_EQ(expected.step, actual.step);
    EXPECT_EQ(expected.frameFlags, actual.frameFlags);
    EXPECT_EQ(expected.options, actual.options);
    EXPECT_EQ(expected.barColor, actual.barColor);
    EXPECT_EQ(0, std::memcmp(expected.caption, actual.caption, sizeof actual.caption));
    EXPECT_EQ(expected.captionColor, actual.captionColor);
}

// One message through the window procedure's dispatch: exactly the fields the message names
// change, and the repaint is the one its row of progress_bar.h gives.
TEST(ProgressBarState, EachMessageChangesItsFieldsAndSaysHowToRepaint) {
    static const char kCaption[] = "Kopiowanie";
    const struct {
        const char* what;
        uint32_t message;
        uintptr_t wParam;
        intptr_t lParam;
        ProgressRepaint repaint;
        std::function<void(ProgressBarState&)> change;  // from FreshState()
    } cases[] = {
        {"range, swapped", kProgressSetRange, 0xDEAD, 0x00320096, ProgressRepaint::kLater,
         [](ProgressBarState& s) { s.rangeMin = 50, s.rangeMax = 150; }},
        {"range from -1", kProgressSetRange, 0, -1, ProgressRepaint::kLater,
         [](ProgressBarState& s) { s.rangeMin = 65535, s.rangeMax = 65535; }},
        {"new position", kProgressSetPos, 42, 7, ProgressRepaint::kNow,
         [](ProgressBarState& s) { s.position = 42; }},
        {"same position", kProgressSetPos, 0, 0, ProgressRepaint::kNone, [](ProgressBarState&) {}},
        {"position from 32 bits", kProgressSetPos, 0xFFFFFFFFu, 0, ProgressRepaint::kNow,
         [](ProgressBarState& s) { s.position = -1; }},
        {"delta", kProgressDeltaPos, 0xFFFFFFFEu, 0, ProgressRepaint::kLater,
         [](ProgressBarState& s) { s.position = -2; }},
        {"step", kProgressSetStep, 7, 99, ProgressRepaint::kNone,
         [](ProgressBarState& s) { s.step = 7; }},
        {"step it", kProgressStepIt, 5, 5, ProgressRepaint::kLater,
         [](ProgressBarState& s) { s.position = 10; }},
        {"options", PBX_SETOPTIONS, 1, 3, ProgressRepaint::kLater,
         [](ProgressBarState& s) { s.options = 3; }},
        {"bar colour", PBX_SETBARCOLOR, 0, 0x7F112233, ProgressRepaint::kLater,
         [](ProgressBarState& s) { s.barColor = 0x332211; }},
        {"caption", PBX_SETCAPTION, 0x123456, reinterpret_cast<intptr_t>(kCaption),
         ProgressRepaint::kNow,
         [](ProgressBarState& s) {
             s.captionColor = 0x563412;
             std::memcpy(s.caption, kCaption, sizeof kCaption);
         }},
        {"no caption", PBX_SETCAPTION, 0x0000FF, 0, ProgressRepaint::kNow,
         [](ProgressBarState& s) { s.captionColor = 0xFF0000; }},
        {"frame", PBX_SETFRAME, 0, PBXO_THIN, ProgressRepaint::kLater,
         [](ProgressBarState& s) { s.frameFlags = PBXO_THIN; }},
        {"WM_USER", 0x0400, 1, 1, ProgressRepaint::kNone, [](ProgressBarState&) {}},
        {"WM_USER + 6", 0x0406, 1, 1, ProgressRepaint::kNone, [](ProgressBarState&) {}},
        {"below PBX_SETOPTIONS", 0x13A9, 1, 1, ProgressRepaint::kNone, [](ProgressBarState&) {}},
        {"above PBX_SETFRAME", 0x13AE, 1, 1, ProgressRepaint::kNone, [](ProgressBarState&) {}},
        {"WM_PAINT", 0x000F, 1, 1, ProgressRepaint::kNone, [](ProgressBarState&) {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProgressBarState state = FreshState();
        ProgressBarState expected = FreshState();
        c.change(expected);
        EXPECT_EQ(c.repaint, ApplyProgressMessage(state, c.message, c.wParam, c.lParam));
        ExpectSameState(expected, state);
        // The window procedure hands over exactly the messages that change something or
        // may: the nine of the control.
        bool handled = c.message == PBX_SETOPTIONS || c.message == PBX_SETBARCOLOR ||
                       c.message == PBX_SETCAPTION || c.message == PBX_SETFRAME ||
                       (c.message >= kProgressSetRange && c.message <= kProgressStepIt);
        EXPECT_EQ(handled, IsProgressMessage(c.message));
    }
}

}  // namespace

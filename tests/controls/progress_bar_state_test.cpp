// The changes that the progress bar's messages make to its state block.
#include "controls/progress_bar_state.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
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

}  // namespace

// The progress bar's window class, its state block and its messages with their repaint
// rules, on the real platform.
#include "controls/progress_bar.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tests/controls/progress_bar_window.h"

namespace {

TEST(ProgressBarClass, RegisteredAsTheDialogExpects) {
    ProgressBarWindow bar;  // registers the class
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), kProgressBarClassName, &info));
    EXPECT_EQ(static_cast<UINT>(CS_VREDRAW | CS_HREDRAW | CS_GLOBALCLASS), info.style);
    EXPECT_EQ(0x4003u, info.style);
    EXPECT_EQ(2, info.cbClsExtra);
    EXPECT_EQ(8, info.cbWndExtra);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(16)), info.hbrBackground);
    EXPECT_EQ(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)), info.hCursor);
    EXPECT_EQ(nullptr, info.hIcon);
    EXPECT_EQ(nullptr, info.lpszMenuName);
    // A second registration in the same process is refused.
    EXPECT_EQ(0, RegisterProgressBarClass(GetModuleHandleA(nullptr)));
}

TEST(ProgressBarClass, StateBlockBehindWindowLongZero) {
    ProgressBarWindow bar;
    ASSERT_NE(nullptr, bar.control());
    HGLOBAL handle = reinterpret_cast<HGLOBAL>(GetWindowLongPtrA(bar.control(), 0));
    ASSERT_NE(nullptr, handle);
    EXPECT_GE(GlobalSize(handle), sizeof(ProgressBarState));
    // A fixed block: its handle is its address.
    EXPECT_EQ(static_cast<void*>(handle), GlobalLock(handle));
    GlobalUnlock(handle);

    ProgressBarState state = bar.ReadState();
    EXPECT_EQ(reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr)), state.ownerInstance);
    EXPECT_EQ(600, state.controlId);
    EXPECT_EQ(0, state.position);
    EXPECT_EQ(0, state.rangeMin);
    EXPECT_EQ(100, state.rangeMax);
    EXPECT_EQ(10u, state.step);
    EXPECT_EQ(kSystemBarColor, state.barColor);
    EXPECT_EQ(0u, state.options);
    EXPECT_EQ('\0', state.caption[0]);
}

TEST(ProgressBarClass, DestroyFreesTheBlockAndClearsWindowLongZero) {
    {
        ProgressBarWindow bar;
        ASSERT_NE(0, GetWindowLongPtrA(bar.control(), 0));
    }
    EXPECT_EQ(0, WindowLongAfterLastDestroy());
}

TEST(ProgressBarClass, PaintWithoutStateBlockStillValidates) {
    ProgressBarWindow bar;
    HGLOBAL handle = reinterpret_cast<HGLOBAL>(GetWindowLongPtrA(bar.control(), 0));
    SetWindowLongPtrA(bar.control(), 0, 0);
    GlobalFree(handle);

    EXPECT_EQ(0, bar.Send(PBM_SETPOS, 50));
    InvalidateRect(bar.control(), nullptr, FALSE);
    UpdateWindow(bar.control());
    EXPECT_EQ(1, bar.paints());
    // Left invalid, the window would get WM_PAINT again and again.
    EXPECT_FALSE(GetUpdateRect(bar.control(), nullptr, FALSE));
}

enum class Expect { Nothing, Invalidated, PaintedAtOnce };

struct RepaintCase {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    Expect expect;
};

const char kCaption[] = "Kopiowanie";

const RepaintCase kRepaintCases[] = {
    {"SETRANGE", PBM_SETRANGE, 0, 0x00640000, Expect::Invalidated},
    {"SETPOS same", PBM_SETPOS, 0, 0, Expect::Nothing},
    {"SETPOS new", PBM_SETPOS, 50, 0, Expect::PaintedAtOnce},
    {"DELTAPOS", PBM_DELTAPOS, 5, 0, Expect::Invalidated},
    {"DELTAPOS zero", PBM_DELTAPOS, 0, 0, Expect::Invalidated},
    {"SETSTEP", PBM_SETSTEP, 7, 0, Expect::Nothing},
    {"STEPIT", PBM_STEPIT, 0, 0, Expect::Invalidated},
    {"SETOPTIONS", PBX_SETOPTIONS, 0, 3, Expect::Invalidated},
    {"SETBARCOLOR", PBX_SETBARCOLOR, 0, 0x880000, Expect::Invalidated},
    {"SETCAPTION", PBX_SETCAPTION, 0x00FF00, reinterpret_cast<LPARAM>(kCaption),
     Expect::PaintedAtOnce},
    {"SETCAPTION null", PBX_SETCAPTION, 0, 0, Expect::PaintedAtOnce},
    {"SETFRAME", PBX_SETFRAME, 0, 4, Expect::Invalidated},
    {"not a bar message", WM_USER + 6, 1, 1, Expect::Nothing},
};

TEST(ProgressBarMessages, RepaintRules) {
    for (const RepaintCase& c : kRepaintCases) {
        SCOPED_TRACE(c.name);
        ProgressBarWindow bar;
        EXPECT_EQ(0, bar.Send(c.message, c.wParam, c.lParam));
        bool pending = GetUpdateRect(bar.control(), nullptr, FALSE) != FALSE;
        switch (c.expect) {
            case Expect::Nothing:
                EXPECT_EQ(0, bar.paints());
                EXPECT_FALSE(pending);
                break;
            case Expect::Invalidated:
                EXPECT_EQ(0, bar.paints());
                EXPECT_TRUE(pending);
                UpdateWindow(bar.control());
                EXPECT_EQ(1, bar.paints());
                break;
            case Expect::PaintedAtOnce:
                EXPECT_EQ(1, bar.paints());
                EXPECT_FALSE(pending);
                break;
        }
        // The control's own invalidations never ask for the background to be erased.
        EXPECT_EQ(0, bar.erases());
    }
}

TEST(ProgressBarMessages, StepAloneDoesNotRepaintButTheNextStepItDoes) {
    ProgressBarWindow bar;
    bar.Send(PBM_SETSTEP, 25);
    EXPECT_FALSE(GetUpdateRect(bar.control(), nullptr, FALSE));
    bar.Send(PBM_STEPIT);
    EXPECT_TRUE(GetUpdateRect(bar.control(), nullptr, FALSE));
    UpdateWindow(bar.control());
    EXPECT_EQ(1, bar.paints());
    EXPECT_EQ(25, bar.ReadState().position);
    bar.Send(PBM_STEPIT);
    EXPECT_EQ(50, bar.ReadState().position);
    EXPECT_DOUBLE_EQ(25.0, bar.ReadState().percent);  // the last paint's percentage
}

TEST(ProgressBarMessages, SetRangeSwapsEnds) {
    const struct {
        LPARAM lParam;
        uint16_t min, max;
    } cases[] = {{0x00640000, 0, 100}, {0x00000064, 0, 100}, {0x00320096, 50, 150}};
    for (const auto& c : cases) {
        ProgressBarWindow bar;
        bar.Send(PBM_SETRANGE, 0, c.lParam);
        EXPECT_EQ(c.min, bar.ReadState().rangeMin) << std::hex << c.lParam;
        EXPECT_EQ(c.max, bar.ReadState().rangeMax) << std::hex << c.lParam;
    }
}

TEST(ProgressBarMessages, DeltaPosWrapsRound) {
    ProgressBarWindow bar;
    bar.Send(PBM_SETPOS, static_cast<WPARAM>(INT32_MAX));
    bar.Send(PBM_DELTAPOS, 1);
    EXPECT_EQ(INT32_MIN, bar.ReadState().position);
    // A negative increment, as a caller would pass it on either build.
    bar.Send(PBM_DELTAPOS, static_cast<WPARAM>(-2));
    EXPECT_EQ(INT32_MAX - 1, bar.ReadState().position);
    bar.Send(PBM_SETPOS, 5);
    bar.Send(PBM_DELTAPOS, 0xFFFFFFFFu);
    EXPECT_EQ(4, bar.ReadState().position);
}

TEST(ProgressBarMessages, ColoursArriveAsWebColours) {
    ProgressBarWindow bar;
    bar.Send(PBX_SETBARCOLOR, 0, 0x880000);
    EXPECT_EQ(0x000088u, bar.ReadState().barColor);
    bar.Send(PBX_SETBARCOLOR, 0, static_cast<LPARAM>(0xFFFFFFFFu));
    EXPECT_EQ(0x00FFFFFFu, bar.ReadState().barColor);  // the system default cannot come back
    bar.Send(PBX_SETOPTIONS, 0, 3);
    bar.Send(PBX_SETFRAME, 0, 4);
    EXPECT_EQ(3u, bar.ReadState().options);
    EXPECT_EQ(4u, bar.ReadState().frameFlags);
}

TEST(ProgressBarMessages, CaptionKeeps255CharactersAndNullClearsIt) {
    ProgressBarWindow bar;
    std::string longText(300, 'x');
    for (size_t i = 0; i < longText.size(); ++i) longText[i] = static_cast<char>('a' + i % 26);
    bar.Send(PBX_SETCAPTION, 0x123456, reinterpret_cast<LPARAM>(longText.c_str()));
    ProgressBarState state = bar.ReadState();
    EXPECT_EQ(longText.substr(0, 255), std::string(state.caption));
    EXPECT_EQ(0x563412u, state.captionColor);

    bar.Send(PBX_SETCAPTION, 0x00FF00, 0);
    state = bar.ReadState();
    EXPECT_EQ(std::string(kCaptionSize, '\0'), std::string(state.caption, kCaptionSize));
    EXPECT_EQ(0x00FF00u, state.captionColor);
}

}  // namespace

// The progress bar's per-window state block and the changes that its messages make to it.
// The block lives in fixed, zero-initialised global memory owned by the window; window long
// 0 holds its handle. These functions only change fields: repainting is the window's job,
// and ApplyProgressMessage tells the window procedure how. Portable.
#pragma once

#include <cstdint>

// The system progress bar's message numbers (commctrl.h's PBM_SETRANGE to PBM_STEPIT,
// WM_USER + 1 to + 5), which the control answers unchanged, and the control's own four.
constexpr uint32_t kProgressSetRange = 0x0401;
constexpr uint32_t kProgressSetPos = 0x0402;
constexpr uint32_t kProgressDeltaPos = 0x0403;
constexpr uint32_t kProgressSetStep = 0x0404;
constexpr uint32_t kProgressStepIt = 0x0405;
constexpr uint32_t PBX_SETOPTIONS = 0x13AA;
constexpr uint32_t PBX_SETBARCOLOR = 0x13AB;
constexpr uint32_t PBX_SETCAPTION = 0x13AC;
constexpr uint32_t PBX_SETFRAME = 0x13AD;

// Bytes of the caption buffer, terminator included (at most 255 characters stay).
constexpr int kCaptionSize = 256;

struct ProgressBarState {
    double percent;           // fill percentage of the last paint, 0..100
    uintptr_t ownerInstance;  // module instance from the creation parameters (no reader)
    uint16_t controlId;       // control identifier from the creation parameters (no reader)
    int32_t position;
    uint16_t rangeMin;
    uint16_t rangeMax;
    uint32_t step;        // added to position by PBM_STEPIT
    uint32_t frameFlags;  // PBX_SETFRAME; only PBXO_THIN has a meaning
    uint32_t options;     // PBX_SETOPTIONS bits
    uint32_t barColor;    // COLORREF of the fill, or kSystemBarColor
    char caption[kCaptionSize];
    uint32_t captionColor;  // COLORREF of the caption over the fill
};

// Initial values after WM_CREATE; the block is zero-initialised before.
void InitProgressBarState(ProgressBarState& state, uintptr_t instance, uint16_t controlId);

// PBM_SETRANGE: low 16 bits the minimum, high 16 bits the maximum; swapped when the
// minimum is greater (unsigned comparison).
void SetProgressRange(ProgressBarState& state, uint32_t range);

// PBM_SETPOS: returns true when the position changed (only then the bar repaints).
bool SetProgressPosition(ProgressBarState& state, int32_t position);

// PBM_DELTAPOS and PBM_STEPIT: position += amount, wrapping round at 32 bits.
void AdvanceProgressPosition(ProgressBarState& state, uint32_t amount);

// PBX_SETCAPTION: captionColor from the 0x00RRGGBB colour; the caption is cleared and,
// when text is not null, at most kCaptionSize - 1 of its characters are copied. The
// source is never read beyond its terminator.
void SetProgressCaption(ProgressBarState& state, uint32_t rgbColor, const char* text);

// Whether the window procedure hands `message` to ApplyProgressMessage: the nine above.
bool IsProgressMessage(uint32_t message);

// How the window repaints after a message: not at all, on the next WM_PAINT, or at once.
enum class ProgressRepaint { kNone, kLater, kNow };

// The state change of one progress bar message (progress_bar.h lists them with their
// parameters), and how the window must repaint after it. The parameters are taken as the
// window procedure receives them; only their low 32 bits count, except PBX_SETCAPTION's
// lParam, which is the caption's address or 0. Any other message changes nothing.
ProgressRepaint ApplyProgressMessage(ProgressBarState& state, uint32_t message, uintptr_t wParam,
                                     intptr_t lParam);

// The progress bar's per-window state block and the changes that its messages make to it.
// The block lives in fixed, zero-initialised global memory owned by the window; window long
// 0 holds its handle. These functions only change fields: repainting is the window's job.
#pragma once

#include <cstdint>

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

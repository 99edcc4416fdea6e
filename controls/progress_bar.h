// The program's own progress bar, window class "QEL_PROGRESSBAR": a glossy fill in a sunken
// frame, drawn double-buffered, with an optional percentage text, segment separators and a
// two-colour caption. It answers the system progress bar's five messages under their own
// numbers and parameters, plus the four PBX_ messages below. Every message returns 0.
//
// Messages (wParam / lParam):
//   PBM_SETRANGE    - / min in the low 16 bits, max in the high 16 bits (swapped if min > max)
//   PBM_SETPOS      position / -        repaints at once, and only when the position changes
//   PBM_DELTAPOS    increment / -       position += increment, wrapping round at 32 bits
//   PBM_SETSTEP     step / -            no repaint
//   PBM_STEPIT      - / -               position += step
//   PBX_SETOPTIONS  - / PBXO_ bits
//   PBX_SETBARCOLOR - / fill colour 0x00RRGGBB (until set: the system highlight colour)
//   PBX_SETCAPTION  caption colour 0x00RRGGBB / text or null; repaints at once
//   PBX_SETFRAME    - / frame flags (PBXO_THIN)
// The other messages invalidate the control without erasing; it repaints on the next WM_PAINT.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "controls/progress_bar_math.h"
#include "controls/progress_bar_state.h"  // the PBX_ numbers

constexpr const char* kProgressBarClassName = "QEL_PROGRESSBAR";

// The system progress bar's numbers, which the control answers unchanged.
static_assert(PBM_SETRANGE == kProgressSetRange && PBM_SETPOS == kProgressSetPos &&
                  PBM_DELTAPOS == kProgressDeltaPos && PBM_SETSTEP == kProgressSetStep &&
                  PBM_STEPIT == kProgressStepIt && kProgressSetRange == WM_USER + 1,
              "progress bar message numbers");

// Bytes of window extra memory: window long 0 holds the state block's handle. Eight on
// both builds, so the pointer-sized handle fits on 64-bit Windows too.
constexpr int kProgressBarWindowExtra = 8;

// Registers the window class for `instance` (styles CS_HREDRAW | CS_VREDRAW |
// CS_GLOBALCLASS). Returns 1 on success, 0 when the class cannot be registered.
int RegisterProgressBarClass(HINSTANCE instance);

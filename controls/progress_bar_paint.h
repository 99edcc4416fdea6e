// WM_PAINT of the progress bar (progress_bar_paint_win.cpp), kept apart from the window
// procedure.
#pragma once

#include <windows.h>

#include "controls/progress_bar_state.h"

// Draws the whole client area into an off-screen bitmap and copies it to the window with one
// BitBlt, between BeginPaint and EndPaint. Stores the fill percentage in state.percent.
// Every pen, brush, bitmap and device context it creates is released before it returns.
void PaintProgressBar(HWND window, ProgressBarState& state);

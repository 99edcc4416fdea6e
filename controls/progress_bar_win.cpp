// The progress bar's window class and window procedure: the state block's life and the
// messages with their repaint rules. The drawing is in progress_bar_paint_win.cpp.
#include "controls/progress_bar.h"

#include "controls/progress_bar_paint.h"
#include "controls/progress_bar_state.h"
#include "support/scoped_win.h"

namespace {

// The window's state block, locked for one handler.
using LockedState = LockedGlobal<ProgressBarState>;

HGLOBAL StateOf(HWND window) { return reinterpret_cast<HGLOBAL>(GetWindowLongPtrA(window, 0)); }

void Invalidate(HWND window, ProgressRepaint repaint) {
    if (repaint == ProgressRepaint::kNone) return;
    InvalidateRect(window, nullptr, FALSE);
    if (repaint == ProgressRepaint::kNow) UpdateWindow(window);
}

LRESULT OnCreate(HWND window, const CREATESTRUCTA* create) {
    HGLOBAL handle = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(ProgressBarState));
    if (handle == nullptr) {
        DestroyWindow(window);
        return 0;
    }
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(handle));
    LockedState state(StateOf(window));
    if (state) {
        InitProgressBarState(*state.get(), reinterpret_cast<uintptr_t>(create->hInstance),
                             static_cast<uint16_t>(reinterpret_cast<uintptr_t>(create->hMenu)));
    }
    return 0;
}

void OnDestroy(HWND window) {
    HGLOBAL handle = reinterpret_cast<HGLOBAL>(GetWindowLongPtrA(window, 0));
    if (handle == nullptr || GlobalLock(handle) == nullptr) return;
    GlobalUnlock(handle);
    GlobalFree(handle);
    SetWindowLongPtrA(window, 0, 0);
}

LRESULT CALLBACK ProgressBarWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) return OnCreate(window, reinterpret_cast<CREATESTRUCTA*>(lParam));
    if (message == WM_DESTROY) {
        OnDestroy(window);
        return 0;
    }
    if (message == WM_PAINT) {
        LockedState state(StateOf(window));
        // Without a state block the update region must still be validated, or WM_PAINT
        // would come back for ever.
        if (!state) return DefWindowProcA(window, message, wParam, lParam);
        PaintProgressBar(window, *state.get());
        return 0;
    }
    if (!IsProgressMessage(message)) return DefWindowProcA(window, message, wParam, lParam);

    ProgressRepaint repaint = ProgressRepaint::kNone;
    {
        LockedState state(StateOf(window));
        if (!state) return 0;
        repaint = ApplyProgressMessage(*state.get(), message, wParam, lParam);
    }
    Invalidate(window, repaint);
    return 0;
}

}  // namespace

int RegisterProgressBarClass(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_GLOBALCLASS;
    windowClass.lpfnWndProc = ProgressBarWndProc;
    windowClass.cbClsExtra = 2;  // reserved; nothing reads or writes them
    windowClass.cbWndExtra = kProgressBarWindowExtra;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = kProgressBarClassName;
    return RegisterClassA(&windowClass) != 0 ? 1 : 0;
}

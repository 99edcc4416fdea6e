// How the installer finds the product's running programs and asks them to close, as the
// end-to-end tests expect it: the window classes it looks for and the close request it
// posts. Shared by fake_product.exe, the demo product (demo/product) and the tests.
// Windows builds only.
#pragma once

#include <windows.h>

#include <cstdint>

// Main window classes of LogView and OnLine, compared case-sensitively.
constexpr const wchar_t* kLogViewClass = L"qel_LV_Frame";
constexpr const wchar_t* kOnLineClass = L"qel_QRV_MdiFrame";

// The close request: message 2842 with fixed parameters.
constexpr UINT kCloseRequestMessage = WM_USER + 1818;
constexpr WPARAM kCloseRequestWParam = 0x12345678;
constexpr uint32_t kCloseRequestLParam = 0x87654321u;
static_assert(kCloseRequestMessage == 2842, "close request message number");

// The exact close request. lParam is 32 bits on the installer's side; a 64-bit window may
// see it zero- or sign-extended, so only those two high halves pass.
inline bool IsCloseRequest(WPARAM wParam, LPARAM lParam) {
    uint64_t value = static_cast<uint64_t>(lParam);
    uint64_t high = value >> 32;
    return wParam == kCloseRequestWParam && static_cast<uint32_t>(value) == kCloseRequestLParam &&
           (high == 0 || high == 0xFFFFFFFFu);
}

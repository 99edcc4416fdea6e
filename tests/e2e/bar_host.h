// What the tests need to know of e2e_bar_host.exe (see bar_host_main.cpp). Windows only.
#pragma once

#include <windows.h>

constexpr const wchar_t* kBarHostClassName = L"TVIS_E2E_BAR_HOST";
constexpr int kBarHostControlId = 600;
// The dialog's control: 226 x 9 dialog units at the default font.
constexpr int kBarHostWidth = 339;
constexpr int kBarHostHeight = 15;
// Posted to the host's top-level window: start stepping through the positions.
constexpr UINT kStartSteps = WM_APP + 1;

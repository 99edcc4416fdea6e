// The demo product's two programs as the installer and the tests meet them: the file, the
// class of its one top-level window and that window's title. Windows builds only.
#pragma once

#include "payload/carried_files.h"
#include "tests/e2e/product_windows.h"

struct DemoProgram {
    CarriedFileIndex file;     // its name is kCarriedFiles[file].productName
    const wchar_t* className;  // the class the installer looks for
    const wchar_t* title;
    int stackPlace;  // where its window lies: 0 in the screen's bottom-right corner, 1 above
};

constexpr DemoProgram kDemoLogView = {kTVisLV, kLogViewClass, L"tVis LogView", 0};
constexpr DemoProgram kDemoOnLine = {kTVisX, kOnLineClass, L"tVis OnLine", 1};

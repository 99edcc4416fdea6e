// The rows of versions in a demo program's window: one for the program's own record and one
// for qelMapE.dll's, each field in a static control of its own, so that it can be read from
// outside. Windows builds only.
#pragma once

#include <windows.h>

#include "version/version_record.h"

enum VersionRow { kProgramRow = 100, kLibraryRow = 200 };
enum VersionField {
    kNameField = 1,     // the file's name
    kVersionField = 2,  // versionText, or kNoRecordText
    kEditionField = 3,  // editionText
    kBuildField = 4,    // build, grouped: "1.250"
    kTimeField = 5,     // FormatProductionTime
};
constexpr int VersionControlId(VersionRow row, VersionField field) { return row + field; }

// The version field of a row whose slot holds no record; its other fields stay empty.
constexpr char kNoRecordText[] = "brak rekordu wersji";

// Height of a row in client pixels.
constexpr int kVersionRowHeight = 40;

// Adds a row's controls to `window`, `top` pixels down its client area, and fills them
// from `record` (null: no record). The record's texts are in code page 1250.
void AddVersionRow(HWND window, VersionRow row, int top, const char* fileName,
                   const VersionRecord* record);

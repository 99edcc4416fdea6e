// The rows of versions in a demo program's window; see version_panel.h.
#include "demo/product/version_panel.h"

#include "support/text_format.h"
#include "support/ui_text.h"

namespace {

struct FieldPlace {
    VersionField field;
    int left, top, width;  // top from the row's top
    DWORD alignment;
};

constexpr int kLineHeight = 16;
constexpr FieldPlace kFieldPlaces[] = {
    {kNameField, 10, 0, 85, SS_LEFT},      {kVersionField, 100, 0, 110, SS_LEFT},
    {kEditionField, 215, 0, 110, SS_LEFT}, {kBuildField, 330, 0, 65, SS_RIGHT},
    {kTimeField, 100, 18, 295, SS_LEFT},
};

// The record's texts are the product's own: never an "&" taken for a mnemonic.
void AddField(HWND window, VersionRow row, const FieldPlace& place, int top) {
    HWND control = CreateWindowExW(
        0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_NOPREFIX | SS_ENDELLIPSIS | place.alignment,
        place.left, top + place.top, place.width, kLineHeight, window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(VersionControlId(row, place.field))),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE)), nullptr);
    if (control == nullptr) return;
    // A stock font: nothing to delete when the window goes.
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
}

void FillFields(HWND window, VersionRow row, const char* fileName, const VersionRecord* record) {
    SetItemText(window, VersionControlId(row, kNameField), fileName, kOwnText);
    if (record == nullptr) {
        SetItemText(window, VersionControlId(row, kVersionField), kNoRecordText, kOwnText);
        return;
    }
    SetItemText(window, VersionControlId(row, kVersionField), record->versionText, kProductText);
    SetItemText(window, VersionControlId(row, kEditionField), record->editionText, kProductText);
    SetItemText(window, VersionControlId(row, kBuildField), NumberToText(record->build, 0, true),
                kOwnText);
    SetItemText(window, VersionControlId(row, kTimeField), FormatProductionTime(*record),
                kProductText);
}

}  // namespace

void AddVersionRow(HWND window, VersionRow row, int top, const char* fileName,
                   const VersionRecord* record) {
    for (const FieldPlace& place : kFieldPlaces) AddField(window, row, place, top);
    FillFields(window, row, fileName, record);
}

// tVisLV.exe and tVisX.exe of the demo product: one source built twice, DEMO_PROGRAM naming
// the program (kDemoLogView or kDemoOnLine). Each shows its own version and qelMapE.dll's,
// which it imports, so it does not start without the library beside it.
#include <windows.h>

#include "demo/product/demo_programs.h"
#include "demo/product/product_window.h"
#include "demo/product/qel_map_e.h"
#include "demo/product/record_slot.h"
#include "demo/product/slot_record.h"

#ifndef DEMO_PROGRAM
#error "DEMO_PROGRAM must name the program: kDemoLogView or kDemoOnLine"
#endif

namespace {

constexpr DemoProgram kProgram = DEMO_PROGRAM;

// Volatile, so that the compiler neither folds the placeholder into the code that reads
// it nor drops it: make_product_file writes the record over these bytes in the file.
__attribute__((used)) volatile const unsigned char programSlot[kRecordSpan] =
    TVIS_RECORD_SLOT_PLACEHOLDER;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    VersionRecord programRecord;
    VersionRecord libraryRecord;
    bool programHasRecord = ReadSlotRecord(programSlot, &programRecord);
    bool libraryHasRecord = ReadSlotRecord(qelVersionRecordSlot(), &libraryRecord);
    if (ShowProductWindow(instance, kProgram, programHasRecord ? &programRecord : nullptr,
                          libraryHasRecord ? &libraryRecord : nullptr, showCommand) == nullptr) {
        return 1;
    }
    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}

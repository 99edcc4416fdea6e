// qelMapE.dll of the demo product: it holds a record slot and hands it to the programs.
#include "demo/product/qel_map_e.h"

#include "demo/product/record_slot.h"

namespace {

// Volatile, so that the compiler neither folds the placeholder into the code that reads
// it nor drops it: make_product_file writes the record over these bytes in the file.
__attribute__((used)) volatile const unsigned char librarySlot[kRecordSpan] =
    TVIS_RECORD_SLOT_PLACEHOLDER;

}  // namespace

const volatile unsigned char* qelVersionRecordSlot() { return librarySlot; }

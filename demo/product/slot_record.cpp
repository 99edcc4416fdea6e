// Reading the version record out of a record slot; see slot_record.h.
#include "demo/product/slot_record.h"

#include <cstring>

bool ReadSlotRecord(const volatile unsigned char* slot, VersionRecord* record) {
    std::memset(record, 0, sizeof *record);
    // The reader never looks at position 0, so the copy starts one byte in.
    uint8_t copy[1 + kRecordSpan] = {};
    for (uint32_t i = 0; i < kRecordSpan; ++i) copy[1 + i] = slot[i];
    if (FindVersionRecord(copy, sizeof copy) != 1) return false;
    DecodeVersionRecord(copy, 1, true, record);
    return true;
}

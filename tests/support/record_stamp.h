// Writing a version record into a program's record slot (demo/product/record_slot.h), as
// `make_product_file --into` does to the demo product's files. Portable.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/support/product_file.h"

enum class StampOutcome {
    kStamped,       // the record lies in the slot, and it is the record a reader finds
    kNoSlot,        // the file holds no slot
    kSeveralSlots,  // the file holds more than one slot: which one the program reads is unknown
    kShadowed,      // a reader would find another record first (or none, for a slot at 0)
};

struct StampResult {
    StampOutcome outcome;
    uint32_t slot;   // where the (first) slot lies, 0 when there is none
    uint32_t found;  // where FindVersionRecord finds a record in the stamped file
};

// Writes a record of `fields` over the one record slot of `file` and checks that
// FindVersionRecord over the whole stamped file finds it there. Texts are written as
// given (PlaceRecord). Any outcome but kStamped leaves `file` as it was. The file must be
// shorter than 4 GiB, as the reader's positions are 32 bits.
StampResult StampRecordSlot(std::vector<uint8_t>* file, const RecordFields& fields);

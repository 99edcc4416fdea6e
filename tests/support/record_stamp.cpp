// Writing a version record into a program's record slot; see record_stamp.h.
#include "tests/support/record_stamp.h"

#include <algorithm>
#include <iterator>

#include "demo/product/record_slot.h"
#include "version/version_record.h"

namespace {

std::vector<uint8_t>::const_iterator FindSlot(std::vector<uint8_t>::const_iterator from,
                                              std::vector<uint8_t>::const_iterator to) {
    return std::search(from, to, std::begin(kRecordSlotPlaceholder),
                       std::end(kRecordSlotPlaceholder),
                       [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); });
}

}  // namespace

StampResult StampRecordSlot(std::vector<uint8_t>* file, const RecordFields& fields) {
    StampResult result = {StampOutcome::kNoSlot, 0, 0};
    auto first = FindSlot(file->begin(), file->end());
    if (first == file->end()) return result;
    result.slot = static_cast<uint32_t>(first - file->begin());
    if (FindSlot(first + 1, file->end()) != file->end()) {
        result.outcome = StampOutcome::kSeveralSlots;
        return result;
    }
    std::vector<uint8_t> stamped = *file;
    PlaceRecord(stamped, result.slot, fields);
    result.found = FindVersionRecord(stamped.data(), static_cast<uint32_t>(stamped.size()));
    if (result.slot == 0 || result.found != result.slot) {
        result.outcome = StampOutcome::kShadowed;
        return result;
    }
    file->swap(stamped);
    result.outcome = StampOutcome::kStamped;
    return result;
}

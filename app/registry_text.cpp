// ReadRegString's copy rules; see registry_text.h.
#include "app/registry_text.h"

#include <cstring>

int CopyRegistryText(const uint8_t* data, uint32_t size, unsigned maximumLength, char* output) {
    if (data == nullptr || size > kRegistryQueryLimit) {
        if (maximumLength > 0) output[0] = '\0';
        return 0;
    }
    if (maximumLength == 0) return 1;
    // The value used to be queried into a zeroed buffer and copied from there whole, so the
    // bytes past a short value's data are zeros.
    uint32_t count =
        maximumLength > kRegistryQueryLimit ? kRegistryQueryLimit - 1 : maximumLength - 1;
    uint32_t fromData = size < count ? size : count;
    std::memcpy(output, data, fromData);
    std::memset(output + fromData, 0, count - fromData);
    // Terminated here too, so a caller that did not clear its buffer still gets a text.
    output[count] = '\0';
    return 1;
}

// registry_text_fuzz: ReadRegString's copy rules (CopyRegistryText) for any value data and
// any size of the caller's buffer. The input is the buffer's size (two bytes, taken modulo
// 700, so every rule around 0, 258 and 510 is met), one byte saying whether the value could
// be read, then the value's data. Data and buffer are allocated at exactly their sizes, so
// ASan reports a read past the data or a write past the buffer; a buffer of size 0 is
// watched by the target itself.
#include <cstring>
#include <memory>

#include "app/registry_text.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_targets.h"

namespace {

constexpr unsigned kLargestBuffer = 700;
constexpr char kUnwritten = '\xA5';

}  // namespace

int FuzzRegistryText(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const unsigned low = input.Byte();
    const unsigned maximum = (low | unsigned{input.Byte()} << 8) % kLargestBuffer;
    const bool present = (input.Byte() & 1) != 0;
    size_t valueSize = 0;
    const uint8_t* valueBytes = input.Bytes(input.left(), &valueSize);

    std::unique_ptr<uint8_t[]> value(present ? new uint8_t[valueSize] : nullptr);
    if (valueSize > 0 && value) std::memcpy(value.get(), valueBytes, valueSize);
    // A buffer of size 0 is a byte of ours: ASan lets a zero-size allocation's first byte be
    // written.
    char sentinel = kUnwritten;
    std::unique_ptr<char[]> allocated(maximum > 0 ? new char[maximum] : nullptr);
    char* output = maximum > 0 ? allocated.get() : &sentinel;
    std::memset(output, kUnwritten, maximum);

    const int result =
        CopyRegistryText(value.get(), static_cast<uint32_t>(valueSize), maximum, output);
    const bool readable = present && valueSize <= kRegistryQueryLimit;
    FuzzCheck(result == (readable ? 1 : 0), "read exactly when present and within the limit");
    if (maximum == 0) {
        FuzzCheck(sentinel == kUnwritten, "a buffer of size 0 is never written");
        return 0;
    }
    if (!readable) {
        FuzzCheck(output[0] == '\0', "an unread value empties the text");
        for (unsigned i = 1; i < maximum; ++i) {
            FuzzCheck(output[i] == kUnwritten, "an unread value writes one byte only");
        }
        return 0;
    }
    const unsigned count =
        maximum - 1 < kRegistryQueryLimit - 1 ? maximum - 1 : kRegistryQueryLimit - 1;
    for (unsigned i = 0; i < count; ++i) {
        const char expected = i < valueSize ? static_cast<char>(valueBytes[i]) : '\0';
        FuzzCheck(output[i] == expected, "the value's bytes, then zeros");
    }
    FuzzCheck(output[count] == '\0', "the terminator follows the copied bytes");
    for (unsigned i = count + 1; i < maximum; ++i) {
        FuzzCheck(output[i] == kUnwritten, "nothing is written past the terminator");
    }
    return 0;
}

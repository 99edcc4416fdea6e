// Installer images from fuzz inputs; see fuzz_image.h.
#include "tests/fuzz/fuzz_image.h"

#include <cstring>

#include "payload/byte_order.h"

#if defined(__SANITIZE_ADDRESS__)
#define TVIS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TVIS_ASAN 1
#endif
#endif
#ifdef TVIS_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace {

// Zeros but for the last image's tail: each call clears what the one before wrote.
class ImageBuffer {
public:
    ImageBuffer() : bytes_(new uint8_t[kFuzzImageLengthRange]()) {}
    ~ImageBuffer() {
        PoisonBefore(0);
        delete[] bytes_;
    }
    ImageBuffer(const ImageBuffer&) = delete;
    ImageBuffer& operator=(const ImageBuffer&) = delete;

    FuzzImage Place(size_t length, const uint8_t* tail, size_t tailLength) {
        PoisonBefore(0);
        std::memset(bytes_ + dirtyFrom_, 0, kFuzzImageLengthRange - dirtyFrom_);
        dirtyFrom_ = kFuzzImageLengthRange - tailLength;
        if (tailLength > 0) std::memcpy(bytes_ + dirtyFrom_, tail, tailLength);
        const size_t start = kFuzzImageLengthRange - length;
        PoisonBefore(start);
        return FuzzImage{bytes_ + start, static_cast<uint32_t>(length)};
    }

private:
    // Under ASan, makes the bytes before `start` unreadable and the rest readable. ASan
    // poisons whole 8-byte granules only, so up to 7 bytes before an unaligned start stay
    // readable; the end is exact, being the allocation's.
    void PoisonBefore(size_t start) {
#ifdef TVIS_ASAN
        ASAN_UNPOISON_MEMORY_REGION(bytes_, kFuzzImageLengthRange);
        if (start > 0) ASAN_POISON_MEMORY_REGION(bytes_, start);
#else
        (void)start;
#endif
    }

    uint8_t* bytes_;
    size_t dirtyFrom_ = kFuzzImageLengthRange;  // bytes from here on may be non-zero
};

}  // namespace

FuzzImage ImageFromFuzzInput(const uint8_t* data, size_t size) {
    static ImageBuffer buffer;
    if (size < 4) return buffer.Place(size, data, size);
    const size_t length = ReadLe32(data) % kFuzzImageLengthRange;
    const uint8_t* tail = data + 4;
    size_t tailLength = size - 4;
    if (tailLength > length) {
        tail += tailLength - length;
        tailLength = length;
    }
    return buffer.Place(length, tail, tailLength);
}

std::vector<uint8_t> FuzzInputFromImage(const std::vector<uint8_t>& image, size_t tailLength) {
    if (tailLength > image.size()) tailLength = image.size();
    std::vector<uint8_t> input(4 + tailLength);
    WriteLe32(input.data(), static_cast<uint32_t>(image.size()));
    if (tailLength > 0) std::memcpy(&input[4], &image[image.size() - tailLength], tailLength);
    return input;
}

// Taking a fuzz input apart: numbers and byte runs read from its front, zeros once it is
// used up, so that every input means something and a longer one means more.
#pragma once

#include <cstddef>
#include <cstdint>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t left() const { return size_ - at_; }
    bool empty() const { return at_ == size_; }

    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint32_t Le32() {
        uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) value |= uint32_t{Byte()} << shift;
        return value;
    }
    // The next `count` bytes, or fewer when the input ends first; *taken says how many.
    const uint8_t* Bytes(size_t count, size_t* taken) {
        const uint8_t* start = data_ + at_;
        *taken = count < left() ? count : left();
        at_ += *taken;
        return start;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

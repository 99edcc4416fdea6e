// Installer images for the targets that read one (trailer_fuzz, inspect_fuzz). A real image
// is 1,000,000 bytes or more, mostly the installer program, which no rule reads; an input
// therefore holds the image's length and its last bytes only:
//
//   bytes 0..3   the image's length, little-endian, taken modulo kFuzzImageLengthRange
//                (0 to one byte over the maximum, so every length rule is reachable)
//   bytes 4..    the image's last bytes (the trailer, the payload, the integrity block, as
//                much as the input holds); zeros before them
//
// An input shorter than 4 bytes is the whole image. Seeds are made by FuzzInputFromImage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "payload/trailer.h"

constexpr uint32_t kFuzzImageLengthRange = kMaxInstallerLength + 2;

// An image in memory, valid until the next ImageFromFuzzInput.
struct FuzzImage {
    const uint8_t* bytes;
    uint32_t length;
};

// The image an input stands for. It ends where one buffer of kFuzzImageLengthRange bytes
// ends, and under ASan the buffer's part before the image is poisoned, so that a read on
// either side of the image is reported much as for an allocation of its own; the buffer is
// reused from input to input, since allocating and clearing megabytes for each would cost
// more than all the rules it feeds.
FuzzImage ImageFromFuzzInput(const uint8_t* data, size_t size);

// The input that stands for `image`, given its last `tailLength` bytes (all of the image
// when it is shorter). ImageFromFuzzInput gives the image back when the bytes before them
// are zeros.
std::vector<uint8_t> FuzzInputFromImage(const std::vector<uint8_t>& image, size_t tailLength);

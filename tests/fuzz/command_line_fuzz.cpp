// command_line_fuzz: what an unattended run takes from its command line and the rules it
// decides a replacement by. ParseCommandLine (support/run_options.h) on any text: the log path
// always terminated and within its buffer, never longer than what was given, and a text
// without "/" or "-" always the interactive run; FirstStepWithoutRoom
// (app/upgrade_procedure.h) on sizes taken from the input: it stops exactly where a direct
// walk of the steps runs out of room; and SHA-256 (support/sha256.h): the digest of the
// input is the same however the input is split into updates.
#include <cstring>
#include <memory>
#include <string>

#include "app/upgrade_procedure.h"
#include "support/run_options.h"
#include "support/sha256.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_targets.h"

namespace {

void CheckCommandLine(const uint8_t* data, size_t size) {
    // The text in a buffer of exactly its size, so that ASan sees a read past its end.
    std::unique_ptr<char[]> text(new char[size + 1]);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';
    const RunOptions options = ParseCommandLine(text.get());
    const size_t length = strnlen(options.logPath, sizeof options.logPath);
    FuzzCheck(length < sizeof options.logPath, "the log path is terminated within its buffer");
    FuzzCheck(length <= std::strlen(text.get()), "the log path is no longer than the text");
    if (std::strchr(text.get(), '/') == nullptr && std::strchr(text.get(), '-') == nullptr) {
        FuzzCheck(options.mode == RunMode::kInteractive && !options.help && length == 0,
                  "a text without a switch gives the interactive run");
    }
    FuzzCheck(Unattended(options) == (options.mode != RunMode::kInteractive),
              "unattended exactly in the quiet and passive runs");
}

uint64_t Take(const uint8_t*& data, size_t& size, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes && size > 0; ++i, ++data, --size) value = value << 8 | *data;
    return value;
}

void CheckRoom(const uint8_t* data, size_t size) {
    uint64_t freeBytes = Take(data, size, 5);
    uint64_t newSizes[kPayloadFileCount];
    uint64_t oldSizes[kPayloadFileCount];
    for (int i = 0; i < kPayloadFileCount; ++i) {
        newSizes[i] = Take(data, size, 4);
        oldSizes[i] = Take(data, size, 4);
    }
    const int step = FirstStepWithoutRoom(freeBytes, newSizes, oldSizes);
    // The same walk in long double, which holds these sums exactly.
    const uint64_t unit = 64 * 1024;
    auto units = [&](uint64_t bytes) { return (bytes + unit - 1) / unit; };
    long double room = static_cast<long double>(freeBytes);
    int expected = -1;
    for (int i = 0; i < kPayloadFileCount && expected < 0; ++i) {
        const CarriedFileIndex index = kReplacementOrder[i];
        const long double needed = static_cast<long double>(units(newSizes[index]) * unit);
        if (room < needed) {
            expected = i;
        } else {
            room += static_cast<long double>(units(oldSizes[index]) * unit) - needed;
        }
    }
    FuzzCheck(step == expected, "the first step without room is where the walk runs out");
}

void CheckDigest(const uint8_t* data, size_t size) {
    const Sha256Digest whole = Sha256Of(data, size);
    // Split at points taken from the input itself.
    Sha256 split;
    size_t at = 0;
    size_t step = size == 0 ? 1 : data[0] % 97 + 1;
    while (at < size) {
        const size_t take = step < size - at ? step : size - at;
        split.Update(data + at, take);
        at += take;
        step = step * 7 % 131 + 1;
    }
    FuzzCheck(split.Finish() == whole, "the digest does not depend on how the input is split");
}

}  // namespace

int FuzzCommandLine(const uint8_t* data, size_t size) {
    CheckCommandLine(data, size);
    CheckRoom(data, size);
    CheckDigest(data, size);
    return 0;
}

// szdd_fuzz: the SZDD decoder on any input. Nothing overruns (ASan), both decoder forms
// agree on the status and the bytes, and whatever decodes cleanly re-encodes and decodes to
// the same bytes.
#include <cstring>
#include <memory>
#include <vector>

#include "payload/szdd.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_targets.h"

int FuzzSzdd(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    SzddHeader header = {};
    SzddStatus status = DecodeSzdd(data, size, &out, &header);
    FuzzCheck(out.size() <= SzddMaxYield(size), "the decoder yields no more than it can");
    if (status != SzddStatus::kNotSzdd && status != SzddStatus::kHeaderTruncated &&
        header.length <= (1u << 20)) {
        std::unique_ptr<uint8_t[]> buffer(new uint8_t[header.length + 1]);
        size_t produced = 0;
        SzddStatus exact = DecodeSzdd(data, size, buffer.get(), header.length, &produced);
        FuzzCheck(exact == status, "both decoder forms give the same status");
        FuzzCheck(produced == out.size() &&
                      (produced == 0 || std::memcmp(buffer.get(), out.data(), produced) == 0),
                  "both decoder forms give the same bytes");
    }
    if (status == SzddStatus::kOk) {
        FuzzCheck(out.size() == header.length, "a clean decode yields the header's length");
        std::vector<uint8_t> again = EncodeSzdd(out.data(), out.size(), header.lastChar);
        std::vector<uint8_t> back;
        FuzzCheck(DecodeSzdd(again.data(), again.size(), &back) == SzddStatus::kOk && back == out,
                  "what decodes re-encodes and decodes to the same bytes");
    }
    return 0;
}

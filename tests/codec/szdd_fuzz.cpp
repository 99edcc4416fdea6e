// libFuzzer target for the SZDD decoder: any input decodes without overrunning (ASan),
// both APIs agree, and whatever decodes cleanly re-encodes and decodes to the same bytes.
// Built only with clang and -DTVIS_FUZZ=ON; see docs/codec.md.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "payload/szdd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    SzddHeader header = {};
    SzddStatus status = DecodeSzdd(data, size, &out, &header);
    if (status != SzddStatus::kNotSzdd && status != SzddStatus::kHeaderTruncated &&
        header.length <= (1u << 20)) {
        std::unique_ptr<uint8_t[]> buffer(new uint8_t[header.length + 1]);
        size_t produced = 0;
        SzddStatus exact = DecodeSzdd(data, size, buffer.get(), header.length, &produced);
        if (exact != status) std::abort();
        if (produced != out.size() || (produced && std::memcmp(buffer.get(), out.data(), produced)))
            std::abort();
    }
    if (status == SzddStatus::kOk) {
        std::vector<uint8_t> again = EncodeSzdd(out.data(), out.size(), header.lastChar);
        std::vector<uint8_t> back;
        if (DecodeSzdd(again.data(), again.size(), &back) != SzddStatus::kOk || back != out)
            std::abort();
    }
    return 0;
}

// Cost of the integrity check at preparation time (not a test): the CRC-32s of a 4 MB
// payload against decoding the same payload, which the installer does right after, both
// in memory and measured in the same run.
//
// Usage: integrity_bench [FILE...]   (default: three of the PE files Wine ships, as the
//                                     three carried files, repeated to about 4 MB packed)
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "payload/integrity_block.h"
#include "payload/szdd.h"
#include "payload/trailer.h"
#include "support/crc32.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Repeats `work` until at least 0.5 s have passed; seconds per run.
template <typename F>
double SecondsPerRun(F work) {
    int runs = 0;
    Clock::time_point start = Clock::now();
    double elapsed = 0;
    do {
        work();
        ++runs;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < 0.5);
    return elapsed / runs;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> paths(argv + 1, argv + argc);
    if (paths.empty()) {
        const std::string folder = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/";
        paths = {folder + "d3dx9_38.dll", folder + "xmllite.dll", folder + "dinput8.dll"};
    }
    if (paths.size() != kPayloadFileCount) {
        std::fprintf(stderr, "usage: integrity_bench [FILE FILE FILE]\n");
        return 2;
    }
    // Each file repeated until the compressed payload is near 4 MB, the largest an
    // installer may carry.
    Bytes plain[kPayloadFileCount], packed[kPayloadFileCount];
    uint64_t total = 0;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        Bytes one = ReadFile(paths[i]);
        if (one.empty()) {
            std::fprintf(stderr, "cannot read %s\n", paths[i].c_str());
            return 1;
        }
        packed[i] = EncodeSzdd(one.data(), one.size(), 'l');
        size_t copies = (1100000 + packed[i].size() - 1) / packed[i].size();
        for (size_t c = 0; c < copies; ++c) plain[i].insert(plain[i].end(), one.begin(), one.end());
        packed[i] = EncodeSzdd(plain[i].data(), plain[i].size(), 'l');
        total += packed[i].size();
    }
    // The installer image: a small stub, the block, the payload, the trailer.
    Bytes image(100000, 'P');
    const uint32_t start = static_cast<uint32_t>(image.size());
    uint32_t crcs[kPayloadFileCount] = {};
    image.resize(start + kIntegrityBlockSize);  // filled in below
    for (const Bytes& p : packed) image.insert(image.end(), p.begin(), p.end());
    uint8_t trailer[kTrailerSize];
    EncodeTrailer(start + kIntegrityBlockSize, static_cast<uint32_t>(packed[0].size()),
                  static_cast<uint32_t>(packed[1].size()), static_cast<uint32_t>(packed[2].size()),
                  trailer);
    image.insert(image.end(), trailer, trailer + kTrailerSize);
    PayloadTrailer decoded = DecodeTrailer(trailer);
    for (int i = 0; i < kPayloadFileCount; ++i) crcs[i] = Crc32(packed[i].data(), packed[i].size());
    auto block = EncodeIntegrityBlock(crcs);
    std::copy(block.begin(), block.end(), image.begin() + start);

    bool intact = true;
    double checkTime = SecondsPerRun([&] {
        IntegrityCheck c =
            CheckIntegrity(image.data(), static_cast<uint32_t>(image.size()), decoded);
        intact = intact && c.present && c.damagedFile < 0;
    });
    Bytes out;
    bool decodes = true;
    double decodeTime = SecondsPerRun([&] {
        for (int i = 0; i < kPayloadFileCount; ++i) {
            decodes = decodes &&
                      DecodeSzdd(packed[i].data(), packed[i].size(), &out) == SzddStatus::kOk &&
                      out == plain[i];
        }
    });
    if (!intact || !decodes) {
        std::printf("FAILED: intact %d, decodes %d\n", intact, decodes);
        return 1;
    }
    std::printf("payload %llu bytes packed, %zu + %zu + %zu unpacked\n",
                static_cast<unsigned long long>(total), plain[0].size(), plain[1].size(),
                plain[2].size());
    std::printf("integrity check %.2f ms (%.0f MB/s), decoding %.2f ms; check / decoding = %.3f\n",
                checkTime * 1e3, total / checkTime / 1e6, decodeTime * 1e3, checkTime / decodeTime);
    return 0;
}

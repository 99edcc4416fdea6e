// Installer images; see installer_image.h.
#include "tests/support/installer_image.h"

#include <cstring>

#include "payload/byte_order.h"
#include "payload/integrity_block.h"
#include "payload/szdd.h"
#include "payload/trailer.h"
#include "support/crc32.h"
#include "tests/support/product_file.h"

std::string ToString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

Bytes Compress(const Bytes& data, char lastNameChar) {
    return EncodeSzdd(data.data(), data.size(), static_cast<uint8_t>(lastNameChar));
}

Bytes MakeInstallerImage(const Bytes regions[3], uint32_t stubSize) {
    Bytes stub(stubSize, 0);
    stub[0] = 'M';
    stub[1] = 'Z';
    return MakeInstallerImage(stub, regions);
}

Bytes MakeInstallerImage(const Bytes& stub, const Bytes regions[3]) {
    Bytes file = stub;
    const uint32_t stubSize = static_cast<uint32_t>(stub.size());
    const uint64_t sizes[3] = {regions[0].size(), regions[1].size(), regions[2].size()};
    PayloadPlan plan;
    PlanPayload(stubSize, sizes, &plan);
    file.resize(plan.payloadStart, 0);
    for (int i = 0; i < 3; ++i) file.insert(file.end(), regions[i].begin(), regions[i].end());
    uint8_t trailer[kTrailerSize];
    EncodeTrailer(static_cast<uint32_t>(plan.payloadStart), static_cast<uint32_t>(sizes[0]),
                  static_cast<uint32_t>(sizes[1]), static_cast<uint32_t>(sizes[2]), trailer);
    file.insert(file.end(), trailer, trailer + kTrailerSize);
    return file;
}

void AddIntegrityBlock(Bytes& installer) {
    PayloadTrailer trailer = DecodeTrailer(installer.data() + installer.size() - kTrailerSize);
    const auto sizes = CarriedSizes(trailer);
    uint32_t crcs[3];
    uint32_t at = trailer.payloadStart;
    for (int i = 0; i < 3; ++i) {
        crcs[i] = Crc32(installer.data() + at, sizes[i]);
        at += sizes[i];
    }
    auto block = EncodeIntegrityBlock(crcs);
    std::memcpy(installer.data() + trailer.payloadStart - kIntegrityBlockSize, block.data(),
                block.size());
}

Payload MakePayload() {
    Payload payload;
    RecordFields fields;
    const uint32_t sizes[3] = {300000, 120000, 250000};
    const char lastChars[3] = {'l', 'e', 'e'};
    for (int i = 0; i < 3; ++i) {
        fields.build = 1000 + i;
        payload.plain[i] = MakeProductFile(sizes[i], 5000 + 1000 * i, fields);
        // Runs and repeats, so the codec does real work.
        for (uint32_t at = 20000; at < 60000; ++at)
            payload.plain[i][at] = static_cast<uint8_t>(at / 7);
        payload.compressed[i] = Compress(payload.plain[i], lastChars[i]);
    }
    payload.installer = MakeInstallerImage(payload.compressed);
    return payload;
}

uint32_t TestSecurityEntry(bool plus) { return kTestPeHeader + 24 + (plus ? 112 : 96) + 4 * 8; }

Bytes MakeTestPe(uint32_t length, bool plus) {
    Bytes file(length, 0xA5);
    std::memset(file.data(), 0, length < 0x200 ? length : 0x200);
    if (length < 0x200) return file;
    file[0] = 'M';
    file[1] = 'Z';
    WriteLe32(file.data() + 0x3C, kTestPeHeader);
    std::memcpy(file.data() + kTestPeHeader, "PE\0\0", 4);
    const uint32_t optional = kTestPeHeader + 24;
    const uint16_t optionalSize = plus ? 0xF0 : 0xE0;
    file[kTestPeHeader + 20] = optionalSize & 0xFF;
    file[kTestPeHeader + 21] = optionalSize >> 8;
    const uint16_t magic = plus ? 0x20B : 0x10B;
    file[optional] = magic & 0xFF;
    file[optional + 1] = magic >> 8;
    WriteLe32(file.data() + optional + (plus ? 108 : 92), 16);
    return file;
}

void SetTestSecurityDirectory(Bytes* file, uint32_t offset, uint32_t size, bool plus) {
    WriteLe32(file->data() + TestSecurityEntry(plus), offset);
    WriteLe32(file->data() + TestSecurityEntry(plus) + 4, size);
}

// SHA-256; see sha256.h.
#include "support/sha256.h"

#include <cstring>

#include "support/sha256_constants.h"
#include "support/sha256_shani.h"

namespace {

inline uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

}  // namespace

bool operator==(const Sha256Digest& a, const Sha256Digest& b) {
    return std::memcmp(a.bytes, b.bytes, kSha256Size) == 0;
}

Sha256::Sha256(Sha256Engine engine)
    : hardware_(engine == Sha256Engine::kAuto && ShaNiAvailable()),
      state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
             0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::CompressBlocks(const uint8_t* data, size_t blocks) {
    if (hardware_) {
        ShaNiCompress(state_, data, blocks);
        return;
    }
    for (; blocks > 0; --blocks, data += sizeof block_) Compress(data);
}

void Sha256::Compress(const uint8_t* block) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i) {
        w[i] = static_cast<uint32_t>(block[4 * i]) << 24 |
               static_cast<uint32_t>(block[4 * i + 1]) << 16 |
               static_cast<uint32_t>(block[4 * i + 2]) << 8 | block[4 * i + 3];
    }
    for (int i = 16; i < 64; ++i) {
        uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
    for (int i = 0; i < 64; ++i) {
        uint32_t s1 = Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25);
        uint32_t choose = (e & f) ^ (~e & g);
        uint32_t t1 = h + s1 + choose + kSha256RoundConstants[i] + w[i];
        uint32_t s0 = Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22);
        uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        uint32_t t2 = s0 + majority;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
    state_[5] += f;
    state_[6] += g;
    state_[7] += h;
}

void Sha256::Update(const void* data, size_t size) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    length_ += size;
    if (used_ != 0) {
        size_t take = sizeof block_ - used_ < size ? sizeof block_ - used_ : size;
        std::memcpy(block_ + used_, bytes, take);
        used_ += take;
        bytes += take;
        size -= take;
        if (used_ < sizeof block_) return;
        CompressBlocks(block_, 1);
        used_ = 0;
    }
    size_t blocks = size / sizeof block_;
    if (blocks != 0) CompressBlocks(bytes, blocks);
    bytes += blocks * sizeof block_;
    size -= blocks * sizeof block_;
    if (size != 0) std::memcpy(block_, bytes, size);
    used_ = size;
}

Sha256Digest Sha256::Finish() {
    uint64_t bits = length_ * 8;
    static const uint8_t kPad[64] = {0x80};
    // Pad to 56 bytes in the last block, then the length in bits, big-endian.
    size_t pad = used_ < 56 ? 56 - used_ : 120 - used_;
    Update(kPad, pad);
    uint8_t lengthBytes[8];
    for (int i = 0; i < 8; ++i) lengthBytes[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    Update(lengthBytes, sizeof lengthBytes);
    Sha256Digest digest;
    for (int i = 0; i < 8; ++i) {
        digest.bytes[4 * i] = static_cast<uint8_t>(state_[i] >> 24);
        digest.bytes[4 * i + 1] = static_cast<uint8_t>(state_[i] >> 16);
        digest.bytes[4 * i + 2] = static_cast<uint8_t>(state_[i] >> 8);
        digest.bytes[4 * i + 3] = static_cast<uint8_t>(state_[i]);
    }
    return digest;
}

Sha256Digest Sha256Of(const void* data, size_t size, Sha256Engine engine) {
    Sha256 sha(engine);
    sha.Update(data, size);
    return sha.Finish();
}

void Sha256Hex(const Sha256Digest& digest, char (&text)[kSha256HexSize]) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < kSha256Size; ++i) {
        text[2 * i] = kDigits[digest.bytes[i] >> 4];
        text[2 * i + 1] = kDigits[digest.bytes[i] & 15];
    }
    text[2 * kSha256Size] = '\0';
}

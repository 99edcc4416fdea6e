// SHA-256 (FIPS 180-4). Portable. The installer takes the digest of each new copy from its
// own payload and checks the bytes it installs against it; tvispack prints the digests of
// the carried files and of the installer for deployment tools.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kSha256Size = 32;
// Hex text of a digest, terminator included.
constexpr size_t kSha256HexSize = 2 * kSha256Size + 1;

struct Sha256Digest {
    uint8_t bytes[kSha256Size] = {};
};

bool operator==(const Sha256Digest& a, const Sha256Digest& b);
inline bool operator!=(const Sha256Digest& a, const Sha256Digest& b) { return !(a == b); }

// Which rounds compress the blocks: kAuto takes the processor's SHA extensions where it
// has them (support/sha256_shani.h); tests force the portable ones to check both.
enum class Sha256Engine { kAuto, kPortable };

// An incremental digest: Update any number of times, then Finish once.
class Sha256 {
public:
    explicit Sha256(Sha256Engine engine = Sha256Engine::kAuto);
    void Update(const void* data, size_t size);
    // The digest of everything updated; the object must not be updated afterwards.
    Sha256Digest Finish();

private:
    void Compress(const uint8_t* block);
    // Compresses `blocks` whole blocks at `data`.
    void CompressBlocks(const uint8_t* data, size_t blocks);

    bool hardware_;
    uint32_t state_[8];
    uint64_t length_ = 0;  // bytes seen
    uint8_t block_[64] = {};
    size_t used_ = 0;  // bytes waiting in block_
};

Sha256Digest Sha256Of(const void* data, size_t size, Sha256Engine engine = Sha256Engine::kAuto);

// The digest as 64 upper-case hex digits (the form PowerShell's Get-FileHash and winget
// manifests use), terminated.
void Sha256Hex(const Sha256Digest& digest, char (&text)[kSha256HexSize]);

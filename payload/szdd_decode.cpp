// SZDD decoder (mode 'A'), bounds-checked on every input and output access.
//
// The output buffer doubles as the window: the byte at window position p, seen from
// output index i, is the one written d bytes earlier, d = (i + 4080 - p) mod 4096 (with 0
// meaning 4096); indices before the start of the output are the window's initial spaces.
#include <cstring>

#include "payload/byte_order.h"
#include "payload/szdd.h"

namespace {

// Where the stream stopped.
struct StreamEnd {
    size_t produced;  // bytes written to the output
    size_t consumed;  // stream bytes used for them
    bool flagsLeft;   // the current flag byte still has unused bits
};

// Copies one match of `length` bytes from `distance` bytes back (1..4096) to output[i...],
// writing no further than output[limit - 1]. Returns the bytes written.
inline size_t CopyMatch(uint8_t* output, size_t i, size_t distance, size_t length, size_t limit) {
    size_t n = length <= limit - i ? length : limit - i;
    uint8_t* dst = output + i;
    if (distance <= i) {
        const uint8_t* src = dst - distance;
        if (distance >= n) {
            std::memcpy(dst, src, n);
        } else {
            for (size_t k = 0; k < n; ++k) dst[k] = src[k];
        }
        return n;
    }
    // The match starts among the initial spaces (and may run on into the output).
    for (size_t k = 0; k < n; ++k) {
        size_t from = i + k;
        dst[k] = from < distance ? kSzddWindowFill : output[from - distance];
    }
    return n;
}

// Where decoding has got to: the next stream byte and the next output byte.
struct StreamPosition {
    size_t ip = 0;
    size_t op = 0;
};

// The fast part: whole groups while a group (flag byte + 8 tokens of at most 2 bytes, at
// most 144 output bytes) fits in what is left, so no single access needs a check. Stops
// between groups, with no flag bits pending.
void DecodeWholeGroups(const uint8_t* in, size_t size, uint8_t* output, size_t limit,
                       StreamPosition* at) {
    size_t ip = at->ip;
    size_t op = at->op;
    while (size - ip >= 17 && limit - op >= 8 * kSzddMaxMatch) {
        unsigned flags = in[ip++];
        for (int k = 0; k < 8; ++k, flags >>= 1) {
            if (flags & 1) {
                output[op++] = in[ip++];
            } else {
                size_t position = in[ip] | (in[ip + 1] & 0xF0u) << 4;
                size_t length = (in[ip + 1] & 0x0Fu) + kSzddMinMatch;
                ip += 2;
                size_t distance = (op + kSzddWindowStart - position) & (kSzddWindowSize - 1);
                if (distance == 0) distance = kSzddWindowSize;
                op += CopyMatch(output, op, distance, length, limit);
            }
        }
    }
    at->ip = ip;
    at->op = op;
}

// The careful part: the rest, token by token, every access checked, until `limit` bytes
// are produced or the stream ends. A token cut off by the end of the stream produces
// nothing.
StreamEnd DecodeRest(const uint8_t* in, size_t size, uint8_t* output, size_t limit,
                     StreamPosition at) {
    size_t ip = at.ip;
    size_t op = at.op;
    unsigned flags = 0;
    unsigned bits = 0;  // unused bits left in `flags`
    while (op < limit) {
        if (bits == 0) {
            if (ip >= size) break;
            flags = in[ip++];
            bits = 8;
        }
        if (flags & 1) {
            if (ip >= size) break;
            output[op++] = in[ip++];
        } else {
            if (size - ip < 2) break;
            size_t position = in[ip] | (in[ip + 1] & 0xF0u) << 4;
            size_t length = (in[ip + 1] & 0x0Fu) + kSzddMinMatch;
            size_t distance = (op + kSzddWindowStart - position) & (kSzddWindowSize - 1);
            if (distance == 0) distance = kSzddWindowSize;
            size_t written = CopyMatch(output, op, distance, length, limit);
            op += written;
            if (written < length) {
                // The match runs past the limit: the stream yields more than that.
                return StreamEnd{op, ip, true};
            }
            ip += 2;
        }
        flags >>= 1;
        --bits;
    }
    return StreamEnd{op, ip, bits != 0};
}

// Decodes the stream into output until `limit` bytes are produced or the stream ends:
// the whole groups first, then the rest.
StreamEnd DecodeStream(const uint8_t* in, size_t size, uint8_t* output, size_t limit) {
    StreamPosition at;
    DecodeWholeGroups(in, size, output, limit, &at);
    return DecodeRest(in, size, output, limit, at);
}

// After `end`, does the rest of the stream yield anything? A lone flag byte yields nothing.
bool YieldsMore(const StreamEnd& end, size_t size) {
    size_t rest = size - end.consumed;
    if (rest == 0) return false;
    if (end.flagsLeft) return true;
    return rest > 1;
}

}  // namespace

const char* SzddStatusText(SzddStatus status) {
    switch (status) {
        case SzddStatus::kOk:
            return "ok";
        case SzddStatus::kNotSzdd:
            return "not an SZDD file (no SZDD magic)";
        case SzddStatus::kUnsupportedMode:
            return "unsupported SZDD mode (not 'A')";
        case SzddStatus::kHeaderTruncated:
            return "SZDD header truncated";
        case SzddStatus::kStreamEndedEarly:
            return "stream ended before the header's uncompressed length";
        case SzddStatus::kLengthMismatch:
            return "stream yields more than the header's uncompressed length";
        case SzddStatus::kOutputTooSmall:
            return "output capacity too small";
    }
    return "unknown status";
}

SzddStatus ParseSzddHeader(const uint8_t* input, size_t size, SzddHeader* header) {
    if (size == 0) return SzddStatus::kNotSzdd;
    size_t magicBytes = size < sizeof kSzddMagic ? size : sizeof kSzddMagic;
    if (std::memcmp(input, kSzddMagic, magicBytes) != 0) return SzddStatus::kNotSzdd;
    if (size < kSzddHeaderSize) return SzddStatus::kHeaderTruncated;
    header->mode = input[offsetof(SzddRawHeader, mode)];
    header->lastChar = input[offsetof(SzddRawHeader, lastChar)];
    header->length = ReadLe32(input + offsetof(SzddRawHeader, length));
    if (header->mode != kSzddModeA) return SzddStatus::kUnsupportedMode;
    return SzddStatus::kOk;
}

size_t SzddMaxYield(size_t compressedSize) {
    // Every token takes at least one stream byte per 9 output bytes (a match: 2 bytes, 18
    // output bytes), flag bytes only lower the ratio.
    if (compressedSize <= kSzddHeaderSize) return 0;
    return (compressedSize - kSzddHeaderSize) * (kSzddMaxMatch / 2);
}

SzddStatus DecodeSzdd(const uint8_t* input, size_t size, uint8_t* output, size_t capacity,
                      size_t* produced, SzddHeader* header) {
    *produced = 0;
    SzddHeader local;
    SzddHeader* fields = header ? header : &local;
    SzddStatus status = ParseSzddHeader(input, size, fields);
    if (status != SzddStatus::kOk) return status;
    if (fields->length > capacity) return SzddStatus::kOutputTooSmall;
    const uint8_t* stream = input + kSzddHeaderSize;
    size_t streamSize = size - kSzddHeaderSize;
    StreamEnd end = DecodeStream(stream, streamSize, output, fields->length);
    *produced = end.produced;
    if (end.produced < fields->length) return SzddStatus::kStreamEndedEarly;
    if (YieldsMore(end, streamSize)) return SzddStatus::kLengthMismatch;
    return SzddStatus::kOk;
}

SzddStatus DecodeSzdd(const uint8_t* input, size_t size, std::vector<uint8_t>* output,
                      SzddHeader* header) {
    output->clear();
    SzddHeader local;
    SzddHeader* fields = header ? header : &local;
    SzddStatus status = ParseSzddHeader(input, size, fields);
    if (status != SzddStatus::kOk) return status;
    size_t limit = fields->length;
    size_t maxYield = SzddMaxYield(size);
    if (limit > maxYield) limit = maxYield;
    output->resize(limit);
    const uint8_t* stream = input + kSzddHeaderSize;
    size_t streamSize = size - kSzddHeaderSize;
    StreamEnd end = DecodeStream(stream, streamSize, output->data(), limit);
    output->resize(end.produced);
    if (end.produced < fields->length) return SzddStatus::kStreamEndedEarly;
    if (YieldsMore(end, streamSize)) return SzddStatus::kLengthMismatch;
    return SzddStatus::kOk;
}

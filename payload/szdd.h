// The SZDD format (MS-DOS COMPRESS / Windows LZExpand), mode 'A': the one definition of its
// header and stream shared by the decoder, the encoder, tvispack and the installer's
// built-in fallback decoder. Portable: memory buffers only, no platform headers.
//
// File layout (all offsets in bytes):
//
//   offset  size  field
//   0       8     magic 53 5A 44 44 88 F0 27 33 ("SZDD" and four fixed bytes)
//   8       1     compression mode, 0x41 ('A'); the only mode we read or write
//   9       1     the replaced last character of the uncompressed file's name, 0 for none
//   10      4     uncompressed length, little-endian
//   14      rest  the compressed stream
//
// Stream of mode 'A' (LZSS): groups of one flag byte followed by up to eight tokens. The
// flag bits are taken from the least significant bit up; bit 1 means a literal byte,
// bit 0 a match of two bytes b0 b1:
//
//   window position = b0 | (b1 & 0xF0) << 4        (0..4095, an absolute window position)
//   length          = (b1 & 0x0F) + 3               (3..18)
//
// The decoder keeps a window of 4096 bytes, every byte initially a space (0x20), and a
// write position that starts at 4096 - 16. Every output byte is stored at the write
// position, which then advances modulo 4096. A match copies `length` bytes one at a time
// from the window position on (advancing modulo 4096), each read before the byte it
// produces is stored, so a match may overlap the bytes it produces. The stream has no end
// marker: it ends with the file, and a well-formed stream yields exactly the header's
// uncompressed length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint8_t kSzddMagic[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};
constexpr uint8_t kSzddModeA = 0x41;  // 'A'
constexpr size_t kSzddHeaderSize = 14;
constexpr size_t kSzddWindowSize = 4096;
constexpr size_t kSzddWindowStart = kSzddWindowSize - 16;  // first write position
constexpr uint8_t kSzddWindowFill = 0x20;                  // the window starts as spaces
constexpr size_t kSzddMinMatch = 3;
constexpr size_t kSzddMaxMatch = 18;

// The header's bytes as they lie in the file.
struct SzddRawHeader {
    uint8_t magic[8];
    uint8_t mode;
    uint8_t lastChar;
    uint8_t length[4];  // little-endian
};
static_assert(sizeof(SzddRawHeader) == kSzddHeaderSize, "the SZDD header is 14 bytes");
static_assert(offsetof(SzddRawHeader, mode) == 8, "mode at offset 8");
static_assert(offsetof(SzddRawHeader, lastChar) == 9, "last name character at offset 9");
static_assert(offsetof(SzddRawHeader, length) == 10, "uncompressed length at offset 10");
static_assert(sizeof(kSzddMagic) == 8, "the magic is 8 bytes");
static_assert((kSzddWindowSize & (kSzddWindowSize - 1)) == 0, "the window is a power of two");
static_assert(kSzddMaxMatch - kSzddMinMatch == 0x0F, "match lengths fill a 4-bit field");

// The header's fields as plain values.
struct SzddHeader {
    uint8_t mode;
    uint8_t lastChar;
    uint32_t length;  // uncompressed length
};

// Outcome of parsing or decoding. Every failure has its own value.
enum class SzddStatus : int {
    kOk = 0,
    kNotSzdd,           // the first bytes are not the SZDD magic
    kUnsupportedMode,   // magic present, but the mode is not 'A'
    kHeaderTruncated,   // shorter than the 14-byte header (what is there matches the magic)
    kStreamEndedEarly,  // the stream ends before yielding the header's length
    kLengthMismatch,    // the stream yields more than the header's length
    kOutputTooSmall,    // the header's length exceeds the caller's output capacity
};

// A short English description of a status ("stream ended early", ...).
const char* SzddStatusText(SzddStatus status);

// Reads the 14-byte header: kOk, kNotSzdd, kHeaderTruncated or kUnsupportedMode. On kOk and
// on kUnsupportedMode *header holds the fields.
SzddStatus ParseSzddHeader(const uint8_t* input, size_t size, SzddHeader* header);

// Decodes a whole SZDD file of `size` bytes into `output`, which has room for `capacity`
// bytes. Never reads input[size] or beyond and never writes output[capacity] or beyond,
// whatever the input. *produced receives the number of bytes written to output:
//   kOk                exactly header.length bytes, and the stream yields nothing more;
//   kStreamEndedEarly  the bytes the stream yielded before it ended (fewer than the header's);
//   kLengthMismatch    header.length bytes; the stream goes on beyond them;
//   kOutputTooSmall    0: header.length > capacity, nothing is decoded;
//   header failures    0 (an empty input is kNotSzdd; a shorter prefix of the magic
//                      is kHeaderTruncated).
// `header`, when not null, receives the header's fields whenever they could be read.
SzddStatus DecodeSzdd(const uint8_t* input, size_t size, uint8_t* output, size_t capacity,
                      size_t* produced, SzddHeader* header = nullptr);

// Convenience: decodes into a vector sized to what was produced (on failure it holds the
// bytes decoded so far, as above). Allocates no more than the stream can yield, so a
// header claiming a huge length costs nothing (the result is kStreamEndedEarly).
SzddStatus DecodeSzdd(const uint8_t* input, size_t size, std::vector<uint8_t>* output,
                      SzddHeader* header = nullptr);

// The most bytes a stream of `compressedSize` bytes (header included) can yield.
size_t SzddMaxYield(size_t compressedSize);

// Encodes `size` bytes (at most 0xFFFFFFFF) as a complete SZDD file of mode 'A' with
// `lastChar` in the header. The parse is cost-optimal: it minimises flag, literal and
// match bits over every match the 4096-byte window offers, the initial spaces included.
std::vector<uint8_t> EncodeSzdd(const uint8_t* data, size_t size, uint8_t lastChar);

// The character an SZDD header records for a file name: the last character of the name
// after its last '/' or '\\', or 0 when that name is empty.
uint8_t SzddLastNameChar(const std::string& path);

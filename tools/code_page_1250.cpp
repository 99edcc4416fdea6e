// Code page 1250 to and from UTF-8; see code_page_1250.h.
#include "tools/code_page_1250.h"

#include <cstdint>
#include <utility>

namespace {

// The code points of the bytes 0x80 to 0xFF, eight bytes a row.
// clang-format off
constexpr uint16_t kHighHalf[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};
// clang-format on

// Every code point of the table lies below U+10000: two or three bytes of UTF-8.
void AppendUtf8(uint16_t codePoint, std::string* out) {
    if (codePoint < 0x800) {
        *out += static_cast<char>(0xC0 | codePoint >> 6);
    } else {
        *out += static_cast<char>(0xE0 | codePoint >> 12);
        *out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
    }
    *out += static_cast<char>(0x80 | (codePoint & 0x3F));
}

// Decodes the UTF-8 sequence that starts at text[*at], advancing *at past it. False for
// a malformed sequence: the well-formed ones are those of the Unicode standard's table 3-7.
bool NextCodePoint(const std::string& text, size_t* at, uint32_t* codePoint) {
    const auto byte = [&text](size_t i) { return static_cast<uint8_t>(text[i]); };
    uint8_t lead = byte(*at);
    if (lead < 0x80) {
        *codePoint = lead;
        ++*at;
        return true;
    }
    size_t length;
    uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong below U+0800
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // overlong below U+10000
        if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return false;  // a continuation byte, an overlong two-byte lead, or 0xF5..0xFF
    }
    if (text.size() - *at < length) return false;
    uint32_t value = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        uint8_t next = byte(*at + i);
        if (i == 1 ? next < low || next > high : (next & 0xC0) != 0x80) return false;
        value = value << 6 | (next & 0x3F);
    }
    *codePoint = value;
    *at += length;
    return true;
}

// The byte that Cp1250ToUtf8 turns into `codePoint`; false when there is none.
bool ByteOf(uint32_t codePoint, char* out) {
    if (codePoint < 0x80) {
        *out = static_cast<char>(codePoint);
        return true;
    }
    for (unsigned i = 0; i < 128; ++i) {
        if (kHighHalf[i] == codePoint) {
            *out = static_cast<char>(0x80 + i);
            return true;
        }
    }
    return false;
}

}  // namespace

std::string Cp1250ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            AppendUtf8(kHighHalf[c - 0x80], &out);
        }
    }
    return out;
}

bool Utf8ToCp1250(const std::string& utf8, std::string* out) {
    std::string converted;
    converted.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        uint32_t codePoint = 0;
        char c = 0;
        if (!NextCodePoint(utf8, &at, &codePoint) || !ByteOf(codePoint, &c)) return false;
        converted += c;
    }
    *out = std::move(converted);
    return true;
}

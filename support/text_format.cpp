// Hand-built decimal and hexadecimal text; see text_format.h for the contracts.
#include "support/text_format.h"

#include <cstring>

namespace {

char plainText[16];    // sign, ten digits, terminator
char groupedText[20];  // plus at most three dots
char digitText[2];
char byteText[5];
char wordText[5];
char dwordText[10];

}  // namespace

const char* NumberToText(int32_t value, int width, bool group) {
    // Work on the magnitude in 64 bits so that INT32_MIN has a magnitude too.
    int64_t magnitude = value;
    size_t length = 0;
    if (magnitude < 0) {
        plainText[length++] = '-';
        magnitude = -magnitude;
    }

    // Exactly ten digits, leading zeros included, from the highest power of ten down.
    char digits[10];
    int64_t power = 1000000000;
    for (int i = 0; i < 9; ++i) {
        digits[i] = static_cast<char>('0' + (magnitude / power) % 10);
        power /= 10;
    }
    digits[9] = static_cast<char>('0' + magnitude % 10);

    int first;
    if (width >= 1 && width <= 10) {
        first = 10 - width;
    } else {
        first = 0;
        while (first < 9 && digits[first] == '0') ++first;
    }
    for (int i = first; i < 10; ++i) plainText[length++] = digits[i];
    plainText[length] = '\0';
    if (!group) return plainText;

    // A dot follows a digit when a non-zero multiple of three characters follows it.
    size_t out = 0;
    for (size_t i = 0; i < length; ++i) {
        groupedText[out++] = plainText[i];
        size_t following = length - 1 - i;
        if (plainText[i] != '-' && following != 0 && following % 3 == 0) groupedText[out++] = '.';
    }
    groupedText[out] = '\0';
    return groupedText;
}

const char* HexDigit(uint32_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    digitText[0] = kDigits[value & 15];
    digitText[1] = '\0';
    return digitText;
}

const char* HexByte(uint32_t value, bool prefix) {
    size_t length = 0;
    if (prefix) {
        byteText[length++] = '0';
        byteText[length++] = 'x';
    }
    byteText[length++] = HexDigit((value >> 4) & 15)[0];
    byteText[length++] = HexDigit(value & 15)[0];
    byteText[length] = '\0';
    return byteText;
}

const char* HexWord(uint32_t value) {
    // HexByte's buffer is reused by the second call, so copy the high byte first.
    std::memcpy(wordText, HexByte(value >> 8, false), 2);
    std::memcpy(wordText + 2, HexByte(value, false), 2);
    wordText[4] = '\0';
    return wordText;
}

const char* HexDword(uint32_t value, bool separator) {
    size_t length = 0;
    std::memcpy(dwordText, HexWord(value >> 16), 4);
    length += 4;
    if (separator) dwordText[length++] = '.';
    std::memcpy(dwordText + length, HexWord(value), 4);
    length += 4;
    dwordText[length] = '\0';
    return dwordText;
}

// Numbers as text for the dialog, the progress bar and the traces: grouped decimal
// and fixed-width upper-case hexadecimal, built by hand into static buffers.
//
// Every function returns a pointer to a static buffer of its own, overwritten by the
// next call of the same function; copy a result before asking for a second one.
// Not re-entrant, not thread-safe: the installer calls them from its GUI thread only.
#pragma once

#include <cstdint>

// Decimal text of `value`.
// width 1..10 keeps exactly the last `width` digits (zero-filled, higher digits dropped:
// 2015 with width 2 gives "15"); width 0 or above 10 drops leading zeros but keeps one digit.
// group inserts "." between groups of three digits ("1.234.567", "-1.234").
// At most 14 characters. INT32_MIN is handled like any other value ("-2147483648").
const char* NumberToText(int32_t value, int width, bool group);

// One upper-case hex digit of the low 4 bits of value.
const char* HexDigit(uint32_t value);
// Two hex digits of the low byte, preceded by "0x" when prefix is set.
const char* HexByte(uint32_t value, bool prefix);
// Four hex digits of the low 16 bits.
const char* HexWord(uint32_t value);
// Eight hex digits, with "." between the high and the low word when separator is set
// ("0000.0014" for 20).
const char* HexDword(uint32_t value, bool separator);

// Code page 1250 (Central European, the product's 8-bit texts) to and from UTF-8, by one
// table, so that tvispack shows the version record's texts the same on every host and
// make_product_file writes them as the installer's dialog reads them.
#pragma once

#include <string>

// Converts every byte of `text` from code page 1250 to UTF-8. Bytes below 0x80 stay as
// they are. The five bytes the code page leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98)
// become the C1 control characters of the same number, as Windows' own conversion makes
// them, so that the result is what the installer's dialog receives.
std::string Cp1250ToUtf8(const std::string& text);

// The exact inverse of Cp1250ToUtf8: converts UTF-8 text to code page 1250. Characters
// below U+0080 stay as they are; U+0081, U+0083, U+0088, U+0090 and U+0098 become the five
// undefined bytes, since Cp1250ToUtf8 makes those of them. Returns false, leaving *out as
// it was, when `utf8` is not well-formed UTF-8 (a stray or missing continuation byte, an
// overlong form, a surrogate, a code point above U+10FFFF) or holds a character the code
// page has no byte for.
bool Utf8ToCp1250(const std::string& utf8, std::string* out);

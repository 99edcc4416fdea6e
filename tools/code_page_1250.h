// Code page 1250 (Central European, the product's 8-bit texts) to UTF-8, by table, so that
// tvispack shows the version record's texts the same on every host.
#pragma once

#include <string>

// Converts every byte of `text` from code page 1250 to UTF-8. Bytes below 0x80 stay as
// they are. The five bytes the code page leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98)
// become the C1 control characters of the same number, as Windows' own conversion makes
// them, so that the result is what the installer's dialog receives.
std::string Cp1250ToUtf8(const std::string& text);

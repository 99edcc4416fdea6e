// A strict JSON reader for the fuzz targets and their replay: the text must be one JSON
// value (RFC 8259) in well-formed UTF-8, and no string may hold a control character
// unescaped, DEL and the C1 controls (U+0080 to U+009F) included, since tvispack escapes
// those as \u00XX too. Checks only; builds nothing.
#pragma once

#include <string>

// True when `text` is such a value with nothing but whitespace around it; otherwise false,
// with *why saying what is wrong and at which byte.
bool IsStrictJson(const std::string& text, std::string* why);

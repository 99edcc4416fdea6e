// A strict JSON reader for the fuzz targets and their replay: the text must be one JSON
// value (RFC 8259) in well-formed UTF-8, and no string may hold a control character
// unescaped, DEL and the C1 controls (U+0080 to U+009F) included, since tvispack escapes
// those as \u00XX too. Checks, and on request notes the type each member takes.
#pragma once

#include <map>
#include <set>
#include <string>

// Each member's path ("stub.machine", "files[].record.build": an array's entries under
// "[]") and the JSON types it took there: object, array, string, integer (no fraction or
// exponent), number, boolean, null.
using JsonTypes = std::map<std::string, std::set<std::string>>;

// True when `text` is such a value with nothing but whitespace around it; otherwise false,
// with *why saying what is wrong and at which byte. `types`, when given, gets the type of
// every member read.
bool IsStrictJson(const std::string& text, std::string* why, JsonTypes* types = nullptr);

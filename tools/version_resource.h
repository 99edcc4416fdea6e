// A program's version resource (VS_VERSIONINFO) read from its bytes: the fixed file and
// product versions and the strings of its first string table. Each block is
//
//   +0  wLength (the block with its children)  +2  wValueLength  +4  wType (1 text, 0 binary)
//   +6  szKey, UTF-16 with its NUL, then zeros to a 4-byte boundary
//       the value (VS_FIXEDFILEINFO for the root, the string for a String), zeros to 4
//       the children, each a block of the same form
//
// Lengths are checked against the block that holds them, strings are cut at a fixed
// length, and a block of length 0 ends its list: damaged resources read as fewer strings,
// never as an access outside the bytes. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct VersionResource {
    bool fixedInfo = false;        // a VS_FIXEDFILEINFO with its signature
    uint16_t fileVersion[4] = {};  // major, minor, patch, build
    uint16_t productVersion[4] = {};
    // Key and value of each string of the first string table, in UTF-8.
    std::vector<std::pair<std::string, std::string>> strings;

    // The value of `key`, or empty when the table has none.
    std::string Text(const std::string& key) const;
    bool Has(const std::string& key) const;
};

// The longest key or value kept, in UTF-16 units, and the most strings kept.
constexpr size_t kMaxVersionTextUnits = 256;
constexpr size_t kMaxVersionStrings = 64;

// Reads the resource from `size` bytes; false when they hold no VS_VERSION_INFO block.
bool ReadVersionResource(const uint8_t* bytes, uint32_t size, VersionResource* resource);

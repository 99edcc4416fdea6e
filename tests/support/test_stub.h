// Windows programs made in memory for tvispack's stub checks: the PE headers of a program
// (machine, subsystem, DLL flag), one resource section holding a version resource with the
// given strings, and filler up to the length asked for. The headers lie where MakeTestPe
// puts them (installer_image.h), so SetTestSecurityDirectory signs these too. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct TestStubShape {
    uint16_t machine = 0x014C;  // i386; 0x8664 gives a PE32+ header
    uint16_t subsystem = 2;     // GUI
    bool dll = false;
    bool versionResource = true;
    // The first string table's strings (UTF-8, BMP characters); by default those of our
    // stub's version.rc.
    std::vector<std::pair<std::string, std::string>> strings = {
        {"ProductName", "tVis upgrade installer"},
        {"InternalName", "tvisupgrade"},
        {"ProductVersion", "1.0.0"},
        {"SourceCommit", "0123456789abcdef0123456789abcdef01234567"}};
};

// A program of `length` bytes (at least 0x400) as `shape` says; the filler after its
// resource section is pseudo-random bytes from `seed`.
Bytes MakeTestStub(uint32_t length, const TestStubShape& shape = TestStubShape(),
                   uint32_t seed = 1);

// A VS_VERSIONINFO resource with those strings, as a resource compiler lays it out.
Bytes MakeTestVersionResource(const std::vector<std::pair<std::string, std::string>>& strings);

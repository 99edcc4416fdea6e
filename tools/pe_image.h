// The PE headers of a Windows program in memory, as far as tvispack needs them to tell the
// installer stub from anything else: the machine, the subsystem, whether it is a DLL, and
// the bytes of its version resource, found through the resource directory.
//
//   0x3C          e_lfanew: where "PE\0\0" lies
//   e_lfanew+4    file header (machine, section count, optional header size, flags)
//   e_lfanew+24   optional header (magic 0x10B PE32 / 0x20B PE32+, subsystem at +68,
//                 the data directories: resources are number 2)
//   then          the section table, 40 bytes a section, mapping RVAs to file offsets
//
// Every field is read with bounds checks against the image's length: a damaged or hostile
// file reads as "not a Windows program" or "no version resource", never as an access
// outside the image, and nothing here loops more often than the image has bytes. Portable.
#pragma once

#include <cstdint>
#include <string>

constexpr uint16_t kPeMachineI386 = 0x014C;
constexpr uint16_t kPeMachineAmd64 = 0x8664;
constexpr uint16_t kPeSubsystemGui = 2;
constexpr uint16_t kPeSubsystemConsole = 3;

struct PeHeaders {
    // Why the image is no PE program; empty when the headers read.
    std::string notPe;
    uint16_t machine = 0;
    uint16_t magic = 0;  // 0x10B or 0x20B
    uint16_t subsystem = 0;
    bool dll = false;
    // The version resource's bytes: `versionOffset` and `versionSize` in the file, both 0
    // when the program has none that lies inside the image.
    uint64_t versionOffset = 0;
    uint32_t versionSize = 0;
};

// Reads the headers of an image of `length` bytes.
PeHeaders ReadPeHeaders(const uint8_t* image, uint64_t length);

// "x86", "x64", or the machine's number in hex ("0xAA64") for any other.
std::string PeMachineName(uint16_t machine);

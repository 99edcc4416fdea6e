// Installer files built in memory, for tests of the extraction. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// The bytes as a string (what the Windows tests' file helpers take and give).
std::string ToString(const Bytes& bytes);

// The SZDD file of `data` as the packer writes it.
Bytes Compress(const Bytes& data, char lastNameChar);

// A stub of `stubSize` bytes, then the three regions as given (normally SZDD files),
// filler where the file would be shorter than 1,000,000 bytes, and the trailer.
Bytes MakeInstallerImage(const Bytes regions[3], uint32_t stubSize = 200000);

// The same behind a real stub (the installer program without payload).
Bytes MakeInstallerImage(const Bytes& stub, const Bytes regions[3]);

// Writes the integrity block of the installer's three regions over the 28 bytes before its
// payload (filler, in the images above), as tvispack does.
void AddIntegrityBlock(Bytes& installer);

// The three product files (with version records) and the installer that carries them.
struct Payload {
    Bytes plain[3];       // qelMapE.dll, tVisLV.exe, tVisX.exe
    Bytes compressed[3];  // their SZDD files
    Bytes installer;
};
Payload MakePayload();

// Signed executables. The headers of a PE32 (or PE32+) executable with sixteen data
// directories, e_lfanew at kTestPeHeader, at the start of `length` bytes of filler.
constexpr uint32_t kTestPeHeader = 0x80;
Bytes MakeTestPe(uint32_t length, bool plus = false);
// Where such a file's security directory entry lies, and setting it.
uint32_t TestSecurityEntry(bool plus);
void SetTestSecurityDirectory(Bytes* file, uint32_t offset, uint32_t size, bool plus = false);

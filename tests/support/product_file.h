// Builds product program files that carry a version record, for tests and the demo.
// Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The fields of a record as the product writes them, before masking.
struct RecordFields {
    std::string versionText = "5.2.1";  // up to 15 bytes; 15 leaves no NUL
    std::string editionText = "ZRP";    // up to 28 bytes
    int32_t build = 1234567;
    uint8_t hour = 9;
    uint8_t minute = 5;
    uint8_t second = 7;
    uint8_t hundredths = 42;
    std::string dateChars = "150317";  // six characters
};

// Writes a record with the marker at `offset` into `file`, which must hold offset + 148
// bytes. Unused bytes of the text fields are masked NULs.
void PlaceRecord(std::vector<uint8_t>& file, uint32_t offset, const RecordFields& fields);

// A file of `size` bytes of filler (a PE-like "MZ" start and deterministic bytes that
// never form the marker) with a record at `offset`.
std::vector<uint8_t> MakeProductFile(uint32_t size, uint32_t offset, const RecordFields& fields);

// The same without any record.
std::vector<uint8_t> MakeFileWithoutRecord(uint32_t size);

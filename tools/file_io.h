// Whole-file reading and all-or-nothing writing for tvispack, on top of host.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The name that stands for standard input (a file to read) or standard output (a file to
// write); a file called "-" is given as "./-".
constexpr const char* kStandardStream = "-";

// Reads a whole file of at most `maxLength` bytes, or standard input for "-". A folder, a
// named pipe or a device is refused without being opened (host.h). On failure returns
// false and sets *error to a reason without the file's name ("No such file or directory",
// "it is a named pipe (FIFO), not a file", "it is 40,000,000 bytes, more than the
// 36,000,000 allowed").
bool ReadWholeFile(const std::string& path, uint64_t maxLength, std::vector<uint8_t>* bytes,
                   std::string* error);

// One piece of a file to write: `length` bytes from `data`, or `length` zero bytes when
// `data` is null.
struct FilePiece {
    const uint8_t* data;
    uint64_t length;
};

// Writes the pieces to a temporary file beside `path` and renames it to `path`, so that
// `path` appears whole or not at all. On failure removes the temporary file, leaves `path`
// as it was, and sets *error. "-" writes the pieces to standard output instead.
bool WriteFileAtomically(const std::string& path, const std::vector<FilePiece>& pieces,
                         std::string* error);

// 1234567 -> "1,234,567".
std::string Thousands(uint64_t value);

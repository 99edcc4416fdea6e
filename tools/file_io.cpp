// Whole-file reading and all-or-nothing writing.
#include "tools/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/host.h"

std::string Thousands(uint64_t value) {
    std::string digits = std::to_string(value);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

namespace {

// Reads to the end of `file`, at most `maxLength` bytes: standard input, whose length is
// known only at its end.
bool ReadStream(FILE* file, uint64_t maxLength, std::vector<uint8_t>* bytes, std::string* error) {
    bytes->clear();
    uint8_t chunk[65536];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, file);
        if (bytes->size() + got > maxLength) {
            *error = "it holds more than the " + Thousands(maxLength) + " bytes allowed";
            return false;
        }
        bytes->insert(bytes->end(), chunk, chunk + got);
        if (got < sizeof chunk) break;
    }
    if (std::ferror(file)) {
        *error = "read error after " + Thousands(bytes->size()) + " bytes";
        return false;
    }
    return true;
}

// Writes the pieces to an open stream; false with errno set when a write fails.
bool WritePieces(FILE* file, const std::vector<FilePiece>& pieces) {
    static const uint8_t zeros[65536] = {};
    for (const FilePiece& piece : pieces) {
        uint64_t left = piece.length;
        const uint8_t* data = piece.data;
        while (left > 0) {
            size_t chunk = data ? static_cast<size_t>(left)
                                : static_cast<size_t>(left < sizeof zeros ? left : sizeof zeros);
            if (std::fwrite(data ? data : zeros, 1, chunk, file) != chunk) return false;
            left -= chunk;
            if (data) data += chunk;
        }
    }
    return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, uint64_t maxLength, std::vector<uint8_t>* bytes,
                   std::string* error) {
    if (path == kStandardStream) return ReadStream(HostBinaryStdin(), maxLength, bytes, error);
    FILE* file = nullptr;
    uint64_t length = 0;
    if (!HostOpenInputFile(path, &file, &length, error)) return false;
    if (length > maxLength) {
        std::fclose(file);
        *error = "it is " + Thousands(length) + " bytes, more than the " + Thousands(maxLength) +
                 " allowed";
        return false;
    }
    bytes->resize(static_cast<size_t>(length));
    size_t got = length ? std::fread(bytes->data(), 1, bytes->size(), file) : 0;
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed || got != bytes->size()) {
        *error = "read error (got " + Thousands(got) + " of " + Thousands(length) + " bytes)";
        return false;
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, const std::vector<FilePiece>& pieces,
                         std::string* error) {
    if (path == kStandardStream) {
        FILE* out = HostBinaryStdout();
        if (WritePieces(out, pieces) && std::fflush(out) == 0) return true;
        *error = std::string("cannot write to standard output: ") + std::strerror(errno);
        return false;
    }
    static unsigned counter = 0;
    std::string temporary = path + ".tvispack-" + std::to_string(HostProcessId()) + "-" +
                            std::to_string(++counter) + ".tmp";
    FILE* file = HostOpenFile(temporary, "wb");
    if (!file) {
        *error = std::string("cannot create ") + temporary + ": " + std::strerror(errno);
        return false;
    }
    bool ok = WritePieces(file, pieces);
    int savedErrno = errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        HostRemoveFile(temporary);
        *error = std::string("cannot write ") + temporary + ": " + std::strerror(savedErrno);
        return false;
    }
    if (!HostReplaceFile(temporary, path)) {
        savedErrno = errno;
        HostRemoveFile(temporary);
        *error = std::string("cannot rename ") + temporary + " to " + path + ": " +
                 std::strerror(savedErrno);
        return false;
    }
    return true;
}

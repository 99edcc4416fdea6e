// Scoped owners of Win32 handles: each releases its handle when it goes out of scope, on
// every path out of a function. Win32.
#pragma once

#include <windows.h>

// Closes a file handle (CreateFile's kind: INVALID_HANDLE_VALUE means none).
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    // Hands the handle over to the caller, who closes it.
    HANDLE release() {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }

private:
    HANDLE handle_;
};

// File operations on the Win32 API. Each one takes fileLock, joins its path into a
// buffer of its own, opens the file, does one thing, and closes the handle exactly once.
#include "support/file_access.h"

#include <windows.h>

#include <cstring>

namespace {

CRITICAL_SECTION fileLock;

// Holds fileLock for one operation.
class FileLockGuard {
public:
    FileLockGuard() { EnterCriticalSection(&fileLock); }
    ~FileLockGuard() { LeaveCriticalSection(&fileLock); }
    FileLockGuard(const FileLockGuard&) = delete;
    FileLockGuard& operator=(const FileLockGuard&) = delete;
};

// Closes a file handle when the operation returns.
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

private:
    HANDLE handle_;
};

// Copies the joined path into the operation's own buffer; false when it does not fit.
bool JoinInto(char (&path)[kFilePathSize], const char* folder, const char* name) {
    const char* joined = JoinPath(folder, name);
    if (joined == nullptr) return false;
    size_t length = std::strlen(joined);
    if (length == 0 || length >= kFilePathSize) return false;
    std::memcpy(path, joined, length + 1);
    return true;
}

HANDLE OpenForReading(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Writes all of count bytes; a short write counts as a failure.
bool WriteAll(HANDLE file, const void* buffer, uint32_t count) {
    if (count == 0) return true;  // emptying a file needs no write (and may pass no buffer)
    DWORD written = 0;
    if (!WriteFile(file, buffer, count, &written, nullptr)) return false;
    return written == count;
}

}  // namespace

void CreateFileLock() { InitializeCriticalSection(&fileLock); }

void DeleteFileLock() { DeleteCriticalSection(&fileLock); }

uint32_t GetFileLength(const char* folder, const char* name) {
    FileLockGuard lock;
    char path[kFilePathSize];
    if (!JoinInto(path, folder, name)) return kNoFileLength;
    FileHandle file(OpenForReading(path));
    if (!file.valid()) return kNoFileLength;
    return GetFileSize(file.get(), nullptr);
}

uint32_t ReadFileRange(void* buffer, const char* folder, const char* name, uint32_t offset,
                       uint32_t count) {
    FileLockGuard lock;
    char path[kFilePathSize];
    if (!JoinInto(path, folder, name)) return 0;
    FileHandle file(OpenForReading(path));
    if (!file.valid()) return 0;
    // The high part makes the offset a 64-bit distance, so offsets of 2 GB and more
    // are taken as unsigned instead of moving backwards.
    LONG high = 0;
    if (SetFilePointer(file.get(), static_cast<LONG>(offset), &high, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR) {
        return 0;
    }
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer, count, &read, nullptr)) return 0;
    return read;
}

int WriteWholeFile(const void* buffer, const char* folder, const char* name, uint32_t count) {
    FileLockGuard lock;
    char path[kFilePathSize];
    if (!JoinInto(path, folder, name)) return -1;
    FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return -1;
    SetFileAttributesA(path, FILE_ATTRIBUTE_ARCHIVE);
    SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
    return WriteAll(file.get(), buffer, count) ? 0 : -1;
}

int ReplaceWholeFile(const void* buffer, const char* folder, const char* name, uint32_t count) {
    FileLockGuard lock;
    char path[kFilePathSize];
    // GetTempFileNameA hands back a name that does not fit unterminated (Wine), and what
    // is then created and moved is not the temporary file.
    if (!JoinInto(path, folder, name) || !FitsReplaceWholeFile(path)) return -1;
    // The temporary file must lie in the target's folder: only a rename within one volume
    // is a single step, and a product folder may be on another drive than %TEMP%.
    char parent[kFilePathSize];
    std::memcpy(parent, path, sizeof parent);
    char* lastSeparator = std::strrchr(parent, '\\');
    char* lastSlash = std::strrchr(parent, '/');
    if (lastSlash != nullptr && (lastSeparator == nullptr || lastSlash > lastSeparator)) {
        lastSeparator = lastSlash;
    }
    if (lastSeparator == nullptr) {
        std::strcpy(parent, ".");
    } else {
        lastSeparator[1] = '\0';
    }
    char temporary[MAX_PATH];
    if (!GetTempFileNameA(parent, kReplaceTempPrefix, 0, temporary)) return -1;

    bool written = false;
    {
        FileHandle file(CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        // The flush makes the bytes durable before the rename makes them the file: a power
        // cut between the two must not leave a renamed file with missing data.
        written =
            file.valid() && WriteAll(file.get(), buffer, count) && FlushFileBuffers(file.get());
    }
    if (written &&
        MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    DeleteFileA(temporary);
    return -1;
}

int AppendToFile(const void* buffer, const char* folder, const char* name, uint32_t count) {
    FileLockGuard lock;
    char path[kFilePathSize];
    if (!JoinInto(path, folder, name)) return -1;
    // Clearing read-only first is what lets the log be appended to after a run that
    // left it read-only; it fails harmlessly when the file does not exist yet.
    SetFileAttributesA(path, FILE_ATTRIBUTE_ARCHIVE);
    FileHandle file(
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return -1;
    SetFileAttributesA(path, FILE_ATTRIBUTE_ARCHIVE);
    LONG high = 0;
    if (SetFilePointer(file.get(), 0, &high, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR) {
        return -1;
    }
    return WriteAll(file.get(), buffer, count) ? 0 : -1;
}

int EmptyUnlinkedFile(const char* path) { return WriteWholeFile("", "", path, 0); }

int AppendToUnlinkedFile(const void* buffer, const char* path, uint32_t count) {
    return AppendToFile(buffer, "", path, count);
}

void DeleteFileForced(const char* folder, const char* name) {
    char path[kFilePathSize];
    if (!JoinInto(path, folder, name)) return;
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path);
}

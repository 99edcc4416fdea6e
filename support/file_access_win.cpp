// File operations on the Win32 API. Each one takes fileLock, joins its path into a
// buffer of its own, opens the file, does one thing, and closes the handle exactly once.
#include "support/file_access.h"

#include <windows.h>

#include <cstring>

#include "support/link_check_win.h"
#include "support/scoped_win.h"

namespace {

CRITICAL_SECTION fileLock;

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

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Gives the open file the archive attribute alone (lifting read-only, hidden and system)
// through the handle, which was checked, never through the path.
void SetArchiveOnly(HANDLE file) {
    FILE_BASIC_INFO basic = {};  // times of 0 are left as they are
    basic.FileAttributes = FILE_ATTRIBUTE_ARCHIVE;
    SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
}

// Lifts read-only, hidden and system from an existing unlinked file, so that it can be
// opened for writing. A read-only file can still be opened for its attributes. Wine
// refuses FILE_WRITE_ATTRIBUTES there (it asks unix for write access), but changes the
// attributes through a handle that may only read them, which Windows would refuse.
void LiftAttributes(const char* path) {
    const DWORD accesses[] = {FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, FILE_READ_ATTRIBUTES};
    for (DWORD access : accesses) {
        FileHandle file(OpenUnlinked(path, access, kShareAll, false));
        if (file.valid()) {
            SetArchiveOnly(file.get());
            return;
        }
    }
}

// Opens an unlinked file for writing, creating it when missing. Lifting read-only is what
// lets the log be appended to after a run that left it read-only; it is tried only when
// the file does not open for writing, since every open checks the file for links and
// most appends find a writable log.
HANDLE OpenForAppending(const char* path) {
    HANDLE file = OpenUnlinked(path, GENERIC_WRITE, 0, true);
    if (file != INVALID_HANDLE_VALUE) return file;
    LiftAttributes(path);
    return OpenUnlinked(path, GENERIC_WRITE, 0, true);
}

// AppendToUnlinkedFile on a path that fits; the caller holds fileLock.
int AppendUnlinked(const void* buffer, const char* path, uint32_t count) {
    FileHandle file(OpenForAppending(path));
    if (!file.valid()) return -1;
    SetArchiveOnly(file.get());
    LONG high = 0;
    if (SetFilePointer(file.get(), 0, &high, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR) {
        return -1;
    }
    return WriteAll(file.get(), buffer, count) ? 0 : -1;
}

// Creates ReplaceWholeFile's temporary file new in `folder` (ending in a separator, or
// "."), trying the numbers in order; its path goes to `temporary`. INVALID_HANDLE_VALUE
// when every name is taken or the folder refuses. CREATE_NEW never opens what already has
// the name, and FILE_FLAG_OPEN_REPARSE_POINT keeps Windows from creating the target of a
// dangling symbolic link under it.
HANDLE CreateTemporaryFile(const char* folder, char (&temporary)[kFilePathSize]) {
    for (uint32_t number = kReplaceTempFirstNumber; number <= kReplaceTempLastNumber; ++number) {
        char name[kReplaceTempNameSize];
        FormatReplaceTempName(number, name);
        if (!JoinInto(temporary, folder, name)) return INVALID_HANDLE_VALUE;
        HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        DWORD error = GetLastError();
        // A folder of that name, or a file being deleted, answers "access denied".
        bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                     (error == ERROR_ACCESS_DENIED &&
                      GetFileAttributesA(temporary) != INVALID_FILE_ATTRIBUTES);
        if (!taken) return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

void CreateFileLock() { InitializeCriticalSection(&fileLock); }

void DeleteFileLock() { DeleteCriticalSection(&fileLock); }

uint32_t GetFileLength(const char* folder, const char* name) {
    SectionLock lock(fileLock);
    char path[kFilePathSize];
    if (!JoinInto(path, folder, name)) return kNoFileLength;
    FileHandle file(OpenForReading(path));
    if (!file.valid()) return kNoFileLength;
    return GetFileSize(file.get(), nullptr);
}

uint32_t ReadFileRange(void* buffer, const char* folder, const char* name, uint32_t offset,
                       uint32_t count) {
    SectionLock lock(fileLock);
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
    SectionLock lock(fileLock);
    char path[kFilePathSize];
    if (!JoinInto(path, folder, name)) return -1;
    FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return -1;
    SetFileAttributesA(path, FILE_ATTRIBUTE_ARCHIVE);
    SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
    return WriteAll(file.get(), buffer, count) ? 0 : -1;
}

int WriteNewFile(const void* buffer, const char* folder, const char* name, uint32_t count) {
    SectionLock lock(fileLock);
    char path[kFilePathSize];
    if (!JoinInto(path, folder, name)) return -1;
    // CREATE_NEW with the reparse-point flag: never an existing file, never the target of
    // a link planted under the name.
    FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) return -1;
    return WriteAll(file.get(), buffer, count) ? 0 : -1;
}

int ReplaceWholeFile(const void* buffer, const char* folder, const char* name, uint32_t count) {
    SectionLock lock(fileLock);
    char path[kFilePathSize];
    // Whether a target can be replaced must not hang on which numbers happen to be free:
    // the rule counts the longest temporary name.
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
    char temporary[kFilePathSize];
    bool written = false;
    {
        FileHandle file(CreateTemporaryFile(parent, temporary));
        if (!file.valid()) return -1;
        // The flush makes the bytes durable before the rename makes them the file: a power
        // cut between the two must not leave a renamed file with missing data.
        written = WriteAll(file.get(), buffer, count) && FlushFileBuffers(file.get());
    }
    if (written &&
        MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    DeleteFileA(temporary);
    return -1;
}

int EmptyUnlinkedFile(const char* path) {
    SectionLock lock(fileLock);
    char own[kFilePathSize];
    if (!JoinInto(own, "", path)) return -1;
    FileHandle file(OpenUnlinked(own, GENERIC_WRITE, 0, true));
    if (!file.valid()) return -1;
    // Emptied only now, after the checks: opening with CREATE_ALWAYS would have emptied a
    // link's target before anything could be checked. CREATE_ALWAYS, with which the log
    // was emptied before, refuses a hidden or system file on Windows; such a file keeps
    // its content here too.
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0) {
        return -1;
    }
    if (SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !SetEndOfFile(file.get())) {
        return -1;
    }
    SetArchiveOnly(file.get());
    return 0;
}

int AppendToUnlinkedFile(const void* buffer, const char* path, uint32_t count) {
    SectionLock lock(fileLock);
    char own[kFilePathSize];
    if (!JoinInto(own, "", path)) return -1;
    return AppendUnlinked(buffer, own, count);
}

int AppendToFile(const void* buffer, const char* folder, const char* name, uint32_t count) {
    SectionLock lock(fileLock);
    char path[kFilePathSize];
    if (!JoinInto(path, folder, name)) return -1;
    return AppendUnlinked(buffer, path, count);
}

void DeleteFileForced(const char* folder, const char* name) {
    char path[kFilePathSize];
    if (!JoinInto(path, folder, name)) return;
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path);
}

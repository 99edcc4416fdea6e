// The link checks of link_check_win.h.
//
// Three checks, since each kind of link shows in another way. A hard link shows only in
// the file's link count. A Windows symbolic link, junction or other reparse point opened
// with FILE_FLAG_OPEN_REPARSE_POINT is opened itself and carries the reparse-point
// attribute. But Wine 8 follows a unix symbolic link under its drives whatever the flags,
// and reports neither: the handle is the target's, with the target's attributes and link
// count. What Wine does report is where the open file really lies:
// GetFinalPathNameByHandle gives the target's path. So the file's final path must be the
// final path of the folder that `path` names, followed by the name of `path`'s own entry
// in it. On Windows that holds for every plain file, also in a folder reached through a
// junction, a substituted drive or a network drive, since the file and the folder resolve
// them alike. (Links in the folders above are the caller's choice of path, not a name
// planted under the file's own.)
#include "support/link_check_win.h"

#include <cwchar>

#include "support/scoped_win.h"

namespace {

// Wide paths: a final path is "\\?\" and up to MAX_PATH characters, more in its long form
// when the caller gave 8.3 names. A path that does not fit is refused, never cut.
constexpr DWORD kWidePathSize = 1024;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Compares without regard to case, as the file system compares names.
bool SameName(const wchar_t* a, int aLength, const wchar_t* b, int bLength) {
    return CompareStringOrdinal(a, aLength, b, bLength, TRUE) == CSTR_EQUAL;
}

// The handle's final path without a final backslash (the root "\\?\C:\" gives "\\?\C:");
// its length, or 0 when the system gives none or it does not fit.
DWORD FinalPath(HANDLE handle, DWORD volumeName, wchar_t (&path)[kWidePathSize]) {
    DWORD length =
        GetFinalPathNameByHandleW(handle, path, kWidePathSize, FILE_NAME_NORMALIZED | volumeName);
    if (length == 0 || length >= kWidePathSize) return 0;
    if (path[length - 1] == L'\\') path[--length] = L'\0';
    return length;
}

// Whether the open file's final path is the open folder's final path, "\" and `name`.
bool LiesIn(HANDLE file, HANDLE folder, const wchar_t* name) {
    // A volume without a drive letter (mounted in a folder) has no DOS path; its NT
    // device path serves there.
    const DWORD volumeNames[] = {VOLUME_NAME_DOS, VOLUME_NAME_NT};
    for (DWORD volumeName : volumeNames) {
        wchar_t filePath[kWidePathSize];
        wchar_t folderPath[kWidePathSize];
        DWORD fileLength = FinalPath(file, volumeName, filePath);
        DWORD folderLength = FinalPath(folder, volumeName, folderPath);
        if (fileLength == 0 || folderLength == 0) continue;
        if (fileLength <= folderLength + 1 || filePath[folderLength] != L'\\') return false;
        return SameName(filePath, static_cast<int>(folderLength), folderPath,
                        static_cast<int>(folderLength)) &&
               SameName(filePath + folderLength + 1, -1, name, -1);
    }
    return false;
}

}  // namespace

bool IsUnlinked(HANDLE file, const char* path) {
    // The link count and the attributes by the two queries that carry them.
    // GetFileInformationByHandle would also ask for the volume's serial number, which
    // costs Wine half a millisecond, on every append to the log.
    FILE_STANDARD_INFO standard;
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard) ||
        !GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) {
        return false;
    }
    constexpr DWORD kNotPlain = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    if (standard.NumberOfLinks != 1 || standard.Directory ||
        (basic.FileAttributes & kNotPlain) != 0) {
        return false;
    }

    wchar_t wide[kWidePathSize];
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, kWidePathSize) == 0) return false;
    wchar_t full[kWidePathSize];
    wchar_t* name = nullptr;
    DWORD fullLength = GetFullPathNameW(wide, kWidePathSize, full, &name);
    if (fullLength == 0 || fullLength >= kWidePathSize || name == nullptr) return false;
    // The folder keeps its final separator: "C:" alone would be the current folder of C:.
    wchar_t folder[kWidePathSize];
    size_t folderLength = static_cast<size_t>(name - full);
    std::wmemcpy(folder, full, folderLength);
    folder[folderLength] = L'\0';
    FileHandle folderHandle(CreateFileW(folder, FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folderHandle.valid()) return false;
    if (LiesIn(file, folderHandle.get(), name)) return true;
    // The final path names the entry by its long name; the caller may have given the
    // short one. Either is the name of the entry itself, the link's when it is a link.
    // (Asked only now: the long name costs a look into every folder of the path.)
    wchar_t longPath[kWidePathSize];
    DWORD longLength = GetLongPathNameW(full, longPath, kWidePathSize);
    if (longLength == 0 || longLength >= kWidePathSize) return false;
    const wchar_t* separator = std::wcsrchr(longPath, L'\\');
    if (separator == nullptr) return false;
    const wchar_t* longName = separator + 1;
    if (SameName(longName, -1, name, -1)) return false;  // the name given was its long name
    return LiesIn(file, folderHandle.get(), longName);
}

HANDLE OpenUnlinked(const char* path, DWORD access, DWORD share, bool create) {
    // A missing file is created with CREATE_NEW, which fails when anything has the name,
    // a dangling link included; OPEN_ALWAYS would create the file that a dangling link
    // points to (Wine does so for a unix link whatever the flags). A file that appears
    // between the two tries is opened on the next round.
    constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    access |= FILE_READ_ATTRIBUTES;  // for the checks
    for (int round = 0; round < 2; ++round) {
        FileHandle file(CreateFileA(path, access, share, nullptr, OPEN_EXISTING, kFlags, nullptr));
        if (!file.valid()) {
            if (!create || GetLastError() != ERROR_FILE_NOT_FOUND) break;
            FileHandle created(
                CreateFileA(path, access, share, nullptr, CREATE_NEW, kFlags, nullptr));
            if (!created.valid()) {
                if (GetLastError() == ERROR_FILE_EXISTS) continue;
                break;
            }
            return IsUnlinked(created.get(), path) ? created.release() : INVALID_HANDLE_VALUE;
        }
        return IsUnlinked(file.get(), path) ? file.release() : INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

// File access: every file operation of the installer opens its file, does one thing
// and closes it again. A file is named by a (folder, name) pair of 8-bit ANSI strings
// that JoinPath joins; an empty folder means the name is a full path.
//
// JoinPath, FormatReplaceTempName and FitsReplaceWholeFile are portable; the other
// operations are Win32 (file_access_win.cpp) and all but DeleteFileForced run under the
// process-wide fileLock.
#pragma once

#include <cstddef>
#include <cstdint>

// Size of the buffer that JoinPath builds joined paths in.
constexpr uint32_t kJoinBufferSize = 512;
// Longest path a file operation accepts, terminator included (the platform's MAX_PATH).
constexpr uint32_t kFilePathSize = 260;
// GetFileLength's answer for a file that cannot be opened for reading.
constexpr uint32_t kNoFileLength = 0xFFFFFFFFu;
// ReplaceWholeFile's temporary file lies in the target's folder. Its name is this prefix,
// a number of up to four hex digits and ".tmp", as GetTempFileName names its files:
// "tvsffff.tmp" at most. The numbers are tried in order from the first to the last.
constexpr char kReplaceTempPrefix[] = "tvs";
constexpr uint32_t kReplaceTempNameLength = sizeof kReplaceTempPrefix - 1 + 4 + 4;
constexpr uint32_t kReplaceTempNameSize = kReplaceTempNameLength + 1;
constexpr uint32_t kReplaceTempFirstNumber = 1;
constexpr uint32_t kReplaceTempLastNumber = 0xFFFF;

// Joins folder and name: an empty (or null) name gives the folder string itself, an
// empty folder the name string itself, both without copying. Otherwise the result is
// folder + "\" (unless the folder already ends in "\" or "/") + name without one leading
// "\" or "/", built in a static buffer that the next join overwrites.
// Returns null when the joined path does not fit in kJoinBufferSize bytes.
const char* JoinPath(const char* folder, const char* name);

// The plain concatenation of up to three parts into `out` (`size` bytes with its
// terminator), as the product forms the paths its texts show: nothing added or dropped, so
// the caller puts any separator in. False, with `out` emptied, when the result does not
// fit.
bool ConcatPath(char* out, size_t size, const char* first, const char* second,
                const char* third = "");
template <size_t N>
bool ConcatPath(char (&out)[N], const char* first, const char* second, const char* third = "") {
    return ConcatPath(out, N, first, second, third);
}

// The name of ReplaceWholeFile's temporary file of this number: the prefix, the number's
// low 16 bits in lower-case hex without leading zeros, and ".tmp" ("tvs1.tmp").
void FormatReplaceTempName(uint32_t number, char (&name)[kReplaceTempNameSize]);

// Whether ReplaceWholeFile can take `path` whatever number its temporary file gets: the path
// and the longest temporary file in its folder (the part up to its last "\" or "/", or
// ".\" when it has none) both fit in kFilePathSize with their terminators. Paths are taken
// as given, so this holds for absolute ones.
bool FitsReplaceWholeFile(const char* path);

// Creates and destroys fileLock; the entry function brackets the whole run with them.
void CreateFileLock();
void DeleteFileLock();

// Length of the file, or kNoFileLength when it cannot be opened for reading with read
// sharing (missing, or held open for writing by another handle). Only the low 32 bits.
uint32_t GetFileLength(const char* folder, const char* name);

// Reads up to count bytes from offset into buffer; returns the bytes read, fewer at the
// end of the file, 0 on any failure or at or past the end.
uint32_t ReadFileRange(void* buffer, const char* folder, const char* name, uint32_t offset,
                       uint32_t count);

// Creates or empties the file and writes count bytes; 0 on success, -1 on failure.
// A read-only file cannot be opened for writing and is left as it was (-1).
int WriteWholeFile(const void* buffer, const char* folder, const char* name, uint32_t count);

// Creates the file new and writes count bytes; 0 on success, -1 on failure. Anything
// already under the name (a file, a link someone planted) makes it fail untouched.
int WriteNewFile(const void* buffer, const char* folder, const char* name, uint32_t count);

// Replaces the file by count bytes without ever leaving it half-written: the bytes go to
// a new temporary file in the same folder, are flushed to the disk, and the temporary
// file then takes the file's place in one step (MoveFileEx, replace-existing,
// write-through). 0 on success; -1 on any failure, with the file byte for byte as before
// and the temporary file gone. A file held open by another program, or a read-only one,
// cannot be replaced (-1); a path that FitsReplaceWholeFile refuses is refused before
// anything is created (-1). The temporary file is always created new: a name that
// anything already has (a file, a hard link, a symbolic link, a folder) is passed over
// for the next number and left as it is; when every number is taken, -1.
int ReplaceWholeFile(const void* buffer, const char* folder, const char* name, uint32_t count);

// Creates the file, or empties it, refusing links: a file that has another hard link, is
// a reparse point (a symbolic link, a junction) or is reached through a link Wine follows
// is neither written nor emptied, and a dangling link does not get its target created.
// 0 on success; -1 when the file cannot be emptied, with its content as it was: a link,
// a file held open by another program, a read-only file, or a hidden or system one
// (which CREATE_ALWAYS refuses on Windows; the first append lifts those attributes).
int EmptyUnlinkedFile(const char* path);

// Appends count bytes at the end of the file, creating it when missing, refusing links as
// EmptyUnlinkedFile does; 0 on success, -1 on failure, with nothing written. Read-only,
// hidden and system are cleared first, through a handle to the checked file only, never
// by the path, which might lead to another file by then.
int AppendToUnlinkedFile(const void* buffer, const char* path, uint32_t count);

// AppendToUnlinkedFile on the joined path.
int AppendToFile(const void* buffer, const char* folder, const char* name, uint32_t count);

// Clears the file's attributes and deletes it; reports nothing (test with GetFileLength).
void DeleteFileForced(const char* folder, const char* name);

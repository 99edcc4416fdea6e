// File access: every file operation of the installer opens its file, does one thing
// and closes it again. A file is named by a (folder, name) pair of 8-bit ANSI strings
// that JoinPath joins; an empty folder means the name is a full path.
//
// JoinPath and FitsReplaceWholeFile are portable; the other operations are Win32
// (file_access_win.cpp) and all but DeleteFileForced run under the process-wide fileLock.
#pragma once

#include <cstdint>

// Size of the buffer that JoinPath builds joined paths in.
constexpr uint32_t kJoinBufferSize = 512;
// Longest path a file operation accepts, terminator included (the platform's MAX_PATH).
constexpr uint32_t kFilePathSize = 260;
// GetFileLength's answer for a file that cannot be opened for reading.
constexpr uint32_t kNoFileLength = 0xFFFFFFFFu;
// ReplaceWholeFile's temporary file lies in the target's folder. GetTempFileName names it
// by this prefix, a number of up to four hex digits and ".tmp": "tvsFFFF.tmp" at most.
constexpr char kReplaceTempPrefix[] = "tvs";
constexpr uint32_t kReplaceTempNameLength = sizeof kReplaceTempPrefix - 1 + 4 + 4;

// Joins folder and name: an empty (or null) name gives the folder string itself, an
// empty folder the name string itself, both without copying. Otherwise the result is
// folder + "\" (unless the folder already ends in "\" or "/") + name without one leading
// "\" or "/", built in a static buffer that the next join overwrites.
// Returns null when the joined path does not fit in kJoinBufferSize bytes.
const char* JoinPath(const char* folder, const char* name);

// Whether ReplaceWholeFile can take `path` whatever number GetTempFileName picks: the path
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

// Replaces the file by count bytes without ever leaving it half-written: the bytes go to
// a new temporary file in the same folder, are flushed to the disk, and the temporary
// file then takes the file's place in one step (MoveFileEx, replace-existing,
// write-through). 0 on success; -1 on any failure, with the file byte for byte as before
// and the temporary file gone. A file held open by another program, or a read-only one,
// cannot be replaced (-1); a path that FitsReplaceWholeFile refuses is refused before
// anything is created (-1).
int ReplaceWholeFile(const void* buffer, const char* folder, const char* name, uint32_t count);

// Clears read-only, hidden and system, creates the file if missing and appends count
// bytes at its end; 0 on success, -1 on failure.
int AppendToFile(const void* buffer, const char* folder, const char* name, uint32_t count);

// Log files at a path that another user may have prepared: never written through a link.
// A name that is a hard link to another file or a reparse point counts as a file that
// cannot be written. 0 on success, -1 on failure.
int EmptyUnlinkedFile(const char* path);
int AppendToUnlinkedFile(const void* buffer, const char* path, uint32_t count);

// Clears the file's attributes and deletes it; reports nothing (test with GetFileLength).
void DeleteFileForced(const char* folder, const char* name);

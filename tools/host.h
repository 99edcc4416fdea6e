// The few things tvispack needs from the operating system, behind one small interface:
// host_posix.cpp (Linux: /proc/self/exe, rename) and host_win.cpp (GetModuleFileNameW,
// MoveFileExW, UTF-16 paths). Paths are UTF-8 strings on both.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The program's arguments (without the program name) as UTF-8.
std::vector<std::string> HostArguments(int argc, char** argv);

// The folder of the running executable, ending in a path separator; empty when unknown.
std::string HostOwnFolder();

// fopen with a UTF-8 path; sets errno on failure like fopen.
FILE* HostOpenFile(const std::string& path, const char* mode);

// Opens `path` for reading when it names a plain file (links followed) and gives its
// length. A folder, a named pipe, a device or a socket is refused before anything opens it
// (opening a named pipe that no program writes to waits forever): false, with *error
// saying what the path names ("it is a named pipe (FIFO), not a file") or the system's
// reason ("No such file or directory").
bool HostOpenInputFile(const std::string& path, FILE** file, uint64_t* length, std::string* error);

// Standard input and output switched to binary (no newline translation on Windows), for
// an installer read from or written to a pipe.
FILE* HostBinaryStdin();
FILE* HostBinaryStdout();

// Writes UTF-8 text to stdout or stderr: to a Windows console as UTF-16, so that Polish
// letters show whatever the console's code page; anywhere else the bytes as they are.
void HostWriteText(FILE* stream, const std::string& text);

// Renames `from` to `to`, replacing `to` when it exists, in one step.
bool HostReplaceFile(const std::string& from, const std::string& to);

// Removes a file; false when it could not be removed.
bool HostRemoveFile(const std::string& path);

// The current process's id (to name temporary files).
unsigned long HostProcessId();

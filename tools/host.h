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

// The length of a file, or false (errno set) when it cannot be opened or sized.
bool HostFileLength(const std::string& path, uint64_t* length);

// Renames `from` to `to`, replacing `to` when it exists, in one step.
bool HostReplaceFile(const std::string& from, const std::string& to);

// Removes a file; false when it could not be removed.
bool HostRemoveFile(const std::string& path);

// The current process's id (to name temporary files).
unsigned long HostProcessId();

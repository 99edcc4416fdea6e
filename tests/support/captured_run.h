// Runs a console program to its end with its output in a file, for tests of command-line
// tools under Wine. Windows builds only.
#pragma once

#include <windows.h>

#include <string>

// Runs `commandLine` (UTF-16, so Polish letters survive the way there) with standard
// output and standard error into `outputFile`, waits up to a minute, and returns its exit
// code (0xFFFFFFFF when it could not be started or the file not made). The program shares
// the test's console: given one of its own (CREATE_NO_WINDOW), Wine's conhost.exe goes on
// holding the inherited output handle after the program has ended.
DWORD RunWithOutput(const std::wstring& commandLine, const std::string& outputFile);

// The same with standard output and standard error on an inheritable handle the caller
// owns (a console screen buffer, say).
DWORD RunWithOutputHandle(const std::wstring& commandLine, HANDLE output);

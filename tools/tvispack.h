// tvispack: builds and inspects tVis upgrade installers, and compresses and expands single
// SZDD files. RunTvispack is the whole program behind main(), so that it stays portable.
#pragma once

#include <string>
#include <vector>

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // a refusal, an unreadable input, a damaged file
constexpr int kExitUsage = 2;   // wrong command line

// Runs tvispack with `args` (without the program name); `ownFolder` is where the default
// stub is looked for. Writes results to stdout and errors to stderr; returns the exit status.
int RunTvispack(const std::vector<std::string>& args, const std::string& ownFolder);

// "tvispack 1.0.0 (commit 0123abcd...)": the project's version and the source commit, the
// same line in every build of one commit.
std::string VersionLine();

// The default stub's file name, looked for beside tvispack.
constexpr const char* kDefaultStubName = "tvisupgrade.exe";

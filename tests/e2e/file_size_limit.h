// A file-size limit put on a running Windows program from a test, so that its later
// writes stop short as on a full disk. Wine runs set_file_limit.sh (a unix script beside
// the test) when a Windows program starts it; the script finds the program's unix process
// by its command line and calls prlimit. The program must have been started with SIGXFSZ
// ignored, as scripts/wine-run.sh starts the tests and so everything they start. Under
// Wine only.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// Gives the one running program started from `program` (its Windows path, as the command
// line began) RLIMIT_FSIZE = bytes. On success the message holds the unix process id.
testing::AssertionResult LimitFileSize(const std::string& program, uint64_t bytes);

// Runs a unix program with these arguments (unix paths where it takes paths) through
// unix_command.sh beside the test and waits for it to end; success when it exited with 0.
testing::AssertionResult RunUnixCommand(const std::vector<std::string>& arguments);

// The unix path of a Windows path (Wine's wine_get_unix_file_name), or "" outside Wine.
std::string UnixPath(const std::string& windowsPath);

// What every tvispack command shares: its output (through host.h, so a Windows console
// shows Polish letters right), its one-line refusals, and the reading of positional
// arguments. Portable.
#pragma once

#include <string>
#include <vector>

// Results on standard output, UTF-8.
void Out(const std::string& text);
// "tvispack: MESSAGE" as a line on standard error.
void Error(const std::string& message);
// "tvispack: warning: MESSAGE" on standard error; the command goes on.
void Warning(const std::string& message);

// printf into a string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A usage error of `command` (empty for none): one line on standard error that points at
// the command's help ("tvispack: inspect: FILE.exe is missing; see tvispack help
// inspect"), and the usage exit status.
int UsageError(const std::string& command, const std::string& message);

// "--help", "-h" or "help".
bool IsHelp(const std::string& arg);

// The arguments of a command that takes only paths and the given flags: each flag found
// is set in *flagsSeen (same order as `flags`), each other argument is a path. An argument
// that starts with "-" is a flag or an error, except "-" itself (standard input or output)
// and anything after "--". False (and *wrong names the argument) for an unknown option or
// a flag given twice.
bool SplitArguments(const std::vector<std::string>& args, const std::vector<std::string>& flags,
                    std::vector<bool>* flagsSeen, std::vector<std::string>* paths,
                    std::string* wrong);

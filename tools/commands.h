// tvispack's commands, each behind RunTvispack (tvispack.h): the arguments after the
// command's name in, the exit status out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Inputs larger than this cannot fit into an installer even at SZDD's best ratio.
constexpr uint64_t kMaxInputLength = 64u * 1024u * 1024u;

// Reads an input named on the command line (whole, at most kMaxInputLength bytes); on
// failure reports it, naming `what` and the path, and returns false.
bool ReadInput(const std::string& what, const std::string& path, std::vector<uint8_t>* bytes);

int BuildCommand(const std::vector<std::string>& args, const std::string& ownFolder);
int InspectCommand(const std::vector<std::string>& args);
int VerifyCommand(const std::vector<std::string>& args);

// tvispack's commands, each behind RunTvispack (tvispack.h): the arguments after the
// command's name in, the exit status out.
#pragma once

#include <string>
#include <vector>

int BuildCommand(const std::vector<std::string>& args, const std::string& ownFolder);
int InspectCommand(const std::vector<std::string>& args);
int VerifyCommand(const std::vector<std::string>& args);

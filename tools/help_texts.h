// The help of tvispack and of each of its commands, which usage errors point at.
#pragma once

extern const char kMainHelp[];
extern const char kBuildHelp[];
extern const char kInspectHelp[];
extern const char kVerifyHelp[];
extern const char kCompressHelp[];
extern const char kExpandHelp[];

// The deployment log: a file that an administrator names on the command line (/log=PATH)
// so that a deployment engine keeps a record of what each run did. UTF-8, one line per
// step, each line the local time ("2026-12-11 07:23:30.123 ") and a text. It is written in
// addition to the log file of diagnostics.h, whatever the mode of the run, and like that
// log it never reports a failure of its own: a line that cannot be written is lost.
#pragma once

// Starts the log at `path` (an 8-bit path in the system's code page), emptying a file
// left there by an earlier run. An empty or null path leaves the log off, and every line
// below is then dropped.
void OpenDeploymentLog(const char* path);

// Continues a log at `path` without emptying it: a second installer, which must not touch
// what the first one writes, adds only its last line.
void AppendToDeploymentLog(const char* path);

// Whether a deployment log was asked for.
bool DeploymentLogOn();

// One line of the program's own text (UTF-8 in the sources, as every shown text).
void DeploymentText(const char* text);

// One line made by a printf-style format of the program's own (ASCII) whose "%s"
// arguments are texts of the system's code page (paths, file names), converted to UTF-8.
void DeploymentLine(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

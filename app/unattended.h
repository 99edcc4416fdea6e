// The run as the command line asked for it, and how it ends: the dialog's ends go through
// EndRun, which records the exit code an unattended run returns and writes the deployment
// log's last line. A run without arguments ends with exit code 1, as it always has.
#pragma once

#include <windows.h>

#include <cstdint>

#include "support/run_options.h"

// The switches of this run; set by the entry function before anything else runs.
extern RunOptions runOptions;
// What the process returns: kInteractiveExitCode in an interactive run, otherwise the code
// EndRun recorded (failed, until a run's end is known).
extern uint32_t runExitCode;

// Ends the dialog with `result` and the run with `exitCode` (taken only by an unattended
// run); `why` says it in the deployment log's last line (English, ASCII).
void EndRun(HWND dialog, INT_PTR result, uint32_t exitCode, const char* why);

// Runs the UPGRADE dialog until it ends: modal and on the screen in an interactive or
// passive run, created hidden with a message loop of its own in a quiet run (no window of
// the process is ever shown). False when the dialog could not be created.
bool RunUpgradeDialog(HINSTANCE instance);

// The box of /? and /help: every switch and exit code.
void ShowHelp();

// The deployment log's first lines: the installer's own file and its size, and the mode.
void LogRunStart();

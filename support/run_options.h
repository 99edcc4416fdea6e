// How the installer was started: the switches of an unattended run, and the exit codes
// that tell a deployment engine what happened. Portable, and below both the installer and
// tvispack: the tables below are what the help box, the deployment log, the README and
// tvispack's deployment files all read.
//
// A run without arguments (a double-click) is interactive and ends with exit code 1
// whatever happened, as it always has. Arguments that are not switches of this table are
// ignored, so a caller that passes something unknown gets that same run.
#pragma once

#include <cstddef>
#include <cstdint>

enum class RunMode {
    kInteractive,  // the dialog asks and reports; exit code 1
    kPassive,      // the dialog shows its progress, nothing asks, nothing waits for a button
    kQuiet,        // nothing on the screen at all
};

// Size of the deployment log's path, terminator included.
constexpr size_t kDeploymentLogPathSize = 260;

struct RunOptions {
    RunMode mode = RunMode::kInteractive;
    bool help = false;  // /? or /help: show the switches and exit codes, do nothing else
    char logPath[kDeploymentLogPathSize] = {};  // /log=PATH; empty when not given
};

// Reads a command line as Windows hands it to WinMain (without the program's name):
// arguments split at blanks outside double quotes, quotes removed, a backslash taken
// literally. Switches begin with "/" or "-" and are matched without regard to letter case;
// the last of /quiet, /S and /passive wins, and the last /log= too. A /log= whose path is
// too long for logPath is ignored as if it were not there (no deployment log, or the one an
// earlier /log= named, rather than one at a cut path).
RunOptions ParseCommandLine(const char* commandLine);

// Whether the run decides its exit code by what happened (the unattended modes).
bool Unattended(const RunOptions& options);

// The exit codes of an unattended run: those of Windows Installer, which Intune,
// Configuration Manager and winget already map.
enum DeploymentExitCode : uint32_t {
    kExitUpgraded = 0,
    kExitCancelled = 1602,   // ERROR_INSTALL_USEREXIT: "Anuluj" in a passive run
    kExitFailed = 1603,      // ERROR_INSTALL_FAILURE
    kExitNoProduct = 1605,   // ERROR_UNKNOWN_PRODUCT: no installed tVis found
    kExitRetryLater = 1618,  // ERROR_INSTALL_ALREADY_RUNNING: could not run now
};

// The exit code of every interactive run.
constexpr uint32_t kInteractiveExitCode = 1;

struct ExitCodeRow {
    uint32_t code;
    const char* meaning;  // English, as the README, docs and the deployment log say it
    const char* polish;   // as the help box says it (UTF-8 in the sources)
};
constexpr size_t kExitCodeCount = 5;
extern const ExitCodeRow kExitCodeTable[kExitCodeCount];

// The row of an exit code; null for a code that is not in the table.
const ExitCodeRow* FindExitCode(uint32_t code);

struct SwitchRow {
    const char* name;     // as written in the help box and the docs: "/quiet"
    const char* alias;    // another spelling, or null
    const char* meaning;  // English
    const char* polish;   // the help box (UTF-8 in the sources)
};
constexpr size_t kSwitchCount = 4;
extern const SwitchRow kSwitchTable[kSwitchCount];

// The help box's text: every switch and every exit code, a line each (UTF-8).
// Writes at most size bytes with the terminator; returns the text.
const char* HelpText(char* text, size_t size);

// What a program given to tvispack as the stub is: the installer stub of ours (a Windows
// GUI program whose version resource carries the mark of resources/stub_identity.h), or
// something else, and why. `build` appends a payload to our stub only; `inspect` shows the
// same facts of an installer's program. Portable.
#pragma once

#include <cstdint>
#include <string>

#include "tools/version_resource.h"

enum class StubVerdict {
    kNotWindowsProgram,  // no MZ and PE headers
    kDll,
    kUnknownMachine,  // neither x86 nor x64
    kConsoleProgram,
    kOtherSubsystem,  // neither GUI nor console
    kNotOurs,         // a Windows GUI program without our version resource
    kOurs,
};

struct StubIdentity {
    StubVerdict verdict = StubVerdict::kNotWindowsProgram;
    bool windowsProgram = false;  // MZ and PE headers read (DLLs included)
    uint16_t machine = 0;
    uint16_t subsystem = 0;
    bool hasVersionResource = false;  // any VS_VERSION_INFO
    VersionResource version;          // its contents, when it has one
    std::string notPe;                // why it is no Windows program

    bool Is64Bit() const;
    // "x86", "x64" or the machine's number.
    std::string MachineName() const;
    // The version resource's ProductVersion and our commit string (empty when absent).
    std::string ProductVersion() const;
    std::string Commit() const;
};

// Reads the headers and the version resource of a program image.
StubIdentity IdentifyStub(const uint8_t* image, uint64_t length);

// What the stub is, as the end of a sentence that starts with the file's name: "is not a
// Windows program (it does not start with "MZ")", "is a console program", ...; empty for
// our stub.
std::string StubProblem(const StubIdentity& stub);

// "x86 (32-bit), tVis upgrade installer 1.0.0, commit 0123abc..." for a summary line.
std::string StubSummary(const StubIdentity& stub);

// The installer stub's identity; see stub_check.h.
#include "tools/stub_check.h"

#include <cstdio>

#include "resources/stub_identity.h"
#include "tools/pe_image.h"

namespace {

// Our mark: the internal name and the product name of version.rc, both.
bool CarriesOurMark(const VersionResource& version) {
    return version.Text("InternalName") == TVIS_STUB_INTERNAL_NAME &&
           version.Text("ProductName") == TVIS_STUB_PRODUCT_NAME;
}

// What a foreign version resource says about its program, to name it in a refusal.
std::string ForeignVersion(const StubIdentity& stub) {
    if (!stub.hasVersionResource) return "it has no version resource";
    const std::string product = stub.version.Text("ProductName");
    const std::string internal = stub.version.Text("InternalName");
    if (product.empty() && internal.empty()) return "its version resource names no product";
    std::string text = "its version resource names";
    if (!product.empty()) text += " the product '" + product + "'";
    if (!product.empty() && !internal.empty()) text += ",";
    if (!internal.empty()) text += " the internal name '" + internal + "'";
    return text;
}

}  // namespace

bool StubIdentity::Is64Bit() const { return machine == kPeMachineAmd64; }

std::string StubIdentity::MachineName() const { return PeMachineName(machine); }

std::string StubIdentity::ProductVersion() const { return version.Text("ProductVersion"); }

std::string StubIdentity::Commit() const { return version.Text(TVIS_STUB_COMMIT_KEY); }

StubIdentity IdentifyStub(const uint8_t* image, uint64_t length) {
    StubIdentity stub;
    const PeHeaders headers = ReadPeHeaders(image, length);
    if (!headers.notPe.empty()) {
        stub.notPe = headers.notPe;
        return stub;
    }
    stub.windowsProgram = true;
    stub.machine = headers.machine;
    stub.subsystem = headers.subsystem;
    if (headers.versionSize > 0) {
        stub.hasVersionResource =
            ReadVersionResource(image + headers.versionOffset, headers.versionSize, &stub.version);
    }
    const bool knownMachine = (headers.machine == kPeMachineI386 && headers.magic == 0x10B) ||
                              (headers.machine == kPeMachineAmd64 && headers.magic == 0x20B);
    if (headers.dll) {
        stub.verdict = StubVerdict::kDll;
    } else if (!knownMachine) {
        stub.verdict = StubVerdict::kUnknownMachine;
    } else if (headers.subsystem == kPeSubsystemConsole) {
        stub.verdict = StubVerdict::kConsoleProgram;
    } else if (headers.subsystem != kPeSubsystemGui) {
        stub.verdict = StubVerdict::kOtherSubsystem;
    } else if (!stub.hasVersionResource || !CarriesOurMark(stub.version)) {
        stub.verdict = StubVerdict::kNotOurs;
    } else {
        stub.verdict = StubVerdict::kOurs;
    }
    return stub;
}

std::string StubProblem(const StubIdentity& stub) {
    char number[32];
    switch (stub.verdict) {
        case StubVerdict::kNotWindowsProgram:
            return "is not a Windows program (" + stub.notPe + ")";
        case StubVerdict::kDll:
            return "is a Windows DLL, not a program";
        case StubVerdict::kUnknownMachine:
            return "is a Windows program for the machine " + stub.MachineName() +
                   ", neither x86 nor x64";
        case StubVerdict::kConsoleProgram:
            return "is a console program, not the installer (a Windows GUI program)";
        case StubVerdict::kOtherSubsystem:
            std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(stub.subsystem));
            return std::string("is a Windows program of subsystem ") + number +
                   ", not a GUI program";
        case StubVerdict::kNotOurs:
            return "is a Windows program but not the " TVIS_STUB_INTERNAL_NAME
                   " stub (no version resource of ours: " +
                   ForeignVersion(stub) + ")";
        case StubVerdict::kOurs:
            break;
    }
    return std::string();
}

std::string StubSummary(const StubIdentity& stub) {
    std::string text = stub.MachineName() + (stub.Is64Bit() ? " (64-bit)" : " (32-bit)");
    if (stub.verdict != StubVerdict::kOurs) return text;
    text += ", " + stub.version.Text("ProductName");
    const std::string version = stub.ProductVersion();
    if (!version.empty()) text += " " + version;
    const std::string commit = stub.Commit();
    text += ", commit " + (commit.empty() ? std::string("unknown") : commit);
    return text;
}

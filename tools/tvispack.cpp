// tvispack's command dispatch, its version line, and the single-file commands compress
// and expand; build, inspect and verify have files of their own (commands.h).
#include "tools/tvispack.h"

#include "build_identity.h"
#include "payload/szdd.h"
#include "tools/command_line.h"
#include "tools/commands.h"
#include "tools/file_io.h"
#include "tools/help_texts.h"
#include "tools/host.h"

bool ReadInput(const std::string& what, const std::string& path, std::vector<uint8_t>* bytes) {
    std::string error;
    if (ReadWholeFile(path, kMaxInputLength, bytes, &error)) return true;
    Error("cannot read " + what + " '" + path + "': " + error);
    return false;
}

namespace {

// Reads IN and OUT for compress and expand ("--" before a name that starts with "-").
bool TwoPaths(const std::vector<std::string>& args, std::string* in, std::string* out,
              std::string* wrong) {
    std::vector<bool> flags;
    std::vector<std::string> paths;
    if (!SplitArguments(args, {}, &flags, &paths, wrong)) return false;
    if (paths.size() != 2 || paths[0].empty() || paths[1].empty()) {
        *wrong = "needs IN and OUT";
        return false;
    }
    *in = paths[0];
    *out = paths[1];
    return true;
}

// Whether `args` ask for the help before any "--".
bool AsksForHelp(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") return false;
        if (IsHelp(arg)) return true;
    }
    return false;
}

// The line "IN -> OUT" of compress and expand, on standard error when OUT is standard
// output.
void SayWritten(const std::string& out, uint64_t from, uint64_t to) {
    const std::string line =
        Format("%s: %s -> %s bytes\n", out == kStandardStream ? "standard output" : out.c_str(),
               Thousands(from).c_str(), Thousands(to).c_str());
    if (out == kStandardStream) {
        HostWriteText(stderr, line);
    } else {
        Out(line);
    }
}

int Compress(const std::vector<std::string>& args) {
    if (AsksForHelp(args)) {
        Out(kCompressHelp);
        return kExitOk;
    }
    std::string in;
    std::string out;
    std::string wrong;
    if (!TwoPaths(args, &in, &out, &wrong)) return UsageError("compress", wrong);
    std::vector<uint8_t> data;
    if (!ReadInput("input", in, &data)) return kExitFailed;
    std::vector<uint8_t> encoded = EncodeSzdd(data.data(), data.size(), SzddLastNameChar(in));
    std::string error;
    if (!WriteFileAtomically(out, {{encoded.data(), encoded.size()}}, &error)) {
        Error("cannot write '" + out + "': " + error);
        return kExitFailed;
    }
    SayWritten(out, data.size(), encoded.size());
    return kExitOk;
}

int Expand(const std::vector<std::string>& args) {
    if (AsksForHelp(args)) {
        Out(kExpandHelp);
        return kExitOk;
    }
    std::string in;
    std::string out;
    std::string wrong;
    if (!TwoPaths(args, &in, &out, &wrong)) return UsageError("expand", wrong);
    std::vector<uint8_t> data;
    if (!ReadInput("input", in, &data)) return kExitFailed;
    std::vector<uint8_t> decoded;
    SzddHeader header = {};
    SzddStatus status = DecodeSzdd(data.data(), data.size(), &decoded, &header);
    if (status != SzddStatus::kOk) {
        std::string detail = SzddStatusText(status);
        if (status == SzddStatus::kStreamEndedEarly || status == SzddStatus::kLengthMismatch) {
            detail += " (header says " + Thousands(header.length) + " bytes, decoded " +
                      Thousands(decoded.size()) + ")";
        }
        Error("cannot expand '" + in + "': " + detail + "; nothing was written");
        return kExitFailed;
    }
    std::string error;
    if (!WriteFileAtomically(out, {{decoded.data(), decoded.size()}}, &error)) {
        Error("cannot write '" + out + "': " + error);
        return kExitFailed;
    }
    SayWritten(out, data.size(), decoded.size());
    return kExitOk;
}

}  // namespace

std::string VersionLine() {
    return std::string("tvispack ") + TVIS_VERSION_TEXT + " (commit " + TVIS_SOURCE_COMMIT + ")";
}

int RunTvispack(const std::vector<std::string>& args, const std::string& ownFolder) {
    if (args.empty()) return UsageError("", "no command given");
    const std::string& command = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (IsHelp(command)) {
        // "tvispack help build" is "tvispack build --help".
        if (rest.size() == 1 && !IsHelp(rest[0])) {
            return RunTvispack({rest[0], "--help"}, ownFolder);
        }
        Out(kMainHelp);
        return kExitOk;
    }
    if (command == "--version" || command == "version") {
        if (!rest.empty()) return UsageError("", command + " takes no arguments");
        Out(VersionLine() + "\n");
        return kExitOk;
    }
    if (command == "build") return BuildCommand(rest, ownFolder);
    if (command == "inspect") return InspectCommand(rest);
    if (command == "verify") return VerifyCommand(rest);
    if (command == "compress") return Compress(rest);
    if (command == "expand") return Expand(rest);
    return UsageError("", "unknown command '" + command + "'");
}

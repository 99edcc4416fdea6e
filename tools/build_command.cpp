// tvispack build: the installer from the stub and the three product files, after the
// checks that keep it from ever being one the installer cannot use.
#include <array>
#include <cstdio>
#include <cstring>
#include <set>

#include "payload/carried_files.h"
#include "payload/certificate_table.h"
#include "payload/integrity_block.h"
#include "payload/szdd.h"
#include "payload/trailer.h"
#include "support/crc32.h"
#include "support/sha256.h"
#include "tools/command_line.h"
#include "tools/commands.h"
#include "tools/detection_script.h"
#include "tools/file_io.h"
#include "tools/help_texts.h"
#include "tools/host.h"
#include "tools/inspect.h"
#include "tools/release_facts.h"
#include "tools/stub_check.h"
#include "tools/tvispack.h"
#include "tools/winget_manifest.h"
#include "version/version_record.h"

namespace {

// The installer treats a product file without a version record as damaged and refuses to
// upgrade with it, so such an input would make an installer that can never succeed.
// Names every input that lacks one; true when all three hold a record.
bool EveryInputHoldsARecord(const std::string (&paths)[kPayloadFileCount],
                            const std::vector<uint8_t> (&files)[kPayloadFileCount]) {
    bool all = true;
    for (int k = 0; k < kPayloadFileCount; ++k) {
        if (FindVersionRecord(files[k].data(), static_cast<uint32_t>(files[k].size())) != 0) {
            continue;
        }
        const std::string name = kCarriedFiles[k].productName;
        Error(std::string(kCarriedFiles[k].packOption) + " file '" + paths[k] + "' (" +
              Thousands(files[k].size()) + " bytes) holds no version record (no marker \"" +
              kRecordMarker +
              "\" with the check byte 0x71 147 bytes after it); the installer "
              "would treat " +
              name + " as damaged at upgrade time; give the product's own " + name +
              "; nothing was written");
        all = false;
    }
    return all;
}

// What `tvispack build` was asked for.
struct BuildRequest {
    std::string stub;  // empty: the default stub beside tvispack
    std::string output;
    std::string inputs[kPayloadFileCount];  // payload order
    std::string detectionScript;            // empty: none written
    std::string wingetManifest;             // empty: none written
    WingetOptions winget;
    bool allow64BitStub = false;
};

// The three product files compressed, in payload order, with their CRC-32s for the
// integrity block.
struct CompressedFiles {
    std::vector<uint8_t> bytes[kPayloadFileCount];
    uint64_t sizes[kPayloadFileCount] = {};
    uint32_t crcs[kPayloadFileCount] = {};
};

// ParseBuildArguments' answer when the build goes on.
constexpr int kArgumentsRead = -1;

// A wrong option on build's command line, in one line that points at the help.
int BuildOptionUsage(const std::string& message) { return UsageError("build", message); }

// The one option of build that takes no value.
constexpr const char kAllow64BitStub[] = "--allow-64-bit-stub";

// The field an option of build fills, or null for an argument that is none.
std::string* BuildOptionTarget(const std::string& name, BuildRequest* request) {
    if (name == "--stub") return &request->stub;
    if (name == "-o" || name == "--output") return &request->output;
    for (int k = 0; k < kPayloadFileCount; ++k) {
        if (name == kCarriedFiles[k].packOption) return &request->inputs[k];
    }
    if (name == "--detection-script") return &request->detectionScript;
    if (name == "--winget-manifest") return &request->wingetManifest;
    if (name == "--installer-url") return &request->winget.installerUrl;
    if (name == "--package-id") return &request->winget.packageIdentifier;
    return nullptr;
}

// An argument that reads as one of build's options cannot be the value of the one before
// it: "--detection-script --winget-manifest m.yaml" lacks the script's name.
bool IsBuildOption(const std::string& arg) {
    if (arg == kAllow64BitStub) return true;
    BuildRequest scratch;
    const size_t equals = arg.find('=');
    return BuildOptionTarget(arg.substr(0, equals), &scratch) != nullptr;
}

// The winget options belong together, and must be what a manifest may hold.
int CheckWingetOptions(BuildRequest* request) {
    WingetOptions& winget = request->winget;
    if (request->wingetManifest.empty()) {
        if (!winget.installerUrl.empty()) {
            return BuildOptionUsage("--installer-url is only used with --winget-manifest");
        }
        if (!winget.packageIdentifier.empty()) {
            return BuildOptionUsage("--package-id is only used with --winget-manifest");
        }
        return kArgumentsRead;
    }
    if (winget.installerUrl.empty()) {
        return BuildOptionUsage(
            "--winget-manifest needs --installer-url URL, where clients "
            "download the installer");
    }
    if (!ValidInstallerUrl(winget.installerUrl)) {
        return BuildOptionUsage("--installer-url '" + winget.installerUrl +
                                "' is no http:// or https:// URL without blanks");
    }
    if (winget.packageIdentifier.empty()) winget.packageIdentifier = kDefaultPackageIdentifier;
    if (!ValidPackageIdentifier(winget.packageIdentifier)) {
        return BuildOptionUsage("--package-id '" + winget.packageIdentifier +
                                "' is no winget package identifier (Publisher.Package: 2 to 8 "
                                "parts of 1 to 32 characters, no blanks)");
    }
    return kArgumentsRead;
}

// Two outputs of one name would overwrite each other.
int CheckDistinctOutputs(const BuildRequest& request) {
    const std::pair<const char*, const std::string*> outputs[] = {
        {"-o", &request.output},
        {"--detection-script", &request.detectionScript},
        {"--winget-manifest", &request.wingetManifest}};
    for (size_t i = 0; i < 3; ++i) {
        for (size_t j = i + 1; j < 3; ++j) {
            if (!outputs[i].second->empty() && *outputs[i].second == *outputs[j].second) {
                return BuildOptionUsage(std::string(outputs[i].first) + " and " + outputs[j].first +
                                        " name the same file '" + *outputs[i].second + "'");
            }
        }
    }
    return kArgumentsRead;
}

// Reads build's command line into `request`: kArgumentsRead, or the exit status when the
// command ends here (the help shown, or a usage error).
int ParseBuildArguments(const std::vector<std::string>& args, BuildRequest* request) {
    std::set<const std::string*> given;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (IsHelp(arg)) {
            Out(kBuildHelp);
            return kExitOk;
        }
        if (arg == kAllow64BitStub) {
            if (request->allow64BitStub) return BuildOptionUsage(arg + " is given twice");
            request->allow64BitStub = true;
            continue;
        }
        std::string name = arg;
        std::string value;
        bool hasValue = false;
        size_t equals = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            hasValue = true;
        }
        std::string* target = BuildOptionTarget(name, request);
        if (!target) return BuildOptionUsage("unknown argument '" + arg + "'");
        if (!given.insert(target).second) return BuildOptionUsage(name + " is given twice");
        if (!hasValue && i + 1 < args.size() && !IsBuildOption(args[i + 1])) {
            value = args[++i];
        }
        if (value.empty()) return BuildOptionUsage(name + " needs a value");
        *target = value;
    }
    for (int k = 0; k < kPayloadFileCount; ++k) {
        if (request->inputs[k].empty()) {
            return BuildOptionUsage(std::string(kCarriedFiles[k].packOption) + " " +
                                    kCarriedFiles[k].productName + " is missing");
        }
    }
    if (request->output.empty()) return BuildOptionUsage("-o OUT.exe is missing");
    const int winget = CheckWingetOptions(request);
    if (winget != kArgumentsRead) return winget;
    return CheckDistinctOutputs(*request);
}

// Without --stub, the stub is the one installed beside tvispack.
bool FindDefaultStub(const std::string& ownFolder, std::string* stub) {
    if (ownFolder.empty()) {
        Error(
            "no --stub given, and the folder of tvispack itself is unknown; pass --stub "
            "STUB.exe");
        return false;
    }
    *stub = ownFolder + kDefaultStubName;
    FILE* file = nullptr;
    uint64_t length = 0;
    std::string error;
    if (HostOpenInputFile(*stub, &file, &length, &error)) {
        std::fclose(file);
        return true;
    }
    Error("no --stub given, and the default stub '" + *stub +
          "' (the installer without payload, expected beside tvispack) does not exist or "
          "cannot be read; pass --stub STUB.exe");
    return false;
}

bool ReadBuildInputs(const BuildRequest& request, std::vector<uint8_t>* image,
                     std::vector<uint8_t> (&files)[kPayloadFileCount]) {
    if (!ReadInput("the stub", request.stub, image)) return false;
    for (int k = 0; k < kPayloadFileCount; ++k) {
        if (!ReadInput(std::string(kCarriedFiles[k].packOption) + " file", request.inputs[k],
                       &files[k])) {
            return false;
        }
    }
    return true;
}

// The same file given for two of the four roles is a slip of the command line (the stub
// given as a product file, one product file for two): the installer would carry a wrong
// file that looks right. Names both roles; true when all four differ.
bool EachInputIsItsOwnFile(const BuildRequest& request, const std::vector<uint8_t>& image,
                           const std::vector<uint8_t> (&files)[kPayloadFileCount]) {
    struct Role {
        std::string what;
        const std::vector<uint8_t>* bytes;
    };
    std::vector<Role> roles = {{"the stub '" + request.stub + "'", &image}};
    for (int k = 0; k < kPayloadFileCount; ++k) {
        roles.push_back(
            {std::string(kCarriedFiles[k].packOption) + " file '" + request.inputs[k] + "'",
             &files[k]});
    }
    for (size_t i = 0; i < roles.size(); ++i) {
        for (size_t j = i + 1; j < roles.size(); ++j) {
            if (*roles[i].bytes != *roles[j].bytes) continue;
            Error(roles[i].what + " and " + roles[j].what + " hold the same bytes (" +
                  Thousands(roles[i].bytes->size()) +
                  "); each role needs its own file; nothing was written");
            return false;
        }
    }
    return true;
}

// Only our installer program can carry a payload: anything else would make a file that
// either does not start or starts without ever reading its payload. The 64-bit stub is
// the tests' build and needs asking for.
bool CheckStub(const BuildRequest& request, const std::vector<uint8_t>& image, StubIdentity* stub) {
    *stub = IdentifyStub(image.data(), image.size());
    const std::string named =
        "the stub '" + request.stub + "' (" + Thousands(image.size()) + " bytes) ";
    if (stub->verdict != StubVerdict::kOurs) {
        Error(named + StubProblem(*stub) + "; give the installer stub " + kDefaultStubName +
              " of the win32 build with --stub; nothing was written");
        return false;
    }
    if (stub->Is64Bit() && !request.allow64BitStub) {
        Error(named +
              "is the 64-bit installer stub (x64, the win64 build), which is not "
              "shipped; give the 32-bit stub of the win32 build, or pass " +
              std::string(kAllow64BitStub) + " to build with it all the same; nothing was written");
        return false;
    }
    return true;
}

// One release carries one version: files of different builds, versions or editions are
// most likely a mix-up in the release folder. The installer installs them all the same,
// so this only warns, with the three records side by side.
void WarnAboutDifferingRecords(const std::string (&paths)[kPayloadFileCount],
                               const std::vector<uint8_t> (&files)[kPayloadFileCount]) {
    RecordReport records[kPayloadFileCount];
    for (int k = 0; k < kPayloadFileCount; ++k) {
        records[k] = DescribeVersionRecord(files[k].data(), static_cast<uint32_t>(files[k].size()));
    }
    std::vector<std::string> differing;
    auto differs = [&](auto field) {
        return field(records[0]) != field(records[1]) || field(records[0]) != field(records[2]);
    };
    if (differs([](const RecordReport& r) { return r.versionText; }))
        differing.push_back("version");
    if (differs([](const RecordReport& r) { return r.editionText; }))
        differing.push_back("edition");
    if (differs([](const RecordReport& r) { return r.build; })) differing.push_back("build");
    if (differing.empty()) return;
    std::string what = differing[0];
    for (size_t i = 1; i < differing.size(); ++i) {
        what += (i + 1 == differing.size() ? " and " : ", ") + differing[i];
    }
    std::string message =
        "the three version records differ in " + what + "; the installer carries them as they are:";
    for (int k = 0; k < kPayloadFileCount; ++k) {
        message += Format("\n  %-12s version '%s', edition '%s', build %d (%s)",
                          kCarriedFiles[k].productName, records[k].versionText.c_str(),
                          records[k].editionText.c_str(), static_cast<int>(records[k].build),
                          paths[k].c_str());
    }
    Warning(message);
}

// A signed stub: appending the payload would break its signature silently (the signature
// covers the file as it was). The table goes, and the finished installer is what gets
// signed.
void RemoveStubSignature(const std::string& stub, std::vector<uint8_t>* image) {
    const CertificateTable signature = FindCertificateTable(image->data(), image->size());
    if (!signature.present) return;
    image->resize(signature.offset);
    std::memset(image->data() + signature.directoryOffset, 0, 8);
    Error(Format(
        "note: the stub '%s' is signed; its certificate table (%s bytes at %s) was "
        "removed, since the payload would break it: sign the finished installer",
        stub.c_str(), Thousands(signature.size).c_str(), Thousands(signature.offset).c_str()));
}

// A stub whose last 20 bytes already form a trailer the reader accepts carries a payload.
bool StubCarriesPayload(const std::string& stub, const std::vector<uint8_t>& image) {
    if (image.size() < kTrailerSize || image.size() > 0xFFFFFFFFu) return false;
    const PayloadTrailer old = DecodeTrailer(image.data() + image.size() - kTrailerSize);
    if (CheckTrailer(old, static_cast<uint32_t>(image.size())) != kPayloadOk) return false;
    Error("the stub '" + stub + "' (" + Thousands(image.size()) +
          " bytes) already carries a payload: its last 20 bytes are a trailer the installer "
          "accepts (payload at " +
          Thousands(old.payloadStart) + ", sizes " + Thousands(old.firstSize) + ", " +
          Thousands(old.secondSize) + ", " + Thousands(old.thirdSize) +
          "); use the installer stub without payload");
    return true;
}

CompressedFiles CompressProductFiles(const std::vector<uint8_t> (&files)[kPayloadFileCount]) {
    CompressedFiles compressed;
    for (int k = 0; k < kPayloadFileCount; ++k) {
        compressed.bytes[k] = EncodeSzdd(files[k].data(), files[k].size(),
                                         SzddLastNameChar(kCarriedFiles[k].productName));
        compressed.sizes[k] = compressed.bytes[k].size();
        compressed.crcs[k] = Crc32(compressed.bytes[k].data(), compressed.sizes[k]);
    }
    return compressed;
}

// Where the payload goes behind the stub, or false (and why) when the installer would
// pass the layout's length limit.
bool PlanInstaller(const std::string& stub, uint64_t stubLength, const CompressedFiles& files,
                   PayloadPlan* plan) {
    if (PlanPayload(stubLength, files.sizes, plan, kIntegrityBlockSize)) return true;
    Error("the installer would be " + Thousands(kMaxInstallerLength + plan->excessLength) +
          " bytes, " + Thousands(plan->excessLength) + " bytes more than the limit of " +
          Thousands(kMaxInstallerLength) + " (stub '" + stub + "' " + Thousands(stubLength) +
          " bytes, compressed " + kCarriedFiles[0].productName + " " + Thousands(files.sizes[0]) +
          ", " + kCarriedFiles[1].productName + " " + Thousands(files.sizes[1]) + ", " +
          kCarriedFiles[2].productName + " " + Thousands(files.sizes[2]) +
          ", trailer 20); nothing was written");
    return false;
}

// The installer's bytes as pieces to write: the stub, zero filler closed by the integrity
// block, the three files and the trailer. Its pieces point into the image, the compressed
// files and the layout's own trailer and block, which must outlive them.
struct InstallerLayout {
    uint8_t trailer[kTrailerSize];
    std::array<uint8_t, kIntegrityBlockSize> block;
    std::vector<FilePiece> pieces;

    InstallerLayout(const std::vector<uint8_t>& image, const PayloadPlan& plan,
                    const CompressedFiles& files) {
        EncodeTrailer(static_cast<uint32_t>(plan.payloadStart),
                      static_cast<uint32_t>(files.sizes[0]), static_cast<uint32_t>(files.sizes[1]),
                      static_cast<uint32_t>(files.sizes[2]), trailer);
        block = EncodeIntegrityBlock(files.crcs);
        pieces = {{image.data(), image.size()},
                  {nullptr, plan.fillerLength - kIntegrityBlockSize},
                  {block.data(), kIntegrityBlockSize},
                  {files.bytes[0].data(), files.sizes[0]},
                  {files.bytes[1].data(), files.sizes[1]},
                  {files.bytes[2].data(), files.sizes[2]},
                  {trailer, kTrailerSize}};
    }
    InstallerLayout(const InstallerLayout&) = delete;
    InstallerLayout& operator=(const InstallerLayout&) = delete;
};

std::string HexOf(const Sha256Digest& digest) {
    char hex[kSha256HexSize];
    Sha256Hex(digest, hex);
    return hex;
}

// The digest of the bytes the pieces make, the zero filler included.
std::string Sha256OfPieces(const std::vector<FilePiece>& pieces) {
    static const uint8_t zeros[4096] = {};
    Sha256 sha;
    for (const FilePiece& piece : pieces) {
        if (piece.data) {
            sha.Update(piece.data, static_cast<size_t>(piece.length));
            continue;
        }
        for (uint64_t left = piece.length; left > 0;) {
            const size_t chunk = left < sizeof zeros ? static_cast<size_t>(left) : sizeof zeros;
            sha.Update(zeros, chunk);
            left -= chunk;
        }
    }
    return HexOf(sha.Finish());
}

// The digests and the record that the summary and the deployment files give.
ReleaseFacts CollectReleaseFacts(const BuildRequest& request,
                                 const std::vector<uint8_t> (&files)[kPayloadFileCount],
                                 const InstallerLayout& installer) {
    ReleaseFacts facts;
    for (int k = 0; k < kPayloadFileCount; ++k) {
        facts.fileSha256[k] = HexOf(Sha256Of(files[k].data(), files[k].size()));
    }
    facts.installerSha256 = Sha256OfPieces(installer.pieces);
    facts.installerName = FileNameOf(request.output);
    facts.record = DescribeVersionRecord(files[kQelMapE].data(),
                                         static_cast<uint32_t>(files[kQelMapE].size()));
    return facts;
}

// Written whole or not at all, as the installer is.
bool WriteOutput(const std::string& path, const std::string& text) {
    std::string error;
    const FilePiece piece = {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
    if (WriteFileAtomically(path, {piece}, &error)) return true;
    Error("cannot write '" + path + "': " + error);
    return false;
}

// The detection script and the winget manifest, each when asked for. The installer is
// written by then; a failure here says so, since the installer alone is not what was asked.
bool WriteDeploymentFiles(const BuildRequest& request, const ReleaseFacts& facts) {
    bool written = true;
    if (!request.detectionScript.empty()) {
        written = WriteOutput(request.detectionScript, DetectionScript(facts)) && written;
    }
    if (!request.wingetManifest.empty()) {
        written =
            WriteOutput(request.wingetManifest, WingetManifest(facts, request.winget)) && written;
    }
    if (!written) Error("the installer '" + request.output + "' was written all the same");
    return written;
}

// The summary goes to standard output, or to standard error when the installer does.
void PrintBuildSummary(const BuildRequest& request, const StubIdentity& stub, uint64_t stubLength,
                       const PayloadPlan& plan,
                       const std::vector<uint8_t> (&files)[kPayloadFileCount],
                       const CompressedFiles& compressed, const ReleaseFacts& facts) {
    const bool toStdout = request.output != kStandardStream;
    const std::string output = toStdout ? request.output : "standard output";
    std::string text =
        Format("wrote %s: %s bytes (stub %s, filler %s, payload at %s)\n", output.c_str(),
               Thousands(plan.totalLength).c_str(), Thousands(stubLength).c_str(),
               Thousands(plan.fillerLength).c_str(), Thousands(plan.payloadStart).c_str());
    text += "  stub: " + StubSummary(stub) + "\n";
    for (int k = 0; k < kPayloadFileCount; ++k) {
        text += Format("  %-12s %s -> %s bytes (%s)\n", kCarriedFiles[k].compressedName,
                       Thousands(files[k].size()).c_str(), Thousands(compressed.sizes[k]).c_str(),
                       request.inputs[k].c_str());
    }
    text +=
        Format("  integrity block at %s: CRC-32 %08X %08X %08X\n",
               Thousands(plan.payloadStart - kIntegrityBlockSize).c_str(),
               static_cast<unsigned>(compressed.crcs[0]), static_cast<unsigned>(compressed.crcs[1]),
               static_cast<unsigned>(compressed.crcs[2]));
    for (int k = 0; k < kPayloadFileCount; ++k) {
        text += Format("  SHA-256 %-12s %s\n", kCarriedFiles[k].productName,
                       facts.fileSha256[k].c_str());
    }
    text += Format("  SHA-256 %-12s %s (%s)\n", "installer", facts.installerSha256.c_str(),
                   output.c_str());
    if (!request.detectionScript.empty()) {
        text += "  detection script: " + request.detectionScript + "\n";
    }
    if (!request.wingetManifest.empty()) {
        text += "  winget manifest: " + request.wingetManifest + " (version " +
                PackageVersion(facts.record) + ")\n";
    }
    if (toStdout) {
        Out(text);
    } else {
        HostWriteText(stderr, text);
    }
}

}  // namespace

int BuildCommand(const std::vector<std::string>& args, const std::string& ownFolder) {
    BuildRequest request;
    const int status = ParseBuildArguments(args, &request);
    if (status != kArgumentsRead) return status;
    if (request.stub.empty() && !FindDefaultStub(ownFolder, &request.stub)) return kExitFailed;
    std::vector<uint8_t> image;
    std::vector<uint8_t> files[kPayloadFileCount];
    if (!ReadBuildInputs(request, &image, files)) return kExitFailed;
    if (!EachInputIsItsOwnFile(request, image, files)) return kExitFailed;
    StubIdentity stub;
    if (!CheckStub(request, image, &stub)) return kExitFailed;
    if (!EveryInputHoldsARecord(request.inputs, files)) return kExitFailed;
    WarnAboutDifferingRecords(request.inputs, files);
    RemoveStubSignature(request.stub, &image);
    if (StubCarriesPayload(request.stub, image)) return kExitFailed;
    const CompressedFiles compressed = CompressProductFiles(files);
    PayloadPlan plan;
    if (!PlanInstaller(request.stub, image.size(), compressed, &plan)) return kExitFailed;
    const InstallerLayout installer(image, plan, compressed);
    std::string error;
    if (!WriteFileAtomically(request.output, installer.pieces, &error)) {
        Error("cannot write '" + request.output + "': " + error);
        return kExitFailed;
    }
    const ReleaseFacts facts = CollectReleaseFacts(request, files, installer);
    const bool deploymentFilesWritten = WriteDeploymentFiles(request, facts);
    PrintBuildSummary(request, stub, image.size(), plan, files, compressed, facts);
    return deploymentFilesWritten ? kExitOk : kExitFailed;
}

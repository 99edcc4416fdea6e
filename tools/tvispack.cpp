// tvispack's commands: build, inspect, compress, expand, and their help.
#include "tools/tvispack.h"

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
#include "tools/detection_script.h"
#include "tools/file_io.h"
#include "tools/host.h"
#include "tools/inspect.h"
#include "tools/release_facts.h"
#include "tools/report_print.h"
#include "tools/winget_manifest.h"
#include "version/version_record.h"

namespace {

// Inputs larger than this cannot fit into an installer even at SZDD's best ratio.
constexpr uint64_t kMaxInputLength = 64u * 1024u * 1024u;

const char kMainHelp[] =
    "tvispack: builds tVis upgrade installers and works with SZDD files.\n"
    "\n"
    "Usage:\n"
    "  tvispack build --stub STUB.exe --qelmape qelMapE.dll --tvislv tVisLV.exe\n"
    "                 --tvisx tVisX.exe -o OUT.exe [--detection-script FILE.ps1]\n"
    "                 [--winget-manifest FILE.yaml --installer-url URL]\n"
    "      compress the three product files and append them behind the installer stub;\n"
    "      print the SHA-256 of each and of the installer; write deployment files\n"
    "  tvispack inspect FILE.exe [--json]\n"
    "      show an installer's trailer, payload files and the reason code it would reach\n"
    "  tvispack compress IN OUT      compress one file into an SZDD file (mode 'A')\n"
    "  tvispack expand IN OUT        expand one SZDD file\n"
    "  tvispack COMMAND --help       help on one command (or: tvispack help COMMAND)\n"
    "\n"
    "Example:\n"
    "  tvispack build --qelmape qelMapE.dll --tvislv tVisLV.exe --tvisx tVisX.exe "
    "-o tvis-upgrade.exe\n"
    "  tvispack inspect tvis-upgrade.exe\n"
    "\n"
    "Exit status: 0 success, 1 refused or failed (the message says why), 2 wrong usage.\n";

const char kBuildHelp[] =
    "tvispack build: builds an upgrade installer from the installer stub and the three\n"
    "product files.\n"
    "\n"
    "Usage:\n"
    "  tvispack build [--stub STUB.exe] --qelmape qelMapE.dll --tvislv tVisLV.exe\n"
    "                 --tvisx tVisX.exe -o OUT.exe [--detection-script FILE.ps1]\n"
    "                 [--winget-manifest FILE.yaml --installer-url URL [--package-id ID]]\n"
    "\n"
    "Each product file is compressed in the SZDD format (mode 'A', the last character of its\n"
    "product name in the header) and appended behind the stub in the fixed order qelMapE.dll,\n"
    "tVisLV.exe, tVisX.exe, followed by the 20-byte trailer. Right before the payload goes a\n"
    "28-byte integrity block with the CRC-32 of each compressed file, which the installer\n"
    "checks before it writes anything (reason code 7 when a file differs). When the result\n"
    "would be shorter than 1,000,000 bytes, zero filler goes before the block. The output is\n"
    "written to a temporary file beside OUT.exe and renamed, so it appears whole or not at all.\n"
    "\n"
    "  --stub STUB.exe   the installer without payload; default: tvisupgrade.exe beside tvispack\n"
    "  -o, --output OUT  the installer to write (replaced if it exists)\n"
    "  --detection-script FILE.ps1\n"
    "                    also write a PowerShell detection script (Intune, Configuration\n"
    "                    Manager): it finds the product folder as the installer does and\n"
    "                    reports the release as installed when the three files there have\n"
    "                    the carried files' SHA-256 (Windows PowerShell 5.1, ASCII)\n"
    "  --winget-manifest FILE.yaml\n"
    "                    also write a winget singleton manifest (schema 1.10.0): the\n"
    "                    installer's SHA-256, its switches and exit codes, the version of\n"
    "                    the carried qelMapE.dll's record (version text.build)\n"
    "  --installer-url URL\n"
    "                    where clients download the installer (http or https); required\n"
    "                    with --winget-manifest\n"
    "  --package-id ID   the manifest's package identifier; default qelWawPl.tVis\n"
    "\n"
    "Prints the installer's layout, the SHA-256 of each carried file (as it was given) and\n"
    "of the installer, and the deployment files written. Each option is given once.\n"
    "\n"
    "Refuses (exit 1, nothing written) when an input is missing or unreadable, when a product\n"
    "file holds no version record (the installer would treat it as damaged at upgrade time),\n"
    "when the stub already carries a payload, or when the installer would exceed 4,000,000\n"
    "bytes. Wrong usage (exit 2, nothing written): an option given twice or without its\n"
    "value, --winget-manifest without --installer-url (or --installer-url, --package-id\n"
    "without it), a URL that is not http:// or https://, a package identifier winget would\n"
    "not take (Publisher.Package: 2 to 8 parts of 1 to 32 characters, no blanks), two\n"
    "outputs of the same name.\n"
    "\n"
    "Example:\n"
    "  tvispack build --stub bin/tvisupgrade.exe --qelmape release/qelMapE.dll \\\n"
    "      --tvislv release/tVisLV.exe --tvisx release/tVisX.exe -o tvis-upgrade.exe \\\n"
    "      --detection-script tvis-detect.ps1 --winget-manifest tvis-upgrade.yaml \\\n"
    "      --installer-url https://downloads.example.com/tvis/tvis-upgrade.exe\n";

const char kInspectHelp[] =
    "tvispack inspect: reads an installer file as the installer itself would.\n"
    "\n"
    "Usage:\n"
    "  tvispack inspect FILE.exe [--json]\n"
    "\n"
    "Shows the trailer's fields, the integrity block (each compressed file's CRC-32 as\n"
    "recorded and as computed), whether the file is signed (its certificate table and where\n"
    "the payload ends; the certificates are not verified), the three payload files (offset,\n"
    "size, SZDD header, uncompressed size, whether the stream decodes to that size, the\n"
    "version record of the decoded file: version text, edition, build and production date\n"
    "and time as the installer's dialog shows them, whether it is the KWIL edition) and the\n"
    "reason code the installer would reach before it writes anything: 0 sound, 1 unreadable,\n"
    "2 longer than 4,000,000 bytes, 3 shorter than 1,000,000 bytes, 5 check word mismatch,\n"
    "6 sizes do not add up, 7 a compressed file differs from its CRC-32.\n"
    "--json prints one JSON object with the keys code, reason, fileLength, payloadStart,\n"
    "firstSize, secondSize, thirdSize, integrity, signature and files (name, offset, size,\n"
    "uncompressedSize, decodes, record, ...);\n"
    "record is null when the file holds none, otherwise {offset, versionText, editionText,\n"
    "kwilEdition, build, productionTime}, texts in UTF-8.\n"
    "Exit status 0 only when the code is 0 and every payload file decodes to a file that\n"
    "holds a version record.\n"
    "\n"
    "Example:\n"
    "  tvispack inspect tvis-upgrade.exe --json\n";

const char kCompressHelp[] =
    "tvispack compress: compresses one file into an SZDD file (mode 'A').\n"
    "\n"
    "Usage:\n"
    "  tvispack compress IN OUT\n"
    "\n"
    "The header records the last character of IN's name, as COMPRESS -r does. The parse is\n"
    "cost-optimal, so the result is smaller than what mscompress or COMPRESS.EXE write, and\n"
    "any SZDD decoder (EXPAND.EXE, LZExpand, msexpand, libmspack) expands it.\n"
    "\n"
    "Example:\n"
    "  tvispack compress tVisX.exe TVISX.EX_\n";

const char kExpandHelp[] =
    "tvispack expand: expands one SZDD file (mode 'A').\n"
    "\n"
    "Usage:\n"
    "  tvispack expand IN OUT\n"
    "\n"
    "Refuses (exit 1, no output written) when IN is not SZDD of mode 'A', when its stream ends\n"
    "before the header's uncompressed length, or when it yields more than that length.\n"
    "\n"
    "Example:\n"
    "  tvispack expand TVISX.EX_ tVisX.exe\n";

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h" || arg == "help"; }

void Error(const std::string& message) { std::fprintf(stderr, "tvispack: %s\n", message.c_str()); }

int Usage(const std::string& message, const char* help) {
    Error(message);
    std::fprintf(stderr, "\n%s", help);
    return kExitUsage;
}

// Reads an input named on the command line; on failure reports it with the option.
bool ReadInput(const std::string& what, const std::string& path, std::vector<uint8_t>* bytes) {
    std::string error;
    if (ReadWholeFile(path, kMaxInputLength, bytes, &error)) return true;
    Error("cannot read " + what + " '" + path + "': " + error);
    return false;
}

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
int BuildOptionUsage(const std::string& message) {
    Error("build: " + message + "; see tvispack help build");
    return kExitUsage;
}

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
            std::fputs(kBuildHelp, stdout);
            return kExitOk;
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
        if (!target) return Usage("build: unknown argument '" + arg + "'", kBuildHelp);
        if (!given.insert(target).second) return BuildOptionUsage(name + " is given twice");
        if (!hasValue && i + 1 < args.size() && !IsBuildOption(args[i + 1])) {
            value = args[++i];
        }
        if (value.empty()) return BuildOptionUsage(name + " needs a value");
        *target = value;
    }
    for (int k = 0; k < kPayloadFileCount; ++k) {
        if (request->inputs[k].empty()) {
            return Usage(std::string("build: ") + kCarriedFiles[k].packOption + " " +
                             kCarriedFiles[k].productName + " is missing",
                         kBuildHelp);
        }
    }
    if (request->output.empty()) return Usage("build: -o OUT.exe is missing", kBuildHelp);
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
    uint64_t length = 0;
    if (HostFileLength(*stub, &length)) return true;
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

// A signed stub: appending the payload would break its signature silently (the signature
// covers the file as it was). The table goes, and the finished installer is what gets
// signed.
void RemoveStubSignature(const std::string& stub, std::vector<uint8_t>* image) {
    const CertificateTable signature = FindCertificateTable(image->data(), image->size());
    if (!signature.present) return;
    image->resize(signature.offset);
    std::memset(image->data() + signature.directoryOffset, 0, 8);
    std::fprintf(stderr,
                 "tvispack: note: the stub '%s' is signed; its certificate table (%s bytes at "
                 "%s) was removed, since the payload would break it: sign the finished "
                 "installer\n",
                 stub.c_str(), Thousands(signature.size).c_str(),
                 Thousands(signature.offset).c_str());
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

void PrintBuildSummary(const BuildRequest& request, uint64_t stubLength, const PayloadPlan& plan,
                       const std::vector<uint8_t> (&files)[kPayloadFileCount],
                       const CompressedFiles& compressed, const ReleaseFacts& facts) {
    std::printf("wrote %s: %s bytes (stub %s, filler %s, payload at %s)\n", request.output.c_str(),
                Thousands(plan.totalLength).c_str(), Thousands(stubLength).c_str(),
                Thousands(plan.fillerLength).c_str(), Thousands(plan.payloadStart).c_str());
    for (int k = 0; k < kPayloadFileCount; ++k) {
        std::printf("  %-12s %s -> %s bytes (%s)\n", kCarriedFiles[k].compressedName,
                    Thousands(files[k].size()).c_str(), Thousands(compressed.sizes[k]).c_str(),
                    request.inputs[k].c_str());
    }
    std::printf("  integrity block at %s: CRC-32 %08X %08X %08X\n",
                Thousands(plan.payloadStart - kIntegrityBlockSize).c_str(),
                static_cast<unsigned>(compressed.crcs[0]),
                static_cast<unsigned>(compressed.crcs[1]),
                static_cast<unsigned>(compressed.crcs[2]));
    for (int k = 0; k < kPayloadFileCount; ++k) {
        std::printf("  SHA-256 %-12s %s\n", kCarriedFiles[k].productName,
                    facts.fileSha256[k].c_str());
    }
    std::printf("  SHA-256 %-12s %s (%s)\n", "installer", facts.installerSha256.c_str(),
                request.output.c_str());
    if (!request.detectionScript.empty()) {
        std::printf("  detection script: %s\n", request.detectionScript.c_str());
    }
    if (!request.wingetManifest.empty()) {
        std::printf("  winget manifest: %s (version %s)\n", request.wingetManifest.c_str(),
                    PackageVersion(facts.record).c_str());
    }
}

int Build(const std::vector<std::string>& args, const std::string& ownFolder) {
    BuildRequest request;
    const int status = ParseBuildArguments(args, &request);
    if (status != kArgumentsRead) return status;
    if (request.stub.empty() && !FindDefaultStub(ownFolder, &request.stub)) return kExitFailed;
    std::vector<uint8_t> image;
    std::vector<uint8_t> files[kPayloadFileCount];
    if (!ReadBuildInputs(request, &image, files)) return kExitFailed;
    if (!EveryInputHoldsARecord(request.inputs, files)) return kExitFailed;
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
    PrintBuildSummary(request, image.size(), plan, files, compressed, facts);
    return deploymentFilesWritten ? kExitOk : kExitFailed;
}

int Inspect(const std::vector<std::string>& args) {
    std::string path;
    bool json = false;
    for (const std::string& arg : args) {
        if (IsHelp(arg)) {
            std::fputs(kInspectHelp, stdout);
            return kExitOk;
        }
        if (arg == "--json") {
            json = true;
        } else if (path.empty() && (arg.empty() || arg[0] != '-')) {
            path = arg;
        } else {
            return Usage("inspect: unexpected argument '" + arg + "'", kInspectHelp);
        }
    }
    if (path.empty()) return Usage("inspect: FILE.exe is missing", kInspectHelp);
    const InstallerReport report = InspectInstaller(path);
    const std::string text = json ? ReportJson(report) : ReportText(path, report);
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    for (size_t i = 0; i < report.files.size(); ++i) {
        if (report.files[i].decodes && !report.files[i].record.found) {
            Error(std::string(kCarriedFiles[i].compressedName) + " (" +
                  kCarriedFiles[i].productName +
                  ") holds no version record; the installer would treat it as damaged at "
                  "upgrade time");
        }
    }
    return report.Sound() ? kExitOk : kExitFailed;
}

// Reads IN and OUT for compress and expand.
bool TwoPaths(const std::vector<std::string>& args, std::string* in, std::string* out) {
    if (args.size() != 2 || args[0].empty() || args[1].empty()) return false;
    *in = args[0];
    *out = args[1];
    return true;
}

int Compress(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (IsHelp(arg)) {
            std::fputs(kCompressHelp, stdout);
            return kExitOk;
        }
    }
    std::string in;
    std::string out;
    if (!TwoPaths(args, &in, &out)) return Usage("compress: needs IN and OUT", kCompressHelp);
    std::vector<uint8_t> data;
    if (!ReadInput("input", in, &data)) return kExitFailed;
    std::vector<uint8_t> encoded = EncodeSzdd(data.data(), data.size(), SzddLastNameChar(in));
    std::string error;
    if (!WriteFileAtomically(out, {{encoded.data(), encoded.size()}}, &error)) {
        Error("cannot write '" + out + "': " + error);
        return kExitFailed;
    }
    std::printf("%s: %s -> %s bytes\n", out.c_str(), Thousands(data.size()).c_str(),
                Thousands(encoded.size()).c_str());
    return kExitOk;
}

int Expand(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (IsHelp(arg)) {
            std::fputs(kExpandHelp, stdout);
            return kExitOk;
        }
    }
    std::string in;
    std::string out;
    if (!TwoPaths(args, &in, &out)) return Usage("expand: needs IN and OUT", kExpandHelp);
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
    std::printf("%s: %s -> %s bytes\n", out.c_str(), Thousands(data.size()).c_str(),
                Thousands(decoded.size()).c_str());
    return kExitOk;
}

}  // namespace

int RunTvispack(const std::vector<std::string>& args, const std::string& ownFolder) {
    if (args.empty()) return Usage("no command given", kMainHelp);
    const std::string& command = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (IsHelp(command)) {
        // "tvispack help build" is "tvispack build --help".
        if (rest.size() == 1 && !IsHelp(rest[0]))
            return RunTvispack({rest[0], "--help"}, ownFolder);
        std::fputs(kMainHelp, stdout);
        return kExitOk;
    }
    if (command == "build") return Build(rest, ownFolder);
    if (command == "inspect") return Inspect(rest);
    if (command == "compress") return Compress(rest);
    if (command == "expand") return Expand(rest);
    return Usage("unknown command '" + command + "'", kMainHelp);
}

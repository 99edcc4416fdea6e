// tvispack's commands: build, inspect, compress, expand, and their help.
#include "tools/tvispack.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "payload/carried_files.h"
#include "payload/certificate_table.h"
#include "payload/integrity_block.h"
#include "payload/szdd.h"
#include "payload/trailer.h"
#include "support/crc32.h"
#include "tools/file_io.h"
#include "tools/host.h"
#include "tools/inspect.h"
#include "tools/report_print.h"
#include "version/version_record.h"

namespace {

// Inputs larger than this cannot fit into an installer even at SZDD's best ratio.
constexpr uint64_t kMaxInputLength = 64u * 1024u * 1024u;

const char kMainHelp[] =
    "tvispack: builds tVis upgrade installers and works with SZDD files.\n"
    "\n"
    "Usage:\n"
    "  tvispack build --stub STUB.exe --qelmape qelMapE.dll --tvislv tVisLV.exe\n"
    "                 --tvisx tVisX.exe -o OUT.exe\n"
    "      compress the three product files and append them behind the installer stub\n"
    "  tvispack inspect FILE.exe [--json]\n"
    "      show an installer's trailer, payload files and the reason code it would reach\n"
    "  tvispack compress IN OUT      compress one file into an SZDD file (mode 'A')\n"
    "  tvispack expand IN OUT        expand one SZDD file\n"
    "  tvispack COMMAND --help       help on one command\n"
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
    "                 --tvisx tVisX.exe -o OUT.exe\n"
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
    "\n"
    "Refuses (exit 1, nothing written) when an input is missing or unreadable, when a product\n"
    "file holds no version record (the installer would treat it as damaged at upgrade time),\n"
    "when the stub already carries a payload, or when the installer would exceed 4,000,000\n"
    "bytes.\n"
    "\n"
    "Example:\n"
    "  tvispack build --stub bin/tvisupgrade.exe --qelmape release/qelMapE.dll \\\n"
    "      --tvislv release/tVisLV.exe --tvisx release/tVisX.exe -o tvis-upgrade.exe\n";

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

// Reads build's command line into `request`: kArgumentsRead, or the exit status when the
// command ends here (the help shown, or a usage error).
int ParseBuildArguments(const std::vector<std::string>& args, BuildRequest* request) {
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
        std::string* target = nullptr;
        if (name == "--stub") target = &request->stub;
        if (name == "-o" || name == "--output") target = &request->output;
        for (int k = 0; k < kPayloadFileCount; ++k) {
            if (name == kCarriedFiles[k].packOption) target = &request->inputs[k];
        }
        if (!target) return Usage("build: unknown argument '" + arg + "'", kBuildHelp);
        if (!hasValue) {
            if (i + 1 >= args.size()) return Usage("build: " + name + " needs a value", kBuildHelp);
            value = args[++i];
        }
        if (value.empty()) return Usage("build: " + name + " needs a value", kBuildHelp);
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
    return kArgumentsRead;
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

// The stub, zero filler closed by the integrity block, the three files and the trailer,
// written whole or not at all.
bool WriteInstaller(const std::string& output, const std::vector<uint8_t>& image,
                    const PayloadPlan& plan, const CompressedFiles& files) {
    uint8_t trailer[kTrailerSize];
    EncodeTrailer(static_cast<uint32_t>(plan.payloadStart), static_cast<uint32_t>(files.sizes[0]),
                  static_cast<uint32_t>(files.sizes[1]), static_cast<uint32_t>(files.sizes[2]),
                  trailer);
    const std::array<uint8_t, kIntegrityBlockSize> block = EncodeIntegrityBlock(files.crcs);
    const std::vector<FilePiece> pieces = {{image.data(), image.size()},
                                           {nullptr, plan.fillerLength - kIntegrityBlockSize},
                                           {block.data(), kIntegrityBlockSize},
                                           {files.bytes[0].data(), files.sizes[0]},
                                           {files.bytes[1].data(), files.sizes[1]},
                                           {files.bytes[2].data(), files.sizes[2]},
                                           {trailer, kTrailerSize}};
    std::string error;
    if (WriteFileAtomically(output, pieces, &error)) return true;
    Error("cannot write '" + output + "': " + error);
    return false;
}

void PrintBuildSummary(const BuildRequest& request, uint64_t stubLength, const PayloadPlan& plan,
                       const std::vector<uint8_t> (&files)[kPayloadFileCount],
                       const CompressedFiles& compressed) {
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
    if (!WriteInstaller(request.output, image, plan, compressed)) return kExitFailed;
    PrintBuildSummary(request, image.size(), plan, files, compressed);
    return kExitOk;
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
        std::fputs(kMainHelp, stdout);
        return kExitOk;
    }
    if (command == "build") return Build(rest, ownFolder);
    if (command == "inspect") return Inspect(rest);
    if (command == "compress") return Compress(rest);
    if (command == "expand") return Expand(rest);
    return Usage("unknown command '" + command + "'", kMainHelp);
}

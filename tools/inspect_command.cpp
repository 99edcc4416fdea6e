// tvispack inspect and tvispack verify: an installer read as the installer reads itself,
// and, for verify, its carried files compared with the release files.
#include <cstdio>

#include "payload/carried_files.h"
#include "tools/command_line.h"
#include "tools/commands.h"
#include "tools/file_io.h"
#include "tools/help_texts.h"
#include "tools/inspect.h"
#include "tools/report_print.h"
#include "tools/tvispack.h"

namespace {

// The longest release file verify reads, as build does.
constexpr uint64_t kMaxReleaseFileLength = 64u * 1024u * 1024u;

// Why the installer would not unpack the file, or a carried file is of no use: a line on
// standard error for each reason, so that an exit status of 1 never comes without one.
void ExplainUnsound(const std::string& path, const InstallerReport& report) {
    if (report.code == kOwnFileUnreadable && !report.problem.empty()) {
        Error("cannot read '" + path + "': " + report.problem);
        return;
    }
    if (report.code != kPayloadOk) {
        const char* reason = PayloadReasonText(report.code);
        std::string text = reason ? reason : "no reason code";
        if (!report.problem.empty()) text += ": " + report.problem;
        Error(Format("'%s': code %d, %s; the installer would stop there", path.c_str(),
                     static_cast<int>(report.code), text.c_str()));
        return;
    }
    for (size_t i = 0; i < report.files.size(); ++i) {
        const PayloadFileReport& file = report.files[i];
        if (!file.decodes) {
            Error(Format("'%s': %s (%s) does not decode: %s", path.c_str(),
                         kCarriedFiles[i].compressedName, kCarriedFiles[i].productName,
                         SzddStatusText(file.decodeStatus)));
        } else if (!file.record.found) {
            Error(std::string(kCarriedFiles[i].compressedName) + " (" +
                  kCarriedFiles[i].productName +
                  ") holds no version record; the installer would treat it as damaged at "
                  "upgrade time");
        }
    }
}

// Compares one carried file, decoded, with its release file; says where they part.
bool CarriedFileMatches(const std::string& installer, int k, const std::vector<uint8_t>& carried,
                        const std::string& releasePath, const std::vector<uint8_t>& release) {
    uint64_t offset = 0;
    const std::string carriedName = kCarriedFiles[k].compressedName;
    if (!FirstDifference(carried.data(), carried.size(), release.data(), release.size(), &offset)) {
        Out(Format("  %-12s = %s (%s bytes)\n", carriedName.c_str(), releasePath.c_str(),
                   Thousands(release.size()).c_str()));
        return true;
    }
    std::string where;
    if (offset < carried.size() && offset < release.size()) {
        where = Format("at offset %s (0x%llX): carried 0x%02X, release file 0x%02X",
                       Thousands(offset).c_str(), static_cast<unsigned long long>(offset),
                       carried[offset], release[offset]);
    } else {
        where = "in length: carried " + Thousands(carried.size()) + " bytes, release file " +
                Thousands(release.size()) + ", the same up to offset " + Thousands(offset);
    }
    Error(Format("%s (%s) in '%s' differs from %s file '%s' %s", carriedName.c_str(),
                 kCarriedFiles[k].productName, installer.c_str(), kCarriedFiles[k].packOption,
                 releasePath.c_str(), where.c_str()));
    return false;
}

// Reads verify's command line: the installer and the three release files.
int ParseVerifyArguments(const std::vector<std::string>& args, std::string* installer,
                         std::string (&release)[kPayloadFileCount]) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        int k = 0;
        while (!optionsEnded && k < kPayloadFileCount && arg != kCarriedFiles[k].packOption) ++k;
        if (optionsEnded || k == kPayloadFileCount) {
            if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
                return UsageError("verify", "unknown option '" + arg + "'");
            }
            if (!installer->empty())
                return UsageError("verify", "a second installer '" + arg + "'");
            *installer = arg;
            continue;
        }
        if (!release[k].empty()) return UsageError("verify", arg + " is given twice");
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            return UsageError("verify", arg + " needs a value");
        }
        release[k] = args[++i];
    }
    if (installer->empty()) return UsageError("verify", "FILE.exe is missing");
    for (int k = 0; k < kPayloadFileCount; ++k) {
        if (release[k].empty()) {
            return UsageError("verify", std::string(kCarriedFiles[k].packOption) + " " +
                                            kCarriedFiles[k].productName + " is missing");
        }
    }
    return -1;
}

}  // namespace

int InspectCommand(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") break;
        if (IsHelp(arg)) {
            Out(kInspectHelp);
            return kExitOk;
        }
    }
    std::vector<bool> flags;
    std::vector<std::string> paths;
    std::string wrong;
    if (!SplitArguments(args, {"--json"}, &flags, &paths, &wrong)) {
        return UsageError("inspect", wrong);
    }
    if (paths.empty()) return UsageError("inspect", "FILE.exe is missing");
    if (paths.size() > 1) return UsageError("inspect", "one FILE.exe only, got '" + paths[1] + "'");
    const std::string& path = paths[0];
    const InstallerReport report = InspectInstaller(path);
    Out(flags[0] ? ReportJson(path, report) : ReportText(path, report));
    ExplainUnsound(path, report);
    return report.Sound() ? kExitOk : kExitFailed;
}

int VerifyCommand(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") break;
        if (IsHelp(arg)) {
            Out(kVerifyHelp);
            return kExitOk;
        }
    }
    std::string path;
    std::string releasePaths[kPayloadFileCount];
    const int usage = ParseVerifyArguments(args, &path, releasePaths);
    if (usage >= 0) return usage;
    std::vector<uint8_t> release[kPayloadFileCount];
    for (int k = 0; k < kPayloadFileCount; ++k) {
        std::string error;
        if (!ReadWholeFile(releasePaths[k], kMaxReleaseFileLength, &release[k], &error)) {
            Error(std::string("cannot read ") + kCarriedFiles[k].packOption + " file '" +
                  releasePaths[k] + "': " + error);
            return kExitFailed;
        }
    }
    const InstallerReport report = InspectInstaller(path);
    if (report.code != kPayloadOk || !report.AllFilesDecode()) {
        ExplainUnsound(path, report);
        return kExitFailed;
    }
    Out(path + "\n");
    Out(Format("  code: 0 (%s)\n", PayloadReasonText(report.code)));
    Out(std::string("  integrity block: ") +
        (report.integrity.present ? "present, every CRC-32 as recorded" : "none") + "\n");
    if (report.signature.table.present) {
        Out(Format("  signed: certificate table of %s bytes at %s (not verified)\n",
                   Thousands(report.signature.table.size).c_str(),
                   Thousands(report.signature.table.offset).c_str()));
    } else {
        Out("  signed: no\n");
    }
    bool all = true;
    for (int k = 0; k < kPayloadFileCount; ++k) {
        all = CarriedFileMatches(path, k, report.files[static_cast<size_t>(k)].decoded,
                                 releasePaths[k], release[k]) &&
              all;
    }
    if (!all) return kExitFailed;
    Out("  the installer carries exactly these release files\n");
    return kExitOk;
}

// The winget manifest; see winget_manifest.h.
#include "tools/winget_manifest.h"

#include <cstring>

#include "support/run_options.h"

namespace {

// Characters the schema refuses in identifiers and versions, besides control characters.
bool Forbidden(char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::strchr("\\/:*?\"<>|", c) != nullptr;
}

// A YAML single-quoted scalar: a quote inside is doubled; control characters, which no
// value here may hold, are dropped.
std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20) continue;
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
}

// The switch of kSwitchTable that the installer's own reading takes for `mode`, so that the
// manifest passes what the installer understands; empty when no row is read so.
std::string ModeSwitch(RunMode mode) {
    for (const SwitchRow& row : kSwitchTable) {
        if (ParseCommandLine(row.name).mode == mode) return row.name;
    }
    return std::string();
}

// The log switch with winget's path token in place of the table's placeholder, quoted,
// since winget's log folder may hold blanks (the installer removes the quotes).
std::string LogSwitch() {
    for (const SwitchRow& row : kSwitchTable) {
        const RunOptions options = ParseCommandLine(row.name);
        if (options.logPath[0] == '\0') continue;
        const std::string name = row.name;
        return name.substr(0, name.size() - std::strlen(options.logPath)) + "\"<LOGPATH>\"";
    }
    return std::string();
}

// What winget tells its user for each failing exit code; null for success, which winget
// knows by itself (the schema allows no 0 among the codes). A switch without default, so
// that a new exit code without a response does not compile quietly.
const char* ReturnResponse(uint32_t code) {
    switch (static_cast<DeploymentExitCode>(code)) {
        case kExitUpgraded:
            return nullptr;
        case kExitCancelled:
            return "cancelledByUser";
        case kExitFailed:
            return "contactSupport";
        case kExitNoProduct:
            // The upgrade needs an installed tVis, as a package needs its dependency.
            return "missingDependency";
        case kExitRetryLater:
            // Mostly a product program still running; winget asks to close it and retry.
            return "packageInUse";
    }
    return "contactSupport";
}

std::string Head(const ReleaseFacts& facts, const WingetOptions& options) {
    return "# winget manifest of the tVis upgrade installer " + AsciiLine(facts.installerName) +
           ", written by tvispack build.\n"
           "# yaml-language-server: $schema=https://aka.ms/winget-manifest.singleton." +
           kWingetManifestVersion +
           ".schema.json\n"
           "# Check it with: winget validate --manifest FILE; install with: winget install "
           "--manifest FILE\n"
           "PackageIdentifier: " +
           Quoted(options.packageIdentifier) +
           "\nPackageVersion: " + Quoted(PackageVersion(facts.record)) +
           "\nPackageLocale: en-US\n"
           "Publisher: qelWawPl\n"
           "PackageName: tVis\n"
           "License: Proprietary\n"
           "ShortDescription: " +
           Quoted("Upgrade of an installed tVis (maps and vehicle tracking) to " +
                  ReleaseName(facts.record)) +
           "\n";
}

std::string Installer(const ReleaseFacts& facts, const WingetOptions& options) {
    return "Installers:\n"
           "  - Architecture: x86\n"
           "    InstallerType: exe\n"
           "    InstallerLocale: pl-PL\n"
           "    InstallerUrl: " +
           Quoted(options.installerUrl) + "\n    InstallerSha256: " + facts.installerSha256 +
           "\n"
           "    # A run without switches is the interactive one, whose exit code does not tell\n"
           "    # success from failure: winget runs the installer with one of these.\n"
           "    InstallModes:\n"
           "      - silent\n"
           "      - silentWithProgress\n"
           "    InstallerSwitches:\n"
           "      Silent: " +
           Quoted(ModeSwitch(RunMode::kQuiet)) +
           "\n      SilentWithProgress: " + Quoted(ModeSwitch(RunMode::kPassive)) +
           "\n      Log: " + Quoted(LogSwitch()) +
           "\n"
           "    UpgradeBehavior: install\n";
}

std::string ExitCodes() {
    std::string text;
    for (const ExitCodeRow& row : kExitCodeTable) {
        if (ReturnResponse(row.code) == nullptr) {
            text += "    # " + std::to_string(row.code) + ": " + AsciiLine(row.meaning) +
                    " (success, as winget takes 0 by itself)\n";
        }
    }
    text += "    ExpectedReturnCodes:\n";
    for (const ExitCodeRow& row : kExitCodeTable) {
        const char* response = ReturnResponse(row.code);
        if (response == nullptr) continue;
        text += "      # " + AsciiLine(row.meaning) +
                "\n      - InstallerReturnCode: " + std::to_string(row.code) +
                "\n        ReturnResponse: " + response + "\n";
    }
    return text;
}

}  // namespace

bool ValidPackageIdentifier(const std::string& identifier) {
    if (identifier.size() > 128) return false;
    int parts = 1;
    size_t partLength = 0;
    for (char c : identifier) {
        if (c == '.') {
            if (partLength == 0) return false;
            ++parts;
            partLength = 0;
            continue;
        }
        if (c == ' ' || c == '\t' || Forbidden(c)) return false;
        if (++partLength > 32) return false;
    }
    return partLength > 0 && parts >= 2 && parts <= 8;
}

bool ValidInstallerUrl(const std::string& url) {
    if (url.size() > 2048) return false;
    std::string scheme;
    for (size_t i = 0; i < url.size() && i < 8; ++i) {
        scheme += static_cast<char>(url[i] >= 'A' && url[i] <= 'Z' ? url[i] - 'A' + 'a' : url[i]);
    }
    size_t rest = 0;
    if (scheme.compare(0, 7, "http://") == 0) rest = 7;
    if (scheme.compare(0, 8, "https://") == 0) rest = 8;
    if (rest == 0 || url.size() == rest) return false;
    for (char c : url) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
    }
    return true;
}

std::string PackageVersion(const RecordReport& record) {
    size_t end = 0;
    const std::string& text = record.versionText;
    while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.')) {
        // A dot counts only between digits: "5..3" stops at "5", "5." at "5".
        if (text[end] == '.' && (end == 0 || text[end - 1] == '.' || end + 1 == text.size() ||
                                 text[end + 1] < '0' || text[end + 1] > '9')) {
            break;
        }
        ++end;
    }
    std::string version = text.substr(0, end);
    if (record.build < 0) return version.empty() ? "0" : version;
    if (!version.empty()) version += '.';
    return version + std::to_string(record.build);
}

std::string WingetManifest(const ReleaseFacts& facts, const WingetOptions& options) {
    return WindowsLines(Head(facts, options) + Installer(facts, options) + ExitCodes() +
                        "ManifestType: singleton\nManifestVersion: " + kWingetManifestVersion +
                        "\n");
}

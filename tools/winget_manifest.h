// The winget manifest `tvispack build --winget-manifest` writes: a singleton manifest
// (schema 1.10.0, which current winget clients read) for the installer just built, its
// switches and exit codes read from the installer's own tables (support/run_options.h), its
// version from the carried qelMapE.dll's record. Portable text generation.
#pragma once

#include <string>

#include "tools/release_facts.h"

// What a manifest needs that the files do not say.
struct WingetOptions {
    std::string installerUrl;       // where clients download the installer (http or https)
    std::string packageIdentifier;  // Publisher.Package
};

constexpr const char* kDefaultPackageIdentifier = "qelWawPl.tVis";
constexpr const char* kWingetManifestVersion = "1.10.0";

// What the schema accepts: 2 to 8 parts of 1 to 32 characters joined by ".", none of
// them blank, control characters or \ / : * ? " < > |.
bool ValidPackageIdentifier(const std::string& identifier);
// An http:// or https:// URL (any letter case) with something after it, without blanks
// or control characters, at most 2048 bytes.
bool ValidInstallerUrl(const std::string& url);

// The package version: the leading dotted number of the record's version text and the
// build, joined by "." ("5.3" and 1250 give "5.3.1250", "5.2 Łódź" and 1187 give
// "5.2.1187"). Only digits and dots, so that winget and the deployment engines that read
// the manifest compare versions as numbers: the edition and other words of the version
// text stay in ShortDescription. A negative build (no record gives one) is left out.
std::string PackageVersion(const RecordReport& record);

// The manifest, YAML in UTF-8, lines ending in CR LF.
std::string WingetManifest(const ReleaseFacts& facts, const WingetOptions& options);

// What an application manifest asks of Windows, read from its XML text: the systems it
// declares itself written for and the execution level it requests. It reads as much XML
// as manifests use (elements, attributes in either quote, comments, the declaration) and
// matches element names without their namespace prefix. Portable.
#pragma once

#include <string>
#include <vector>

struct ManifestFacts {
    // Every element closed in order under one root, and nothing it cannot read.
    bool wellFormed = false;
    // The Id of each assembly/compatibility/application/supportedOS, in lower case.
    std::vector<std::string> supportedOs;
    // The level and uiAccess attributes of
    // assembly/trustInfo/security/requestedPrivileges/requestedExecutionLevel, as written.
    std::string executionLevel;
    std::string uiAccess;
};

ManifestFacts ReadManifest(const std::string& text);

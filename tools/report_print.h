// The printers of `tvispack inspect`'s report: readable text and JSON, the same members in
// the same order.
#pragma once

#include <string>

#include "tools/inspect.h"

// The JSON report's format: raised whenever a key is removed or changes its type, so that a
// script can refuse a report it does not know. docs/release.md lists every key.
constexpr uint64_t kReportFormatVersion = 2;

// The report as one JSON object ("formatVersion", "path", "code", "reason", "fileLength",
// the trailer's fields, "stub", "packedBy", "integrity", "signature", "allFilesDecode",
// "allFilesHoldRecords", "files"), ending in a newline. Every key is there whatever the
// file, each with one type (or null where a part was not read). Texts are UTF-8; controls,
// DEL and the C1 controls are escaped.
std::string ReportJson(const std::string& path, const InstallerReport& report);

// The report as readable text: the path, then "key: value" lines, numbers grouped by
// thousands, builds as the installer's dialog shows them.
std::string ReportText(const std::string& path, const InstallerReport& report);

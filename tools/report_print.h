// The printers of `tvispack inspect`'s report: readable text and JSON, the same members in
// the same order.
#pragma once

#include <string>

#include "tools/inspect.h"

// The report as one JSON object (keys "code", "reason", "fileLength", the trailer's fields,
// "integrity", "signature", "allFilesDecode", "allFilesHoldRecords", "files"), ending in a
// newline. Texts are UTF-8; controls, DEL and the C1 controls are escaped.
std::string ReportJson(const InstallerReport& report);

// The report as readable text: the path, then "key: value" lines, numbers grouped by
// thousands, builds as the installer's dialog shows them.
std::string ReportText(const std::string& path, const InstallerReport& report);

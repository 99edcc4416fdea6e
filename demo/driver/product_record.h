// The version record of an installed product file, read from outside the installer and
// told as a line of a report. Portable.
#pragma once

#include <string>

#include "version/version_record.h"

// Reads the whole file and decodes its first record; false when the file cannot be read
// or holds none.
bool ReadProductRecord(const std::string& path, VersionRecord* record);

// "5.2 Łódź, build 1.187, 2025.06.11  godz. 09:15.00,00" in UTF-8 (the record's texts are
// code page 1250).
std::string DescribeRecord(const VersionRecord& record);

// Whether two records name the same build made at the same moment.
bool SameBuild(const VersionRecord& a, const VersionRecord& b);

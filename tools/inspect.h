// `tvispack inspect`: reads an installer file as the installer itself would (the length
// and trailer rules, then the three carried regions) and describes what it finds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payload/trailer.h"

// One reported value: a number, a flag, a text or nothing (null in JSON).
struct ReportValue {
    enum Kind { kNull, kNumber, kFlag, kText } kind = kNull;
    uint64_t number = 0;
    bool flag = false;
    std::string text;

    static ReportValue Null() { return ReportValue(); }
    static ReportValue Number(uint64_t value);
    static ReportValue Flag(bool value);
    static ReportValue Text(const std::string& value);
};

// An ordered list of named values; printed as JSON members or as "key: value" lines.
using ReportFields = std::vector<std::pair<std::string, ReportValue>>;

// Everything `inspect` found.
struct InstallerReport {
    PayloadReason code = kOwnFileUnreadable;  // the reason code the installer would reach
    std::string problem;                      // why the file could not be read, when code 1
    bool lengthKnown = false;
    uint64_t fileLength = 0;
    bool trailerRead = false;  // the trailer was decoded (codes 0, 5, 6)
    PayloadTrailer trailer = {};
    std::vector<ReportFields> files;  // one per payload region, when code is 0
    bool allFilesDecode = false;
};

// The one place that describes a payload region: name, offset, size, SZDD header,
// uncompressed size, whether the stream decodes to it. Later additions (such as the
// version record of the decoded file) go here.
ReportFields DescribePayloadFile(const char* name, uint64_t offset, const uint8_t* bytes,
                                 uint32_t size);

// Inspects an installer image already in memory (length rules, trailer, regions).
InstallerReport InspectImage(const uint8_t* image, uint64_t length);

// Opens and inspects an installer file.
InstallerReport InspectInstaller(const std::string& path);

// The report as one JSON object (keys "code", "payloadStart", "firstSize", "secondSize",
// "thirdSize", "files", ...), ending in a newline.
std::string ReportJson(const InstallerReport& report);

// The report as readable text.
std::string ReportText(const std::string& path, const InstallerReport& report);

// A short description of a reason code of the layout.
const char* ReasonText(PayloadReason code);

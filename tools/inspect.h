// `tvispack inspect`: reads an installer file as the installer itself would (the length
// and trailer rules, then the three carried regions) and describes what it finds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payload/certificate_table.h"
#include "payload/integrity_block.h"
#include "payload/trailer.h"

// One reported value: a number, a flag, a text, a nested object or nothing (null in JSON).
// `shown`, when set, replaces the value in the readable report (a build grouped as the
// installer's dialog groups it, a reason beside a null).
struct ReportValue {
    enum Kind { kNull, kNumber, kSigned, kFlag, kText, kObject } kind = kNull;
    uint64_t number = 0;
    int64_t signedNumber = 0;
    bool flag = false;
    std::string text;
    std::vector<std::pair<std::string, ReportValue>> fields;  // kObject
    std::string shown;

    static ReportValue Null() { return ReportValue(); }
    static ReportValue Number(uint64_t value);
    static ReportValue Signed(int64_t value);
    static ReportValue Flag(bool value);
    static ReportValue Text(const std::string& value);
    static ReportValue Object(const std::vector<std::pair<std::string, ReportValue>>& value);
    ReportValue Shown(const std::string& readable) const;
};

// An ordered list of named values; printed as JSON members or as "key: value" lines.
using ReportFields = std::vector<std::pair<std::string, ReportValue>>;

// The value named `key` in `fields`, or null when there is none.
const ReportValue* FindReportField(const ReportFields& fields, const char* key);

// Everything `inspect` found.
struct InstallerReport {
    PayloadReason code = kOwnFileUnreadable;  // the reason code the installer would reach
    std::string problem;                      // why the file could not be read, when code 1
    bool lengthKnown = false;
    uint64_t fileLength = 0;
    bool trailerRead = false;  // the trailer was decoded (codes 0, 5, 6)
    PayloadTrailer trailer = {};
    // The certificate table of a signed file, and where the payload ends (the file's end
    // unless a signed file's trailer was found before its table); once the length passes.
    CertificateTable signature;
    uint32_t payloadEnd = 0;
    // The integrity block and the CRC-32s of the regions, once the trailer is sound.
    IntegrityCheck integrity;
    std::vector<ReportFields> files;  // one per payload region, when the trailer is sound
    bool allFilesDecode = false;
    // Every region decodes to a file that holds a version record; the installer treats a
    // product file without one as damaged at upgrade time.
    bool allFilesHoldRecords = false;
};

// The one place that describes a payload region: name, offset, size, SZDD header,
// uncompressed size, whether the stream decodes to it, and the version record of the
// decoded file ("record": see DescribeVersionRecord).
ReportFields DescribePayloadFile(const char* name, uint64_t offset, const uint8_t* bytes,
                                 uint32_t size);

// The version record of a whole product file as an object (offset of the marker,
// versionText, editionText, kwilEdition, build, productionTime; texts converted from code
// page 1250 to UTF-8, build and time also as the installer's dialog shows them), or null
// when the file holds no record.
ReportValue DescribeVersionRecord(const uint8_t* file, uint32_t length);

// Inspects an installer image already in memory (length rules, trailer, regions).
InstallerReport InspectImage(const uint8_t* image, uint64_t length);

// Opens and inspects an installer file.
InstallerReport InspectInstaller(const std::string& path);

// The report as one JSON object (keys "code", "payloadStart", "firstSize", "secondSize",
// "thirdSize", "files", ...), ending in a newline. Texts must be UTF-8.
std::string ReportJson(const InstallerReport& report);

// The report as readable text.
std::string ReportText(const std::string& path, const InstallerReport& report);

// A short description of a reason code of the layout.
const char* ReasonText(PayloadReason code);

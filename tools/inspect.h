// `tvispack inspect`: reads an installer file as the installer itself would (the length
// and trailer rules, the integrity block, then the three carried regions) and describes
// what it finds in a typed report. tools/report_print.h prints it as text or JSON.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payload/certificate_table.h"
#include "payload/integrity_block.h"
#include "payload/reason_codes.h"
#include "payload/szdd.h"
#include "payload/trailer.h"
#include "tools/packer_check.h"
#include "tools/stub_check.h"

// The version record of a decoded product file, its texts converted from code page 1250
// to UTF-8.
struct RecordReport {
    bool found = false;   // the file holds a record; the rest is set only then
    uint32_t offset = 0;  // of the marker
    std::string versionText;
    std::string editionText;  // as the record defines it: up to its first NUL or "."
    bool kwilEdition = false;
    int32_t build = 0;
    std::string productionTime;  // as the installer's dialog shows it
};

// One carried region of the payload.
struct PayloadFileReport {
    std::string name;  // the compressed file's name (QELMAPE.WCP, ...)
    uint64_t offset = 0;
    uint32_t size = 0;
    // Whether the SZDD header reads (kOk) or why not; lastChar and uncompressedSize are
    // the header's, set only when it reads.
    SzddStatus header = SzddStatus::kNotSzdd;
    uint8_t lastChar = 0;
    uint32_t uncompressedSize = 0;
    // The stream decodes exactly to the header's length. decodeStatus is the decoder's
    // outcome (or the header's when it does not read); decodedSize only when it reads.
    bool decodes = false;
    SzddStatus decodeStatus = SzddStatus::kNotSzdd;
    uint64_t decodedSize = 0;
    // The decoded file, only when it decodes: verify and the packer check use it as it is.
    std::vector<uint8_t> decoded;
    // Searched in a whole decoded file only: the installer never sees part of one.
    RecordReport record;
};

// The trailer, once the length rules passed (codes 0 and 5 to 7).
struct TrailerReport {
    bool read = false;
    PayloadTrailer fields = {};
    uint32_t expectedCheck = 0;  // the check word the fields call for
};

// The certificate table of a signed file and where the payload ends (the file's end
// unless a signed file's trailer was found before its table); once the length rules passed.
struct SignatureReport {
    bool known = false;
    CertificateTable table;
    uint32_t payloadEnd = 0;
};

// Everything `inspect` found.
struct InstallerReport {
    PayloadReason code = kOwnFileUnreadable;  // the reason code the installer would reach
    std::string problem;                      // why the file could not be read, when code 1
    bool lengthKnown = false;
    uint64_t fileLength = 0;
    // The program at the file's start: its machine and version resource (once read).
    bool stubRead = false;
    StubIdentity stub;
    TrailerReport trailer;
    SignatureReport signature;
    // The integrity block and the regions' CRC-32s, once the trailer is sound.
    bool integrityChecked = false;
    IntegrityCheck integrity;
    // One per payload region once the trailer is sound (also when the integrity block
    // finds a region damaged, so that the report shows which).
    std::vector<PayloadFileReport> files;
    // Whether every byte after the stub is what this tvispack writes for the carried files.
    PackerCheck packer;

    bool AllFilesDecode() const;
    // Every region decodes to a file that holds a version record; the installer treats a
    // product file without one as damaged at upgrade time.
    bool AllFilesHoldRecords() const;
    // What the exit status of `inspect` says: the installer would unpack this file, and
    // every file it carries holds a record.
    bool Sound() const;
};

// Describes one payload region: its SZDD header, whether it decodes, its record.
PayloadFileReport DescribePayloadFile(const char* name, uint64_t offset, const uint8_t* bytes,
                                      uint32_t size);

// The version record of a whole product file (not found when it holds none).
RecordReport DescribeVersionRecord(const uint8_t* file, uint32_t length);

// Inspects an installer image already in memory (length rules, trailer, regions).
InstallerReport InspectImage(const uint8_t* image, uint64_t length);

// The most `inspect -` reads from standard input.
constexpr uint64_t kMaxStreamLength = 64u * 1024u * 1024u;

// Opens and inspects an installer file, or standard input for "-".
InstallerReport InspectInstaller(const std::string& path);

// Where two byte runs first differ: the shorter one's length when one is the other's
// beginning. False, with *offset the common length, when they are equal.
bool FirstDifference(const uint8_t* a, uint64_t aSize, const uint8_t* b, uint64_t bSize,
                     uint64_t* offset);

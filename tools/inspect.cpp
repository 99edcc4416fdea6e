// `tvispack inspect`: the installer's view of its own file.
#include "tools/inspect.h"

#include <cstdio>

#include "payload/carried_files.h"
#include "tools/code_page_1250.h"
#include "tools/file_io.h"
#include "tools/host.h"
#include "tools/stub_check.h"
#include "version/version_record.h"

namespace {

// Records the file's length and the code of the length rules in `report`; true when they
// pass. A file of 4 GB or more stays too long instead of wrapping round to a small length.
bool PassesLengthRules(uint64_t length, InstallerReport* report) {
    report->lengthKnown = true;
    report->fileLength = length;
    report->code =
        CheckInstallerLength(length >= 0xFFFFFFFFu ? 0xFFFFFFFEu : static_cast<uint32_t>(length));
    return report->code == kPayloadOk;
}

}  // namespace

bool InstallerReport::AllFilesDecode() const {
    if (files.empty()) return false;
    for (const PayloadFileReport& file : files) {
        if (!file.decodes) return false;
    }
    return true;
}

bool InstallerReport::AllFilesHoldRecords() const {
    if (files.empty()) return false;
    for (const PayloadFileReport& file : files) {
        if (!file.record.found) return false;
    }
    return true;
}

bool InstallerReport::Sound() const {
    return code == kPayloadOk && AllFilesDecode() && AllFilesHoldRecords();
}

PayloadFileReport DescribePayloadFile(const char* name, uint64_t offset, const uint8_t* bytes,
                                      uint32_t size) {
    PayloadFileReport file;
    file.name = name;
    file.offset = offset;
    file.size = size;
    SzddHeader header = {};
    file.header = ParseSzddHeader(bytes, size, &header);
    file.decodeStatus = file.header;
    if (file.header != SzddStatus::kOk) return file;
    file.lastChar = header.lastChar;
    file.uncompressedSize = header.length;
    file.decodeStatus = DecodeSzdd(bytes, size, &file.decoded);
    file.decodedSize = file.decoded.size();
    file.decodes = file.decodeStatus == SzddStatus::kOk && file.decoded.size() == header.length;
    if (!file.decodes) {
        file.decoded.clear();
        return file;
    }
    file.record =
        DescribeVersionRecord(file.decoded.data(), static_cast<uint32_t>(file.decoded.size()));
    return file;
}

RecordReport DescribeVersionRecord(const uint8_t* file, uint32_t length) {
    RecordReport report;
    const uint32_t position = FindVersionRecord(file, length);
    if (position == 0) return report;
    VersionRecord record;
    DecodeVersionRecord(file, position, true, &record);
    report.found = true;
    report.offset = position;
    report.versionText = Cp1250ToUtf8(record.versionText);
    report.editionText =
        Cp1250ToUtf8(std::string(record.editionText, EditionTextLength(record.editionText)));
    report.kwilEdition = IsKwilEditionText(record.editionText);
    report.build = record.build;
    report.productionTime = Cp1250ToUtf8(FormatProductionTime(record));
    return report;
}

namespace {

// The layout as the installer reads it, up to where the installer would stop.
void ReadLayout(const uint8_t* image, uint64_t length, InstallerReport* report) {
    report->stubRead = true;
    report->stub = IdentifyStub(image, length);
    if (!PassesLengthRules(length, report)) return;
    const uint32_t length32 = static_cast<uint32_t>(length);  // at most 4,000,000 now
    // The installer's own rules, signed files included.
    report->signature.known = true;
    report->signature.table = FindCertificateTable(image, length);
    report->code =
        CheckPayloadImage(image, length32, &report->trailer.fields, &report->signature.payloadEnd);
    report->trailer.read = true;
    report->trailer.expectedCheck = TrailerCheckOf(report->trailer.fields);
    if (report->code != kPayloadOk) return;
    // The installer stops here on a damaged file; the regions are still described, so the
    // report shows which one differs.
    report->integrityChecked = true;
    report->integrity = CheckIntegrity(image, length32, report->trailer.fields);
    if (report->integrity.damagedFile >= 0) report->code = kPayloadDamaged;
    const PayloadTrailer& trailer = report->trailer.fields;
    const auto sizes = CarriedSizes(trailer);
    uint64_t offset = trailer.payloadStart;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        report->files.push_back(
            DescribePayloadFile(kCarriedFiles[i].compressedName, offset, image + offset, sizes[i]));
        offset += sizes[i];
    }
}

}  // namespace

InstallerReport InspectImage(const uint8_t* image, uint64_t length) {
    InstallerReport report;
    ReadLayout(image, length, &report);
    report.packer = CheckPacker(image, length, report);
    return report;
}

bool FirstDifference(const uint8_t* a, uint64_t aSize, const uint8_t* b, uint64_t bSize,
                     uint64_t* offset) {
    const uint64_t common = aSize < bSize ? aSize : bSize;
    for (uint64_t i = 0; i < common; ++i) {
        if (a[i] != b[i]) {
            *offset = i;
            return true;
        }
    }
    *offset = common;
    return aSize != bSize;
}

InstallerReport InspectInstaller(const std::string& path) {
    InstallerReport report;
    std::vector<uint8_t> image;
    if (path == kStandardStream) {
        // A pipe's length is known only at its end; the length rules then apply as usual.
        if (!ReadWholeFile(path, kMaxStreamLength, &image, &report.problem)) return report;
        return InspectImage(image.data(), image.size());
    }
    FILE* file = nullptr;
    uint64_t length = 0;
    if (!HostOpenInputFile(path, &file, &length, &report.problem)) return report;  // code 1
    // A file too long is never read (code 2); a short one is, for its program's identity
    // (the bare stub is one), and then stops at code 3 as the installer would.
    if (length > kMaxInstallerLength) {
        PassesLengthRules(length, &report);
        std::fclose(file);
        return report;
    }
    image.resize(static_cast<size_t>(length));
    const size_t got = std::fread(image.data(), 1, image.size(), file);
    std::fclose(file);
    if (got != image.size()) {
        report.code = kOwnFileUnreadable;
        report.problem =
            "read error (got " + Thousands(got) + " of " + Thousands(length) + " bytes)";
        return report;
    }
    return InspectImage(image.data(), image.size());
}

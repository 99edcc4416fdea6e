// inspect_fuzz: `tvispack inspect` on arbitrary installer files (fuzz_image.h): the report
// reaches the code the installer's own rules give, describes the three regions whenever the
// layout is sound, and both outputs come out whole: the readable text, and JSON that a
// strict reader takes (json_check.h), control characters escaped.
#include <string>
#include <vector>

#include "payload/integrity_block.h"
#include "payload/trailer.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_image.h"
#include "tests/fuzz/fuzz_targets.h"
#include "tests/fuzz/json_check.h"
#include "tools/inspect.h"

namespace {

// The code the installer reaches for the image: the layout rules, then the integrity block.
PayloadReason InstallerCode(const FuzzImage& image) {
    PayloadTrailer trailer = {};
    const PayloadReason reason = CheckPayloadImage(image.bytes, image.length, &trailer);
    if (reason != kPayloadOk) return reason;
    return CheckIntegrity(image.bytes, image.length, trailer).damagedFile >= 0 ? kPayloadDamaged
                                                                               : kPayloadOk;
}

void CheckFiles(const InstallerReport& report) {
    const bool sound = report.code == kPayloadOk || report.code == kPayloadDamaged;
    FuzzCheck(report.files.size() == (sound ? 3u : 0u), "regions are described once sound");
    bool allDecode = true;
    bool allHoldRecords = true;
    uint64_t offset = report.trailer.payloadStart;
    const uint32_t sizes[kPayloadFileCount] = {report.trailer.firstSize, report.trailer.secondSize,
                                               report.trailer.thirdSize};
    for (size_t i = 0; i < report.files.size(); ++i) {
        const ReportFields& file = report.files[i];
        const ReportValue* at = FindReportField(file, "offset");
        const ReportValue* size = FindReportField(file, "size");
        FuzzCheck(at && at->number == offset && size && size->number == sizes[i],
                  "each region where the trailer puts it");
        const ReportValue* decodes = FindReportField(file, "decodes");
        const ReportValue* record = FindReportField(file, "record");
        FuzzCheck(decodes && record, "each region says whether it decodes and its record");
        if (!decodes->flag) allDecode = false;
        FuzzCheck(decodes->flag || record->kind == ReportValue::kNull,
                  "only a file that decodes is searched for a record");
        if (record->kind != ReportValue::kObject) allHoldRecords = false;
        offset += sizes[i];
    }
    if (sound) {
        FuzzCheck(report.allFilesDecode == allDecode, "allFilesDecode sums up the regions");
        FuzzCheck(report.allFilesHoldRecords == allHoldRecords,
                  "allFilesHoldRecords sums up the regions");
    }
}

}  // namespace

int FuzzInspect(const uint8_t* data, size_t size) {
    const FuzzImage image = ImageFromFuzzInput(data, size);
    const InstallerReport report = InspectImage(image.bytes, image.length);
    FuzzCheck(report.code == InstallerCode(image), "the code is the installer's");
    CheckFiles(report);

    const std::string json = ReportJson(report);
    std::string why;
    const bool strict = IsStrictJson(json, &why);
    FuzzCheck(strict, why.c_str());
    FuzzCheck(json.find("\"code\": " + std::to_string(report.code) + ",") != std::string::npos,
              "the JSON names the code");

    const std::string path = "fuzz.exe";
    const std::string text = ReportText(path, report);
    FuzzCheck(text.compare(0, path.size() + 1, path + "\n") == 0, "the text starts with the file");
    FuzzCheck(text.find("  code: " + std::to_string(report.code) + "\n") != std::string::npos,
              "the text names the code");
    return 0;
}

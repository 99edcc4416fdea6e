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
#include "tools/report_print.h"

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
    const PayloadTrailer& trailer = report.trailer.fields;
    uint64_t offset = trailer.payloadStart;
    const auto sizes = CarriedSizes(trailer);
    for (size_t i = 0; i < report.files.size(); ++i) {
        const PayloadFileReport& file = report.files[i];
        FuzzCheck(file.offset == offset && file.size == sizes[i],
                  "each region where the trailer puts it");
        FuzzCheck(!file.decodes ||
                      (file.header == SzddStatus::kOk && file.decodeStatus == SzddStatus::kOk &&
                       file.decodedSize == file.uncompressedSize),
                  "a region decodes only to its header's length");
        FuzzCheck(file.decodes || !file.record.found,
                  "only a file that decodes is searched for a record");
        FuzzCheck(!file.record.found || file.record.offset < file.decodedSize,
                  "a record lies inside its file");
        offset += sizes[i];
    }
    FuzzCheck(!report.Sound() || (report.code == kPayloadOk && report.AllFilesHoldRecords()),
              "sound means code 0 and a record in every file");
}

}  // namespace

int FuzzInspect(const uint8_t* data, size_t size) {
    const FuzzImage image = ImageFromFuzzInput(data, size);
    const InstallerReport report = InspectImage(image.bytes, image.length);
    FuzzCheck(report.code == InstallerCode(image), "the code is the installer's");
    CheckFiles(report);

    const std::string path = "fuzz.exe";
    const std::string json = ReportJson(path, report);
    std::string why;
    const bool strict = IsStrictJson(json, &why);
    FuzzCheck(strict, why.c_str());
    FuzzCheck(json.find("\"code\": " + std::to_string(report.code) + ",") != std::string::npos,
              "the JSON names the code");
    const std::string holds = std::string("\"allFilesHoldRecords\": ") +
                              (report.AllFilesHoldRecords() ? "true" : "false");
    FuzzCheck(json.find(holds) != std::string::npos, "the JSON sums up the records");

    const std::string text = ReportText(path, report);
    FuzzCheck(text.compare(0, path.size() + 1, path + "\n") == 0, "the text starts with the file");
    FuzzCheck(text.find("  code: " + std::to_string(report.code) + "\n") != std::string::npos,
              "the text names the code");
    return 0;
}

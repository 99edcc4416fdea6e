// `tvispack inspect`: the installer's view of its own file.
#include "tools/inspect.h"

#include <cerrno>
#include <cstring>

#include "payload/carried_files.h"
#include "payload/szdd.h"
#include "support/text_format.h"
#include "tools/code_page_1250.h"
#include "tools/file_io.h"
#include "tools/host.h"
#include "version/version_record.h"

ReportValue ReportValue::Number(uint64_t value) {
    ReportValue v;
    v.kind = kNumber;
    v.number = value;
    return v;
}

ReportValue ReportValue::Signed(int64_t value) {
    ReportValue v;
    v.kind = kSigned;
    v.signedNumber = value;
    return v;
}

ReportValue ReportValue::Flag(bool value) {
    ReportValue v;
    v.kind = kFlag;
    v.flag = value;
    return v;
}

ReportValue ReportValue::Text(const std::string& value) {
    ReportValue v;
    v.kind = kText;
    v.text = value;
    return v;
}

ReportValue ReportValue::Object(const ReportFields& value) {
    ReportValue v;
    v.kind = kObject;
    v.fields = value;
    return v;
}

ReportValue ReportValue::Shown(const std::string& readable) const {
    ReportValue v = *this;
    v.shown = readable;
    return v;
}

const ReportValue* FindReportField(const ReportFields& fields, const char* key) {
    for (const auto& field : fields) {
        if (field.first == key) return &field.second;
    }
    return nullptr;
}

const char* ReasonText(PayloadReason code) {
    switch (code) {
        case kPayloadOk:
            return "the layout is sound";
        case kOwnFileUnreadable:
            return "the file cannot be opened to read its length";
        case kInstallerTooLong:
            return "the file is longer than 4,000,000 bytes";
        case kInstallerTooShort:
            return "the file is shorter than 1,000,000 bytes";
        case kNoPayloadBuffer:
            return "no buffer of the file's length";
        case kTrailerCheckMismatch:
            return "the trailer's check word does not match";
        case kTrailerSumMismatch:
            return "the trailer's start and sizes plus 20 do not add up to the file's length";
        case kPayloadDamaged:
            return "a compressed file differs from the CRC-32 that the integrity block records";
        default:
            return "see the reason code table";
    }
}

ReportFields DescribePayloadFile(const char* name, uint64_t offset, const uint8_t* bytes,
                                 uint32_t size) {
    ReportFields fields;
    fields.emplace_back("name", ReportValue::Text(name));
    fields.emplace_back("offset", ReportValue::Number(offset));
    fields.emplace_back("size", ReportValue::Number(size));
    SzddHeader header = {};
    SzddStatus headerStatus = ParseSzddHeader(bytes, size, &header);
    bool headerRead = headerStatus == SzddStatus::kOk;
    fields.emplace_back("szdd",
                        ReportValue::Text(headerRead ? "mode 'A'" : SzddStatusText(headerStatus)));
    if (headerRead) {
        fields.emplace_back(
            "lastChar", header.lastChar >= 0x20 && header.lastChar < 0x7F
                            ? ReportValue::Text(std::string(1, static_cast<char>(header.lastChar)))
                            : ReportValue::Number(header.lastChar));
        fields.emplace_back("uncompressedSize", ReportValue::Number(header.length));
    } else {
        fields.emplace_back("lastChar", ReportValue::Null());
        fields.emplace_back("uncompressedSize", ReportValue::Null());
    }
    bool decodes = false;
    std::vector<uint8_t> decoded;
    if (headerRead) {
        SzddStatus status = DecodeSzdd(bytes, size, &decoded);
        decodes = status == SzddStatus::kOk && decoded.size() == header.length;
        fields.emplace_back("decodes", ReportValue::Flag(decodes));
        fields.emplace_back("decodedSize", ReportValue::Number(decoded.size()));
        fields.emplace_back("decodeStatus", ReportValue::Text(SzddStatusText(status)));
    } else {
        fields.emplace_back("decodes", ReportValue::Flag(false));
        fields.emplace_back("decodedSize", ReportValue::Null());
        fields.emplace_back("decodeStatus", ReportValue::Text(SzddStatusText(headerStatus)));
    }
    // Only a whole file is searched: the installer never sees a part of one.
    fields.emplace_back(
        "record", decodes
                      ? DescribeVersionRecord(decoded.data(), static_cast<uint32_t>(decoded.size()))
                      : ReportValue::Null().Shown("not searched: the file does not decode"));
    return fields;
}

ReportValue DescribeVersionRecord(const uint8_t* file, uint32_t length) {
    uint32_t position = FindVersionRecord(file, length);
    if (position == 0) {
        return ReportValue::Null().Shown(
            "none: the installer would treat this file as damaged at upgrade time");
    }
    VersionRecord record;
    DecodeVersionRecord(file, position, true, &record);
    ReportFields fields;
    fields.emplace_back("offset", ReportValue::Number(position));
    fields.emplace_back("versionText", ReportValue::Text(Cp1250ToUtf8(record.versionText)));
    // The edition as the record defines it: what follows a "." is not part of it.
    fields.emplace_back("editionText",
                        ReportValue::Text(Cp1250ToUtf8(std::string(
                            record.editionText, EditionTextLength(record.editionText)))));
    fields.emplace_back("kwilEdition", ReportValue::Flag(IsKwilEditionText(record.editionText)));
    fields.emplace_back(
        "build", ReportValue::Signed(record.build).Shown(NumberToText(record.build, 0, true)));
    fields.emplace_back("productionTime",
                        ReportValue::Text(Cp1250ToUtf8(FormatProductionTime(record))));
    return ReportValue::Object(fields);
}

InstallerReport InspectImage(const uint8_t* image, uint64_t length) {
    InstallerReport report;
    report.lengthKnown = true;
    report.fileLength = length;
    uint32_t length32 = length >= 0xFFFFFFFFu ? 0xFFFFFFFEu : static_cast<uint32_t>(length);
    report.code = CheckInstallerLength(length32);
    if (report.code != kPayloadOk) return report;
    report.signature = FindCertificateTable(image, length);
    // The installer's own rules, signed files included.
    report.code = CheckPayloadImage(image, length32, &report.trailer, &report.payloadEnd);
    report.trailerRead = true;
    if (report.code != kPayloadOk) return report;
    // The installer stops here on a damaged file; the regions are still described, so the
    // report shows which one differs.
    report.integrity = CheckIntegrity(image, length32, report.trailer);
    if (report.integrity.damagedFile >= 0) report.code = kPayloadDamaged;
    const uint32_t sizes[kPayloadFileCount] = {report.trailer.firstSize, report.trailer.secondSize,
                                               report.trailer.thirdSize};
    uint64_t offset = report.trailer.payloadStart;
    report.allFilesDecode = true;
    report.allFilesHoldRecords = true;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        report.files.push_back(
            DescribePayloadFile(kCarriedFiles[i].compressedName, offset, image + offset, sizes[i]));
        const ReportValue* decodes = FindReportField(report.files.back(), "decodes");
        if (!decodes || !decodes->flag) report.allFilesDecode = false;
        const ReportValue* record = FindReportField(report.files.back(), "record");
        if (!record || record->kind != ReportValue::kObject) report.allFilesHoldRecords = false;
        offset += sizes[i];
    }
    return report;
}

InstallerReport InspectInstaller(const std::string& path) {
    InstallerReport report;
    uint64_t length = 0;
    if (!HostFileLength(path, &length)) {
        report.problem = std::strerror(errno);
        return report;  // code 1
    }
    report.lengthKnown = true;
    report.fileLength = length;
    uint32_t length32 = length >= 0xFFFFFFFFu ? 0xFFFFFFFEu : static_cast<uint32_t>(length);
    report.code = CheckInstallerLength(length32);
    if (report.code != kPayloadOk) return report;  // 2 or 3, before anything is read
    std::vector<uint8_t> image;
    std::string error;
    if (!ReadWholeFile(path, kMaxInstallerLength, &image, &error)) {
        report.code = kOwnFileUnreadable;
        report.problem = error;
        return report;
    }
    return InspectImage(image.data(), image.size());
}

namespace {

// "\u00XX" for a control character.
std::string ControlEscape(unsigned code) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\u%04X", code);
    return buffer;
}

// A JSON string of UTF-8 text. Beside what JSON requires (quotes, backslashes, U+0000 to
// U+001F), DEL and the C1 controls U+0080 to U+009F are escaped as well: the code page's
// undefined bytes become C1 controls (Cp1250ToUtf8), and a raw one in the output upsets
// terminals and tools that read the JSON as text.
std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        // U+0080 to U+009F are 0xC2 followed by 0x80 to 0x9F in UTF-8.
        const unsigned char next =
            i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            out += ControlEscape(next);
            ++i;
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += ControlEscape(c);
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string JsonObject(const ReportFields& fields, const std::string& indent);

std::string JsonValue(const ReportValue& value, const std::string& indent) {
    switch (value.kind) {
        case ReportValue::kNull:
            return "null";
        case ReportValue::kNumber:
            return std::to_string(value.number);
        case ReportValue::kSigned:
            return std::to_string(value.signedNumber);
        case ReportValue::kFlag:
            return value.flag ? "true" : "false";
        case ReportValue::kText:
            return JsonString(value.text);
        case ReportValue::kObject:
            return JsonObject(value.fields, indent);
    }
    return "null";
}

std::string TextValue(const ReportValue& value) {
    if (!value.shown.empty()) return value.shown;
    switch (value.kind) {
        case ReportValue::kNull:
            return "-";
        case ReportValue::kNumber:
            return Thousands(value.number);
        case ReportValue::kSigned:
            return value.signedNumber < 0
                       ? "-" + Thousands(0 - static_cast<uint64_t>(value.signedNumber))
                       : Thousands(static_cast<uint64_t>(value.signedNumber));
        case ReportValue::kFlag:
            return value.flag ? "yes" : "no";
        case ReportValue::kText:
            return value.text;
        case ReportValue::kObject:
            return "";
    }
    return "-";
}

std::string JsonObject(const ReportFields& fields, const std::string& indent) {
    std::string out = "{";
    for (size_t i = 0; i < fields.size(); ++i) {
        out += i ? ",\n" : "\n";
        out += indent + "  " + JsonString(fields[i].first) + ": " +
               JsonValue(fields[i].second, indent + "  ");
    }
    return out + "\n" + indent + "}";
}

// "key: value" lines, an object's members one level further in.
std::string TextLines(const ReportFields& fields, const std::string& indent) {
    std::string out;
    for (const auto& field : fields) {
        out += indent + field.first + ":";
        if (field.second.kind == ReportValue::kObject) {
            out += "\n" + TextLines(field.second.fields, indent + "  ");
        } else {
            out += " " + TextValue(field.second) + "\n";
        }
    }
    return out;
}

ReportValue Hex32(uint32_t value) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(value));
    return ReportValue::Number(value).Shown(hex);
}

// Whether an integrity block ends where the payload starts and, if so, each region's
// CRC-32 as recorded there and as computed; null before the trailer was found sound.
ReportValue IntegrityField(const InstallerReport& report) {
    if (!report.trailerRead || report.code == kTrailerCheckMismatch ||
        report.code == kTrailerSumMismatch) {
        return ReportValue::Null();
    }
    const IntegrityCheck& check = report.integrity;
    ReportFields fields;
    fields.emplace_back("present", ReportValue::Flag(check.present));
    if (!check.present) return ReportValue::Object(fields);
    fields.emplace_back("offset",
                        ReportValue::Number(report.trailer.payloadStart - kIntegrityBlockSize));
    fields.emplace_back("intact", ReportValue::Flag(check.damagedFile < 0));
    for (int i = 0; i < kPayloadFileCount; ++i) {
        ReportFields crc;
        crc.emplace_back("recorded", Hex32(check.expected[i]));
        crc.emplace_back("computed", Hex32(check.actual[i]));
        fields.emplace_back(kCarriedFiles[i].compressedName, ReportValue::Object(crc));
    }
    return ReportValue::Object(fields);
}

// Whether the file carries a certificate table at its end (signed), where it lies, and
// where the payload ends; null before the length rules passed. The certificates
// themselves are not verified here.
ReportValue SignatureField(const InstallerReport& report) {
    if (!report.trailerRead) return ReportValue::Null();
    ReportFields fields;
    fields.emplace_back("signed", ReportValue::Flag(report.signature.present));
    if (report.signature.present) {
        fields.emplace_back("tableOffset", ReportValue::Number(report.signature.offset));
        fields.emplace_back("tableSize", ReportValue::Number(report.signature.size));
    }
    fields.emplace_back("payloadEnd", ReportValue::Number(report.payloadEnd));
    return ReportValue::Object(fields);
}

ReportFields TopFields(const InstallerReport& report) {
    ReportFields fields;
    fields.emplace_back("code", ReportValue::Number(static_cast<uint64_t>(report.code)));
    fields.emplace_back(
        "reason", ReportValue::Text(report.problem.empty() ? ReasonText(report.code)
                                                           : std::string(ReasonText(report.code)) +
                                                                 ": " + report.problem));
    fields.emplace_back("fileLength", report.lengthKnown ? ReportValue::Number(report.fileLength)
                                                         : ReportValue::Null());
    auto trailerField = [&](uint32_t value) {
        return report.trailerRead ? ReportValue::Number(value) : ReportValue::Null();
    };
    fields.emplace_back("trailerCheck", trailerField(report.trailer.trailerCheck));
    fields.emplace_back("expectedCheck", trailerField(TrailerCheckOf(report.trailer)));
    fields.emplace_back("payloadStart", trailerField(report.trailer.payloadStart));
    fields.emplace_back("firstSize", trailerField(report.trailer.firstSize));
    fields.emplace_back("secondSize", trailerField(report.trailer.secondSize));
    fields.emplace_back("thirdSize", trailerField(report.trailer.thirdSize));
    fields.emplace_back("integrity", IntegrityField(report));
    fields.emplace_back("signature", SignatureField(report));
    fields.emplace_back("allFilesDecode", ReportValue::Flag(report.allFilesDecode));
    fields.emplace_back("allFilesHoldRecords", ReportValue::Flag(report.allFilesHoldRecords));
    return fields;
}

}  // namespace

std::string ReportJson(const InstallerReport& report) {
    ReportFields top = TopFields(report);
    std::string out = JsonObject(top, "");
    out.resize(out.size() - 2);  // reopen the object for the files array
    out += ",\n  \"files\": [";
    for (size_t i = 0; i < report.files.size(); ++i) {
        out += i ? ", " : "";
        out += JsonObject(report.files[i], "  ");
    }
    out += "]\n}\n";
    return out;
}

std::string ReportText(const std::string& path, const InstallerReport& report) {
    std::string out = path + "\n";
    for (const auto& field : TopFields(report)) {
        if (field.second.kind == ReportValue::kObject) {
            out += "  " + field.first + ":\n" + TextLines(field.second.fields, "    ");
            continue;
        }
        out += "  " + field.first + ": " + TextValue(field.second);
        if (field.first == "trailerCheck" || field.first == "expectedCheck") {
            if (field.second.kind == ReportValue::kNumber) {
                char hex[16];
                std::snprintf(hex, sizeof hex, " (0x%08X)",
                              static_cast<unsigned>(field.second.number));
                out += hex;
            }
        }
        out += "\n";
    }
    for (const ReportFields& file : report.files) {
        ReportFields rest;
        for (const auto& field : file) {
            if (field.first == "name") {
                out += "  " + field.second.text + "\n";
            } else {
                rest.push_back(field);
            }
        }
        out += TextLines(rest, "    ");
    }
    return out;
}

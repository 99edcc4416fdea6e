// `tvispack inspect`: the installer's view of its own file.
#include "tools/inspect.h"

#include <cerrno>
#include <cstring>

#include "payload/szdd.h"
#include "tools/file_io.h"
#include "tools/host.h"

ReportValue ReportValue::Number(uint64_t value) {
    ReportValue v;
    v.kind = kNumber;
    v.number = value;
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

const char* ReasonText(PayloadReason code) {
    switch (code) {
        case kPayloadOk: return "the layout is sound";
        case kOwnFileUnreadable: return "the file cannot be opened to read its length";
        case kInstallerTooLong: return "the file is longer than 4,000,000 bytes";
        case kInstallerTooShort: return "the file is shorter than 1,000,000 bytes";
        case kNoPayloadBuffer: return "no buffer of the file's length";
        case kTrailerCheckMismatch: return "the trailer's check word does not match";
        case kTrailerSumMismatch:
            return "the trailer's start and sizes plus 20 do not add up to the file's length";
        default: return "see the reason code table";
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
    fields.emplace_back("szdd", ReportValue::Text(headerRead ? "mode 'A'"
                                                             : SzddStatusText(headerStatus)));
    if (headerRead) {
        fields.emplace_back("lastChar", header.lastChar >= 0x20 && header.lastChar < 0x7F
                                            ? ReportValue::Text(std::string(1, static_cast<char>(
                                                                                   header.lastChar)))
                                            : ReportValue::Number(header.lastChar));
        fields.emplace_back("uncompressedSize", ReportValue::Number(header.length));
    } else {
        fields.emplace_back("lastChar", ReportValue::Null());
        fields.emplace_back("uncompressedSize", ReportValue::Null());
    }
    bool decodes = false;
    if (headerRead) {
        std::vector<uint8_t> decoded;
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
    return fields;
}

InstallerReport InspectImage(const uint8_t* image, uint64_t length) {
    InstallerReport report;
    report.lengthKnown = true;
    report.fileLength = length;
    uint32_t length32 = length >= 0xFFFFFFFFu ? 0xFFFFFFFEu : static_cast<uint32_t>(length);
    report.code = CheckInstallerLength(length32);
    if (report.code != kPayloadOk) return report;
    report.trailer = DecodeTrailer(image + length - kTrailerSize);
    report.trailerRead = true;
    report.code = CheckTrailer(report.trailer, length32);
    if (report.code != kPayloadOk) return report;
    const uint32_t sizes[kPayloadFileCount] = {report.trailer.firstSize, report.trailer.secondSize,
                                               report.trailer.thirdSize};
    uint64_t offset = report.trailer.payloadStart;
    report.allFilesDecode = true;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        report.files.push_back(DescribePayloadFile(kCompressedNames[i], offset, image + offset,
                                                   sizes[i]));
        for (const auto& field : report.files.back()) {
            if (field.first == "decodes" && !field.second.flag) report.allFilesDecode = false;
        }
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

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string JsonValue(const ReportValue& value) {
    switch (value.kind) {
        case ReportValue::kNull: return "null";
        case ReportValue::kNumber: return std::to_string(value.number);
        case ReportValue::kFlag: return value.flag ? "true" : "false";
        case ReportValue::kText: return JsonString(value.text);
    }
    return "null";
}

std::string TextValue(const ReportValue& value) {
    switch (value.kind) {
        case ReportValue::kNull: return "-";
        case ReportValue::kNumber: return Thousands(value.number);
        case ReportValue::kFlag: return value.flag ? "yes" : "no";
        case ReportValue::kText: return value.text;
    }
    return "-";
}

std::string JsonObject(const ReportFields& fields, const std::string& indent) {
    std::string out = "{";
    for (size_t i = 0; i < fields.size(); ++i) {
        out += i ? ",\n" : "\n";
        out += indent + "  " + JsonString(fields[i].first) + ": " + JsonValue(fields[i].second);
    }
    return out + "\n" + indent + "}";
}

ReportFields TopFields(const InstallerReport& report) {
    ReportFields fields;
    fields.emplace_back("code", ReportValue::Number(static_cast<uint64_t>(report.code)));
    fields.emplace_back("reason", ReportValue::Text(report.problem.empty()
                                                        ? ReasonText(report.code)
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
    fields.emplace_back("allFilesDecode", ReportValue::Flag(report.allFilesDecode));
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
        for (const auto& field : file) {
            if (field.first == "name") {
                out += "  " + field.second.text + "\n";
            } else {
                out += "    " + field.first + ": " + TextValue(field.second) + "\n";
            }
        }
    }
    return out;
}

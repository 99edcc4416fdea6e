// Both printers walk one ordered tree of named values built from the report, so that the
// text and the JSON always hold the same members in the same order.
#include "tools/report_print.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "payload/carried_files.h"
#include "support/text_format.h"
#include "tools/file_io.h"
#include "tools/tvispack.h"

namespace {

// One printed value: a number, a flag, a text, a nested object, a list of objects or
// nothing (null in JSON). `shown`, when set, replaces the value in the readable report (a
// build grouped as the installer's dialog groups it, a reason beside a null). A member
// that JSON always carries, so that scripts find every key, may stay out of the readable
// report where it says nothing (`hiddenInText`).
struct Value {
    enum Kind { kNull, kNumber, kSigned, kFlag, kText, kObject, kList } kind = kNull;
    uint64_t number = 0;
    int64_t signedNumber = 0;
    bool flag = false;
    std::string text;
    std::vector<std::pair<std::string, Value>> fields;  // kObject
    std::vector<Value> items;                           // kList: objects, each led by "name"
    std::string shown;
    bool hiddenInText = false;

    Value Shown(const std::string& readable) const {
        Value v = *this;
        v.shown = readable;
        return v;
    }
    Value HiddenInText() const {
        Value v = *this;
        v.hiddenInText = true;
        return v;
    }
};

using Fields = std::vector<std::pair<std::string, Value>>;

Value Null() { return Value(); }

Value Number(uint64_t value) {
    Value v;
    v.kind = Value::kNumber;
    v.number = value;
    return v;
}

Value Signed(int64_t value) {
    Value v;
    v.kind = Value::kSigned;
    v.signedNumber = value;
    return v;
}

Value Flag(bool value) {
    Value v;
    v.kind = Value::kFlag;
    v.flag = value;
    return v;
}

Value Text(const std::string& value) {
    Value v;
    v.kind = Value::kText;
    v.text = value;
    return v;
}

Value Object(const Fields& value) {
    Value v;
    v.kind = Value::kObject;
    v.fields = value;
    return v;
}

Value List(const std::vector<Value>& items) {
    Value v;
    v.kind = Value::kList;
    v.items = items;
    return v;
}

// A CRC-32 as the build summary and the readable report write it, in JSON too: a text of
// eight hex digits after "0x", which no JSON reader turns into a float.
Value Hex32(uint32_t value) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(value));
    return Text(hex);
}

// The last character of the name in an SZDD header, always a text: the character when it
// is printable ASCII, else "\xNN" (four characters, so never mistaken for one).
Value LastChar(uint8_t c) {
    if (c >= 0x20 && c < 0x7F) return Text(std::string(1, static_cast<char>(c)));
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(c));
    return Text(escaped);
}

// --- the report as a tree ---

Value RecordValue(const PayloadFileReport& file) {
    if (!file.decodes) return Null().Shown("not searched: the file does not decode");
    const RecordReport& record = file.record;
    if (!record.found) {
        return Null().Shown("none: the installer would treat this file as damaged at upgrade time");
    }
    Fields fields;
    fields.emplace_back("offset", Number(record.offset));
    fields.emplace_back("versionText", Text(record.versionText));
    fields.emplace_back("editionText", Text(record.editionText));
    fields.emplace_back("kwilEdition", Flag(record.kwilEdition));
    fields.emplace_back("build", Signed(record.build).Shown(NumberToText(record.build, 0, true)));
    fields.emplace_back("productionTime", Text(record.productionTime));
    return Object(fields);
}

Fields FileFields(const PayloadFileReport& file) {
    const bool headerRead = file.header == SzddStatus::kOk;
    Fields fields;
    fields.emplace_back("name", Text(file.name));
    fields.emplace_back("offset", Number(file.offset));
    fields.emplace_back("size", Number(file.size));
    fields.emplace_back("szdd", Text(headerRead ? "mode 'A'" : SzddStatusText(file.header)));
    if (!headerRead) {
        fields.emplace_back("lastChar", Null());
        fields.emplace_back("uncompressedSize", Null());
    } else {
        fields.emplace_back("lastChar", LastChar(file.lastChar));
        fields.emplace_back("uncompressedSize", Number(file.uncompressedSize));
    }
    fields.emplace_back("decodes", Flag(file.decodes));
    fields.emplace_back("decodedSize", headerRead ? Number(file.decodedSize) : Null());
    fields.emplace_back("decodeStatus", Text(SzddStatusText(file.decodeStatus)));
    fields.emplace_back("record", RecordValue(file));
    return fields;
}

// Whether an integrity block ends where the payload starts and, if so, each region's
// CRC-32 as recorded there and as computed, in the order of "files"; null before the
// trailer was found sound.
Value IntegrityValue(const InstallerReport& report) {
    if (!report.integrityChecked) return Null();
    const IntegrityCheck& check = report.integrity;
    Fields fields;
    fields.emplace_back("present", Flag(check.present));
    if (!check.present) {
        fields.emplace_back("offset", Null().HiddenInText());
        fields.emplace_back("intact", Null().HiddenInText());
        fields.emplace_back("files", List({}).HiddenInText());
        return Object(fields);
    }
    fields.emplace_back("offset", Number(report.trailer.fields.payloadStart - kIntegrityBlockSize));
    fields.emplace_back("intact", Flag(check.damagedFile < 0));
    std::vector<Value> files;
    for (int i = 0; i < kPayloadFileCount; ++i) {
        Fields crc;
        crc.emplace_back("name", Text(kCarriedFiles[i].compressedName));
        crc.emplace_back("recorded", Hex32(check.expected[i]));
        crc.emplace_back("computed", Hex32(check.actual[i]));
        files.push_back(Object(crc));
    }
    fields.emplace_back("files", List(files));
    return Object(fields);
}

// Whether the file carries a certificate table at its end (signed), where it lies, and
// where the payload ends; null before the length rules passed. The certificates
// themselves are not verified.
Value SignatureValue(const SignatureReport& signature) {
    if (!signature.known) return Null();
    Fields fields;
    fields.emplace_back("signed", Flag(signature.table.present));
    if (signature.table.present) {
        fields.emplace_back("tableOffset", Number(signature.table.offset));
        fields.emplace_back("tableSize", Number(signature.table.size));
    } else {
        fields.emplace_back("tableOffset", Null().HiddenInText());
        fields.emplace_back("tableSize", Null().HiddenInText());
    }
    fields.emplace_back("payloadEnd", Number(signature.payloadEnd));
    return Object(fields);
}

// The program at the file's start: its machine, whether it is our installer stub (and if
// not, what it is), and what its version resource says; null when the file was not read.
Value StubValue(const InstallerReport& report) {
    if (!report.stubRead) return Null();
    const StubIdentity& stub = report.stub;
    const bool ours = stub.verdict == StubVerdict::kOurs;
    auto textOrNull = [](const std::string& text) { return text.empty() ? Null() : Text(text); };
    Fields fields;
    fields.emplace_back("machine", stub.windowsProgram ? Text(stub.MachineName()) : Null());
    fields.emplace_back("tvisupgrade", Flag(ours).Shown(ours ? "yes" : "no: " + StubProblem(stub)));
    fields.emplace_back("productVersion", textOrNull(stub.ProductVersion()));
    fields.emplace_back("commit", textOrNull(stub.Commit()));
    return Object(fields);
}

// Which packer wrote the file, told by its bytes (tools/packer_check.h): whether this
// tvispack writes exactly what follows the stub, and which tvispack that is; null, with
// the reason in the readable report, when the file is not sound enough to rebuild.
Value PackedByValue(const InstallerReport& report) {
    const PackerCheck& packer = report.packer;
    if (!packer.checked) return report.stubRead ? Null().Shown(packer.why) : Null();
    Fields fields;
    fields.emplace_back(
        "thisTvispack",
        Flag(packer.matches)
            .Shown(packer.matches ? "yes: every byte after the stub is what it writes"
                                  : "no: " + packer.why));
    fields.emplace_back("tvispack", Text(VersionLine()));
    return Object(fields);
}

// The members before "files".
Fields TopFields(const InstallerReport& report) {
    const char* reason = PayloadReasonText(report.code);
    std::string reasonText = reason ? reason : "no reason code";
    if (!report.problem.empty()) reasonText += ": " + report.problem;
    auto trailerField = [&](uint32_t value) {
        return report.trailer.read ? Number(value) : Null();
    };
    // The check words also in hex, as a hex dump of the trailer shows them.
    auto checkField = [&](uint32_t value) {
        if (!report.trailer.read) return Null();
        char hex[16];
        std::snprintf(hex, sizeof hex, " (0x%08X)", static_cast<unsigned>(value));
        return Number(value).Shown(Thousands(value) + hex);
    };
    const PayloadTrailer& trailer = report.trailer.fields;
    Fields fields;
    fields.emplace_back("code", Number(static_cast<uint64_t>(report.code)));
    fields.emplace_back("reason", Text(reasonText));
    fields.emplace_back("fileLength", report.lengthKnown ? Number(report.fileLength) : Null());
    fields.emplace_back("trailerCheck", checkField(trailer.trailerCheck));
    fields.emplace_back("expectedCheck", checkField(report.trailer.expectedCheck));
    fields.emplace_back("payloadStart", trailerField(trailer.payloadStart));
    fields.emplace_back("firstSize", trailerField(trailer.firstSize));
    fields.emplace_back("secondSize", trailerField(trailer.secondSize));
    fields.emplace_back("thirdSize", trailerField(trailer.thirdSize));
    fields.emplace_back("stub", StubValue(report));
    fields.emplace_back("packedBy", PackedByValue(report));
    fields.emplace_back("integrity", IntegrityValue(report));
    fields.emplace_back("signature", SignatureValue(report.signature));
    fields.emplace_back("allFilesDecode", Flag(report.AllFilesDecode()));
    fields.emplace_back("allFilesHoldRecords", Flag(report.AllFilesHoldRecords()));
    return fields;
}

// --- JSON ---

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

std::string JsonObject(const Fields& fields, const std::string& indent);

std::string JsonValue(const Value& value, const std::string& indent) {
    switch (value.kind) {
        case Value::kNull:
            return "null";
        case Value::kNumber:
            return std::to_string(value.number);
        case Value::kSigned:
            return std::to_string(value.signedNumber);
        case Value::kFlag:
            return value.flag ? "true" : "false";
        case Value::kText:
            return JsonString(value.text);
        case Value::kObject:
            return JsonObject(value.fields, indent);
        case Value::kList: {
            std::string out = "[";
            for (size_t i = 0; i < value.items.size(); ++i) {
                out += i ? ", " : "";
                out += JsonValue(value.items[i], indent);
            }
            return out + "]";
        }
    }
    return "null";
}

std::string JsonObject(const Fields& fields, const std::string& indent) {
    std::string out = "{";
    for (size_t i = 0; i < fields.size(); ++i) {
        out += i ? ",\n" : "\n";
        out += indent + "  " + JsonString(fields[i].first) + ": " +
               JsonValue(fields[i].second, indent + "  ");
    }
    return out + "\n" + indent + "}";
}

// --- text ---

std::string TextValue(const Value& value) {
    if (!value.shown.empty()) return value.shown;
    switch (value.kind) {
        case Value::kNull:
            return "-";
        case Value::kNumber:
            return Thousands(value.number);
        case Value::kSigned:
            return value.signedNumber < 0
                       ? "-" + Thousands(0 - static_cast<uint64_t>(value.signedNumber))
                       : Thousands(static_cast<uint64_t>(value.signedNumber));
        case Value::kFlag:
            return value.flag ? "yes" : "no";
        case Value::kText:
            return value.text;
        case Value::kObject:
        case Value::kList:
            return "";
    }
    return "-";
}

// "key: value" lines, an object's members one level further in.
std::string TextLines(const Fields& fields, const std::string& indent) {
    std::string out;
    for (const auto& field : fields) {
        if (field.second.hiddenInText) continue;
        if (field.second.kind == Value::kList) {
            // Each item under its name, at the list's own level.
            for (const Value& item : field.second.items) {
                Fields rest = item.fields;
                if (rest.empty()) continue;
                out += indent + TextValue(rest.front().second) + ":\n";
                rest.erase(rest.begin());
                out += TextLines(rest, indent + "  ");
            }
            continue;
        }
        out += indent + field.first + ":";
        if (field.second.kind == Value::kObject) {
            out += "\n" + TextLines(field.second.fields, indent + "  ");
        } else {
            out += " " + TextValue(field.second) + "\n";
        }
    }
    return out;
}

}  // namespace

std::string ReportJson(const std::string& path, const InstallerReport& report) {
    Fields fields = TopFields(report);
    fields.insert(fields.begin(), {"path", Text(path)});
    fields.insert(fields.begin(), {"formatVersion", Number(kReportFormatVersion)});
    std::string out = JsonObject(fields, "");
    out.resize(out.size() - 2);  // reopen the object for the files array
    out += ",\n  \"files\": [";
    for (size_t i = 0; i < report.files.size(); ++i) {
        out += i ? ", " : "";
        out += JsonObject(FileFields(report.files[i]), "  ");
    }
    out += "]\n}\n";
    return out;
}

std::string ReportText(const std::string& path, const InstallerReport& report) {
    std::string out = path + "\n";
    for (const auto& field : TopFields(report)) {
        if (field.second.hiddenInText) continue;
        if (field.second.kind == Value::kObject) {
            out += "  " + field.first + ":\n" + TextLines(field.second.fields, "    ");
            continue;
        }
        out += "  " + field.first + ": " + TextValue(field.second) + "\n";
    }
    for (const PayloadFileReport& file : report.files) {
        out += "  " + file.name + "\n";
        Fields rest = FileFields(file);
        rest.erase(rest.begin());  // the name heads the block
        out += TextLines(rest, "    ");
    }
    return out;
}

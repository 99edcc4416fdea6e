// make_product_file: writes the version record of a product program file, for demos and
// manual runs of the installer. Either a stand-in file that carries a record:
//   make_product_file OUT [--size N] [--offset N] [RECORD...]
// or the record written in place into the record slot of a real program of ours (the demo
// product; see demo/product/record_slot.h), every other byte left as it was:
//   make_product_file --into FILE [RECORD...]
// RECORD: [--version TEXT] [--edition TEXT] [--build N] [--date YYMMDD] [--time H:M:S.C]
// The texts come as UTF-8 (as UTF-16 on Windows) and are written in code page 1250, which
// is how the installer and the product read them. Exit status 0 when written, 1 when
// refused (nothing written), 2 on a bad command line.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/product_file.h"
#include "tests/support/record_stamp.h"
#include "tools/code_page_1250.h"
#include "tools/file_io.h"
#include "tools/host.h"
#include "version/version_record.h"

namespace {

constexpr uint64_t kMaxFileLength = 64u * 1024u * 1024u;

struct Options {
    std::string file;  // OUT, or FILE with --into
    bool into = false;
    unsigned long size = 200000;
    unsigned long offset = 4096;
    RecordFields fields;  // the texts still in UTF-8
};

int Usage() {
    std::fprintf(
        stderr,
        "usage: make_product_file OUT [--size N] [--offset N] [RECORD...]\n"
        "       make_product_file --into FILE [RECORD...]\n"
        "RECORD: [--version TEXT] [--edition TEXT] [--build N] [--date YYMMDD]\n"
        "        [--time H:M:S.C]\n"
        "The first form writes a stand-in program file of N bytes (default 200000) with\n"
        "the record at the offset (default 4096). The second writes the record into the\n"
        "record slot of an unstamped program of the demo product and leaves every other\n"
        "byte of FILE as it was. Texts are converted from UTF-8 to code page 1250 and must\n"
        "then fit the record: the version 15 bytes, the edition 28.\n"
        "example: make_product_file --into tVisLV.exe --version 5.3 --build 1250 --date 261210\n");
    return 2;
}

void Refuse(const std::string& message) {
    std::fprintf(stderr, "make_product_file: %s\n", message.c_str());
}

bool ParseNumber(const std::string& text, long min, long max, long* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < min || parsed > max) return false;
    *value = parsed;
    return true;
}

bool ParseTime(const std::string& text, RecordFields* fields) {
    unsigned h = 0, m = 0, s = 0, c = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%u:%u:%u.%u%c", &h, &m, &s, &c, &extra) != 4) return false;
    if (h > 23 || m > 59 || s > 59 || c > 99) return false;
    fields->hour = static_cast<uint8_t>(h);
    fields->minute = static_cast<uint8_t>(m);
    fields->second = static_cast<uint8_t>(s);
    fields->hundredths = static_cast<uint8_t>(c);
    return true;
}

bool IsDate(const std::string& text) {
    if (text.size() != 6) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// One option and its value; false when either is wrong.
bool ParseOption(const std::string& option, const std::string& value, Options* options) {
    long number = 0;
    if (option == "--size" || option == "--offset") {
        if (options->into || !ParseNumber(value, 0, static_cast<long>(kMaxFileLength), &number))
            return false;
        (option == "--size" ? options->size : options->offset) = static_cast<unsigned long>(number);
    } else if (option == "--version") {
        options->fields.versionText = value;
    } else if (option == "--edition") {
        options->fields.editionText = value;
    } else if (option == "--build") {
        if (!ParseNumber(value, INT32_MIN, INT32_MAX, &number)) return false;
        options->fields.build = static_cast<int32_t>(number);
    } else if (option == "--date") {
        if (!IsDate(value)) return false;
        options->fields.dateChars = value;
    } else if (option == "--time") {
        return ParseTime(value, &options->fields);
    } else {
        return false;
    }
    return true;
}

bool ParseArguments(const std::vector<std::string>& args, Options* options) {
    size_t next = 1;
    if (!args.empty() && args[0] == "--into") {
        options->into = true;
        next = 2;
    }
    if (args.size() < next) return false;
    options->file = args[next - 1];
    if (options->file.empty() || options->file[0] == '-') return false;
    if ((args.size() - next) % 2 != 0) return false;
    for (size_t i = next; i < args.size(); i += 2) {
        if (!ParseOption(args[i], args[i + 1], options)) return false;
    }
    return true;
}

// A text as the record holds it: in code page 1250, at most `width` bytes.
bool ToRecordText(const char* option, uint32_t width, std::string* text) {
    std::string converted;
    if (!Utf8ToCp1250(*text, &converted)) {
        Refuse(std::string(option) + " \"" + *text +
               "\" cannot be written in code page 1250: it is not valid UTF-8 or holds a "
               "character that the code page lacks");
        return false;
    }
    if (converted.size() > width) {
        Refuse(std::string(option) + " \"" + *text + "\" is " + std::to_string(converted.size()) +
               " bytes in code page 1250, more than the " + std::to_string(width) +
               " the record holds");
        return false;
    }
    *text = converted;
    return true;
}

bool WriteNewFile(const Options& options) {
    if (options.offset == 0 || options.offset + kRecordSpan > options.size) {
        Refuse("the record (148 bytes at " + std::to_string(options.offset) + ") must fit in " +
               std::to_string(options.size) + " bytes, after the first byte");
        return false;
    }
    std::vector<uint8_t> file = MakeProductFile(
        static_cast<uint32_t>(options.size), static_cast<uint32_t>(options.offset), options.fields);
    FILE* out = HostOpenFile(options.file, "wb");
    bool written = out != nullptr && std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (out != nullptr && std::fclose(out) != 0) written = false;
    if (!written) Refuse("cannot write " + options.file + ": " + std::strerror(errno));
    return written;
}

std::string StampRefusal(const std::string& path, const StampResult& result) {
    switch (result.outcome) {
        case StampOutcome::kNoSlot:
            return path + " has no record slot: it is no program of the demo product, or its " +
                   "record is written already";
        case StampOutcome::kSeveralSlots:
            return path + " has more than one record slot (the first at " +
                   std::to_string(result.slot) + "): which one the program reads is unknown";
        case StampOutcome::kShadowed:
            if (result.slot == 0 || result.found == 0) {
                return path + ": a record in the slot at " + std::to_string(result.slot) +
                       " would not be found by the installer";
            }
            return path + " holds a record at " + std::to_string(result.found) +
                   ", before its record slot at " + std::to_string(result.slot) +
                   ": the installer would read that one";
        case StampOutcome::kStamped:
            break;
    }
    return std::string();
}

// Writes the 148 stamped bytes over the slot, leaving the rest of the file untouched.
bool WriteSlot(const std::string& path, const std::vector<uint8_t>& stamped, uint32_t slot) {
    FILE* file = HostOpenFile(path, "r+b");
    bool written = file != nullptr && std::fseek(file, static_cast<long>(slot), SEEK_SET) == 0 &&
                   std::fwrite(&stamped[slot], 1, kRecordSpan, file) == kRecordSpan;
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (!written) Refuse("cannot write " + path + ": " + std::strerror(errno));
    return written;
}

bool StampFile(const Options& options) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadWholeFile(options.file, kMaxFileLength, &bytes, &error)) {
        Refuse("cannot read " + options.file + ": " + error);
        return false;
    }
    StampResult result = StampRecordSlot(&bytes, options.fields);
    if (result.outcome != StampOutcome::kStamped) {
        Refuse(StampRefusal(options.file, result));
        return false;
    }
    return WriteSlot(options.file, bytes, result.slot);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArguments(HostArguments(argc, argv), &options)) return Usage();
    RecordFields& fields = options.fields;
    if (!ToRecordText("--version", kVersionTextLength, &fields.versionText) ||
        !ToRecordText("--edition", kEditionTextLength, &fields.editionText)) {
        return 1;
    }
    bool written = options.into ? StampFile(options) : WriteNewFile(options);
    return written ? 0 : 1;
}

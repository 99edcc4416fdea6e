// make_fuzz_seeds FOLDER: writes the fuzz targets' seed corpus, FOLDER/<target>/<seed>, from
// the test fixtures that build product files, SZDD files, installer images and stubs, so that
// each target starts from inputs that reach deep into the code: sound files and each kind of
// damage the rules tell apart. The committed corpus (tests/fuzz/corpus) is its output:
//   build/native/bin/make_fuzz_seeds tests/fuzz/corpus
// Deterministic: the same build writes the same bytes.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "controls/progress_bar_math.h"
#include "payload/byte_order.h"
#include "payload/integrity_block.h"
#include "payload/szdd.h"
#include "payload/trailer.h"
#include "tests/fuzz/fuzz_image.h"
#include "tests/fuzz/progress_bar_fuzz.h"
#include "tests/support/installer_image.h"
#include "tests/support/product_file.h"
#include "tests/support/test_stub.h"
#include "version/version_record.h"

namespace {

namespace fs = std::filesystem;

class SeedWriter {
public:
    explicit SeedWriter(fs::path root) : root_(std::move(root)) {}

    void Write(const char* target, const char* name, const Bytes& bytes) {
        const fs::path folder = root_ / target;
        fs::create_directories(folder);
        std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "make_fuzz_seeds: cannot write %s/%s\n", target, name);
            failed_ = true;
        }
        ++count_;
        total_ += bytes.size();
    }
    void Write(const char* target, const char* name, const std::string& text) {
        Write(target, name, Bytes(text.begin(), text.end()));
    }
    bool failed() const { return failed_; }
    size_t count() const { return count_; }
    size_t total() const { return total_; }

private:
    fs::path root_;
    bool failed_ = false;
    size_t count_ = 0;
    size_t total_ = 0;
};

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Le32(uint32_t value) {
    Bytes bytes(4);
    WriteLe32(bytes.data(), value);
    return bytes;
}

// Three small product files with records, in payload order, and their SZDD files.
struct SmallPayload {
    Bytes plain[3];
    Bytes compressed[3];
};

SmallPayload MakeSmallPayload() {
    SmallPayload payload;
    RecordFields fields;
    const uint32_t sizes[3] = {420, 300, 260};
    const uint32_t offsets[3] = {1, 100, 260 - kRecordSpan};
    const char lastChars[3] = {'l', 'e', 'e'};
    for (int i = 0; i < 3; ++i) {
        fields.build = 1250 + i;
        if (i == 1) fields.editionText = "R2A";
        payload.plain[i] = MakeProductFile(sizes[i], offsets[i], fields);
        payload.compressed[i] = Compress(payload.plain[i], lastChars[i]);
    }
    return payload;
}

// The input for an image whose bytes before the payload's integrity block are zeros.
Bytes ImageInput(const Bytes& image) {
    const PayloadTrailer trailer = DecodeTrailer(image.data() + image.size() - kTrailerSize);
    const size_t tail = image.size() - trailer.payloadStart + kIntegrityBlockSize;
    return FuzzInputFromImage(image, tail);
}

void WriteImageSeeds(SeedWriter& seeds, const char* target) {
    const SmallPayload payload = MakeSmallPayload();
    const Bytes plain = MakeInstallerImage(payload.compressed, 1000);
    Bytes guarded = plain;
    AddIntegrityBlock(guarded);
    seeds.Write(target, "sound", ImageInput(plain));
    seeds.Write(target, "sound-with-integrity-block", ImageInput(guarded));

    // A bit flipped in the second file: code 7 with the block, a file that no longer
    // decodes without it.
    const PayloadTrailer trailer = DecodeTrailer(plain.data() + plain.size() - kTrailerSize);
    const size_t second = trailer.payloadStart + trailer.firstSize + 40;
    Bytes flipped = guarded;
    flipped[second] ^= 0x10;
    seeds.Write(target, "damaged-with-integrity-block", ImageInput(flipped));
    flipped = plain;
    flipped[second] ^= 0x10;
    seeds.Write(target, "damaged", ImageInput(flipped));

    // Bytes appended (a signature, say): the check word no longer matches (code 5).
    Bytes signed_ = Cat(guarded, Bytes(64, 0x30));
    seeds.Write(target, "bytes-appended", FuzzInputFromImage(signed_, 64 + 600));
    // A trailer whose check matches but whose sum is one short of the length (code 6).
    Bytes shortSum = plain;
    EncodeTrailer(trailer.payloadStart, trailer.firstSize, trailer.secondSize,
                  trailer.thirdSize - 1, shortSum.data() + shortSum.size() - kTrailerSize);
    seeds.Write(target, "sum-mismatch", ImageInput(shortSum));

    // The length rules: one byte short of the minimum, one over the maximum (codes 3, 2).
    Bytes tail(plain.end() - 600, plain.end());
    seeds.Write(target, "too-short", Cat(Le32(kMinInstallerLength - 1), tail));
    seeds.Write(target, "too-long", Cat(Le32(kMaxInstallerLength + 1), tail));

    // A carried file without a record, and one that is no SZDD file at all.
    Bytes regions[3] = {payload.compressed[0], payload.compressed[1], payload.compressed[2]};
    regions[2] = Compress(MakeFileWithoutRecord(200), 'e');
    Bytes noRecord = MakeInstallerImage(regions, 1000);
    AddIntegrityBlock(noRecord);
    seeds.Write(target, "file-without-record", ImageInput(noRecord));
    regions[2] = MakeFileWithoutRecord(200);
    seeds.Write(target, "file-not-szdd", ImageInput(MakeInstallerImage(regions, 1000)));
}

// Small whole images for trailer_fuzz's first reading: a program, the integrity block, three
// files and a trailer, sound for their own length.
void WriteSmallImageSeeds(SeedWriter& seeds) {
    Bytes image(64, 'P');
    const Bytes files[3] = {Bytes(300, 'a'), Bytes(1, 'b'), Bytes(90, 'c')};
    uint32_t crcs[3];
    for (int i = 0; i < 3; ++i) crcs[i] = 0;
    auto block = EncodeIntegrityBlock(crcs);
    image.insert(image.end(), block.begin(), block.end());
    const uint32_t start = static_cast<uint32_t>(image.size());
    for (const Bytes& file : files) image = Cat(image, file);
    uint8_t trailer[kTrailerSize];
    EncodeTrailer(start, 300, 1, 90, trailer);
    image.insert(image.end(), trailer, trailer + kTrailerSize);
    // The block records CRCs of 0: every file differs, the first is named.
    seeds.Write("trailer_fuzz", "small-image-block-differs", image);
    Bytes guarded = image;
    AddIntegrityBlock(guarded);
    seeds.Write("trailer_fuzz", "small-image-block-agrees", guarded);
    // A signed executable's headers and its certificate table, for the PE reading.
    Bytes signedPe = MakeTestPe(0x300);
    SetTestSecurityDirectory(&signedPe, 0x280, 0x80);
    seeds.Write("trailer_fuzz", "signed-headers", signedPe);
    Bytes signedPlus = MakeTestPe(0x300, true);
    SetTestSecurityDirectory(&signedPlus, 0x280, 0x80, true);
    seeds.Write("trailer_fuzz", "signed-headers-pe32plus", signedPlus);
}

void WriteSzddSeeds(SeedWriter& seeds) {
    const std::string sentence = "tVis upgrade: qelMapE.dll, tVisLV.exe, tVisX.exe. ";
    const std::string repeated = sentence + sentence;
    const Bytes text(repeated.begin(), repeated.end());
    const Bytes product = MakeProductFile(300, 1, RecordFields());
    const Bytes whole = Compress(product, 'l');
    seeds.Write("szdd_fuzz", "empty-file", Compress(Bytes(), 'x'));
    seeds.Write("szdd_fuzz", "one-byte", Compress(Bytes(1, 'A'), 'x'));
    seeds.Write("szdd_fuzz", "text", Compress(text, 't'));
    seeds.Write("szdd_fuzz", "spaces", Compress(Bytes(200, ' '), ' '));
    seeds.Write("szdd_fuzz", "product-file", whole);
    seeds.Write("szdd_fuzz", "cut", Bytes(whole.begin(), whole.begin() + whole.size() / 2));
    seeds.Write("szdd_fuzz", "header-only", Bytes(whole.begin(), whole.begin() + kSzddHeaderSize));
    seeds.Write("szdd_fuzz", "trailing-bytes", Cat(whole, Bytes(9, 0xFF)));
    Bytes mode = whole;
    mode[8] = 'B';
    seeds.Write("szdd_fuzz", "mode-b", mode);
    Bytes longer = whole;
    WriteLe32(&longer[10], static_cast<uint32_t>(product.size() + 1));
    seeds.Write("szdd_fuzz", "header-claims-more", longer);
}

void WriteVersionRecordSeeds(SeedWriter& seeds) {
    RecordFields fields;
    seeds.Write("version_record_fuzz", "first-position", MakeProductFile(300, 1, fields));
    seeds.Write("version_record_fuzz", "at-the-end",
                MakeProductFile(400, 400 - kRecordSpan, fields));
    seeds.Write("version_record_fuzz", "no-record", MakeFileWithoutRecord(300));
    RecordFields full;
    full.versionText = "\xA3\xF3\x64\x9F 5.2 \xB9\xEA\x9C\xBF\xF1\xC6";  // 15 bytes, no NUL
    full.editionText = std::string(28, 'E');
    full.build = -1;
    full.hour = 255;
    full.hundredths = 250;
    full.dateChars = std::string(
        "99\0"
        "231",
        6);
    seeds.Write("version_record_fuzz", "full-width-texts", MakeProductFile(300, 50, full));
    RecordFields kwil;
    kwil.editionText = "R2A.x";
    seeds.Write("version_record_fuzz", "kwil-edition", MakeProductFile(300, 20, kwil));
    Bytes wrongCheck = MakeProductFile(400, 10, fields);
    wrongCheck[10 + kCheckByteOffset] ^= 1;
    PlaceRecord(wrongCheck, 200, fields);  // the second marker is the first record
    seeds.Write("version_record_fuzz", "second-marker-qualifies", wrongCheck);
    Bytes nearEnd = MakeFileWithoutRecord(200);
    std::memcpy(&nearEnd[90], kRecordMarker, kRecordMarkerLength);  // no room for its check
    seeds.Write("version_record_fuzz", "marker-near-the-end", nearEnd);
}

void WriteFolderTextSeeds(SeedWriter& seeds) {
    const char* target = "folder_text_fuzz";
    auto seed = [&](const char* name, const std::string& folder, const std::string& file) {
        seeds.Write(target, name, folder + std::string(1, '\0') + file);
    };
    seed("product-folder", "C:\\Programs\\tVis2002\\", "qelMapE.dll");
    seed("maps-folder", "D:\\App\\MAPY\\", "\\tVisX.exe");
    seed("program-path", "C:\\tVis\\tVisX.exe -x", "tVisLV.exe");
    seed("root", "C:\\", "/x");
    seed("slashes", "D:/App/mapy/", "//x");
    seed("folder-of-247", "C:\\" + std::string(244, 'f'), "qelMapE.dll");
    seed("folder-of-248", "C:\\" + std::string(245, 'f') + "\\", "qelMapE.dll");
    seed("join-at-the-limit", std::string(509, 'a'), "b");
    seed("polish-and-percent", "C:\\Program Files\\\xA3\xF3\x64\x9F 100%\\", "tVisX.exe");
}

void WriteRegistryTextSeeds(SeedWriter& seeds) {
    const char* target = "registry_text_fuzz";
    auto seed = [&](const char* name, unsigned maximum, bool present, const std::string& data) {
        std::string input;
        input += static_cast<char>(maximum & 0xFF);
        input += static_cast<char>(maximum >> 8);
        input += present ? '\1' : '\0';
        seeds.Write(target, name, input + data);
    };
    const std::string folder = std::string("C:\\Programs\\tVis2002\\") + '\0';
    seed("product-folder", 258, true, folder);
    seed("string-of-300", 258, true, std::string(299, 'v') + '\0');
    seed("string-of-510", 600, true, std::string(509, 'v') + '\0');
    seed("string-of-511", 258, true, std::string(510, 'v') + '\0');
    seed("unterminated-510", 510, true, std::string(510, 'u'));
    seed("folder-and-filler", 511, true, folder + std::string(300, 'x'));
    seed("dword", 258, true, std::string(4, '\x7f'));
    seed("missing", 258, false, "");
    seed("size-0", 0, true, folder);
    seed("size-0-too-long", 0, true, std::string(600, 'v'));
    seed("size-1", 1, true, folder);
}

void WriteCommandLineSeeds(SeedWriter& seeds) {
    const char* target = "command_line_fuzz";
    seeds.Write(target, "quiet-with-log",
                std::string("/quiet /log=\"C:\\Windows\\Temp\\tvis.log\""));
    seeds.Write(target, "passive-dash", std::string("-PASSIVE -S /help"));
    seeds.Write(target, "long-log", "/log=" + std::string(300, 'x'));
    seeds.Write(target, "unknown", std::string("/foo bar \"baz qux\" -"));
    seeds.Write(target, "empty", std::string());
}

void WriteProgressBarSeeds(SeedWriter& seeds) {
    struct Message {
        uint32_t message;
        uint32_t wParam;
        uint32_t lParam;
        std::string caption;  // for PBX_SETCAPTION with an odd lParam
    };
    auto seed = [&](const char* name, uint8_t width, uint8_t height,
                    const std::vector<Message>& messages) {
        Bytes input = {width, height};
        for (const Message& m : messages) {
            uint8_t selector = 0;
            while (kFuzzedMessages[selector] != m.message) ++selector;
            input.push_back(selector);
            input = Cat(Cat(input, Le32(m.wParam)), Le32(m.lParam));
            if (m.message == PBX_SETCAPTION && (m.lParam & 1)) {
                input.push_back(m.caption.size() == kFuzzedLongCaptionLength
                                    ? kFuzzedLongCaption
                                    : static_cast<uint8_t>(m.caption.size()));
                input.insert(input.end(), m.caption.begin(), m.caption.end());
            }
        }
        seeds.Write("progress_bar_fuzz", name, input);
    };
    // The installer's countdown: range, options, colour, caption, steps.
    seed("countdown", 196, 17,
         {{kProgressSetRange, 0, 100 << 16, ""},
          {PBX_SETOPTIONS, 0, PBXO_PERCENT | PBXO_SEGMENTS, ""},
          {PBX_SETBARCOLOR, 0, 0x3366CC, ""},
          {PBX_SETCAPTION, 0xFFFFFF, 1, std::string("Przygotowanie instalacji...") + '\0'},
          {kProgressSetStep, 10, 0, ""},
          {kProgressStepIt, 0, 0, ""},
          {kProgressSetPos, 55, 0, ""},
          {kProgressDeltaPos, 0xFFFFFFFF, 0, ""},
          {PBX_SETFRAME, 0, PBXO_THIN, ""}});
    seed("long-caption", 100, 20,
         {{PBX_SETCAPTION, 0x00FF00, 1, std::string(kFuzzedLongCaptionLength, 'z')},
          {PBX_SETCAPTION, 0x00FF00, 0, ""}});
    seed("wrapping-position", 4, 1,
         {{kProgressSetPos, 0x7FFFFFFF, 0, ""},
          {kProgressDeltaPos, 1, 0, ""},
          {kProgressSetRange, 0, 0xFFFF0000, ""},
          {kProgressStepIt, 0, 0, ""}});
}

// Programs given as the stub: ours for each machine, one of each kind that is refused, one
// cut inside its resource section, and a version resource on its own.
void WriteStubSeeds(SeedWriter& seeds) {
    const char* target = "stub_check_fuzz";
    TestStubShape x64;
    x64.machine = 0x8664;
    TestStubShape console;
    console.subsystem = 3;
    TestStubShape dll;
    dll.dll = true;
    TestStubShape noResource;
    noResource.versionResource = false;
    TestStubShape foreign;
    foreign.strings = {{"ProductName", "Notatnik Łódź"}, {"InternalName", "notepad"}};
    seeds.Write(target, "ours-x86", MakeTestStub(0x400));
    seeds.Write(target, "ours-x64", MakeTestStub(0x400, x64));
    seeds.Write(target, "console", MakeTestStub(0x400, console));
    seeds.Write(target, "dll", MakeTestStub(0x400, dll));
    seeds.Write(target, "no-version-resource", MakeTestStub(0x400, noResource));
    seeds.Write(target, "foreign", MakeTestStub(0x400, foreign));
    const Bytes ours = MakeTestStub(0x400);
    seeds.Write(target, "cut-in-resources", Bytes(ours.begin(), ours.begin() + 0x280));
    seeds.Write(target, "version-resource", MakeTestVersionResource(TestStubShape().strings));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER (tests/fuzz/corpus)\n");
        return 2;
    }
    SeedWriter seeds{fs::path(argv[1])};
    WriteSzddSeeds(seeds);
    WriteImageSeeds(seeds, "trailer_fuzz");
    WriteSmallImageSeeds(seeds);
    WriteVersionRecordSeeds(seeds);
    WriteFolderTextSeeds(seeds);
    WriteRegistryTextSeeds(seeds);
    WriteProgressBarSeeds(seeds);
    WriteCommandLineSeeds(seeds);
    WriteImageSeeds(seeds, "inspect_fuzz");
    WriteStubSeeds(seeds);
    std::printf("%zu seeds, %zu bytes\n", seeds.count(), seeds.total());
    return seeds.failed() ? 1 : 0;
}

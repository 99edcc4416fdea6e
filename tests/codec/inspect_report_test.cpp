// The typed report of `tvispack inspect`, from installer images in memory: what each layout
// outcome fills in, what the exit status's summary makes of it, and the reason line the
// printers write.
#include <gtest/gtest.h>

#include <string>

#include "payload/certificate_table.h"
#include "payload/integrity_block.h"
#include "payload/reason_codes.h"
#include "payload/trailer.h"
#include "tests/support/installer_image.h"
#include "tests/support/product_file.h"
#include "tools/inspect.h"
#include "tools/report_print.h"

namespace {

InstallerReport Inspect(const Bytes& image) { return InspectImage(image.data(), image.size()); }

// The installer of MakePayload with its integrity block, as tvispack builds it.
Bytes SoundInstaller(Payload& payload) {
    Bytes image = payload.installer;
    AddIntegrityBlock(image);
    return image;
}

TEST(InspectReport, ASoundInstallerFillsEveryPart) {
    Payload payload = MakePayload();
    const Bytes image = SoundInstaller(payload);
    const InstallerReport report = Inspect(image);
    EXPECT_EQ(kPayloadOk, report.code);
    EXPECT_EQ(image.size(), report.fileLength);
    ASSERT_TRUE(report.trailer.read);
    EXPECT_EQ(report.trailer.fields.trailerCheck, report.trailer.expectedCheck);
    EXPECT_EQ(payload.compressed[2].size(), report.trailer.fields.thirdSize);
    ASSERT_TRUE(report.signature.known);
    EXPECT_FALSE(report.signature.table.present);
    EXPECT_EQ(image.size(), report.signature.payloadEnd);
    ASSERT_TRUE(report.integrityChecked);
    EXPECT_TRUE(report.integrity.present);
    EXPECT_EQ(-1, report.integrity.damagedFile);
    ASSERT_EQ(3u, report.files.size());
    uint64_t offset = report.trailer.fields.payloadStart;
    const char* names[3] = {"QELMAPE.WCP", "TVISLV.WCP", "TVISX.WCP"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const PayloadFileReport& file = report.files[i];
        EXPECT_EQ(names[i], file.name);
        EXPECT_EQ(offset, file.offset);
        EXPECT_EQ(payload.compressed[i].size(), file.size);
        EXPECT_EQ(SzddStatus::kOk, file.header);
        EXPECT_EQ(payload.plain[i].size(), file.uncompressedSize);
        EXPECT_TRUE(file.decodes);
        EXPECT_EQ(payload.plain[i].size(), file.decodedSize);
        ASSERT_TRUE(file.record.found);
        EXPECT_EQ(5000u + 1000u * i, file.record.offset);
        EXPECT_EQ(1000 + i, file.record.build);
        EXPECT_EQ("ZRP", file.record.editionText);
        EXPECT_EQ("2015.03.17  godz. 09:05.07,42", file.record.productionTime);
        offset += file.size;
    }
    EXPECT_TRUE(report.Sound());
}

TEST(InspectReport, EachOutcomeFillsWhatTheInstallerWouldHaveRead) {
    Payload payload = MakePayload();
    const Bytes sound = SoundInstaller(payload);
    const PayloadTrailer trailer = DecodeTrailer(sound.data() + sound.size() - kTrailerSize);
    const size_t second = trailer.payloadStart + trailer.firstSize;

    Payload recordlessPayload = payload;  // tVisLV.exe without a record
    recordlessPayload.compressed[1] = Compress(MakeFileWithoutRecord(120000), 'e');
    const Bytes recordless = MakeInstallerImage(recordlessPayload.compressed);
    Bytes notSzdd = payload.installer;  // no integrity block: the region's fault shows
    notSzdd[trailer.payloadStart] = 'X';
    Bytes crcDiffers = sound;
    crcDiffers[second + 100] ^= 0x20;
    Bytes badCheck = sound;
    badCheck[sound.size() - kTrailerSize] ^= 0x01;
    Bytes tooShort(sound.begin(), sound.begin() + 999999);

    struct Case {
        const char* what;
        const Bytes* image;
        PayloadReason code;
        bool trailerRead;
        bool integrityChecked;
        size_t files;
        bool allDecode;
        bool allHoldRecords;
    } const cases[] = {
        {"a file without record", &recordless, kPayloadOk, true, true, 3, true, false},
        {"a file that is no SZDD", &notSzdd, kPayloadOk, true, true, 3, false, false},
        {"a CRC-32 that differs", &crcDiffers, kPayloadDamaged, true, true, 3, true, true},
        {"a damaged check word", &badCheck, kTrailerCheckMismatch, true, false, 0, false, false},
        {"too short", &tooShort, kInstallerTooShort, false, false, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const InstallerReport report = Inspect(*c.image);
        EXPECT_EQ(c.code, report.code);
        EXPECT_EQ(c.trailerRead, report.trailer.read);
        EXPECT_EQ(c.trailerRead, report.signature.known);
        EXPECT_EQ(c.integrityChecked, report.integrityChecked);
        EXPECT_EQ(c.files, report.files.size());
        EXPECT_EQ(c.allDecode, report.AllFilesDecode());
        EXPECT_EQ(c.allHoldRecords, report.AllFilesHoldRecords());
        EXPECT_FALSE(report.Sound());
        // The reason the printers write is the code's own text.
        const std::string text = ReportText("x.exe", report);
        EXPECT_NE(std::string::npos,
                  text.find(std::string("\n  reason: ") + PayloadReasonText(c.code) + "\n"))
            << text;
    }
    // Which region, and why.
    const PayloadFileReport noRecord = Inspect(recordless).files[1];
    EXPECT_FALSE(noRecord.record.found);
    EXPECT_TRUE(noRecord.decodes);
    const PayloadFileReport noMagic = Inspect(notSzdd).files[0];
    EXPECT_EQ(SzddStatus::kNotSzdd, noMagic.header);
    EXPECT_FALSE(noMagic.decodes);
    EXPECT_FALSE(noMagic.record.found);
    EXPECT_EQ(1, Inspect(crcDiffers).integrity.damagedFile);
}

TEST(InspectReport, AnUnreadableFileSaysWhy) {
    const InstallerReport report = InspectInstaller("no-such-folder/no-such-installer.exe");
    EXPECT_EQ(kOwnFileUnreadable, report.code);
    EXPECT_FALSE(report.lengthKnown);
    EXPECT_FALSE(report.problem.empty());
    const std::string json = ReportJson("x.exe", report);
    EXPECT_NE(std::string::npos,
              json.find(std::string("\"reason\": \"") + PayloadReasonText(kOwnFileUnreadable) +
                        ": " + report.problem + "\""))
        << json;
    EXPECT_NE(std::string::npos, json.find("\"fileLength\": null")) << json;
}

// The SZDD header's last name character is always a JSON text: printable ASCII as itself,
// any other byte as \xNN, so that a script never meets a number there.
TEST(InspectReport, TheLastNameCharacterIsAlwaysAText) {
    Payload payload = MakePayload();
    payload.compressed[0] = Compress(payload.plain[0], '\0');
    payload.compressed[1] = Compress(payload.plain[1], static_cast<char>(0xE9));
    const Bytes image = MakeInstallerImage(payload.compressed);
    const InstallerReport report = Inspect(image);
    const std::string json = ReportJson("x.exe", report);
    for (const char* member :
         {"\"lastChar\": \"\\\\x00\",", "\"lastChar\": \"\\\\xE9\",", "\"lastChar\": \"e\","}) {
        EXPECT_NE(std::string::npos, json.find(member)) << member << "\n" << json;
    }
    EXPECT_NE(std::string::npos, ReportText("x.exe", report).find("    lastChar: \\xE9\n"));
}

// An SZDD file of `data` that the decoder reads as Compress's, written with literals only:
// what another packer's encoder might write.
Bytes LiteralsOnly(const Bytes& data, char lastNameChar) {
    Bytes file = Compress(Bytes(), lastNameChar);
    file.resize(14);
    for (int i = 0; i < 4; ++i) file[10 + i] = static_cast<uint8_t>(data.size() >> (8 * i));
    for (size_t at = 0; at < data.size(); at += 8) {
        file.push_back(0xFF);
        const size_t end = at + 8 < data.size() ? at + 8 : data.size();
        file.insert(file.end(), data.begin() + at, data.begin() + end);
    }
    return file;
}

// Signs an installer as a signing tool would: a certificate table after the payload, named
// by the security directory of the stub's PE headers.
void AppendCertificateTable(Bytes& installer) {
    const uint32_t tableSize = 0x400;
    const uint32_t offset = static_cast<uint32_t>(installer.size());
    installer.resize(offset + tableSize, 0x5A);
    SetTestSecurityDirectory(&installer, offset, tableSize);
}

// `packedBy`: whether this tvispack writes what follows the stub, from installers built as
// it builds them, by another packer, or changed after the build.
TEST(InspectReport, PackedBySaysWhetherThisTvispackWritesWhatFollowsTheStub) {
    Payload payload = MakePayload();
    const Bytes sound = SoundInstaller(payload);

    Payload recompressed = payload;
    recompressed.compressed[1] = LiteralsOnly(payload.plain[1], 'e');
    Bytes otherEncoder = MakeInstallerImage(recompressed.compressed);
    AddIntegrityBlock(otherEncoder);

    Bytes signedInstaller = MakeInstallerImage(MakeTestPe(200000), payload.compressed);
    AddIntegrityBlock(signedInstaller);
    AppendCertificateTable(signedInstaller);

    // A layout tvispack never writes: the block right behind a stub that ends in code, and
    // the file's length not a multiple of 8 (tvispack aligns it, so that signing adds no
    // padding). The installer itself accepts it.
    Bytes unaligned(999001, 0x90);
    unaligned.resize(unaligned.size() + kIntegrityBlockSize, 0);
    const uint32_t payloadStart = static_cast<uint32_t>(unaligned.size());
    for (const Bytes& region : payload.compressed) {
        unaligned.insert(unaligned.end(), region.begin(), region.end());
    }
    uint8_t trailer[kTrailerSize];
    EncodeTrailer(payloadStart, static_cast<uint32_t>(payload.compressed[0].size()),
                  static_cast<uint32_t>(payload.compressed[1].size()),
                  static_cast<uint32_t>(payload.compressed[2].size()), trailer);
    unaligned.insert(unaligned.end(), trailer, trailer + kTrailerSize);
    ASSERT_NE(0u, unaligned.size() % 8);
    AddIntegrityBlock(unaligned);

    Bytes badTrailer = sound;
    badTrailer[sound.size() - 1] ^= 0x01;

    struct Case {
        const char* what;
        const Bytes& image;
        bool checked;
        bool matches;
        const char* why;
    } const cases[] = {
        {"as tvispack builds it", sound, true, true, ""},
        {"signed after the build", signedInstaller, true, true, ""},
        {"a region from another encoder", otherEncoder, true, false,
         "TVISLV.WCP is not compressed as this tvispack compresses it: "},
        {"no integrity block", payload.installer, true, false, "no integrity block"},
        {"the layout of another packer", unaligned, true, false, "the filler before"},
        {"not sound", badTrailer, false, false, "not rebuilt: the installer is not sound"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const InstallerReport report = Inspect(c.image);
        ASSERT_EQ(c.checked, report.code == kPayloadOk);
        if (c.what == std::string("signed after the build")) {
            ASSERT_TRUE(report.signature.table.present);
        }
        EXPECT_EQ(c.checked, report.packer.checked);
        EXPECT_EQ(c.matches, report.packer.matches);
        EXPECT_EQ(0u, report.packer.why.find(c.why)) << report.packer.why;
        const std::string json = ReportJson("x.exe", report);
        const std::string expected = !c.checked
                                         ? "\"packedBy\": null,"
                                         : std::string("\"packedBy\": {\n    \"thisTvispack\": ") +
                                               (c.matches ? "true" : "false");
        EXPECT_NE(std::string::npos, json.find(expected)) << json;
    }
}

}  // namespace

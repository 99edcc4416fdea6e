// A signed installer, as release engineers ship it: built by tvispack.exe, signed with
// osslsigncode and a throwaway certificate made with openssl in the test's own folder
// (never a committed key), verified, inspected, and run end to end under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "payload/certificate_table.h"
#include "payload/trailer.h"
#include "tests/e2e/file_size_limit.h"
#include "tests/e2e/upgrade_fixture.h"
#include "tests/support/captured_run.h"

namespace {

class SignedInstaller : public Upgrade {
protected:
    // Signs the installer in place with a new self-signed certificate; the certificate's
    // unix path is kept for verification.
    void Sign() {
        const std::string key = UnixPath(place.File("signing.key"));
        certificate = UnixPath(place.File("signing.crt"));
        ASSERT_TRUE(RunUnixCommand({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                                    "-keyout", key, "-out", certificate, "-days", "1", "-subj",
                                    "/CN=tVis test signing"}));
        const std::string unsignedCopy = place.File("unsigned.exe");
        ASSERT_TRUE(CopyFileA(installerPath.c_str(), unsignedCopy.c_str(), FALSE));
        ASSERT_TRUE(DeleteFileA(installerPath.c_str()));
        ASSERT_TRUE(RunUnixCommand({"osslsigncode", "sign", "-certs", certificate, "-key", key,
                                    "-n", "tVis upgrade", "-in", UnixPath(unsignedCopy), "-out",
                                    UnixPath(installerPath)}));
    }

    std::string certificate;
};

TEST_F(SignedInstaller, VerifiesInspectsSoundAndUpgrades) {
    const std::string built = ReadTestFile(installerPath);
    ASSERT_EQ(0u, built.size() % 8) << "tvispack leaves signing no padding to add";
    ASSERT_NO_FATAL_FAILURE(Sign());
    const std::string signedFile = ReadTestFile(installerPath);
    const CertificateTable table = FindCertificateTable(
        reinterpret_cast<const uint8_t*>(signedFile.data()), signedFile.size());
    ASSERT_TRUE(table.present);
    EXPECT_EQ(built.size(), table.offset);
    // Everything but the header's checksum and security directory is as built.
    EXPECT_EQ(built.substr(0x400), signedFile.substr(0x400, built.size() - 0x400));

    EXPECT_TRUE(RunUnixCommand(
        {"osslsigncode", "verify", "-CAfile", certificate, "-in", UnixPath(installerPath)}));
    const std::string report = place.File("inspect.txt");
    const std::wstring inspect = L"\"" + Wide(BesideThisProgram("tvispack.exe")) +
                                 L"\" inspect \"" + Wide(installerPath) + L"\" --json";
    EXPECT_EQ(0u, RunWithOutput(inspect, report));
    const std::string json = ReadTestFile(report);
    for (const std::string& key : {std::string("\"code\": 0"), std::string("\"signed\": true"),
                                   "\"tableOffset\": " + std::to_string(table.offset),
                                   "\"payloadEnd\": " + std::to_string(built.size())}) {
        EXPECT_NE(std::string::npos, json.find(key)) << key << "\n" << json;
    }

    Launch();
    Press(dialog, IDOK);
    ExpectSuccessBoxAndExit();
    EXPECT_EQ(ExpectedLog({kQelMapE, kTVisX, kTVisLV}), ReadTestFile(kLogFilePath));
}

// The installer does not check the signature (that is the system's business when the
// file is opened): a signed installer with a byte of its payload changed is read as the
// same change in an unsigned one, which the integrity block catches.
TEST_F(SignedInstaller, ChangedPayloadByteIsReadAsInAnUnsignedInstaller) {
    ASSERT_NO_FATAL_FAILURE(Sign());
    std::string bytes = ReadTestFile(installerPath);
    const CertificateTable table =
        FindCertificateTable(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ASSERT_TRUE(table.present);
    const PayloadTrailer trailer =
        DecodeTrailer(reinterpret_cast<const uint8_t*>(bytes.data()) + table.offset - kTrailerSize);
    bytes[trailer.payloadStart + trailer.firstSize + 3000] ^= 0x01;  // inside TVISLV.WCP
    ASSERT_TRUE(WriteTestFile(installerPath, bytes));
    ExpectReasonBoxAndExit("0000.0007");
}

}  // namespace

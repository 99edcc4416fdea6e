// Signed installers: the certificate table found through the PE security directory, with
// every header field bounds-checked, and the payload's end before it.
#include "payload/certificate_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "payload/byte_order.h"
#include "payload/trailer.h"
#include "tests/support/installer_image.h"

namespace {

constexpr uint32_t kPe = kTestPeHeader;  // e_lfanew
constexpr uint32_t kOptional = kPe + 24;
constexpr uint32_t kTableSize = 1488;  // what osslsigncode appended to a real installer

TEST(CertificateTable, OnlyANonEmptyTableThatEndsTheFileIsFound) {
    const uint32_t length = 100000;
    struct Case {
        const char* what;
        bool plus;
        uint32_t offset;
        uint32_t size;
        bool present;
    } const cases[] = {
        {"PE32, the file's last bytes", false, length - kTableSize, kTableSize, true},
        {"PE32+, the file's last bytes", true, length - kTableSize, kTableSize, true},
        {"size 0", false, length, 0, false},
        {"ends before the file does", false, length - kTableSize - 8, kTableSize, false},
        {"runs past the end", false, length - kTableSize + 8, kTableSize, false},
        {"pointing outside the file", false, 0x7FFFFFF0, 0x10, false},
        {"huge: the 32-bit sum wraps to the length", false, 0xFFFFFFF0, length + 0x10, false},
        {"starting inside the headers", false, 0x10, length - 0x10, false},
        {"starting at the directory itself", false, TestSecurityEntry(false),
         length - TestSecurityEntry(false), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = MakeTestPe(length, c.plus);
        SetTestSecurityDirectory(&file, c.offset, c.size, c.plus);
        CertificateTable table = FindCertificateTable(file.data(), file.size());
        EXPECT_EQ(c.present, table.present);
        if (c.present) {
            EXPECT_EQ(c.offset, table.offset);
            EXPECT_EQ(c.size, table.size);
            EXPECT_EQ(TestSecurityEntry(c.plus), table.directoryOffset);
        }
    }
}

TEST(CertificateTable, DamagedHeadersReadAsUnsigned) {
    const uint32_t length = 100000;
    struct Case {
        const char* what;
        void (*damage)(Bytes&);
    } const cases[] = {
        {"no MZ", [](Bytes& f) { f[1] = 'X'; }},
        {"e_lfanew outside the file", [](Bytes& f) { WriteLe32(f.data() + 0x3C, 0xFFFFFFF0u); }},
        {"e_lfanew at the last bytes", [](Bytes& f) { WriteLe32(f.data() + 0x3C, 100000 - 10); }},
        {"no PE signature", [](Bytes& f) { f[kPe + 2] = 'X'; }},
        {"unknown optional header", [](Bytes& f) { f[kOptional] = 0x07; }},
        {"four data directories", [](Bytes& f) { WriteLe32(f.data() + kOptional + 92, 4); }},
        {"optional header too small for directory 4",
         [](Bytes& f) {
             f[kPe + 20] = 96 + 4 * 8 + 4;
             f[kPe + 21] = 0;
         }},
        {"optional header past the file's end",
         [](Bytes& f) {
             f[kPe + 20] = 0xFF;
             f[kPe + 21] = 0xFF;
             WriteLe32(f.data() + 0x3C, 100000 - 100);
             std::memcpy(f.data() + 100000 - 100, "PE\0\0", 4);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = MakeTestPe(length);
        SetTestSecurityDirectory(&file, length - kTableSize, kTableSize);
        ASSERT_TRUE(FindCertificateTable(file.data(), file.size()).present);
        c.damage(file);
        EXPECT_FALSE(FindCertificateTable(file.data(), file.size()).present);
        EXPECT_EQ(0u, SecurityDirectoryOffset(file.data(), file.size()));
    }
    // Files too short to hold the headers at all, down to none.
    Bytes file = MakeTestPe(0x200);
    for (uint64_t cut : {0x100u, 0x40u, 0x3Du, 2u, 0u}) {
        EXPECT_FALSE(FindCertificateTable(file.data(), cut).present) << cut;
    }
    EXPECT_FALSE(FindCertificateTable(nullptr, 0).present);
}

// An installer of `payloadEnd` bytes with a sound trailer, then `padding` zero bytes and
// a certificate table that the security directory names.
Bytes SignedInstaller(uint32_t payloadEnd, uint32_t padding, PayloadTrailer* trailer) {
    Bytes file = MakeTestPe(payloadEnd + padding + kTableSize);
    trailer->payloadStart = 0x1000;
    trailer->firstSize = 300000;
    trailer->secondSize = 400000;
    trailer->thirdSize = payloadEnd - kTrailerSize - 0x1000 - 700000;
    EncodeTrailer(trailer->payloadStart, trailer->firstSize, trailer->secondSize,
                  trailer->thirdSize, file.data() + payloadEnd - kTrailerSize);
    std::memset(file.data() + payloadEnd, 0, padding);
    SetTestSecurityDirectory(&file, payloadEnd + padding, kTableSize);
    return file;
}

TEST(SignedPayload, TheTrailerIsFoundBeforeTheTableAndUpToSevenZeroBytes) {
    for (uint32_t padding = 0; padding <= kMaxSignaturePadding; ++padding) {
        SCOPED_TRACE(padding);
        PayloadTrailer written;
        Bytes file = SignedInstaller(1200000 - padding, padding, &written);
        PayloadTrailer read;
        uint32_t end = 0;
        ASSERT_EQ(kPayloadOk,
                  CheckPayloadImage(file.data(), static_cast<uint32_t>(file.size()), &read, &end));
        EXPECT_EQ(1200000 - padding, end);
        EXPECT_EQ(written.thirdSize, read.thirdSize);
    }
}

TEST(SignedPayload, WhatDoesNotFitTheSignedReadingIsReadAsUnsigned) {
    PayloadTrailer written;
    // Eight bytes of padding: more than a signing tool adds.
    Bytes tooMuch = SignedInstaller(1199992, 8, &written);
    // Padding that is not zero.
    Bytes notZero = SignedInstaller(1199996, 4, &written);
    notZero[1199998] = 1;
    // A damaged trailer before the table.
    Bytes damaged = SignedInstaller(1200000, 0, &written);
    damaged[1200000 - kTrailerSize] ^= 1;
    // An unsigned installer whose directory names its own last 10 bytes, the trailer's.
    Bytes overlapping = MakeTestPe(1200000);
    EncodeTrailer(0x1000, 300000, 400000, 1200000 - kTrailerSize - 0x1000 - 700000,
                  overlapping.data() + 1200000 - kTrailerSize);
    SetTestSecurityDirectory(&overlapping, 1200000 - 10, 10);
    struct Case {
        const char* what;
        const Bytes* file;
        PayloadReason code;
    } const cases[] = {
        {"eight bytes of padding", &tooMuch, kTrailerCheckMismatch},
        {"padding that is not zero", &notZero, kTrailerCheckMismatch},
        {"a damaged trailer", &damaged, kTrailerCheckMismatch},
        {"a table over the trailer of an unsigned file", &overlapping, kPayloadOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PayloadTrailer read;
        uint32_t end = 0;
        EXPECT_EQ(c.code, CheckPayloadImage(c.file->data(), static_cast<uint32_t>(c.file->size()),
                                            &read, &end));
        EXPECT_EQ(c.file->size(), end);
    }
}

TEST(SignedPayload, LengthRulesStayOnTheWholeFile) {
    PayloadTrailer written;
    // The payload alone would be short enough, the whole signed file is not.
    Bytes tooShort = SignedInstaller(999000 - kTableSize, 0, &written);
    tooShort.resize(999000);
    PayloadTrailer read;
    EXPECT_EQ(kInstallerTooShort,
              CheckPayloadImage(tooShort.data(), static_cast<uint32_t>(tooShort.size()), &read));
    Bytes justLongEnough = SignedInstaller(1000000 - kTableSize, 0, &written);
    EXPECT_EQ(kPayloadOk, CheckPayloadImage(justLongEnough.data(),
                                            static_cast<uint32_t>(justLongEnough.size()), &read));
}

}  // namespace

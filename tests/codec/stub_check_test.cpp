// What tvispack makes of a program given as the stub: the PE headers and the version
// resource read from programs made in memory (one per kind of refusal), from Wine's own
// programs (a resource compiler we did not write), and from the win32 stub when the build
// put it beside tvispack; damaged and cut headers read as refusals, never as a read
// outside the image (the sanitized suite runs these too).
#include <gtest/gtest.h>

#include <string>

#include "build_identity.h"
#include "tests/codec/native_files.h"
#include "tests/codec/test_data.h"
#include "tests/support/test_stub.h"
#include "tools/pe_image.h"
#include "tools/stub_check.h"
#include "tools/version_resource.h"

namespace {

StubIdentity Identify(const Bytes& image) { return IdentifyStub(image.data(), image.size()); }

TestStubShape Shape(uint16_t machine, uint16_t subsystem, bool dll = false) {
    TestStubShape shape;
    shape.machine = machine;
    shape.subsystem = subsystem;
    shape.dll = dll;
    return shape;
}

TEST(StubCheck, EachKindOfProgramHasItsVerdictAndItsWords) {
    TestStubShape noResource;
    noResource.versionResource = false;
    TestStubShape foreign;
    foreign.strings = {{"ProductName", "Notatnik"}, {"InternalName", "notepad"}};
    TestStubShape nameOnly;  // our product name, another program's internal name
    nameOnly.strings = {{"ProductName", "tVis upgrade installer"}, {"InternalName", "setup"}};
    Bytes mzOnly = RandomBytes(5000, 3);
    mzOnly[0] = 'M';
    mzOnly[1] = 'Z';
    const Bytes elf = ReadBytes("/proc/self/exe");
    struct Case {
        const char* what;
        Bytes image;
        StubVerdict verdict;
        const char* machine;  // null: no Windows program
        const char* words;    // in StubProblem
    } const cases[] = {
        {"our x86 stub", MakeTestStub(20000), StubVerdict::kOurs, "x86", ""},
        {"our x64 stub", MakeTestStub(20000, Shape(0x8664, 2)), StubVerdict::kOurs, "x64", ""},
        {"a console program", MakeTestStub(20000, Shape(0x14C, 3)), StubVerdict::kConsoleProgram,
         "x86", "is a console program"},
        {"a native program", MakeTestStub(20000, Shape(0x14C, 1)), StubVerdict::kOtherSubsystem,
         "x86", "of subsystem 1, not a GUI program"},
        {"a DLL", MakeTestStub(20000, Shape(0x14C, 2, true)), StubVerdict::kDll, "x86",
         "is a Windows DLL"},
        {"an ARM64 program", MakeTestStub(20000, Shape(0xAA64, 2)), StubVerdict::kUnknownMachine,
         "0xAA64", "machine 0xAA64"},
        {"no version resource", MakeTestStub(20000, noResource), StubVerdict::kNotOurs, "x86",
         "not the tvisupgrade stub (no version resource of ours: it has no version resource)"},
        {"another product", MakeTestStub(20000, foreign), StubVerdict::kNotOurs, "x86",
         "names the product 'Notatnik', the internal name 'notepad'"},
        {"half our mark", MakeTestStub(20000, nameOnly), StubVerdict::kNotOurs, "x86",
         "the internal name 'setup'"},
        {"random bytes", RandomBytes(810000, 1), StubVerdict::kNotWindowsProgram, nullptr,
         "is not a Windows program (it does not start with \"MZ\")"},
        {"MZ and nothing else", mzOnly, StubVerdict::kNotWindowsProgram, nullptr,
         "without a PE signature"},
        {"an empty file", Bytes(), StubVerdict::kNotWindowsProgram, nullptr, "MZ"},
        {"a Linux program", elf, StubVerdict::kNotWindowsProgram, nullptr, "MZ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const StubIdentity stub = Identify(c.image);
        EXPECT_EQ(c.verdict, stub.verdict);
        EXPECT_EQ(c.machine != nullptr, stub.windowsProgram);
        if (c.machine) {
            EXPECT_EQ(c.machine, stub.MachineName());
        }
        const std::string problem = StubProblem(stub);
        EXPECT_EQ(c.verdict == StubVerdict::kOurs, problem.empty()) << problem;
        EXPECT_NE(std::string::npos, problem.find(c.words)) << problem;
    }
}

TEST(StubCheck, OurStubsVersionResourceReads) {
    const StubIdentity stub = Identify(MakeTestStub(30000));
    ASSERT_TRUE(stub.hasVersionResource);
    EXPECT_EQ("1.0.0", stub.ProductVersion());
    EXPECT_EQ("0123456789abcdef0123456789abcdef01234567", stub.Commit());
    EXPECT_TRUE(stub.version.fixedInfo);
    EXPECT_EQ(1, stub.version.fileVersion[0]);
    EXPECT_EQ(
        "x86 (32-bit), tVis upgrade installer 1.0.0, commit "
        "0123456789abcdef0123456789abcdef01234567",
        StubSummary(stub));
    EXPECT_EQ(
        "x64 (64-bit), tVis upgrade installer 1.0.0, commit "
        "0123456789abcdef0123456789abcdef01234567",
        StubSummary(Identify(MakeTestStub(30000, Shape(0x8664, 2)))));
    // Texts beyond ASCII come out as UTF-8.
    TestStubShape polish;
    polish.strings = {{"ProductName", "Łódź ąę"}};
    EXPECT_EQ("Łódź ąę", Identify(MakeTestStub(30000, polish)).version.Text("ProductName"));
}

// Programs Wine ships, their resources written by a resource compiler that is not ours.
TEST(StubCheck, WinesProgramsAreWindowsProgramsButNotOurs) {
    const char* const folder = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/";
    struct Case {
        const char* file;
        StubVerdict verdict;
        bool versionResource;
    } const cases[] = {{"conhost.exe", StubVerdict::kNotOurs, true},
                       {"notepad.exe", StubVerdict::kNotOurs, false},
                       {"setx.exe", StubVerdict::kConsoleProgram, true},
                       {"advapi32.dll", StubVerdict::kDll, true}};
    int seen = 0;
    for (const Case& c : cases) {
        const std::string path = std::string(folder) + c.file;
        if (!FileExists(path)) continue;
        ++seen;
        SCOPED_TRACE(c.file);
        const StubIdentity stub = Identify(ReadBytes(path));
        EXPECT_EQ(c.verdict, stub.verdict);
        EXPECT_EQ("x64", stub.MachineName());
        ASSERT_EQ(c.versionResource, stub.hasVersionResource);
        if (!c.versionResource) continue;
        EXPECT_TRUE(stub.version.fixedInfo);
        EXPECT_EQ("Wine", stub.version.Text("ProductName"));
        EXPECT_FALSE(stub.version.Text("FileVersion").empty());
    }
    if (seen == 0) GTEST_SKIP() << "no 64-bit Wine programs on this machine";
}

// The win32 stub that scripts/test.sh copies beside tvispack after each build: ours, x86,
// of this version, and (when built from the same commit) naming it.
TEST(StubCheck, TheWin32StubOfThisTreeIsOursAndNamesItsCommit) {
    const std::string path = std::string(TVISPACK_FOLDER) + "/tvisupgrade.exe";
    if (!FileExists(path)) GTEST_SKIP() << "no win32 stub beside tvispack (" << path << ")";
    const StubIdentity stub = Identify(ReadBytes(path));
    EXPECT_EQ(StubVerdict::kOurs, stub.verdict) << StubProblem(stub);
    EXPECT_EQ("x86", stub.MachineName());
    EXPECT_EQ(TVIS_VERSION_TEXT, stub.ProductVersion());
    // A stub left from a build of an earlier commit proves nothing about this one (the
    // Windows suite checks its own stub against its own commit).
    if (stub.Commit() != TVIS_SOURCE_COMMIT) {
        GTEST_SKIP() << "the stub beside tvispack is of commit " << stub.Commit() << ", not "
                     << TVIS_SOURCE_COMMIT;
    }
}

// Every cut of our stub's headers and resources, and every byte of them changed, reads as
// some verdict; the sanitizers catch a read outside the image.
TEST(StubCheck, CutAndDamagedHeadersNeverReadOutsideTheImage) {
    const Bytes stub = MakeTestStub(2048);
    for (size_t length = 0; length <= stub.size(); ++length) {
        Bytes cut(stub.begin(), stub.begin() + static_cast<long>(length));
        cut.shrink_to_fit();
        const StubIdentity identity = Identify(cut);
        if (length < 0x200) {
            EXPECT_NE(StubVerdict::kOurs, identity.verdict) << length;
        }
    }
    for (size_t at = 0; at < 0x400; ++at) {
        for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0xFF}}) {
            Bytes damaged = stub;
            damaged[at] = value;
            (void)Identify(damaged);
        }
    }
    EXPECT_EQ(StubVerdict::kOurs, Identify(stub).verdict);
}

// A version resource whose lengths lie: each block's length beyond its parent, zero, or
// odd; a string without its NUL; the reader keeps what lies inside and stops.
TEST(StubCheck, VersionResourcesWithWrongLengthsReadAsFewerStrings) {
    const Bytes good = MakeTestVersionResource({{"ProductName", "A"}, {"InternalName", "B"}});
    VersionResource resource;
    ASSERT_TRUE(ReadVersionResource(good.data(), static_cast<uint32_t>(good.size()), &resource));
    EXPECT_EQ("A", resource.Text("ProductName"));
    EXPECT_EQ("B", resource.Text("InternalName"));
    for (size_t at = 0; at + 1 < good.size(); at += 2) {
        for (uint16_t value : {uint16_t{0}, uint16_t{5}, uint16_t{0xFFFF}}) {
            Bytes damaged = good;
            damaged[at] = static_cast<uint8_t>(value);
            damaged[at + 1] = static_cast<uint8_t>(value >> 8);
            Bytes exact(damaged.begin(), damaged.end());
            exact.shrink_to_fit();
            VersionResource read;
            ReadVersionResource(exact.data(), static_cast<uint32_t>(exact.size()), &read);
            EXPECT_LE(read.strings.size(), 2u);
        }
    }
    for (size_t length = 0; length < good.size(); ++length) {
        Bytes cut(good.begin(), good.begin() + static_cast<long>(length));
        cut.shrink_to_fit();
        VersionResource read;
        ReadVersionResource(cut.data(), static_cast<uint32_t>(cut.size()), &read);
    }
}

}  // namespace

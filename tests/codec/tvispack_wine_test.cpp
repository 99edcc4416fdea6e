// tvispack.exe under Wine builds an installer and inspects it; the records' texts in its
// JSON are what Windows' own code page 1250 conversion makes of them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "build_identity.h"
#include "payload/szdd.h"
#include "payload/trailer.h"
#include "tests/codec/test_data.h"
#include "tests/support/product_file.h"
#include "tests/support/test_stub.h"
#include "tests/support/captured_run.h"
#include "tests/support/temp_folder.h"

namespace {

std::string ToBytesString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

bool Readable(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

// tvispack.exe beside this test, else where TVIS_TEST_TVISPACK (a unix path) says.
std::string FindTvispack() {
    char own[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, own, MAX_PATH);
    std::string beside(own, n);
    beside = beside.substr(0, beside.find_last_of("\\/") + 1) + "tvispack.exe";
    if (Readable(beside)) return beside;
    const char* configured = std::getenv("TVIS_TEST_TVISPACK");
    if (configured && *configured) {
        std::string path = std::string("Z:") + configured;
        for (char& c : path)
            if (c == '/') c = '\\';
        if (Readable(path)) return path;
    }
    return std::string();
}

// The shared runner with a command line in the ANSI code page, as these tests build it.
DWORD RunWithOutput(const std::string& commandLine, const std::string& outputFile) {
    int units = MultiByteToWideChar(CP_ACP, 0, commandLine.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(units > 0 ? units : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, commandLine.c_str(), -1, &wide[0], units);
    wide.resize(wide.size() - 1);
    return ::RunWithOutput(wide, outputFile);
}

// Code page 1250 to UTF-8 through UTF-16, with the system's own tables.
std::string Cp1250ToUtf8BySystem(const std::string& text) {
    wchar_t wide[64];
    int units = MultiByteToWideChar(1250, 0, text.data(), static_cast<int>(text.size()), wide, 64);
    char utf8[256];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, units, utf8, sizeof utf8, nullptr, nullptr);
    return std::string(utf8, static_cast<size_t>(bytes));
}

// A UTF-8 text as inspect --json writes it: the C1 controls (the code page's undefined
// bytes 0x81, 0x83, 0x88, 0x90 and 0x98 become U+0081 and the like) as \u00XX.
std::string JsonText(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const unsigned char next =
            i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
        if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", next);
            out += escaped;
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

TEST(TvispackUnderWine, BuildsAndInspectsAnInstaller) {
    std::string tvispack = FindTvispack();
    if (tvispack.empty()) GTEST_SKIP() << "tvispack.exe is not readable by the Wine user";
    TempFolder dir;
    Bytes stub = MakeTestStub(50000);
    Bytes inputs[3] = {TextBytes(80000, 2), TextBytes(30000, 3), RandomBytes(20000, 4)};
    // The records' version and edition texts together hold every byte from 0x80 to 0xFF.
    RecordFields fields[3];
    for (int i = 0; i < 3; ++i) {
        std::string high;
        for (int b = 0x80 + 43 * i; b < 0x80 + 43 * (i + 1) && b < 0x100; ++b) {
            high += static_cast<char>(b);
        }
        fields[i].versionText = high.substr(0, 15);
        fields[i].editionText = high.substr(15);
        fields[i].build = -5 - i;
        PlaceRecord(inputs[i], 1000 + 100 * i, fields[i]);
    }
    ASSERT_TRUE(WriteTestFile(dir.File("stub.exe"), ToBytesString(stub)));
    ASSERT_TRUE(WriteTestFile(dir.File("qelMapE.dll"), ToBytesString(inputs[0])));
    ASSERT_TRUE(WriteTestFile(dir.File("tVisLV.exe"), ToBytesString(inputs[1])));
    ASSERT_TRUE(WriteTestFile(dir.File("tVisX.exe"), ToBytesString(inputs[2])));
    std::string q = "\"";
    std::string build = q + tvispack + q + " build --stub " + q + dir.File("stub.exe") + q +
                        " --qelmape " + q + dir.File("qelMapE.dll") + q + " --tvislv " + q +
                        dir.File("tVisLV.exe") + q + " --tvisx " + q + dir.File("tVisX.exe") + q +
                        " -o " + q + dir.File("out.exe") + q;
    EXPECT_EQ(0u, RunWithOutput(build, dir.File("build.txt")))
        << ReadTestFile(dir.File("build.txt"));

    std::string file = ReadTestFile(dir.File("out.exe"));
    ASSERT_EQ(size_t{kMinInstallerLength}, file.size());
    const uint8_t* image = reinterpret_cast<const uint8_t*>(file.data());
    PayloadTrailer trailer;
    ASSERT_EQ(kPayloadOk, CheckPayloadImage(image, static_cast<uint32_t>(file.size()), &trailer));
    const auto sizes = CarriedSizes(trailer);
    size_t offset = trailer.payloadStart;
    for (int i = 0; i < 3; ++i) {
        Bytes decoded;
        ASSERT_EQ(SzddStatus::kOk, DecodeSzdd(image + offset, sizes[i], &decoded));
        EXPECT_TRUE(inputs[i] == decoded) << i;
        offset += sizes[i];
    }

    std::string inspect = q + tvispack + q + " inspect " + q + dir.File("out.exe") + q + " --json";
    EXPECT_EQ(0u, RunWithOutput(inspect, dir.File("inspect.txt")));
    std::string report = ReadTestFile(dir.File("inspect.txt"));
    EXPECT_NE(std::string::npos, report.find("\"code\": 0,")) << report;
    EXPECT_NE(std::string::npos,
              report.find("\"payloadStart\": " + std::to_string(trailer.payloadStart)))
        << report;
    EXPECT_EQ(std::string::npos, report.find("\"decodes\": false")) << report;
    EXPECT_NE(std::string::npos, report.find("\"allFilesHoldRecords\": true,")) << report;
    for (int i = 0; i < 3; ++i) {
        const std::string member = "\n      \"";
        for (const std::string& expected :
             {member + "offset\": " + std::to_string(1000 + 100 * i) + ",",
              member + "versionText\": \"" + JsonText(Cp1250ToUtf8BySystem(fields[i].versionText)) +
                  "\",",
              member + "editionText\": \"" + JsonText(Cp1250ToUtf8BySystem(fields[i].editionText)) +
                  "\",",
              member + "build\": " + std::to_string(-5 - i) + ",",
              member + "productionTime\": \"2015.03.17  godz. 09:05.07,42\""}) {
            EXPECT_NE(std::string::npos, report.find(expected)) << i << ": " << expected;
        }
    }

    // A damaged trailer: inspect says code 5 and exits 1.
    file[file.size() - kTrailerSize] ^= 1;
    ASSERT_TRUE(WriteTestFile(dir.File("bad.exe"), file));
    std::string bad = q + tvispack + q + " inspect " + q + dir.File("bad.exe") + q + " --json";
    EXPECT_EQ(1u, RunWithOutput(bad, dir.File("bad.txt")));
    EXPECT_NE(std::string::npos, ReadTestFile(dir.File("bad.txt")).find("\"code\": 5,"));
}

// The Windows build prints the same version line as the native one: the project's version
// and the commit of the tree both were configured from.
TEST(TvispackUnderWine, VersionNamesTheCommit) {
    const std::string tvispack = FindTvispack();
    if (tvispack.empty()) GTEST_SKIP() << "tvispack.exe is not readable by the Wine user";
    TempFolder dir;
    for (const char* args : {" --version", " version"}) {
        EXPECT_EQ(0u, RunWithOutput("\"" + tvispack + "\"" + args, dir.File("version.txt")));
        EXPECT_EQ(
            std::string("tvispack ") + TVIS_VERSION_TEXT + " (commit " + TVIS_SOURCE_COMMIT + ")\n",
            ReadTestFile(dir.File("version.txt")))
            << args;
    }
}

// The build's own stub (the 64-bit one in the win64 build only with its option): the
// installer is built, and inspect names the stub's machine and commit; a Polish version
// text reaches a redirected output as UTF-8, byte for byte, in the readable report too.
TEST(TvispackUnderWine, BuildsFromTheRealStubAndPrintsUtf8WhenRedirected) {
    const std::string tvispack = FindTvispack();
    if (tvispack.empty()) GTEST_SKIP() << "tvispack.exe is not readable by the Wine user";
    const std::string stub =
        tvispack.substr(0, tvispack.find_last_of("\\/") + 1) + "tvisupgrade.exe";
    if (!Readable(stub)) GTEST_SKIP() << "no tvisupgrade.exe beside tvispack.exe";
    TempFolder dir;
    RecordFields polish;
    polish.versionText = "5.3 \xA3\xF3\x64\x9F";  // "5.3 Łódź" in code page 1250
    const char* const names[3] = {"qelMapE.dll", "tVisLV.exe", "tVisX.exe"};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(WriteTestFile(dir.File(names[i]),
                                  ToBytesString(MakeProductFile(30000 + 1000 * i, 100, polish))));
    }
    const std::string q = "\"";
    std::string build = q + tvispack + q + " build --stub " + q + stub + q;
    for (int i = 0; i < 3; ++i) {
        const char* const options[3] = {" --qelmape ", " --tvislv ", " --tvisx "};
        build += options[i] + q + dir.File(names[i]) + q;
    }
    build += " -o " + q + dir.File("out.exe") + q;
    const bool is64 = sizeof(void*) == 8;
    if (is64) {
        EXPECT_EQ(1u, RunWithOutput(build, dir.File("refused.txt")));
        EXPECT_NE(std::string::npos,
                  ReadTestFile(dir.File("refused.txt")).find("is the 64-bit installer stub (x64"));
        build += " --allow-64-bit-stub";
    }
    ASSERT_EQ(0u, RunWithOutput(build, dir.File("build.txt")))
        << ReadTestFile(dir.File("build.txt"));
    const std::string summary = ReadTestFile(dir.File("build.txt"));
    const std::string stubLine =
        std::string("\n  stub: ") + (is64 ? "x64 (64-bit)" : "x86 (32-bit)") +
        ", tVis upgrade installer " + TVIS_VERSION_TEXT + ", commit " + TVIS_SOURCE_COMMIT + "\n";
    EXPECT_NE(std::string::npos, summary.find(stubLine)) << summary;

    ASSERT_EQ(0u, RunWithOutput(q + tvispack + q + " inspect " + q + dir.File("out.exe") + q,
                                dir.File("inspect.txt")));
    const std::string report = ReadTestFile(dir.File("inspect.txt"));
    for (const std::string& line : {std::string("\n    machine: ") + (is64 ? "x64" : "x86") + "\n",
                                    std::string("\n    tvisupgrade: yes\n"),
                                    std::string("\n    commit: ") + TVIS_SOURCE_COMMIT + "\n",
                                    std::string("\n      versionText: 5.3 \xC5\x81\xC3\xB3"
                                                "d\xC5\xBA\n")}) {
        EXPECT_NE(std::string::npos, report.find(line)) << line << "\n" << report;
    }
    // Lines end as on Linux: the text goes out as bytes, not through the C runtime's text mode.
    EXPECT_EQ(std::string::npos, report.find('\r'));
}

// A device and a folder are refused at once, by name.
TEST(TvispackUnderWine, DevicesAndFoldersAreRefused) {
    const std::string tvispack = FindTvispack();
    if (tvispack.empty()) GTEST_SKIP() << "tvispack.exe is not readable by the Wine user";
    TempFolder dir;
    ASSERT_TRUE(CreateDirectoryA(dir.File("folder").c_str(), nullptr));
    struct Case {
        std::string path;
        const char* words;
    } const cases[] = {{"NUL", "it is a device or a pipe, not a file"},
                       {"\\\\.\\pipe\\tvis-none", "it is a device or a pipe, not a file"},
                       {dir.File("folder"), "it is a folder, not a file"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(1u, RunWithOutput("\"" + tvispack + "\" inspect \"" + c.path + "\"",
                                    dir.File("out.txt")));
        const std::string out = ReadTestFile(dir.File("out.txt"));
        EXPECT_NE(std::string::npos, out.find(c.words)) << out;
    }
}

// Text meant for a console reaches it as UTF-16 (WriteConsoleW), so a Polish name shows
// right whatever the console's code page; UTF-8 bytes written to it would show as that
// code page reads them ("Å\x81..."). The program's standard error is a screen buffer of the
// test's console, read back cell by cell.
TEST(TvispackUnderWine, PolishTextReachesAConsoleAsCharacters) {
    const std::string tvispack = FindTvispack();
    if (tvispack.empty()) GTEST_SKIP() << "tvispack.exe is not readable by the Wine user";
    // A console of the test's own: the one Wine gives a program started with its output
    // redirected has no screen buffers to make.
    FreeConsole();
    ASSERT_TRUE(AllocConsole()) << GetLastError();
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE screen =
        CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inherit, CONSOLE_TEXTMODE_BUFFER, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, screen) << GetLastError();
    DWORD mode = 0;
    ASSERT_TRUE(GetConsoleMode(screen, &mode));
    TempFolder dir;
    // A name no file has: the refusal names it on standard error.
    const std::wstring name = L"\u0141\u00F3d\u017A-brak.exe";  // "Łódź-brak.exe"
    std::wstring line = L"\"" + std::wstring(tvispack.begin(), tvispack.end()) + L"\" inspect \"" +
                        std::wstring(dir.path().begin(), dir.path().end()) + name + L"\"";
    const DWORD code = RunWithOutputHandle(line, screen);
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    GetConsoleScreenBufferInfo(screen, &info);
    const DWORD cells = static_cast<DWORD>(info.dwSize.X) * (info.dwCursorPosition.Y + 1);
    std::wstring shown(cells, L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(screen, &shown[0], cells, COORD{0, 0}, &read);
    shown.resize(read);
    CloseHandle(screen);
    EXPECT_EQ(1u, code);
    EXPECT_NE(std::wstring::npos, shown.find(L"tvispack: cannot read")) << shown.size();
    EXPECT_NE(std::wstring::npos, shown.find(name + L"'")) << shown.size();
}

}  // namespace

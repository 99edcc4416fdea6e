// lz32.dll is never taken from the installer's own folder. ctest runs this program twice,
// with Wine's DLL overrides set for the whole process tree:
//   WINEDLLOVERRIDES=lz32=n,b  a native lz32.dll is preferred, so a planted copy beside a
//                              program is found by a plain load (the trap is checked);
//   WINEDLLOVERRIDES=lz32=     lz32 cannot be loaded at all: the built-in decoder works.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "payload/extract.h"
#include "payload/lz_expand.h"
#include "support/file_access.h"
#include "tests/support/installer_image.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Overrides() {
    char value[256] = {};
    GetEnvironmentVariableA("WINEDLLOVERRIDES", value, sizeof value);
    return value;
}

// Runs extract_probe.exe in `folder` (its own folder is the search path's first entry).
DWORD RunProbe(const std::string& folder, const std::string& arguments) {
    std::string probe = folder + "extract_probe.exe";
    std::string command = "\"" + probe + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(probe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process)) {
        return 1000;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1001;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

class PlantedDll : public ::testing::Test {
protected:
    void SetUp() override {
        downloads = place.File("downloads\\");
        ASSERT_TRUE(CreateDirectoryA(downloads.c_str(), nullptr));
        ASSERT_TRUE(CopyFileA(BesideThisProgram("extract_probe.exe").c_str(),
                              (downloads + "extract_probe.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(BesideThisProgram("planted_lz32.dll").c_str(),
                              (downloads + "lz32.dll").c_str(), FALSE));
        marker = place.File("planted-was-loaded");
        SetEnvironmentVariableA("TVIS_TEST_PLANT_MARKER", marker.c_str());
        installer = downloads + "setup.exe";
        ASSERT_TRUE(WriteTestFile(installer, ToString(payload.installer)));
    }

    // Unpacks the planted folder's installer in a probe started from that folder.
    void ExpectCleanExtraction() {
        std::string out = place.File("out\\");
        ASSERT_TRUE(CreateDirectoryA(out.c_str(), nullptr));
        // Without its final backslash: before a closing quote it would escape the quote.
        std::string folder = out.substr(0, out.size() - 1);
        EXPECT_EQ(0u, RunProbe(downloads, "\"" + installer + "\" \"" + folder + "\""));
        EXPECT_FALSE(TestFileExists(marker)) << "the planted lz32.dll was loaded";
        const char* const names[3] = {"qelmape.dllu", "tvislv.exeu", "tvisx.exeu"};
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(ToString(payload.plain[i]) == ReadTestFile(out + names[i])) << names[i];
        }
    }

    Payload payload = MakePayload();
    TempFolder place;
    std::string downloads;
    std::string marker;
    std::string installer;
};

TEST_F(PlantedDll, NeverLoadedFromTheInstallersFolder) {
    if (Overrides() != "lz32=n,b") GTEST_SKIP() << "runs with WINEDLLOVERRIDES=lz32=n,b";
    // The trap works: a plain load from that folder takes the planted copy.
    EXPECT_EQ(0u, RunProbe(downloads, "--plain-load"));
    ASSERT_TRUE(TestFileExists(marker)) << "a planted DLL would not be detected";
    DeleteFileA(marker.c_str());
    ExpectCleanExtraction();
}

TEST_F(PlantedDll, BuiltInDecoderServesWhenLz32CannotBeLoaded) {
    if (Overrides() != "lz32=") GTEST_SKIP() << "runs with WINEDLLOVERRIDES=lz32=";
    EXPECT_FALSE(SystemLzAvailable());
    ExpectCleanExtraction();
}

}  // namespace

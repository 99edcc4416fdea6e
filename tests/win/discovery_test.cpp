// Finding the installed product through the real registry of the test's Wine prefix
// and real folders on its drive C:.
#include "app/discovery.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/registry.h"
#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "support/diagnostics.h"
#include "support/file_access.h"
#include "tests/support/installer_fixture.h"
#include "tests/support/installer_image.h"
#include "tests/support/product_file.h"
#include "tests/support/stdout_capture.h"
#include "tests/support/temp_folder.h"
#include "version/version_reader.h"

namespace {

// The installer reads the 32-bit registry view in both builds, where the product keeps its
// values; `view` puts a value in the other one.
void SetRegText(HKEY root, const char* name, const std::string& value,
                REGSAM view = KEY_WOW64_32KEY) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, kProductKey, 0, nullptr, 0, KEY_WRITE | view,
                                             nullptr, &key, nullptr));
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

void ClearProductKeys() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            RegDeleteKeyExA(root, kProductKey, view, 0);
        }
    }
}

// Writes the three product files (or the unpacked copies) into a folder.
void WriteProductFiles(const std::string& folder, const char* const names[3],
                       uint32_t libraryBuild) {
    RecordFields fields;
    fields.build = static_cast<int32_t>(libraryBuild);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(WriteTestFile(folder + names[i], ToString(MakeProductFile(3000, 500, fields))));
    }
}

const char* const kInstalledNames[3] = {"tVisLV.exe", "tVisX.exe", "qelMapE.dll"};
const char* const kUnpackedNames[3] = {"tvislv.exeu", "tvisx.exeu", "qelmape.dllu"};

class Discovery : public InstallerCodeTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(InstallerCodeTest::SetUp());
        ClearProductKeys();
        RemoveDefaultFolders();
        std::strncpy(workFolder, work.path().c_str(), sizeof workFolder - 1);
        WriteProductFiles(work.path(), kUnpackedNames, 777);
        app = place.File("App\\");
        CreateDirectoryA(app.c_str(), nullptr);
        WriteProductFiles(app, kInstalledNames, 1234567);
        EmptyLog();
    }
    void TearDown() override {
        ClearProductKeys();
        RemoveDefaultFolders();
        InstallerCodeTest::TearDown();
    }

    static void RemoveDefaultFolders() {
        for (const char* folder : kDefaultFolders) {
            for (const char* name : kInstalledNames)
                DeleteFileA((std::string(folder) + name).c_str());
            RemoveDirectoryA(folder);
        }
        RemoveDirectoryA("C:\\Programs");
    }

    // Runs the discovery with its trace captured.
    DiscoveryOutcome Find() {
        StdoutCapture capture(place.File("trace.txt"));
        DiscoveryOutcome found = FindInstalledProduct(dialog.get());
        trace = capture.Finish();
        return found;
    }

    int Count(const std::string& text) const {
        int n = 0;
        for (size_t at = trace.find(text); at != std::string::npos; at = trace.find(text, at + 1))
            ++n;
        return n;
    }

    TempFolder work;
    TempFolder place;
    std::string app;  // a folder holding the installed product, with its separator
    std::string trace;
};

TEST_F(Discovery, MachineValuePathWinsAtTheFirstStep) {
    SetRegText(HKEY_LOCAL_MACHINE, "path", app);
    SetRegText(HKEY_CURRENT_USER, "path", "C:\\elsewhere\\");
    ASSERT_EQ(DiscoveryOutcome::kUpgradePossible, Find());
    EXPECT_EQ(app, candidateFolder);
    EXPECT_EQ(app.substr(0, app.size() - 1), productFolder);
    EXPECT_TRUE(upgradePossible);
    EXPECT_EQ(1, Count("test key: HKLM SOFTWARE\\qelWawPl\\tv5 path\r\n"));
    EXPECT_EQ(0, Count("test key: HKCU"));
    EXPECT_EQ(1, Count("test path: " + app + "\r\nOK   path: " + app + "\r\n"));
    EXPECT_EQ(2, Count("Upath 1: " + app.substr(0, app.size() - 1) + "\r\n"));
    EXPECT_EQ(1, Count("Upath 1: " + app + "\r\n"));
    // Both versions are shown.
    EXPECT_EQ(L"1.234.567", dialog.Text(kInstalledBuildId));
    EXPECT_EQ(L"777", dialog.Text(kUpgradeBuildId));
    EXPECT_TRUE(watcher.Seen().empty());
}

// Both builds read the 32-bit view of HKLM, where the 32-bit product writes its values (on
// 64-bit Windows, SOFTWARE\WOW6432Node): a value only in the 64-bit view is not seen.
TEST_F(Discovery, MachineValuesAreReadFromThe32BitViewInEitherBuild) {
    SetRegText(HKEY_LOCAL_MACHINE, "path", app, KEY_WOW64_64KEY);
    EXPECT_EQ(DiscoveryOutcome::kNotFound, Find());
    EXPECT_FALSE(upgradePossible);
    ClearProductKeys();
    SetRegText(HKEY_LOCAL_MACHINE, "path", app, KEY_WOW64_32KEY);
    ASSERT_EQ(DiscoveryOutcome::kUpgradePossible, Find());
    EXPECT_EQ(app, candidateFolder);
}

TEST_F(Discovery, StepsRunInOrderUntilOneFolderPasses) {
    struct Case {
        const char* what;
        HKEY root;
        const char* value;
        std::string suffix;  // appended to the App folder text
        int stepsTraced;
    } const cases[] = {
        {"user path", HKEY_CURRENT_USER, "path", "", 2},
        {"machine pathM with MAPY", HKEY_LOCAL_MACHINE, "pathM", "MAPY\\", 3},
        {"user pathM", HKEY_CURRENT_USER, "pathM", "", 4},
        {"machine pathX", HKEY_LOCAL_MACHINE, "pathX", "mapy/", 5},
        {"user pathX", HKEY_CURRENT_USER, "pathX", "", 6},
    };
    const char* const kTraces[6] = {
        "test key: HKLM SOFTWARE\\qelWawPl\\tv5 path\r\n",
        "test key: HKCU SOFTWARE\\qelWawPl\\tv5 path \r\n",
        "test key: HKLM SOFTWARE\\qelWawPl\\tv5 pathM\r\n",
        "test key: HKCU SOFTWARE\\qelWawPl\\tv5 pathM\r\n",
        "test key: HKLM SOFTWARE\\qelWawPl\\tv5 pathX\r\n",
        "test key: HKCU SOFTWARE\\qelWawPl\\tv5 pahtX\r\n",
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearProductKeys();
        SetRegText(c.root, c.value, app + c.suffix);
        ASSERT_EQ(DiscoveryOutcome::kUpgradePossible, Find());
        EXPECT_EQ(app.substr(0, app.size() - 1), productFolder);
        EXPECT_EQ(app, candidateFolder);
        size_t last = 0;
        for (int step = 0; step < 6; ++step) {
            size_t at = trace.find(kTraces[step]);
            EXPECT_EQ(step < c.stepsTraced, at != std::string::npos) << kTraces[step];
            if (at != std::string::npos) {
                EXPECT_LE(last, at);
                last = at;
            }
        }
    }
}

TEST_F(Discovery, FolderTextsThatFailTheTest) {
    struct Case {
        const char* what;
        std::string text;
        std::string traced;  // as the test traces it
    } const cases[] = {
        {"no trailing separator", app.substr(0, app.size() - 1), app.substr(0, app.size() - 1)},
        {"text with .exe", app + "tVisX.exe -x", app + "tVisX.exe"},
        {"missing folder", place.File("Nowhere\\"), place.File("Nowhere\\")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearProductKeys();
        SetRegText(HKEY_LOCAL_MACHINE, "path", c.text);
        SetRegText(HKEY_CURRENT_USER, "pathX", app);  // the last step still finds it
        ASSERT_EQ(DiscoveryOutcome::kUpgradePossible, Find());
        EXPECT_EQ(1, Count("ERR  path: " + c.traced + "\r\n")) << trace;
        EXPECT_EQ(1, Count("test key: HKCU SOFTWARE\\qelWawPl\\tv5 pahtX\r\n"));
        EXPECT_EQ(app, candidateFolder);
    }
}

TEST_F(Discovery, EmptyProductFileFailsTheFolder) {
    ASSERT_TRUE(WriteTestFile(app + "tVisX.exe", ""));
    char text[kFolderTextSize] = {};
    std::strncpy(text, app.c_str(), sizeof text - 1);
    EXPECT_EQ(0, TestProductFolder(text));
    ASSERT_TRUE(WriteTestFile(app + "tVisX.exe", "x"));
    EXPECT_EQ(1, TestProductFolder(text));
    char empty[kFolderTextSize] = {};
    EXPECT_EQ(0, TestProductFolder(empty));
}

TEST_F(Discovery, FolderPassesOnlyWhileItsLibraryPathFitsTheFileFunctions) {
    // The folder text with its final backslash + "qelMapE.dll" must stay within 259
    // characters: the same 247-character product folder that the procedure can write in.
    for (size_t length : {246, 247, 248, 250}) {
        SCOPED_TRACE(length);
        std::string folder = place.File(std::string(length - place.path().size(), 'd'));
        ASSERT_TRUE(CreateTestFolder(folder));
        WriteProductFiles(folder + "\\", kInstalledNames, 1234567);
        char text[kFolderTextSize] = {};
        std::strncpy(text, (folder + "\\").c_str(), sizeof text - 1);
        EXPECT_EQ(length <= 247 ? 1 : 0, TestProductFolder(text));
    }
}

TEST_F(Discovery, DefaultFoldersAreTriedAfterTheRegistry) {
    for (const char* folder : {kDefaultFolders[1], kDefaultFolders[0]}) {
        SCOPED_TRACE(folder);
        CreateDirectoryA("C:\\Programs", nullptr);
        CreateDirectoryA(folder, nullptr);
        WriteProductFiles(folder, kInstalledNames, 42);
        SetRegText(HKEY_LOCAL_MACHINE, "path", place.File("Nowhere\\"));
        ASSERT_EQ(DiscoveryOutcome::kUpgradePossible, Find());
        EXPECT_STREQ(folder, candidateFolder);
        EXPECT_EQ(std::string(folder).substr(0, std::strlen(folder) - 1), productFolder);
        EXPECT_EQ(L"42", dialog.Text(kInstalledBuildId));
        EXPECT_EQ(6, Count("test key: "));  // every registry step ran first
    }
}

TEST_F(Discovery, NothingFoundShowsTheMessageBox) {
    SetRegText(HKEY_LOCAL_MACHINE, "path", place.File("Nowhere\\"));
    EXPECT_EQ(DiscoveryOutcome::kNotFound, Find());
    EXPECT_FALSE(upgradePossible);
    std::vector<SeenMessageBox> boxes = watcher.Seen();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(
        L"Nie można odnaleźć zainstalowanego oprogramowania tVis (#1).\r\n\r\n"
        L"Uaktualnienie jest niemożliwe.",
        boxes[0].text);
    EXPECT_EQ(L"", boxes[0].caption);
    EXPECT_EQ(nullptr, boxes[0].owner);
    EXPECT_TRUE(boxes[0].topmost);
    EXPECT_TRUE(boxes[0].hasIcon);
    EXPECT_EQ("", ReadTestFile(kLogFilePath));  // nothing was read, nothing logged
}

TEST_F(Discovery, MissingUnpackedFileStopsBeforeTheRegistry) {
    for (const char* name : kUnpackedNames) {
        SCOPED_TRACE(name);
        WriteProductFiles(work.path(), kUnpackedNames, 777);
        DeleteFileA(work.File(name).c_str());
        SetRegText(HKEY_LOCAL_MACHINE, "path", app);
        EXPECT_EQ(DiscoveryOutcome::kCopiesMissing, Find());
        EXPECT_EQ(L"Uszkodzone pliki uaktualnienia.", dialog.Text(kStageLineId));
        EXPECT_EQ(0, Count("test key:"));
        EXPECT_FALSE(upgradePossible);
    }
    EXPECT_TRUE(watcher.Seen().empty());
}

TEST_F(Discovery, DamagedCarriedRecordShowsTheInstalledCopyOnly) {
    ASSERT_TRUE(WriteTestFile(work.File("qelmape.dllu"), ToString(MakeFileWithoutRecord(4000))));
    SetRegText(HKEY_LOCAL_MACHINE, "path", app);
    EXPECT_EQ(DiscoveryOutcome::kVersionsUnreadable, Find());
    EXPECT_FALSE(upgradePossible);
    EXPECT_EQ(L"1.234.567", dialog.Text(kInstalledBuildId));
    EXPECT_EQ(L"", dialog.Text(kUpgradeBuildId));
    EXPECT_EQ(1, Count("Brak wersji upgrade\r\n"));
    EXPECT_EQ(0, Count("Brak wersji na dysku\r\n"));
    std::vector<SeenMessageBox> boxes = watcher.Seen();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"#4.1 Uszkodzony plik.", boxes[0].caption);
}

TEST_F(Discovery, PercentSignInAFolderIsTracedUnchanged) {
    std::string odd = place.File("100%d %s\\");
    ASSERT_TRUE(CreateDirectoryA(odd.c_str(), nullptr));
    WriteProductFiles(odd, kInstalledNames, 5);
    SetRegText(HKEY_LOCAL_MACHINE, "path", odd);
    ASSERT_EQ(DiscoveryOutcome::kUpgradePossible, Find());
    EXPECT_EQ(1, Count("test path: " + odd + "\r\n")) << trace;
    EXPECT_EQ(1, Count("OK   path: " + odd + "\r\n"));
    EXPECT_EQ(1, Count("Upath 1: " + odd + "\r\n"));
    EXPECT_EQ(std::string(productFolder) + "\r\n",
              trace.substr(trace.find("WersjaNaDysku: ") + 15, std::strlen(productFolder) + 2));
}

TEST(Registry, ProbeLeavesItsValueUnderTheMachineHive) {
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\qelWawPl\\", KEY_WOW64_32KEY, 0);
    hklmWritable = false;
    ProbeMachineHive();
    EXPECT_TRUE(hklmWritable);
    DWORD value = 0, size = sizeof value, type = 0;
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\qelWawPl", 0,
                                           KEY_READ | KEY_WOW64_32KEY, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "HKLMtest", nullptr, &type,
                                              reinterpret_cast<BYTE*>(&value), &size));
    RegCloseKey(key);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(0x12348765u, value);
}

TEST(Registry, StringsAreCopiedWithinBounds) {
    ClearProductKeys();
    struct Case {
        size_t length;
        unsigned maximum;
        int result;
        size_t kept;
    } const cases[] = {
        {300, 258, 1, 257}, {10, 258, 1, 10},  {509, 600, 1, 509},
        {511, 258, 0, 0},   {2000, 258, 0, 0}, {50, 0, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::string value(c.length, 'v');
        SetRegText(HKEY_CURRENT_USER, "path", value);
        char output[700];
        std::memset(output, 'X', sizeof output);
        output[sizeof output - 1] = '\0';
        if (c.maximum > 0) std::memset(output, 0, c.maximum);
        EXPECT_EQ(c.result,
                  ReadRegString(HKEY_CURRENT_USER, kProductKey, c.maximum, "path", output));
        if (c.maximum > 0) {
            EXPECT_EQ(c.kept, std::strlen(output));
            // Nothing past the caller's maximum was written.
            EXPECT_EQ('X', output[c.maximum]);
        } else {
            EXPECT_EQ('X', output[0]);
        }
    }
    // A binary value is taken as text; a missing key leaves the output untouched.
    char untouched[16] = "keep";
    EXPECT_EQ(0,
              ReadRegString(HKEY_CURRENT_USER, "SOFTWARE\\qelWawPl\\none", 258, "path", untouched));
    EXPECT_STREQ("keep", untouched);
    ClearProductKeys();
}

}  // namespace

// Reading the installed and the carried version record and showing them in the real
// UPGRADE dialog, with the log entries and the message boxes of each failure.
#include "app/version_view.h"
#include "version/version_reader.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "support/diagnostics.h"
#include "support/file_access.h"
#include "tests/support/installer_fixture.h"
#include "tests/support/installer_image.h"
#include "tests/support/product_file.h"
#include "tests/support/temp_folder.h"

namespace {

void SetFolder(char* target, size_t size, const std::string& text) {
    std::memset(target, 0, size);
    std::strncpy(target, text.c_str(), size - 1);
}

class VersionDisplay : public InstallerCodeTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(InstallerCodeTest::SetUp());
        CreateDirectoryA(product.File("App").c_str(), nullptr);
        folder = product.File("App");
        SetFolder(workFolder, sizeof workFolder, work.path());
        EmptyLog();
    }
    std::string InstalledPath() const { return product.File("App\\qelMapE.dll"); }
    void WriteInstalled(const std::vector<uint8_t>& data) {
        ASSERT_TRUE(WriteTestFile(InstalledPath(), ToString(data)));
    }
    void WriteUpgrade(const std::vector<uint8_t>& data) {
        ASSERT_TRUE(WriteTestFile(work.File("qelmape.dllu"), ToString(data)));
    }

    TempFolder product;
    std::string folder;  // the installed folder handed to the display
    TempFolder work;
};

TEST_F(VersionDisplay, InstalledCopyFillsItsRowsTitleAndLog) {
    RecordFields fields;
    fields.versionText = "5.2 \xB9\x9C\xBF";  // "5.2 ąśż" in code page 1250
    WriteInstalled(MakeProductFile(200000, 12345, fields));

    ASSERT_EQ(1, ShowInstalledVersion(dialog.get(), folder.c_str()));
    EXPECT_EQ(L"5.2 ąśż", dialog.Text(kInstalledVersionId));
    EXPECT_EQ(L"1.234.567", dialog.Text(kInstalledBuildId));
    EXPECT_EQ(L"build", dialog.Text(kInstalledBuildLabelId));
    EXPECT_EQ(L"2015.03.17  godz. 09:05.07,42", dialog.Text(kInstalledDateId));
    EXPECT_EQ(L"Uaktualnienie tVis (ZRP)", dialog.Title());
    EXPECT_FALSE(kwilEdition);
    EXPECT_EQ("#3 read: " + InstalledPath() + "\r\n" +
                  "on HD version: 5.2 \xB9\x9C\xBF\r\n"
                  "on HD serial : 1234567\r\n",
              ReadTestFile(kLogFilePath));
    EXPECT_TRUE(watcher.Seen().empty());
}

TEST_F(VersionDisplay, FolderEndingInASeparatorGetsNoSecondOne) {
    WriteInstalled(MakeProductFile(5000, 100, RecordFields()));
    for (const char* end : {"\\", "/"}) {
        folder = product.File("App") + end;
        EmptyLog();
        ASSERT_EQ(1, ShowInstalledVersion(dialog.get(), folder.c_str())) << end;
        std::string log = ReadTestFile(kLogFilePath);
        EXPECT_EQ(0u, log.find("#3 read: " + product.File("App") + end + "qelMapE.dll\r\n")) << log;
    }
}

TEST_F(VersionDisplay, KwilEditionSetsItsTitleAndKeepsIt) {
    struct Case {
        const char* edition;
        bool kwil;
    } const cases[] = {
        {"R2A", true}, {"R2A.1", true}, {"R2AX", false}, {"r2a", false}, {"R2", false}};
    for (const Case& c : cases) {
        kwilEdition = false;
        RecordFields fields;
        fields.editionText = c.edition;
        WriteInstalled(MakeProductFile(5000, 100, fields));
        ASSERT_EQ(1, ShowInstalledVersion(dialog.get(), folder.c_str())) << c.edition;
        EXPECT_EQ(c.kwil, kwilEdition) << c.edition;
        EXPECT_EQ(c.kwil ? L"Uaktualnienie systemu KWIL" : L"Uaktualnienie tVis (ZRP)",
                  dialog.Title())
            << c.edition;
    }
    // Once KWIL, always KWIL: a later copy of another edition keeps the title.
    kwilEdition = true;
    WriteInstalled(MakeProductFile(5000, 100, RecordFields()));
    ASSERT_EQ(1, ShowInstalledVersion(dialog.get(), folder.c_str()));
    EXPECT_TRUE(kwilEdition);
    EXPECT_EQ(L"Uaktualnienie systemu KWIL", dialog.Title());
}

TEST_F(VersionDisplay, CarriedCopyFillsItsRowsAndLog) {
    RecordFields fields;
    fields.build = 999;
    fields.hundredths = 150;
    fields.dateChars = "260101";
    WriteUpgrade(MakeProductFile(70000, 4096, fields));

    ASSERT_EQ(1, ShowUpgradeVersion(dialog.get()));
    EXPECT_EQ(L"999", dialog.Text(kUpgradeBuildId));
    EXPECT_EQ(L"build", dialog.Text(kUpgradeBuildLabelId));
    EXPECT_EQ(L"2026.01.01  godz. 09:05.07,50", dialog.Text(kUpgradeDateId));
    EXPECT_EQ(L"  Uaktualnienie", dialog.Title());  // only the installed copy sets the title
    EXPECT_EQ(
        "#2 read: qelMapE.dllu\r\n"
        "on CD serial : 999\r\n"
        "on CD version: 2026.01.01  godz. 09:05.07,50\r\n",
        ReadTestFile(kLogFilePath));
}

struct FailureCase {
    const char* what;
    bool installed;          // which reader
    int damage;              // 0 missing, 1 empty, 2 no record
    const wchar_t* caption;  // null: no message box
};

const FailureCase kFailures[] = {
    {"installed missing", true, 0, nullptr},
    {"installed empty", true, 1, nullptr},
    {"installed without record", true, 2, L"#4.2 Uszkodzony plik."},
    {"carried missing", false, 0, nullptr},
    {"carried empty", false, 1, nullptr},
    {"carried without record", false, 2, L"#4.1 Uszkodzony plik."},
};

TEST_F(VersionDisplay, FailuresLeaveTheDialogUntouchedAndSayWhy) {
    for (const FailureCase& c : kFailures) {
        SCOPED_TRACE(c.what);
        std::string path = c.installed ? InstalledPath() : work.File("qelmape.dllu");
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
        if (c.damage == 1) {
            ASSERT_TRUE(WriteTestFile(path, ""));
        }
        if (c.damage == 2) {
            ASSERT_TRUE(WriteTestFile(path, ToString(MakeFileWithoutRecord(50000))));
        }
        EmptyLog();
        size_t boxesBefore = watcher.Seen().size();

        int shown = c.installed ? ShowInstalledVersion(dialog.get(), folder.c_str())
                                : ShowUpgradeVersion(dialog.get());

        EXPECT_EQ(0, shown);
        EXPECT_EQ(L"...", dialog.Text(kInstalledVersionId));
        EXPECT_EQ(L"...", dialog.Text(kUpgradeDateId));
        EXPECT_EQ(L"", dialog.Text(kInstalledBuildId));
        EXPECT_EQ(L"  Uaktualnienie", dialog.Title());
        EXPECT_FALSE(kwilEdition);

        std::vector<SeenMessageBox> boxes = watcher.Seen();
        if (c.caption == nullptr) {
            EXPECT_EQ(boxesBefore, boxes.size());
            EXPECT_EQ("", ReadTestFile(kLogFilePath));
            continue;
        }
        ASSERT_EQ(boxesBefore + 1, boxes.size());
        const SeenMessageBox& box = boxes.back();
        EXPECT_EQ(c.caption, box.caption);
        std::wstring expectedText(path.begin(), path.end());
        if (!c.installed) expectedText = L"qelMapE.dllu";
        EXPECT_EQ(expectedText, box.text);
        EXPECT_EQ(nullptr, box.owner);
        EXPECT_EQ(c.installed, box.topmost);  // system-modal for the installed copy only
        EXPECT_FALSE(box.hasIcon);
        EXPECT_EQ(1u, box.buttons.size());
        // The file was named in the log before it was read.
        std::string label = c.installed ? "#3 read: " + path : "#2 read: qelMapE.dllu";
        EXPECT_EQ(label + "\r\n", ReadTestFile(kLogFilePath));
    }
}

// Only a 32-bit process is sure to be refused a block of almost 4 GB.
#if !defined(_WIN64)
TEST_F(VersionDisplay, NoMemoryForTheWholeFileIsReported) {
    // A sparse file of almost 4 GB: its length is readable, but no 32-bit process can
    // have a block of that size.
    HANDLE file = CreateFileA(InstalledPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    LONG high = 0;
    SetFilePointer(file, static_cast<LONG>(0xF0000000u), &high, FILE_BEGIN);
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
    ASSERT_EQ(0xF0000000u, GetFileLength("", InstalledPath().c_str()));

    EXPECT_EQ(0, ShowInstalledVersion(dialog.get(), folder.c_str()));
    std::vector<SeenMessageBox> boxes = watcher.Seen();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Błąd", boxes[0].caption);
    EXPECT_EQ(L"Brak pamięci", boxes[0].text);
    EXPECT_TRUE(boxes[0].topmost);
    EXPECT_EQ("", ReadTestFile(kLogFilePath));
    DeleteFileA(InstalledPath().c_str());
}
#endif

}  // namespace

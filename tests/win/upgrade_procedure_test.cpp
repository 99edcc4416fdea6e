// The upgrade procedure on real files under Wine: the three installed files replaced in
// order, byte for byte; every failure with its boxes, log, trace and what stays on disk.
#include "app/upgrade_procedure.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/discovery.h"
#include "app/version_view.h"
#include "payload/carried_files.h"
#include "payload/extract.h"
#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "support/diagnostics.h"
#include "support/file_access.h"
#include "support/sha256.h"
#include "tests/support/installer_fixture.h"
#include "tests/support/installer_image.h"
#include "tests/support/product_file.h"
#include "tests/support/stdout_capture.h"
#include "tests/support/temp_folder.h"
#include "version/version_reader.h"

namespace {

constexpr int kTargetHeldFailure = static_cast<int>(StepFailure::kTargetHeld);
const std::wstring kSuccessText = L"Aktualizacja oprogramowania zakończona poprawnie.";
const std::wstring kRunningWarning =
    L"Wystąpił błąd: Program tVis OL lub LV jest uruchomiony.\r\n\r\n"
    L"Aktualizacja jest niemożliwa.";
const std::wstring kDamagedWarning =
    L"Wystąpił błąd:\r\n\r\nProgram tVis OL lub LV jest uruchomiony,\r\n"
    L"albo uaktualnienie jest uszkodzone.\r\n\r\nAktualizacja jest niemożliwa.";

class UpgradeProcedure : public InstallerCodeTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(InstallerCodeTest::SetUp());
        std::strncpy(workFolder, work.path().c_str(), sizeof workFolder - 1);
        // A percent sign travels through the traces.
        ASSERT_NO_FATAL_FAILURE(PlaceProduct(place.File("tVis 100%")));
    }
    // The installed product in `folder` (created when missing), the new copies in the work
    // folder, both flags clear and the log empty.
    void PlaceProduct(const std::string& folder) {
        writeFailed = false;
        kwilEdition = false;
        product = folder;
        CreateTestFolder(product);  // cases that start afresh find it there
        std::memset(productFolder, 0, sizeof productFolder);
        std::strncpy(productFolder, product.c_str(), sizeof productFolder - 1);

        RecordFields old;
        old.build = 1000;
        RecordFields fresh;
        fresh.build = 2000;
        for (int i = 0; i < kPayloadFileCount; ++i) {
            // Sizes differ per file, so a file written to the wrong target shows.
            installed[i] = ToString(MakeProductFile(90000 + 1000 * i, 700, old));
            upgrade[i] = ToString(MakeProductFile(120000 + 3000 * i, 900 + i, fresh));
            ASSERT_TRUE(WriteTestFile(Target(i), installed[i]));
            ASSERT_TRUE(WriteTestFile(work.File(kCarriedFiles[i].workName), upgrade[i]));
            // What the unpacking knows of each new copy from the payload.
            newCopyDigest[i] = Sha256Of(upgrade[i].data(), upgrade[i].size());
            newCopyKnown[i] = true;
        }
        EmptyLog();
    }
    std::string Target(int index) const {
        return product + "\\" + kCarriedFiles[index].productName;
    }
    std::string Installed(int index) const { return ReadTestFile(Target(index)); }

    // Runs the procedure with its trace captured.
    int Run() {
        StdoutCapture capture(place.File("trace.txt"));
        int result = ProceduraUpgrade(dialog.get(), "C:\\from\\dialog\\");
        trace = capture.Finish();
        return result;
    }

    // The log a run writes for the files it reached, in replacement order; `written`
    // says which of them got as far as the write.
    std::string LogFor(std::initializer_list<std::pair<int, bool>> steps) const {
        std::string log;
        for (const auto& step : steps) {
            log += std::string("#1 read: ") + kCarriedFiles[step.first].newCopyName + "\r\n";
            if (step.second) log += "write: " + Target(step.first) + "\r\n";
        }
        return log;
    }

    TempFolder place;
    TempFolder work;
    std::string product;
    std::string installed[kPayloadFileCount];
    std::string upgrade[kPayloadFileCount];
    std::string trace;
};

TEST_F(UpgradeProcedure, ReplacesTheThreeFilesInOrder) {
    ASSERT_EQ(1, Run());
    for (int i = 0; i < kPayloadFileCount; ++i) {
        EXPECT_TRUE(upgrade[i] == Installed(i)) << kCarriedFiles[i].productName;
    }
    // No temporary file is left beside them.
    EXPECT_EQ((std::vector<std::string>{"qelMapE.dll", "tVisLV.exe", "tVisX.exe"}),
              FilesIn(product + "\\"));
    EXPECT_FALSE(writeFailed);

    std::vector<SeenMessageBox> boxes = watcher.Seen();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Instalator qel", boxes[0].caption);
    EXPECT_EQ(kSuccessText, boxes[0].text);
    EXPECT_EQ(nullptr, boxes[0].owner);
    EXPECT_TRUE(boxes[0].topmost);
    EXPECT_TRUE(boxes[0].hasIcon);

    EXPECT_EQ(LogFor({{kQelMapE, true}, {kTVisX, true}, {kTVisLV, true}}),
              ReadTestFile(kLogFilePath));
    std::string expected =
        "ProceduraUpgrade\r\nTVisPath " + product + "\r\nUpath    C:\\from\\dialog\\\r\n";
    for (CarriedFileIndex index : kReplacementOrder) {
        std::string size = std::to_string(upgrade[index].size());
        expected += std::string("PrzetwarzajCheck plik:") + kCarriedFiles[index].newCopyName +
                    ", len:" + size + " \r\nZapisz Plik " + Target(index) + ", " + size +
                    " \r\nRezultat: 0 \r\n";
    }
    EXPECT_EQ(expected, trace);
    // The stage line keeps the last target path.
    std::string last = Target(kTVisLV);
    EXPECT_EQ(std::wstring(last.begin(), last.end()), dialog.Text(kStageLineId));
}

TEST_F(UpgradeProcedure, ReadOnlyTargetIsReplaced) {
    ASSERT_TRUE(SetReadOnly(Target(kTVisX)));
    ASSERT_EQ(1, Run());
    EXPECT_TRUE(upgrade[kTVisX] == Installed(kTVisX));
    EXPECT_EQ(0u, GetFileAttributesA(Target(kTVisX).c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(UpgradeProcedure, MissingOrEmptyNewCopyStopsWithoutABox) {
    for (const char* content : {"<missing>", ""}) {
        SCOPED_TRACE(content);
        SetUp();
        std::string copy = work.File(kCarriedFiles[kTVisX].workName);
        DeleteFileA(copy.c_str());
        if (std::string(content).empty()) {
            ASSERT_TRUE(WriteTestFile(copy, ""));
        }
        size_t boxesBefore = watcher.Seen().size();

        EXPECT_EQ(0, Run());
        // Found before anything was replaced: the library stays as it was too.
        for (int i = 0; i < kPayloadFileCount; ++i) EXPECT_TRUE(installed[i] == Installed(i)) << i;
        std::vector<SeenMessageBox> boxes = watcher.Seen();
        ASSERT_EQ(boxesBefore + 1, boxes.size());
        EXPECT_EQ(L"Uaktualnienie", boxes.back().caption);
        EXPECT_EQ(kDamagedWarning, boxes.back().text);
        EXPECT_TRUE(boxes.back().topmost);
        EXPECT_TRUE(boxes.back().hasIcon);
        std::string length = std::string(content).empty() ? "0" : "-1";
        EXPECT_NE(std::string::npos,
                  trace.find("PrzetwarzajCheck plik:tVisX.exeu, len:" + length + " \r\n"));
        EXPECT_EQ(LogFor({{kQelMapE, false}}), ReadTestFile(kLogFilePath));
        EXPECT_EQ(std::string::npos, trace.find("Zapisz Plik"));
        EXPECT_FALSE(writeFailed);
    }
}

// A third copy without a record, or one that is not what the payload carries (another
// program wrote it into the work folder): its box, then the final warning, and the product
// wholly as it was.
TEST_F(UpgradeProcedure, DamagedOrChangedNewCopyIsNamedInItsBoxAndNothingIsWritten) {
    RecordFields planted;
    planted.build = 6666;
    const std::string cases[] = {ToString(MakeFileWithoutRecord(50000)),
                                 ToString(MakeProductFile(130000, 900, planted))};
    for (const std::string& copy : cases) {
        SCOPED_TRACE(copy.size());
        ASSERT_NO_FATAL_FAILURE(PlaceProduct(product));
        ASSERT_TRUE(WriteTestFile(work.File(kCarriedFiles[kTVisLV].workName), copy));
        size_t before = watcher.Seen().size();
        EXPECT_EQ(0, Run());
        for (int i = 0; i < kPayloadFileCount; ++i) EXPECT_TRUE(installed[i] == Installed(i)) << i;

        std::vector<SeenMessageBox> boxes = watcher.Seen();
        ASSERT_EQ(before + 2, boxes.size());
        EXPECT_EQ(L"tVisLV.exeu", boxes[before].caption);
        EXPECT_EQ(L"#2 Uszkodzone pliki.", boxes[before].text);
        EXPECT_EQ(nullptr, boxes[before].owner);
        EXPECT_FALSE(boxes[before].topmost);  // a plain OK box
        EXPECT_FALSE(boxes[before].hasIcon);
        EXPECT_EQ(kDamagedWarning, boxes[before + 1].text);
        EXPECT_EQ(LogFor({{kQelMapE, false}, {kTVisX, false}, {kTVisLV, false}}),
                  ReadTestFile(kLogFilePath));
        EXPECT_EQ(std::string::npos, trace.find("Zapisz Plik"));
        EXPECT_FALSE(writeFailed);
    }
}

TEST_F(UpgradeProcedure, HeldTargetFailsKeepsItAndARetrySucceedsFromTheStart) {
    // A running program holds tVisX.exe open: it can be read, not replaced.
    HANDLE holder = CreateFileA(Target(kTVisX).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(0, Run());
    CloseHandle(holder);

    // Found held before anything was written: the library stays old too.
    EXPECT_TRUE(writeFailed);
    EXPECT_EQ(kTargetHeldFailure, static_cast<int>(procedureFailure));
    for (int i = 0; i < kPayloadFileCount; ++i) EXPECT_TRUE(installed[i] == Installed(i)) << i;
    EXPECT_EQ((std::vector<std::string>{"qelMapE.dll", "tVisLV.exe", "tVisX.exe"}),
              FilesIn(product + "\\"));
    EXPECT_EQ(std::string::npos, trace.find("Zapisz Plik")) << trace;
    EXPECT_EQ(LogFor({{kQelMapE, false}, {kTVisX, false}}), ReadTestFile(kLogFilePath));
    std::vector<SeenMessageBox> boxes = watcher.Seen();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Uaktualnienie", boxes[0].caption);
    EXPECT_EQ(kRunningWarning, boxes[0].text);

    // Released: the next run starts again at qelMapE.dll and replaces all three.
    EmptyLog();
    ASSERT_EQ(1, Run());
    EXPECT_EQ(LogFor({{kQelMapE, true}, {kTVisX, true}, {kTVisLV, true}}),
              ReadTestFile(kLogFilePath));
    for (int i = 0; i < kPayloadFileCount; ++i) EXPECT_TRUE(upgrade[i] == Installed(i)) << i;

    // A write failure is never forgotten: a later damaged copy still reads "is running".
    DeleteFileA(work.File(kCarriedFiles[kQelMapE].workName).c_str());
    EXPECT_EQ(0, Run());
    EXPECT_EQ(kRunningWarning, watcher.Seen().back().text);
}

TEST_F(UpgradeProcedure, ProductFolderTooLongIsRefusedBeforeAnythingChanges) {
    // The ANSI file functions take 259 characters. qelMapE.dll's target and the temporary
    // file each replacement writes beside its target ("tvsFFFF.tmp") are the folder + 12
    // characters: a folder of 247 characters is the longest that works.
    struct Case {
        size_t length;  // of the product folder, without its final separator
        bool fits;
    } const cases[] = {{245, true},  {246, true},  {247, true},
                       {248, false}, {249, false}, {250, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::string folder = place.File(std::string(c.length - place.path().size(), 'p'));
        ASSERT_EQ(c.length, folder.size());
        ASSERT_NO_FATAL_FAILURE(PlaceProduct(folder));
        // A read-only attribute is lifted only for a file about to be written.
        ASSERT_TRUE(SetReadOnly(Target(kQelMapE)));
        const std::vector<std::string> names = {"qelMapE.dll", "tVisLV.exe", "tVisX.exe"};
        ASSERT_EQ(names, FilesIn(product + "\\"));
        size_t boxesBefore = watcher.Seen().size();

        EXPECT_EQ(c.fits ? 1 : 0, Run());
        std::vector<SeenMessageBox> boxes = watcher.Seen();
        ASSERT_EQ(boxesBefore + 1, boxes.size());
        EXPECT_EQ(names, FilesIn(product + "\\"));  // no temporary file left either way
        EXPECT_FALSE(writeFailed);
        std::string first = Target(kQelMapE);
        if (c.fits) {
            EXPECT_EQ(kSuccessText, boxes.back().text);
            for (int i = 0; i < kPayloadFileCount; ++i)
                EXPECT_TRUE(upgrade[i] == Installed(i)) << i;
            continue;
        }
        EXPECT_EQ(L"Uaktualnienie", boxes.back().caption);
        EXPECT_EQ(kDamagedWarning, boxes.back().text);
        for (int i = 0; i < kPayloadFileCount; ++i) EXPECT_TRUE(installed[i] == Installed(i)) << i;
        EXPECT_TRUE(IsReadOnly(first));
        // Nothing was read or written; the stage line names the first target.
        EXPECT_EQ("", ReadTestFile(kLogFilePath));
        EXPECT_EQ("ProceduraUpgrade\r\nTVisPath " + product + "\r\nUpath    C:\\from\\dialog\\\r\n",
                  trace);
        EXPECT_EQ(std::wstring(first.begin(), first.end()), dialog.Text(kStageLineId));
    }
}

TEST_F(UpgradeProcedure, FinalWarningFollowsTheEdition) {
    struct Case {
        bool kwil;
        bool holdTarget;
        const wchar_t* text;
    } const cases[] = {
        {true, true,
         L"Wystąpił błąd: System KWIL jest uruchomiony.\r\n\r\nAktualizacja jest niemożliwa."},
        {true, false,
         L"Wystąpił błąd:\r\n\r\nSystem KWIL jest uruchomiony,\r\nalbo uaktualnienie jest "
         L"uszkodzone.\r\n\r\nAktualizacja jest niemożliwa."},
        {false, true, kRunningWarning.c_str()},
        {false, false, kDamagedWarning.c_str()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.kwil) + std::to_string(c.holdTarget));
        SetUp();
        kwilEdition = c.kwil;
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (c.holdTarget) {
            holder = CreateFileA(Target(kQelMapE).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, holder);
        } else {
            DeleteFileA(work.File(kCarriedFiles[kQelMapE].workName).c_str());
        }
        EXPECT_EQ(0, Run());
        if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
        ASSERT_FALSE(watcher.Seen().empty());
        EXPECT_EQ(c.text, watcher.Seen().back().text);
        EXPECT_TRUE(installed[kQelMapE] == Installed(kQelMapE));
    }
}

}  // namespace

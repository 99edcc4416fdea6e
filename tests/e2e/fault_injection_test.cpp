// Faults a customer's machine brings about, injected around the real installer under
// Wine: for each, what the customer sees and what stays on disk (the product folder, the
// work folder, the log). They share the registry, the work folder and the log file with
// the upgrade scenarios: they run one after another.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "payload/integrity_block.h"
#include "payload/trailer.h"
#include "tests/e2e/file_size_limit.h"
#include "tests/e2e/moved_templates.h"
#include "tests/e2e/upgrade_fixture.h"

namespace {

const wchar_t kNotFoundText[] =
    L"Nie można odnaleźć zainstalowanego oprogramowania tVis (#1).\r\n\r\n"
    L"Uaktualnienie jest niemożliwe.";

class Fault : public Upgrade {
protected:
    void TearDown() override {
        // The log file must be writable again for the runs that follow.
        SetFileAttributesA(kLogFilePath, FILE_ATTRIBUTE_NORMAL);
        Upgrade::TearDown();
    }

    // The six files in the work folder, by name, as bytes.
    std::vector<std::string> WorkFiles() const {
        std::vector<std::string> files;
        for (const CarriedFile& file : kCarriedFiles) {
            files.push_back(ReadTestFile(WorkFile(file.compressedName)));
            files.push_back(ReadTestFile(WorkFile(file.workName)));
        }
        return files;
    }
};

// A second installer started while the first runs leaves everything to the first: it
// ends at once with 0, shows nothing, and neither the work folder, the log nor the
// product changes; the first one's dialog comes to the front and its upgrade goes on.
TEST_F(Fault, SecondInstallerStartedDuringARunChangesNothing) {
    Launch();
    const std::vector<std::string> workFiles = WorkFiles();
    const std::string log = ReadTestFile(kLogFilePath);
    ASSERT_EQ(ExpectedLog({}), log);
    // Another window in front, as when the customer double-clicks in Explorer again.
    HWND front = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"front", WS_POPUP | WS_VISIBLE, 0, 0,
                                 200, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, front);
    SetForegroundWindow(front);

    StartedProcess second(installerPath);
    ASSERT_TRUE(second.started());
    EXPECT_EQ(0u, second.WaitForExit(kWaitMs));
    EXPECT_EQ(nullptr, WaitForBox(nullptr, 500).window);
    EXPECT_EQ(workFiles, WorkFiles());
    EXPECT_EQ(log, ReadTestFile(kLogFilePath));
    EXPECT_EQ(dialog, GetForegroundWindow());
    DestroyWindow(front);

    // During the procedure, with the success box up: the same.
    Press(dialog, IDOK);
    MessageBoxView box = WaitForBox(L"Instalator qel", kWaitMs);
    ASSERT_NE(nullptr, box.window);
    StartedProcess third(installerPath);
    ASSERT_TRUE(third.started());
    EXPECT_EQ(0u, third.WaitForExit(kWaitMs));
    EXPECT_EQ(workFiles, WorkFiles());
    // The box the customer has to answer is what comes to the front, not the dialog.
    EXPECT_EQ(box.window, GetForegroundWindow());
    ExpectSuccessBoxAndExit();
    EXPECT_EQ(ExpectedLog({kQelMapE, kTVisX, kTVisLV}), ReadTestFile(kLogFilePath));

    // Once the first has ended, the next installer runs as usual.
    for (int i = 0; i < kPayloadFileCount; ++i) ASSERT_TRUE(WriteTestFile(Target(i), installed[i]));
    Launch();
}

// A file the last run left in the work folder that another program holds open (reading
// allowed, deleting not): the reason code of that file, and nothing else changes.
TEST_F(Fault, StaleWorkFileThatCannotBeDeleted) {
    struct Case {
        const char* name;
        const char* code;
    } const cases[] = {
        {"TVISX.WCP", "0000.000A"},
        {"QELMAPE.WCP", "0000.000C"},
        {"tvislv.exeu", "0000.001F"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ForgetUpgradeRuns();
        ASSERT_TRUE(SetProductPath(product + "\\"));
        ASSERT_TRUE(WriteTestFile(WorkFile(c.name), "last run"));
        HANDLE holder = CreateFileA(WorkFile(c.name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, holder);
        ASSERT_NO_FATAL_FAILURE(ExpectReasonBoxAndExit(c.code));
        CloseHandle(holder);
        EXPECT_EQ("last run", ReadTestFile(WorkFile(c.name)));
        EXPECT_EQ("", ReadTestFile(kLogFilePath));
    }
}

// The log file read-only, or held open by another program without sharing: the upgrade
// goes on as always. A read-only log cannot be emptied at start, so it keeps the earlier
// run's lines; the first entry clears the attribute and the new lines follow the old.
// A held log keeps what it held.
TEST_F(Fault, LogFileThatCannotBeWrittenDoesNotStopTheUpgrade) {
    const std::string earlier = "earlier log\r\n";
    for (bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "held open");
        for (int i = 0; i < kPayloadFileCount; ++i) {
            ASSERT_TRUE(WriteTestFile(Target(i), installed[i]));
        }
        SetFileAttributesA(kLogFilePath, FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(WriteTestFile(kLogFilePath, earlier));
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (readOnly) {
            ASSERT_TRUE(SetReadOnly(kLogFilePath));
            HANDLE probe = CreateFileA(kLogFilePath, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
            if (probe != INVALID_HANDLE_VALUE) {
                CloseHandle(probe);
                GTEST_SKIP() << "read-only files are writable here (Wine run as root)";
            }
        } else {
            holder = CreateFileA(kLogFilePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, holder);
        }
        Launch();
        Press(dialog, IDOK);
        ExpectSuccessBoxAndExit();
        if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
        if (readOnly) {
            EXPECT_EQ(earlier + ExpectedLog({kQelMapE, kTVisX, kTVisLV}),
                      ReadTestFile(kLogFilePath));
            EXPECT_FALSE(IsReadOnly(kLogFilePath));
        } else {
            EXPECT_EQ(earlier, ReadTestFile(kLogFilePath));
        }
        installer.reset();
    }
}

// The product's "path" value in the registry, of each type and length. The value's bytes
// are read whatever its type, 510 at most: data that does not fit is not read at all, and
// of data that fits the first 257 bytes are the folder. Here the bytes are the product
// folder, its terminator, and filler up to the length (string types end in a terminator,
// as such values do); the customer sees the ready dialog
// where the folder was read, and the "not found" box otherwise. Nothing crashes, nothing
// is written to the product.
TEST_F(Fault, RegistryValuesOfEveryTypeAndLength) {
    struct Case {
        DWORD type;
        size_t length;  // of the value's data, in bytes
        bool found;
    } const cases[] = {
        {REG_SZ, 0, false},        {REG_SZ, 257, true},     {REG_SZ, 258, true},
        {REG_SZ, 300, true},       {REG_SZ, 509, true},     {REG_SZ, 510, true},
        {REG_SZ, 511, false},      {REG_SZ, 600, false},    {REG_EXPAND_SZ, 300, true},
        {REG_MULTI_SZ, 300, true}, {REG_BINARY, 258, true}, {REG_NONE, 511, false},
        {REG_DWORD, 4, false},     {REG_QWORD, 8, false},   {REG_BINARY, 0, false},
    };
    const std::string folder = product + "\\";
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + ", " + std::to_string(c.length) + " bytes");
        std::string data = c.length >= folder.size() + 1 ? folder + '\0' : "";
        data.resize(c.length, c.type == REG_DWORD || c.type == REG_QWORD ? '\x7f' : 'x');
        const bool text = c.type == REG_SZ || c.type == REG_EXPAND_SZ || c.type == REG_MULTI_SZ;
        if (text && !data.empty()) data.back() = '\0';
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0,
                                                 KEY_WRITE, nullptr, &key, nullptr));
        LONG set =
            RegSetValueExA(key, "path", 0, c.type, reinterpret_cast<const BYTE*>(data.data()),
                           static_cast<DWORD>(data.size()));
        RegCloseKey(key);
        ASSERT_EQ(ERROR_SUCCESS, set);

        MessageBoxView box;
        installer = std::make_unique<StartedProcess>(installerPath);
        ASSERT_TRUE(installer->started());
        dialog = WaitForDialog(installer->id(), nullptr, kStageLineId, kWaitMs);
        ASSERT_NE(nullptr, dialog);
        if (c.found) {
            EXPECT_TRUE(WaitForControlText(dialog, kStageLineId, kReadyText, kWaitMs));
            EXPECT_EQ(nullptr, WaitForBox(nullptr, 0).window);
        } else {
            box = WaitForBox(L"", kWaitMs);
            ASSERT_NE(nullptr, box.window);
            EXPECT_EQ(kNotFoundText, box.text);
            Answer(box, IDOK);
            EXPECT_TRUE(WaitForControlText(dialog, kStatusLineId, L"Nie można aktualizować tVis!",
                                           kWaitMs));
        }
        Press(dialog, IDCANCEL);
        if (c.found) {
            MessageBoxView question = WaitForBox(L"tVis upgrade", kWaitMs);
            ASSERT_NE(nullptr, question.window);
            Answer(question, IDYES);
        }
        EXPECT_EQ(1u, installer->WaitForExit(kWaitMs));
        EXPECT_EQ("old old old ", Replaced());
        installer.reset();
    }
}

// A product folder of 250 characters: qelMapE.dll's path in it is longer than the file
// functions take, so no product is found there and nothing in it changes.
TEST_F(Fault, ProductFolderOf250CharactersIsNotFound) {
    // Folders of 100 characters each, then the rest, down to 250 in all.
    std::string longFolder = place.path();
    while (250 - longFolder.size() > 100) {
        longFolder += std::string(99, 'f');
        ASSERT_TRUE(CreateTestFolder(longFolder));
        longFolder += "\\";
    }
    longFolder += std::string(250 - longFolder.size(), 'p');
    ASSERT_EQ(250u, longFolder.size());
    ASSERT_NO_FATAL_FAILURE(InstallProductIn(longFolder));
    MessageBoxView box = StartAndWaitForBox();
    ASSERT_NE(nullptr, box.window);
    EXPECT_EQ(kNotFoundText, box.text);
    Answer(box, IDOK);
    dialog = WaitForDialog(installer->id(), nullptr, kStageLineId, kWaitMs);
    ASSERT_NE(nullptr, dialog);
    Press(dialog, IDCANCEL);
    EXPECT_EQ(1u, installer->WaitForExit(kWaitMs));
    EXPECT_EQ("old old old ", Replaced());
    EXPECT_EQ((std::vector<std::string>{"qelMapE.dll", "tVisLV.exe", "tVisX.exe"}),
              FilesIn(product + "\\"));
}

// The installer file damaged after it was built (a cut download, a byte appended by a
// copy, a flipped bit inside a compressed file), with the integrity block tvispack
// writes and without it: what the customer sees, and that the last run's work files and
// the product stay as they were wherever the installer refuses.
TEST_F(Fault, DamagedInstallerFile) {
    const std::string built = ReadTestFile(installerPath);
    const PayloadTrailer trailer =
        DecodeTrailer(reinterpret_cast<const uint8_t*>(built.data()) + built.size() - kTrailerSize);
    const uint32_t starts[kPayloadFileCount] = {
        trailer.payloadStart, trailer.payloadStart + trailer.firstSize,
        trailer.payloadStart + trailer.firstSize + trailer.secondSize};
    const auto sizes = CarriedSizes(trailer);
    ASSERT_EQ(0, built.compare(trailer.payloadStart - kIntegrityBlockSize, kIntegrityMagicLength,
                               kIntegrityMagic));
    auto flipped = [&](int file, bool block) {
        std::string bytes = built;
        bytes[starts[file] + 5000] ^= 0x10;
        // Without its magic the block is filler like any other.
        if (!block) bytes[trailer.payloadStart - kIntegrityBlockSize] = '\0';
        return bytes;
    };
    struct Case {
        const char* what;
        std::string installer;
        const char* code;  // the reason box, or null: the dialog gets ready
        // The decompressed copy that is damaged (ready dialog) or deleted (reason box), or -1.
        int damagedCopy;
    } const cases[] = {
        {"one byte cut off", built.substr(0, built.size() - 1), "0000.0005", -1},
        {"one byte appended", built + '\0', "0000.0005", -1},
        {"QELMAPE.WCP flipped", flipped(kQelMapE, true), "0000.0007", -1},
        {"TVISLV.WCP flipped", flipped(kTVisLV, true), "0000.0007", -1},
        {"TVISX.WCP flipped", flipped(kTVisX, true), "0000.0007", -1},
        // Without the block only the decompression can tell. Where the flip breaks the
        // stream, the copy is deleted and the code names it; where the stream still
        // decodes to its length, the damage goes unnoticed and the damaged copy is offered
        // for installation: what the block is for.
        {"QELMAPE.WCP flipped, no block", flipped(kQelMapE, false), nullptr, kQelMapE},
        {"TVISLV.WCP flipped, no block", flipped(kTVisLV, false), "0000.0029", kTVisLV},
        {"TVISX.WCP flipped, no block", flipped(kTVisX, false), nullptr, kTVisX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const CarriedFile& file : kCarriedFiles) {
            ASSERT_TRUE(WriteTestFile(WorkFile(file.compressedName), "last run"));
            ASSERT_TRUE(WriteTestFile(WorkFile(file.workName), "last run"));
        }
        ASSERT_TRUE(WriteTestFile(installerPath, c.installer));
        if (c.code == nullptr) {
            Launch();
            for (int i = 0; i < kPayloadFileCount; ++i) {
                EXPECT_EQ(i == c.damagedCopy,
                          ReadTestFile(WorkFile(kCarriedFiles[i].workName)) != fresh_[i])
                    << kCarriedFiles[i].workName;
            }
            installer.reset();
            continue;
        }
        ASSERT_NO_FATAL_FAILURE(ExpectReasonBoxAndExit(c.code));
        // Refused before unpacking: the last run's files and an empty log. Refused after
        // it: the compressed files as carried, the broken copy deleted.
        if (c.damagedCopy < 0) {
            for (const CarriedFile& file : kCarriedFiles) {
                EXPECT_EQ("last run", ReadTestFile(WorkFile(file.compressedName)));
                EXPECT_EQ("last run", ReadTestFile(WorkFile(file.workName)));
            }
            EXPECT_EQ("", ReadTestFile(kLogFilePath));
        } else {
            const CarriedFile& file = kCarriedFiles[c.damagedCopy];
            EXPECT_EQ(c.installer.substr(starts[c.damagedCopy], sizes[c.damagedCopy]),
                      ReadTestFile(WorkFile(file.compressedName)));
            EXPECT_EQ("<missing>", ReadTestFile(WorkFile(file.workName)));
        }
        installer.reset();
    }
}

// A work folder the user may not write to (a locked-down profile): the first compressed
// file cannot be written, the customer is told 20, and nothing is left anywhere.
TEST_F(Fault, WorkFolderThatCannotBeWritten) {
    const std::string work = place.File("locked templates");
    ASSERT_TRUE(CreateTestFolder(work));
    MovedTemplatesFolder moved(work);
    ASSERT_TRUE(moved.moved());
    ASSERT_EQ(work + "\\", std::string(GetWorkFolder(nullptr)));
    ASSERT_TRUE(RunUnixCommand({"chmod", "555", UnixPath(work)}));
    if (WriteTestFile(work + "\\probe", "")) {
        DeleteFileA((work + "\\probe").c_str());
        RunUnixCommand({"chmod", "755", UnixPath(work)});
        GTEST_SKIP() << "folders without write permission are writable here (Wine run as root)";
    }
    ExpectReasonBoxAndExit("0000.0014");
    EXPECT_TRUE(FilesIn(work + "\\").empty());
    EXPECT_EQ("", ReadTestFile(kLogFilePath));
    EXPECT_TRUE(RunUnixCommand({"chmod", "755", UnixPath(work)}));
}

// A work folder on a drive that fills up while the installer writes its compressed files:
// the first file that does not fit whole gives its code (20, 21 or 22), the product
// stays as it was. The drive's room is a file-size limit on the installer, put on it
// before it runs.
TEST_F(Fault, WorkFolderThatFillsUp) {
    const std::string built = ReadTestFile(installerPath);
    const PayloadTrailer trailer =
        DecodeTrailer(reinterpret_cast<const uint8_t*>(built.data()) + built.size() - kTrailerSize);
    // The carried files grow in payload order, so a room between two sizes lets the
    // earlier files through and stops the next.
    ASSERT_LT(trailer.firstSize, trailer.secondSize);
    ASSERT_LT(trailer.secondSize, trailer.thirdSize);
    struct Case {
        uint64_t room;  // bytes a file may grow to
        const char* code;
    } const cases[] = {
        {trailer.firstSize - 1, "0000.0014"},
        {trailer.secondSize - 1, "0000.0015"},
        {trailer.thirdSize - 1, "0000.0016"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        ForgetUpgradeRuns();
        ASSERT_TRUE(SetProductPath(product + "\\"));
        RunningProgram program(installerPath, place.path(), "", true);
        ASSERT_TRUE(program.started());
        ASSERT_TRUE(LimitFileSize(installerPath, c.room));
        ASSERT_TRUE(program.Resume());
        std::optional<MessageBoxView> box = WaitForMessageBox(program.id(), {}, kWaitMs);
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(L"tVis", box->caption);
        EXPECT_EQ(ReasonText(c.code), box->text);
        Answer(*box, IDOK);
        EXPECT_EQ(1u, program.WaitForExit(kWaitMs));
        EXPECT_EQ("old old old ", Replaced());
    }
}

}  // namespace

// The log file "C:\tVisXlog.txt" and the trace console, on the real platform.
#include "support/diagnostics.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/file_access.h"
#include "tests/support/file_lock_test.h"
#include "tests/support/temp_folder.h"

namespace {

class LogFile : public FileLockTest {
protected:
    void SetUp() override { RemoveLog(); }
    void TearDown() override { RemoveLog(); }

    static void RemoveLog() {
        SetFileAttributesA(kLogFilePath, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(kLogFilePath);
    }
};

TEST_F(LogFile, EntriesAreLabelValueAndLineEnd) {
    EmptyLog();
    EXPECT_TRUE(TestFileExists(kLogFilePath));
    EXPECT_EQ("", ReadTestFile(kLogFilePath));

    LogEntry("#3 read: ", "C:\\Programs\\tVis2002\\qelMapE.dll");
    LogEntry("on HD serial : ", "1234");
    EXPECT_EQ(
        "#3 read: C:\\Programs\\tVis2002\\qelMapE.dll\r\n"
        "on HD serial : 1234\r\n",
        ReadTestFile(kLogFilePath));
}

TEST_F(LogFile, AppendLogAddsNoLineEndOfItsOwn) {
    EmptyLog();
    EXPECT_EQ(0, AppendLog("label "));
    EXPECT_EQ(0, AppendLog("value"));
    EXPECT_EQ(0, AppendLog(""));
    EXPECT_EQ("label value", ReadTestFile(kLogFilePath));
}

TEST_F(LogFile, SecondRunHoldsOnlyItsOwnEntries) {
    EmptyLog();
    LogEntry("#2 read: ", "qelMapE.dllu");
    EmptyLog();
    LogEntry("#1 read: ", "tVisX.exeu");
    EXPECT_EQ("#1 read: tVisX.exeu\r\n", ReadTestFile(kLogFilePath));
}

TEST_F(LogFile, ReadOnlyOldLogKeepsItsContentAndGrows) {
    ASSERT_TRUE(WriteTestFile(kLogFilePath, "old entry\r\n"));
    ASSERT_TRUE(SetReadOnly(kLogFilePath));
    EmptyLog();  // cannot empty a read-only file; the run goes on
    EXPECT_EQ("old entry\r\n", ReadTestFile(kLogFilePath));
    LogEntry("write: ", "C:\\x");
    EXPECT_EQ("old entry\r\nwrite: C:\\x\r\n", ReadTestFile(kLogFilePath));
    EXPECT_EQ(0u, GetFileAttributesA(kLogFilePath) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(LogFile, PieceLostWhileTheLogIsHeldAndLaterPiecesArrive) {
    EmptyLog();
    AppendLog("label: ");
    HANDLE holder = CreateFileA(kLogFilePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(-1, AppendLog("lost value"));
    CloseHandle(holder);
    EXPECT_EQ(0, AppendLog("\r\n"));
    EXPECT_EQ("label: \r\n", ReadTestFile(kLogFilePath));
}

// Runs the probe program beside this test and returns the report it wrote.
std::string RunConsoleProbe(const TempFolder& dir) {
    std::string probe = BesideThisProgram("trace_console_probe.exe");
    std::string report = dir.File("report.txt");
    // Detached, as when the installer is started from Explorer: no console to inherit.
    std::string command = "\"" + probe + "\" \"" + report + "\"";

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(probe.c_str(), &command[0], nullptr, nullptr, FALSE, DETACHED_PROCESS,
                        nullptr, nullptr, &startup, &process)) {
        return "<probe did not start>";
    }
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (code != 0) return "<probe exit " + std::to_string(code) + ">";
    return ReadTestFile(report);
}

TEST(TraceConsole, OpensWithThousandLinesAndShowsTracesAsFormatted) {
    TempFolder dir;
    std::string report = RunConsoleProbe(dir);
    EXPECT_NE(std::string::npos, report.find("open=1\n")) << report;
    EXPECT_NE(std::string::npos, report.find("info=1\n")) << report;
    EXPECT_NE(std::string::npos, report.find("height=1000\n")) << report;
    // A percent sign inside a path argument and inside a finished text is printed as it is.
    EXPECT_NE(std::string::npos, report.find("row0=path: C:\\dir 100%d\\x%s\n")) << report;
    EXPECT_NE(std::string::npos, report.find("row1=kpr: 20\n")) << report;
    EXPECT_NE(std::string::npos, report.find("row2=literal 50%s done\n")) << report;
    EXPECT_NE(std::string::npos, report.find("row3=on stderr\n")) << report;
    EXPECT_NE(std::string::npos, report.find("long=long " + std::string(3000, 'x') + " end\n"))
        << report;
    EXPECT_NE(std::string::npos, report.find("closed=1\n")) << report;
}

}  // namespace

// A fresh folder under the system's temporary folder for one test, removed with all
// its files (read-only ones included) when the test ends. Windows builds only.
#pragma once

#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, ending in a backslash.
    const std::string& path() const { return path_; }
    // path() + name.
    std::string File(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// Writes bytes to a file with plain Win32 calls (test setup, independent of the code under
// test). These helpers also take absolute paths longer than the ANSI file functions do.
bool WriteTestFile(const std::string& path, const std::string& bytes);
// The whole content of a file, or "<missing>" when it cannot be read.
std::string ReadTestFile(const std::string& path);
bool TestFileExists(const std::string& path);
bool SetReadOnly(const std::string& path);
// True when the file exists and carries the read-only attribute.
bool IsReadOnly(const std::string& path);
bool CreateTestFolder(const std::string& path);
// The names of the entries in a folder (ending in a backslash), sorted.
std::vector<std::string> FilesIn(const std::string& folder);
// The full path of a file in the folder of the running program (the build's bin folder,
// where the test programs and the programs they start lie side by side).
std::string BesideThisProgram(const char* name);

// Temporary folders and plain file helpers for the Windows-side tests. The helpers take
// paths of any length, so that tests can set up and check what the code under test must
// refuse.
#include "tests/support/temp_folder.h"

#include <windows.h>

#include <algorithm>

namespace {

// The path for the wide file functions, converted as the ANSI ones convert it. An absolute
// one of MAX_PATH characters or more gets the "\\?\" prefix, which the ANSI functions
// cannot take: tests make such paths on purpose, to see the code under test refuse them.
std::wstring WidePath(const std::string& path) {
    int size = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(size > 0 ? size : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], size);
    wide.resize(wide.size() - 1);
    if (wide.size() >= MAX_PATH && wide.size() > 2 && wide[1] == L':') {
        std::replace(wide.begin(), wide.end(), L'/', L'\\');
        wide = L"\\\\?\\" + wide;
    }
    return wide;
}

std::string NarrowName(const wchar_t* name) {
    int size = WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(size > 0 ? size : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, name, -1, &narrow[0], size, nullptr, nullptr);
    narrow.resize(narrow.size() - 1);
    return narrow;
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(WidePath(folder + "*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = NarrowName(entry.cFileName);
            if (name == "." || name == "..") continue;
            std::string full = folder + name;
            SetFileAttributesW(WidePath(full).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full + "\\");
            } else {
                DeleteFileW(WidePath(full).c_str());
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(WidePath(folder).c_str());
}

}  // namespace

TempFolder::TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        path_ = std::string(base) + "tvis" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++counter) + "\\";
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

bool WriteTestFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() ||
              WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string ReadTestFile(const std::string& path) {
    HANDLE file =
        CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string content;
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0)
        content.append(chunk, read);
    CloseHandle(file);
    return content;
}

bool TestFileExists(const std::string& path) {
    return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(WidePath(folder + "*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = NarrowName(entry.cFileName);
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

bool SetReadOnly(const std::string& path) {
    return SetFileAttributesW(WidePath(path).c_str(), FILE_ATTRIBUTE_READONLY) != 0;
}

bool IsReadOnly(const std::string& path) {
    DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool CreateTestFolder(const std::string& path) {
    return CreateDirectoryW(WidePath(path).c_str(), nullptr) != 0;
}

std::string BesideThisProgram(const char* name) {
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self, length < MAX_PATH ? length : 0);
    return path.substr(0, path.find_last_of("\\/") + 1) + name;
}

// Host interface on Windows: UTF-16 file names, the module's own path, atomic replace.
#include <windows.h>
#include <shellapi.h>

#include <cerrno>
#include <cstdio>
#include <cwchar>

#include "tools/host.h"

namespace {

std::wstring Wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string Utf8(const wchar_t* text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string narrow(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], n, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(n - 1));
    return narrow;
}

}  // namespace

std::vector<std::string> HostArguments(int argc, char** argv) {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide) {
        for (int i = 1; i < count; ++i) args.push_back(Utf8(wide[i]));
        LocalFree(wide);
        return args;
    }
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}

std::string HostOwnFolder() {
    std::vector<wchar_t> buffer(32768);
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size()) return std::string();
    std::string path = Utf8(buffer.data());
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

FILE* HostOpenFile(const std::string& path, const char* mode) {
    return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
}

bool HostFileLength(const std::string& path, uint64_t* length) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        errno = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
        return false;
    }
    LARGE_INTEGER size;
    BOOL ok = GetFileSizeEx(file, &size);
    CloseHandle(file);
    if (!ok) {
        errno = EIO;
        return false;
    }
    *length = static_cast<uint64_t>(size.QuadPart);
    return true;
}

bool HostReplaceFile(const std::string& from, const std::string& to) {
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool HostRemoveFile(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }

unsigned long HostProcessId() { return GetCurrentProcessId(); }

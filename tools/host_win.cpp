// Host interface on Windows: UTF-16 file names, the module's own path, atomic replace.
#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <string>

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

// The system's message for an error code, without its line break.
static std::string SystemMessage(DWORD error) {
    wchar_t buffer[512];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             error, 0, buffer, 512, nullptr);
    while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L'.')) {
        --n;
    }
    buffer[n] = L'\0';
    if (n == 0) return "error " + std::to_string(error);
    return Utf8(buffer);
}

bool HostOpenInputFile(const std::string& path, FILE** file, uint64_t* length, std::string* error) {
    const std::wstring wide = Wide(path);
    // \\.\ names a device or a pipe, never a file; CreateFile on a pipe would connect.
    if (wide.compare(0, 4, L"\\\\.\\") == 0) {
        *error = "it is a device or a pipe, not a file";
        return false;
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *error = "it is a folder, not a file";
        return false;
    }
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *error = SystemMessage(GetLastError());
        return false;
    }
    LARGE_INTEGER size;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        *error = "it is a device or a pipe, not a file";  // NUL, CON, COM1, ...
        return false;
    }
    if (!GetFileSizeEx(handle, &size)) {
        *error = SystemMessage(GetLastError());
        CloseHandle(handle);
        return false;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        *error = "cannot open it";
        return false;
    }
    *file = _fdopen(fd, "rb");
    if (!*file) {
        _close(fd);
        *error = "cannot open it";
        return false;
    }
    *length = static_cast<uint64_t>(size.QuadPart);
    return true;
}

FILE* HostBinaryStdin() {
    _setmode(_fileno(stdin), _O_BINARY);
    return stdin;
}

FILE* HostBinaryStdout() {
    _setmode(_fileno(stdout), _O_BINARY);
    return stdout;
}

void HostWriteText(FILE* stream, const std::string& text) {
    std::fflush(stream);
    HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    // A console shows UTF-16 right whatever its code page; the UTF-8 bytes would show as
    // the console's code page reads them. Redirected output keeps the bytes.
    if (handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode)) {
        const std::wstring wide = Wide(text);
        DWORD written = 0;
        for (size_t at = 0; at < wide.size(); at += written) {
            const DWORD chunk =
                static_cast<DWORD>(wide.size() - at < 8192 ? wide.size() - at : 8192);
            if (!WriteConsoleW(handle, wide.data() + at, chunk, &written, nullptr) ||
                written == 0) {
                break;
            }
        }
        return;
    }
    // The same bytes as the native build writes: no CR before each LF.
    _setmode(_fileno(stream), _O_BINARY);
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

bool HostReplaceFile(const std::string& from, const std::string& to) {
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool HostRemoveFile(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }

unsigned long HostProcessId() { return GetCurrentProcessId(); }

// The deployment log on the Win32 API; see deployment_log.h.
#include "support/deployment_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "support/file_access.h"

namespace {

char logPath[kFilePathSize];

// Longest line kept, in bytes of UTF-8; a longer one is cut.
constexpr int kLineSize = 2048;

// Appends the timestamp, the text and the line end as one write, so that a line is never
// split by a write that fails halfway.
void WriteLine(const char* utf8) {
    if (logPath[0] == '\0') return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char line[kLineSize + 32];
    int length = std::snprintf(line, sizeof line, "%04u-%02u-%02u %02u:%02u:%02u.%03u %.*s\r\n",
                               now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                               now.wMilliseconds, kLineSize, utf8);
    if (length <= 0) return;
    if (length >= static_cast<int>(sizeof line)) length = sizeof line - 1;
    AppendToUnlinkedFile(line, logPath, static_cast<uint32_t>(length));
}

}  // namespace

void AppendToDeploymentLog(const char* path) {
    logPath[0] = '\0';
    if (path == nullptr || std::strlen(path) >= sizeof logPath) return;
    std::memcpy(logPath, path, std::strlen(path) + 1);
}

void OpenDeploymentLog(const char* path) {
    AppendToDeploymentLog(path);
    if (logPath[0] != '\0') EmptyUnlinkedFile(logPath);
}

bool DeploymentLogOn() { return logPath[0] != '\0'; }

void DeploymentText(const char* text) { WriteLine(text); }

void DeploymentLine(const char* format, ...) {
    if (logPath[0] == '\0') return;
    char system[kLineSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(system, sizeof system, format, args);
    va_end(args);
    // The system's code page to UTF-8, through UTF-16.
    wchar_t wide[kLineSize];
    int units = MultiByteToWideChar(CP_ACP, 0, system, -1, wide, kLineSize);
    if (units <= 0) return;
    char utf8[kLineSize];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
    if (bytes <= 0) {
        // Too long as UTF-8: keep what fits.
        wide[kLineSize / 3] = L'\0';
        if (WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr) <= 0) {
            return;
        }
    }
    WriteLine(utf8);
}

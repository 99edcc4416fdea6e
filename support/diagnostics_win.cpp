// Trace console and log file on the Win32 API and the C runtime.
#include "support/diagnostics.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#if defined(_UCRT)
#error "BindStream relies on msvcrt's FILE layout"
#endif

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "support/file_access.h"

bool traceConsoleOpen = false;

namespace {

// Rebinds one standard stream to a console handle, unbuffered: the handle becomes a
// runtime descriptor, a stream is opened on it, and the standard stream takes over that
// stream's state, so every later printf on stdout reaches the console.
// Why not freopen or _dup2: a GUI process started without a console (from Explorer)
// has no descriptor behind its standard streams, and msvcrt's freopen and _dup2 both
// refuse such a stream. Taking over the FILE works because msvcrt's FILE is a plain
// structure; a UCRT build would need another way.
void BindStream(DWORD which, FILE* stream, const char* mode) {
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_TEXT);
    if (descriptor == -1) return;
    FILE* opened = _fdopen(descriptor, mode);
    if (opened == nullptr) return;
    *stream = *opened;
    setvbuf(stream, nullptr, _IONBF, 0);
}

void SetScreenBufferHeight(int lines) {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output, &info)) return;
    info.dwSize.Y = static_cast<SHORT>(lines);
    SetConsoleScreenBufferSize(output, info.dwSize);
}

}  // namespace

void ToggleTraceConsole(int lines) {
    if (traceConsoleOpen) {
        traceConsoleOpen = false;
        FreeConsole();
        return;
    }
    AllocConsole();
    traceConsoleOpen = true;
    SetScreenBufferHeight(lines);
    BindStream(STD_OUTPUT_HANDLE, stdout, "w");
    BindStream(STD_INPUT_HANDLE, stdin, "r");
    BindStream(STD_ERROR_HANDLE, stderr, "w");
}

// The log lies where any user may create files, so a link under its name could lead the
// installer, which may run with more rights, to empty or write another file: both refuse
// links, and the run goes on as with a log held by another program.
void EmptyLog() { EmptyUnlinkedFile(kLogFilePath); }

int AppendLog(const char* text) {
    return AppendToUnlinkedFile(text, kLogFilePath, static_cast<uint32_t>(std::strlen(text)));
}

void LogEntry(const char* label, const char* value) {
    AppendLog(label);
    AppendLog(value);
    AppendLog("\r\n");
}

void Trace(const char* format, ...) {
    // The line is formatted first and written with one call. Formatted straight onto an
    // unbuffered stream, the runtime's printf writes it a character at a time, and each
    // write to a console is a round trip to the console's host: a line with a path cost
    // two milliseconds under Wine. Written whole, it still reaches the console before
    // Trace returns.
    char line[2048];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length >= 0 && static_cast<size_t>(length) < sizeof line) {
        fwrite(line, 1, static_cast<size_t>(length), stdout);
        return;
    }
    va_start(args, format);  // longer than any line the installer traces
    vprintf(format, args);
    va_end(args);
}

void TraceText(const char* text) { fputs(text, stdout); }

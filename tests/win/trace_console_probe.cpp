// A GUI program that opens the trace console as the installer does, traces a few lines
// and writes what its console screen buffer then holds into the file named by its first
// argument, for the diagnostics tests to check.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/diagnostics.h"

namespace {

std::string ConsoleRow(HANDLE output, SHORT row, SHORT width) {
    std::string text(static_cast<size_t>(width), ' ');
    DWORD read = 0;
    COORD at = {0, row};
    ReadConsoleOutputCharacterA(output, &text[0], static_cast<DWORD>(width), at, &read);
    text.resize(read);
    size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc < 2) return 2;
    const char* report = __argv[1];

    ToggleTraceConsole(1000);
    Trace("path: %s\r\n", "C:\\dir 100%d\\x%s");
    Trace("kpr: %d\r\n", 20);
    TraceText("literal 50%s done\r\n");
    fprintf(stderr, "on stderr\r\n");
    // Longer than the line that Trace formats into: printed whole all the same.
    const std::string longArgument(3000, 'x');
    Trace("long %s end\r\n", longArgument.c_str());

    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    BOOL haveInfo = GetConsoleScreenBufferInfo(output, &info);

    std::string text = "open=" + std::to_string(traceConsoleOpen ? 1 : 0) + "\n";
    text += "info=" + std::to_string(haveInfo ? 1 : 0) + "\n";
    text += "height=" + std::to_string(info.dwSize.Y) + "\n";
    for (SHORT row = 0; row < 4; ++row) {
        text += "row" + std::to_string(row) + "=" + ConsoleRow(output, row, info.dwSize.X) + "\n";
    }
    // The long line wraps over the rows after the first four.
    std::string wrapped;
    for (SHORT row = 4; row < 4 + 3100 / info.dwSize.X + 2 && info.dwSize.X > 0; ++row) {
        wrapped += ConsoleRow(output, row, info.dwSize.X);
    }
    text += "long=" + wrapped + "\n";
    ToggleTraceConsole(1000);
    text += "closed=" + std::to_string(traceConsoleOpen ? 0 : 1) + "\n";
    text += "console=" + std::to_string(GetConsoleWindow() == nullptr ? 0 : 1) + "\n";

    FILE* file = fopen(report, "wb");
    if (file == nullptr) return 3;
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
    return 0;
}

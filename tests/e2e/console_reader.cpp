// Reads what another process's console shows: attaches to the console of the process
// whose id is the first argument and writes its screen buffer's rows, trailing blanks cut,
// one per line, up to the last row that holds text, into the file named by the second
// argument. End-to-end tests use it to read the installer's trace lines while the
// installer still runs. Exit code 0 when the buffer was read.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    DWORD process = static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10));
    FreeConsole();
    if (!AttachConsole(process)) return 3;
    HANDLE output =
        CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (output == INVALID_HANDLE_VALUE) return 4;
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    if (!GetConsoleScreenBufferInfo(output, &info)) {
        CloseHandle(output);
        return 5;
    }
    std::string text;
    std::string pending;  // blank rows are kept only when text follows them
    for (SHORT row = 0; row < info.dwSize.Y; ++row) {
        std::string line(static_cast<size_t>(info.dwSize.X), ' ');
        DWORD read = 0;
        COORD at = {0, row};
        ReadConsoleOutputCharacterA(output, &line[0], static_cast<DWORD>(info.dwSize.X), at, &read);
        line.resize(read);
        size_t end = line.find_last_not_of(' ');
        line = end == std::string::npos ? std::string() : line.substr(0, end + 1);
        pending += line + "\n";
        if (!line.empty()) {
            text += pending;
            pending.clear();
        }
    }
    CloseHandle(output);
    FreeConsole();
    FILE* file = std::fopen(argv[2], "wb");
    if (file == nullptr) return 6;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return 0;
}

// File-size limits on running programs through a unix script; see file_size_limit.h.
#include "tests/e2e/file_size_limit.h"

#include <windows.h>

#include <vector>

#include "tests/support/temp_folder.h"

namespace {

// The script is started without a process handle (Wine double-forks unix programs and
// returns none), so its result comes through a file.
constexpr DWORD kScriptWaitMs = 30000;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::string UnixPath(const std::string& windowsPath) {
    using ToUnix = char*(__cdecl*)(LPCWSTR);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    ToUnix toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
    if (toUnix == nullptr) return "";
    wchar_t wide[MAX_PATH] = {};
    if (MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH) == 0) return "";
    char* unix = toUnix(wide);
    if (unix == nullptr) return "";
    std::string path = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return path;
}

namespace {

// Starts `command` (a unix script beside the test and its arguments, the last of which is
// `result`, a file the script writes its answer to) and returns that answer, "ok" and
// what follows it on success.
testing::AssertionResult RunScript(std::string command, const std::string& result) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return testing::AssertionFailure()
               << "cannot start " << command << ", error " << GetLastError();
    }
    // For a unix program Wine fills in no handles (the thread field may hold garbage).
    if (started.hProcess != nullptr) {
        CloseHandle(started.hProcess);
        CloseHandle(started.hThread);
    }
    DWORD start = GetTickCount();
    while (!TestFileExists(result)) {
        if (GetTickCount() - start >= kScriptWaitMs) {
            return testing::AssertionFailure() << "no answer from " << command;
        }
        Sleep(20);
    }
    std::string answer = ReadTestFile(result);
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
    if (answer.compare(0, 2, "ok") != 0) return testing::AssertionFailure() << answer;
    return testing::AssertionSuccess() << answer;
}

}  // namespace

testing::AssertionResult LimitFileSize(const std::string& program, uint64_t bytes) {
    TempFolder scratch;
    const std::string result = scratch.File("limit.txt");
    const std::string unixResult = UnixPath(result);
    if (unixResult.empty()) return testing::AssertionFailure() << "not running under Wine";
    return RunScript(Quoted(BesideThisProgram("set_file_limit.sh")) + " " + Quoted(program) + " " +
                         std::to_string(bytes) + " " + Quoted(unixResult),
                     result);
}

testing::AssertionResult RunUnixCommand(const std::vector<std::string>& arguments) {
    TempFolder scratch;
    const std::string result = scratch.File("command.txt");
    const std::string unixResult = UnixPath(result);
    if (unixResult.empty()) return testing::AssertionFailure() << "not running under Wine";
    std::string command = Quoted(BesideThisProgram("unix_command.sh")) + " " + Quoted(unixResult);
    for (const std::string& argument : arguments) command += " " + Quoted(argument);
    return RunScript(command, result);
}

// e2e_write_probe.exe: one big write, made when a test says so, for proving that a
// file-size limit put on a running Windows program makes its writes come up short.
//
//   e2e_write_probe.exe EVENT OUTPUT BYTES REPORT
//
// Waits (up to a minute) for the named event EVENT, then writes BYTES bytes to OUTPUT in
// one WriteFile call and writes "returned=R written=W error=E" (WriteFile's result, the
// count it reported, GetLastError) to REPORT. Exit code 0, or 2 on a bad command line or
// when the event never came, 3 when OUTPUT cannot be created.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    DWORD bytes = std::strtoul(argv[3], nullptr, 10);
    HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, argv[1]);
    if (go == nullptr) return 2;
    DWORD waited = WaitForSingleObject(go, 60000);
    CloseHandle(go);
    if (waited != WAIT_OBJECT_0) return 2;

    HANDLE file = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    std::vector<char> data(bytes, 'x');
    DWORD written = 0;
    SetLastError(0);
    BOOL returned = WriteFile(file, data.data(), bytes, &written, nullptr);
    DWORD error = GetLastError();
    CloseHandle(file);

    char line[96];
    int length =
        std::snprintf(line, sizeof line, "returned=%d written=%lu error=%lu", returned,
                      static_cast<unsigned long>(written), static_cast<unsigned long>(error));
    HANDLE report = CreateFileA(argv[4], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (report == INVALID_HANDLE_VALUE) return 3;
    DWORD reported = 0;
    WriteFile(report, line, static_cast<DWORD>(length), &reported, nullptr);
    CloseHandle(report);
    return 0;
}

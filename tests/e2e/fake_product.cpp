// fake_product.exe driven from a test; see fake_product.h.
#include "tests/e2e/fake_product.h"

#include <windows.h>

#include "tests/e2e/message_boxes.h"

namespace {

std::string CommandLineFor(const std::string& record, const std::vector<std::wstring>& classes,
                           bool ignoreClose) {
    std::string line = "\"" + record + "\"";
    if (ignoreClose) line += " --ignore-close";
    if (classes.empty()) line += " --no-windows";
    for (const std::wstring& name : classes) {
        // Class names are plain ASCII.
        line += " " + std::string(name.begin(), name.end());
    }
    return line;
}

struct WindowSearch {
    DWORD processId;         // 0: any process
    const wchar_t* classId;  // null: any class
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindows(HWND window, LPARAM param) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
    if (!IsWindowVisible(window)) return TRUE;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (search->processId != 0 && process != search->processId) return TRUE;
    if (search->classId != nullptr) {
        wchar_t name[256] = {};
        GetClassNameW(window, name, 256);
        if (lstrcmpW(name, search->classId) != 0) return TRUE;
    }
    search->found.push_back(window);
    return TRUE;
}

}  // namespace

FakeProduct::FakeProduct(const std::vector<std::wstring>& classNames, bool ignoreClose,
                         const std::string& program)
    : windowCount_(classNames.size()),
      record_(folder_.File("requests.txt")),
      program_(program.empty() ? BesideThisProgram("fake_product.exe") : program, folder_.path(),
               CommandLineFor(record_, classNames, ignoreClose)) {}

bool FakeProduct::WaitForWindows(DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (Windows().size() < windowCount_) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

std::vector<HWND> FakeProduct::Windows() const {
    WindowSearch search = {program_.id(), nullptr, {}};
    if (program_.started()) EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<std::string> FakeProduct::Requests() const {
    std::vector<std::string> lines;
    if (!TestFileExists(record_)) return lines;
    std::string text = ReadTestFile(record_);
    size_t begin = 0;
    for (size_t end; (end = text.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
        lines.push_back(text.substr(begin, end - begin));
    }
    return lines;
}

bool FakeProduct::WaitForRequests(size_t count, DWORD timeoutMs) const {
    DWORD start = GetTickCount();
    while (Requests().size() < count) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

void PostCloseRequest(HWND window, WPARAM wParam, LPARAM lParam) {
    PostMessageW(window, kCloseRequestMessage, wParam, lParam);
}

std::vector<HWND> TopLevelWindows(const wchar_t* className) {
    WindowSearch search = {0, className, {}};
    EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string TitleOf(HWND window) { return Utf8(WindowText(window)); }

// Product programs found by their image path; see product_processes.h.
#include "app/product_processes.h"

#include <tlhelp32.h>

#include <cstring>

#include "app/upgrade_procedure.h"
#include "app/upgrade_sequence.h"
#include "app/window_class.h"
#include "payload/carried_files.h"
#include "support/file_access.h"
#include "support/scoped_win.h"

namespace {

// A file's identity: the same file however its path is spelled (letter case, short
// names, "/" for "\", a second hard link).
struct FileIdentity {
    bool known = false;
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
};

FileIdentity IdentityOf(const char* path) {
    FileIdentity identity;
    // No access asked for, all sharing given: this open succeeds on a running program's
    // image and never disturbs a holder.
    FileHandle file(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.valid()) return identity;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(file.get(), &info)) {
        identity.known = true;
        identity.volume = info.dwVolumeSerialNumber;
        identity.indexHigh = info.nFileIndexHigh;
        identity.indexLow = info.nFileIndexLow;
    }
    return identity;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.known && b.known && a.volume == b.volume && a.indexHigh == b.indexHigh &&
           a.indexLow == b.indexLow;
}

struct WindowOwner {
    DWORD processId;
    bool found;
};

// Whether a visible top-level window of a product class belongs to the process.
BOOL CALLBACK FindOwnedProductWindow(HWND window, LPARAM search) {
    WindowOwner* owner = reinterpret_cast<WindowOwner*>(search);
    if (!IsWindowOfProcess(window, owner->processId)) return TRUE;
    if (HasWindowClass(window, kLogViewClassName) || HasWindowClass(window, kOnLineClassName)) {
        owner->found = true;
        return FALSE;
    }
    return TRUE;
}

// The image path of a process, or false when it cannot be asked (a process of another
// user that even PROCESS_QUERY_LIMITED_INFORMATION is refused for: it is then not ours to
// close either, and its files show as held when they are checked).
bool ImageOf(DWORD processId, char (&image)[MAX_PATH]) {
    ObjectHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.valid()) return false;
    DWORD size = MAX_PATH;
    return QueryFullProcessImageNameA(process.get(), 0, image, &size) != FALSE;
}

}  // namespace

int FindProductProcesses(const char* productFolder, ProductProcess* found, int capacity) {
    FileIdentity targets[kPayloadFileCount];
    char names[kPayloadFileCount][kTargetPathSize];
    for (int i = 0; i < kPayloadFileCount; ++i) {
        if (ConcatPath(names[i], productFolder, "\\", kCarriedFiles[i].productName)) {
            targets[i] = IdentityOf(names[i]);
        }
    }
    FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) return 0;
    int count = 0;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) continue;
        char image[MAX_PATH];
        if (!ImageOf(entry.th32ProcessID, image)) continue;
        FileIdentity identity = IdentityOf(image);
        bool product = false;
        for (int i = 0; i < kPayloadFileCount && !product; ++i) {
            product = SameFile(identity, targets[i]) ||
                      (!identity.known && lstrcmpiA(image, names[i]) == 0);
        }
        if (!product) continue;
        if (count < capacity) {
            ProductProcess& process = found[count];
            process.id = entry.th32ProcessID;
            process.session = 0;
            ProcessIdToSessionId(entry.th32ProcessID, &process.session);
            WindowOwner owner = {entry.th32ProcessID, false};
            EnumWindows(FindOwnedProductWindow, reinterpret_cast<LPARAM>(&owner));
            process.hasProductWindow = owner.found;
            std::memcpy(process.image, image, sizeof process.image);
        }
        ++count;
    }
    return count;
}

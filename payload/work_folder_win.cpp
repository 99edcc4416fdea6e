// The work folder; see work_folder.h.
#include "payload/work_folder.h"

#include <shlobj.h>

#include <cstring>

char workFolder[kWorkFolderSize];

const char* GetWorkFolder(HWND owner) {
    static char folder[MAX_PATH + 1];
    bool found = false;
    LPITEMIDLIST list = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(owner, CSIDL_TEMPLATES, &list)) && list != nullptr) {
        found = SHGetPathFromIDListA(list, folder) != FALSE;
        CoTaskMemFree(list);
    }
    if (!found) std::strcpy(folder, "C:");
    // The templates path fits MAX_PATH with its terminator; the separator needs one more.
    size_t length = std::strlen(folder);
    folder[length] = '\\';
    folder[length + 1] = '\0';
    return folder;
}

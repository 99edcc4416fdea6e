// DLLs taken from the system folder only; see system_dll.h.
#include "support/system_dll.h"

#include <cstring>

bool RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return false;
    auto setDirectories = ProcAs<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories");
    return setDirectories != nullptr && setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

HMODULE LoadSystemDll(const char* name) {
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    size_t nameLength = std::strlen(name);
    if (length == 0 || length + 1 + nameLength >= MAX_PATH) return nullptr;
    path[length] = '\\';
    std::memcpy(path + length + 1, name, nameLength + 1);
    // The altered search order looks for the DLL's own imports beside it, in the system
    // folder, rather than beside the program.
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool InitCommonControlsFromSystem() {
    using InitCommonControlsFn = void(WINAPI*)();
    HMODULE comctl = LoadSystemDll("comctl32.dll");
    if (comctl == nullptr) return false;
    auto init = ProcAs<InitCommonControlsFn>(comctl, "InitCommonControls");
    if (init == nullptr) {
        FreeLibrary(comctl);
        return false;
    }
    init();
    return true;
}

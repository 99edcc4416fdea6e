// Loads DLLs in a process of its own, so that tests can run it from a folder of their
// choice (with planted DLLs beside it) and with Wine's DLL overrides set for it:
//   load_probe [--restricted] [--system] NAME...
// loads each DLL by LoadLibraryA(NAME), the search by name that an import or a system
// DLL's own load goes through, or with --system by LoadSystemDll(NAME); with --restricted
// after RestrictDllSearchToSystemFolder, as the installer starts. Exits 0 when every DLL
// was loaded, 1 when one was not, 2 when the search could not be narrowed, 100 without a
// DLL name.
#include <windows.h>

#include <cstring>

#include "support/system_dll.h"

int main(int argc, char** argv) {
    bool restricted = false;
    bool system = false;
    int first = 1;
    for (; first < argc && argv[first][0] == '-'; ++first) {
        if (std::strcmp(argv[first], "--restricted") == 0) restricted = true;
        if (std::strcmp(argv[first], "--system") == 0) system = true;
    }
    if (first >= argc) return 100;
    if (restricted && !RestrictDllSearchToSystemFolder()) return 2;
    for (int i = first; i < argc; ++i) {
        HMODULE module = system ? LoadSystemDll(argv[i]) : LoadLibraryA(argv[i]);
        if (module == nullptr) return 1;
        FreeLibrary(module);
    }
    return 0;
}

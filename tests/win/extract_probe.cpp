// Runs the extraction of an installer file into a folder and exits with its reason code,
// so that tests can run it in a process of its own: from a folder of their choice (with
// a planted lz32.dll beside it) and with Wine's DLL overrides set for that process.
//   extract_probe INSTALLER FOLDER            the extraction
//   extract_probe --plain-load                LoadLibrary("lz32.dll") as an import would;
//                                             exit 0 when something was loaded
#include <windows.h>

#include <cstring>

#include "payload/extract.h"
#include "support/file_access.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--plain-load") == 0) {
        return LoadLibraryA("lz32.dll") != nullptr ? 0 : 1;
    }
    if (argc != 3) return 100;
    CreateFileLock();
    int32_t code = UnpackPayloadFrom(argv[1], argv[2]);
    DeleteFileLock();
    return code;
}

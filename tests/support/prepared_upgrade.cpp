// The scene of an end-to-end run; see prepared_upgrade.h.
#include "tests/support/prepared_upgrade.h"

#include <windows.h>

#include "app/discovery.h"
#include "payload/work_folder.h"
#include "tests/support/product_file.h"
#include "tests/support/temp_folder.h"

bool InstallOldProduct(const std::string& folder) {
    if (!CreateDirectoryA(folder.c_str(), nullptr)) return false;
    RecordFields old;
    old.versionText = "5.2 R";
    old.build = 1187;
    old.dateChars = "250611";
    for (const char* name : {"qelMapE.dll", "tVisLV.exe", "tVisX.exe"}) {
        if (!WriteTestFile(folder + name, ToString(MakeProductFile(150000, 3000, old)))) {
            return false;
        }
    }
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    LONG written =
        RegSetValueExA(key, "path", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);
    return written == ERROR_SUCCESS;
}

Bytes MakeUpgradeInstaller(const Bytes& stub) {
    RecordFields fresh;
    fresh.build = 1250;
    fresh.dateChars = "261210";
    fresh.hour = 14;
    fresh.minute = 30;
    fresh.second = 5;
    fresh.hundredths = 50;
    Bytes regions[3];
    for (int i = 0; i < 3; ++i) regions[i] = Compress(MakeProductFile(180000, 2000, fresh), 'e');
    return MakeInstallerImage(stub, regions);
}

void ForgetUpgradeRuns() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kProductKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    const std::string work = GetWorkFolder(nullptr);
    for (const char* name :
         {"QELMAPE.WCP", "TVISLV.WCP", "TVISX.WCP", "qelmape.dllu", "tvislv.exeu", "tvisx.exeu"}) {
        DeleteFileA((work + name).c_str());
    }
}

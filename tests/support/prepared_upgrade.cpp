// The scene of an end-to-end run; see prepared_upgrade.h.
#include "tests/support/prepared_upgrade.h"

#include <windows.h>

#include "app/discovery.h"
#include "payload/carried_files.h"
#include "payload/work_folder.h"
#include "tests/support/temp_folder.h"

RecordFields InstalledRecord() {
    RecordFields fields;
    fields.versionText = "5.2 R";
    fields.build = 1187;
    fields.dateChars = "250611";
    return fields;
}

RecordFields UpgradeRecord() {
    RecordFields fields;
    fields.build = 1250;
    fields.dateChars = "261210";
    fields.hour = 14;
    fields.minute = 30;
    fields.second = 5;
    fields.hundredths = 50;
    return fields;
}

bool SetProductPath(const std::string& folder) {
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

bool InstallOldProduct(const std::string& folder, const RecordFields& installed) {
    if (!CreateDirectoryA(folder.c_str(), nullptr)) return false;
    for (const CarriedFile& file : kCarriedFiles) {
        if (!WriteTestFile(folder + file.productName,
                           ToString(MakeProductFile(150000, 3000, installed)))) {
            return false;
        }
    }
    return SetProductPath(folder);
}

Bytes MakeUpgradeInstaller(const Bytes& stub, const RecordFields& upgrade) {
    Bytes regions[kPayloadFileCount];
    for (Bytes& region : regions) region = Compress(MakeProductFile(180000, 2000, upgrade), 'e');
    return MakeInstallerImage(stub, regions);
}

void ForgetUpgradeRuns() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kProductKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    const std::string work = GetWorkFolder(nullptr);
    for (const CarriedFile& file : kCarriedFiles) {
        DeleteFileA((work + file.compressedName).c_str());
        DeleteFileA((work + file.workName).c_str());
    }
}

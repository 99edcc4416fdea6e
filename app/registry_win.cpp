// Registry access on advapi32; see registry.h.
#include "app/registry.h"

#include <cstring>

#include "app/registry_text.h"

bool hklmWritable = false;

namespace {

constexpr DWORD kProbeValue = 0x12348765;
// The product's keys as the 32-bit view shows them, whichever build runs: on 64-bit Windows
// a 32-bit program's HKLM\SOFTWARE is SOFTWARE\WOW6432Node, and that is where the product,
// a 32-bit program, keeps its values. Without the flag the 64-bit build would read the other
// view and miss them. (A 32-bit system, and HKCU\Software, have only one view; the flag is
// then ignored.)
constexpr REGSAM kProductView = KEY_WOW64_32KEY;
constexpr DWORD kValueBufferSize = 512;

// Closes a registry key when the function returns.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

HKEY EffectiveRoot(HKEY root) {
    return (root == HKEY_LOCAL_MACHINE && !hklmWritable) ? HKEY_CURRENT_USER : root;
}

}  // namespace

int ReadRegString(HKEY root, const char* keyPath, unsigned maximumLength, const char* valueName,
                  char* output) {
    if (root == nullptr) root = hklmWritable ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    // Room beyond the query limit for the terminator the ANSI function adds to a string.
    BYTE value[kValueBufferSize];
    std::memset(value, 0, sizeof value);

    RegKey key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_ALL_ACCESS | kProductView, key.out()) != ERROR_SUCCESS)
        return 0;
    DWORD size = kRegistryQueryLimit;
    LONG status = RegQueryValueExA(key.get(), valueName, nullptr, nullptr, value, &size);
    // A value too long for the buffer (ERROR_MORE_DATA) is not read, like a missing one.
    return CopyRegistryText(status == ERROR_SUCCESS ? value : nullptr, size, maximumLength, output);
}

DWORD ReadRegDword(HKEY root, const char* keyPath, const char* valueName, DWORD fallback) {
    root = EffectiveRoot(root);
    RegKey key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ | KEY_WRITE | kProductView, key.out()) !=
        ERROR_SUCCESS) {
        WriteRegDword(root, keyPath, valueName, fallback);
        if (RegOpenKeyExA(root, keyPath, 0, KEY_READ | KEY_WRITE | kProductView, key.out()) !=
            ERROR_SUCCESS) {
            return fallback;
        }
    }
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key.get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS) {
        WriteRegDword(root, keyPath, valueName, fallback);
        return fallback;
    }
    return value;
}

void WriteRegDword(HKEY root, const char* keyPath, const char* valueName, DWORD value) {
    root = EffectiveRoot(root);
    RegKey key;
    if (RegCreateKeyExA(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE | kProductView, nullptr, key.out(), nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key.get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
}

void ProbeMachineHive() {
    static const char kProbeKey[] = "SOFTWARE\\qelWawPl\\";
    hklmWritable = true;
    WriteRegDword(HKEY_LOCAL_MACHINE, kProbeKey, "HKLMtest", kProbeValue);
    hklmWritable = ReadRegDword(HKEY_LOCAL_MACHINE, kProbeKey, "HKLMtest", 0) == kProbeValue;
}

// The user's Templates folder moved elsewhere for a test, as a redirected profile or
// another user name moves it. Windows builds only.
#pragma once

#include <windows.h>

#include <string>

// The user's Templates folder, where the installer unpacks, moved to `folder` while this
// lives: the shell takes it from the per-user "User Shell Folders" key, as Windows does
// for a redirected profile.
class MovedTemplatesFolder {
public:
    explicit MovedTemplatesFolder(const std::string& folder) {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                            nullptr, &key_, nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        DWORD size = sizeof saved_;
        hadValue_ = RegQueryValueExA(key_, "Templates", nullptr, &savedType_,
                                     reinterpret_cast<BYTE*>(saved_), &size) == ERROR_SUCCESS;
        savedSize_ = size;
        moved_ = RegSetValueExA(key_, "Templates", 0, REG_EXPAND_SZ,
                                reinterpret_cast<const BYTE*>(folder.c_str()),
                                static_cast<DWORD>(folder.size() + 1)) == ERROR_SUCCESS;
    }
    ~MovedTemplatesFolder() {
        if (key_ == nullptr) return;
        if (hadValue_) {
            RegSetValueExA(key_, "Templates", 0, savedType_, reinterpret_cast<BYTE*>(saved_),
                           savedSize_);
        } else {
            RegDeleteValueA(key_, "Templates");
        }
        RegCloseKey(key_);
    }
    MovedTemplatesFolder(const MovedTemplatesFolder&) = delete;
    MovedTemplatesFolder& operator=(const MovedTemplatesFolder&) = delete;
    bool moved() const { return moved_; }

private:
    static constexpr const char* kShellFolders =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    HKEY key_ = nullptr;
    bool hadValue_ = false;
    bool moved_ = false;
    DWORD savedType_ = 0;
    DWORD savedSize_ = 0;
    char saved_[1024] = {};
};

// Helpers of the Win32 tests: the program's settings key emptied for a test
// and given back afterwards, and direct registry access to check what the
// store really wrote.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "settings/SettingsStore.h"

namespace win32test {

// Saves every value of the settings key, deletes the key so a test starts
// as on a first run, and restores the values (or the key's absence) when it
// goes.
class SettingsKeyBackup {
public:
    SettingsKeyBackup() {
        HKEY key;
        existed_ = RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (existed_) {
            for (DWORD index = 0;; ++index) {
                char name[16384];
                DWORD nameLength = sizeof name;
                DWORD type = 0;
                DWORD size = 0;
                if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
                    break;
                }
                Value value{name, type, std::vector<BYTE>(size)};
                nameLength = sizeof name;
                RegEnumValueA(key, index, name, &nameLength, nullptr, &type,
                              value.data.empty() ? nullptr : value.data.data(), &size);
                values_.push_back(value);
            }
            RegCloseKey(key);
        }
        RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    }

    ~SettingsKeyBackup() {
        RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
        if (!existed_) return;
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                            &key, nullptr) != ERROR_SUCCESS) {
            return;
        }
        for (const Value& value : values_) {
            RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.empty() ? nullptr : value.data.data(),
                           DWORD(value.data.size()));
        }
        RegCloseKey(key);
    }

    SettingsKeyBackup(const SettingsKeyBackup&) = delete;
    SettingsKeyBackup& operator=(const SettingsKeyBackup&) = delete;

private:
    struct Value {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    bool existed_ = false;
    std::vector<Value> values_;
};

struct RawValue {
    bool present = false;
    DWORD type = 0;
    std::string bytes;  // as stored, NUL included
};

inline RawValue rawValue(HKEY root, const char* subkey, const char* name) {
    RawValue value;
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<char> data(size + 1);
        if (RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data.data()), &size) ==
            ERROR_SUCCESS) {
            value.present = true;
            value.bytes.assign(data.data(), size);
        }
    }
    RegCloseKey(key);
    return value;
}

inline RawValue settingsValue(const char* name) {
    return rawValue(HKEY_CURRENT_USER, kSettingsKey, name);
}

// Stores raw bytes as a REG_SZ value of the settings key.
inline void setRawText(const char* name, const std::string& bytes) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
    RegCloseKey(key);
}

}  // namespace win32test

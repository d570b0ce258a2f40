// Helpers of the Win32 tests: the program's settings key emptied for a test
// and given back afterwards, and direct registry access to check what the
// store really wrote. Wide calls throughout, so that values in any script
// come back whole.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/Utf8.h"
#include "settings/SettingsStore.h"

namespace win32test {

// Saves every value of the settings key, deletes the key so a test starts
// as on a first run, and restores the values (or the key's absence) when it
// goes.
class SettingsKeyBackup {
public:
    SettingsKeyBackup() {
        HKEY key;
        existed_ = RegOpenKeyExW(HKEY_CURRENT_USER, subkey().c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (existed_) {
            for (DWORD index = 0;; ++index) {
                wchar_t name[16384];
                DWORD nameLength = 16384;
                DWORD type = 0;
                DWORD size = 0;
                if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
                    break;
                }
                Value value{name, type, std::vector<BYTE>(size)};
                nameLength = 16384;
                RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                              value.data.empty() ? nullptr : value.data.data(), &size);
                values_.push_back(value);
            }
            RegCloseKey(key);
        }
        RegDeleteKeyW(HKEY_CURRENT_USER, subkey().c_str());
    }

    ~SettingsKeyBackup() {
        RegDeleteKeyW(HKEY_CURRENT_USER, subkey().c_str());
        if (!existed_) return;
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, subkey().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                            nullptr, &key, nullptr) != ERROR_SUCCESS) {
            return;
        }
        for (const Value& value : values_) {
            RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.empty() ? nullptr : value.data.data(),
                           DWORD(value.data.size()));
        }
        RegCloseKey(key);
    }

    SettingsKeyBackup(const SettingsKeyBackup&) = delete;
    SettingsKeyBackup& operator=(const SettingsKeyBackup&) = delete;

private:
    static std::wstring subkey() { return platform::widen(kSettingsKey); }
    struct Value {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };
    bool existed_ = false;
    std::vector<Value> values_;
};

struct RawValue {
    bool present = false;
    DWORD type = 0;
    std::string bytes;  // as stored (UTF-16 made UTF-8), NUL included
};

inline RawValue rawValue(HKEY root, const char* subkey, const char* name) {
    RawValue value;
    HKEY key;
    if (RegOpenKeyExW(root, platform::widen(subkey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
    const std::wstring wideName = platform::widen(name);
    DWORD size = 0;
    if (RegQueryValueExW(key, wideName.c_str(), nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        std::wstring data(size / 2 + 1, L'\0');
        if (RegQueryValueExW(key, wideName.c_str(), nullptr, &value.type, reinterpret_cast<BYTE*>(&data[0]), &size) ==
            ERROR_SUCCESS) {
            value.present = true;
            value.bytes = platform::narrow(std::wstring_view(data.data(), size / 2));
        }
    }
    RegCloseKey(key);
    return value;
}

inline RawValue settingsValue(const char* name) {
    return rawValue(HKEY_CURRENT_USER, kSettingsKey, name);
}

// Stores raw bytes as a REG_SZ value of the settings key through the ANSI
// call, as earlier versions stored every value: the bytes are taken in the
// ANSI code page.
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

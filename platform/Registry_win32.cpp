#include <windows.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "platform/Registry.h"
#include "platform/Utf8.h"

namespace platform {
namespace {

// The wide calls: a string value is UTF-16 in the registry whichever form
// wrote it, so values that earlier versions stored read back unchanged.
class Win32Key : public RegistryKey {
public:
    explicit Win32Key(HKEY key) : key_(key) {}
    ~Win32Key() override { RegCloseKey(key_); }
    Win32Key(const Win32Key&) = delete;
    Win32Key& operator=(const Win32Key&) = delete;

    bool longestValueLength(size_t* length) override {
        DWORD longest = 0;
        if (RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest,
                             nullptr, nullptr) != ERROR_SUCCESS) {
            return false;
        }
        // Each UTF-16 unit (an odd last byte too) takes at most three bytes in UTF-8.
        const size_t units = size_t(longest / 2) + (longest % 2);
        if (units > SIZE_MAX / 3) return false;
        *length = units * 3;
        return true;
    }

    bool readValue(const char* name, char* buffer, size_t capacity, size_t* stored) override {
        try {
            const std::wstring wideName = widen(name);
            DWORD size = 0;
            if (RegQueryValueExW(key_, wideName.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
                return false;
            }
            // Every unit takes at least a byte in UTF-8: more units than
            // capacity cannot fit, and are not read at all.
            const size_t units = size_t(size / 2) + (size % 2);
            if (units > capacity) return false;
            std::wstring data(units, L'\0');
            DWORD got = size;
            if (size > 0 && RegQueryValueExW(key_, wideName.c_str(), nullptr, nullptr,
                                             reinterpret_cast<BYTE*>(&data[0]), &got) != ERROR_SUCCESS) {
                return false;  // changed meanwhile, say
            }
            data.resize(got / 2);
            const std::string text = narrow(data);  // its NUL too, when stored
            if (text.size() > capacity) return false;
            std::memcpy(buffer, text.data(), text.size());
            *stored = text.size();
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    bool writeText(const char* name, const char* text) override {
        try {
            const std::wstring wide = widen(text);
            if (wide.size() >= MAXDWORD / sizeof(wchar_t)) return false;
            return RegSetValueExW(key_, widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                                  static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

private:
    HKEY key_;
};

class Win32Registry : public Registry {
public:
    std::unique_ptr<RegistryKey> openForReading(const char* subkey) override {
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, widen(subkey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return nullptr;
        }
        return std::make_unique<Win32Key>(key);
    }

    std::unique_ptr<RegistryKey> createForWriting(const char* subkey) override {
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, widen(subkey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                            nullptr, &key, nullptr) != ERROR_SUCCESS) {
            return nullptr;
        }
        return std::make_unique<Win32Key>(key);
    }
};

}  // namespace

Registry& defaultRegistry() {
    static Win32Registry own;
    return own;
}

}  // namespace platform

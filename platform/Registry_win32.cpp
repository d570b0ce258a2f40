#include <windows.h>

#include <cstring>

#include "platform/Registry.h"

namespace platform {
namespace {

class Win32Key : public RegistryKey {
public:
    explicit Win32Key(HKEY key) : key_(key) {}
    ~Win32Key() override { RegCloseKey(key_); }
    Win32Key(const Win32Key&) = delete;
    Win32Key& operator=(const Win32Key&) = delete;

    bool longestValueLength(size_t* length) override {
        DWORD longest = 0;
        if (RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest,
                             nullptr, nullptr) != ERROR_SUCCESS) {
            return false;
        }
        *length = longest;
        return true;
    }

    bool readValue(const char* name, char* buffer, size_t capacity, size_t* stored) override {
        if (capacity > MAXDWORD) capacity = MAXDWORD;
        DWORD size = static_cast<DWORD>(capacity);
        if (RegQueryValueExA(key_, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) {
            return false;
        }
        *stored = size;
        return true;
    }

    bool writeText(const char* name, const char* text) override {
        size_t length = std::strlen(text);
        if (length >= MAXDWORD) return false;
        return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                              static_cast<DWORD>(length + 1)) == ERROR_SUCCESS;
    }

private:
    HKEY key_;
};

class Win32Registry : public Registry {
public:
    std::unique_ptr<RegistryKey> openForReading(const char* subkey) override {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return nullptr;
        }
        return std::make_unique<Win32Key>(key);
    }

    std::unique_ptr<RegistryKey> createForWriting(const char* subkey) override {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
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

// An in-memory registry: keys by path, values as raw bytes. Installed while
// alive. Switches make each operation fail on demand.
#pragma once

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "Installed.h"
#include "platform/Registry.h"

namespace fakes {

class FakeRegistry : public Installed<platform::Registry, platform::setRegistry> {
public:
    using Values = std::map<std::string, std::string>;

    std::unique_ptr<platform::RegistryKey> openForReading(const char* subkey) override {
        auto found = keys.find(subkey);
        if (found == keys.end()) return nullptr;
        return std::make_unique<Key>(*this, found->second);
    }

    std::unique_ptr<platform::RegistryKey> createForWriting(const char* subkey) override {
        if (failCreate) return nullptr;
        return std::make_unique<Key>(*this, keys[subkey]);
    }

    // A value as the program would store it (text plus NUL).
    void setText(const std::string& subkey, const std::string& name, const std::string& text) {
        keys[subkey][name] = text + '\0';
    }
    // The stored text (up to its NUL); "<absent>" when there is none.
    std::string text(const std::string& subkey, const std::string& name) const {
        auto key = keys.find(subkey);
        if (key == keys.end()) return "<absent>";
        auto value = key->second.find(name);
        if (value == key->second.end()) return "<absent>";
        return std::string(value->second.c_str());
    }
    bool hasValue(const std::string& subkey, const std::string& name) const {
        auto key = keys.find(subkey);
        return key != keys.end() && key->second.count(name) != 0;
    }

    std::map<std::string, Values> keys;
    bool failQueryInfo = false;
    bool failCreate = false;
    std::string failSetValueNamed;  // writes of this value fail
    int openKeys = 0;               // keys open right now

private:
    class Key : public platform::RegistryKey {
    public:
        Key(FakeRegistry& owner, Values& values) : owner_(owner), values_(values) { ++owner_.openKeys; }
        ~Key() override { --owner_.openKeys; }
        Key(const Key&) = delete;
        Key& operator=(const Key&) = delete;

        bool longestValueLength(size_t* length) override {
            if (owner_.failQueryInfo) return false;
            *length = 0;
            for (const auto& value : values_) {
                if (value.second.size() > *length) *length = value.second.size();
            }
            return true;
        }

        bool readValue(const char* name, char* buffer, size_t capacity, size_t* stored) override {
            auto found = values_.find(name);
            if (found == values_.end() || found->second.size() > capacity) return false;
            std::memcpy(buffer, found->second.data(), found->second.size());
            *stored = found->second.size();
            return true;
        }

        bool writeText(const char* name, const char* text) override {
            if (owner_.failSetValueNamed == name) return false;
            values_[name] = std::string(text) + '\0';
            return true;
        }

    private:
        FakeRegistry& owner_;
        Values& values_;
    };
};

}  // namespace fakes

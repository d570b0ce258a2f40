// The settings store against the real registry and real files: the shared
// suite, and what only the real registry shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "SettingsKeyBackup.h"
#include "tests/unit/SettingsStoreSuite.h"
#include "tests/unit/TestSupport.h"

namespace settings_suite {
namespace {

namespace fs = std::filesystem;

// The program's settings key emptied for the test and given back afterwards;
// list files in a directory of the test's own.
struct RealBackend {
    std::string path(const std::string& name) const { return directory.at(name); }
    // A folder, and a file in a folder that does not exist: neither can be
    // written (unlike a read-only file, which the superuser Wine may run as
    // can still write).
    std::string unwritable(int which) const {
        if (which == 0) {
            fs::create_directories(path("folder"));
            return path("folder");
        }
        return path("none\\list.qx");
    }
    void putFile(const std::string& place, const std::string& content) const {
        std::ofstream(place, std::ios::binary) << content;
    }
    std::string fileText(const std::string& place) const {
        if (!fs::is_regular_file(place)) return "<absent>";
        std::ifstream in(place, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::set<std::string> files() const {
        std::set<std::string> paths;
        for (const auto& entry : fs::recursive_directory_iterator(directory.path())) {
            if (entry.is_regular_file()) paths.insert(entry.path().string());
        }
        return paths;
    }
    bool keyExists() const {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    std::string stored(const char* name) const {
        const win32test::RawValue value = win32test::settingsValue(name);
        return value.present ? value.bytes : "<absent>";
    }
    void storeRaw(const char* name, const std::string& bytes) const { win32test::setRawText(name, bytes); }

    win32test::SettingsKeyBackup backup;
    test::TempDirectory directory;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Real, SettingsStore, RealBackend);

TEST(RealSettingsStore, TextsAreStoredAsStrings) {
    win32test::SettingsKeyBackup backup;
    test::RecordingSink messages;
    writeSetting(kTimeSetting, "30");
    EXPECT_EQ(win32test::settingsValue(kTimeSetting).type, DWORD(REG_SZ));
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace settings_suite

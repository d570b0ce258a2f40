// The settings store against the real registry and real files.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "SettingsKeyBackup.h"
#include "tests/unit/TestSupport.h"
#include "tests/unit/fakes/ScriptedSaveDialog.h"
#include "settings/SettingsStore.h"

namespace {

std::string listOfLength(size_t length) {
    std::string list;
    int i = 0;
    while (list.size() < length) list += "C:\\pictures\\photo" + std::to_string(i++) + ".jpg\a";
    list.resize(length - 1);
    list += '\a';
    return list;
}

std::string read(const char* name) {
    std::unique_ptr<char[]> text = readSetting(name);
    return text ? std::string(text.get()) : std::string("<none>");
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class RealSettingsStore : public ::testing::Test {
protected:
    win32test::SettingsKeyBackup backup;
    test::RecordingSink messages;
    fakes::ScriptedSaveDialog dialog;  // nobody is there to answer a real one
    test::TempFile listFile{".qx"};
};

}  // namespace

TEST_F(RealSettingsStore, AFirstRunReadsNothing) {
    EXPECT_EQ(readSetting(kFilesSetting), nullptr);
    EXPECT_EQ(readSetting(kTimeSetting), nullptr);
    EXPECT_TRUE(messages.shown.empty());
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
}

TEST_F(RealSettingsStore, TextsAreStoredAsStringsWithTheirNul) {
    writeSetting(kTimeSetting, "30");
    writeSetting(kFilesSetting, "");
    win32test::RawValue time = win32test::settingsValue(kTimeSetting);
    ASSERT_TRUE(time.present);
    EXPECT_EQ(time.type, DWORD(REG_SZ));
    EXPECT_EQ(time.bytes, std::string("30\0", 3));
    EXPECT_EQ(read(kTimeSetting), "30");
    EXPECT_EQ(read(kFilesSetting), "");
    EXPECT_EQ(read("Absent"), "<none>");

    // Data stored without a NUL ends right after its last byte.
    win32test::setRawText("Raw", "abc");
    EXPECT_EQ(read("Raw"), "abc");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RealSettingsStore, TheThresholdAndTheMarkerWorkWithRealFiles) {
    writeSetting("FilesFile", listFile.c_str());
    const std::string atLimit = listOfLength(2048);
    writeSetting(kFilesSetting, atLimit.c_str());
    EXPECT_EQ(win32test::settingsValue(kFilesSetting).bytes, atLimit + '\0');

    const std::string overLimit = listOfLength(2049);
    writeSetting(kFilesSetting, overLimit.c_str());
    EXPECT_EQ(win32test::settingsValue(kFilesSetting).bytes, std::string("File\0", 5));
    EXPECT_EQ(fileText(listFile.path()), overLimit);
    EXPECT_FALSE(std::filesystem::exists(listFile.path() + ".tmp"));
    EXPECT_EQ(read(kFilesSetting), overLimit);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(dialog.shown.empty());

    for (const char* marker : {"file", "FILE"}) {
        writeSetting(kFilesSetting, marker);
        EXPECT_EQ(read(kFilesSetting), overLimit) << marker;
    }
}

TEST_F(RealSettingsStore, MissingCompanionAndDeletedOrEmptyFiles) {
    writeSetting(kFilesSetting, "File");
    EXPECT_EQ(readSetting(kFilesSetting), nullptr);
    EXPECT_TRUE(messages.shown.empty());

    const std::string gone = listFile.path() + ".gone";
    writeSetting("FilesFile", gone.c_str());
    EXPECT_EQ(readSetting(kFilesSetting), nullptr);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Unable to read file \"" + gone + "\".\nYou may need to reconfigure Vellumere.");

    listFile.write(std::string());
    writeSetting("FilesFile", listFile.c_str());
    EXPECT_EQ(read(kFilesSetting), "");
}

TEST_F(RealSettingsStore, TheFirstOverflowStoresTheChosenFileThenPathThenMarker) {
    writeSetting(kFilesSetting, "short\a");
    const std::string list = listOfLength(10000);
    dialog.choose(listFile.path());
    writeSetting(kFilesSetting, list.c_str());
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(fileText(listFile.path()), list);
    EXPECT_EQ(win32test::settingsValue("FilesFile").bytes, listFile.path() + '\0');
    EXPECT_EQ(read(kFilesSetting), list);

    // Shrinking goes back to the registry and leaves the file alone.
    writeSetting(kFilesSetting, "A\aB\a");
    EXPECT_EQ(read(kFilesSetting), "A\aB\a");
    EXPECT_EQ(fileText(listFile.path()), list);
}

TEST_F(RealSettingsStore, AnUnwritableChoiceStoresNothing) {
    // A folder, and a file in a folder that does not exist: neither can be
    // written (unlike a read-only file, which the superuser Wine may run as
    // can still write).
    const std::string folder = listFile.path() + ".folder";
    std::filesystem::create_directories(folder);
    const std::string nowhere = listFile.path() + ".none\\list.qx";
    writeSetting(kFilesSetting, "short\a");
    dialog.choose(folder);
    dialog.choose(nowhere);
    messages.answers = {platform::kIdOk, platform::kIdYes, platform::kIdNo};
    writeSetting(kFilesSetting, listOfLength(3000).c_str());
    std::filesystem::remove(folder);

    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[1].text,
              "Unable to open file \"" + folder + "\" for writing.\nSelect another filename?");
    EXPECT_EQ(messages.shown[2].text,
              "Unable to open file \"" + nowhere + "\" for writing.\nSelect another filename?");
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    EXPECT_FALSE(std::filesystem::exists(nowhere + ".tmp"));
    EXPECT_EQ(read(kFilesSetting), "short\a");
    EXPECT_FALSE(win32test::settingsValue("FilesFile").present);
}

TEST_F(RealSettingsStore, RewritingTheListFileReplacesItWhole) {
    writeSetting("FilesFile", listFile.c_str());
    writeSetting(kFilesSetting, listOfLength(9000).c_str());
    const std::string shorter = listOfLength(3000);
    writeSetting(kFilesSetting, shorter.c_str());
    EXPECT_EQ(fileText(listFile.path()), shorter);  // no tail of the longer list
    EXPECT_EQ(read(kFilesSetting), shorter);
}

TEST_F(RealSettingsStore, CancellingTheFirstOverflowLeavesTheRegistryAsItWas) {
    writeSetting(kFilesSetting, "before\a");
    dialog.cancel();
    writeSetting(kFilesSetting, listOfLength(2049).c_str());
    ASSERT_EQ(messages.shown.size(), 1u);  // the notice only
    EXPECT_EQ(win32test::settingsValue(kFilesSetting).bytes, std::string("before\a\0", 8));
    EXPECT_FALSE(win32test::settingsValue("FilesFile").present);
}

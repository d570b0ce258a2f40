// The settings store over the fakes: the shared suite, and the failures that
// only the fakes can bring about on demand.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "SettingsStoreSuite.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakeRegistry.h"
#include "settings/ExcludedList.h"

namespace settings_suite {
namespace {

struct FakeBackend {
    std::string path(const std::string& name) const { return "C:\\Users\\me\\" + name; }
    std::string unwritable(int which) {
        const std::string place = path("locked" + std::to_string(which) + ".qx");
        fileSystem.unwritable.insert(place);
        return place;
    }
    void putFile(const std::string& place, const std::string& content) { fileSystem.files[place] = content; }
    std::string fileText(const std::string& place) const {
        auto found = fileSystem.files.find(place);
        return found == fileSystem.files.end() ? "<absent>" : found->second;
    }
    std::set<std::string> files() const {
        std::set<std::string> paths;
        for (const auto& file : fileSystem.files) paths.insert(file.first);
        return paths;
    }
    bool keyExists() const { return registry.keys.count(kSettingsKey) != 0; }
    std::string stored(const char* name) const {
        return registry.hasValue(kSettingsKey, name) ? registry.keys.at(kSettingsKey).at(name) : "<absent>";
    }
    void storeRaw(const char* name, const std::string& bytes) { registry.keys[kSettingsKey][name] = bytes; }

    fakes::FakeRegistry registry;
    fakes::FakeFileSystem fileSystem;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, SettingsStore, FakeBackend);

class FakeSettingsStore : public SettingsStore<FakeBackend> {
protected:
    fakes::FakeRegistry& registry = backend.registry;
    fakes::FakeFileSystem& files = backend.fileSystem;
    const std::string listPath = backend.path("ImageList.qx");
};

TEST_F(FakeSettingsStore, RegistryFailuresAreReportedReadAsAbsentAndKeepTheOldValue) {
    writeSetting(kTimeSetting, "30");
    registry.failSetValueNamed = kTimeSetting;
    writeSetting(kTimeSetting, "45");
    EXPECT_EQ(read(kTimeSetting), "30");
    registry.failCreate = true;
    writeSetting(kTimeSetting, "60");
    ASSERT_EQ(messages.shown.size(), 2u);
    expectShown(0, "Unable to set value in registry.");
    expectShown(1, "Unable to open registry for writing.");

    registry.failQueryInfo = true;  // a failed key query reads as absent
    EXPECT_EQ(readSetting(kTimeSetting), nullptr);
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(registry.openKeys, 0);
}

TEST_F(FakeSettingsStore, AListFileThatCannotBeReadIsReportedNotTakenForAnEmptyList) {
    listInFile(listPath, "A\a");
    files.failSize = true;
    EXPECT_EQ(readSetting(kFilesSetting), nullptr);
    files.failSize = false;
    files.failRead = true;
    EXPECT_EQ(readSetting(kFilesSetting), nullptr);
    ASSERT_EQ(messages.shown.size(), 2u);
    expectShown(0, "Unable to get file size");
    expectShown(1, unreadable(listPath));
}

TEST_F(FakeSettingsStore, NoMarkerIsStoredUnlessTheFileAndItsPathAre) {
    writeSetting(kFilesSetting, "short\a");
    const std::string list = listOfLength(3000);
    // The companion path cannot be stored: the list must not point nowhere.
    registry.failSetValueNamed = "FilesFile";
    dialog.choose(listPath);
    writeSetting(kFilesSetting, list.c_str());
    EXPECT_EQ(read(kFilesSetting), "short\a");
    EXPECT_EQ(messages.shown.back().text, "Unable to set value in registry.");

    // The file cannot be written: neither path nor marker.
    registry.failSetValueNamed.clear();
    files.writeFails.insert(listPath);
    dialog.choose(listPath);
    messages.answers = {platform::kIdYes, platform::kIdNo};  // the notice; another file? No
    writeSetting(kFilesSetting, list.c_str());
    EXPECT_EQ(read(kFilesSetting), "short\a");
    EXPECT_FALSE(registry.hasValue(kSettingsKey, "FilesFile"));
    EXPECT_EQ(messages.shown.back().text, "Unable to write file \"" + listPath + "\".\nSelect another filename?");
}

TEST_F(FakeSettingsStore, AKnownFileThatCannotBeWrittenIsReportedThenAnotherOffered) {
    listInFile(listPath, "old list\a");
    files.writeFails.insert(listPath);
    dialog.cancel();
    writeSetting(kFilesSetting, listOfLength(3000).c_str());
    ASSERT_EQ(messages.shown.size(), 2u);
    expectShown(0, "Unable to write file \"" + listPath + "\".");
    EXPECT_EQ(messages.shown[1].text, kNotice);
    EXPECT_EQ(read(kFilesSetting), "old list\a");
}

// The excluded pictures overflow as the image list does: beside the list's
// own file without a word when it has one, else into a file the user
// chooses; a stored list that cannot be read is never written over.
TEST_F(FakeSettingsStore, TheExcludedListOverflowsBesideTheImageListsFile) {
    const std::string many = listOfLength(2049);
    const std::string excludedPath = listPath + ".excluded";
    listInFile(listPath, "A\a");
    ASSERT_TRUE(storeExcluded(many));
    EXPECT_EQ(backend.stored(kExcludedSetting), withNul("File"));
    EXPECT_EQ(backend.stored("ExcludedFile"), withNul(excludedPath));
    EXPECT_EQ(backend.fileText(excludedPath), many);
    EXPECT_EQ(backend.fileText(listPath), "A\a");
    std::string stored;
    ASSERT_TRUE(readExcluded(&stored));
    EXPECT_EQ(stored, many);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(dialog.shown.empty());

    // Added in any letter case, a picture is there once; taking pictures out
    // keeps what was added meanwhile.
    ASSERT_TRUE(addExcluded("C:\\New\\Picture.JPG"));
    ASSERT_TRUE(addExcluded("c:\\new\\picture.jpg"));
    ASSERT_TRUE(readExcluded(&stored));
    EXPECT_EQ(stored, many + "C:\\New\\Picture.JPG\a");
    EXPECT_EQ(excludedWithout(stored.c_str(), {"C:\\PICTURES\\PHOTO0.JPG", "gone"}).substr(0, 30),
              many.substr(many.find('\a') + 1, 30));

    // Its file gone, the list is reported and left alone.
    files.files.erase(excludedPath);
    EXPECT_FALSE(addExcluded("C:\\another.jpg"));
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(backend.fileText(excludedPath), "<absent>");
    EXPECT_EQ(backend.stored(kExcludedSetting), withNul("File"));

    // With the image list in the registry, the user chooses the file.
    registry.keys.clear();
    messages.shown.clear();
    writeSetting(kFilesSetting, "A\a");
    const std::string chosen = backend.path("mine.qx");
    dialog.choose(chosen);
    ASSERT_TRUE(storeExcluded(many));
    ASSERT_EQ(messages.shown.size(), 1u);
    expectShown(0,
                "As you have excluded a large number of pictures, Vellumere will store them in a list on disk rather "
                "than in the registry. Please select a filename for this list.",
                platform::kMbIconInformation, "Vellumere");
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].startName, "Excluded.qx");
    EXPECT_EQ(backend.stored("ExcludedFile"), withNul(chosen));
    EXPECT_EQ(backend.fileText(chosen), many);
}

}  // namespace
}  // namespace settings_suite

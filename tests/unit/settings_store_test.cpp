#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakeRegistry.h"
#include "fakes/ScriptedSaveDialog.h"
#include "platform/Messages.h"
#include "settings/SettingsStore.h"

namespace {

const std::string kKey = kSettingsKey;
const char* const kListPath = "C:\\Users\\me\\ImageList.qx";
const char* const kNotice =
    "As you have a large number of files in your image list, Vellumere will store them in a "
    "list on disk rather than in the registry. Please select a filename for your "
    "configuration file.";

// An image list of exactly `length` characters.
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

class SettingsStore : public ::testing::Test {
protected:
    fakes::FakeRegistry registry;
    fakes::FakeFileSystem files;
    fakes::ScriptedSaveDialog dialog;
    test::RecordingSink messages;
};

}  // namespace

TEST_F(SettingsStore, FirstRunReadsNothingAndShowsNothing) {
    for (const char* name : {kFilesSetting, kTimeSetting, kSelectionMethodSetting,
                             kTempFilenameSetting, "FilesFile"}) {
        EXPECT_EQ(readSetting(name), nullptr) << name;
    }
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(registry.keys.empty());  // reading never creates the key
}

TEST_F(SettingsStore, ShortTextsRoundTripThroughTheRegistryWithTheirNul) {
    writeSetting(kTimeSetting, "30");
    writeSetting(kSelectionMethodSetting, "Sequential");
    writeSetting(kFilesSetting, "");
    EXPECT_EQ(read(kTimeSetting), "30");
    EXPECT_EQ(read(kSelectionMethodSetting), "Sequential");
    EXPECT_EQ(read(kFilesSetting), "");  // the empty list is stored, not deleted
    EXPECT_EQ(registry.keys[kKey][kTimeSetting], std::string("30\0", 3));
    EXPECT_EQ(read("Missing"), "<none>");
    EXPECT_EQ(registry.openKeys, 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SettingsStore, ValuesAreReadWhateverTheLongestValueInTheKey) {
    registry.setText(kKey, "Long", std::string(2000, 'x'));
    registry.keys[kKey]["NoNul"] = "abc";  // stored without its NUL
    writeSetting(kTimeSetting, "5");
    EXPECT_EQ(read(kTimeSetting), "5");
    EXPECT_EQ(read("NoNul"), "abc");
    EXPECT_EQ(read("Long"), std::string(2000, 'x'));
}

TEST_F(SettingsStore, AFailedKeyQueryReadsAsAbsent) {
    writeSetting(kTimeSetting, "5");
    registry.failQueryInfo = true;
    EXPECT_EQ(readSetting(kTimeSetting), nullptr);
    EXPECT_EQ(registry.openKeys, 0);
}

TEST_F(SettingsStore, RegistryWriteFailuresAreReportedAndKeepTheOldValue) {
    writeSetting(kTimeSetting, "30");
    registry.failSetValueNamed = kTimeSetting;
    writeSetting(kTimeSetting, "45");
    EXPECT_EQ(read(kTimeSetting), "30");
    registry.failCreate = true;
    writeSetting(kTimeSetting, "60");
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "Unable to set value in registry.");
    EXPECT_EQ(messages.shown[1].text, "Unable to open registry for writing.");
    for (const auto& shown : messages.shown) {
        EXPECT_EQ(shown.caption, "Vellumere Error");
        EXPECT_EQ(shown.style, platform::kMbIconWarning);
    }
    EXPECT_EQ(registry.openKeys, 0);
}

TEST_F(SettingsStore, TextsUpTo2048CharactersStayInTheRegistry) {
    registry.setText(kKey, "FilesFile", kListPath);
    files.files[kListPath] = "old";
    const std::string atLimit = listOfLength(2048);
    writeSetting(kFilesSetting, atLimit.c_str());
    EXPECT_EQ(registry.text(kKey, kFilesSetting), atLimit);
    EXPECT_EQ(files.files[kListPath], "old");

    const std::string overLimit = listOfLength(2049);
    writeSetting(kFilesSetting, overLimit.c_str());
    EXPECT_EQ(registry.text(kKey, kFilesSetting), "File");
    EXPECT_EQ(files.files[kListPath], overLimit);  // no NUL, nothing added
    EXPECT_EQ(read(kFilesSetting), overLimit);
    EXPECT_TRUE(messages.shown.empty());  // the second overflow asks nothing
    EXPECT_TRUE(dialog.shown.empty());
}

TEST_F(SettingsStore, TheMarkerIsRecognisedInAnyLetterCase) {
    registry.setText(kKey, "FilesFile", kListPath);
    files.files[kListPath] = "A\aB\a";
    for (const char* marker : {"File", "file", "FILE", "fIlE"}) {
        registry.setText(kKey, kFilesSetting, marker);
        EXPECT_EQ(read(kFilesSetting), "A\aB\a") << marker;
    }
    for (const char* notMarker : {"Files", "Fil", "File ", ""}) {
        registry.setText(kKey, kFilesSetting, notMarker);
        EXPECT_EQ(read(kFilesSetting), notMarker);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SettingsStore, AMarkerWithoutCompanionReadsAsAbsentSilently) {
    registry.setText(kKey, kFilesSetting, "File");
    EXPECT_EQ(readSetting(kFilesSetting), nullptr);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SettingsStore, ADeletedListFileIsReportedAndReadsAsAbsent) {
    registry.setText(kKey, kFilesSetting, "File");
    registry.setText(kKey, "FilesFile", kListPath);
    EXPECT_EQ(readSetting(kFilesSetting), nullptr);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              std::string("Unable to read file \"") + kListPath +
                  "\".\nYou may need to reconfigure Vellumere.");
    EXPECT_EQ(messages.shown[0].caption, "Vellumere Error");
    EXPECT_EQ(messages.shown[0].style, platform::kMbIconWarning);
}

TEST_F(SettingsStore, ListFileReadFailuresAreReportedAndReadAsAbsent) {
    registry.setText(kKey, kFilesSetting, "File");
    registry.setText(kKey, "FilesFile", kListPath);
    files.files[kListPath] = "A\a";
    files.failSize = true;
    EXPECT_EQ(readSetting(kFilesSetting), nullptr);
    files.failSize = false;
    files.failRead = true;  // must not pass for an empty list
    EXPECT_EQ(readSetting(kFilesSetting), nullptr);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "Unable to get file size");
    EXPECT_EQ(messages.shown[1].text, std::string("Unable to read file \"") + kListPath +
                                          "\".\nYou may need to reconfigure Vellumere.");
}

TEST_F(SettingsStore, AnEmptyListFileReadsAsTheEmptyText) {
    registry.setText(kKey, kFilesSetting, "FILE");
    registry.setText(kKey, "FilesFile", kListPath);
    files.files[kListPath] = "";
    EXPECT_EQ(read(kFilesSetting), "");
}

TEST_F(SettingsStore, FirstOverflowAsksForTheFileAndStoresFileThenPathThenMarker) {
    writeSetting(kFilesSetting, "short\a");
    const std::string list = listOfLength(5000);
    dialog.choose(kListPath);
    writeSetting(kFilesSetting, list.c_str());

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kNotice);
    EXPECT_EQ(messages.shown[0].caption, "Vellumere");
    EXPECT_EQ(messages.shown[0].style, platform::kMbIconInformation);
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].startName, "ImageList.qx");
    EXPECT_EQ(dialog.shown[0].capacity, 1300u);
    EXPECT_EQ(dialog.shown[0].filterDescription, "Vellumere Image Lists");
    EXPECT_EQ(dialog.shown[0].filterPattern, "*.qx");
    EXPECT_EQ(dialog.shown[0].defaultExtension, "qx");

    EXPECT_EQ(files.files[kListPath], list);
    EXPECT_EQ(registry.text(kKey, "FilesFile"), kListPath);
    EXPECT_EQ(registry.text(kKey, kFilesSetting), "File");
    EXPECT_EQ(read(kFilesSetting), list);
}

TEST_F(SettingsStore, NoMarkerIsStoredUnlessTheFileAndItsPathAre) {
    writeSetting(kFilesSetting, "short\a");
    const std::string list = listOfLength(3000);

    // The companion path cannot be stored: the list must not point nowhere.
    registry.failSetValueNamed = "FilesFile";
    dialog.choose(kListPath);
    writeSetting(kFilesSetting, list.c_str());
    EXPECT_EQ(read(kFilesSetting), "short\a");
    EXPECT_EQ(messages.shown.back().text, "Unable to set value in registry.");

    // The file cannot be written: neither path nor marker.
    registry.failSetValueNamed.clear();
    files.writeFails.insert(kListPath);
    dialog.choose(kListPath);
    messages.answers.push_back(platform::kIdYes);  // the notice
    messages.answers.push_back(platform::kIdNo);   // another file? No
    writeSetting(kFilesSetting, list.c_str());
    EXPECT_EQ(read(kFilesSetting), "short\a");
    EXPECT_FALSE(registry.hasValue(kKey, "FilesFile"));
    EXPECT_EQ(messages.shown.back().text,
              std::string("Unable to write file \"") + kListPath + "\".\nSelect another filename?");
}

TEST_F(SettingsStore, CancellingTheDialogStoresNothing) {
    writeSetting(kFilesSetting, "before\a");
    const std::string list = listOfLength(2500);
    dialog.cancel();
    writeSetting(kFilesSetting, list.c_str());
    EXPECT_EQ(read(kFilesSetting), "before\a");
    EXPECT_FALSE(registry.hasValue(kKey, "FilesFile"));
    EXPECT_TRUE(files.replaced.empty());
}

TEST_F(SettingsStore, AnUnwritableChoiceOffersAnotherAndCancelThenStoresNothing) {
    writeSetting(kFilesSetting, "before\a");
    const std::string list = listOfLength(2500);
    const std::string locked = "Z:\\locked\\list.qx";
    files.unwritable.insert(locked);
    dialog.choose(locked);
    dialog.cancel();
    messages.answers = {platform::kIdOk, platform::kIdYes};
    writeSetting(kFilesSetting, list.c_str());

    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text, "Unable to open file \"" + locked +
                                          "\" for writing.\nSelect another filename?");
    EXPECT_EQ(messages.shown[1].caption, "Vellumere Error");
    EXPECT_EQ(messages.shown[1].style, platform::kMbIconQuestion | platform::kMbYesNo);
    ASSERT_EQ(dialog.shown.size(), 2u);
    EXPECT_EQ(dialog.shown[1].startName, locked);  // starts from the last choice
    EXPECT_EQ(read(kFilesSetting), "before\a");
    EXPECT_FALSE(registry.hasValue(kKey, "FilesFile"));
}

TEST_F(SettingsStore, AnUnwritableChoiceThenAGoodOneStoresTheGoodOne) {
    const std::string list = listOfLength(2500);
    files.unwritable.insert("Z:\\locked.qx");
    dialog.choose("Z:\\locked.qx");
    dialog.choose(kListPath);
    writeSetting(kFilesSetting, list.c_str());
    EXPECT_EQ(registry.text(kKey, "FilesFile"), kListPath);
    EXPECT_EQ(read(kFilesSetting), list);

    // Answering No ends the dialog loop at once.
    files.unwritable.insert(kListPath);
    registry.keys[kKey].erase("FilesFile");
    dialog.choose(kListPath);
    messages.answers = {platform::kIdOk, platform::kIdNo};
    messages.shown.clear();
    writeSetting(kFilesSetting, listOfLength(2600).c_str());
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(dialog.answers.empty());
}

TEST_F(SettingsStore, AFailedWriteToTheKnownFileIsReportedAndAnotherFileOffered) {
    registry.setText(kKey, "FilesFile", kListPath);
    registry.setText(kKey, kFilesSetting, "File");
    files.files[kListPath] = "old list\a";
    files.writeFails.insert(kListPath);
    dialog.cancel();
    writeSetting(kFilesSetting, listOfLength(3000).c_str());
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, std::string("Unable to write file \"") + kListPath + "\".");
    EXPECT_EQ(messages.shown[0].style, platform::kMbIconWarning);
    EXPECT_EQ(messages.shown[1].text, kNotice);
    EXPECT_EQ(read(kFilesSetting), "old list\a");  // the old list is intact
}

TEST_F(SettingsStore, AnUnopenableKnownFileLeadsToTheDialog) {
    registry.setText(kKey, "FilesFile", kListPath);
    files.unwritable.insert(kListPath);
    dialog.choose("D:\\other.qx");
    const std::string list = listOfLength(2100);
    writeSetting(kFilesSetting, list.c_str());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kNotice);
    EXPECT_EQ(registry.text(kKey, "FilesFile"), "D:\\other.qx");
    EXPECT_EQ(read(kFilesSetting), list);
}

TEST_F(SettingsStore, AShrunkListGoesBackToTheRegistryAndTheFileIsReusedLater) {
    const std::string longList = listOfLength(4000);
    dialog.choose(kListPath);
    writeSetting(kFilesSetting, longList.c_str());

    writeSetting(kFilesSetting, "A\aB\a");
    EXPECT_EQ(read(kFilesSetting), "A\aB\a");
    EXPECT_EQ(registry.text(kKey, "FilesFile"), kListPath);  // kept
    EXPECT_EQ(files.files[kListPath], longList);             // untouched

    const std::string longer = listOfLength(6000);
    writeSetting(kFilesSetting, longer.c_str());
    EXPECT_EQ(read(kFilesSetting), longer);
    EXPECT_EQ(dialog.shown.size(), 1u);  // asked once only
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(SettingsStore, AnyValueMayLiveInAFile) {
    const std::string text(2049, 'q');
    dialog.choose("C:\\time.qx");
    writeSetting("Notes", text.c_str());
    EXPECT_EQ(registry.text(kKey, "NotesFile"), "C:\\time.qx");
    EXPECT_EQ(read("Notes"), text);
}

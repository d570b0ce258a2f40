// Settings in the registry, and the image list moved to a file of the
// user's choosing once it outgrows a registry value.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakeRegistry.h"
#include "fakes/ScriptedSaveDialog.h"
#include "settings/SettingsStore.h"

namespace {

const std::string kKey = kSettingsKey;
const std::string kListPath = "C:\\Users\\me\\ImageList.qx";
const char* const kNotice =
    "As you have a large number of files in your image list, Vellumere will store them in a "
    "list on disk rather than in the registry. Please select a filename for your "
    "configuration file.";
const std::string kUnreadable = "Unable to read file \"" + kListPath + "\".\nYou may need to reconfigure Vellumere.";

// An image list of exactly `length` characters.
std::string listOfLength(size_t length) {
    std::string list;
    for (int i = 0; list.size() < length; ++i) list += "C:\\pictures\\photo" + std::to_string(i) + ".jpg\a";
    list.resize(length - 1);
    return list + '\a';
}

std::string read(const char* name) {
    std::unique_ptr<char[]> text = readSetting(name);
    return text ? std::string(text.get()) : std::string("<none>");
}

class SettingsStore : public ::testing::Test {
protected:
    // The list lives in kListPath, as an earlier overflow left it.
    void listInFile(const char* content, const char* marker = "File") {
        registry.setText(kKey, kFilesSetting, marker);
        registry.setText(kKey, "FilesFile", kListPath);
        if (content) files.files[kListPath] = content;
    }
    void expectShown(size_t index, const std::string& text, unsigned style = platform::kMbIconWarning,
                     const std::string& caption = "Vellumere Error") {
        ASSERT_GT(messages.shown.size(), index);
        EXPECT_EQ(messages.shown[index].text, text);
        EXPECT_EQ(messages.shown[index].caption, caption);
        EXPECT_EQ(messages.shown[index].style, style);
    }

    fakes::FakeRegistry registry;
    fakes::FakeFileSystem files;
    fakes::ScriptedSaveDialog dialog;
    test::RecordingSink messages;
};

}  // namespace

TEST_F(SettingsStore, FirstRunReadsNothingShowsNothingCreatesNothing) {
    for (const char* name : {kFilesSetting, kTimeSetting, kSelectionMethodSetting, kTempFilenameSetting, "FilesFile"}) {
        EXPECT_EQ(readSetting(name), nullptr) << name;
    }
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(registry.keys.empty());
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
    // Values are read whatever the longest value in the key, with or without NUL.
    registry.setText(kKey, "Long", std::string(2000, 'x'));
    registry.keys[kKey]["NoNul"] = "abc";
    EXPECT_EQ(read(kTimeSetting), "30");
    EXPECT_EQ(read("NoNul"), "abc");
    EXPECT_EQ(read("Long"), std::string(2000, 'x'));
    registry.failQueryInfo = true;  // a failed key query reads as absent
    EXPECT_EQ(readSetting(kTimeSetting), nullptr);
    EXPECT_EQ(registry.openKeys, 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SettingsStore, RegistryWriteFailuresAreReportedAndKeepTheOldValue) {
    writeSetting(kTimeSetting, "30");
    registry.failSetValueNamed = kTimeSetting;
    writeSetting(kTimeSetting, "45");
    EXPECT_EQ(read(kTimeSetting), "30");
    registry.failCreate = true;
    writeSetting(kTimeSetting, "60");
    ASSERT_EQ(messages.shown.size(), 2u);
    expectShown(0, "Unable to set value in registry.");
    expectShown(1, "Unable to open registry for writing.");
    EXPECT_EQ(registry.openKeys, 0);
}

TEST_F(SettingsStore, TheMarkerIsRecognisedInAnyLetterCase) {
    listInFile("A\aB\a");
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

TEST_F(SettingsStore, AListFileThatCannotBeReadReadsAsAbsent) {
    struct Case {
        const char* name;
        bool companion;
        const char* content;  // null: no such file
        bool failSize, failRead;
        std::string value, message;
    };
    const Case cases[] = {
        {"marker without companion: silent", false, "A\a", false, false, "<none>", ""},
        {"deleted list file", true, nullptr, false, false, "<none>", kUnreadable},
        {"size unknown", true, "A\a", true, false, "<none>", "Unable to get file size"},
        {"read fails: not taken for an empty list", true, "A\a", false, true, "<none>", kUnreadable},
        {"an empty list file is the empty text", true, "", false, false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        registry.keys.clear();
        files.files.clear();
        messages.shown.clear();
        listInFile(c.content);
        if (!c.companion) registry.keys[kKey].erase("FilesFile");
        files.failSize = c.failSize;
        files.failRead = c.failRead;
        EXPECT_EQ(read(kFilesSetting), c.value);
        ASSERT_EQ(messages.shown.size(), c.message.empty() ? 0u : 1u);
        if (!c.message.empty()) expectShown(0, c.message);
    }
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
    EXPECT_TRUE(messages.shown.empty());  // a known file: nothing asked
    EXPECT_TRUE(dialog.shown.empty());
}

TEST_F(SettingsStore, FirstOverflowAsksForTheFileAndLaterOnesReuseIt) {
    writeSetting(kFilesSetting, "short\a");
    const std::string list = listOfLength(5000);
    dialog.choose(kListPath);
    writeSetting(kFilesSetting, list.c_str());
    ASSERT_EQ(messages.shown.size(), 1u);
    expectShown(0, kNotice, platform::kMbIconInformation, "Vellumere");
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

    // Shrunk, the list goes back to the registry; the file is kept for later.
    writeSetting(kFilesSetting, "A\aB\a");
    EXPECT_EQ(read(kFilesSetting), "A\aB\a");
    EXPECT_EQ(registry.text(kKey, "FilesFile"), kListPath);
    EXPECT_EQ(files.files[kListPath], list);
    const std::string longer = listOfLength(6000);
    writeSetting(kFilesSetting, longer.c_str());
    EXPECT_EQ(read(kFilesSetting), longer);
    EXPECT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(messages.shown.size(), 1u);

    // Any value may live in a file.
    dialog.choose("C:\\time.qx");
    writeSetting("Notes", std::string(2049, 'q').c_str());
    EXPECT_EQ(registry.text(kKey, "NotesFile"), "C:\\time.qx");
    EXPECT_EQ(read("Notes"), std::string(2049, 'q'));
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
    messages.answers = {platform::kIdYes, platform::kIdNo};  // the notice; another file? No
    writeSetting(kFilesSetting, list.c_str());
    EXPECT_EQ(read(kFilesSetting), "short\a");
    EXPECT_FALSE(registry.hasValue(kKey, "FilesFile"));
    EXPECT_EQ(messages.shown.back().text, "Unable to write file \"" + kListPath + "\".\nSelect another filename?");

    // Cancelling the dialog stores nothing.
    files.replaced.clear();
    dialog.cancel();
    writeSetting(kFilesSetting, listOfLength(2500).c_str());
    EXPECT_EQ(read(kFilesSetting), "short\a");
    EXPECT_TRUE(files.replaced.empty());
}

TEST_F(SettingsStore, AnUnwritableChoiceOffersAnotherUntilCancelNoOrSuccess) {
    writeSetting(kFilesSetting, "before\a");
    const std::string list = listOfLength(2500);
    const std::string locked = "Z:\\locked\\list.qx";
    files.unwritable.insert(locked);
    dialog.choose(locked);
    dialog.cancel();
    messages.answers = {platform::kIdOk, platform::kIdYes};
    writeSetting(kFilesSetting, list.c_str());
    ASSERT_EQ(messages.shown.size(), 2u);
    expectShown(1, "Unable to open file \"" + locked + "\" for writing.\nSelect another filename?",
                platform::kMbIconQuestion | platform::kMbYesNo);
    ASSERT_EQ(dialog.shown.size(), 2u);
    EXPECT_EQ(dialog.shown[1].startName, locked);  // starts from the last choice
    EXPECT_EQ(read(kFilesSetting), "before\a");
    EXPECT_FALSE(registry.hasValue(kKey, "FilesFile"));

    // Answering No ends the loop at once.
    dialog.choose(locked);
    dialog.choose(kListPath);
    messages.answers = {platform::kIdOk, platform::kIdNo};
    writeSetting(kFilesSetting, list.c_str());
    EXPECT_EQ(dialog.answers.size(), 1u);
    EXPECT_EQ(read(kFilesSetting), "before\a");

    // A good choice after an unwritable one is stored.
    dialog.answers.clear();
    dialog.choose(locked);
    dialog.choose(kListPath);
    writeSetting(kFilesSetting, list.c_str());
    EXPECT_EQ(registry.text(kKey, "FilesFile"), kListPath);
    EXPECT_EQ(read(kFilesSetting), list);
}

TEST_F(SettingsStore, AKnownFileThatFailsLeadsToTheDialog) {
    // Writing fails: reported, then another file is offered; the old list is intact.
    listInFile("old list\a");
    files.writeFails.insert(kListPath);
    dialog.cancel();
    writeSetting(kFilesSetting, listOfLength(3000).c_str());
    ASSERT_EQ(messages.shown.size(), 2u);
    expectShown(0, "Unable to write file \"" + kListPath + "\".");
    EXPECT_EQ(messages.shown[1].text, kNotice);
    EXPECT_EQ(read(kFilesSetting), "old list\a");

    // It cannot be opened: straight to the notice and the dialog.
    messages.shown.clear();
    files.unwritable.insert(kListPath);
    dialog.choose("D:\\other.qx");
    const std::string list = listOfLength(2100);
    writeSetting(kFilesSetting, list.c_str());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kNotice);
    EXPECT_EQ(registry.text(kKey, "FilesFile"), "D:\\other.qx");
    EXPECT_EQ(read(kFilesSetting), list);
}

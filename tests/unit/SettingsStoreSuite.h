// The settings store's behaviour, written once and run over two backends: the
// fakes (in the unit tests) and the real registry and files (in the Win32
// tests). Each test file instantiates the suite with its backend, a type
// holding the registry and files in use while it lives and offering:
//   std::string path(name)        where a list file of that name may go; nothing there yet
//   std::string unwritable(which) a place no file can be written to (0 and 1 differ)
//   void putFile(path, content)
//   std::string fileText(path)    "<absent>" when there is no file
//   std::set<std::string> files() the paths of every file there is
//   bool keyExists()              whether the settings key exists
//   std::string stored(name)      the value's bytes as stored, "<absent>" when there are none
//   void storeRaw(name, bytes)    a text value of exactly these bytes, as another program may leave it
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "TestSupport.h"
#include "fakes/ScriptedSaveDialog.h"
#include "platform/CodePage.h"
#include "platform/PathBuffer.h"
#include "settings/ImageList.h"
#include "settings/SettingsStore.h"
#include "settings/ShuffleRound.h"
#include "wallpaper/WallpaperChange.h"

namespace settings_suite {

const char* const kNotice =
    "As you have a large number of files in your image list, Vellumere will store them in a "
    "list on disk rather than in the registry. Please select a filename for your "
    "configuration file.";

inline std::string unreadable(const std::string& path) {
    return "Unable to read file \"" + path + "\".\nYou may need to reconfigure Vellumere.";
}

// An image list of exactly `length` characters.
inline std::string listOfLength(size_t length) {
    std::string list;
    for (int i = 0; list.size() < length; ++i) list += "C:\\pictures\\photo" + std::to_string(i) + ".jpg\a";
    list.resize(length - 1);
    return list + '\a';
}

inline std::string read(const char* name) {
    std::unique_ptr<char[]> text = readSetting(name);
    return text ? std::string(text.get()) : std::string("<none>");
}

// A stored text value: its text and NUL.
inline std::string withNul(const std::string& text) {
    return text + '\0';
}

template <class Backend>
class SettingsStore : public ::testing::Test {
protected:
    // The list lives in the file at path, as an earlier overflow left it.
    void listInFile(const std::string& path, const std::string& content) {
        backend.storeRaw(kFilesSetting, withNul("File"));
        backend.storeRaw("FilesFile", withNul(path));
        backend.putFile(path, content);
    }
    void expectShown(size_t index, const std::string& text, unsigned style = platform::kMbIconWarning,
                     const std::string& caption = "Vellumere Error") {
        ASSERT_GT(messages.shown.size(), index);
        EXPECT_EQ(messages.shown[index].text, text);
        EXPECT_EQ(messages.shown[index].caption, caption);
        EXPECT_EQ(messages.shown[index].style, style);
    }

    Backend backend;
    test::RecordingSink messages;
    fakes::ScriptedSaveDialog dialog;  // nobody is there to answer a real one
};

TYPED_TEST_SUITE_P(SettingsStore);

TYPED_TEST_P(SettingsStore, AFirstRunReadsNothingShowsNothingCreatesNothing) {
    for (const char* name : {kFilesSetting, kTimeSetting, kSelectionMethodSetting, kTempFilenameSetting, "FilesFile"}) {
        EXPECT_EQ(readSetting(name), nullptr) << name;
    }
    EXPECT_TRUE(this->messages.shown.empty());
    EXPECT_FALSE(this->backend.keyExists());
}

TYPED_TEST_P(SettingsStore, ShortTextsRoundTripWithTheirNul) {
    auto& store = this->backend;
    writeSetting(kTimeSetting, "30");
    writeSetting(kSelectionMethodSetting, "Sequential");
    writeSetting(kFilesSetting, "");
    EXPECT_EQ(read(kTimeSetting), "30");
    EXPECT_EQ(read(kSelectionMethodSetting), "Sequential");
    EXPECT_EQ(read(kFilesSetting), "");  // the empty list is stored, not deleted
    EXPECT_EQ(store.stored(kTimeSetting), withNul("30"));
    EXPECT_EQ(store.stored(kFilesSetting), withNul(""));
    EXPECT_EQ(read("Missing"), "<none>");
    // Values are read whatever the longest value in the key, with or without NUL.
    store.storeRaw("Long", withNul(std::string(2000, 'x')));
    store.storeRaw("NoNul", "abc");
    EXPECT_EQ(read(kTimeSetting), "30");
    EXPECT_EQ(read("NoNul"), "abc");
    EXPECT_EQ(read("Long"), std::string(2000, 'x'));
    EXPECT_TRUE(this->messages.shown.empty());
}

TYPED_TEST_P(SettingsStore, TheMarkerIsRecognisedInAnyLetterCase) {
    auto& store = this->backend;
    this->listInFile(store.path("list.qx"), "A\aB\a");
    for (const char* marker : {"File", "file", "FILE", "fIlE"}) {
        writeSetting(kFilesSetting, marker);
        EXPECT_EQ(read(kFilesSetting), "A\aB\a") << marker;
    }
    for (const char* notMarker : {"Files", "Fil", "File ", ""}) {
        writeSetting(kFilesSetting, notMarker);
        EXPECT_EQ(read(kFilesSetting), notMarker);
    }
    EXPECT_TRUE(this->messages.shown.empty());
}

TYPED_TEST_P(SettingsStore, AMissingListFileReadsAsAbsentAnEmptyOneAsTheEmptyText) {
    auto& store = this->backend;
    // The marker without a companion path: silent.
    store.storeRaw(kFilesSetting, withNul("File"));
    EXPECT_EQ(readSetting(kFilesSetting), nullptr);
    EXPECT_TRUE(this->messages.shown.empty());

    const std::string gone = store.path("gone.qx");
    writeSetting("FilesFile", gone.c_str());
    EXPECT_EQ(readSetting(kFilesSetting), nullptr);
    ASSERT_EQ(this->messages.shown.size(), 1u);
    this->expectShown(0, unreadable(gone));

    const std::string empty = store.path("empty.qx");
    this->listInFile(empty, "");
    EXPECT_EQ(read(kFilesSetting), "");
    EXPECT_EQ(this->messages.shown.size(), 1u);
}

TYPED_TEST_P(SettingsStore, TextsUpTo2048CharactersStayInTheRegistry) {
    auto& store = this->backend;
    const std::string listPath = store.path("list.qx");
    store.putFile(listPath, "old");
    writeSetting("FilesFile", listPath.c_str());
    const std::string atLimit = listOfLength(2048);
    writeSetting(kFilesSetting, atLimit.c_str());
    EXPECT_EQ(store.stored(kFilesSetting), withNul(atLimit));
    EXPECT_EQ(store.fileText(listPath), "old");

    const std::string overLimit = listOfLength(2049);
    writeSetting(kFilesSetting, overLimit.c_str());
    EXPECT_EQ(store.stored(kFilesSetting), withNul("File"));
    EXPECT_EQ(store.fileText(listPath), overLimit);             // no NUL, nothing added
    EXPECT_EQ(store.files(), std::set<std::string>{listPath});  // nothing left beside it
    EXPECT_EQ(read(kFilesSetting), overLimit);
    EXPECT_TRUE(this->messages.shown.empty());  // a known file: nothing asked
    EXPECT_TRUE(this->dialog.shown.empty());
}

TYPED_TEST_P(SettingsStore, TheFirstOverflowAsksForTheFileAndLaterOnesReuseIt) {
    auto& store = this->backend;
    auto& saveDialog = this->dialog;
    const std::string listPath = store.path("ImageList.qx");
    writeSetting(kFilesSetting, "short\a");
    const std::string list = listOfLength(6000);
    saveDialog.choose(listPath);
    writeSetting(kFilesSetting, list.c_str());
    ASSERT_EQ(this->messages.shown.size(), 1u);
    this->expectShown(0, kNotice, platform::kMbIconInformation, "Vellumere");
    ASSERT_EQ(saveDialog.shown.size(), 1u);
    EXPECT_EQ(saveDialog.shown[0].startName, "ImageList.qx");
    EXPECT_EQ(saveDialog.shown[0].capacity, platform::kUtf8PathBufferSize);
    EXPECT_EQ(saveDialog.shown[0].filterDescription, "Vellumere Image Lists");
    EXPECT_EQ(saveDialog.shown[0].filterPattern, "*.qx");
    EXPECT_EQ(saveDialog.shown[0].defaultExtension, "qx");
    EXPECT_EQ(store.fileText(listPath), list);
    EXPECT_EQ(store.stored("FilesFile"), withNul(listPath));
    EXPECT_EQ(store.stored(kFilesSetting), withNul("File"));
    EXPECT_EQ(read(kFilesSetting), list);

    // Shrunk, the list goes back to the registry; the file is kept for later.
    writeSetting(kFilesSetting, "A\aB\a");
    EXPECT_EQ(read(kFilesSetting), "A\aB\a");
    EXPECT_EQ(store.stored("FilesFile"), withNul(listPath));
    EXPECT_EQ(store.fileText(listPath), list);

    // Grown again, it goes to the same file, which it replaces whole.
    const std::string shorter = listOfLength(3000);
    writeSetting(kFilesSetting, shorter.c_str());
    EXPECT_EQ(store.fileText(listPath), shorter);  // no tail of the longer list
    EXPECT_EQ(read(kFilesSetting), shorter);
    EXPECT_EQ(saveDialog.shown.size(), 1u);
    EXPECT_EQ(this->messages.shown.size(), 1u);

    // Any value may live in a file.
    const std::string notesPath = store.path("notes.qx");
    saveDialog.choose(notesPath);
    writeSetting("Notes", std::string(2049, 'q').c_str());
    EXPECT_EQ(store.stored("NotesFile"), withNul(notesPath));
    EXPECT_EQ(read("Notes"), std::string(2049, 'q'));
    EXPECT_EQ(store.files(), (std::set<std::string>{listPath, notesPath}));
}

TYPED_TEST_P(SettingsStore, CancellingTheFirstOverflowStoresNothing) {
    auto& store = this->backend;
    writeSetting(kFilesSetting, "before\a");
    this->dialog.cancel();
    writeSetting(kFilesSetting, listOfLength(2049).c_str());
    ASSERT_EQ(this->messages.shown.size(), 1u);  // the notice only
    EXPECT_EQ(store.stored(kFilesSetting), withNul("before\a"));
    EXPECT_EQ(store.stored("FilesFile"), "<absent>");
    EXPECT_EQ(store.files(), std::set<std::string>());
}

TYPED_TEST_P(SettingsStore, AnUnwritableChoiceOffersAnotherUntilCancelNoOrSuccess) {
    auto& store = this->backend;
    auto& saveDialog = this->dialog;
    auto& boxes = this->messages;
    writeSetting(kFilesSetting, "before\a");
    const std::string list = listOfLength(2500);
    const std::string locked = store.unwritable(0);
    const std::string nowhere = store.unwritable(1);
    saveDialog.choose(locked);
    saveDialog.choose(nowhere);
    saveDialog.cancel();
    writeSetting(kFilesSetting, list.c_str());
    ASSERT_EQ(boxes.shown.size(), 3u);
    const unsigned question = platform::kMbIconQuestion | platform::kMbYesNo;
    this->expectShown(1, "Unable to open file \"" + locked + "\" for writing.\nSelect another filename?", question);
    this->expectShown(2, "Unable to open file \"" + nowhere + "\" for writing.\nSelect another filename?", question);
    ASSERT_EQ(saveDialog.shown.size(), 3u);
    EXPECT_EQ(saveDialog.shown[1].startName, locked);  // each showing starts from the last choice
    EXPECT_EQ(saveDialog.shown[2].startName, nowhere);
    EXPECT_EQ(read(kFilesSetting), "before\a");
    EXPECT_EQ(store.stored("FilesFile"), "<absent>");
    EXPECT_EQ(store.files(), std::set<std::string>());

    // Answering No ends the loop at once.
    const std::string good = store.path("list.qx");
    saveDialog.choose(locked);
    saveDialog.choose(good);
    boxes.answers = {platform::kIdOk, platform::kIdNo};
    writeSetting(kFilesSetting, list.c_str());
    EXPECT_EQ(saveDialog.answers.size(), 1u);
    EXPECT_EQ(read(kFilesSetting), "before\a");

    // A good choice after an unwritable one is stored.
    saveDialog.answers.clear();
    saveDialog.choose(locked);
    saveDialog.choose(good);
    writeSetting(kFilesSetting, list.c_str());
    EXPECT_EQ(store.stored("FilesFile"), withNul(good));
    EXPECT_EQ(read(kFilesSetting), list);
}

TYPED_TEST_P(SettingsStore, AKnownFileThatCannotBeOpenedLeadsStraightToTheDialog) {
    auto& store = this->backend;
    const std::string locked = store.unwritable(0);
    store.storeRaw(kFilesSetting, withNul("old\a"));
    writeSetting("FilesFile", locked.c_str());
    const std::string other = store.path("other.qx");
    this->dialog.choose(other);
    const std::string list = listOfLength(2100);
    writeSetting(kFilesSetting, list.c_str());
    ASSERT_EQ(this->messages.shown.size(), 1u);
    EXPECT_EQ(this->messages.shown[0].text, kNotice);
    EXPECT_EQ(store.stored("FilesFile"), withNul(other));
    EXPECT_EQ(read(kFilesSetting), list);
}

// Lists in any script. The registry holds them as they are, up to 2048
// UTF-16 units. A list file is in the ANSI code page when that holds each
// of its characters, as earlier versions write and read it, and UTF-8 after
// a byte-order mark otherwise; the shuffle round's file is the same. A file
// without the mark is read in the ANSI code page.
TYPED_TEST_P(SettingsStore, ListsInEveryScriptRoundTripInBothFileForms) {
    auto& store = this->backend;
    const std::string mark = "\xEF\xBB\xBF";
    const std::string chinese = "\xE8\xA1\xA8", emoji = "\xF0\x9F\x8C\x84", e = "\xC3\xA9";  // U+8868 U+1F304 U+00E9
    const std::string scripts = "C:\\\xCE\xA9\xCE\xBC\\" + chinese + " " + emoji + ".jpg\a";
    writeSetting(kFilesSetting, scripts.c_str());
    EXPECT_EQ(store.stored(kFilesSetting), withNul(scripts));
    EXPECT_EQ(read(kFilesSetting), scripts);

    // 2047 characters of three bytes and a BEL: 2048 units, in the registry.
    std::string units2048;
    for (int i = 0; i < 2047; ++i) units2048 += chinese;
    units2048 += '\a';
    writeSetting(kFilesSetting, units2048.c_str());
    EXPECT_EQ(store.stored(kFilesSetting), withNul(units2048));
    EXPECT_TRUE(this->messages.shown.empty());

    // 1024 surrogate pairs and a BEL: 2049 units, in the file, with the mark.
    std::string units2049;
    for (int i = 0; i < 1024; ++i) units2049 += emoji;
    units2049 += '\a';
    const std::string listPath = store.path("list.qx");
    this->dialog.choose(listPath);
    writeSetting(kFilesSetting, units2049.c_str());
    EXPECT_EQ(store.stored(kFilesSetting), withNul("File"));
    EXPECT_EQ(store.fileText(listPath), mark + units2049);
    EXPECT_EQ(read(kFilesSetting), units2049);
    const std::string round = scripts + units2049;
    EXPECT_TRUE(storeShuffleRound(round));
    EXPECT_EQ(store.fileText(listPath + ".round"), mark + round);
    EXPECT_EQ(readShuffleRound(round.size()), round);
    EXPECT_EQ(readShuffleRound(round.size() - 1), "");  // longer than its list: a new round

    // Files marked by hand or by other programs.
    store.putFile(listPath, mark + scripts);
    EXPECT_EQ(read(kFilesSetting), scripts);
    store.putFile(listPath, mark);
    EXPECT_EQ(read(kFilesSetting), "");

    // Where the code page has an "é" (ISO 8859-1 natively, 1252 on Western
    // systems): written in it, without a mark, and read back from it.
    if (platform::codePage().toUtf8("\xE9") == e) {
        std::string accented, ansi;
        for (int i = 0; i < 200; ++i) {
            accented += "C:\\caf" + e + "\\" + std::to_string(i) + ".jpg\a";
            ansi += "C:\\caf\xE9\\" + std::to_string(i) + ".jpg\a";
        }
        writeSetting(kFilesSetting, accented.c_str());
        EXPECT_EQ(store.fileText(listPath), ansi);
        EXPECT_EQ(read(kFilesSetting), accented);
        EXPECT_TRUE(storeShuffleRound(accented));
        EXPECT_EQ(store.fileText(listPath + ".round"), ansi);
        EXPECT_EQ(readShuffleRound(accented.size()), accented);
    }
    EXPECT_EQ(this->messages.shown.size(), 1u);  // the notice before the file was chosen
}

// A list the size of a large picture collection goes to its file and back
// whole, and the wallpaper change walks it randomly and sequentially, with
// names in ASCII and in other scripts alike (the file then UTF-8). The time
// is printed only: timings belong in the benchmark.
TYPED_TEST_P(SettingsStore, AHundredThousandEntriesRoundTripAndChange) {
    auto& store = this->backend;
    const char* const formats[] = {
        "C:\\Pictures\\Holiday %d\\IMG_%06d.jpg\a",
        "C:\\\xCE\xA6\xCF\x89\xCF\x84\xCE\xBF %d\\\xE7\x85\xA7\xE7\x89\x87 %06d \xF0\x9F\x8C\x84.jpg\a",
    };
    const std::string listPath = store.path("ImageList.qx");
    this->dialog.choose(listPath);
    for (const char* format : formats) {
        std::string list;
        char entry[96];
        for (int i = 0; i < 100000; ++i) {
            std::snprintf(entry, sizeof entry, format, 2000 + i % 24, i);
            list += entry;
        }
        writeSetting(kFilesSetting, list.c_str());
        std::unique_ptr<char[]> stored = readSetting(kFilesSetting);
        ASSERT_NE(stored, nullptr);
        ASSERT_EQ(std::strlen(stored.get()), list.size());
        ASSERT_EQ(std::memcmp(stored.get(), list.data(), list.size()), 0);
        ASSERT_EQ(countEntries(stored.get()), 100000);

        WallpaperState state;
        state.changesActive = 0;  // choose only: no picture is touched
        writeSetting(kSelectionMethodSetting, "Random");
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 1000; ++i) changeWallpaper(state, stored.get(), ChangeRequest::Command);
        const double randomSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_GE(state.currentIndex, 0);
        EXPECT_LT(state.currentIndex, 100000);

        writeSetting(kSelectionMethodSetting, "Sequential");
        state.currentIndex = 99500;  // wraps around the end on the way
        start = std::chrono::steady_clock::now();
        for (int i = 0; i < 1000; ++i) changeWallpaper(state, stored.get(), ChangeRequest::Command);
        const double sequentialSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(state.currentIndex, 500);
        std::printf("1000 changes over 100000 %s entries: %.3f s random, %.3f s sequential\n",
                    format == formats[0] ? "ASCII" : "UTF-8", randomSeconds, sequentialSeconds);
    }
    EXPECT_EQ(this->messages.shown.size(), 1u);  // the notice before the file was chosen
}

REGISTER_TYPED_TEST_SUITE_P(SettingsStore, AFirstRunReadsNothingShowsNothingCreatesNothing,
                            ShortTextsRoundTripWithTheirNul, TheMarkerIsRecognisedInAnyLetterCase,
                            AMissingListFileReadsAsAbsentAnEmptyOneAsTheEmptyText,
                            TextsUpTo2048CharactersStayInTheRegistry, TheFirstOverflowAsksForTheFileAndLaterOnesReuseIt,
                            CancellingTheFirstOverflowStoresNothing,
                            AnUnwritableChoiceOffersAnotherUntilCancelNoOrSuccess,
                            AKnownFileThatCannotBeOpenedLeadsStraightToTheDialog,
                            ListsInEveryScriptRoundTripInBothFileForms, AHundredThousandEntriesRoundTripAndChange);

}  // namespace settings_suite

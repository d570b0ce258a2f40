// The wallpaper change against the real file system and desktop.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "SettingsKeyBackup.h"
#include "platform/FileSystem.h"
#include "platform/PathBuffer.h"
#include "platform/Random.h"
#include "platform/Utf8.h"
#include "settings/SettingsStore.h"
#include "tests/unit/TestSupport.h"
#include "tests/unit/fakes/ScriptedSaveDialog.h"
#include "wallpaper/DirectoryPick.h"
#include "wallpaper/WallpaperChange.h"

namespace {

namespace fs = std::filesystem;

using test::TempDirectory;

// A 2 x 2, 24-bit bitmap.
std::string smallBitmap() {
    std::string bmp = "BM";
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) bmp += char((v >> (8 * i)) & 0xFF);
    };
    auto u16 = [&](uint16_t v) {
        bmp += char(v & 0xFF);
        bmp += char(v >> 8);
    };
    u32(54 + 16);
    u32(0);
    u32(54);
    u32(40);
    u32(2);
    u32(2);
    u16(1);
    u16(24);
    u32(0);
    u32(16);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    bmp += std::string("\x00\x00\xFF\x00\xFF\x00\x00\x00", 8);
    bmp += std::string("\xFF\x00\x00\xFF\xFF\xFF\x00\x00", 8);
    return bmp;
}

std::string desktopWallpaper() {
    win32test::RawValue value = win32test::rawValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper");
    return value.present ? std::string(value.bytes.c_str()) : std::string("<absent>");
}

// Puts the desktop's wallpaper back as it was.
class WallpaperBackup {
public:
    WallpaperBackup() : old_(desktopWallpaper()) {}
    ~WallpaperBackup() {
        std::wstring old = platform::widen(old_ == "<absent>" ? std::string() : old_);
        SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, &old[0], SPIF_UPDATEINIFILE);
    }
    WallpaperBackup(const WallpaperBackup&) = delete;
    WallpaperBackup& operator=(const WallpaperBackup&) = delete;

private:
    std::string old_;
};

class RealWallpaper : public ::testing::Test {
protected:
    std::string change(const std::string& list) {
        std::vector<char> buffer(list.begin(), list.end());
        buffer.push_back('\0');
        changeWallpaper(state, buffer.data(), ChangeRequest::Command);
        return std::string(buffer.data());
    }

    WallpaperState state;
    win32test::SettingsKeyBackup backup;
    WallpaperBackup wallpaperBackup;
    test::RecordingSink messages;
    fakes::ScriptedSaveDialog dialog;  // nobody is there to answer a real one
    TempDirectory directory;
};

}  // namespace

TEST_F(RealWallpaper, PathKindsComeFromTheRealAttributes) {
    platform::FileSystem& files = platform::fileSystem();
    std::string file = directory.file("a.bmp", "BM");
    EXPECT_EQ(files.pathKind(file.c_str()), platform::PathKind::File);
    EXPECT_EQ(files.pathKind(directory.path().c_str()), platform::PathKind::Directory);
    EXPECT_EQ(files.pathKind((directory.path() + "\\").c_str()), platform::PathKind::Directory);
    EXPECT_EQ(files.pathKind((directory.path() + "\\none").c_str()), platform::PathKind::Unreadable);
    EXPECT_EQ(files.pathKind(""), platform::PathKind::Unreadable);
}

TEST_F(RealWallpaper, TheDirectoryPickNamesOnlyRealFiles) {
    fs::create_directories(directory.path() + "\\sub");
    directory.file("sub\\deep.bmp", "BM");
    const std::string a = directory.file("a.bmp", "BM");
    const std::string b = directory.file("b.bmp", "BM");
    platform::seedRandom(7);
    std::set<std::string> picked;
    for (const std::string& entry : {directory.path(), directory.path() + "\\"}) {
        for (int i = 0; i < 100; ++i) {
            char path[platform::kUtf8PathBufferSize];
            std::strcpy(path, entry.c_str());
            ASSERT_TRUE(pickFileInDirectory(path));
            picked.insert(path);
        }
    }
    EXPECT_EQ(picked, (std::set<std::string>{a, b}));

    TempDirectory onlySubdirectories;
    fs::create_directories(onlySubdirectories.path() + "\\x");
    char path[platform::kUtf8PathBufferSize];
    std::strcpy(path, onlySubdirectories.path().c_str());
    EXPECT_FALSE(pickFileInDirectory(path));
    EXPECT_EQ(std::string(path), onlySubdirectories.path());
}

// The test command runs these once more in the Japanese code page (932).
void expectTheCodePageAsked() {
    if (std::getenv("VELLUMERE_EXPECT_DBCS") != nullptr) {
        ASSERT_EQ(GetACP(), 932u);
    }
}

// Pictures named in Greek, Chinese, with an emoji and accented, which no
// ANSI code page holds all of: a file entry, a directory entry and a picture
// converted to a temporary bitmap in a folder so named.
TEST_F(RealWallpaper, PicturesNamedInEveryScriptBecomeTheWallpaperInEveryCodePage) {
    expectTheCodePageAsked();
    const std::string greek = "\xCE\xA6\xCF\x89\xCF\x84\xCE\xBF", chinese = "\xE7\x85\xA7\xE7\x89\x87";
    const std::string emoji = "\xF0\x9F\x8C\x84", accented = "caf\xC3\xA9";
    const std::string bitmap = directory.file(emoji + " " + accented + ".bmp", smallBitmap());
    change(bitmap + "\a");
    EXPECT_EQ(desktopWallpaper(), bitmap);

    const std::string folder = directory.directory(greek + " " + chinese);
    const std::string inFolder = directory.file(greek + " " + chinese + "\\" + chinese + ".bmp", smallBitmap());
    writeSetting(kSelectionMethodSetting, "Sequential");
    change(folder + "\a");
    EXPECT_EQ(desktopWallpaper(), inFolder);

    const std::string pixmap = directory.file(chinese + " " + emoji + ".ppm",
                                              std::string("P6\n2 1\n255\n") + std::string("\xFF\0\0\0\0\xFF", 6));
    const std::string temporary = directory.directory(accented) + "\\" + greek + ".bmp";
    writeSetting(kTempFilenameSetting, temporary.c_str());
    change(pixmap + "\a");
    EXPECT_EQ(desktopWallpaper(), temporary);
    EXPECT_EQ(test::readFile(temporary).substr(0, 2), "BM");
    EXPECT_TRUE(messages.shown.empty());
}

// Settings and a list file as earlier versions wrote them: the values through
// the ANSI calls and the file in ANSI bytes without a mark. In 932 the
// directory's name is a character whose second byte is 0x5C.
TEST_F(RealWallpaper, AnEarlierVersionsListInEveryCodePageStillSetsItsPictures) {
    expectTheCodePageAsked();
    std::string ansi, utf8;
    if (GetACP() == 932) {
        ansi = "\x95\x5C", utf8 = "\xE8\xA1\xA8";  // U+8868
    } else if (GetACP() == 1252) {
        ansi = "caf\xE9", utf8 = "caf\xC3\xA9";
    } else {
        GTEST_SKIP() << "no name chosen for code page " << GetACP();
    }
    directory.directory(utf8);
    const std::string picture = directory.file(utf8 + "\\" + utf8 + ".bmp", smallBitmap());
    const std::string ansiPicture = directory.at(ansi + "\\" + ansi + ".bmp");
    writeSetting(kSelectionMethodSetting, "Sequential");
    const auto changeFromStore = [&] {
        std::unique_ptr<char[]> list = readSetting(kFilesSetting);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(std::string(list.get()), picture + "\a");
        changeWallpaper(state, list.get(), ChangeRequest::Command);
        EXPECT_EQ(desktopWallpaper(), picture);
    };

    win32test::setRawText(kFilesSetting, ansiPicture + "\a" + '\0');
    changeFromStore();

    const std::string listFile = directory.at("list.qx");
    win32test::setRawText(kFilesSetting, std::string("File", 5));
    win32test::setRawText("FilesFile", listFile + '\0');
    test::writeFile(listFile, ansiPicture + "\a");
    change("");
    changeFromStore();
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RealWallpaper, ABitmapBecomesTheDesktopWallpaper) {
    const std::string bitmap = directory.file("wall.bmp", smallBitmap());
    change(bitmap + "\a");
    EXPECT_EQ(desktopWallpaper(), bitmap);
    EXPECT_TRUE(messages.shown.empty());

    change("");  // the empty list removes it
    EXPECT_EQ(desktopWallpaper(), "");
}

TEST_F(RealWallpaper, APictureBecomesTheWallpaperAsTheTemporaryBitmap) {
    const std::string pixmap =
        directory.file("p.ppm", std::string("P6\n2 1\n255\n") + std::string("\xFF\0\0\0\0\xFF", 6));
    const std::string temporary = directory.path() + "\\temp.bmp";
    writeSetting(kTempFilenameSetting, temporary.c_str());
    const std::string list = pixmap + "\a";
    EXPECT_EQ(change(list), list);  // the entry itself is not changed
    EXPECT_EQ(desktopWallpaper(), temporary);
    std::ifstream in(temporary, std::ios::binary);
    EXPECT_EQ(in.get(), 'B');
    EXPECT_EQ(in.get(), 'M');
}

TEST_F(RealWallpaper, ADirectoryEntryBecomesOneOfItsFiles) {
    const std::string bitmap = directory.file("only.bmp", smallBitmap());
    writeSetting(kSelectionMethodSetting, "Sequential");
    change(directory.path() + "\a");
    EXPECT_EQ(desktopWallpaper(), bitmap);
}

TEST_F(RealWallpaper, ADeletedEntryIsRemovedAndTheListStored) {
    const std::string bitmap = directory.file("keep.bmp", smallBitmap());
    const std::string gone = directory.path() + "\\gone.bmp";
    const std::string list = gone + "\a" + bitmap + "\a";
    writeSetting(kFilesSetting, list.c_str());
    writeSetting(kSelectionMethodSetting, "Sequential");
    messages.answers = {platform::kIdYes};
    EXPECT_EQ(change(list), list);  // the caller's copy is not changed
    EXPECT_EQ(win32test::settingsValue(kFilesSetting).bytes, bitmap + "\a" + '\0');
    EXPECT_EQ(desktopWallpaper(), bitmap);
}

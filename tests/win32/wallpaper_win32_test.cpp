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
        std::string old = old_ == "<absent>" ? std::string() : old_;
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, &old[0], SPIF_UPDATEINIFILE);
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
            char path[platform::kPathBufferSize];
            std::strcpy(path, entry.c_str());
            ASSERT_TRUE(pickFileInDirectory(path, Exclusions()));
            picked.insert(path);
        }
    }
    EXPECT_EQ(picked, (std::set<std::string>{a, b}));

    TempDirectory onlySubdirectories;
    fs::create_directories(onlySubdirectories.path() + "\\x");
    char path[platform::kPathBufferSize];
    std::strcpy(path, onlySubdirectories.path().c_str());
    EXPECT_FALSE(pickFileInDirectory(path, Exclusions()));
    EXPECT_EQ(std::string(path), onlySubdirectories.path());
}

// The test command runs this once more in the Japanese code page (932),
// where "\x95\x5C" is one character whose second byte is 0x5C: a directory
// named so still gets its separator before the file's name.
TEST_F(RealWallpaper, DoubleByteDirectoryNamesKeepTheirLastCharacter) {
    if (!IsDBCSLeadByte(0x95)) {
        if (std::getenv("VELLUMERE_EXPECT_DBCS") != nullptr)
            FAIL() << "code page " << GetACP() << " is not double-byte";
        GTEST_SKIP() << "code page " << GetACP() << " is single-byte";
    }
    const std::string name = directory.path() + "\\\x95\x5C";
    ASSERT_TRUE(CreateDirectoryA(name.c_str(), nullptr)) << name << " error " << GetLastError();
    const std::string picture = directory.file("\x95\x5C\\a.bmp", "BM");
    char path[platform::kPathBufferSize];
    std::strcpy(path, name.c_str());
    ASSERT_TRUE(pickFileInDirectory(path, Exclusions()));
    EXPECT_EQ(std::string(path), picture);
    EXPECT_EQ(platform::fileSystem().pathKind(path), platform::PathKind::File);
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

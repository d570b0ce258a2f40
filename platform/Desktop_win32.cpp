#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/Desktop.h"
#include "platform/Utf8.h"

namespace platform {
namespace {

void setDesktopValue(const char* name, const char* text) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    const std::wstring wide = widen(text);
    RegSetValueExW(key, widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                   static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

class Win32Desktop : public Desktop {
public:
    void setWallpaper(const char* path) override {
        // Only the wallpaper itself: its layout is set apart, when the user
        // chose one. There is nothing useful to do when it fails.
        std::wstring wide = widen(path);
        SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, &wide[0], SPIF_UPDATEINIFILE);
    }

    void setLayout(WallpaperLayout layout) override {
        // The system reads both values when the wallpaper is set next.
        const char* style = "0";
        const char* tile = "0";
        switch (layout) {
        case WallpaperLayout::Centred:
            break;
        case WallpaperLayout::Tiled:
            tile = "1";
            break;
        case WallpaperLayout::Stretched:
            style = "2";
            break;
        case WallpaperLayout::Fitted:
            style = "6";
            break;
        case WallpaperLayout::Filled:
            style = "10";
            break;
        }
        setDesktopValue("WallpaperStyle", style);
        setDesktopValue("TileWallpaper", tile);
    }

    ScreenSize screenSize() override { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

    uint32_t backgroundColour() override {
        const COLORREF colour = GetSysColor(COLOR_BACKGROUND);
        return (uint32_t(GetRValue(colour)) << 16) | (uint32_t(GetGValue(colour)) << 8) | GetBValue(colour);
    }

    bool showInExplorer(const char* path) override {
        // From the Windows folder by its full path: a bare name would be
        // looked for in the current folder first.
        wchar_t windows[MAX_PATH];
        const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return false;
        std::wstring explorer(windows, length);
        if (explorer.back() != L'\\') explorer += L'\\';
        explorer += L"explorer.exe";
        const std::wstring arguments = L"/select,\"" + widen(path) + L"\"";
        const HINSTANCE result =
            ShellExecuteW(nullptr, L"open", explorer.c_str(), arguments.c_str(), nullptr, SW_SHOWNORMAL);
        return reinterpret_cast<INT_PTR>(result) > 32;
    }
};

}  // namespace

Desktop& defaultDesktop() {
    static Win32Desktop own;
    return own;
}

}  // namespace platform

// The update timer: timer 0 of the tray window, one wallpaper change per tick.
#include "app/Application.h"

#include "settings/SettingsStore.h"
#include "ui/OptionsDialog_logic.h"
#include "wallpaper/WallpaperChange.h"

UINT_PTR timerRunning = 0;

void CALLBACK timerProc(HWND, UINT, UINT_PTR, DWORD) {
    // A tick while the options dialog is open changes from the stored list,
    // not from the one being edited.
    std::unique_ptr<char[]> list = readSetting("Files");
    if (list) changeWallpaper(list.get());
}

void startUpdateTimer(int interval) {
    const UINT period = ui::timerPeriod(interval);
    if (period == 0) return;
    timerRunning = SetTimer(trayWindow, 0, period, timerProc);
}

void stopUpdateTimer() {
    if (timerRunning != 0) {
        timerRunning = 0;
        KillTimer(trayWindow, 0);
    }
}

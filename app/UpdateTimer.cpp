// The update timer: timer 0 of the tray window, one wallpaper change per tick;
// while a full-screen program runs, the tick's change waits (timer 2 looks
// again every few seconds) and the timer starts over once it has run.
#include "app/Application.h"

#include "app/TimerPeriod.h"
#include "ui/CallbackGuard.h"
#include "wallpaper/QuietTicks.h"

UINT_PTR timerRunning = 0;

namespace {

constexpr UINT_PTR kQuietCheckTimer = 2;  // 0: the update timer, 1: the icon's retries
// Often enough that the change follows the end of a game soon; seldom
// enough to cost nothing while one runs.
constexpr UINT kQuietCheckPeriod = 5000;  // milliseconds

QuietTicks quietTicks;
// The interval the update timer runs at, to start it over.
int runningInterval = 0;

}  // namespace

void CALLBACK timerProc(HWND, UINT, UINT_PTR, DWORD) {
    // A tick while the options dialog is open changes from the stored list,
    // not from the one being edited. A tick during a change is skipped.
    ui::guardCallback<int>(0, [] {
        if (quietTicks.tick(wallpaperState)) SetTimer(trayWindow, kQuietCheckTimer, kQuietCheckPeriod, nullptr);
        return 0;
    });
}

bool onQuietCheckTimer(UINT_PTR timer) {
    if (timer != kQuietCheckTimer) return false;
    if (quietTicks.check(wallpaperState)) {
        // A full interval from the change that ran, not from the tick that waited.
        if (timerRunning != 0) {
            KillTimer(trayWindow, 0);
            timerRunning = SetTimer(trayWindow, 0, timerPeriod(runningInterval), timerProc);
        }
    }
    if (!quietTicks.waiting()) KillTimer(trayWindow, kQuietCheckTimer);
    return true;
}

void startUpdateTimer(int interval) {
    const UINT period = timerPeriod(interval);
    if (period == 0) return;
    runningInterval = interval;
    timerRunning = SetTimer(trayWindow, 0, period, timerProc);
}

void stopUpdateTimer() {
    if (timerRunning != 0) {
        timerRunning = 0;
        KillTimer(trayWindow, 0);
    }
}

void restartUpdateTimer(int interval) {
    stopUpdateTimer();
    startUpdateTimer(interval);
}

// The update timer: timer 0 of the tray window, one wallpaper change per tick.
#include "app/Application.h"

#include "app/TimerPeriod.h"
#include "ui/CallbackGuard.h"

UINT_PTR timerRunning = 0;

void CALLBACK timerProc(HWND, UINT, UINT_PTR, DWORD) {
    // A tick while the options dialog is open changes from the stored list,
    // not from the one being edited. A tick during a change is skipped.
    ui::guardCallback<int>(0, [] {
        changeFromStoredList(ChangeRequest::Tick);
        return 0;
    });
}

void startUpdateTimer(int interval) {
    const UINT period = timerPeriod(interval);
    if (period == 0) return;
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

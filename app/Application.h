// Process-wide values of the running program and the entry points of the tray
// window. Everything here lives on the user-interface thread.
#pragma once

#include <windows.h>

#include <string>

#include "app/CommandLine.h"
#include "platform/PathBuffer.h"
#include "wallpaper/WallpaperChange.h"
#include "wallpaper/WallpaperState.h"

// Module instance handle passed to WinMain; dialogs and resources load from it.
extern HINSTANCE appInstance;
// The hidden tray window: owner of the options dialog and of the update timer.
extern HWND trayWindow;
// The wallpaper cycle's state for this run.
extern WallpaperState wallpaperState;
// Sub-menu 0 of menu 110, shown on a right click on the notification icon.
extern HMENU popupMenu;
// The help file: the current directory at start-up followed by "\help.hlp" (UTF-8).
extern char helpPath[platform::kUtf8PathBufferSize];
// Result of the last successful SetTimer for the update timer; 0 while none runs.
extern UINT_PTR timerRunning;

// The notification icon's callback message.
constexpr UINT kTrayCallbackMessage = WM_USER;
// The window class and title by which a second start finds the running one.
constexpr const wchar_t* kTrayWindowClass = L"Vellumere Window Class";
constexpr const wchar_t* kTrayWindowTitle = L"Vellumere";
// Sent by a second start to the running program's tray window with a
// Command in wParam (Command::None: bring the options dialog forward,
// opening it if needed). The tray window answers kCommandTaken at once and
// carries the command out afterwards.
extern const UINT commandMessage;
constexpr LRESULT kCommandTaken = 0x5645;
// Broadcast by Explorer when the taskbar is (re)created.
extern const UINT taskbarCreatedMessage;

// Adds the notification icon; when the taskbar is not there yet, retries
// for a while (timer 1 of the tray window) and then tells the user.
void showTrayIcon();
// Adds the icon again to a new taskbar.
void onTaskbarCreated();
// Handles the retry timer; false for any other timer.
bool onIconRetryTimer(UINT_PTR timer);
// Removes the icon if it is shown, and stops retrying.
void removeTrayIcon();

enum class HandOver {
    Delivered,  // another copy runs in this session and took the command
    NoCopy,     // none runs (also: the instance object exists but no copy's
                // window appears within a few seconds); this start is the one copy
    NoAnswer,   // a copy runs but did not take the command
};
HandOver handOverToRunningInstance(Command command);

// Carries out a command of another start (or of a hotkey) in this copy.
void carryOutCommand(Command command);
// The menu's "Active", also set by /pause and /resume.
void setChangesActive(bool active);

// Tells the user of a start that ends at once: in the console it was started
// from when there is one, else in a message box.
void tellStarter(const std::string& text, bool problem);

// The hotkeys of the options dialog, registered for the tray window. A chord
// that cannot be registered (another program holds it) is reported once.
void registerHotkeys();
void unregisterHotkeys();
// The tray window's WM_HOTKEY.
void onHotkey(WPARAM identifier);
// Whether the options dialog's new chords can be used: -1 when they can;
// after telling the user, 0 (next) or 1 (previous) for the field to change:
// a chord another program holds that was not reported yet, or the same
// chord in both fields.
int unacceptableHotkey(HWND dialog, unsigned next, unsigned previous);

// The full-screen check's timer; false for any other timer.
bool onQuietCheckTimer(UINT_PTR timer);

LRESULT CALLBACK trayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void CALLBACK timerProc(HWND window, UINT message, UINT_PTR identifier, DWORD time);

// Starts the update timer for an interval value (36-second units) unless it is 0,
// keeping SetTimer's result in timerRunning. Does not kill a running timer.
void startUpdateTimer(int interval);
// Reads "Files" and, when a list is stored, changes the wallpaper from it
// (while another change is in progress: see ChangeRequest).
void changeFromStoredList(ChangeRequest request);

// Kills the update timer if it runs.
void stopUpdateTimer();
// Both: the options dialog's OK with a new interval.
void restartUpdateTimer(int interval);

// Runs the options dialog modally, owned by the tray window; when it is open
// already, brings the program to the foreground instead.
void openOptionsDialog();

// The hotkeys "Next wallpaper" and "Previous wallpaper": chords stored by the
// options dialog, registered for the tray window. A chord another program
// holds is reported once, by name; it stays stored (and in its field), so the
// user can change it, and a later start tries it again.
#include "app/Application.h"

#include "platform/Messages.h"
#include "platform/Utf8.h"
#include "settings/HotkeyChord.h"
#include "settings/SettingsStore.h"

namespace {

constexpr UINT kNoRepeat = 0x4000;    // MOD_NOREPEAT: a key held down changes once
constexpr int kProbeIdentifier = 99;  // a chord tried and given back at once

struct Hotkey {
    int identifier;  // of RegisterHotKey and WM_HOTKEY
    const char* setting;
    const char* label;
    Command command;
    unsigned registered;  // the chord held now, 0 for none
    unsigned reported;    // the chord last reported as unusable
};

Hotkey hotkeys[] = {
    {1, kHotkeyNextSetting, "Next wallpaper", Command::Next, 0, 0},
    {2, kHotkeyPreviousSetting, "Previous wallpaper", Command::Previous, 0, 0},
};

std::string chordName(unsigned chord) {
    std::string layoutName;
    const unsigned key = hotkey::keyOf(chord);
    if (hotkey::keyName(key).empty()) {
        LONG scan = static_cast<LONG>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
        if (hotkey::flagsOf(chord) & hotkey::kExtended) scan |= 1L << 24;
        wchar_t name[64] = L"";
        if (GetKeyNameTextW(scan, name, 64) > 0) layoutName = platform::narrow(name);
    }
    return hotkey::name(chord, layoutName);
}

// The chord for this identifier on the tray window; older systems know no
// MOD_NOREPEAT and refuse it.
bool take(int identifier, unsigned chord) {
    const UINT modifiers = hotkey::registerModifiers(chord);
    const UINT key = hotkey::keyOf(chord);
    return RegisterHotKey(trayWindow, identifier, modifiers | kNoRepeat, key) != FALSE ||
           RegisterHotKey(trayWindow, identifier, modifiers, key) != FALSE;
}

void reportHeld(Hotkey& hotkey, unsigned chord) {
    hotkey.reported = chord;
    const std::string text = "The hotkey " + chordName(chord) + " for \"" + hotkey.label +
                             "\" is in use by another program.\nChoose another one in the options dialog.";
    MessageBoxW(GetActiveWindow(), platform::widen(text).c_str(), platform::widen(platform::kErrorCaption).c_str(),
                MB_ICONWARNING);
}

unsigned storedChord(const char* setting) {
    std::unique_ptr<char[]> text = readSetting(setting);
    return hotkey::parse(text ? text.get() : nullptr);
}

}  // namespace

void registerHotkeys() {
    unregisterHotkeys();
    for (Hotkey& hotkey : hotkeys) {
        const unsigned chord = storedChord(hotkey.setting);
        if (chord == 0) continue;
        if (take(hotkey.identifier, chord)) {
            hotkey.registered = chord;
        } else if (hotkey.reported != chord) {
            reportHeld(hotkey, chord);
        }
    }
}

void unregisterHotkeys() {
    for (Hotkey& hotkey : hotkeys) {
        if (hotkey.registered != 0) UnregisterHotKey(trayWindow, hotkey.identifier);
        hotkey.registered = 0;
    }
}

void onHotkey(WPARAM identifier) {
    for (const Hotkey& hotkey : hotkeys) {
        if (static_cast<WPARAM>(hotkey.identifier) == identifier) carryOutCommand(hotkey.command);
    }
}

int unacceptableHotkey(HWND dialog, unsigned next, unsigned previous) {
    if (next != 0 && next == previous) {
        const std::string text =
            "The hotkey " + chordName(next) + " cannot serve both \"Next wallpaper\" and \"Previous wallpaper\".";
        MessageBoxW(dialog, platform::widen(text).c_str(), platform::widen(platform::kErrorCaption).c_str(),
                    MB_ICONWARNING);
        return 1;
    }
    const unsigned chords[] = {next, previous};
    for (size_t i = 0; i < 2; ++i) {
        Hotkey& hotkey = hotkeys[i];
        const unsigned chord = chords[i];
        // Held by this program already, none, or reported before (the user
        // keeps it knowingly): nothing to ask.
        if (chord == 0 || chord == hotkey.registered || chord == hotkey.reported) continue;
        if (take(kProbeIdentifier, chord)) {
            UnregisterHotKey(trayWindow, kProbeIdentifier);
            continue;
        }
        // The other field's chord, held by this program: free once stored.
        if (chord == hotkeys[1 - i].registered) continue;
        reportHeld(hotkey, chord);
        return static_cast<int>(i);
    }
    return -1;
}

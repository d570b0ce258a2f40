// A hotkey chord as the options dialog's hotkey fields give it and as it is
// stored ("Hotkey Next", "Hotkey Previous"): the decimal text of the hotkey
// control's value, the virtual key in the low byte and the modifier flags
// (HOTKEYF_SHIFT 1, HOTKEYF_CONTROL 2, HOTKEYF_ALT 4, HOTKEYF_EXT 8) in the
// high byte. Portable, so that the unit tests check it without the Windows
// program.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace hotkey {

constexpr unsigned kShift = 0x01;     // HOTKEYF_SHIFT
constexpr unsigned kControl = 0x02;   // HOTKEYF_CONTROL
constexpr unsigned kAlt = 0x04;       // HOTKEYF_ALT
constexpr unsigned kExtended = 0x08;  // HOTKEYF_EXT: the key's extended form (no modifier)

constexpr unsigned kLeftWindows = 0x5B;   // VK_LWIN
constexpr unsigned kRightWindows = 0x5C;  // VK_RWIN

constexpr unsigned keyOf(unsigned chord) {
    return chord & 0xFF;
}
constexpr unsigned flagsOf(unsigned chord) {
    return (chord >> 8) & 0xFF;
}

// A chord the program registers: a key, no Windows key (Windows reserves its
// chords), no flags beyond the four above. 0 is "none".
constexpr bool usable(unsigned chord) {
    return chord <= 0xFFFF && keyOf(chord) != 0 && keyOf(chord) != kLeftWindows && keyOf(chord) != kRightWindows &&
           (flagsOf(chord) & ~(kShift | kControl | kAlt | kExtended)) == 0;
}

// The stored text: decimal digits of a usable chord; anything else is none (0).
inline unsigned parse(const char* text) {
    if (text == nullptr || *text == '\0') return 0;
    unsigned value = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9' || value > 0xFFFF) return 0;
        value = value * 10 + unsigned(*p - '0');
    }
    return usable(value) ? value : 0;
}

inline std::string format(unsigned chord) {
    return std::to_string(chord);
}

// RegisterHotKey's modifiers (MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4) for a chord.
constexpr unsigned registerModifiers(unsigned chord) {
    return ((flagsOf(chord) & kAlt) ? 0x1u : 0u) | ((flagsOf(chord) & kControl) ? 0x2u : 0u) |
           ((flagsOf(chord) & kShift) ? 0x4u : 0u);
}

// The key's name for messages, for the keys a hotkey is made of; empty for
// others (the caller asks the keyboard layout).
inline std::string keyName(unsigned key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, char(key));
    if (key >= 0x70 && key <= 0x87) return "F" + std::to_string(key - 0x6F);     // VK_F1..VK_F24
    if (key >= 0x60 && key <= 0x69) return "Num " + std::to_string(key - 0x60);  // VK_NUMPAD0..9
    struct Named {
        unsigned key;
        const char* name;
    };
    static const Named kNamed[] = {
        {0x08, "Backspace"}, {0x09, "Tab"},     {0x0D, "Enter"},     {0x13, "Pause"},       {0x1B, "Esc"},
        {0x20, "Space"},     {0x21, "Page Up"}, {0x22, "Page Down"}, {0x23, "End"},         {0x24, "Home"},
        {0x25, "Left"},      {0x26, "Up"},      {0x27, "Right"},     {0x28, "Down"},        {0x2C, "Print Screen"},
        {0x2D, "Insert"},    {0x2E, "Delete"},  {0x6A, "Num *"},     {0x6B, "Num +"},       {0x6D, "Num -"},
        {0x6E, "Num ."},     {0x6F, "Num /"},   {0x90, "Num Lock"},  {0x91, "Scroll Lock"},
    };
    for (const Named& named : kNamed) {
        if (named.key == key) return named.name;
    }
    return std::string();
}

// The chord as users read it: "Ctrl+Alt+Right". `layoutName` names a key
// keyName() does not know (the keyboard layout's name for it); when that is
// empty too, the key's code is shown.
inline std::string name(unsigned chord, const std::string& layoutName = std::string()) {
    std::string text;
    if (flagsOf(chord) & kControl) text += "Ctrl+";
    if (flagsOf(chord) & kShift) text += "Shift+";
    if (flagsOf(chord) & kAlt) text += "Alt+";
    std::string key = keyName(keyOf(chord));
    if (key.empty()) key = layoutName;
    if (key.empty()) {
        char code[16];
        std::snprintf(code, sizeof code, "key 0x%02X", keyOf(chord));
        key = code;
    }
    return text + key;
}

}  // namespace hotkey

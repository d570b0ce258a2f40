// The command line's switches and the hotkey chords' stored form and names.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include "settings/HotkeyChord.h"

namespace {

TEST(CommandLine, SwitchesInAnyCaseWithSlashOrDash) {
    struct Case {
        std::vector<std::string> arguments;
        Command command;
        const char* offending;
    };
    const Case cases[] = {
        {{}, Command::None, ""},
        {{"/next"}, Command::Next, ""},
        {{"/NEXT"}, Command::Next, ""},
        {{"-Previous"}, Command::Previous, ""},
        {{"/pause"}, Command::Pause, ""},
        {{"--resume"}, Command::Resume, ""},
        {{"/Options"}, Command::Options, ""},
        {{"/quit"}, Command::Quit, ""},
        {{"/?"}, Command::Help, ""},
        {{"-?"}, Command::Help, ""},
        {{"/help"}, Command::Help, ""},
        {{"next"}, Command::Unknown, "next"},  // not a switch
        {{"/nex"}, Command::Unknown, "/nex"},
        {{"/"}, Command::Unknown, "/"},
        {{""}, Command::Unknown, ""},
        {{"/next", "/pause"}, Command::Unknown, "/pause"},  // one at a time
        {{"C:\\pictures\\a.bmp"}, Command::Unknown, "C:\\pictures\\a.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments[0]);
        const ParsedCommandLine parsed = parseCommandLine(c.arguments);
        EXPECT_EQ(parsed.command, c.command);
        EXPECT_EQ(parsed.offending, c.offending);
    }
}

TEST(CommandLine, OnlyNextAndOptionsStartTheProgramWhenNoneRuns) {
    for (Command command : {Command::None, Command::Next, Command::Options}) {
        EXPECT_TRUE(startsWhenNoneRuns(command));
        EXPECT_TRUE(goesToRunningCopy(command));
    }
    for (Command command : {Command::Previous, Command::Pause, Command::Resume, Command::Quit}) {
        EXPECT_FALSE(startsWhenNoneRuns(command));
        EXPECT_TRUE(goesToRunningCopy(command));
    }
    for (Command command : {Command::Help, Command::Unknown}) {
        EXPECT_FALSE(startsWhenNoneRuns(command));
        EXPECT_FALSE(goesToRunningCopy(command));
    }
    EXPECT_EQ(noCopyMessage(Command::Pause), "Vellumere is not running: /pause was not carried out.");
    EXPECT_EQ(unknownSwitchMessage("/x").rfind("Unknown switch \"/x\".\n\nUsage: Vellumere.exe [", 0), 0u);
}

TEST(HotkeyChord, StoredTextAndNames) {
    const unsigned ctrlAltN = (hotkey::kControl | hotkey::kAlt) << 8 | 'N';
    EXPECT_EQ(hotkey::parse(hotkey::format(ctrlAltN).c_str()), ctrlAltN);
    EXPECT_EQ(hotkey::registerModifiers(ctrlAltN), 0x3u);  // MOD_ALT | MOD_CONTROL
    EXPECT_EQ(hotkey::registerModifiers(hotkey::kShift << 8 | 'N'), 0x4u);
    // None: absent, empty, not digits, no key, a Windows key, unknown flags, too large.
    for (const char* text :
         {(const char*)nullptr, "", "0", "x", "12a", "1536", "1627", "1628", "4174", "65536", "99999999999999999999"}) {
        EXPECT_EQ(hotkey::parse(text), 0u) << (text ? text : "(null)");
    }
    EXPECT_EQ(hotkey::name(ctrlAltN), "Ctrl+Alt+N");
    EXPECT_EQ(hotkey::name((hotkey::kControl | hotkey::kShift | hotkey::kExtended) << 8 | 0x27), "Ctrl+Shift+Right");
    EXPECT_EQ(hotkey::name(hotkey::kAlt << 8 | 0x7B), "Alt+F12");
    EXPECT_EQ(hotkey::name(hotkey::kAlt << 8 | 0xBA, "Ü"), "Alt+Ü");  // the layout names the others
    EXPECT_EQ(hotkey::name(hotkey::kAlt << 8 | 0xBA), "Alt+key 0xBA");
}

}  // namespace

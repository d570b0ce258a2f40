// The program's command line: one switch that a start passes to the running
// copy. Portable, so that the unit tests check it without the Windows program.
#pragma once

#include <string>
#include <vector>

enum class Command {
    None,      // no switch: start, or bring the running copy's options dialog forward
    Next,      // "Change Wallpaper"
    Previous,  // "Previous Wallpaper"
    Pause,     // "Active" off
    Resume,    // "Active" on
    Options,   // open the options dialog (or bring it forward)
    Quit,      // end the running copy without asking
    Help,      // print the usage
    Unknown,   // anything else: a usage error
};

// Exit codes of a start that hands a command over.
constexpr int kExitDelivered = 0;  // also: /? printed, or the program ran and ended
constexpr int kExitNoCopy = 1;     // the command needs a running copy and none runs
constexpr int kExitUsage = 2;      // unknown switch, or more than one

constexpr const char* kUsageText =
    "Usage: Vellumere.exe [/next | /previous | /pause | /resume | /options | /quit | /?]\n"
    "\n"
    "Without a switch Vellumere starts, or brings the running copy's options dialog forward.\n"
    "A switch is passed to the running copy, and Vellumere then ends at once:\n"
    "  /next      change the wallpaper now (starts Vellumere when it is not running)\n"
    "  /previous  bring back the picture shown before\n"
    "  /pause     stop changing the wallpaper (the menu's \"Active\" unchecked)\n"
    "  /resume    change the wallpaper again (\"Active\" checked)\n"
    "  /options   open the options dialog (starts Vellumere when it is not running)\n"
    "  /quit      end Vellumere without asking\n"
    "  /?, /help  show this text\n"
    "\n"
    "Exit code: 0 done, 1 Vellumere is not running, 2 unknown switch.\n";

struct ParsedCommandLine {
    Command command = Command::None;
    // For Unknown: the argument that was not understood (the second switch
    // when there are several).
    std::string offending;
};

// A switch starts with '/' or '-' (or "--") and is matched without regard to
// letter case. `arguments` leaves out the program's own name.
inline ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    ParsedCommandLine parsed;
    if (arguments.empty()) return parsed;
    if (arguments.size() > 1) {
        parsed.command = Command::Unknown;
        parsed.offending = arguments[1];
        return parsed;
    }
    const std::string& argument = arguments[0];
    std::string word;
    size_t start = 0;
    if (argument.compare(0, 2, "--") == 0) {
        start = 2;
    } else if (!argument.empty() && (argument[0] == '/' || argument[0] == '-')) {
        start = 1;
    }
    for (size_t i = start; i < argument.size(); ++i) {
        const char c = argument[i];
        word += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    }
    struct Name {
        const char* word;
        Command command;
    };
    static const Name kNames[] = {
        {"next", Command::Next},     {"previous", Command::Previous}, {"pause", Command::Pause},
        {"resume", Command::Resume}, {"options", Command::Options},   {"quit", Command::Quit},
        {"?", Command::Help},        {"help", Command::Help},
    };
    parsed.command = Command::Unknown;
    if (start > 0) {
        for (const Name& name : kNames) {
            if (word == name.word) parsed.command = name.command;
        }
    }
    if (parsed.command == Command::Unknown) parsed.offending = argument;
    return parsed;
}

// Whether a start with this command runs as the program itself when no copy
// runs (it then shows a new picture at start-up, or opens the dialog).
inline bool startsWhenNoneRuns(Command command) {
    return command == Command::None || command == Command::Next || command == Command::Options;
}

// Whether the command goes to a running copy at all.
inline bool goesToRunningCopy(Command command) {
    return command != Command::Help && command != Command::Unknown;
}

// The short message of a start whose command found no running copy.
inline std::string noCopyMessage(Command command) {
    const char* verb = command == Command::Previous ? "/previous"
                       : command == Command::Pause  ? "/pause"
                       : command == Command::Resume ? "/resume"
                                                    : "/quit";
    return std::string("Vellumere is not running: ") + verb + " was not carried out.";
}

// The message of a start with a switch it does not know.
inline std::string unknownSwitchMessage(const std::string& offending) {
    return "Unknown switch \"" + offending + "\".\n\n" + kUsageText;
}

// The program's arguments as UTF-8. On Windows they come from the wide
// command line: main's own hold them in the ANSI code page, which cannot
// spell every file name.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The arguments, the program's name first; main's argc and argv where they
// already are UTF-8 (and on Windows should the wide command line fail).
std::vector<std::string> commandLineArguments(int argc, char** argv);

}  // namespace platform

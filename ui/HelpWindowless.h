// Decisions of the help that need no window: where the help page lies, the
// address a browser is given for it, and the section each control opens.
// Header-only so that the unit tests can use it without the Windows program.
#pragma once

#include <cstddef>
#include <string>

namespace ui {

// The help page's file name; the page ships beside the program file.
constexpr char kHelpPageName[] = "vellumere.html";

// The help page's path for the program file's path (UTF-8): same directory,
// the page's name.
inline std::string helpPagePath(const std::string& programPath) {
    const std::size_t separator = programPath.find_last_of("\\/:");
    return programPath.substr(0, separator == std::string::npos ? 0 : separator + 1) + kHelpPageName;
}

// A "file:" address for a Windows path given in UTF-8, as browsers expect it:
// forward slashes, and every byte other than letters, digits, "-._~", ":" and the
// separators percent-encoded (so a "#" or "%" in a folder name stays part of the
// path, and a blank or a non-ASCII name survives the command line).
inline std::string fileUrl(const std::string& utf8Path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string url = "file:";
    std::string rest = utf8Path;
    if (rest.compare(0, 2, "\\\\") == 0) {
        url += "//";  // \\server\share\... becomes file://server/share/...
        rest.erase(0, 2);
    } else {
        url += "///";
    }
    for (const char c : rest) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '/') {
            url += '/';
        } else if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                   c == '-' || c == '.' || c == '_' || c == '~' || c == ':') {
            url += c;
        } else {
            url += '%';
            url += hex[byte >> 4];
            url += hex[byte & 0x0F];
        }
    }
    return url;
}

// Which dialog a control that asks for help belongs to.
enum class HelpDialog { Options, Directory, About, Excluded };

// The page's section (the anchor's name) for a control of one of the dialogs.
// Each control of the options and directory dialogs has a section of its own,
// named after its identifier; any other control opens its dialog's section.
inline std::string helpSection(HelpDialog dialog, int control) {
    switch (dialog) {
    case HelpDialog::Options:
        switch (control) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 1001:
        case 1003:
        case 1004:
        case 1005:
        case 1010:
        case 1013:
        case 1015:
        case 1016:
        case 1017:
        case 1018:
        case 1020:
        case 1100:
        case 1120:
        case 1121:
        case 1122:
        case 1140:
            return "control-" + std::to_string(control);
        default:
            return "options-dialog";
        }
    case HelpDialog::Directory:
        switch (control) {
        case 1:
        case 2:
        case 1023:
        case 1024:
        case 1026:
        case 1027:
        case 1028:
            return "directory-" + std::to_string(control);
        default:
            return "directory-dialog";
        }
    case HelpDialog::Excluded:
        return "excluded-dialog";
    case HelpDialog::About:
        break;
    }
    return "about-box";
}

}  // namespace ui

// Message boxes, the one way every component reports to the user. The
// portable code calls showMessage(); where the text goes is decided by the
// installed sink: a Win32 message box owned by the active window in the
// program, standard error in the converter, a recorder in the tests.
#pragma once

#include <string>

#include "platform/Seam.h"

namespace platform {

// Styles and answers carry the Win32 values, so the Win32 sink passes them on
// unchanged and tests can compare them with the documented styles.
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbOkCancel = 0x1;
constexpr unsigned kMbYesNoCancel = 0x3;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconWarning = 0x30;
constexpr unsigned kMbIconInformation = 0x40;

// The program's own captions: errors and remove-entry questions, and
// information and plain questions.
constexpr const char* kErrorCaption = "Vellumere Error";
constexpr const char* kProgramCaption = "Vellumere";

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows the box and returns the answer (one of the kId values).
    virtual int show(const std::string& text, const std::string& caption, unsigned style) = 0;
};

// Shows a message through the current sink.
int showMessage(const std::string& text, const std::string& caption, unsigned style);

// Formats a text holding one %s (a path) and shows it.
int showMessageWithPath(const char* format, const char* path, const std::string& caption, unsigned style);

// Writes "CAPTION: TEXT" as one line on standard error, each line break of the
// text written as the two characters \n. Answers OK / Yes.
MessageSink& standardErrorSink();

// Writes UTF-8 text on standard error: on Windows as UTF-16 to a console,
// which shows every name as Explorer does, and as the UTF-8 bytes themselves
// to a file or pipe.
void writeStandardError(const std::string& text);

// The platform's own sink: MessageBoxW owned by GetActiveWindow on Windows,
// standard error elsewhere.
MessageSink& defaultMessageSink();

// Installs a sink and returns the previous one; nullptr restores the default.
inline constexpr auto setMessageSink = Seam<MessageSink, defaultMessageSink>::replace;

}  // namespace platform

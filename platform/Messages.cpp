#include "platform/Messages.h"

namespace platform {
namespace {

class StandardErrorSink : public MessageSink {
public:
    int show(const std::string& text, const std::string& caption, unsigned style) override {
        std::string line = caption + ": ";
        for (char c : text) {
            if (c == '\n') {
                line += "\\n";
            } else if (c != '\r') {
                line += c;
            }
        }
        line += '\n';
        writeStandardError(line);
        unsigned buttons = style & 0xF;
        return (buttons == kMbYesNo || buttons == kMbYesNoCancel) ? kIdYes : kIdOk;
    }
};

}  // namespace

MessageSink& standardErrorSink() {
    static StandardErrorSink sink;
    return sink;
}

int showMessage(const std::string& text, const std::string& caption, unsigned style) {
    return Seam<MessageSink, defaultMessageSink>::current().show(text, caption, style);
}

int showMessageWithPath(const char* format, const char* path, const std::string& caption, unsigned style) {
    std::string text;
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            text += path ? path : "";
            ++p;
        } else {
            text += *p;
        }
    }
    return showMessage(text, caption, style);
}

}  // namespace platform

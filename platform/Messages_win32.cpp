#include <windows.h>

#include "platform/Messages.h"

namespace platform {
namespace {

class Win32MessageSink : public MessageSink {
public:
    int show(const std::string& text, const std::string& caption, unsigned style) override {
        return MessageBoxA(GetActiveWindow(), text.c_str(), caption.c_str(), style);
    }
};

}  // namespace

MessageSink& defaultMessageSink() {
    static Win32MessageSink sink;
    return sink;
}

}  // namespace platform

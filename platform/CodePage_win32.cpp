#include <windows.h>

#include "platform/CodePage.h"

namespace platform {
namespace {

class AnsiCodePage : public CodePage {
public:
    bool isLeadByte(unsigned char byte) const override { return IsDBCSLeadByte(byte) != FALSE; }
};

}  // namespace

CodePage& defaultCodePage() {
    static AnsiCodePage codePage;
    return codePage;
}

}  // namespace platform

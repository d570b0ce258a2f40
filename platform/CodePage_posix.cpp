#include "platform/CodePage.h"

namespace platform {
namespace {

// The native builds only run tests, which install the code page they need.
class SingleByteCodePage : public CodePage {
public:
    bool isLeadByte(unsigned char) const override { return false; }
};

}  // namespace

CodePage& defaultCodePage() {
    static SingleByteCodePage codePage;
    return codePage;
}

}  // namespace platform

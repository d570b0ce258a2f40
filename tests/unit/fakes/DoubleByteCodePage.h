// The lead bytes of the Japanese code page (932), where 0x5C is a valid
// second byte: "\x95\x5C" is one character, not a letter and a backslash.
#pragma once

#include "Installed.h"
#include "platform/CodePage.h"

namespace fakes {

class DoubleByteCodePage : public Installed<platform::CodePage, platform::setCodePage> {
public:
    bool isLeadByte(unsigned char byte) const override {
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    }
};

}  // namespace fakes

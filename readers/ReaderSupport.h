// What every picture reader shares: its warning box, and (from image/, where
// format detection uses them too) the byte-order helpers.
#pragma once

#include "image/ByteOrder.h"
#include "platform/Messages.h"

namespace readers {

// Shows text in a warning box under the reader's caption. Returns 0, what a
// reader returns after its message, so a refusal reads
// `return readers::warn("...", kCaption);`.
inline int warn(const char* text, const char* caption) {
    platform::showMessage(text, caption, platform::kMbIconWarning);
    return 0;
}

// The same for code that a C library's error jump may pass over (libjpeg's
// and libpng's callbacks and the decoding they call): an exception must never
// cross the library's frames, so one from the message sink is dropped. A null
// text, which a library may hand over, shows as an empty one.
inline int warnWithoutThrowing(const char* text, const char* caption) noexcept {
    try {
        platform::showMessage(text ? text : "", caption, platform::kMbIconWarning);
    } catch (...) {}
    return 0;
}

}  // namespace readers

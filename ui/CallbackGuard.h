// No exception may leave a window procedure, a dialog procedure or a timer
// callback: it would unwind through the system's code and end the program.
// Every entry point from the system runs its body through guardCallback().
// Portable: the report goes through the message seam.
#pragma once

#include <new>

#include "platform/Messages.h"

namespace ui {

// Runs body(); when it throws, tells the user and returns `failed` instead.
// Running out of memory gets the program's usual message; the program then
// goes on.
template <typename Result, typename Body>
Result guardCallback(Result failed, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        platform::showMessage("Unable to allocate memory.", platform::kErrorCaption, platform::kMbIconWarning);
    } catch (...) {
        platform::showMessage("An unexpected error occurred. Vellumere goes on running.", platform::kErrorCaption,
                              platform::kMbIconWarning);
    }
    return failed;
}

}  // namespace ui

// Putting a finished file in the place of another in one step: whoever
// reads the target sees the old file or the new one, never part of one.
#pragma once

namespace platform {

// Moves source over target, replacing target when it exists. False when
// that cannot be done (target read-only, in use, a folder; source is then
// left where it is).
bool moveOver(const char* source, const char* target);

}  // namespace platform

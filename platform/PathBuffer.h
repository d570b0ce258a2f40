// The size of the program's path buffers, which every part of the program
// holds paths and image list entries in.
#pragma once

#include <cstddef>

namespace platform {

constexpr std::size_t kPathBufferSize = 1300;  // path and entry buffers, NUL included

}  // namespace platform

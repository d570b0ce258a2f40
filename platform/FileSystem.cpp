#include "platform/FileSystem.h"

#include "platform/Seam.h"

namespace platform {

using FileSystemSeam = Seam<FileSystem, defaultFileSystem>;

FileSystem& fileSystem() {
    return FileSystemSeam::current();
}

FileSystem* setFileSystem(FileSystem* replacement) {
    return FileSystemSeam::replace(replacement);
}

}  // namespace platform

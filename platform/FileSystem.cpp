#include "platform/FileSystem.h"

namespace platform {
namespace {

FileSystem* installedFileSystem = nullptr;

}  // namespace

FileSystem& fileSystem() {
    return installedFileSystem ? *installedFileSystem : defaultFileSystem();
}

FileSystem* setFileSystem(FileSystem* replacement) {
    FileSystem* previous = installedFileSystem;
    installedFileSystem = replacement;
    return previous;
}

}  // namespace platform

#include "platform/FileSystem.h"

namespace platform {
namespace {

// Only the Windows program uses these operations; natively they all fail.
class NoFileSystem : public FileSystem {
public:
    PathKind pathKind(const char*) override { return PathKind::Unreadable; }
    std::string fullPath(const char* path) override { return path; }
    std::unique_ptr<DirectorySearch> search(const char*) override { return nullptr; }
    std::unique_ptr<ReadableFile> openForReading(const char*) override { return nullptr; }
    ReplaceResult replaceFile(const char*, const char*, size_t) override { return ReplaceResult::CannotOpen; }
};

}  // namespace

FileSystem& defaultFileSystem() {
    static NoFileSystem none;
    return none;
}

}  // namespace platform

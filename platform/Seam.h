// One place of the seam: the implementation in use is the platform's own
// unless a test (or the converter) has installed another. Every interface of
// the seam keeps its installed replacement this way: its header declares the
// platform's own, defined in the _win32 and _posix files, and names the
// seam's functions, e.g.
//     FileSystem& defaultFileSystem();
//     inline constexpr auto fileSystem = Seam<FileSystem, defaultFileSystem>::current;
//     inline constexpr auto setFileSystem = Seam<FileSystem, defaultFileSystem>::replace;
#pragma once

namespace platform {

template <class Interface, Interface& (*platformDefault)()>
class Seam {
public:
    // The installed replacement, else the platform's own.
    static Interface& current() { return installed_ ? *installed_ : platformDefault(); }
    // Installs a replacement (nullptr: the platform's own again) and gives
    // back the previous one, for the installer to put back.
    static Interface* replace(Interface* replacement) {
        Interface* previous = installed_;
        installed_ = replacement;
        return previous;
    }

private:
    static inline Interface* installed_ = nullptr;
};

}  // namespace platform

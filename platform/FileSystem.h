// The file-system operations of the settings store and the wallpaper change:
// what a path names, directory search in the system's own order, reading the
// image list file in one go, and replacing a file without ever leaving it
// half written. Tests install a scripted file system with setFileSystem().
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Seam.h"

namespace platform {

enum class PathKind {
    Unreadable,  // missing, or its attributes cannot be read
    File,
    Directory,
};

struct FoundName {
    std::string name;
    bool isDirectory = false;
};

// One directory search. Destroying it ends the search.
class DirectorySearch {
public:
    virtual ~DirectorySearch() = default;
    // The next name in the system's order; the first call yields the first
    // name found. False when there are no more.
    virtual bool next(FoundName* found) = 0;
};

// A file opened for reading. Destroying it closes the file.
class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    virtual bool size(uint64_t* bytes) = 0;
    // One read of up to capacity bytes; *got is the number actually read.
    virtual bool read(char* buffer, size_t capacity, size_t* got) = 0;
};

enum class ReplaceResult {
    Replaced,
    CannotOpen,   // the file cannot be opened (or created) for writing
    WriteFailed,  // writing or flushing the new contents failed; the old file is intact
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual PathKind pathKind(const char* path) = 0;

    // The path made full against the current folder (which the file dialogs
    // may change later); the path itself when that cannot be done.
    virtual std::string fullPath(const char* path) = 0;

    // Starts a search for pattern (a directory path followed by "*.*");
    // null when nothing can be found.
    virtual std::unique_ptr<DirectorySearch> search(const char* pattern) = 0;

    // Opens an existing file for reading (others may read it meanwhile).
    virtual std::unique_ptr<ReadableFile> openForReading(const char* path) = 0;

    // Gives the file at path exactly the bytes data[0..size): they are
    // written to a new file beside it, flushed, and only then moved over the
    // old one, so a failure at any point leaves the old contents in place.
    virtual ReplaceResult replaceFile(const char* path, const char* data, size_t size) = 0;
};

// The platform's own: Win32 on Windows; natively one in which nothing can be
// found, read or written.
FileSystem& defaultFileSystem();

// The file system in use: the installed one, else the platform's own.
inline constexpr auto fileSystem = Seam<FileSystem, defaultFileSystem>::current;

// Installs a file system and returns the previous one; nullptr restores the
// default.
inline constexpr auto setFileSystem = Seam<FileSystem, defaultFileSystem>::replace;

}  // namespace platform

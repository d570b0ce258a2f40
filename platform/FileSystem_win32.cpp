#include <windows.h>

#include <string>

#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace platform {
namespace {

class Win32Search : public DirectorySearch {
public:
    Win32Search(HANDLE handle, const WIN32_FIND_DATAW& first) : handle_(handle), data_(first), firstPending_(true) {}
    ~Win32Search() override { FindClose(handle_); }
    Win32Search(const Win32Search&) = delete;
    Win32Search& operator=(const Win32Search&) = delete;

    bool next(FoundName* found) override {
        if (firstPending_) {
            firstPending_ = false;
        } else if (!FindNextFileW(handle_, &data_)) {
            return false;
        }
        found->name = narrow(data_.cFileName);
        found->isDirectory = (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        return true;
    }

private:
    HANDLE handle_;
    WIN32_FIND_DATAW data_;
    bool firstPending_;
};

class Win32ReadableFile : public ReadableFile {
public:
    explicit Win32ReadableFile(HANDLE handle) : handle_(handle) {}
    ~Win32ReadableFile() override { CloseHandle(handle_); }
    Win32ReadableFile(const Win32ReadableFile&) = delete;
    Win32ReadableFile& operator=(const Win32ReadableFile&) = delete;

    bool size(uint64_t* bytes) override {
        DWORD high = 0;
        DWORD low = GetFileSize(handle_, &high);
        if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
        *bytes = (uint64_t(high) << 32) | low;
        return true;
    }

    bool read(char* buffer, size_t capacity, size_t* got) override {
        DWORD wanted = capacity > MAXDWORD ? MAXDWORD : static_cast<DWORD>(capacity);
        DWORD done = 0;
        if (!ReadFile(handle_, buffer, wanted, &done, nullptr)) return false;
        *got = done;
        return true;
    }

private:
    HANDLE handle_;
};

// Writes all of data to handle, flushes it and closes it.
bool writeAllAndClose(HANDLE handle, const char* data, size_t size) {
    bool ok = true;
    while (ok && size > 0) {
        DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        ok = WriteFile(handle, data, chunk, &written, nullptr) && written == chunk;
        data += chunk;
        size -= chunk;
    }
    ok = ok && FlushFileBuffers(handle);
    return CloseHandle(handle) && ok;
}

class Win32FileSystem : public FileSystem {
public:
    PathKind pathKind(const char* path) override {
        DWORD attributes = GetFileAttributesW(widen(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Unreadable;
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Directory : PathKind::File;
    }

    std::string fullPath(const char* path) override {
        // Asked for the size first: a full path may be longer than MAX_PATH.
        const std::wstring wide = widen(path);
        const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
        if (needed == 0) return path;
        std::wstring full(needed, L'\0');
        const DWORD length = GetFullPathNameW(wide.c_str(), needed, &full[0], nullptr);
        if (length == 0 || length >= needed) return path;
        full.resize(length);
        return narrow(full);
    }

    std::unique_ptr<DirectorySearch> search(const char* pattern) override {
        WIN32_FIND_DATAW data;
        HANDLE handle = FindFirstFileW(widen(pattern).c_str(), &data);
        if (handle == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<Win32Search>(handle, data);
    }

    std::unique_ptr<ReadableFile> openForReading(const char* path) override {
        HANDLE handle = CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<Win32ReadableFile>(handle);
    }

    ReplaceResult replaceFile(const char* path, const char* data, size_t size) override {
        // The target must be writable itself (not read-only, not a
        // directory); opening it this way neither truncates nor changes it.
        const std::wstring widePath = widen(path);
        HANDLE target = CreateFileW(widePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (target == INVALID_HANDLE_VALUE) return ReplaceResult::CannotOpen;
        bool createdTarget = GetLastError() != ERROR_ALREADY_EXISTS;
        CloseHandle(target);

        const std::wstring temporary = widePath + L".tmp";
        HANDLE handle =
            CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ReplaceResult result = ReplaceResult::Replaced;
        if (handle == INVALID_HANDLE_VALUE) {
            result = ReplaceResult::CannotOpen;
        } else if (!writeAllAndClose(handle, data, size) ||
                   !MoveFileExW(temporary.c_str(), widePath.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            DeleteFileW(temporary.c_str());
            result = ReplaceResult::WriteFailed;
        }
        // Leave no empty file behind where there was none.
        if (result != ReplaceResult::Replaced && createdTarget) DeleteFileW(widePath.c_str());
        return result;
    }
};

}  // namespace

FileSystem& defaultFileSystem() {
    static Win32FileSystem own;
    return own;
}

}  // namespace platform

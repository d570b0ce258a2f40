// A scripted file system: which paths are files or directories, what a
// directory search yields (in the order given), the files' contents, and
// failures on demand. Installed while alive.
#pragma once

#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Installed.h"
#include "platform/FileSystem.h"

namespace fakes {

class FakeFileSystem : public Installed<platform::FileSystem, platform::setFileSystem> {
public:
    platform::PathKind pathKind(const char* path) override {
        attributeQueries.push_back(path);
        auto found = kinds.find(path);
        if (found != kinds.end()) return found->second;
        return files.count(path) ? platform::PathKind::File : platform::PathKind::Unreadable;
    }

    // A relative path joined to currentDirectory (when one is set).
    std::string fullPath(const char* path) override {
        const bool absolute = path[0] == '/' || path[0] == '\\' || (path[0] != '\0' && path[1] == ':');
        return currentDirectory.empty() || absolute ? std::string(path) : currentDirectory + "/" + path;
    }

    std::unique_ptr<platform::DirectorySearch> search(const char* pattern) override {
        searches.push_back(pattern);
        auto found = listings.find(pattern);
        if (found == listings.end() || found->second.empty()) return nullptr;
        return std::make_unique<Search>(found->second, openSearches);
    }

    std::unique_ptr<platform::ReadableFile> openForReading(const char* path) override {
        auto found = files.find(path);
        if (found == files.end()) return nullptr;
        return std::make_unique<File>(*this, found->second);
    }

    platform::ReplaceResult replaceFile(const char* path, const char* data, size_t size) override {
        if (unwritable.count(path)) return platform::ReplaceResult::CannotOpen;
        if (writeFails.count(path)) return platform::ReplaceResult::WriteFailed;
        files[path] = std::string(data, size);
        return platform::ReplaceResult::Replaced;
    }

    // A directory and what a search of it yields, the first name included.
    void addDirectory(const std::string& path, const std::vector<platform::FoundName>& names,
                      const std::string& pattern) {
        kinds[path] = platform::PathKind::Directory;
        listings[pattern] = names;
    }

    std::map<std::string, platform::PathKind> kinds;
    std::map<std::string, std::vector<platform::FoundName>> listings;  // by pattern
    std::map<std::string, std::string> files;
    std::set<std::string> unwritable;  // cannot be opened for writing
    std::set<std::string> writeFails;  // opened, but writing fails
    std::string currentDirectory;
    bool failSize = false;
    bool failRead = false;
    std::vector<std::string> attributeQueries;
    std::vector<std::string> searches;
    int openSearches = 0;

private:
    class Search : public platform::DirectorySearch {
    public:
        Search(const std::vector<platform::FoundName>& names, int& open) : names_(names), open_(open) { ++open_; }
        ~Search() override { --open_; }
        Search(const Search&) = delete;
        Search& operator=(const Search&) = delete;
        bool next(platform::FoundName* found) override {
            if (position_ >= names_.size()) return false;
            *found = names_[position_++];
            return true;
        }

    private:
        std::vector<platform::FoundName> names_;
        size_t position_ = 0;
        int& open_;
    };

    class File : public platform::ReadableFile {
    public:
        File(FakeFileSystem& owner, const std::string& content) : owner_(owner), content_(content) {}
        bool size(uint64_t* bytes) override {
            if (owner_.failSize) return false;
            *bytes = content_.size();
            return true;
        }
        bool read(char* buffer, size_t capacity, size_t* got) override {
            if (owner_.failRead) return false;
            *got = capacity < content_.size() ? capacity : content_.size();
            std::memcpy(buffer, content_.data(), *got);
            return true;
        }

    private:
        FakeFileSystem& owner_;
        std::string content_;
    };
};

}  // namespace fakes

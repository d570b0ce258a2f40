// Helpers shared by the portable unit tests: a recorder for message boxes
// and temporary files that work natively and under Wine alike.
#pragma once

#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "image/RasterImage.h"
#include "platform/Messages.h"
#include "platform/OpenFile.h"

namespace test {

struct ShownMessage {
    std::string text;
    std::string caption;
    unsigned style;
};

// Records every message box while alive and answers from a script (OK / Yes
// when the script is empty).
class RecordingSink : public platform::MessageSink {
public:
    RecordingSink() : previous_(platform::setMessageSink(this)) {}
    ~RecordingSink() override { platform::setMessageSink(previous_); }
    RecordingSink(const RecordingSink&) = delete;
    RecordingSink& operator=(const RecordingSink&) = delete;

    int show(const std::string& text, const std::string& caption, unsigned style) override {
        shown.push_back({text, caption, style});
        if (onShow) onShow();  // what happens while the box is open
        if (!answers.empty()) {
            int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        unsigned buttons = style & 0xF;
        return (buttons == platform::kMbYesNo || buttons == platform::kMbYesNoCancel) ? platform::kIdYes
                                                                                      : platform::kIdOk;
    }

    std::vector<ShownMessage> shown;
    std::deque<int> answers;
    std::function<void()> onShow;

private:
    platform::MessageSink* previous_;
};

// A file of exactly these bytes at a UTF-8 path, opened as the program opens
// its files.
inline void writeFile(const std::string& path, const std::string& content) {
    if (std::FILE* out = platform::openFile(path.c_str(), "wb")) {
        std::fwrite(content.data(), 1, content.size(), out);
        std::fclose(out);
    }
}

// A file's bytes, "<absent>" when it cannot be opened.
inline std::string readFile(const std::string& path) {
    std::FILE* in = platform::openFile(path.c_str(), "rb");
    if (!in) return "<absent>";
    std::string content;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) content.append(buffer, got);
    std::fclose(in);
    return content;
}

// A file in the system's temporary folder, removed when the object goes.
class TempFile {
public:
    explicit TempFile(const std::string& suffix = ".tmp") {
        static int counter = 0;
        path_ = (std::filesystem::temp_directory_path() /
                 ("vellumere-test-" + std::to_string(counterBase()) + "-" + std::to_string(counter++) + suffix))
                    .string();
    }
    TempFile(const std::string& suffix, const std::vector<unsigned char>& bytes) : TempFile(suffix) { write(bytes); }
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }
    const char* c_str() const { return path_.c_str(); }

    void write(const std::vector<unsigned char>& bytes) const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    void write(const std::string& text) const { write(std::vector<unsigned char>(text.begin(), text.end())); }
    std::vector<unsigned char> read() const {
        std::ifstream in(path_, std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    static long counterBase() {
        static long base = long(std::hash<std::string>{}(std::to_string(
                                    std::filesystem::file_time_type::clock::now().time_since_epoch().count())) %
                                1000000);
        return base;
    }
    std::string path_;
};

// A directory of its own in the system's temporary folder, removed with all
// it holds when the object goes.
class TempDirectory {
public:
    TempDirectory() : path_(TempFile("-dir").path()) { std::filesystem::create_directories(path_); }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::string& path() const { return path_; }
    // The path of `name` inside the directory (nothing is created), in
    // UTF-8 as the program's paths are.
    std::string at(const std::string& name) const {
        return path_ + char(std::filesystem::path::preferred_separator) + name;
    }
    // Creates the file `name` holding content; its path.
    std::string file(const std::string& name, const std::string& content) const {
        const std::string full = at(name);
        writeFile(full, content);
        return full;
    }
    // Creates the directory `name` (and those above it); its path.
    std::string directory(const std::string& name) const {
        const std::string full = at(name);
        std::filesystem::create_directories(std::filesystem::u8path(full));
        return full;
    }

private:
    std::string path_;
};

// Opens a file for binary reading, closed when the object goes.
class OpenFile {
public:
    explicit OpenFile(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {}
    ~OpenFile() {
        if (file_) std::fclose(file_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    FILE* get() const { return file_; }

private:
    FILE* file_;
};

inline std::vector<unsigned char> bytesOf(const std::string& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

// What one reader call (or load) did: its result and the boxes it showed.
struct Decoded {
    int result = -1;
    std::vector<ShownMessage> shown;
};

// Runs a reader member (e.g. &RasterImage::readGif) over a file holding the
// bytes, with the stream at offset 0 as load() hands it over.
inline Decoded decode(RasterImage& image, const std::vector<unsigned char>& bytes, int (RasterImage::*reader)(FILE*),
                      const std::string& suffix = ".img") {
    Decoded decoded;
    RecordingSink sink;
    TempFile file(suffix, bytes);
    OpenFile in(file.path());
    decoded.result = (image.*reader)(in.get());
    decoded.shown = sink.shown;
    return decoded;
}

// The same through format detection; the path appears in its message.
inline Decoded load(RasterImage& image, const std::vector<unsigned char>& bytes, const std::string& suffix = ".img") {
    Decoded decoded;
    RecordingSink sink;
    TempFile file(suffix, bytes);
    OpenFile in(file.path());
    decoded.result = image.load(in.get(), file.c_str());
    decoded.shown = sink.shown;
    return decoded;
}

// Sets the size and depth and allocates, as a reader would.
inline void describe(RasterImage& image, int32_t width, int32_t height, int32_t depth) {
    image.width = width;
    image.height = height;
    image.bitDepth = depth;
}

// Red, green and blue of pixel i of a 24- or 32-bit picture.
inline std::vector<int> rgbAt(const RasterImage& image, size_t i) {
    return {image.planes[2][i], image.planes[1][i], image.planes[0][i]};
}

}  // namespace test

// vellumere-convert [--info] [--timing] [--fit|--fill|--stretch WxH]
//                   [--background RRGGBB] INPUT OUTPUT.bmp
// Turns a picture into the bitmap the program would make its wallpaper from,
// scaled to a screen of W x H pixels as the program does for the "Fit",
// "Fill" and "Stretch" positions when one of those is given (bars in the
// background colour, black unless given). A file that already begins with
// "BM" is copied unchanged, as the program uses such a file as it is.
// --timing prints how long loading, scaling and writing took. Exits 1 when
// the output could not be written whole, and never writes over its own input.
// Paths are taken and shown as UTF-8 (on Windows from the wide command line);
// messages on standard error show them as UTF-8 bytes in a file or pipe and
// as the names themselves in a Windows console.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/RasterImage.h"
#include "image/Scale.h"
#include "platform/CommandLine.h"
#include "platform/Messages.h"
#include "platform/OpenFile.h"
#include "platform/SameFile.h"

namespace {

constexpr int kWritten = 0;
constexpr int kUnusable = 1;
constexpr int kUsage = 2;

int usage() {
    platform::writeStandardError(
        "usage: vellumere-convert [--info] [--timing] [--fit|--fill|--stretch WxH]\n"
        "                         [--background RRGGBB] INPUT OUTPUT.bmp\n");
    return kUsage;
}

// "vellumere-convert: " and the text, one line on standard error.
void complain(const std::string& text) {
    platform::writeStandardError("vellumere-convert: " + text + "\n");
}

std::string quoted(const char* path) {
    return std::string("\"") + path + "\"";
}

struct Options {
    bool info = false;
    bool timing = false;
    bool scale = false;
    ScaleTarget target = {0, 0, ScaleMode::Fit, 0, 0, 0};
};

// "WxH" with both sides from 1 to 65536.
bool parseSize(const char* text, ScaleTarget& target) {
    char* end;
    const long width = std::strtol(text, &end, 10);
    if (end == text || *end != 'x') return false;
    const char* rest = end + 1;
    const long height = std::strtol(rest, &end, 10);
    if (end == rest || *end || width < 1 || height < 1 || width > 65536 || height > 65536) return false;
    target.width = int32_t(width);
    target.height = int32_t(height);
    return true;
}

// "RRGGBB" in hexadecimal.
bool parseColour(const char* text, ScaleTarget& target) {
    if (std::strlen(text) != 6 || std::strspn(text, "0123456789abcdefABCDEF") != 6) return false;
    const unsigned long rgb = std::strtoul(text, nullptr, 16);
    target.red = uint8_t(rgb >> 16);
    target.green = uint8_t(rgb >> 8);
    target.blue = uint8_t(rgb);
    return true;
}

// Reads the options before the two paths; the index of the first path, or 0
// on a usage error.
int parseOptions(int argc, char** argv, Options& options) {
    static const struct {
        const char* name;
        ScaleMode mode;
    } kModes[] = {{"--fit", ScaleMode::Fit}, {"--fill", ScaleMode::Fill}, {"--stretch", ScaleMode::Stretch}};
    int i = 1;
    for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
        const char* option = argv[i];
        if (std::strcmp(option, "--info") == 0) {
            options.info = true;
            continue;
        }
        if (std::strcmp(option, "--timing") == 0) {
            options.timing = true;
            continue;
        }
        if (i + 1 >= argc) return 0;
        const char* value = argv[++i];
        if (std::strcmp(option, "--background") == 0) {
            if (!parseColour(value, options.target)) return 0;
            continue;
        }
        bool known = false;
        for (const auto& mode : kModes) {
            if (std::strcmp(option, mode.name) != 0) continue;
            if (options.scale || !parseSize(value, options.target)) return 0;
            options.scale = known = true;
            options.target.mode = mode.mode;
        }
        if (!known) return 0;
    }
    return argc - i == 2 ? i : 0;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int copyBitmap(FILE* in, const char* inputPath, const char* outputPath) {
    FILE* out = platform::openFile(outputPath, "wb");
    if (!out) {
        platform::showMessage("Unable to open file for writing.", "BMP Writer", platform::kMbOk);
        return kUnusable;
    }
    static char buffer[1 << 16];
    bool readOk = std::fseek(in, 0, SEEK_SET) == 0;
    bool writeOk = true;
    size_t got;
    while (readOk && (got = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        if (std::fwrite(buffer, 1, got, out) != got) {
            writeOk = false;
            break;
        }
    }
    if (std::ferror(in)) readOk = false;
    if (std::fclose(out) != 0) writeOk = false;
    if (!readOk) {
        complain("error reading " + quoted(inputPath));
        return kUnusable;
    }
    if (!writeOk) {
        complain("error writing " + quoted(outputPath));
        return kUnusable;
    }
    return kWritten;
}

}  // namespace

int main(int argc, char** argv) {
    platform::setMessageSink(&platform::standardErrorSink());

    std::vector<std::string> arguments = platform::commandLineArguments(argc, argv);
    std::vector<char*> utf8Argv;
    for (std::string& argument : arguments) utf8Argv.push_back(&argument[0]);
    utf8Argv.push_back(nullptr);
    argc = int(arguments.size());
    argv = utf8Argv.data();

    Options options;
    const int first = parseOptions(argc, argv, options);
    if (!first) return usage();
    const char* inputPath = argv[first];
    const char* outputPath = argv[first + 1];

    FILE* in = platform::openFile(inputPath, "rb");
    if (!in) {
        platform::showMessageWithPath("Unable to open file \"%s\".", inputPath, platform::kErrorCaption,
                                      platform::kMbIconWarning);
        return kUnusable;
    }
    // Opening the output truncates it: it must not be the input under
    // another name (a different spelling of the path, or a hard link).
    if (platform::sameFile(inputPath, outputPath)) {
        complain(quoted(outputPath) + " is the input file " + quoted(inputPath) + "; it is left untouched");
        std::fclose(in);
        return kUnusable;
    }

    const int first0 = std::fgetc(in);
    const int first1 = first0 == 'B' ? std::fgetc(in) : EOF;
    if (first0 == 'B' && first1 == 'M') {
        const int result = copyBitmap(in, inputPath, outputPath);
        std::fclose(in);
        return result;
    }

    int result = kUnusable;
    {
        RasterImage image, scaled;
        auto start = std::chrono::steady_clock::now();
        const bool loaded = image.load(in, inputPath);
        const double loading = millisecondsSince(start);
        start = std::chrono::steady_clock::now();
        const bool ready = loaded && (!options.scale || scaleImage(image, options.target, scaled));
        const double scaling = millisecondsSince(start);
        if (ready) {
            if (options.info) {
                std::printf("%ldx%ld %ld-bit\n", long(image.width), long(image.height), long(image.bitDepth));
            }
            RasterImage& output = options.scale ? scaled : image;
            start = std::chrono::steady_clock::now();
            if (output.writeBmp(outputPath)) result = kWritten;
            if (options.timing) {
                std::printf("load %.1f ms, scale %.1f ms, write %.1f ms\n", loading, scaling, millisecondsSince(start));
            }
        }
    }
    std::fclose(in);
    return result;
}

// vellumere-convert [--info] INPUT OUTPUT.bmp
// Turns a picture into the bitmap the program would make its wallpaper from.
// A file that already begins with "BM" is copied unchanged, as the program
// uses such a file as it is. Exits 1 when the output could not be written
// whole, and never writes over its own input.
#include <cstdio>
#include <cstring>

#include "image/RasterImage.h"
#include "platform/Messages.h"
#include "platform/SameFile.h"

namespace {

constexpr int kWritten = 0;
constexpr int kUnusable = 1;
constexpr int kUsage = 2;

int usage() {
    std::fputs("usage: vellumere-convert [--info] INPUT OUTPUT.bmp\n", stderr);
    return kUsage;
}

int copyBitmap(FILE* in, const char* inputPath, const char* outputPath) {
    FILE* out = std::fopen(outputPath, "wb");
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
        std::fprintf(stderr, "vellumere-convert: error reading \"%s\"\n", inputPath);
        return kUnusable;
    }
    if (!writeOk) {
        std::fprintf(stderr, "vellumere-convert: error writing \"%s\"\n", outputPath);
        return kUnusable;
    }
    return kWritten;
}

}  // namespace

int main(int argc, char** argv) {
    platform::setMessageSink(&platform::standardErrorSink());

    bool info = false;
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--info") == 0) {
        info = true;
        first = 2;
    }
    if (argc - first != 2) return usage();
    const char* inputPath = argv[first];
    const char* outputPath = argv[first + 1];

    FILE* in = std::fopen(inputPath, "rb");
    if (!in) {
        platform::showMessageWithPath("Unable to open file \"%s\".", inputPath, "Vellumere Error",
                                      platform::kMbIconWarning);
        return kUnusable;
    }
    // Opening the output truncates it: it must not be the input under
    // another name (a different spelling of the path, or a hard link).
    if (platform::sameFile(inputPath, outputPath)) {
        std::fprintf(stderr,
                     "vellumere-convert: \"%s\" is the input file \"%s\"; it is left untouched\n",
                     outputPath, inputPath);
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
        RasterImage image;
        if (image.load(in, inputPath)) {
            if (info) {
                std::printf("%ldx%ld %ld-bit\n", long(image.width), long(image.height),
                            long(image.bitDepth));
            }
            if (image.writeBmp(outputPath)) result = kWritten;
        }
    }
    std::fclose(in);
    return result;
}

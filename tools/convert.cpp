// vellumere-convert [--info] INPUT OUTPUT.bmp
// Turns a picture into the bitmap the program would make its wallpaper from.
// A file that already begins with "BM" is copied unchanged, as the program
// uses such a file as it is.
#include <cstdio>
#include <cstring>
#include <vector>

#include "image/RasterImage.h"
#include "platform/Messages.h"

namespace {

constexpr int kWritten = 0;
constexpr int kUnusable = 1;
constexpr int kUsage = 2;

int usage() {
    std::fputs("usage: vellumere-convert [--info] INPUT OUTPUT.bmp\n", stderr);
    return kUsage;
}

int copyBitmap(FILE* in, const char* outputPath) {
    FILE* out = std::fopen(outputPath, "wb");
    if (!out) {
        platform::showMessage("Unable to open file for writing.", "BMP Writer", platform::kMbOk);
        return kUnusable;
    }
    std::fseek(in, 0, SEEK_SET);
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
        if (std::fwrite(buffer.data(), 1, got, out) != got) {
            ok = false;
            break;
        }
    }
    if (std::fclose(out) != 0) ok = false;
    if (!ok) {
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

    const int first0 = std::fgetc(in);
    const int first1 = first0 == 'B' ? std::fgetc(in) : EOF;
    if (first0 == 'B' && first1 == 'M') {
        const int result = copyBitmap(in, outputPath);
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

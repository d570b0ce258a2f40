// PNG through libpng: the library decodes the whole picture into row buffers
// of 8-bit samples; this file sets it up, shows its errors and warnings, and
// moves the rows into the planes.
//
// libpng reports errors by jumping back to the point saved in its read
// structure. Nothing with a destructor may live in a frame that the jump
// leaves, and what the recovery path needs and the decoding changes is kept
// volatile.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <png.h>

#include "image/RasterImage.h"
#include "readers/ReaderSupport.h"

namespace {

const char* const kCaption = "PNG Reader";

// The warnings already shown for the file being read. libpng repeats a
// warning for every chunk that has the problem, so a small file could bring
// up thousands of boxes: each text is shown once per file. The chunk name
// that libpng puts before a chunk's warning is left out of the comparison, so
// that many damaged chunks of many names still make one box. Plain data, as
// it lives in the frame that the library's error jump returns to.
struct ShownWarnings {
    static constexpr int kCapacity = 32;
    static constexpr size_t kKeyLength = 200;
    int count;
    char keys[kCapacity][kKeyLength];
};

// A chunk's warning starts with its four-letter name and ": ".
const char* withoutChunkName(const char* text) {
    for (int i = 0; i < 4; ++i) {
        const char c = text[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return text;
    }
    return text[4] == ':' && text[5] == ' ' ? text + 6 : text;
}

// True the first time a text comes up for this file. Once the table is
// full (no real file gets near it) nothing more is shown.
bool firstTime(ShownWarnings* shown, const char* text) {
    if (!shown) return true;
    const char* key = withoutChunkName(text);
    for (int i = 0; i < shown->count; ++i) {
        if (std::strncmp(shown->keys[i], key, ShownWarnings::kKeyLength - 1) == 0) return false;
    }
    if (shown->count == ShownWarnings::kCapacity) return false;
    std::strncpy(shown->keys[shown->count], key, ShownWarnings::kKeyLength - 1);
    shown->keys[shown->count][ShownWarnings::kKeyLength - 1] = '\0';
    ++shown->count;
    return true;
}

// The library's warnings: shown (once per text), then decoding goes on.
void PNGCBAPI pngWarning(png_structp png, png_const_charp text) {
    if (!text) text = "";
    if (!firstTime(static_cast<ShownWarnings*>(png_get_error_ptr(png)), text)) return;
    readers::warnWithoutThrowing(text, kCaption);
}

// The library's errors: shown, then the library abandons decoding. When an
// error callback returns, libpng prints the text on its own before jumping
// back; jumping from here keeps the message box the only report.
void PNGCBAPI pngError(png_structp png, png_const_charp text) {
    readers::warnWithoutThrowing(text, kCaption);
    png_longjmp(png, 1);
}

// The row buffers, tracked where the recovery path can free them.
struct RowBuffers {
    png_bytep* rows;
    png_uint_32 count;  // entries of `rows`; the null ones were never obtained
};

void releaseAll(png_structp png, png_infop info, volatile RowBuffers& buffers) {
    png_destroy_read_struct(&png, &info, nullptr);
    png_bytep* rows = buffers.rows;
    if (rows) {
        const png_uint_32 count = buffers.count;
        for (png_uint_32 y = 0; y < count; ++y) std::free(rows[y]);
        std::free(rows);
    }
    buffers.rows = nullptr;
    buffers.count = 0;
}

void scatterRows(RasterImage& image, const png_bytep* rows, size_t rowBytes, int channels) {
    const size_t width = size_t(image.width);
    const size_t height = size_t(image.height);
    const size_t held = rowBytes / size_t(channels);
    const size_t n = held < width ? held : width;
    for (size_t y = 0; y < height; ++y) {
        const png_byte* source = rows[y];
        const size_t offset = y * width;
        uint8_t* __restrict red = image.planes[2] + offset;
        uint8_t* __restrict green = image.planes[1] + offset;
        uint8_t* __restrict blue = image.planes[0] + offset;
        if (channels == 4) {
            uint8_t* __restrict alpha = image.planes[3] + offset;
            for (size_t x = 0; x < n; ++x, source += 4) {
                red[x] = source[0];
                green[x] = source[1];
                blue[x] = source[2];
                alpha[x] = source[3];
            }
            if (n < width) std::memset(alpha + n, 0, width - n);
        } else {
            for (size_t x = 0; x < n; ++x, source += 3) {
                red[x] = source[0];
                green[x] = source[1];
                blue[x] = source[2];
            }
        }
        if (n < width) {
            std::memset(red + n, 0, width - n);
            std::memset(green + n, 0, width - n);
            std::memset(blue + n, 0, width - n);
        }
    }
}

void copyIndexRows(RasterImage& image, const png_bytep* rows, size_t rowBytes) {
    const size_t width = size_t(image.width);
    const size_t n = rowBytes < width ? rowBytes : width;
    for (size_t y = 0; y < size_t(image.height); ++y) {
        uint8_t* row = image.planes[0] + y * width;
        std::memcpy(row, rows[y], n);
        if (n < width) std::memset(row + n, 0, width - n);
    }
}

// Everything from attaching the stream to reading the end chunk. It runs in
// its own frame below the recovery point, so its locals need not survive a
// jump. Returns 0 after a message of its own.
int decodePng(RasterImage& image, FILE* stream, png_structp png, png_infop info, volatile RowBuffers& buffers) {
    png_init_io(png, stream);
    png_set_sig_bytes(png, 0);
    // Only the header, the palette, the transparency chunk (which the
    // expansion of low-depth grey uses) and the image data are ever used:
    // every other chunk, known to the library or not, is skipped as it is
    // read, never held in memory, whatever length it claims.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    // What the library still sizes from a chunk's length stays small.
    png_set_chunk_malloc_max(png, 8 * 1024 * 1024);
    png_read_info(png, info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlaceType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlaceType, nullptr, nullptr);
    // The library refuses dimensions beyond 31 bits, so these fit.
    image.width = int32_t(width);
    image.height = int32_t(height);

    png_set_strip_16(png);
    png_set_packing(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand(png);
    // Lets the whole-image read run the interlace passes without warning
    // that the caller did not ask for them.
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    // A picture the planes could never hold (over the ceiling, or two
    // channels, which no depth of the record takes) is refused before its
    // row buffers are obtained and its rows decoded, with the message the
    // allocation would give. The row buffers hold as many bytes as the
    // planes, so the ceiling bounds them too.
    const int depth = 8 * png_get_channels(png, info);
    if (!RasterImage::withinCeiling(width, height, depth)) {
        image.bitDepth = depth;
        return readers::warnWithoutThrowing("Unable to allocate memory for bitmap.", kCaption);
    }

    png_bytep* rows = static_cast<png_bytep*>(std::calloc(height ? height : 1, sizeof(png_bytep)));
    if (!rows) {
        return readers::warnWithoutThrowing("Unable to allocate memory.", kCaption);
    }
    buffers.rows = rows;
    buffers.count = height;
    const size_t rowBytes = png_get_rowbytes(png, info);
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = static_cast<png_bytep>(std::malloc(rowBytes ? rowBytes : 1));
        if (!rows[y]) {
            return readers::warnWithoutThrowing("Unable to allocate memory.", kCaption);
        }
    }

    png_colorp entries = nullptr;
    int entryCount = 0;
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_get_PLTE(png, info, &entries, &entryCount);

    png_read_image(png, rows);

    const int channels = png_get_channels(png, info);
    image.bitDepth = 8 * channels;
    if (!image.allocate()) {
        return readers::warnWithoutThrowing("Unable to allocate memory for bitmap.", kCaption);
    }

    if (image.bitDepth > 8) {
        scatterRows(image, rows, rowBytes, channels);
    } else {
        // Entries the file does not supply stay black, so an index beyond
        // its palette shows as black rather than as leftover memory.
        std::memset(image.palette, 0, 768);
        if (colourType == PNG_COLOR_TYPE_PALETTE) {
            const int count = entries ? (entryCount < 256 ? entryCount : 256) : 0;
            for (int i = 0; i < count; ++i) {
                image.palette[3 * i] = entries[i].red;
                image.palette[3 * i + 1] = entries[i].green;
                image.palette[3 * i + 2] = entries[i].blue;
            }
        } else {
            for (int i = 0; i < 256; ++i) {
                image.palette[3 * i] = image.palette[3 * i + 1] = image.palette[3 * i + 2] = uint8_t(i);
            }
        }
        copyIndexRows(image, rows, rowBytes);
    }

    png_read_end(png, nullptr);
    return 1;
}

}  // namespace

int RasterImage::readPng(FILE* stream) {
    std::rewind(stream);
    ShownWarnings shown;
    shown.count = 0;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &shown, pngError, pngWarning);
    if (!png) return 0;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return 0;
    }

    volatile RowBuffers buffers = {nullptr, 0};
    if (setjmp(png_jmpbuf(png))) {
        releaseAll(png, info, buffers);
        return 0;
    }
    const int result = decodePng(*this, stream, png, info, buffers);
    releaseAll(png, info, buffers);
    return result;
}

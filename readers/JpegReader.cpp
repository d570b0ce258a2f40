// JPEG through libjpeg: the library decodes, this file sets it up, turns its
// fatal errors into a message box and a jump back, and spreads each decoded
// row over the colour planes.
//
// The library reports fatal errors by calling an error routine that must not
// return; ours longjmps to the reader. Nothing with a destructor may live in
// a frame that the jump leaves, so the frames involved hold plain data only.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "image/DecodeHint.h"
#include "image/RasterImage.h"
#include "readers/ReaderSupport.h"

namespace {

const char* const kCaption = "JPEG Reader";

// A progressive file may repeat a small scan thousands of times, and every
// scan walks the whole picture (a refinement scan of a 4096 x 4096 picture
// takes about 30 ms). Encoders write about ten (libjpeg's own progression:
// 10 for colour, 6 for grey); a hundred bounds the work at a few seconds even
// for the largest picture the ceiling lets through.
constexpr int kMaxScans = 100;
const char kTooManyScans[] = "Progressive JPEG image has more than 100 scans.";

struct JpegErrorManager {
    jpeg_error_mgr standard;  // first, so the library's pointer is also ours
    std::jmp_buf recovery;
};

void jpegErrorExit(j_common_ptr info) {
    char text[256];
    static_assert(sizeof text >= JMSG_LENGTH_MAX, "room for the library's longest message");
    (*info->err->format_message)(info, text);
    readers::warnWithoutThrowing(text, kCaption);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->recovery, 1);
}

// Called by the library as it works through the file, between scans too.
void stopAtScanLimit(j_common_ptr info) {
    if (!info->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number <= kMaxScans) return;
    readers::warnWithoutThrowing(kTooManyScans, kCaption);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->recovery, 1);
}

// What the library may obtain for itself: a progressive or multi-scan file
// keeps every coefficient of the picture in memory, up to 8 bytes a pixel.
// A quarter more than the planes' ceiling lets every picture up to 8K decode
// (CMYK and full-resolution colour included); a larger need ends in the
// library's own error, as it has no backing store.
long libraryMemoryBudget() {
    return long(RasterImage::planeByteLimit() + RasterImage::planeByteLimit() / 4);
}

// The reduced sizes used, and how large a full picture each may take, in
// multiples of the planes' ceiling. libjpeg-turbo decodes 1/8, 2/8 and 4/8
// with vector IDCTs, at half a full decode's work per block or less; its
// other eighths run plain C IDCTs: 3/8 costs about what a full decode does,
// 5/8 to 7/8 more (1.3 to 1.7 times a full decode of a real photograph, up
// to 4 times for blocks without data), so those are not used and full size
// serves instead. The library walks
// every block of the full picture whatever the output size, so a header that
// lies about its size must cost no more than the largest full-size decode
// always could: the cheap eighths may take a picture up to twice the ceiling
// at full size (a 100-megapixel photo in the 32-bit program), 3/8 only one
// within it.
struct Reduction {
    unsigned eighths;
    int64_t ceilings;
};
constexpr Reduction kReductions[] = {{1, 2}, {2, 2}, {3, 1}, {4, 2}};

// Whether the full picture is small enough for a decode at this reduction
// (full size: the ceilings of 1).
bool sourceWithinReach(const jpeg_decompress_struct& info, int64_t ceilings) {
    if (info.image_width > 0x7FFFFFFFu || info.image_height > 0x7FFFFFFFu) return false;
    const int64_t bytes = RasterImage::planeBytes(info.image_width, info.image_height, 24);
    return bytes >= 0 && bytes <= ceilings * RasterImage::planeByteLimit();
}

// Sets the library's output scale to the first reduction that may take this
// picture and whose output (as the library rounds it) still covers what the
// hint asks for; full size when none does. True when reduced.
bool chooseScale(jpeg_decompress_struct& info, const DecodeHint& hint) {
    info.scale_denom = 8;
    for (const Reduction& reduction : kReductions) {
        if (!sourceWithinReach(info, reduction.ceilings)) continue;
        info.scale_num = reduction.eighths;
        jpeg_calc_output_dimensions(&info);
        if (decodedSizeCovers(info.output_width, info.output_height, hint)) return true;
    }
    info.scale_num = 8;
    return false;
}

// Red, green and blue samples of one row into the planes.
void scatterRgb(const JSAMPLE* source, size_t width, uint8_t* __restrict red, uint8_t* __restrict green,
                uint8_t* __restrict blue) {
    for (size_t x = 0; x < width; ++x, source += 3) {
        red[x] = source[0];
        green[x] = source[1];
        blue[x] = source[2];
    }
}

// CMYK samples of one row into the planes. Adobe's files store the inks
// inverted (255 is no ink), the others as they are.
void scatterCmyk(const JSAMPLE* source, size_t width, bool inverted, uint8_t* __restrict red, uint8_t* __restrict green,
                 uint8_t* __restrict blue) {
    const unsigned flip = inverted ? 0u : 255u;
    for (size_t x = 0; x < width; ++x, source += 4) {
        const unsigned k = source[3] ^ flip;
        red[x] = uint8_t(((source[0] ^ flip) * k + 127u) / 255u);
        green[x] = uint8_t(((source[1] ^ flip) * k + 127u) / 255u);
        blue[x] = uint8_t(((source[2] ^ flip) * k + 127u) / 255u);
    }
}

// Everything between reading the header and finishing decompression. It runs
// in its own frame below the recovery point, so none of its locals need to
// survive a jump. Returns 0 after a message of its own.
// With a hint, the picture may come out reduced: its width and height are
// then the decoded ones.
int decodeJpeg(RasterImage& image, jpeg_decompress_struct& info, const DecodeHint* hint) {
    const bool reduced = hint != nullptr && chooseScale(info, *hint);
    const JDIMENSION width = reduced ? info.output_width : info.image_width;
    const JDIMENSION height = reduced ? info.output_height : info.image_height;
    image.width = int32_t(width);
    image.height = int32_t(height);
    image.bitDepth = 24;
    if (!(reduced || sourceWithinReach(info, 1)) || !image.allocate()) {
        return readers::warnWithoutThrowing("Unable to allocate memory for bitmap.", kCaption);
    }

    // Colour pictures and greyscale alike come out as red, green and blue;
    // CMYK, which the library cannot turn into RGB, comes out as CMYK.
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&info);

    const int components = cmyk ? 4 : 3;
    if (info.output_components != components || info.output_width != width || info.output_height != height) {
        return readers::warnWithoutThrowing("Unsupported JPEG colour layout.", kCaption);
    }
    const bool inverted = cmyk && info.saw_Adobe_marker;

    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               info.output_width * JDIMENSION(components), 1);
    const size_t columns = size_t(image.width);
    while (info.output_scanline < info.output_height) {
        // The stdio source never suspends, so every call delivers a row.
        if (jpeg_read_scanlines(&info, row, 1) != 1) break;
        const size_t offset = size_t(info.output_scanline - 1) * columns;
        if (cmyk) {
            scatterCmyk(row[0], columns, inverted, image.planes[2] + offset, image.planes[1] + offset,
                        image.planes[0] + offset);
        } else {
            scatterRgb(row[0], columns, image.planes[2] + offset, image.planes[1] + offset, image.planes[0] + offset);
        }
    }
    jpeg_finish_decompress(&info);
    return 1;
}

// The reader proper; hint may be null (full size).
int readJpegStream(RasterImage& image, FILE* stream, const DecodeHint* hint) {
    // Only the decompressor, the error manager and the progress monitor live
    // in this frame; they change through the library alone and are needed
    // after a jump.
    jpeg_decompress_struct info;
    std::memset(&info, 0, sizeof info);
    JpegErrorManager errors;
    info.err = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = jpegErrorExit;
    jpeg_progress_mgr progress;
    std::memset(&progress, 0, sizeof progress);
    progress.progress_monitor = stopAtScanLimit;

    if (setjmp(errors.recovery)) {
        jpeg_destroy_decompress(&info);
        return 0;
    }

    jpeg_create_decompress(&info);
    info.progress = &progress;
    info.mem->max_memory_to_use = libraryMemoryBudget();
    jpeg_stdio_src(&info, stream);
    jpeg_read_header(&info, TRUE);

    const int result = decodeJpeg(image, info, hint);
    jpeg_destroy_decompress(&info);
    return result;
}

}  // namespace

int RasterImage::readJpeg(FILE* stream) {
    return readJpegStream(*this, stream, nullptr);
}

int RasterImage::readJpeg(FILE* stream, const DecodeHint& hint) {
    return readJpegStream(*this, stream, &hint);
}

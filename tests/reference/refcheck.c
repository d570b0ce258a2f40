/* Helpers for the reference checks on real pictures.
 *
 *   refcheck cmp MODE [-t N] OURS.pnm REFERENCE.pnm
 *       Compares two binary PNM pictures (P4, P5 or P6; grey is taken as
 *       three equal samples) pixel by pixel. OURS has 8-bit samples. MODE says
 *       how a reference sample maps to 8 bits:
 *         same   taken as it is (the reference's maximum value is ignored,
 *                for readers that do not scale samples)
 *         high   its high byte when the maximum is above 255 (16-bit
 *                samples cut to 8 bits), stretched to 0-255 when it is below
 *                (grey of 1, 2 or 4 bits), as it is at 255
 *         low    its low byte (16-bit samples taken modulo 256)
 *       -t N allows a difference of N per sample (for colour conversions
 *       done differently by two libraries). Exit 0 when they agree.
 *
 *   refcheck sun FILE
 *       Writes, as a P6 picture on standard output, what our Sun Raster reading
 *       makes of FILE: header words masked to 16 bits; the colour map read as
 *       256 reds, 256 greens, 256 blues whatever its length word says; rows of
 *       exactly `width` bytes per group without the 16-bit row padding of real
 *       files; 24- and 32-bit rows as separate groups for blue, green, red
 *       (and a fourth); type 2 decoded group by group, runs cut at the end of
 *       a group. Real decoders read such files differently, so this is the
 *       expectation where they disagree. Exit 3 with the refusal on standard
 *       error when the file is one the reading refuses, 4 when a plain file
 *       ends before the picture does (what the reading leaves is not settled).
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef struct {
    long width, height;
    unsigned maxval;
    uint16_t* rgb; /* 3 samples per pixel */
} Picture;

static int skip_space_and_comments(FILE* in) {
    int c = getc(in);
    for (;;) {
        while (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') c = getc(in);
        if (c != '#') return c;
        while (c != EOF && c != '\n') c = getc(in);
    }
}

static int read_number(FILE* in, long* value) {
    int c = skip_space_and_comments(in);
    if (c < '0' || c > '9') return 0;
    *value = 0;
    while (c >= '0' && c <= '9') {
        *value = *value * 10 + (c - '0');
        if (*value > 1000000000L) return 0;
        c = getc(in);
    }
    return 1; /* one white-space byte after the number is consumed */
}

static int load_pnm(const char* path, Picture* p) {
    FILE* in = fopen(path, "rb");
    long maxval = 1;
    if (!in) {
        fprintf(stderr, "refcheck: cannot open %s\n", path);
        return 0;
    }
    int m0 = getc(in), m1 = getc(in);
    if (m0 != 'P' || (m1 != '4' && m1 != '5' && m1 != '6') || !read_number(in, &p->width) ||
        !read_number(in, &p->height) || (m1 != '4' && !read_number(in, &maxval)) || maxval < 1 || maxval > 65535 ||
        p->width > 100000 || p->height > 100000) {
        fprintf(stderr, "refcheck: %s is not a binary PNM picture\n", path);
        fclose(in);
        return 0;
    }
    p->maxval = (unsigned)maxval;
    size_t pixels = (size_t)p->width * (size_t)p->height;
    p->rgb = malloc(pixels * 3 * sizeof(uint16_t) + 1);
    if (!p->rgb) return 0;
    int wide = maxval > 255;
    for (long y = 0; y < p->height; ++y) {
        int bits = 0, byte = 0;
        for (long x = 0; x < p->width; ++x) {
            uint16_t* px = p->rgb + ((size_t)y * (size_t)p->width + (size_t)x) * 3;
            int channels = m1 == '6' ? 3 : 1;
            for (int c = 0; c < channels; ++c) {
                int v;
                if (m1 == '4') {
                    if (bits == 0) {
                        byte = getc(in);
                        bits = 8;
                    }
                    --bits;
                    v = ((byte >> bits) & 1) ? 0 : 1; /* 1 is black */
                } else if (wide) {
                    int hi = getc(in), lo = getc(in);
                    v = (hi << 8) | lo;
                    if (lo == EOF) v = -1;
                } else {
                    v = getc(in);
                }
                if (v < 0) {
                    fprintf(stderr, "refcheck: %s: pixel data ends early\n", path);
                    fclose(in);
                    return 0;
                }
                px[c] = (uint16_t)v;
            }
            if (channels == 1) px[1] = px[2] = px[0];
        }
    }
    fclose(in);
    return 1;
}

static int compare(int argc, char** argv) {
    const char* mode;
    long tolerance = 0;
    int i = 2;
    if (argc < 5) return 2;
    mode = argv[i++];
    if (strcmp(argv[i], "-t") == 0) {
        tolerance = atol(argv[i + 1]);
        i += 2;
    }
    if (argc - i != 2) return 2;
    Picture ours, ref;
    if (!load_pnm(argv[i], &ours) || !load_pnm(argv[i + 1], &ref)) return 1;
    if (ours.width != ref.width || ours.height != ref.height) {
        printf("size %ldx%ld, reference %ldx%ld\n", ours.width, ours.height, ref.width, ref.height);
        return 1;
    }
    if (ours.maxval != 255 && ours.maxval != 1) {
        printf("our picture has maximum %u, not 255\n", ours.maxval);
        return 1;
    }
    size_t pixels = (size_t)ours.width * (size_t)ours.height, differing = 0, first = 0;
    long worst = 0;
    for (size_t n = 0; n < pixels; ++n) {
        int bad = 0;
        for (int c = 0; c < 3; ++c) {
            long want = ref.rgb[3 * n + c];
            if (strcmp(mode, "high") == 0) {
                if (ref.maxval > 255)
                    want >>= 8;
                else if (ref.maxval < 255)
                    want = (want * 255 + ref.maxval / 2) / ref.maxval;
            } else if (strcmp(mode, "low") == 0) {
                want &= 0xFF;
            } else if (strcmp(mode, "same") != 0) {
                fprintf(stderr, "refcheck: unknown mode %s\n", mode);
                return 2;
            }
            long got = ours.rgb[3 * n + c];
            long diff = got > want ? got - want : want - got;
            if (diff > worst) worst = diff;
            if (diff > tolerance) bad = 1;
        }
        if (bad && differing++ == 0) first = n;
    }
    if (differing == 0) {
        printf("identical %ldx%ld%s\n", ours.width, ours.height, tolerance ? " (within the tolerance)" : "");
        return 0;
    }
    long fx = (long)(first % (size_t)ours.width), fy = (long)(first / (size_t)ours.width);
    printf(
        "%zu of %zu pixels differ (largest difference %ld); first at (%ld,%ld): ours %u,%u,%u, "
        "reference %u,%u,%u\n",
        differing, pixels, worst, fx, fy, ours.rgb[3 * first], ours.rgb[3 * first + 1], ours.rgb[3 * first + 2],
        ref.rgb[3 * first], ref.rgb[3 * first + 1], ref.rgb[3 * first + 2]);
    return 1;
}

/* --- the Sun Raster reading ------------------------------------------------ */

static int byte_at_eof(FILE* in) {
    int c = getc(in);
    return c == EOF ? 0xFF : c;
}

static uint32_t be32(FILE* in) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | (uint32_t)byte_at_eof(in);
    return v;
}

static void decode_group(uint8_t* row, long length, FILE* in) {
    long x = 0;
    while (x < length) {
        int c = byte_at_eof(in);
        if (c != 0x80) {
            row[x++] = (uint8_t)c;
            continue;
        }
        int n = byte_at_eof(in);
        if (n == 0) {
            row[x++] = 0x80;
            continue;
        }
        int v = byte_at_eof(in);
        for (int k = 0; k <= n && x < length; ++k) row[x++] = (uint8_t)v;
    }
}

static int sun_expectation(const char* path) {
    FILE* in = fopen(path, "rb");
    if (!in) return 2;
    fseek(in, 4, SEEK_SET);
    long width = (long)(be32(in) & 0xFFFF), height = (long)(be32(in) & 0xFFFF);
    long depth = (long)(be32(in) & 0xFFFF);
    (void)be32(in); /* length */
    uint32_t type = be32(in), map_type = be32(in);
    (void)be32(in); /* map length */
    if (!((depth >= 1 && depth <= 8) || depth == 24 || depth == 32)) {
        fprintf(stderr, "Unable to allocate memory for bitmap.\n");
        return 3;
    }
    uint8_t palette[768];
    int have_palette = 0;
    if (map_type == 1 && depth != 24 && depth != 32) {
        for (int i = 0; i < 768; ++i) palette[i] = (uint8_t)byte_at_eof(in);
        have_palette = 1;
    }
    int groups = depth == 32 ? 4 : depth == 24 ? 3 : 1;
    if ((type != 0 && type != 2)) {
        fprintf(stderr, "Unsupported compression method.\n");
        return 3;
    }
    if (depth < 8) {
        fprintf(stderr, "Unsupported colour depth.\n");
        return 3;
    }
    size_t pixels = (size_t)width * (size_t)height;
    uint8_t* planes = calloc(pixels * 4 + 1, 1);
    if (!planes) return 2;
    for (long y = 0; y < height; ++y) {
        for (int g = 0; g < groups; ++g) {
            uint8_t* row = planes + (size_t)g * pixels + (size_t)y * (size_t)width;
            if (type == 2) {
                decode_group(row, width, in);
            } else if (fread(row, 1, (size_t)width, in) != (size_t)width) {
                fprintf(stderr, "refcheck: %s is short; its reading is not settled\n", path);
                return 4;
            }
        }
    }
    if (groups == 1 && !have_palette) {
        fprintf(stderr, "refcheck: %s has no colour map; its colours are not settled\n", path);
        return 2;
    }
    printf("P6\n%ld %ld\n255\n", width, height);
    for (size_t n = 0; n < pixels; ++n) {
        uint8_t rgb[3];
        if (groups == 1) {
            uint8_t index = planes[n];
            rgb[0] = palette[index];
            rgb[1] = palette[256 + index];
            rgb[2] = palette[512 + index];
        } else {
            rgb[0] = planes[2 * pixels + n];
            rgb[1] = planes[pixels + n];
            rgb[2] = planes[n];
        }
        fwrite(rgb, 1, 3, stdout);
    }
    free(planes);
    fclose(in);
    return fflush(stdout) == 0 ? 0 : 2;
}

int main(int argc, char** argv) {
    if (argc >= 2 && strcmp(argv[1], "cmp") == 0) {
        int rc = compare(argc, argv);
        if (rc == 2) fprintf(stderr, "usage: refcheck cmp same|high|low [-t N] OURS REFERENCE\n");
        return rc;
    }
    if (argc == 3 && strcmp(argv[1], "sun") == 0) return sun_expectation(argv[2]);
    fprintf(stderr, "usage: refcheck cmp MODE [-t N] OURS REFERENCE | refcheck sun FILE\n");
    return 2;
}

/* ppm_to_qrt [-r] < in.ppm > out.qrt
 *
 * Writes a binary PPM (maximum value 255 or less) as a POV-Ray raw (.qrt)
 * file, which no common tool writes: a header of width and height (16-bit
 * little-endian), then per row its row number (16-bit little-endian) and the
 * row's red, green and blue samples as three runs. With -r the rows are
 * written bottom row first, so a reader must place them by their numbers.
 */
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int next_number(FILE* in, long* value) {
    int c = getc(in);
    for (;;) {
        while (c != EOF && isspace(c)) c = getc(in);
        if (c != '#') break;
        while (c != EOF && c != '\n') c = getc(in);
    }
    if (c == EOF || !isdigit(c)) return 0;
    *value = 0;
    while (c != EOF && isdigit(c)) {
        *value = *value * 10 + (c - '0');
        if (*value > 100000000L) return 0;
        c = getc(in);
    }
    return 1; /* the single white-space byte after the number is consumed */
}

static void put16(unsigned value, FILE* out) {
    putc((int)(value & 0xFF), out);
    putc((int)((value >> 8) & 0xFF), out);
}

int main(int argc, char** argv) {
    int reversed = argc > 1 && strcmp(argv[1], "-r") == 0;
    long width, height, maxval;
    unsigned char *rgb, *run;
    long x, y, i;

    if (getchar() != 'P' || getchar() != '6' || !next_number(stdin, &width) || !next_number(stdin, &height) ||
        !next_number(stdin, &maxval) || maxval > 255 || width > 65535 || height > 65535) {
        fprintf(stderr, "ppm_to_qrt: expected a binary PPM up to 65535 x 65535, maximum 255\n");
        return 1;
    }
    rgb = malloc((size_t)width * 3 + 1);
    run = malloc((size_t)width + 1);
    unsigned char* all = malloc((size_t)width * (size_t)height * 3 + 1);
    if (!rgb || !run || !all) return 1;
    if (fread(all, 3 * (size_t)width, (size_t)height, stdin) != (size_t)height) {
        fprintf(stderr, "ppm_to_qrt: short pixel data\n");
        return 1;
    }
    put16((unsigned)width, stdout);
    put16((unsigned)height, stdout);
    for (i = 0; i < height; ++i) {
        y = reversed ? height - 1 - i : i;
        memcpy(rgb, all + (size_t)y * (size_t)width * 3, (size_t)width * 3);
        put16((unsigned)y, stdout);
        for (int channel = 0; channel < 3; ++channel) {
            for (x = 0; x < width; ++x) run[x] = rgb[3 * x + channel];
            fwrite(run, 1, (size_t)width, stdout);
        }
    }
    free(all);
    free(rgb);
    free(run);
    return fflush(stdout) == 0 ? 0 : 1;
}

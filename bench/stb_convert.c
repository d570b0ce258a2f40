/* stb_convert INPUT OUTPUT.bmp
 *
 * The smallest converter a programmer would write with stb_image and
 * stb_image_write (Debian's libstb-dev): decode to 8-bit RGB, write a 24-bit
 * BMP. A benchmark peer for the formats stb_image reads (JPEG, PNG, GIF, P6).
 */
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#include <stdio.h>

int main(int argc, char** argv) {
    int width, height, channels;
    unsigned char* pixels;
    int written;

    if (argc != 3) {
        fprintf(stderr, "usage: stb_convert INPUT OUTPUT.bmp\n");
        return 2;
    }
    pixels = stbi_load(argv[1], &width, &height, &channels, 3);
    if (!pixels) {
        fprintf(stderr, "stb_convert: %s: %s\n", argv[1], stbi_failure_reason());
        return 1;
    }
    written = stbi_write_bmp(argv[2], width, height, 3, pixels);
    stbi_image_free(pixels);
    return written ? 0 : 1;
}

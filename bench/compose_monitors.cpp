// The cost of composing a wallpaper for several monitors beside the cost of
// decoding the picture: the same picture decoded, then placed (Fill) on a
// primary monitor of 2560 x 1440, one of 1920 x 1080 left of it and a
// portrait one of 1080 x 1920 right of it, in one bitmap of their bounding
// box (5560 x 1920).
//
//     compose_monitors PICTURE RUNS
//
// Prints the medians over the runs: "decode MS compose MS" (milliseconds).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "image/RasterImage.h"
#include "wallpaper/MonitorLayout.h"
#include "wallpaper/ScreenComposition.h"

namespace {

double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::atoi(argv[2]) <= 0) {
        std::fprintf(stderr, "usage: compose_monitors PICTURE RUNS\n");
        return 2;
    }
    const MonitorLayout layout =
        monitorLayout({{0, 0, 2560, 1440, true}, {-1920, 0, 0, 1080, false}, {2560, -240, 3640, 1680, false}});
    std::vector<double> decodes, compositions;
    for (int run = 0; run < std::atoi(argv[2]); ++run) {
        auto start = std::chrono::steady_clock::now();
        std::unique_ptr<RasterImage> picture(new RasterImage);
        FILE* file = std::fopen(argv[1], "rb");
        if (file == nullptr || !picture->load(file, argv[1])) return 1;
        std::fclose(file);
        decodes.push_back(since(start));

        start = std::chrono::steady_clock::now();
        std::unique_ptr<RasterImage> canvas(new RasterImage);
        if (!makeCanvas(layout.width, layout.height, 0x3A6EA5, *canvas)) return 1;
        for (const ScreenArea& area : layout.monitors) {
            if (!placePicture(*picture, Placement::Fill, area, 0x3A6EA5, *canvas)) return 1;
        }
        compositions.push_back(since(start));
    }
    std::printf("decode %.0f compose %.0f\n", median(decodes), median(compositions));
    return 0;
}

// Shared glue for the fuzz targets: every target hands the input to one
// reader (or to load()) through an in-memory stream, then writes the picture
// as the program would, so every decoded pixel is read at least once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

class RasterImage;

namespace fuzz {

// Inputs above this size are skipped: the readers' interesting paths are all
// reachable with small files, and large ones only slow the fuzzer down.
constexpr size_t kMaxInputBytes = size_t(1) << 20;

// Pictures above this many pixels (512 x 512; 65535 x 4 still fits) fail
// allocation, as they would on a machine short of memory, so the fuzzer does
// not chase memory limits and keeps its speed.
constexpr int64_t kPixelLimit = int64_t(1) << 18;

using Decode = int (*)(RasterImage& image, FILE* stream);

// Runs `decode` on the input as a read-only stream positioned at offset 0;
// when it succeeds, writes the bitmap to memory and checks its length.
// Always returns 0 (the value libFuzzer expects).
int runDecoder(const uint8_t* data, size_t size, Decode decode);

}  // namespace fuzz

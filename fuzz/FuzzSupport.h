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

// The targets run with the shipped 32-bit program's ceiling on the planes,
// whatever the build: a small input that makes a reader work or allocate
// beyond what that program would must show up here, as a slow input or a
// memory fault, not be passed over.

using Decode = int (*)(RasterImage& image, FILE* stream);

// Runs `decode` on the input as a read-only stream positioned at offset 0;
// when it succeeds, writes the bitmap to memory and checks its length.
// Always returns 0 (the value libFuzzer expects).
int runDecoder(const uint8_t* data, size_t size, Decode decode);

}  // namespace fuzz

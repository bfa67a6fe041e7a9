#pragma once
// The TIFF decoder's bound on what a file can claim: a directory whose strips or tiles cannot
// hold the image data it describes, under the largest expansion of its codec, is refused before
// anything of the image's size is allocated.

#include <cstdint>

#include "CRaster.h"

class CRasterStream;
struct tiff;

// Largest single block libtiff or the TIFF decoder allocates for one file, in bytes.
inline constexpr uint64_t kTiffMaxBlock = RASTER_MAX_MEMORY;

// A 64-bit product, or a value above kTiffMaxBlock when it would overflow.
inline uint64_t TiffCheckedProduct(uint64_t a, uint64_t b) {
    if (a != 0 && b > kTiffMaxBlock / a) return kTiffMaxBlock + 1;
    return a * b;
}

// True when the bytes the current directory's strips or tiles hold in the stream can decode to
// the image data it claims. Byte counts are only counted as far as the stream reaches; the
// stream's position is left anywhere (libtiff seeks before every read).
bool TiffDataCanFillImage(tiff* handle, CRasterStream* stream);

#include "TiffDataBound.h"

#include <tiffio.h>

#include <algorithm>

#include "CRasterStream.h"

namespace {

// Image data claimed beyond what the stored bytes can decode to, for images larger than
// kAlwaysPlausible, cannot be in the file: such a file is refused before anything of the
// image's size is allocated.
constexpr uint64_t kAlwaysPlausible = uint64_t{16} << 20;

// The bytes the strips or tiles of the directory decode to. Tiles count in full: TIFF stores
// the tiles at the right and bottom edges padded to the whole tile, and libtiff decodes, and this
// decoder allocates, whole tiles. A strip holds the rows left in its plane, so the last strip of
// each plane is mostly short.
uint64_t ClaimedBytes(TIFF* handle) {
    if (TIFFIsTiled(handle)) {
        return TiffCheckedProduct(TIFFNumberOfTiles(handle),
                                  static_cast<uint64_t>(TIFFTileSize64(handle)));
    }
    uint32_t height = 0, rowsPerStrip = 0;
    uint16_t planar = PLANARCONFIG_CONTIG, samples = 1;
    TIFFGetField(handle, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(handle, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    TIFFGetFieldDefaulted(handle, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(handle, TIFFTAG_SAMPLESPERPIXEL, &samples);
    const uint64_t planes = planar == PLANARCONFIG_SEPARATE ? std::max<uint16_t>(samples, 1) : 1;
    rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, std::max<uint32_t>(height, 1));
    const uint64_t strips = TIFFNumberOfStrips(handle) / planes;
    const uint64_t fullStrips = height / rowsPerStrip;
    const uint32_t lastRows = strips > fullStrips ? height % rowsPerStrip : 0;
    auto stripBytes = [handle](uint32_t rows) {
        return std::min(static_cast<uint64_t>(TIFFVStripSize64(handle, rows)), kTiffMaxBlock + 1);
    };
    const uint64_t plane =
        TiffCheckedProduct(std::min(strips, fullStrips), stripBytes(rowsPerStrip)) +
        (lastRows > 0 ? stripBytes(lastRows) : 0);
    return TiffCheckedProduct(plane, planes);
}

// The frame marker (0xC0 to 0xCF) of the JPEG data stream that starts the first strip or tile,
// or 0 when none is found before its first scan.
uint8_t JpegFrameMarker(TIFF* handle, CRasterStream* stream, uint64_t fileSize) {
    uint64_t at = TIFFGetStrileOffset(handle, 0);
    const uint64_t count = TIFFGetStrileByteCount(handle, 0);
    const uint64_t end = at < fileSize ? at + std::min(count, fileSize - at) : 0;
    uint8_t bytes[2] = {};
    auto readAt = [&](uint64_t position) {
        return position + 2 <= end && stream->Seek(static_cast<long>(position), 0) &&
               stream->ReadBytes(bytes, 2);
    };
    if (!readAt(at) || bytes[0] != 0xFF || bytes[1] != 0xD8) return 0;
    for (at += 2; readAt(at) && bytes[0] == 0xFF;) {
        const uint8_t marker = bytes[1];
        at += marker == 0xFF ? 1 : 2;  // 0xFF 0xFF: a fill byte before the marker
        const bool frame = (marker & 0xF0) == 0xC0 && marker != 0xC4 && marker != 0xC8 &&
                           marker != 0xCC;  // not the table markers DHT, JPG and DAC
        if (frame) return marker;
        if (marker == 0xDA || marker == 0xD9) return 0;
        if (marker == 0xFF || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (!readAt(at)) return 0;
        const uint32_t length = uint32_t{bytes[0]} << 8 | bytes[1];
        if (length < 2) return 0;
        at += length;
    }
    return 0;
}

// The most samples one stored byte of a JPEG frame decodes to, or 0 when no ratio holds.
// Huffman codes take at least one bit each. A sequential frame codes every 8 x 8 block of every
// component with a DC code and then an end-of-block code or AC codes: two bits for 64 samples.
// A progressive frame codes every block's DC in its first scan, while one code can end the AC
// bands of 32767 blocks: one bit for 64 samples. A lossless frame codes every sample, a bit each
// at least. Arithmetic
// coding adapts until a uniform block costs a small fraction of a bit, and a hierarchical frame
// refines a smaller one: only the memory cap bounds those.
uint64_t JpegSamplesPerByte(uint8_t frameMarker) {
    switch (frameMarker) {
        case 0:  // no frame: libjpeg refuses the strip
        case 0xC0:
        case 0xC1:
            return 256;
        case 0xC2:
            return 512;
        case 0xC3:
            return 8;
        default:
            return 0;
    }
}

// The most bytes one stored byte of the directory's codec decodes to, or 0 when only the memory
// cap bounds the codec.
uint64_t MaxExpansion(TIFF* handle, CRasterStream* stream, uint64_t fileSize) {
    uint16_t compression = COMPRESSION_NONE, bitsPerSample = 1;
    TIFFGetFieldDefaulted(handle, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(handle, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    const uint64_t sampleBytes = std::max((bitsPerSample + 7) / 8, 1);
    switch (compression) {
        case COMPRESSION_NONE:
            return 1;
        case COMPRESSION_PACKBITS:
            // A run code of two bytes repeats one byte at most 128 times; literals give less.
            return 64;
        case COMPRESSION_LZW:
            // A code takes 9 bits at least, and no string of a 4096-entry table is longer.
            return 4096 * 8 / 9;
        case COMPRESSION_ADOBE_DEFLATE:
        case COMPRESSION_DEFLATE:
            // The longest match, 258 bytes, takes a length and a distance code of a bit each.
            return 1032;
        case COMPRESSION_JPEG:
            return JpegSamplesPerByte(JpegFrameMarker(handle, stream, fileSize)) * sampleBytes;
        case COMPRESSION_OJPEG:
            // Old-style JPEG is Huffman-coded; the progressive figure holds for every process.
            return JpegSamplesPerByte(0xC2) * sampleBytes;
        case COMPRESSION_CCITTRLE:
        case COMPRESSION_CCITTRLEW:
        case COMPRESSION_CCITTFAX3:
        case COMPRESSION_CCITTFAX4:
            // A row takes one bit at least: a two-dimensional code repeating the row above.
            return std::max<uint64_t>(8 * static_cast<uint64_t>(TIFFScanlineSize64(handle)), 1);
        case COMPRESSION_WEBP:
        case COMPRESSION_LERC:
        case COMPRESSION_JBIG:
            // Lossless WebP codes a uniform picture with codes of no bits, LERC stores a constant
            // block as its value, JBIG codes a typical row with a fraction of a bit.
            return 0;
        default:
            // Zstandard's largest expansion, a run block of 128 KiB from 4 bytes; LZMA, PixarLog
            // (deflate of 16-bit values), SGI log, NeXT and ThunderScan runs stay below it.
            return uint64_t{1} << 15;
    }
}

}  // namespace

bool TiffDataCanFillImage(TIFF* handle, CRasterStream* stream) {
    const long size = stream->Size();
    const uint64_t fileSize = size < 0 ? 0 : static_cast<uint64_t>(size);
    const uint64_t claimed = ClaimedBytes(handle);
    if (claimed <= kAlwaysPlausible) return true;
    const uint64_t ratio = MaxExpansion(handle, stream, fileSize);
    if (ratio == 0) return true;
    const bool tiled = TIFFIsTiled(handle) != 0;
    const uint64_t count = tiled ? TIFFNumberOfTiles(handle) : TIFFNumberOfStrips(handle);
    // Every strip or tile takes an offset and a byte count in the file.
    if (count > fileSize) return false;
    uint64_t stored = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t offset = TIFFGetStrileOffset(handle, i);
        if (offset < fileSize) {
            stored += std::min<uint64_t>(TIFFGetStrileByteCount(handle, i), fileSize - offset);
        }
        if (TiffCheckedProduct(stored, ratio) >= claimed) return true;
    }
    return false;
}

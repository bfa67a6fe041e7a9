// Tiny files whose headers claim huge images or chunks: every decoder either loads such a file
// or refuses it without asking for more than a small budget of memory. The memory is measured
// (AllocationMeter), never timed.
#include <gtest/gtest.h>
#include <tiffio.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "AllocationMeter.h"
#include "CRaster.h"
#include "CRasterMemoryStream.h"
#include "CodecTestSupport.h"
#include "JasPerImage.h"
#include "JpegTestSupport.h"
#include "TempDir.h"

namespace {

using codectest::Bytes;
using codectest::JpegCoding;

// What a decoder may hold at once for a file of a few kilobytes: a few hundred megabytes is
// the contract; the refusals measured here stay far below this.
constexpr uint64_t kBudget = uint64_t{128} << 20;
constexpr size_t kFewKilobytes = 4096;

void PutBe16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}
void PutBe32(Bytes& b, uint32_t v) {
    PutBe16(b, v >> 16);
    PutBe16(b, v & 0xFFFF);
}
void PutText(Bytes& b, const char* text) { b.insert(b.end(), text, text + std::strlen(text)); }

Bytes Deflated(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9);
    out.resize(size);
    return out;
}

// ---- PNG -------------------------------------------------------------------------------------

// A chunk with its checksum; a claimed length above the data's makes a chunk the file cuts off.
void PutPngChunk(Bytes& png, const char* type, const Bytes& data, uint32_t claimed) {
    PutBe32(png, claimed);
    const size_t start = png.size();
    PutText(png, type);
    codectest::Append(png, data);
    if (claimed == data.size()) {
        PutBe32(png, static_cast<uint32_t>(crc32(0, png.data() + start, uInt(png.size() - start))));
    }
}

Bytes PngHeader(uint32_t width, uint32_t height, uint8_t colourType, uint8_t bitDepth = 8) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    PutBe32(ihdr, width);
    PutBe32(ihdr, height);
    codectest::Append(ihdr, {bitDepth, colourType, 0, 0, 0});
    PutPngChunk(png, "IHDR", ihdr, 13);
    return png;
}

// 48 bytes: a 1 x 1 grey header and a chunk of the type claiming 2 GiB, of which 3 bytes follow.
Bytes PngChunkClaiming2GiB(const char* type) {
    Bytes png = PngHeader(1, 1, 0);
    PutPngChunk(png, type, {'a', 'b', 'c'}, 0x7FFFFFFF);
    return png;
}

// An ICC profile chunk whose compressed profile says it is 2 GiB long.
Bytes PngProfileClaiming2GiB() {
    Bytes profile(132, 0);
    profile[0] = 0x7F;
    profile[1] = profile[2] = profile[3] = 0xFF;
    Bytes data = {'i', 'c', 'c', 0, 0};
    codectest::Append(data, Deflated(profile));
    Bytes png = PngHeader(1, 1, 0);
    PutPngChunk(png, "iCCP", data, static_cast<uint32_t>(data.size()));
    return png;
}

// A 20000 x 20000 colour header whose image data holds two rows.
Bytes PngHugeImage() {
    Bytes png = PngHeader(20000, 20000, 2);
    const Bytes idat = Deflated(Bytes(2 * (1 + 3 * 20000), 0));
    PutPngChunk(png, "IDAT", idat, static_cast<uint32_t>(idat.size()));
    return png;
}

// A grey PNG whose image data is zlib's best coding of `rows` rows of `width` zero pixels,
// under a header claiming width × height at the bit depth.
Bytes PngOfZeroRows(uint32_t width, uint32_t rows, uint32_t height, uint8_t bitDepth = 8) {
    Bytes png = PngHeader(width, height, 0, bitDepth);
    const size_t rowBytes = 1 + (size_t{width} * bitDepth + 7) / 8;
    const Bytes idat = Deflated(Bytes(rowBytes * rows, 0));
    PutPngChunk(png, "IDAT", idat, static_cast<uint32_t>(idat.size()));
    PutPngChunk(png, "IEND", {}, 0);
    return png;
}

// Bytes after the image data's chunk header, which the deflate bound weighs.
uint32_t PngDataBytes(const Bytes& png) { return static_cast<uint32_t>(png.size() - 33 - 8); }

// The zero rows of a 2000 x 2000 picture under a header of one row as long as the bound allows
// (1032 bytes of rows per byte), or one byte longer.
Bytes PngRowAtDeflateBound(uint32_t beyond) {
    Bytes png = PngOfZeroRows(2000, 2000, 2000);
    const uint32_t width = 1032 * PngDataBytes(png) - 1 + beyond;
    for (int i = 0; i < 4; ++i) png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
    png[20] = png[21] = png[22] = 0;
    png[23] = 1;
    const uint32_t crc = static_cast<uint32_t>(crc32(0, png.data() + 12, 17));
    for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    return png;
}

// ---- TIFF ------------------------------------------------------------------------------------

struct TiffField {
    uint16_t tag, type;
    uint32_t count, value;
};

constexpr uint16_t kTiffShort = 3, kTiffLong = 4;

// Appends one directory (fields sorted by tag; short values of count 1 sit in the value field)
// to a little-endian file and points the header at it.
void AppendTiffDirectory(Bytes& b, std::vector<TiffField> fields) {
    std::sort(fields.begin(), fields.end(),
              [](const TiffField& x, const TiffField& y) { return x.tag < y.tag; });
    const auto at = static_cast<uint32_t>(b.size());
    for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<uint8_t>(at >> (8 * i));
    codectest::Put16(b, static_cast<uint32_t>(fields.size()));
    for (const TiffField& f : fields) {
        codectest::Put16(b, f.tag);
        codectest::Put16(b, f.type);
        codectest::Put32(b, f.count);
        codectest::Put32(b, f.value);
    }
    codectest::Put32(b, 0);
}

// A little-endian file: `dataBytes` bytes of noise at offset 8, then one directory.
Bytes Tiff(const std::vector<TiffField>& fields, uint32_t dataBytes) {
    Bytes b = {'I', 'I', 42, 0, 0, 0, 0, 0};
    for (uint32_t i = 0; i < dataBytes; ++i) b.push_back(static_cast<uint8_t>(i * 37 + 11));
    AppendTiffDirectory(b, fields);
    return b;
}

// 20000 x 20000 in one strip of 1000 bytes: CMYK (the RGBA route) or grey (the own route).
Bytes TiffHugeStrip(uint16_t compression, uint16_t photometric, uint16_t samples) {
    std::vector<TiffField> fields = {
        {256, kTiffLong, 1, 20000},        {257, kTiffLong, 1, 20000},
        {258, kTiffShort, 1, 8},           {259, kTiffShort, 1, compression},
        {262, kTiffShort, 1, photometric}, {273, kTiffLong, 1, 8},
        {277, kTiffShort, 1, samples},     {278, kTiffLong, 1, 20000},
        {279, kTiffLong, 1, 1000},
    };
    return Tiff(fields, 1000);
}

// 20000 x 20000 grey in 4096 x 4096 tiles of 40 bytes each.
Bytes TiffHugeTiles() {
    const uint32_t tiles = 5 * 5;
    Bytes arrays;  // tile offsets, then byte counts, placed after 40 bytes of tile data
    for (uint32_t i = 0; i < tiles; ++i) codectest::Put32(arrays, 8);
    for (uint32_t i = 0; i < tiles; ++i) codectest::Put32(arrays, 40);
    std::vector<TiffField> fields = {
        {256, kTiffLong, 1, 20000},  {257, kTiffLong, 1, 20000},
        {258, kTiffShort, 1, 8},     {259, kTiffShort, 1, 8},
        {262, kTiffShort, 1, 1},     {277, kTiffShort, 1, 1},
        {322, kTiffLong, 1, 4096},   {323, kTiffLong, 1, 4096},
        {324, kTiffLong, tiles, 48}, {325, kTiffLong, tiles, 48 + 4 * tiles},
    };
    Bytes b = Tiff(fields, 40 + static_cast<uint32_t>(arrays.size()));
    std::copy(arrays.begin(), arrays.end(), b.begin() + 48);
    return b;
}

// ---- TIFF: each bound from both sides --------------------------------------------------------
// For every codec's bound, the best-compressing valid file real encoders write loads, and a file
// whose data falls just short of what its directory claims is refused before the image is
// allocated. Valid files are uniform pictures: every sample 0x5A, bilevel ones all white.

constexpr const char* kTiffDataShort = "Corrupted TIFF file!";
constexpr uint8_t kTiffSample = 0x5A;
// A refusal holds little more than the directory, far below the 16 MiB and more each file claims.
constexpr uint64_t kTiffRefusalBudget = uint64_t{1} << 20;

// The fields of a contiguous picture in strips of `rows` rows, or in tiles of `rows` x `rows`.
std::vector<TiffField> TiffPictureFields(uint32_t width, uint32_t height, uint16_t samples,
                                         uint16_t bits, uint16_t photometric, uint16_t compression,
                                         uint32_t rows, bool tiled) {
    std::vector<TiffField> fields = {
        {256, kTiffLong, 1, width},        {257, kTiffLong, 1, height},
        {258, kTiffShort, 1, bits},        {259, kTiffShort, 1, compression},
        {262, kTiffShort, 1, photometric}, {277, kTiffShort, 1, samples},
    };
    if (tiled) {
        fields.push_back({322, kTiffLong, 1, rows});
        fields.push_back({323, kTiffLong, 1, rows});
    } else {
        fields.push_back({278, kTiffLong, 1, rows});
    }
    return fields;
}

// A file holding the blocks (strips, or tiles) from offset 8, then their offsets and byte
// counts, then the directory.
Bytes TiffOfBlocks(std::vector<TiffField> fields, const std::vector<Bytes>& blocks, bool tiled) {
    Bytes b = {'I', 'I', 42, 0, 0, 0, 0, 0};
    Bytes offsets, counts;
    for (const Bytes& block : blocks) {
        codectest::Put32(offsets, static_cast<uint32_t>(b.size()));
        codectest::Put32(counts, static_cast<uint32_t>(block.size()));
        codectest::Append(b, block);
    }
    const auto n = static_cast<uint32_t>(blocks.size());
    // A single offset or byte count sits in the field itself; longer arrays follow the blocks.
    auto place = [&b, n](const Bytes& array) -> uint32_t {
        if (n == 1) return array[0] | array[1] << 8 | array[2] << 16 | uint32_t{array[3]} << 24;
        const auto at = static_cast<uint32_t>(b.size());
        codectest::Append(b, array);
        return at;
    };
    fields.push_back({uint16_t(tiled ? 324 : 273), kTiffLong, n, place(offsets)});
    fields.push_back({uint16_t(tiled ? 325 : 279), kTiffLong, n, place(counts)});
    AppendTiffDirectory(b, fields);
    return b;
}

// Photometric of the uniform pictures: white-is-zero for one bit, RGB for three samples.
uint16_t TiffPhotometric(uint16_t samples, uint16_t bits) {
    return bits == 1      ? PHOTOMETRIC_MINISWHITE
           : samples == 3 ? PHOTOMETRIC_RGB
                          : PHOTOMETRIC_MINISBLACK;
}

// A uniform picture as libtiff writes it at the codec's tightest settings, in strips of `rows`
// rows or in tiles of `rows` x `rows`.
Bytes LibtiffUniform(uint32_t width, uint32_t height, uint16_t samples, uint16_t bits,
                     uint16_t compression, uint32_t rows, bool tiled = false) {
    TempDir dir;
    const std::string path = dir.File("uniform.tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return {};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, TiffPhotometric(samples, bits));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    if (compression == COMPRESSION_ADOBE_DEFLATE) TIFFSetField(tif, TIFFTAG_ZIPQUALITY, 9);
    if (compression == COMPRESSION_WEBP) TIFFSetField(tif, TIFFTAG_WEBP_LOSSLESS, 1);
    const uint8_t value = bits == 1 ? 0 : kTiffSample;
    bool ok = true;
    if (tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, rows);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, rows);
        Bytes tile(static_cast<size_t>(TIFFTileSize(tif)), value);
        for (uint32_t t = 0; ok && t < TIFFNumberOfTiles(tif); ++t) {
            ok = TIFFWriteEncodedTile(tif, t, tile.data(), tmsize_t(tile.size())) >= 0;
        }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);
        Bytes strip(static_cast<size_t>(TIFFStripSize(tif)), value);
        for (uint32_t row = 0; ok && row < height; row += rows) {
            const tstrip_t s = TIFFComputeStrip(tif, row, 0);
            const tmsize_t bytes = TIFFVStripSize(tif, std::min(rows, height - row));
            ok = TIFFWriteEncodedStrip(tif, s, strip.data(), bytes) >= 0;
        }
    }
    TIFFClose(tif);
    return ok ? codectest::ReadFile(path) : Bytes{};
}

// Uniform blocks of raw samples or PackBits runs, as above, with one byte less in the last one.
Bytes TiffBlocksOneByteShort(uint32_t width, uint32_t height, uint16_t samples,
                             uint16_t compression, uint32_t rows, bool tiled) {
    const uint32_t blockWidth = tiled ? rows : width;
    Bytes row(size_t{blockWidth} * samples, kTiffSample);
    if (compression == COMPRESSION_PACKBITS) {
        row.clear();  // a code of -127 repeats the next byte 128 times
        for (uint32_t x = 0; x < width; x += 128) codectest::Append(row, {0x81, kTiffSample});
    }
    std::vector<Bytes> blocks;
    const uint32_t across = tiled ? (width + rows - 1) / rows : 1;
    for (uint32_t top = 0; top < height; top += rows) {
        const uint32_t n = tiled ? rows : std::min(rows, height - top);
        for (uint32_t i = 0; i < across; ++i) {
            blocks.emplace_back();
            for (uint32_t k = 0; k < n; ++k) codectest::Append(blocks.back(), row);
        }
    }
    blocks.back().pop_back();
    return TiffOfBlocks(TiffPictureFields(width, height, samples, 8, TiffPhotometric(samples, 8),
                                          compression, rows, tiled),
                        blocks, tiled);
}

// One strip of `stored` bytes of noise whose height claims a row more than `ratio` times that.
Bytes TiffStripPastRatio(uint16_t compression, uint32_t width, uint16_t bits, uint32_t stored,
                         uint64_t ratio) {
    const uint64_t rowBytes = (uint64_t{width} * bits + 7) / 8;
    const auto height = static_cast<uint32_t>(stored * ratio / rowBytes + 1);
    Bytes strip(stored);
    for (uint32_t i = 0; i < stored; ++i) strip[i] = static_cast<uint8_t>(i * 37 + 11);
    return TiffOfBlocks(TiffPictureFields(width, height, 1, bits, TiffPhotometric(1, bits),
                                          compression, height, false),
                        {strip}, false);
}

// A 6000 x 4001 uniform JPEG as the one strip of a grey file. With `samplesPerByte` the file
// claims one row more than that many samples for each stored byte; with `claimedSize` it claims
// that square.
// Coded as tightly as libjpeg codes it: with Huffman tables made for it (sequential, or
// progressive in one DC and one AC scan), or with arithmetic coding.
Bytes TiffJpeg(JpegCoding coding, uint64_t samplesPerByte = 0, uint32_t claimedSize = 0) {
    const uint32_t width = 6000;
    const Bytes stream = codectest::EncodeRawJpeg(width, 4001, 1, JCS_GRAYSCALE,
                                                  Bytes(size_t{width} * 4001, kTiffSample), coding);
    uint32_t claimedWidth = width, height = 4001;
    if (samplesPerByte) height = static_cast<uint32_t>(stream.size() * samplesPerByte / width + 1);
    if (claimedSize) claimedWidth = height = claimedSize;
    return TiffOfBlocks(
        TiffPictureFields(claimedWidth, height, 1, 8, 1, COMPRESSION_JPEG, height, false), {stream},
        false);
}

struct TiffLineCase {
    const char* name;
    Bytes (*build)();
    const char* error;  // the last-error text of the refusal; null: the file loads
    uint32_t width = 0, height = 0;
};

void PrintTo(const TiffLineCase& c, std::ostream* out) { *out << c.name; }

const TiffLineCase kTiffLines[] = {
    // Uncompressed: the data is the picture. The last strip holds the 5 rows left.
    {"RawStrips", [] { return LibtiffUniform(3000, 2000, 3, 8, COMPRESSION_NONE, 7); }, nullptr,
     3000, 2000},
    {"RawStripsOneByteShort",
     [] { return TiffBlocksOneByteShort(3000, 2000, 3, COMPRESSION_NONE, 7, false); },
     kTiffDataShort},
    // Tiles at the right and bottom edges are stored whole.
    {"RawPartialTiles",
     [] { return LibtiffUniform(4000, 4501, 1, 8, COMPRESSION_NONE, 256, true); }, nullptr, 4000,
     4501},
    {"RawTilesOneByteShort",
     [] { return TiffBlocksOneByteShort(4000, 4501, 1, COMPRESSION_NONE, 256, true); },
     kTiffDataShort},
    // PackBits: rows of 100 runs of 128 bytes reach 64:1 exactly.
    {"PackBitsRuns", [] { return LibtiffUniform(12800, 2000, 1, 8, COMPRESSION_PACKBITS, 7); },
     nullptr, 12800, 2000},
    {"PackBitsRunsOneByteShort",
     [] { return TiffBlocksOneByteShort(12800, 2000, 1, COMPRESSION_PACKBITS, 7, false); },
     kTiffDataShort},
    // LZW: libtiff's codes reach about 1300:1, well inside 3640:1.
    {"Lzw", [] { return LibtiffUniform(6000, 4001, 1, 8, COMPRESSION_LZW, 4000); }, nullptr, 6000,
     4001},
    {"LzwPastItsRatio",
     [] { return TiffStripPastRatio(COMPRESSION_LZW, 6000, 8, 5000, 4096 * 8 / 9); },
     kTiffDataShort},
    // Deflate at level 9 comes within 1 % of 1032:1.
    {"Deflate", [] { return LibtiffUniform(6000, 4001, 1, 8, COMPRESSION_ADOBE_DEFLATE, 4000); },
     nullptr, 6000, 4001},
    {"DeflatePastItsRatio",
     [] { return TiffStripPastRatio(COMPRESSION_ADOBE_DEFLATE, 6000, 8, 17000, 1032); },
     kTiffDataShort},
    // Huffman tables made for the picture: two bits a block, 255 of at most 256 samples a byte.
    {"JpegHuffman", [] { return TiffJpeg(JpegCoding::Optimized); }, nullptr, 6000, 4001},
    {"JpegHuffmanPastItsRatio", [] { return TiffJpeg(JpegCoding::Optimized, 256); },
     kTiffDataShort},
    // A DC scan and one AC scan: a bit a block, 508 of at most 512 samples a byte.
    {"JpegProgressive", [] { return TiffJpeg(JpegCoding::DcScanFirst); }, nullptr, 6000, 4001},
    {"JpegProgressivePastItsRatio", [] { return TiffJpeg(JpegCoding::DcScanFirst, 512); },
     kTiffDataShort},
    // Arithmetic coding holds 24 million samples in about 130 bytes: only the memory cap
    // bounds it, as it bounds WebP, LERC and JBIG.
    {"JpegArithmetic", [] { return TiffJpeg(JpegCoding::Arithmetic); }, nullptr, 6000, 4001},
    {"JpegArithmeticPastTheCap", [] { return TiffJpeg(JpegCoding::Arithmetic, 0, 46341); },
     "CRasterTIF can't create image"},
    {"WebpLossless", [] { return LibtiffUniform(3000, 2000, 3, 8, COMPRESSION_WEBP, 1999); },
     nullptr, 3000, 2000},
    {"Lerc", [] { return LibtiffUniform(6000, 4001, 1, 8, COMPRESSION_LERC, 4000); }, nullptr, 6000,
     4001},
    {"JbigBlank", [] { return LibtiffUniform(40000, 4000, 1, 1, COMPRESSION_JBIG, 4000); }, nullptr,
     40000, 4000},
    // Group 4 codes a blank row in one bit, whatever its width.
    {"Fax4BlankWideRows",
     [] { return LibtiffUniform(40000, 4000, 1, 1, COMPRESSION_CCITTFAX4, 4000); }, nullptr, 40000,
     4000},
    {"Fax4PastOneBitARow",
     [] { return TiffStripPastRatio(COMPRESSION_CCITTFAX4, 40000, 1, 503, 40000); },
     kTiffDataShort},
    // Zstandard: runs of 128 KiB in 4 bytes, about 30000:1 of at most 32768:1.
    {"Zstd", [] { return LibtiffUniform(6000, 4001, 1, 8, COMPRESSION_ZSTD, 4000); }, nullptr, 6000,
     4001},
    {"ZstdPastItsRatio", [] { return TiffStripPastRatio(COMPRESSION_ZSTD, 6000, 8, 600, 32768); },
     kTiffDataShort},
};

class TiffLine : public ::testing::TestWithParam<TiffLineCase> {};

TEST_P(TiffLine, ValidFileInsideItsBoundLoadsFilePastItFailsWithinTheBudget) {
    if (!AllocationMeter::Available()) GTEST_SKIP() << "allocations cannot be counted here";
    const TiffLineCase& c = GetParam();
    Bytes bytes = c.build();
    ASSERT_FALSE(bytes.empty());
    CRasterMemoryStream stream(bytes.data(), static_cast<long>(bytes.size()));
    CRaster image;
    bool loaded = false;
    uint64_t peak = 0;
    {
        AllocationMeter meter;
        loaded = image.Decode(&stream, FORMAT_TIF);
        peak = meter.PeakBytes();
    }
    if (c.error) {
        EXPECT_FALSE(loaded);
        EXPECT_STREQ(image.GetLastError(), c.error);
        EXPECT_LE(peak, kTiffRefusalBudget);
    } else {
        ASSERT_TRUE(loaded) << image.GetLastError();
        EXPECT_EQ(image.GetWidth(), c.width);
        EXPECT_EQ(image.GetHeight(), c.height);
        EXPECT_LE(peak, RASTER_MAX_MEMORY);
    }
}

INSTANTIATE_TEST_SUITE_P(Tiff, TiffLine, ::testing::ValuesIn(kTiffLines),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- JPEG-2000 family ------------------------------------------------------------------------

struct CodeStream {
    uint32_t width = 64, height = 64, tileWidth = 0, tileHeight = 0;  // tile 0: one tile
    uint16_t components = 1, layers = 1;
    uint8_t levels = 0, blockExponent = 6;  // code blocks of 2^exponent x 2^exponent
    int precinctExponent = -1;              // -1: the largest precincts
    uint8_t blockStyle = 0;                 // code-block style: 4 ends a segment with every pass
    bool everyTile = false;                 // a tile part for every tile, not only tile 0
    int transformSegments = 0;    // main-header component transform segments of 60000 bytes
    uint8_t paletteChannels = 0;  // JP2: a palette of that many channels over component 0
};

// A reversible code stream with the main header described and one tile part of 8 data bytes
// (each an empty packet) for tile 0 or for every tile.
Bytes J2kCodeStream(const CodeStream& s) {
    Bytes b;
    PutBe16(b, 0xFF4F);
    PutBe16(b, 0xFF51);
    PutBe16(b, 38 + 3 * s.components);
    PutBe16(b, 0);
    for (uint32_t v : {s.width, s.height, 0u, 0u, s.tileWidth ? s.tileWidth : s.width,
                       s.tileHeight ? s.tileHeight : s.height, 0u, 0u})
        PutBe32(b, v);
    PutBe16(b, s.components);
    for (int c = 0; c < s.components; ++c) codectest::Append(b, {7, 1, 1});
    const bool precincts = s.precinctExponent >= 0;
    PutBe16(b, 0xFF52);
    PutBe16(b, 12 + (precincts ? s.levels + 1 : 0));
    codectest::Append(b, {uint8_t(precincts ? 1 : 0), 0});
    PutBe16(b, s.layers);
    codectest::Append(b, {0, s.levels, uint8_t(s.blockExponent - 2), uint8_t(s.blockExponent - 2),
                          s.blockStyle, 1});
    for (int r = 0; precincts && r <= s.levels; ++r)
        b.push_back(static_cast<uint8_t>(s.precinctExponent * 0x11));
    PutBe16(b, 0xFF5C);
    PutBe16(b, 4 + 3 * s.levels);
    for (int i = 0; i < 2 + 3 * s.levels; ++i) b.push_back(0x40);
    for (int i = 0; i < s.transformSegments; ++i) {
        PutBe16(b, 0xFF74);
        PutBe16(b, 8 + 60000);
        PutBe16(b, 0);
        PutBe16(b, 0x0400 | i);  // record i of 32-bit floats
        PutBe16(b, 0);
        codectest::Append(b, Bytes(60000, 0));
    }
    const uint32_t tileW = s.tileWidth ? s.tileWidth : s.width;
    const uint32_t tileH = s.tileHeight ? s.tileHeight : s.height;
    const uint32_t tiles =
        s.everyTile ? ((s.width + tileW - 1) / tileW) * ((s.height + tileH - 1) / tileH) : 1;
    for (uint32_t t = 0; t < tiles; ++t) {
        PutBe16(b, 0xFF90);
        PutBe16(b, 10);
        PutBe16(b, t);
        PutBe32(b, 22);
        codectest::Append(b, {0, 1});
        PutBe16(b, 0xFF93);
        codectest::Append(b, Bytes(8, 0));
    }
    PutBe16(b, 0xFFD9);
    return b;
}

// The code stream in a JP2 file: signature, file type, header (image header, colour) and the
// code stream box.
Bytes Jp2File(const CodeStream& s) {
    Bytes b = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    PutBe32(b, 20);
    PutText(b, "ftypjp2 ");
    PutBe32(b, 0);
    PutText(b, "jp2 ");
    const uint32_t channels = s.paletteChannels;
    const uint32_t palette = channels ? 8 + 3 + 3 * channels + 8 + 4 * channels : 0;
    PutBe32(b, 8 + 22 + 15 + palette);
    PutText(b, "jp2h");
    PutBe32(b, 22);
    PutText(b, "ihdr");
    PutBe32(b, s.height);
    PutBe32(b, s.width);
    PutBe16(b, s.components);
    codectest::Append(b, {7, 7, 0, 0});
    PutBe32(b, 15);
    PutText(b, "colr");
    codectest::Append(b, {1, 0, 0});
    PutBe32(b, 17);
    if (channels) {
        // Two 8-bit entries per channel, every channel mapped from component 0.
        PutBe32(b, 8 + 3 + 3 * channels);
        PutText(b, "pclr");
        PutBe16(b, 2);
        b.push_back(static_cast<uint8_t>(channels));
        b.insert(b.end(), channels, 7);
        b.insert(b.end(), 2 * channels, 0x80);
        PutBe32(b, 8 + 4 * channels);
        PutText(b, "cmap");
        for (uint32_t i = 0; i < channels; ++i) codectest::Append(b, {0, 0, 1, uint8_t(i)});
    }
    const Bytes stream = J2kCodeStream(s);
    PutBe32(b, 8 + static_cast<uint32_t>(stream.size()));
    PutText(b, "jp2c");
    codectest::Append(b, stream);
    return b;
}

Bytes J2kFile(const CodeStream& s, uint32_t format) {
    return format == FORMAT_JP2 ? Jp2File(s) : J2kCodeStream(s);
}

// Decoding holds what the headers declare whatever data follows (a valid code stream of a
// uniform picture holds tens of thousands of pixels per byte), so its memory is bounded from
// the headers and set against the library's cap for one image.
constexpr const char* kJ2kNoMemory = "error: cannot allocate memory";
// A refusal reads the headers and nothing more.
constexpr uint64_t kJ2kRefusalBytes = uint64_t{1} << 20;

struct J2kDecoded {
    bool loaded = false;
    std::string error;
    uint64_t peak = 0;
};

J2kDecoded DecodeJ2kMetered(const Bytes& bytes, uint32_t format) {
    J2kDecoded result;
    CRaster image;
    {
        AllocationMeter meter;
        result.loaded = codectest::DecodeBytes(image, bytes, format);
        result.peak = meter.PeakBytes();
    }
    result.error = image.GetLastError();
    return result;
}

double J2kPeakBound(const Bytes& bytes, uint32_t format) {
    CRasterMemoryStream stream(const_cast<uint8_t*>(bytes.data()), static_cast<long>(bytes.size()));
    return jasper::DecodePeakBound(stream,
                                   format == FORMAT_JP2 ? jasper::Kind::Jp2 : jasper::Kind::Jpc);
}

struct J2kShape {
    const char* name;
    uint32_t format;
    CodeStream stream;
};

void PrintTo(const J2kShape& c, std::ostream* out) { *out << c.name; }

// Valid files of every shape the bound counts, each well inside it: they load, and what
// decoding holds at its peak stays within the bound taken from their headers (and so within
// the cap).
const J2kShape kJ2kShapes[] = {
    {"UniformPicture", FORMAT_JPC, {.width = 2000, .height = 1500, .components = 3, .levels = 5}},
    {"ManyTiles",
     FORMAT_JPC,
     {.width = 1020,
      .height = 510,
      .tileWidth = 4,
      .tileHeight = 4,
      .components = 3,
      .everyTile = true}},
    {"TinyCodeBlocks", FORMAT_JPC, {.width = 4096, .height = 4096, .blockExponent = 2}},
    {"TinyPrecincts", FORMAT_JPC, {.width = 1024, .height = 1024, .precinctExponent = 0}},
    {"ManyLayers",
     FORMAT_JPC,
     {.width = 1024, .height = 1024, .layers = 2000, .levels = 3, .precinctExponent = 4}},
    {"ManyComponents", FORMAT_JPC, {.width = 256, .height = 256, .components = 64, .levels = 2}},
    {"SegmentPerPass",
     FORMAT_JPC,
     {.width = 1024, .height = 1024, .layers = 100, .levels = 5, .blockStyle = 4}},
    {"TransformCopiedByEveryTile",
     FORMAT_JPC,
     {.width = 1000, .height = 1000, .tileWidth = 100, .tileHeight = 100, .transformSegments = 8}},
    {"PaletteChannels", FORMAT_JP2, {.width = 1000, .height = 1000, .paletteChannels = 40}},
};

class J2kDecoderMemory : public ::testing::TestWithParam<J2kShape> {};

TEST_P(J2kDecoderMemory, LoadsWithinTheBoundOfItsHeaders) {
    if (!AllocationMeter::Available()) GTEST_SKIP() << "allocations cannot be counted here";
    const J2kShape& c = GetParam();
    const Bytes bytes = J2kFile(c.stream, c.format);
    const double bound = J2kPeakBound(bytes, c.format);
    ASSERT_LE(bound, static_cast<double>(RASTER_MAX_MEMORY));
    const J2kDecoded decoded = DecodeJ2kMetered(bytes, c.format);
    EXPECT_TRUE(decoded.loaded) << decoded.error;
    EXPECT_LE(static_cast<double>(decoded.peak), bound);
}

INSTANTIATE_TEST_SUITE_P(Shapes, J2kDecoderMemory, ::testing::ValuesIn(kJ2kShapes),
                         [](const auto& info) { return std::string(info.param.name); });

struct J2kLine {
    const char* name;
    CodeStream inside, past;  // one shape just inside and just past the bound
    bool decodeInside;        // decoding the inside one is cheap enough to run here
};

void PrintTo(const J2kLine& c, std::ostream* out) { *out << c.name; }

// The line for each shape: one step (a row, a layer, a component) past the largest valid file
// that the cap allows is refused from its headers.
const J2kLine kJ2kLines[] = {
    {"ImageSize", {.width = 16384, .height = 16376}, {.width = 16384, .height = 16377}, true},
    {"TinyCodeBlocks",
     {.width = 4096, .height = 16326, .blockExponent = 2},
     {.width = 4096, .height = 16327, .blockExponent = 2},
     false},
    {"TinyPrecincts",
     {.width = 1024, .height = 2930, .precinctExponent = 0},
     {.width = 1024, .height = 2931, .precinctExponent = 0},
     false},
    {"ManyLayers",
     {.width = 256, .height = 256, .layers = 63110, .precinctExponent = 1},
     {.width = 256, .height = 256, .layers = 63111, .precinctExponent = 1},
     false},
    {"ManyTiles",
     {.width = 255, .height = 257, .tileWidth = 1, .tileHeight = 1, .components = 14},
     {.width = 255, .height = 257, .tileWidth = 1, .tileHeight = 1, .components = 15},
     false},
};

class J2kMemoryLine : public ::testing::TestWithParam<J2kLine> {};

TEST_P(J2kMemoryLine, JustInsideLoadsAndJustPastIsRefusedFromTheHeaders) {
    if (!AllocationMeter::Available()) GTEST_SKIP() << "allocations cannot be counted here";
    const J2kLine& c = GetParam();
    const Bytes inside = J2kCodeStream(c.inside);
    EXPECT_LE(J2kPeakBound(inside, FORMAT_JPC), static_cast<double>(RASTER_MAX_MEMORY));
    if (c.decodeInside) {
        const J2kDecoded decoded = DecodeJ2kMetered(inside, FORMAT_JPC);
        EXPECT_TRUE(decoded.loaded) << decoded.error;
        EXPECT_LE(decoded.peak, RASTER_MAX_MEMORY);
    }
    const J2kDecoded past = DecodeJ2kMetered(J2kCodeStream(c.past), FORMAT_JPC);
    EXPECT_FALSE(past.loaded);
    EXPECT_EQ(past.error, kJ2kNoMemory);
    EXPECT_LE(past.peak, kJ2kRefusalBytes);
}

INSTANTIATE_TEST_SUITE_P(Bound, J2kMemoryLine, ::testing::ValuesIn(kJ2kLines),
                         [](const auto& info) { return std::string(info.param.name); });

Bytes TextThenBytes(const char* text, size_t bytes) {
    Bytes b;
    PutText(b, text);
    b.resize(b.size() + bytes, 0x55);
    return b;
}

// A grey Sun raster header (8 bits, a map of `mapEntries` RGB entries) and the given data.
Bytes RasWith(uint32_t width, uint32_t height, uint32_t type, uint32_t mapEntries,
              const Bytes& data) {
    Bytes b;
    for (uint32_t v :
         {0x59A66A95u, width, height, 8u, 0u, type, mapEntries ? 1u : 0u, 3 * mapEntries})
        PutBe32(b, v);
    b.resize(b.size() + 3 * mapEntries, 0x40);
    codectest::Append(b, data);
    return b;
}

// Runs of 256 bytes of 0x11, three bytes each: the most bytes run-length codes give.
Bytes RasRuns(size_t runs) {
    Bytes codes;
    for (size_t i = 0; i < runs; ++i) codectest::Append(codes, {0x80, 0xFF, 0x11});
    return codes;
}

// ---- JPEG ------------------------------------------------------------------------------------

// A 16 x 16 colour JPEG written by libjpeg in the given coding whose frame header is then
// changed to claim width x height.
Bytes JpegClaiming(JpegCoding coding, uint32_t width, uint32_t height) {
    Bytes bytes = codectest::EncodeRawJpeg(16, 16, 3, JCS_RGB, Bytes(16 * 16 * 3, 128), coding);
    codectest::SetJpegSize(bytes, width, height);
    return bytes;
}

constexpr uint32_t kFlatWidth = 6000, kFlatHeight = 4001;
constexpr uint8_t kFlatGrey = 77;

Bytes FlatGreyJpeg(JpegCoding coding) {
    return codectest::EncodeRawJpeg(kFlatWidth, kFlatHeight, 1, JCS_GRAYSCALE,
                                    Bytes(size_t{kFlatWidth} * kFlatHeight, kFlatGrey), coding);
}

// The bytes after the first scan header, in which every pixel of a Huffman-coded file takes at
// least 1/64 bit; 0 when there is no scan.
size_t JpegScanBytes(const Bytes& jpeg) {
    size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
        const size_t end = at + 2 + ((jpeg[at + 2] << 8) | jpeg[at + 3]);
        if (jpeg[at + 1] == 0xDA) return end <= jpeg.size() ? jpeg.size() - end : 0;
        at = end;
    }
    return 0;
}

// The JPEG reader's bound: any file may claim 4 Mi pixels, and each byte of scan data 512 more.
uint64_t JpegHuffmanLimit(const Bytes& jpeg) {
    return (uint64_t{1} << 22) + uint64_t{512} * JpegScanBytes(jpeg);
}

bool DecodeMeasured(CRaster& image, const Bytes& bytes, uint64_t& peak) {
    AllocationMeter meter;
    const bool loaded = codectest::DecodeBytes(image, bytes, FORMAT_JPG);
    peak = meter.PeakBytes();
    return loaded;
}

void ExpectFlatGrey(const CRaster& image) {
    ASSERT_EQ(image.GetWidth(), kFlatWidth);
    ASSERT_EQ(image.GetHeight(), kFlatHeight);
    ASSERT_EQ(image.GetBpp(), 8u);
    for (uint32_t y = 0; y < kFlatHeight; ++y) {
        const uint8_t* row = image.GetBits(y);
        ASSERT_EQ(std::count(row, row + kFlatWidth, kFlatGrey), kFlatWidth) << "row " << y;
    }
}

// The best a Huffman coder writes of a flat picture lies inside the bound. The same data
// claiming as many rows as the bound allows loads as a cut file; one row more is refused before
// anything is allocated.
TEST(JpegHuffmanBound, BestCompressingFileLoadsAndTheLineLiesAtTheBound) {
    if (!AllocationMeter::Available()) GTEST_SKIP() << "allocations cannot be counted here";
    Bytes bytes = FlatGreyJpeg(JpegCoding::DcScanFirst);
    const uint64_t pixels = uint64_t{kFlatWidth} * kFlatHeight;
    ASSERT_GT(pixels, 500 * JpegScanBytes(bytes)) << "the file is not near the bound";
    uint64_t peak = 0;
    CRaster image;
    ASSERT_TRUE(DecodeMeasured(image, bytes, peak)) << image.GetLastError();
    ExpectFlatGrey(image);
    EXPECT_LE(peak, kBudget);

    const auto rows = static_cast<uint32_t>(JpegHuffmanLimit(bytes) / kFlatWidth);
    for (const uint32_t height : {rows, rows + 1}) {
        codectest::SetJpegSize(bytes, kFlatWidth, height);
        CRaster claimed;
        const bool loaded = DecodeMeasured(claimed, bytes, peak);
        if (height == rows) {
            EXPECT_TRUE(loaded) << claimed.GetLastError();
            EXPECT_EQ(claimed.GetHeight(), rows);
        } else {
            EXPECT_FALSE(loaded);
            EXPECT_STREQ(claimed.GetLastError(), "JPEG file too short for its image size");
        }
        EXPECT_LE(peak, kBudget) << height;
    }
}

// An arithmetic coder holds a flat picture in far fewer bytes than Huffman codes can: such a
// file is held to the memory cap alone.
TEST(JpegHuffmanBound, ArithmeticFilesAreNotHeldToIt) {
    if (!AllocationMeter::Available()) GTEST_SKIP() << "allocations cannot be counted here";
    for (const JpegCoding coding : {JpegCoding::Arithmetic, JpegCoding::ArithmeticProgressive}) {
        const Bytes bytes = FlatGreyJpeg(coding);
        uint64_t peak = 0;
        CRaster image;
        ASSERT_TRUE(DecodeMeasured(image, bytes, peak)) << image.GetLastError();
        ExpectFlatGrey(image);
        EXPECT_LE(peak, kBudget);
    }
    ASSERT_GT(uint64_t{kFlatWidth} * kFlatHeight,
              JpegHuffmanLimit(FlatGreyJpeg(JpegCoding::Arithmetic)))
        << "the file is not past the Huffman bound";
}

// ---- BMP, GIF, TGA, PCX, WBMP, ICO -------------------------------------------------------------

// A BMP info header of the given size and depth with a 256-entry grey palette, then `data`.
Bytes BmpClaiming(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                  const Bytes& data) {
    const uint32_t palette = bits <= 8 ? 4u << bits : 0;
    Bytes b = {'B', 'M'};
    codectest::Put32(b, 14 + 40 + palette + static_cast<uint32_t>(data.size()));
    codectest::Put32(b, 0);
    codectest::Put32(b, 14 + 40 + palette);
    for (uint32_t v : {40u, uint32_t(width), uint32_t(height)}) codectest::Put32(b, v);
    codectest::Put16(b, 1);
    codectest::Put16(b, bits);
    for (uint32_t v : {compression, 0u, 3780u, 3780u, 0u, 0u}) codectest::Put32(b, v);
    for (uint32_t i = 0; i < palette / 4; ++i)
        codectest::Append(b, {uint8_t(i), uint8_t(i), uint8_t(i), 0});
    codectest::Append(b, data);
    return b;
}

// 45000 x 45000 in 130 KB of run-length codes that end lines: a code of two bytes skips a row
// of 45000 pixels without giving one.
Bytes BmpRunLengthOfLineEnds() {
    Bytes codes;
    while (codes.size() < 130000) codectest::Append(codes, {0, 0});
    return BmpClaiming(45000, 45000, 8, 1, codes);
}

// A 1-bit-table GIF screen and frame of the given size whose image data is a few codes.
Bytes GifClaiming(uint16_t width, uint16_t height, bool trailer) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    codectest::Put16(b, width);
    codectest::Put16(b, height);
    codectest::Append(b, {0x80, 0, 0, 0, 0, 0, 255, 255, 255, ','});
    for (uint32_t v : {0u, 0u, uint32_t(width), uint32_t(height)}) codectest::Put16(b, v);
    codectest::Append(b, {0, 2, 2, 0x44, 0x01, 0});
    if (trailer) b.push_back(';');
    return b;
}

// An 18-byte TGA header for 60000 x 60000 pixels of the given type and depth, then 64 bytes.
Bytes TgaClaiming(uint8_t type, uint8_t bits) {
    Bytes b = {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    codectest::Put16(b, 60000);
    codectest::Put16(b, 60000);
    codectest::Append(b, {bits, 0});
    codectest::Append(b, Bytes(64, 0x81));
    return b;
}

// A 128-byte PCX header for 60000 x 60000 pixels in three 8-bit planes, then 64 bytes of runs.
Bytes PcxClaiming() {
    Bytes b = {10, 5, 1, 8};
    for (uint32_t v : {0u, 0u, 59999u, 59999u, 72u, 72u}) codectest::Put16(b, v);
    b.resize(65, 0);
    b.push_back(3);
    codectest::Put16(b, 60000);
    codectest::Put16(b, 1);
    b.resize(128, 0);
    for (int i = 0; i < 32; ++i) codectest::Append(b, {0xFF, 0x00});
    return b;
}

// A WBMP of 60000 x 60000 (multi-byte sizes) with 64 bytes of pixels.
Bytes WbmpClaiming() {
    Bytes b = {0, 0, 0x83, 0xD4, 0x60, 0x83, 0xD4, 0x60};
    codectest::Append(b, Bytes(64, 0xAA));
    return b;
}

// An icon whose one entry's bitmap header claims 60000 x 60000 (twice the height, with mask).
Bytes IcoClaiming() {
    Bytes b = {0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 24, 0};
    codectest::Put32(b, 40 + 64);
    codectest::Put32(b, 22);
    for (uint32_t v : {40u, 60000u, 120000u}) codectest::Put32(b, v);
    codectest::Put16(b, 1);
    codectest::Put16(b, 24);
    for (int i = 0; i < 6; ++i) codectest::Put32(b, 0);
    codectest::Append(b, Bytes(64, 0x11));
    return b;
}

// A 24-bit BMP five pixels wide (16-byte rows) with four rows on file, claiming the most rows a
// cut file may (rows of 16 times the bytes after the info header, plus 1 MiB) and `extraRows`
// more.
Bytes BmpCutShort(int32_t extraRows) {
    return BmpClaiming(5, 4 * 16 + 65536 + extraRows, 24, 0, Bytes(4 * 16, 0x42));
}

// An RLE8 BMP 256 pixels wide of runs of 255 pixels and an end of bitmap, `extraRows` rows
// beyond what the bound allows (256 pixels per byte after the info header, plus 1 Mi pixels).
Bytes BmpRunLengthAtBound(int32_t extraRows) {
    Bytes codes;
    for (int i = 0; i < 100; ++i) codectest::Append(codes, {255, 9});
    codectest::Append(codes, {0, 1});
    const int32_t rows = int32_t(1024 + codes.size()) + 4096 + extraRows;
    return BmpClaiming(256, rows, 8, 1, codes);
}

// A GIF whose frame of 4096 x `rows` pixels has four data bytes: a frame may claim 4096 pixels
// per data byte beyond 1 Mi pixels, 260 rows of 4096. Without a global table and with a frame
// of 1 x 1 pixel the screen becomes a 24-bit mosaic, bound the same way.
Bytes GifAtBound(uint16_t rows, bool mosaic) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    codectest::Put16(b, 4096);
    codectest::Put16(b, rows);
    codectest::Append(b, {uint8_t(mosaic ? 0x00 : 0x80), 0, 0});
    if (!mosaic) codectest::Append(b, {0, 0, 0, 255, 255, 255});
    b.push_back(',');
    for (uint32_t v : {0u, 0u, mosaic ? 1u : 4096u, mosaic ? 1u : uint32_t(rows)})
        codectest::Put16(b, v);
    codectest::Append(b, {0, 2, 2, 0x44, 0x01, 0, ';'});
    return b;
}

// An 8-bit grey run-length TGA of 128 x `rows`, one repeat packet of 128 pixels (two bytes) per
// row: 64 pixels per byte, right on the bound; `cut` bytes are taken off its end.
Bytes TgaRunLengthRows(uint16_t rows, size_t cut) {
    Bytes b = {0, 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    codectest::Put16(b, 128);
    codectest::Put16(b, rows);
    codectest::Append(b, {8, 0});
    for (uint32_t y = 0; y < rows; ++y) codectest::Append(b, {0xFF, 0x7F});
    b.resize(b.size() - cut);
    return b;
}

// An uncompressed 8-bit grey TGA of 60 x 60 with `cut` bytes taken off its end.
Bytes TgaRawCut(size_t cut) {
    Bytes b = {0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    codectest::Put16(b, 60);
    codectest::Put16(b, 60);
    codectest::Append(b, {8, 0});
    b.resize(b.size() + 60 * 60 - cut, 0x33);
    return b;
}

// An 8-bit PCX 126 pixels wide coded as two runs of 63 per row (31.5 bytes per byte) with its
// palette, 2000 rows on file; the header claims `claimedRows`.
Bytes PcxRunsOf63(uint16_t claimedRows) {
    Bytes b = {10, 5, 1, 8};
    for (uint32_t v : {0u, 0u, 125u, uint32_t(claimedRows) - 1, 72u, 72u}) codectest::Put16(b, v);
    b.resize(65, 0);
    b.push_back(1);
    codectest::Put16(b, 126);
    b.resize(128, 0);
    for (int i = 0; i < 2 * 2000; ++i) codectest::Append(b, {0xFF, 0x21});
    b.push_back(12);
    b.resize(b.size() + 768, 0x21);
    return b;
}

// Rows on file of PcxRunsOf63 whose image bytes are 32 times the bytes after the header.
constexpr uint16_t kPcxRowsAtBound = (2 * 2000 * 2 + 769) * 32 / 126;

// A WBMP of 200 x 100 (multi-byte width) with `cut` bytes taken off its end.
Bytes WbmpCut(size_t cut) {
    Bytes b = {0, 0, 0x81, 0x48, 100};
    b.resize(b.size() + 25 * 100 - cut, 0xF0);
    return b;
}

// ---- the table -------------------------------------------------------------------------------

struct BombCase {
    const char* name;
    uint32_t format;
    Bytes (*build)();
    const char* error;  // the last-error text of the refusal
    size_t maxFileSize = kFewKilobytes;
};

void PrintTo(const BombCase& c, std::ostream* out) { *out << c.name; }

constexpr const char* kPngCut = "Read Error";  // the skipped chunk runs past the file's end
constexpr const char* kPngShort = "PNG file too short for its image size";
constexpr const char* kTiffCorrupt = "Corrupted TIFF file!";
constexpr const char* kJasPerMemory = "error: cannot allocate memory";
constexpr const char* kJasPerData = "error: cannot load image data";
constexpr const char* kJpegShort = "JPEG file too short for its image size";

const BombCase kBombs[] = {
    {"PngTextChunk", FORMAT_PNG, [] { return PngChunkClaiming2GiB("tEXt"); }, kPngCut},
    {"PngCompressedTextChunk", FORMAT_PNG, [] { return PngChunkClaiming2GiB("zTXt"); }, kPngCut},
    {"PngInternationalTextChunk", FORMAT_PNG, [] { return PngChunkClaiming2GiB("iTXt"); }, kPngCut},
    {"PngScaleChunk", FORMAT_PNG, [] { return PngChunkClaiming2GiB("sCAL"); }, kPngCut},
    {"PngCalibrationChunk", FORMAT_PNG, [] { return PngChunkClaiming2GiB("pCAL"); }, kPngCut},
    {"PngSuggestedPaletteChunk", FORMAT_PNG, [] { return PngChunkClaiming2GiB("sPLT"); }, kPngCut},
    {"PngExifChunk", FORMAT_PNG, [] { return PngChunkClaiming2GiB("eXIf"); }, kPngCut},
    {"PngColourProfile", FORMAT_PNG, PngProfileClaiming2GiB, kPngCut},
    {"PngImageSize", FORMAT_PNG, PngHugeImage, kPngShort},
    {"TiffCmykStrip", FORMAT_TIF, [] { return TiffHugeStrip(5, 5, 4); }, kTiffCorrupt},
    {"TiffGreyDeflateStrip", FORMAT_TIF, [] { return TiffHugeStrip(8, 1, 1); }, kTiffCorrupt},
    {"TiffGreyRawStrip", FORMAT_TIF, [] { return TiffHugeStrip(1, 1, 1); }, kTiffCorrupt},
    {"TiffGreyTiles", FORMAT_TIF, TiffHugeTiles, kTiffCorrupt},
    {"JpcImageSize", FORMAT_JPC, [] { return J2kCodeStream({.width = 23170, .height = 23170}); },
     kJasPerMemory},
    {"JpcManyLayers", FORMAT_JPC,
     [] {
         return J2kCodeStream(
             {.width = 1024, .height = 1024, .layers = 65535, .precinctExponent = 1});
     },
     kJasPerMemory},
    {"JpcManyTiles", FORMAT_JPC,
     [] {
         return J2kCodeStream(
             {.width = 4080, .height = 4080, .tileWidth = 16, .tileHeight = 16, .components = 64});
     },
     kJasPerMemory},
    {"Jp2ImageSize", FORMAT_JP2, [] { return Jp2File({.width = 23170, .height = 23170}); },
     kJasPerMemory},
    {"JpcTransformCopiedByEveryTile", FORMAT_JPC,
     [] {
         return J2kCodeStream({.width = 255,
                               .height = 257,
                               .tileWidth = 1,
                               .tileHeight = 1,
                               .transformSegments = 2});
     },
     kJasPerMemory, 130000},
    {"Jp2PaletteChannels", FORMAT_JP2,
     [] { return Jp2File({.width = 4096, .height = 4096, .paletteChannels = 64}); }, kJasPerMemory},
    {"PgxImageSize", FORMAT_PGX, [] { return TextThenBytes("PG ML + 8 60000 60000\n", 64); },
     kJasPerData},
    {"PnmImageSize", FORMAT_PNM, [] { return TextThenBytes("P6 60000 60000 255\n", 64); },
     kJasPerData},
    {"PnmAsciiImageSize", FORMAT_PNM, [] { return TextThenBytes("P2 60000 60000 255\n", 64); },
     kJasPerData},
    {"RasRunLengthImageSize", FORMAT_RAS,
     [] {
         Bytes b;
         for (uint32_t v : {0x59A66A95u, 20000u, 20000u, 8u, 0u, 2u, 0u, 0u}) PutBe32(b, v);
         for (int i = 0; i < 300; ++i) codectest::Append(b, {0x80, 0xFF, 0x00});
         return b;
     },
     kJasPerData},
    {"BmpRunLengthLineEnds", FORMAT_BMP, BmpRunLengthOfLineEnds, "Error reading BMP info", 140000},
    {"BmpImageSize", FORMAT_BMP, [] { return BmpClaiming(60000, 60000, 24, 0, Bytes(64, 7)); },
     "Error reading BMP data"},
    {"GifImageSize", FORMAT_GIF, [] { return GifClaiming(60000, 60000, true); },
     "GIF image too large"},
    {"GifCutImageSize", FORMAT_GIF, [] { return GifClaiming(60000, 60000, false); },
     "GIF image too large"},
    {"TgaImageSize", FORMAT_TGA, [] { return TgaClaiming(2, 24); }, "corrupted TGA"},
    {"TgaRunLengthImageSize", FORMAT_TGA, [] { return TgaClaiming(10, 24); }, "corrupted TGA"},
    {"PcxImageSize", FORMAT_PCX, PcxClaiming, "corrupted PCX"},
    {"WbmpImageSize", FORMAT_WBMP, WbmpClaiming, "Corrupted WBMP"},
    {"IcoImageSize", FORMAT_ICO, IcoClaiming, "Unsupported icon image"},
    {"JpegImageSize", FORMAT_JPG, [] { return JpegClaiming(JpegCoding::Baseline, 20000, 20000); },
     kJpegShort},
    {"JpegProgressiveImageSize", FORMAT_JPG,
     [] { return JpegClaiming(JpegCoding::Progressive, 20000, 20000); }, kJpegShort},
    // Arithmetic files meet only the memory caps: the image's, and the library's for the
    // coefficients a progressive file keeps of the whole picture.
    {"JpegArithmeticImageSize", FORMAT_JPG,
     [] { return JpegClaiming(JpegCoding::Arithmetic, 30000, 30000); },
     "RASTER_MAX_MEMORY exceeded"},
    {"JpegArithmeticCoefficients", FORMAT_JPG,
     [] { return JpegClaiming(JpegCoding::ArithmeticProgressive, 20000, 20000); },
     "Backing store not supported"},
};

class DecoderMemory : public ::testing::TestWithParam<BombCase> {};

TEST_P(DecoderMemory, TinyFileClaimingHugeSizesFailsWithinTheBudget) {
    if (!AllocationMeter::Available()) GTEST_SKIP() << "allocations cannot be counted here";
    const BombCase& c = GetParam();
    const Bytes bytes = c.build();
    ASSERT_LE(bytes.size(), c.maxFileSize);
    CRaster image;
    bool loaded = false;
    uint64_t peak = 0, largest = 0;
    {
        AllocationMeter meter;
        loaded = codectest::DecodeBytes(image, bytes, c.format);
        peak = meter.PeakBytes();
        largest = meter.LargestBytes();
    }
    EXPECT_FALSE(loaded);
    EXPECT_STREQ(image.GetLastError(), c.error);
    EXPECT_LE(peak, kBudget) << "largest single block " << largest;
}

INSTANTIATE_TEST_SUITE_P(Bombs, DecoderMemory, ::testing::ValuesIn(kBombs),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the line of each bound of the small formats -------------------------------------------

// For each bound, a file just inside it (a valid one where valid files reach it) and a crafted
// one just past it. Inside, the file loads, or fails on its data with another text; past it,
// it is refused with the bound's text. Either side stays within the budget.
enum class Side { Loads, Inside, Past };

struct BoundLine {
    const char* name;
    uint32_t format;
    Bytes (*build)();
    Side side;
    const char* text;  // the bound's refusal
    size_t maxFileSize = kFewKilobytes;
};

void PrintTo(const BoundLine& c, std::ostream* out) { *out << c.name; }

constexpr const char* kRowsOverCap = "RASTER_MAX_MEMORY exceeded";
constexpr const char* kBmpData = "Error reading BMP data";
constexpr const char* kBmpInfo = "Error reading BMP info";
constexpr const char* kGifLarge = "GIF image too large";
constexpr const char* kTgaCorrupt = "corrupted TGA";
constexpr const char* kPcxCorrupt = "corrupted PCX";
constexpr const char* kWbmpCorrupt = "Corrupted WBMP";
// The rows of a 1-bit picture this wide need more than the memory cap: 24 bytes a pixel.
constexpr uint32_t kPngWidthOverCap = 89478470;

const BoundLine kSmallFormatLines[] = {
    {"PngBestDeflate", FORMAT_PNG, [] { return PngOfZeroRows(2000, 2000, 2000); }, Side::Loads,
     kPngShort},
    {"PngAtDeflateBound", FORMAT_PNG, [] { return PngRowAtDeflateBound(0); }, Side::Inside,
     kPngShort},
    {"PngPastDeflateBound", FORMAT_PNG, [] { return PngRowAtDeflateBound(1); }, Side::Past,
     kPngShort},
    // Inside this bound the rows alone take nearly 2 GiB; the files of PngNearBound with rows
    // and columns beyond a megapixel stand for that side.
    {"PngRowsPastMemoryCap", FORMAT_PNG, [] { return PngOfZeroRows(kPngWidthOverCap, 1, 1, 1); },
     Side::Past, kRowsOverCap, 12000},
    {"PgxAllSamples", FORMAT_PGX, [] { return TextThenBytes("PG ML + 8 60 60\n", 60 * 60); },
     Side::Loads, kJasPerData},
    {"PgxOneSampleShort", FORMAT_PGX,
     [] { return TextThenBytes("PG ML + 8 60 60\n", 60 * 60 - 1); }, Side::Past, kJasPerData},
    {"PnmAllSamples", FORMAT_PNM, [] { return TextThenBytes("P5 60 60 255\n", 60 * 60); },
     Side::Loads, kJasPerData},
    {"PnmOneSampleShort", FORMAT_PNM, [] { return TextThenBytes("P5 60 60 255\n", 60 * 60 - 1); },
     Side::Past, kJasPerData},
    {"PnmAsciiDigitPerPixel", FORMAT_PNM,
     [] {
         Bytes b;
         PutText(b, "P1 60 60\n");
         b.resize(b.size() + 60 * 60, '1');
         return b;
     },
     Side::Loads, kJasPerData},
    // The blank after the header counts as a byte of the pixels: two digits short passes it.
    {"PnmAsciiDigitsShort", FORMAT_PNM,
     [] {
         Bytes b;
         PutText(b, "P1 60 60\n");
         b.resize(b.size() + 60 * 60 - 2, '1');
         return b;
     },
     Side::Past, kJasPerData},
    {"RasAllRows", FORMAT_RAS, [] { return RasWith(60, 60, 1, 0, Bytes(60 * 60, 0x22)); },
     Side::Loads, kJasPerData},
    {"RasOneByteShort", FORMAT_RAS, [] { return RasWith(60, 60, 1, 0, Bytes(60 * 60 - 1, 0x22)); },
     Side::Past, kJasPerData},
    // 1000 runs give 256000 bytes; the bound lets 3000 bytes claim 259000.
    {"RasLongestRuns", FORMAT_RAS, [] { return RasWith(2, 128000, 2, 0, RasRuns(1000)); },
     Side::Loads, kJasPerData},
    {"RasPastRunBound", FORMAT_RAS, [] { return RasWith(2, 129501, 2, 0, RasRuns(1000)); },
     Side::Past, kJasPerData},
    // Runs that cover a colour-mapped picture, which is three components: 16384 x 10923 x 3
    // samples pass 2^29.
    {"RasMappedComponentsPastCap", FORMAT_RAS,
     [] { return RasWith(16384, 10923, 2, 2, RasRuns(699072)); }, Side::Past, kJasPerData, 2100000},
    {"BmpSixteenthOfRows", FORMAT_BMP, [] { return BmpCutShort(0); }, Side::Loads, kBmpData},
    {"BmpLessThanASixteenth", FORMAT_BMP, [] { return BmpCutShort(1); }, Side::Past, kBmpData},
    {"BmpRunLengthAtBound", FORMAT_BMP, [] { return BmpRunLengthAtBound(0); }, Side::Loads,
     kBmpInfo},
    {"BmpRunLengthPastBound", FORMAT_BMP, [] { return BmpRunLengthAtBound(1); }, Side::Past,
     kBmpInfo},
    {"GifFrameAtBound", FORMAT_GIF, [] { return GifAtBound(260, false); }, Side::Loads, kGifLarge},
    {"GifFramePastBound", FORMAT_GIF, [] { return GifAtBound(261, false); }, Side::Past, kGifLarge},
    {"GifMosaicAtBound", FORMAT_GIF, [] { return GifAtBound(260, true); }, Side::Loads, kGifLarge},
    {"GifMosaicPastBound", FORMAT_GIF, [] { return GifAtBound(261, true); }, Side::Past, kGifLarge},
    {"TgaRunLengthAtBound", FORMAT_TGA, [] { return TgaRunLengthRows(1000, 0); }, Side::Loads,
     kTgaCorrupt},
    {"TgaRunLengthPastBound", FORMAT_TGA, [] { return TgaRunLengthRows(1000, 1); }, Side::Past,
     kTgaCorrupt},
    {"TgaAllPixels", FORMAT_TGA, [] { return TgaRawCut(0); }, Side::Loads, kTgaCorrupt},
    {"TgaOnePixelShort", FORMAT_TGA, [] { return TgaRawCut(1); }, Side::Past, kTgaCorrupt},
    {"PcxRunsOf63", FORMAT_PCX, [] { return PcxRunsOf63(2000); }, Side::Loads, kPcxCorrupt, 10000},
    {"PcxPastRunBound", FORMAT_PCX, [] { return PcxRunsOf63(kPcxRowsAtBound + 1); }, Side::Past,
     kPcxCorrupt, 10000},
    {"WbmpAllRows", FORMAT_WBMP, [] { return WbmpCut(0); }, Side::Loads, kWbmpCorrupt},
    {"WbmpOneByteShort", FORMAT_WBMP, [] { return WbmpCut(1); }, Side::Past, kWbmpCorrupt},
};

class BoundLines : public ::testing::TestWithParam<BoundLine> {};

TEST_P(BoundLines, InsideLoadsAndPastIsRefusedWithinTheBudget) {
    if (!AllocationMeter::Available()) GTEST_SKIP() << "allocations cannot be counted here";
    const BoundLine& c = GetParam();
    const Bytes bytes = c.build();
    ASSERT_LE(bytes.size(), c.maxFileSize);
    CRaster image;
    bool loaded = false;
    uint64_t peak = 0;
    {
        AllocationMeter meter;
        loaded = codectest::DecodeBytes(image, bytes, c.format);
        peak = meter.PeakBytes();
    }
    switch (c.side) {
        case Side::Loads:
            EXPECT_TRUE(loaded) << image.GetLastError();
            break;
        case Side::Inside:
            if (!loaded) {
                EXPECT_STRNE(image.GetLastError(), c.text);
            }
            break;
        case Side::Past:
            EXPECT_FALSE(loaded);
            EXPECT_STREQ(image.GetLastError(), c.text);
            break;
    }
    EXPECT_LE(peak, kBudget);
}

INSTANTIATE_TEST_SUITE_P(SmallFormats, BoundLines, ::testing::ValuesIn(kSmallFormatLines),
                         [](const auto& info) { return std::string(info.param.name); });

// The meter sees what a decoder asks for: a plain allocation shows in full.
TEST(AllocationMeter, CountsPeakAndLargestBlock) {
    if (!AllocationMeter::Available()) GTEST_SKIP() << "allocations cannot be counted here";
    AllocationMeter meter;
    // Volatile, so that the compiler keeps the pair of calls.
    void* volatile a = std::malloc(3 << 20);
    void* volatile b = std::calloc(1, 5 << 20);
    std::free(a);
    std::free(b);
    EXPECT_GE(meter.PeakBytes(), uint64_t{8} << 20);
    EXPECT_LT(meter.PeakBytes(), uint64_t{9} << 20);
    EXPECT_GE(meter.LargestBytes(), uint64_t{5} << 20);
    EXPECT_LT(meter.LargestBytes(), uint64_t{6} << 20);
}

}  // namespace

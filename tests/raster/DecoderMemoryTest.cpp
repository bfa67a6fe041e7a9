// Tiny files whose headers claim huge images or chunks: every decoder either loads such a file
// or refuses it without asking for more than a small budget of memory. The memory is measured
// (AllocationMeter), never timed.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "AllocationMeter.h"
#include "CRaster.h"
#include "CodecTestSupport.h"
#include "JpegTestSupport.h"

namespace {

using codectest::Bytes;

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

// A little-endian file: `dataBytes` bytes of noise at offset 8, then one directory (fields sorted
// by tag; short values of count 1 sit in the value field).
Bytes Tiff(const std::vector<TiffField>& fields, uint32_t dataBytes) {
    Bytes b = {'I', 'I', 42, 0};
    codectest::Put32(b, 8 + dataBytes);
    for (uint32_t i = 0; i < dataBytes; ++i) b.push_back(static_cast<uint8_t>(i * 37 + 11));
    codectest::Put16(b, static_cast<uint32_t>(fields.size()));
    for (const TiffField& f : fields) {
        codectest::Put16(b, f.tag);
        codectest::Put16(b, f.type);
        codectest::Put32(b, f.count);
        codectest::Put32(b, f.value);
    }
    codectest::Put32(b, 0);
    return b;
}

// 20000 x 20000 in one strip of 1000 bytes: CMYK (the RGBA route) or grey (the own route).
Bytes TiffHugeStrip(uint16_t compression, uint16_t photometric, uint16_t samples) {
    const uint16_t kShort = 3, kLong = 4;
    std::vector<TiffField> fields = {
        {256, kLong, 1, 20000},        {257, kLong, 1, 20000},        {258, kShort, 1, 8},
        {259, kShort, 1, compression}, {262, kShort, 1, photometric}, {273, kLong, 1, 8},
        {277, kShort, 1, samples},     {278, kLong, 1, 20000},        {279, kLong, 1, 1000},
    };
    return Tiff(fields, 1000);
}

// 20000 x 20000 grey in 4096 x 4096 tiles of 40 bytes each.
Bytes TiffHugeTiles() {
    const uint16_t kShort = 3, kLong = 4;
    const uint32_t tiles = 5 * 5;
    Bytes arrays;  // tile offsets, then byte counts, placed after 40 bytes of tile data
    for (uint32_t i = 0; i < tiles; ++i) codectest::Put32(arrays, 8);
    for (uint32_t i = 0; i < tiles; ++i) codectest::Put32(arrays, 40);
    std::vector<TiffField> fields = {
        {256, kLong, 1, 20000},  {257, kLong, 1, 20000},
        {258, kShort, 1, 8},     {259, kShort, 1, 8},
        {262, kShort, 1, 1},     {277, kShort, 1, 1},
        {322, kLong, 1, 4096},   {323, kLong, 1, 4096},
        {324, kLong, tiles, 48}, {325, kLong, tiles, 48 + 4 * tiles},
    };
    Bytes b = Tiff(fields, 40 + static_cast<uint32_t>(arrays.size()));
    std::copy(arrays.begin(), arrays.end(), b.begin() + 48);
    return b;
}

// ---- JPEG-2000 family ------------------------------------------------------------------------

struct CodeStream {
    uint32_t width = 64, height = 64, tileWidth = 0, tileHeight = 0;  // tile 0: one tile
    uint16_t components = 1, layers = 1;
    uint8_t levels = 0, blockExponent = 6;  // code blocks of 2^exponent x 2^exponent
    int precinctExponent = -1;              // -1: the largest precincts
};

// A reversible code stream with the main header described and one tile part of 8 data bytes.
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
    codectest::Append(
        b, {0, s.levels, uint8_t(s.blockExponent - 2), uint8_t(s.blockExponent - 2), 0, 1});
    for (int r = 0; precincts && r <= s.levels; ++r)
        b.push_back(static_cast<uint8_t>(s.precinctExponent * 0x11));
    PutBe16(b, 0xFF5C);
    PutBe16(b, 4 + 3 * s.levels);
    for (int i = 0; i < 2 + 3 * s.levels; ++i) b.push_back(0x40);
    PutBe16(b, 0xFF90);
    PutBe16(b, 10);
    PutBe16(b, 0);
    PutBe32(b, 22);
    codectest::Append(b, {0, 1});
    PutBe16(b, 0xFF93);
    codectest::Append(b, Bytes(8, 0));
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
    PutBe32(b, 8 + 22 + 15);
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
    const Bytes stream = J2kCodeStream(s);
    PutBe32(b, 8 + static_cast<uint32_t>(stream.size()));
    PutText(b, "jp2c");
    codectest::Append(b, stream);
    return b;
}

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

// A 16 x 16 colour JPEG written by libjpeg (progressive when asked) whose frame header is then
// changed to claim 20000 x 20000.
Bytes JpegClaimingHugeSize(bool progressive) {
    Bytes bytes =
        codectest::EncodeRawJpeg(16, 16, 3, JCS_RGB, Bytes(16 * 16 * 3, 128), progressive);
    for (size_t i = 2; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
            for (size_t at : {i + 5, i + 7}) {
                bytes[at] = 20000 >> 8;
                bytes[at + 1] = 20000 & 0xFF;
            }
            break;
        }
    }
    return bytes;
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
    {"JpcTinyCodeBlocks", FORMAT_JPC,
     [] { return J2kCodeStream({.width = 4096, .height = 4096, .blockExponent = 2}); },
     kJasPerMemory},
    {"JpcTinyPrecincts", FORMAT_JPC,
     [] { return J2kCodeStream({.width = 1024, .height = 1024, .precinctExponent = 0}); },
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
    {"JpegImageSize", FORMAT_JPG, [] { return JpegClaimingHugeSize(false); }, kJpegShort},
    {"JpegProgressiveImageSize", FORMAT_JPG, [] { return JpegClaimingHugeSize(true); }, kJpegShort},
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
            if (!loaded) EXPECT_STRNE(image.GetLastError(), c.text);
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

#pragma once
// Plain Windows bitmap types the raster library keeps its pixels in, laid out as Windows
// lays them out (the bitmap block is handed to drawing and file writers unchanged).

#include <cstdint>

struct RGBQUAD {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;  // alpha where alpha is meant
};

inline bool operator==(const RGBQUAD& a, const RGBQUAD& b) {
    return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed &&
           a.rgbReserved == b.rgbReserved;
}

// 0x00BBGGRR, red in the low byte.
using COLORREF = uint32_t;

struct RECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

#pragma pack(push, 2)
struct BITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;  // positive: rows stored bottom-up
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40, "bitmap header is 40 bytes");
static_assert(sizeof(RGBQUAD) == 4, "palette entry is 4 bytes");

// Format ids, stored in the info record and passed to load, save, decode and encode.
enum CRasterFormat : uint32_t {
    FORMAT_UNKNOWN = 0,
    FORMAT_BMP = 1,
    FORMAT_GIF = 2,
    FORMAT_JPG = 3,
    FORMAT_PNG = 4,
    FORMAT_ICO = 5,
    FORMAT_TIF = 6,
    FORMAT_TGA = 7,
    FORMAT_PCX = 8,
    FORMAT_WBMP = 9,
    FORMAT_JP2 = 10,
    FORMAT_JPC = 11,
    FORMAT_PGX = 12,
    FORMAT_PNM = 13,
    FORMAT_RAS = 14,
    FORMAT_COUNT = 15
};

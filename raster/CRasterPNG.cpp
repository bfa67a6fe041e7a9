#include "CRasterPNG.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "CRasterRowIterator.h"
#include "CRasterStream.h"

namespace {

void ReadProc(png_structp png, png_bytep data, size_t length) {
    CRasterStream* stream = static_cast<CRasterStream*>(png_get_io_ptr(png));
    if (stream->Read(data, 1, length) != length) png_error(png, "Read Error");
}

void WriteProc(png_structp png, png_bytep data, size_t length) {
    CRasterStream* stream = static_cast<CRasterStream*>(png_get_io_ptr(png));
    if (stream->Write(data, 1, length) != length) png_error(png, "Write Error");
}

void FlushProc(png_structp png) {
    CRasterStream* stream = static_cast<CRasterStream*>(png_get_io_ptr(png));
    if (!stream->Flush()) png_error(png, "Flush Error");
}

// The decoder keeps the library's message in the image's 256-character last-error text.
void DecodeErrorProc(png_structp png, png_const_charp message) {
    char* text = static_cast<char*>(png_get_error_ptr(png));
    if (text) {
        std::strncpy(text, message ? message : "", 255);
        text[255] = '\0';
    }
    png_longjmp(png, 1);
}

// The encoder reports every library error with one text of its own.
void EncodeErrorProc(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Warnings are not shown anywhere.
void WarningProc(png_structp, png_const_charp) {}

// The memory libpng may take for one ancillary chunk (colour profiles are the largest the
// decoder keeps; a larger one is dropped with a warning).
constexpr png_alloc_size_t kMaxChunkMemory = png_alloc_size_t{8} << 20;
// Deflate makes at most 1032 bytes of one input byte: a match of 258 bytes takes at least two
// bits, one bit for its length code and one for its distance code.
constexpr uint64_t kMaxDeflateExpansion = 1032;

// The rows decoding keeps besides the image: libpng's current and previous row, each at most
// 8 bytes a pixel (16-bit RGBA) over the width rounded up to 8 plus a few bytes, and the
// decoder's own row. Every side PNG allows is read as long as these fit the memory cap.
uint64_t RowBufferBytes(png_uint_32 width) { return 3 * (8 * (uint64_t{width} + 8) + 64); }

// libpng reads the data of a text, scale, calibration, suggested-palette or Exif chunk into a
// buffer of the length the chunk claims, whatever limit is set. Every ancillary chunk is
// therefore skipped unread, except those decoding uses: background, resolution and the colour
// space that background compositing takes its gamma from (tRNS is always read).
void SkipUnusedChunks(png_structp png) {
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    static const png_byte kUsed[] = "bKGD\0pHYs\0gAMA\0sRGB\0cHRM\0iCCP";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kUsed, sizeof(kUsed) / 5);
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_chunk_malloc_max(png, kMaxChunkMemory);
}

// True when the bytes left in the stream could inflate to the rows the header claims.
bool DataCanFillImage(png_structp png, png_uint_32 width, png_uint_32 height, int pixelDepth) {
    CRasterStream* stream = static_cast<CRasterStream*>(png_get_io_ptr(png));
    const long size = stream->Size();
    const long position = stream->Tell();
    if (size < 0 || position < 0 || position > size) return true;
    const uint64_t rowBytes = 1 + (uint64_t{width} * uint64_t(pixelDepth) + 7) / 8;
    return uint64_t{height} * rowBytes <= uint64_t(size - position) * kMaxDeflateExpansion;
}

// A DPI value from a pHYs chunk; values beyond what an image can hold give 96.
int32_t FileDpi(uint64_t value) { return value <= 1000000 ? static_cast<int32_t>(value) : 96; }

// Buffers of one decode or encode, freed by the entry on every path; they live outside the
// frames between the jump point and a jump.
struct PngBuffers {
    uint8_t* row = nullptr;
    png_color* palette = nullptr;
    uint8_t* alpha = nullptr;  // the encoder's alpha plane for a transparent colour

    void Free() {
        std::free(row);
        std::free(palette);
        std::free(alpha);
        row = nullptr;
        palette = nullptr;
        alpha = nullptr;
    }
};

}  // namespace

CRasterPNG::CRasterPNG() : CRaster(FORMAT_PNG) {}

void CRasterPNG::Widen2BitTo4Bit(uint8_t* row, uint32_t width) {
    // From the last pixel to the first: each nibble written lies at or behind the source bytes
    // still to be read, and only its own nibble changes.
    for (uint32_t x = width; x-- > 0;) {
        const uint8_t value = (row[x / 4] >> (6 - 2 * (x % 4))) & 3;
        uint8_t& target = row[x / 2];
        target =
            (x % 2) ? uint8_t((target & 0xF0) | value) : uint8_t((target & 0x0F) | (value << 4));
    }
}

namespace {

// The decoding steps that may end in a libpng error; a jump lands in CRasterPNG::Decode.
// Holds no object with a destructor.
bool DecodeImage(CRaster& image, png_structp png, png_infop info, PngBuffers& buffers) {
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    const int pixelDepth = bitDepth * png_get_channels(png, info);

    png_color_16p fileBackground = nullptr;
    const bool hasBackground = png_get_bKGD(png, info, &fileBackground) != 0 && fileBackground;
    if (pixelDepth != 32) {
        if (hasBackground) {
            png_set_background(png, fileBackground, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
        } else {
            png_color_16 grey = {0, 192, 192, 192, 192};
            png_set_background(png, &grey, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
        }
    } else if (hasBackground) {
        image.SetTransColor(RGBQUAD{uint8_t(fileBackground->blue), uint8_t(fileBackground->green),
                                    uint8_t(fileBackground->red), 0});
    }
    if (bitDepth == 16) png_set_strip_16(png);
    if (!DataCanFillImage(png, width, height, pixelDepth)) {
        image.SetLastError("PNG file too short for its image size");
        return false;
    }
    if (RowBufferBytes(width) > RASTER_MAX_MEMORY) {
        image.SetLastError("RASTER_MAX_MEMORY exceeded");
        return false;
    }

    const uint32_t bpp = pixelDepth <= 8 ? pixelDepth : (pixelDepth == 16 ? 8 : 24);
    if (!image.Create(width, height, bpp, FORMAT_PNG)) return false;

    png_uint_32 xDensity = 0, yDensity = 0;
    int unit = 0;
    png_get_pHYs(png, info, &xDensity, &yDensity, &unit);
    if (unit == PNG_RESOLUTION_METER) {
        image.SetXDPI(FileDpi(uint64_t(std::floor(xDensity * 254.0 / 10000.0 + 0.5))));
        image.SetYDPI(FileDpi(uint64_t(std::floor(yDensity * 254.0 / 10000.0 + 0.5))));
    } else {
        image.SetXDPI(FileDpi(xDensity));
        image.SetYDPI(FileDpi(yDensity));
    }

    png_colorp palette = nullptr;
    int paletteCount = 0;
    if (png_get_PLTE(png, info, &palette, &paletteCount) != 0 && palette && paletteCount > 0) {
        image.SetPalette(reinterpret_cast<const uint8_t*>(palette), uint32_t(paletteCount));
    } else if (bitDepth == 2) {
        for (uint8_t i = 0; i < 4; ++i) image.SetPaletteColor(i, 85 * i, 85 * i, 85 * i);
    } else {
        image.SetGrayPalette();
    }

    // Transparency entries are palette alpha; grey and RGB files have no alpha array.
    png_bytep trans = nullptr;
    int transCount = 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE && image.GetNumColors() != 0 &&
        png_get_tRNS(png, info, &trans, &transCount, nullptr) != 0 && trans && transCount > 0) {
        RGBQUAD* entries = image.GetPalette();
        const uint32_t n = std::min<uint32_t>(image.GetNumColors(), uint32_t(transCount));
        for (uint32_t i = 0; i < n; ++i) entries[i].rgbReserved = trans[i];
        if (transCount == 1 && entries[0].rgbReserved == 0) {
            image.SetTransIndex(0);
        } else {
            image.EnablePaletteAlpha(true);
            for (uint32_t i = n; i < image.GetNumColors(); ++i) entries[i].rgbReserved = 255;
        }
    }

    const bool withAlpha = colorType == PNG_COLOR_TYPE_RGB_ALPHA ||
                           (colorType == PNG_COLOR_TYPE_GRAY_ALPHA && pixelDepth == 32);
    if (withAlpha) {
        if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
            png_set_gray_to_rgb(png);
            png_set_expand(png);
        }
        png_set_filler(png, 255, PNG_FILLER_AFTER);
        if (!image.CreateAlpha()) {
            image.SetLastError("CRaster::Create can't allocate memory");
            return false;
        }
    }
    if (colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(png);
    if (image.GetEscape()) return false;

    const int passes = interlace != PNG_INTERLACE_NONE ? png_set_interlace_handling(png) : 1;
    png_read_update_info(png, info);
    // The rows as the library delivers them must be what the image expects.
    const int outChannels = png_get_channels(png, info);
    const int outDepth = png_get_bit_depth(png, info);
    const bool layoutOk =
        withAlpha ? (outChannels == 4 && outDepth == 8)
                  : (bpp == 24 ? (outChannels == 3 && outDepth == 8)
                               : (outChannels == 1 && outDepth == std::min(8, bitDepth)));
    if (!layoutOk) {
        image.SetLastError("Unsupported PNG pixel layout");
        return false;
    }
    const uint64_t rowBytes =
        std::max({uint64_t{width} * ((pixelDepth + 7) / 8) + 10,
                  uint64_t{png_get_rowbytes(png, info)}, uint64_t{image.GetRowStride()}});
    buffers.row = static_cast<uint8_t*>(std::calloc(size_t(rowBytes), 1));
    if (!buffers.row) {
        image.SetLastError("CRaster::Create can't allocate memory");
        return false;
    }
    uint8_t* row = buffers.row;
    const int32_t stride = int32_t(image.GetRowStride());
    uint8_t* alpha = image.GetAlphaPointer();

    CRasterRowIterator it(&image);
    for (int pass = 0; pass < passes; ++pass) {
        it.MoveToTop();
        for (png_uint_32 r = 0; r < height; ++r) {
            if (image.GetEscape()) return false;
            // Later passes of an interlaced file combine with what earlier passes stored.
            const bool combine = passes > 1 && pass > 0;
            if (!withAlpha) {
                if (combine) it.GetRowCopy(row, stride);
                png_read_row(png, row, nullptr);
                if (bitDepth == 2 && pass == passes - 1) CRasterPNG::Widen2BitTo4Bit(row, width);
                it.SetRow(row, stride);
                it.PrevRow();
                continue;
            }
            const uint32_t y = height - 1 - r;
            uint8_t* pixels = image.GetBits(y);
            uint8_t* alphaRow = alpha + size_t{y} * width;
            if (combine) {
                for (uint32_t x = 0; x < width; ++x) {
                    std::memcpy(row + 4 * size_t{x}, pixels + 3 * size_t{x}, 3);
                    row[4 * size_t{x} + 3] = alphaRow[x];
                }
            }
            png_read_row(png, row, nullptr);
            for (uint32_t x = 0; x < width; ++x) {
                alphaRow[x] = row[4 * size_t{x} + 3];
                std::memcpy(pixels + 3 * size_t{x}, row + 4 * size_t{x}, 3);
            }
        }
    }
    std::free(buffers.row);
    buffers.row = nullptr;
    png_read_end(png, info);
    return true;
}

// The encoding steps that may end in a libpng error; a jump lands in CRasterPNG::Encode.
// Holds no object with a destructor.
bool EncodeImage(CRaster& image, png_structp png, png_infop info, PngBuffers& buffers,
                 CRaster* sharedFrom) {
    const uint32_t width = image.GetWidth();
    const uint32_t height = image.GetHeight();
    const uint32_t colors = image.GetNumColors();
    const CRasterInfo& settings = image.GetInfo();

    png_color_16 background = {0, 255, 255, 255, 0};
    if (settings.nBkgndIndex != -1) {
        background.red = settings.nBkgndColor.rgbRed;
        background.green = settings.nBkgndColor.rgbGreen;
        background.blue = settings.nBkgndColor.rgbBlue;
    }
    png_set_bKGD(png, info, &background);
    png_set_pHYs(png, info, png_uint_32(std::max(0, image.GetXPelsPerMeter())),
                 png_uint_32(std::max(0, image.GetYPelsPerMeter())), PNG_RESOLUTION_METER);

    // A 24-bit image with a transparent colour is written with alpha: 0 where the colour is.
    const uint8_t* alpha = image.GetAlphaPointer();
    if (!alpha && colors == 0 && settings.nBkgndIndex >= 0) {
        const size_t planeSize = size_t{width} * height;
        buffers.alpha = static_cast<uint8_t*>(std::malloc(planeSize ? planeSize : 1));
        if (!buffers.alpha) return false;
        const RGBQUAD key = settings.nBkgndColor;
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* p = image.GetBits(y);
            for (uint32_t x = 0; x < width; ++x, p += 3) {
                const bool match =
                    p[0] == key.rgbBlue && p[1] == key.rgbGreen && p[2] == key.rgbRed;
                buffers.alpha[size_t{y} * width + x] = match ? 0 : 255;
            }
        }
        alpha = buffers.alpha;
    }

    if (colors != 0) {
        // A transparent index inside the palette becomes entry 0, in the caller's image too.
        const int32_t transIndex = image.GetTransIndex();
        const bool transparent = transIndex >= 0 && uint32_t(transIndex) < colors;
        if (transparent && transIndex != 0) {
            image.SwapPaletteEntries(0, uint8_t(transIndex));
            image.SetTransIndex(0);
            if (sharedFrom) sharedFrom->SetTransIndex(0);
        }
        uint32_t count = colors;
        if (colors > 2 && uint64_t{width} * height < 65536) {
            uint32_t highest = 0;
            for (uint32_t y = 0; y < height; ++y) {
                for (uint32_t x = 0; x < width; ++x) {
                    highest =
                        std::max<uint32_t>(highest, image.GetPixelIndex(int32_t(x), int32_t(y)));
                }
            }
            count = highest + 1;
        }
        buffers.palette = static_cast<png_color*>(std::malloc(sizeof(png_color) * count));
        if (!buffers.palette) return false;
        const RGBQUAD* entries = image.GetPalette();
        png_byte trans[256];
        for (uint32_t i = 0; i < count; ++i) {
            buffers.palette[i].red = entries[i].rgbRed;
            buffers.palette[i].green = entries[i].rgbGreen;
            buffers.palette[i].blue = entries[i].rgbBlue;
            trans[i] = entries[i].rgbReserved;
        }
        // An RGBA file carries its own alpha and no transparency table.
        if (!alpha) {
            if (image.IsPaletteAlphaEnabled()) {
                png_set_tRNS(png, info, trans, int(count), nullptr);
            } else if (transparent) {
                trans[0] = 0;
                png_set_tRNS(png, info, trans, 1, nullptr);
            }
        }
        png_set_PLTE(png, info, buffers.palette, int(count));
    }

    if (alpha) {
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    } else if (colors != 0) {
        png_set_IHDR(png, info, width, height, int(image.GetBpp()), PNG_COLOR_TYPE_PALETTE,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    } else {
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    }
    png_write_info(png, info);

    const uint64_t rowBytes = alpha ? uint64_t{width} * 4 : image.GetRowStride();
    buffers.row = static_cast<uint8_t*>(std::malloc(rowBytes ? size_t(rowBytes) : 1));
    if (!buffers.row) return false;
    uint8_t* row = buffers.row;
    const uint32_t alphaMax = image.GetAlphaMax();
    for (uint32_t r = 0; r < height; ++r) {
        const uint32_t y = height - 1 - r;
        if (alpha) {
            for (uint32_t x = 0; x < width; ++x) {
                const RGBQUAD c = image.GetPixelColor(int32_t(x), int32_t(y));
                row[4 * size_t{x} + 0] = c.rgbRed;
                row[4 * size_t{x} + 1] = c.rgbGreen;
                row[4 * size_t{x} + 2] = c.rgbBlue;
                row[4 * size_t{x} + 3] = uint8_t(alpha[size_t{y} * width + x] * alphaMax / 255);
            }
        } else {
            std::memcpy(row, image.GetBits(y), size_t(rowBytes));
            if (colors == 0) image.SwapRedBlue(row, int64_t(rowBytes));
        }
        png_write_row(png, row);
    }
    png_write_end(png, info);
    // libpng does not flush after the end chunk; a stream that cannot flush fails the save.
    FlushProc(png);
    return true;
}

}  // namespace

bool CRasterPNG::Decode(CRasterStream* stream) {
    if (!stream) {
        SetLastError("null file handler");
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, m_info.szLastError,
                                             DecodeErrorProc, WarningProc);
    if (!png) {
        SetLastError("Failed to create PNG structure");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        SetLastError("Failed to initialize PNG info structure");
        return false;
    }
    png_set_read_fn(png, stream, ReadProc);
    SkipUnusedChunks(png);

    PngBuffers buffers;
    volatile bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) ok = DecodeImage(*this, png, info, buffers);
    buffers.Free();
    png_destroy_read_struct(&png, &info, nullptr);
    return ok;
}

bool CRasterPNG::Encode(CRasterStream* stream) {
    if (CheckEncodeInput(stream)) return false;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, EncodeErrorProc, WarningProc);
    if (!png) {
        SetLastError("Failed to create PNG structure");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        SetLastError("Failed to initialize PNG info structure");
        return false;
    }

    PngBuffers buffers;
    volatile bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, stream, WriteProc, FlushProc);
        // libpng writes no side beyond a million pixels unless asked; the format holds 2^31 - 1.
        png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
        ok = EncodeImage(*this, png, info, buffers, m_info.pGhost);
    }
    buffers.Free();
    png_destroy_write_struct(&png, &info);
    if (!ok) SetLastError("Error saving PNG file");
    return ok;
}

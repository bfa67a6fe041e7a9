#include "CRasterTIF.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "CRasterStream.h"
#include "TiffDataBound.h"
#include "UserInterface.h"

// ---------------------------------------------------------------------------------------------
// Platform layer: libtiff over a CRasterStream, its messages routed to the user interface.
// ---------------------------------------------------------------------------------------------
namespace {

CRasterStream* StreamOf(thandle_t handle) { return static_cast<CRasterStream*>(handle); }

tmsize_t TiffStreamRead(thandle_t handle, void* buffer, tmsize_t size) {
    CRasterStream* stream = StreamOf(handle);
    if (size <= 0) return 0;
    // A read at the end returns nothing without touching the stream: libtiff probes for a
    // header when it opens a stream for writing, and a write-only file would record an error.
    const long position = stream->Tell();
    const long total = stream->Size();
    if (position < 0 || total < 0 || position >= total) return 0;
    return static_cast<tmsize_t>(stream->Read(buffer, 1, static_cast<size_t>(size)));
}

tmsize_t TiffStreamWrite(thandle_t handle, void* buffer, tmsize_t size) {
    if (size <= 0) return 0;
    return static_cast<tmsize_t>(StreamOf(handle)->Write(buffer, 1, static_cast<size_t>(size)));
}

// Answers the new position, or -1 when the stream refuses: a failure answered with 0 would
// look like a successful seek to the start and make libtiff overwrite the file header.
toff_t TiffStreamSeek(thandle_t handle, toff_t offset, int origin) {
    constexpr toff_t kFailed = static_cast<toff_t>(-1);
    CRasterStream* stream = StreamOf(handle);
    const long signedOffset = static_cast<long>(offset);
    if (origin < 0 || origin > 2 || !stream->Seek(signedOffset, origin)) return kFailed;
    if (origin == 0) return offset;
    const long position = stream->Tell();
    return position < 0 ? kFailed : static_cast<toff_t>(position);
}

// Closing does nothing: the stream belongs to the caller.
int TiffStreamClose(thandle_t) { return 0; }

toff_t TiffStreamSize(thandle_t handle) {
    const long size = StreamOf(handle)->Size();
    return size < 0 ? 0 : static_cast<toff_t>(size);
}

// No memory mapping.
int TiffStreamMap(thandle_t, void**, toff_t*) { return 0; }
void TiffStreamUnmap(thandle_t, void*, toff_t) {}

// Shows one libtiff message: the caption ("<module> Warning" or "<module> Error") on the first
// line and the expanded text below, cut to the buffer the call allocates.
void ShowTiffMessage(const char* module, const char* kind, ui::Icon icon, const char* format,
                     va_list arguments) {
    try {
        const std::string caption = std::string(module ? module : "TIFFLIB") + " " + kind;
        const size_t length = caption.size() + std::strlen(format ? format : "") + 128;
        std::vector<char> text(length + 1);
        std::vsnprintf(text.data(), text.size(), format ? format : "", arguments);
        ui::Message(caption + "\n" + text.data(), ui::Buttons::Ok, icon);
    } catch (...) {
        // Without memory for the text nothing is shown.
    }
}

void TiffWarningHandler(const char* module, const char* format, va_list arguments) {
    ShowTiffMessage(module, "Warning", ui::Icon::Information, format, arguments);
}

void TiffErrorHandler(const char* module, const char* format, va_list arguments) {
    ShowTiffMessage(module, "Error", ui::Icon::Warning, format, arguments);
}

TIFF* TiffClientOpenOverFile(CRasterStream* stream, const char* name, const char* mode) {
    static std::once_flag handlersInstalled;
    std::call_once(handlersInstalled, [] {
        TIFFSetWarningHandler(TiffWarningHandler);
        TIFFSetErrorHandler(TiffErrorHandler);
    });
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kTiffMaxBlock));
    TIFF* handle =
        TIFFClientOpenExt(name, mode, stream, TiffStreamRead, TiffStreamWrite, TiffStreamSeek,
                          TiffStreamClose, TiffStreamSize, TiffStreamMap, TiffStreamUnmap, options);
    TIFFOpenOptionsFree(options);
    return handle;
}

TIFF* TiffOpenFile(CRasterStream* stream, const char* mode) {
    return TiffClientOpenOverFile(stream, "TIFF IMAGE", mode);
}

// True when the stream starts with a classic or big TIFF header. Checked before libtiff sees
// the stream, so that auto-detection of other formats raises no TIFF error message.
bool HasTiffMagic(CRasterStream* stream) {
    const long start = stream->Tell();
    uint8_t magic[4] = {};
    const bool read = stream->ReadBytes(magic, sizeof(magic));
    stream->Seek(start, 0);
    if (!read) return false;
    const bool little =
        magic[0] == 'I' && magic[1] == 'I' && magic[3] == 0 && (magic[2] == 42 || magic[2] == 43);
    const bool big =
        magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && (magic[3] == 42 || magic[3] == 43);
    return little || big;
}

// The decoder's failures travel as these texts.
struct TiffFailure {
    const char* text;
};

uint8_t ToByte(double v) {
    if (!(v > 0.0)) return 0;
    if (v >= 255.0) return 255;
    return static_cast<uint8_t>(v);
}

// CIE L*a*b* (8-bit L, signed 8-bit a and b) to sRGB, D65 white.
void LabToBgr(const uint8_t* lab, uint8_t* bgr) {
    const double l = lab[0];
    const double a = static_cast<int8_t>(lab[1]);
    const double b = static_cast<int8_t>(lab[2]);
    const double fy = (l / 2.55 + 16.0) / 116.0;
    const double fx = fy + a * 0.002;
    const double fz = fy - b * 0.005;
    const double x = fx * fx * fx * 0.95047;
    const double y = fy * fy * fy;
    const double z = fz * fz * fz * 1.0883;
    double rgb[3] = {3.240479 * x - 1.53715 * y - 0.498535 * z,
                     -0.969256 * x + 1.875992 * y + 0.041556 * z,
                     0.055648 * x - 0.204043 * y + 1.057311 * z};
    for (double& v : rgb) {
        v = v > 0.00304 ? 1.055 * std::pow(v, 0.41667) - 0.055 : 12.92 * v;
    }
    bgr[0] = ToByte(rgb[2] * 255.0);
    bgr[1] = ToByte(rgb[1] * 255.0);
    bgr[2] = ToByte(rgb[0] * 255.0);
}

// A resolution read from the file, in pixels per inch.
double ToDpi(float value, uint16_t unit) {
    return unit == RESUNIT_CENTIMETER ? static_cast<double>(value) * 2.54 : value;
}

int32_t TruncatedOffset(float value) {
    if (!std::isfinite(value) || value <= -2147483648.0f || value >= 2147483647.0f) return 0;
    return static_cast<int32_t>(value);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CRasterTIF
// ---------------------------------------------------------------------------------------------

CRasterTIF::CRasterTIF() : CRaster(FORMAT_TIF) {}

CRasterTIF::~CRasterTIF() { CloseHandle(); }

void CRasterTIF::CloseHandle() {
    if (m_hTif) TIFFClose(m_hTif);
    m_hTif = nullptr;
    m_multipage = 0;
    m_pages = 0;
}

void CRasterTIF::CopyTileToStrip(uint8_t* destination, const uint8_t* source, uint32_t rows,
                                 size_t bytes, size_t destinationSkip, size_t sourceSkip) {
    for (uint32_t row = 0; row < rows; ++row) {
        std::memcpy(destination, source, bytes);
        destination += bytes + destinationSkip;
        source += bytes + sourceSkip;
    }
}

bool CRasterTIF::Decode(CRasterStream* stream) {
    if (!stream) {
        SetLastError("null file handler");
        return false;
    }
    if (!HasTiffMagic(stream)) {
        SetLastError("Error encountered while opening TIFF file");
        return false;
    }
    TIFF* handle = TiffOpenFile(stream, "r");
    if (!handle) {
        SetLastError("Error encountered while opening TIFF file");
        return false;
    }
    bool ok = false;
    try {
        ok = DecodeOpened(handle);
    } catch (const TiffFailure& failure) {
        SetLastError(failure.text);
    } catch (...) {
        SetLastError("No space for raster buffer");
    }
    TIFFClose(handle);
    if (!ok) Destroy();
    return ok;
}

bool CRasterTIF::DecodeOpened(TIFF* handle) {
    m_info.nNumFrames = static_cast<int32_t>(
        std::min<tdir_t>(TIFFNumberOfDirectories(handle), std::numeric_limits<int32_t>::max()));
    const int32_t frame = GetFrame();
    if (frame < 0 || frame >= m_info.nNumFrames ||
        !TIFFSetDirectory(handle, static_cast<tdir_t>(frame))) {
        throw TiffFailure{"Error: page not present in TIFF file"};
    }

    uint32_t width = 0, height = 0, rowsPerStrip = std::numeric_limits<uint32_t>::max();
    uint16_t samples = 1, bitsPerSample = 1, photometric = 0, orientation = 1;
    uint16_t planar = PLANARCONFIG_CONTIG, resolutionUnit = RESUNIT_INCH;
    TIFFGetField(handle, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(handle, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(handle, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(handle, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    TIFFGetField(handle, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    TIFFGetField(handle, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(handle, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetField(handle, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(handle, TIFFTAG_RESOLUTIONUNIT, &resolutionUnit);
    float xResolution = 0, yResolution = 0, xPosition = 0, yPosition = 0;
    const bool hasX = TIFFGetField(handle, TIFFTAG_XRESOLUTION, &xResolution) == 1;
    const bool hasY = TIFFGetField(handle, TIFFTAG_YRESOLUTION, &yResolution) == 1;
    if (hasX || hasY) {
        SetDpiFromFile(hasX ? std::trunc(ToDpi(xResolution, resolutionUnit)) : GetXDPI(),
                       hasY ? std::trunc(ToDpi(yResolution, resolutionUnit)) : GetYDPI());
    }
    const bool hasXPos = TIFFGetField(handle, TIFFTAG_XPOSITION, &xPosition) == 1;
    const bool hasYPos = TIFFGetField(handle, TIFFTAG_YPOSITION, &yPosition) == 1;
    if (hasXPos || hasYPos) {
        SetOffset(hasXPos ? TruncatedOffset(xPosition) : GetXOffset(),
                  hasYPos ? TruncatedOffset(yPosition) : GetYOffset());
    }
    SetTransIndex(-1);
    if (width == 0 || height == 0) throw TiffFailure{"Corrupted TIFF file!"};
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    TIFFGetField(handle, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    if (sampleFormat == SAMPLEFORMAT_IEEEFP) {
        throw TiffFailure{"TIFF floating-point samples are not supported"};
    }
    if (!TiffDataCanFillImage(handle, StreamOf(TIFFClientdata(handle)))) {
        throw TiffFailure{"Corrupted TIFF file!"};
    }
    if (rowsPerStrip == 0 || rowsPerStrip > height) rowsPerStrip = height;

    // Contiguous 8- and 16-bit RGB takes the own route: it keeps unassociated alpha (libtiff's
    // RGBA reader returns colours multiplied by it), reads uncompressed tiles that are padded
    // beyond their size, and applies every orientation (the RGBA reader only flips).
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    TIFFGetField(handle, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
    const bool associatedAlpha =
        extraCount > 0 && extraTypes && extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    const bool ownRgba = photometric == PHOTOMETRIC_RGB && (samples == 3 || samples == 4) &&
                         (bitsPerSample == 8 || bitsPerSample == 16) &&
                         planar == PLANARCONFIG_CONTIG && !associatedAlpha;
    const bool rgbaRoute =
        !ownRgba && ((photometric == PHOTOMETRIC_RGB && bitsPerSample >= 8) ||
                     photometric == PHOTOMETRIC_YCBCR || photometric == PHOTOMETRIC_SEPARATED ||
                     photometric == PHOTOMETRIC_LOGL || photometric == PHOTOMETRIC_LOGLUV);

    uint32_t bpp = 24;
    if (!rgbaRoute) {
        // The own route holds 1-, 4- and 8-bit indices (16-bit samples keep their high byte),
        // grey or palette with alpha, CIE L*a*b* and RGB with alpha; anything else is refused.
        const bool depthOk =
            bitsPerSample == 1 || bitsPerSample == 4 || bitsPerSample == 8 || bitsPerSample == 16;
        const bool wide = bitsPerSample >= 8;
        bool layoutOk = false;
        if (samples == 1) layoutOk = photometric != PHOTOMETRIC_PALETTE || bitsPerSample <= 8;
        if (samples == 2) layoutOk = wide && photometric != PHOTOMETRIC_PALETTE;
        if (samples == 2 && photometric == PHOTOMETRIC_PALETTE) layoutOk = bitsPerSample == 8;
        if (samples == 3 || samples == 4) {
            layoutOk = wide && (photometric == PHOTOMETRIC_CIELAB || ownRgba);
        }
        if (samples > 1 && planar != PLANARCONFIG_CONTIG) layoutOk = false;
        if (photometric == PHOTOMETRIC_RGB && !ownRgba) layoutOk = false;
        if (!depthOk || !layoutOk) throw TiffFailure{"Corrupted TIFF file!"};
        if (samples >= 3) {
            bpp = 24;
        } else if (bitsPerSample == 1) {
            bpp = 1;
        } else if (bitsPerSample == 4) {
            bpp = 4;
        } else {
            bpp = 8;
        }
    }

    if (GetEscape()) throw TiffFailure{"Cancelled"};
    if (!Create(width, height, bpp, FORMAT_TIF)) throw TiffFailure{"CRasterTIF can't create image"};
    if (samples == 4 || (samples == 2 && bitsPerSample >= 8)) {
        if (!CreateAlpha()) throw TiffFailure{"No space for raster buffer"};
    }

    if (rgbaRoute) return ReadRgba(handle, samples);

    if (bpp <= 8) {
        RGBQUAD table[256] = {};
        const uint32_t n = GetNumColors();
        if ((photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) &&
            bitsPerSample == 1) {
            const int white = photometric == PHOTOMETRIC_MINISBLACK ? 1 : 0;
            table[white] = RGBQUAD{255, 255, 255, 0};
        } else if (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) {
            const uint32_t step = 255 / (n - 1);
            for (uint32_t i = 0; i < n; ++i) {
                uint32_t v = step * i;
                if (photometric == PHOTOMETRIC_MINISWHITE) v = 255 - v;
                const auto g = static_cast<uint8_t>(v);
                table[i] = RGBQUAD{g, g, g, 0};
            }
        } else if (photometric == PHOTOMETRIC_PALETTE) {
            uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
            if (!TIFFGetField(handle, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green ||
                !blue) {
                throw TiffFailure{"Unable to allocate TIFF palette"};
            }
            const uint32_t entries = std::min<uint32_t>(1u << bitsPerSample, 256);
            bool wideValues = false;
            for (uint32_t i = 0; i < entries; ++i) {
                if (red[i] >= 256 || green[i] >= 256 || blue[i] >= 256) wideValues = true;
            }
            auto scale = [wideValues](uint16_t v) {
                return static_cast<uint8_t>(wideValues ? uint32_t{v} * 255 / 65535 : v & 0xFF);
            };
            for (uint32_t i = 0; i < entries; ++i) {
                table[i] = RGBQUAD{scale(blue[i]), scale(green[i]), scale(red[i]), 0};
            }
        }
        SetPalette(table, n);
    }

    if (!ReadBands(handle, samples, bitsPerSample, rowsPerStrip, photometric)) return false;

    switch (orientation) {
        case ORIENTATION_TOPRIGHT:
            Mirror();
            break;
        case ORIENTATION_BOTRIGHT:
            Flip();
            Mirror();
            break;
        case ORIENTATION_BOTLEFT:
            Flip();
            break;
        case ORIENTATION_LEFTTOP:
            RotateRight();
            Mirror();
            break;
        case ORIENTATION_RIGHTTOP:
            RotateRight();
            break;
        case ORIENTATION_RIGHTBOT:
            RotateLeft();
            Mirror();
            break;
        case ORIENTATION_LEFTBOT:
            RotateLeft();
            break;
        default:
            break;
    }
    return true;
}

bool CRasterTIF::ReadRgba(TIFF* handle, uint32_t samples) {
    const uint32_t width = GetWidth();
    const uint32_t height = GetHeight();
    const uint64_t bytes = TiffCheckedProduct(TiffCheckedProduct(width, height), 4);
    if (bytes > kTiffMaxBlock) throw TiffFailure{"No space for raster buffer"};
    std::vector<uint32_t> raster(static_cast<size_t>(bytes / 4));
    if (!TIFFReadRGBAImage(handle, width, height, raster.data(), 1)) {
        throw TiffFailure{"Corrupted TIFF file!"};
    }
    // The RGBA raster runs bottom-up like the image.
    for (uint32_t y = 0; y < height; ++y) {
        if (GetEscape()) throw TiffFailure{"Cancelled"};
        const uint32_t* in = raster.data() + static_cast<size_t>(y) * width;
        uint8_t* out = GetBits(y);
        for (uint32_t x = 0; x < width; ++x) {
            out[3 * x + 0] = static_cast<uint8_t>(TIFFGetB(in[x]));
            out[3 * x + 1] = static_cast<uint8_t>(TIFFGetG(in[x]));
            out[3 * x + 2] = static_cast<uint8_t>(TIFFGetR(in[x]));
            if (samples == 4)
                SetAlpha(static_cast<int32_t>(x), static_cast<int32_t>(y),
                         static_cast<uint8_t>(TIFFGetA(in[x])));
        }
    }
    return true;
}

bool CRasterTIF::ReadBands(TIFF* handle, uint32_t samples, uint32_t bitsPerSample,
                           uint32_t rowsPerStrip, uint16_t photometric) {
    const uint32_t width = GetWidth();
    const uint32_t height = GetHeight();
    const uint64_t bitsPerPixel = uint64_t{bitsPerSample} * samples;
    const uint64_t rowSize = (bitsPerPixel * width + 7) / 8;
    const bool tiled = TIFFIsTiled(handle) != 0;

    uint32_t tileWidth = 0, tileLength = 0;
    uint64_t tileRow = 0, tileSize = 0;
    if (tiled) {
        TIFFGetField(handle, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(handle, TIFFTAG_TILELENGTH, &tileLength);
        tileRow = static_cast<uint64_t>(TIFFTileRowSize64(handle));
        tileSize = static_cast<uint64_t>(TIFFTileSize64(handle));
        // Tile columns must start on whole bytes and a tile must hold its rows.
        if (tileWidth == 0 || tileLength == 0 || (uint64_t{tileWidth} * bitsPerPixel) % 8 != 0 ||
            tileRow != (uint64_t{tileWidth} * bitsPerPixel + 7) / 8 ||
            tileSize < TiffCheckedProduct(tileRow, tileLength) || tileSize > kTiffMaxBlock) {
            throw TiffFailure{"Corrupted tiled TIFF file!"};
        }
        rowsPerStrip = std::min(tileLength, height);
    }
    const uint64_t bandSize = TiffCheckedProduct(rowSize, rowsPerStrip);
    if (bandSize > kTiffMaxBlock) throw TiffFailure{"No space for raster buffer"};
    std::vector<uint8_t> band(static_cast<size_t>(bandSize));
    std::vector<uint8_t> tile(static_cast<size_t>(tileSize));

    const uint32_t stride = GetRowStride();
    const size_t pixelBytes = static_cast<size_t>((uint64_t{GetBpp()} * width + 7) / 8);
    for (uint64_t r = 0; r < height; r += rowsPerStrip) {
        if (GetEscape()) throw TiffFailure{"Cancelled"};
        const auto n = static_cast<uint32_t>(std::min<uint64_t>(rowsPerStrip, height - r));
        if (tiled) {
            for (uint64_t c = 0; c < width; c += tileWidth) {
                if (TIFFReadTile(handle, tile.data(), static_cast<uint32_t>(c),
                                 static_cast<uint32_t>(r), 0, 0) < 0) {
                    throw TiffFailure{"Corrupted tiled TIFF file!"};
                }
                // Byte column of this tile in a band row, and the bytes of it inside the image.
                const uint64_t b = c * bitsPerPixel / 8;
                const uint64_t bytes = std::min(tileRow, rowSize - b);
                CopyTileToStrip(band.data() + b, tile.data(), n, static_cast<size_t>(bytes),
                                static_cast<size_t>(rowSize - bytes),
                                static_cast<size_t>(tileRow - bytes));
            }
        } else {
            const tmsize_t wanted = static_cast<tmsize_t>(rowSize * n);
            const tstrip_t strip = TIFFComputeStrip(handle, static_cast<uint32_t>(r), 0);
            if (TIFFReadEncodedStrip(handle, strip, band.data(), wanted) < wanted) {
                throw TiffFailure{"Corrupted TIFF file!"};
            }
        }

        for (uint32_t k = 0; k < n; ++k) {
            uint8_t* in = band.data() + static_cast<size_t>(k * rowSize);
            const auto y = static_cast<int32_t>(height - 1 - (r + k));
            uint8_t* out = GetBits(static_cast<uint32_t>(y));
            const size_t values = static_cast<size_t>(width) * samples;
            if (bitsPerSample == 16) {
                for (size_t i = 0; i < values; ++i) {
                    uint16_t sample;
                    std::memcpy(&sample, in + 2 * i, sizeof(sample));
                    in[i] = static_cast<uint8_t>(sample >> 8);
                }
            }
            if (samples == 1) {
                std::memcpy(out, in, std::min<size_t>(pixelBytes, stride));
            } else if (samples == 2) {
                for (uint32_t x = 0; x < width; ++x) {
                    out[x] = in[2 * x];
                    SetAlpha(static_cast<int32_t>(x), y, in[2 * x + 1]);
                }
            } else {
                for (uint32_t x = 0; x < width; ++x) {
                    const uint8_t* pixel = in + static_cast<size_t>(x) * samples;
                    if (photometric == PHOTOMETRIC_RGB) {
                        out[3 * x + 0] = pixel[2];
                        out[3 * x + 1] = pixel[1];
                        out[3 * x + 2] = pixel[0];
                    } else {
                        LabToBgr(pixel, out + 3 * x);
                    }
                    if (samples == 4) SetAlpha(static_cast<int32_t>(x), y, pixel[3]);
                }
            }
        }
    }
    return true;
}

bool CRasterTIF::Encode(CRasterStream* stream, bool append) {
    if (CheckEncodeInput(stream)) {
        CloseHandle();
        return false;
    }
    if (!m_hTif) {
        m_hTif = TiffOpenFile(stream, "a");
        if (!m_hTif) {
            SetLastError("initialization fail");
            CloseHandle();
            return false;
        }
    }
    if (append || m_pages > 0) m_multipage = 1;
    ++m_pages;

    bool ok = false;
    try {
        ok = WritePage(m_hTif, m_multipage != 0, m_pages, m_pages);
    } catch (...) {
        ok = false;
    }
    if (!ok) {
        SetLastError("Error saving TIFF file");
        CloseHandle();
        return false;
    }
    if (append) {
        if (!TIFFWriteDirectory(m_hTif)) {
            SetLastError("Error saving TIFF directory");
            CloseHandle();
            return false;
        }
        return true;
    }
    // Flushing writes the last directory; closing alone would not report a failed write.
    const bool flushed = TIFFFlush(m_hTif) == 1;
    CloseHandle();
    if (!flushed) {
        SetLastError("Error saving TIFF file");
        return false;
    }
    return true;
}

bool CRasterTIF::WritePage(TIFF* handle, bool multiPage, int32_t page, int32_t pageCount) {
    const uint32_t width = GetWidth();
    const uint32_t height = GetHeight();
    const uint32_t bpp = GetBpp();
    const bool alpha = HasAlpha() && (bpp == 8 || bpp == 24);

    uint16_t samples = bpp == 24 ? 3 : 1;
    if (alpha) ++samples;
    const auto bitsPerSample = static_cast<uint16_t>(bpp == 24 ? 8 : bpp);
    const uint32_t filePixelBits = uint32_t{bitsPerSample} * samples;

    // 1 bit: written white-is-zero; when entry 0 is the darker one the written bits are
    // inverted (the image itself is left as it is).
    bool invert = false;
    uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    const RGBQUAD* palette = GetPalette();
    const uint32_t colors = GetNumColors();
    if (bpp == 1) {
        invert = palette && CompareByLuminance(&palette[0], &palette[1]) < 0;
    } else if (bpp == 4 || bpp == 8) {
        // Black-is-zero only for the grey ramp the decoder rebuilds, so the colours survive.
        const uint32_t step = 255 / (colors - 1);
        bool grey = palette != nullptr;
        for (uint32_t i = 0; grey && i < colors; ++i) {
            const auto v = static_cast<uint8_t>(step * i);
            grey = palette[i].rgbRed == v && palette[i].rgbGreen == v && palette[i].rgbBlue == v;
        }
        photometric = grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_PALETTE;
    } else if (bpp == 24) {
        photometric = PHOTOMETRIC_RGB;
    }

    TIFFSetField(handle, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(handle, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(handle, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(handle, TIFFTAG_BITSPERSAMPLE, bitsPerSample);
    TIFFSetField(handle, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(handle, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(handle, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    if (alpha) {
        // Independent readers take the last sample as alpha only when the file says so.
        const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(handle, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    TIFFSetField(handle, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(handle, TIFFTAG_XRESOLUTION, static_cast<float>(GetXDPI()));
    TIFFSetField(handle, TIFFTAG_YRESOLUTION, static_cast<float>(GetYDPI()));
    if (multiPage) {
        char name[32];
        std::snprintf(name, sizeof(name), "Page %d", page);
        TIFFSetField(handle, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(handle, TIFFTAG_PAGENUMBER, static_cast<uint16_t>(page),
                     static_cast<uint16_t>(pageCount));
        TIFFSetField(handle, TIFFTAG_PAGENAME, name);
    } else {
        TIFFSetField(handle, TIFFTAG_SUBFILETYPE, 0);
    }

    if (photometric == PHOTOMETRIC_PALETTE) {
        std::vector<uint16_t> map(3 * 256, 0);
        for (uint32_t i = 0; i < colors; ++i) {
            map[i] = static_cast<uint16_t>(palette[i].rgbRed * 65535u / 255u);
            map[256 + i] = static_cast<uint16_t>(palette[i].rgbGreen * 65535u / 255u);
            map[512 + i] = static_cast<uint16_t>(palette[i].rgbBlue * 65535u / 255u);
        }
        TIFFSetField(handle, TIFFTAG_COLORMAP, map.data(), map.data() + 256, map.data() + 512);
    }

    uint32_t compression = GetCodecOption();
    if (compression == 0) {
        switch (bpp == 24 && alpha ? 32 : bpp) {
            case 1:
                compression = COMPRESSION_CCITTFAX4;
                break;
            case 8:
                compression = COMPRESSION_PACKBITS;
                break;
            case 24:
            case 32:
                compression = COMPRESSION_JPEG;
                break;
            default:
                compression = COMPRESSION_NONE;
                break;
        }
    }
    if (!TIFFSetField(handle, TIFFTAG_COMPRESSION, compression)) return false;
    uint32_t rowsPerStrip = TIFFDefaultStripSize(handle, 0);
    if (compression == COMPRESSION_JPEG) {
        TIFFSetField(handle, TIFFTAG_JPEGQUALITY, static_cast<int>(GetJpegQuality()));
        rowsPerStrip = (rowsPerStrip + 7) / 8 * 8;
    } else if (compression == COMPRESSION_LZW && bitsPerSample == 8) {
        // Horizontal differencing works on whole bytes only.
        TIFFSetField(handle, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    }
    TIFFSetField(handle, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);

    // libtiff may change the row it is given (predictor, byte order): hand it a copy.
    std::vector<uint8_t> row(static_cast<size_t>((uint64_t{filePixelBits} * width + 7) / 8) + 4);
    const size_t rowBytes = static_cast<size_t>((uint64_t{bpp} * width + 7) / 8);
    for (uint32_t fileRow = 0; fileRow < height; ++fileRow) {
        const uint32_t y = height - 1 - fileRow;
        const uint8_t* in = GetBits(y);
        if (!alpha && bpp <= 8) {
            std::memcpy(row.data(), in, rowBytes);
            if (invert) {
                for (size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<uint8_t>(~row[i]);
            }
        } else if (bpp == 8) {
            for (uint32_t x = 0; x < width; ++x) {
                row[2 * x] = in[x];
                row[2 * x + 1] = GetAlpha(static_cast<int32_t>(x), static_cast<int32_t>(y));
            }
        } else {
            uint8_t* out = row.data();
            for (uint32_t x = 0; x < width; ++x) {
                *out++ = in[3 * x + 2];
                *out++ = in[3 * x + 1];
                *out++ = in[3 * x + 0];
                if (alpha) *out++ = GetAlpha(static_cast<int32_t>(x), static_cast<int32_t>(y));
            }
        }
        if (TIFFWriteScanline(handle, row.data(), fileRow, 0) == -1) return false;
    }
    return true;
}

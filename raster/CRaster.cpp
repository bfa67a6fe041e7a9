#include "CRaster.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "PixelMemory.h"

namespace {

uint32_t RoundBpp(uint32_t bpp) {
    if (bpp <= 1) return 1;
    if (bpp <= 4) return 4;
    if (bpp <= 8) return 8;
    return 24;
}

// Bytes of one pixel row, padded to a multiple of 4.
uint64_t RowStride(uint32_t width, uint32_t bpp) {
    return ((uint64_t{bpp} * width + 31) >> 5) << 2;
}

uint32_t ColorsForBpp(uint32_t bpp) {
    switch (bpp) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

int32_t PelsPerMeter(int32_t dpi) {
    return static_cast<int32_t>(std::floor(dpi * 10000.0 / 254.0 + 0.5));
}

// DPI values from files are doubles of any value; keep only what fits a sane int.
bool IsUsableDpi(double dpi) { return std::isfinite(dpi) && dpi >= 1.0 && dpi <= 1.0e6; }

// Pixels per metre that read back as the DPI: the given value when it does, else the DPI's.
int32_t PelsForDpi(int32_t pels, int32_t dpi) {
    const double fromPels = pels * 254.0 / 10000.0;
    if (IsUsableDpi(fromPels) && static_cast<int32_t>(fromPels + 0.5) == dpi) return pels;
    return PelsPerMeter(dpi);
}

}  // namespace

CRaster::CRaster(uint32_t imageType) { InitDefaults(imageType); }

CRaster::CRaster(uint32_t width, uint32_t height, uint32_t bpp, uint32_t imageType) {
    InitDefaults(imageType);
    Create(width, height, bpp, imageType);
}

CRaster::CRaster(const CRaster& src, bool copyPixels, bool copySelection, bool copyAlpha) {
    InitDefaults(src.GetType());
    Copy(src, copyPixels, copySelection, copyAlpha);
}

CRaster::~CRaster() { Destroy(); }

void CRaster::InitDefaults(uint32_t imageType) {
    m_pDib = nullptr;
    m_pSelection = nullptr;
    m_pAlpha = nullptr;
    m_pLayers = nullptr;
    std::memset(&m_head, 0, sizeof(m_head));
    std::memset(&m_info, 0, sizeof(m_info));
    m_info.dwType = imageType;
    m_info.nQuality = 75;
    m_info.nAlphaMax = 255;
    m_info.nBkgndIndex = -1;
    m_info.bEnabled = 1;
    SetXDPI(96);
    SetYDPI(96);
}

uint64_t CRaster::BlockBytes(uint32_t width, uint32_t height, uint32_t bpp) {
    bpp = RoundBpp(bpp);
    return sizeof(BITMAPINFOHEADER) + 4ull * ColorsForBpp(bpp) + RowStride(width, bpp) * height;
}

void* CRaster::Create(uint32_t width, uint32_t height, uint32_t bpp, uint32_t imageType) {
    Destroy();
    // Widths and heights are stored as signed header fields; larger values are not images.
    if (width > INT32_MAX || height > INT32_MAX) {
        SetLastError("RASTER_MAX_MEMORY exceeded");
        return nullptr;
    }
    bpp = RoundBpp(bpp);
    const uint32_t colors = ColorsForBpp(bpp);
    const uint64_t stride = RowStride(width, bpp);
    const uint64_t pixelBytes = stride * height;
    const uint64_t total = BlockBytes(width, height, bpp);
    if (total > RASTER_MAX_MEMORY) {
        SetLastError("RASTER_MAX_MEMORY exceeded");
        return nullptr;
    }

    // Zero-filled, so that a reader stopping early never shows old heap contents.
    void* block = pixelmemory::Allocate(static_cast<size_t>(total));
    if (!block) {
        SetLastError("CRaster::Create can't allocate memory");
        return nullptr;
    }

    m_info.dwEffWidth = static_cast<uint32_t>(stride);
    m_info.dwType = imageType;
    m_info.last_c_isvalid = 0;
    m_head.biSize = sizeof(BITMAPINFOHEADER);
    m_head.biWidth = static_cast<int32_t>(width);
    m_head.biHeight = static_cast<int32_t>(height);
    m_head.biPlanes = 1;
    m_head.biBitCount = static_cast<uint16_t>(bpp);
    m_head.biCompression = 0;
    m_head.biSizeImage = static_cast<uint32_t>(pixelBytes);
    m_head.biClrUsed = colors;
    m_head.biClrImportant = 0;

    m_pDib = block;
    std::memcpy(m_pDib, &m_head, sizeof(m_head));
    m_info.pImage = GetBits(0);
    return m_pDib;
}

void CRaster::Destroy() {
    if (m_info.pGhost) return;
    if (m_pLayers) {
        for (int32_t i = 0; i < m_info.nNumLayers; ++i) delete m_pLayers[i];
        std::free(m_pLayers);
        m_pLayers = nullptr;
    }
    std::free(m_pSelection);
    std::free(m_pAlpha);
    std::free(m_pDib);
    m_pSelection = nullptr;
    m_pAlpha = nullptr;
    m_pDib = nullptr;
    m_info.pImage = nullptr;
}

void CRaster::Copy(const CRaster& src, bool copyPixels, bool copySelection, bool copyAlpha) {
    if (&src == this) return;
    // Destroy first: the info record copied below must not make this image look shared.
    Destroy();
    std::memcpy(&m_info, &src.m_info, sizeof(m_info));
    m_info.pGhost = nullptr;
    m_info.pImage = nullptr;
    m_info.nNumLayers = 0;
    CopyResolution(src);
    if (!src.IsValid()) return;
    if (!Create(src.GetWidth(), src.GetHeight(), src.GetBpp(), src.GetType())) return;

    if (copyPixels) {
        std::memcpy(m_pDib, src.m_pDib, GetSize());
        std::memcpy(&m_head, src.m_pDib, sizeof(m_head));
        // The block's header copy may predate a change of resolution.
        CopyResolution(src);
        m_info.pImage = GetBits(0);
    } else {
        SetPalette(src.GetPalette(), 256);
    }
    const size_t planeSize = size_t{GetWidth()} * GetHeight();
    if (copySelection && src.m_pSelection) {
        m_pSelection = static_cast<uint8_t*>(std::malloc(planeSize ? planeSize : 1));
        if (m_pSelection) std::memcpy(m_pSelection, src.m_pSelection, planeSize);
    }
    if (copyAlpha && src.m_pAlpha) {
        m_pAlpha = static_cast<uint8_t*>(std::malloc(planeSize ? planeSize : 1));
        if (m_pAlpha) std::memcpy(m_pAlpha, src.m_pAlpha, planeSize);
    }
}

void CRaster::CopyInfo(const CRaster& src) {
    if (m_pDib || &src == this) return;
    std::memcpy(&m_info, &src.m_info, sizeof(m_info));
    // Only settings travel: never the source's buffers or its sharing state.
    m_info.pGhost = nullptr;
    m_info.pImage = nullptr;
    m_info.nNumLayers = 0;
    CopyResolution(src);
}

void CRaster::CopyResolution(const CRaster& src) {
    m_head.biXPelsPerMeter = src.m_head.biXPelsPerMeter;
    m_head.biYPelsPerMeter = src.m_head.biYPelsPerMeter;
}

void CRaster::MoveFrom(CRaster& src) {
    if (&src == this) return;
    Destroy();
    std::memcpy(&m_head, &src.m_head, sizeof(m_head));
    std::memcpy(&m_info, &src.m_info, sizeof(m_info));
    // A moved image owns what it received, whatever the source was.
    m_info.pGhost = nullptr;
    m_pDib = src.m_pDib;
    m_pSelection = src.m_pSelection;
    m_pAlpha = src.m_pAlpha;
    m_pLayers = src.m_pLayers;

    std::memset(&src.m_head, 0, sizeof(src.m_head));
    std::memset(&src.m_info, 0, sizeof(src.m_info));
    src.m_pDib = nullptr;
    src.m_pSelection = nullptr;
    src.m_pAlpha = nullptr;
    src.m_pLayers = nullptr;
}

void CRaster::ShareFrom(const CRaster* src) {
    if (!src || src == this) return;
    Destroy();
    std::memcpy(&m_head, &src->m_head, sizeof(m_head));
    std::memcpy(&m_info, &src->m_info, sizeof(m_info));
    m_pDib = src->m_pDib;
    m_pSelection = src->m_pSelection;
    m_pAlpha = src->m_pAlpha;
    m_pLayers = src->m_pLayers;
    m_info.pGhost = const_cast<CRaster*>(src);
}

uint32_t CRaster::GetSize() const {
    return m_head.biSize + m_head.biSizeImage + 4 * m_head.biClrUsed;
}

uint8_t* CRaster::GetBits(uint32_t row) const {
    if (!m_pDib) return nullptr;
    uint8_t* pixels = static_cast<uint8_t*>(m_pDib) + m_head.biSize + 4 * m_head.biClrUsed;
    if (row == 0) return pixels;
    if (row < GetHeight()) return pixels + size_t{row} * m_info.dwEffWidth;
    return nullptr;
}

bool CRaster::IsInside(int32_t x, int32_t y) const {
    return x >= 0 && y >= 0 && x < m_head.biWidth && y < m_head.biHeight;
}

void CRaster::Clear(uint8_t value) {
    if (m_pDib) std::memset(GetBits(0), value, m_head.biSizeImage);
}

void CRaster::SetLastError(const char* text) {
    std::strncpy(m_info.szLastError, text ? text : "", sizeof(m_info.szLastError) - 1);
    m_info.szLastError[sizeof(m_info.szLastError) - 1] = '\0';
}

uint32_t CRaster::GetColorType() const {
    if (m_pAlpha) return 4;
    return m_head.biBitCount <= 8 ? 1 : 2;
}

void CRaster::SetXDPI(int32_t dpi) {
    m_info.xDPI = dpi;
    m_head.biXPelsPerMeter = PelsPerMeter(dpi);
}

void CRaster::SetYDPI(int32_t dpi) {
    m_info.yDPI = dpi;
    m_head.biYPelsPerMeter = PelsPerMeter(dpi);
}

int32_t CRaster::GetXPelsPerMeter() const {
    return PelsForDpi(m_head.biXPelsPerMeter, m_info.xDPI);
}

int32_t CRaster::GetYPelsPerMeter() const {
    return PelsForDpi(m_head.biYPelsPerMeter, m_info.yDPI);
}

void CRaster::SetDpiFromFile(double xDpi, double yDpi) {
    SetXDPI(IsUsableDpi(xDpi) ? static_cast<int32_t>(xDpi + 0.5) : 96);
    SetYDPI(IsUsableDpi(yDpi) ? static_cast<int32_t>(yDpi + 0.5) : 96);
}

void CRaster::ConvertBitfieldsToRgb(const uint8_t* src, uint32_t redMask, uint32_t greenMask,
                                    uint32_t blueMask, uint8_t srcBpp) {
    if (!m_pDib || !src || m_head.biBitCount != 24) return;
    const uint32_t width = GetWidth();
    const uint32_t height = GetHeight();
    if (srcBpp == 16) {
        auto bits16 = [](uint32_t mask) { return std::popcount(mask & 0xFFFFu); };
        const int nr = bits16(redMask), ng = bits16(greenMask), nb = bits16(blueMask);
        // Shift counts come from file masks: a negative count shifts the other way and a
        // count of 32 or more leaves nothing.
        auto shift = [](uint32_t v, int right) -> uint8_t {
            if (right >= 32 || right <= -32) return 0;
            return static_cast<uint8_t>(right >= 0 ? (v >> right) : (v << -right));
        };
        const size_t srcStride = size_t{(width + 1) / 2} * 4;
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* s = src + y * srcStride;
            uint8_t* d = GetBits(y);
            for (uint32_t x = 0; x < width; ++x) {
                const uint32_t w = s[2 * x] | (s[2 * x + 1] << 8);
                d[3 * x + 0] = shift(w & blueMask, -(8 - nr));
                d[3 * x + 1] = shift(w & greenMask, nr + ng - 8);
                d[3 * x + 2] = shift(w & redMask, nr + ng + nb - 8);
            }
        }
    } else if (srcBpp == 32) {
        const size_t srcStride = size_t{width} * 4;
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* s = src + y * srcStride;
            uint8_t* d = GetBits(y);
            for (uint32_t x = 0; x < width; ++x) {
                d[3 * x + 0] = s[4 * x + 0];
                d[3 * x + 1] = s[4 * x + 1];
                d[3 * x + 2] = s[4 * x + 2];
            }
        }
    }
}

// Palette and pixel access and sampling of CRaster.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "CRaster.h"

namespace {

// The 256-colour standard palette, as red, green, blue triples.
struct Rgb {
    uint8_t r, g, b;
};

constexpr Rgb kStandard16[16] = {
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
    {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

constexpr Rgb kHues[18] = {{255, 170, 0}, {255, 85, 0},   {254, 0, 0},   {255, 0, 85},
                           {255, 0, 170}, {254, 0, 254},  {170, 0, 255}, {85, 0, 255},
                           {0, 0, 254},   {0, 85, 255},   {0, 170, 255}, {0, 254, 254},
                           {0, 255, 170}, {0, 255, 85},   {0, 254, 0},   {85, 255, 0},
                           {170, 255, 0}, {254, 254, 0}};

// The first hue group as the standard palette has it.
constexpr Rgb kFirstGroup[12] = {{255, 240, 212}, {255, 226, 177}, {255, 212, 142}, {255, 198, 107},
                                 {255, 184, 72},  {255, 170, 37},  {255, 170, 0},   {220, 146, 0},
                                 {185, 122, 0},   {150, 98, 0},    {115, 74, 0},    {80, 50, 0}};

// One hue group: six tints running toward white, the hue, five shades darker step by step.
// The other groups follow the first group's steps: shades lose ceil(c * 35 / 255) per step.
void FillHueGroup(uint32_t groupIndex, Rgb* group) {
    if (groupIndex == 0) {
        std::copy(std::begin(kFirstGroup), std::end(kFirstGroup), group);
        return;
    }
    const Rgb& hue = kHues[groupIndex];
    for (int k = 0; k < 6; ++k) {
        auto tint = [&](uint8_t c) { return static_cast<uint8_t>(c + (255 - c) * (6 - k) / 7); };
        group[k] = {tint(hue.r), tint(hue.g), tint(hue.b)};
    }
    group[6] = hue;
    for (int k = 1; k <= 5; ++k) {
        auto shade = [&](uint8_t c) { return static_cast<uint8_t>(c - k * ((c * 35 + 254) / 255)); };
        group[6 + k] = {shade(hue.r), shade(hue.g), shade(hue.b)};
    }
}

}  // namespace

RGBQUAD CRaster::ColorRefToRgbQuad(COLORREF color) {
    return RGBQUAD{static_cast<uint8_t>((color >> 16) & 0xFF),
                   static_cast<uint8_t>((color >> 8) & 0xFF), static_cast<uint8_t>(color & 0xFF),
                   0};
}

RGBQUAD* CRaster::GetPalette() const {
    if (!m_pDib || m_head.biClrUsed == 0) return nullptr;
    return reinterpret_cast<RGBQUAD*>(static_cast<uint8_t*>(m_pDib) + m_head.biSize);
}

uint32_t CRaster::GetPaletteSize() const { return 4 * m_head.biClrUsed; }

RGBQUAD CRaster::GetPaletteColor(uint8_t index) const {
    const RGBQUAD* palette = GetPalette();
    if (!palette || index >= m_head.biClrUsed) return RGBQUAD{0, 0, 0, 0};
    return palette[index];
}

bool CRaster::GetPaletteColor(uint8_t index, uint8_t* red, uint8_t* green, uint8_t* blue) const {
    const RGBQUAD* palette = GetPalette();
    if (!palette || index >= m_head.biClrUsed) return false;
    if (red) *red = palette[index].rgbRed;
    if (green) *green = palette[index].rgbGreen;
    if (blue) *blue = palette[index].rgbBlue;
    return true;
}

void CRaster::SetPaletteColor(uint8_t index, uint8_t red, uint8_t green, uint8_t blue,
                              uint8_t alpha) {
    SetPaletteColor(index, RGBQUAD{blue, green, red, alpha});
}

void CRaster::SetPaletteColor(uint8_t index, RGBQUAD color) {
    RGBQUAD* palette = GetPalette();
    if (!palette || index >= m_head.biClrUsed) return;
    palette[index] = color;
    m_info.last_c_isvalid = 0;
}

void CRaster::SetPalette(const RGBQUAD* palette, uint32_t count) {
    RGBQUAD* own = GetPalette();
    if (!own || !palette) return;
    const uint64_t bytes = std::min<uint64_t>(4ull * count, GetPaletteSize());
    std::memmove(own, palette, static_cast<size_t>(bytes));
    m_info.last_c_isvalid = 0;
}

void CRaster::SetPalette(const uint8_t* rgb, uint32_t count) {
    RGBQUAD* own = GetPalette();
    if (!own || !rgb) return;
    const uint32_t n = std::min(count, m_head.biClrUsed);
    for (uint32_t i = 0; i < n; ++i) {
        own[i].rgbRed = rgb[3 * i];
        own[i].rgbGreen = rgb[3 * i + 1];
        own[i].rgbBlue = rgb[3 * i + 2];
    }
    m_info.last_c_isvalid = 0;
}

void CRaster::SetPalette(uint32_t count, const uint8_t* red, const uint8_t* green,
                         const uint8_t* blue) {
    RGBQUAD* own = GetPalette();
    if (!own || !red) return;
    if (!green) green = red;
    if (!blue) blue = green;
    const uint32_t n = std::min(count, m_head.biClrUsed);
    for (uint32_t i = 0; i < n; ++i) {
        own[i].rgbRed = red[i];
        own[i].rgbGreen = green[i];
        own[i].rgbBlue = blue[i];
    }
    m_info.last_c_isvalid = 0;
}

void CRaster::SetGrayPalette() {
    RGBQUAD* own = GetPalette();
    const uint32_t n = m_head.biClrUsed;
    if (!own || n < 2) return;
    const uint32_t step = 255 / (n - 1);
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t v = static_cast<uint8_t>(i * step);
        own[i].rgbRed = own[i].rgbGreen = own[i].rgbBlue = v;
    }
    m_info.last_c_isvalid = 0;
}

bool CRaster::IsGrayScale() const {
    const RGBQUAD* own = GetPalette();
    if (!own) return false;
    for (uint32_t i = 0; i < m_head.biClrUsed; ++i) {
        if (own[i].rgbBlue != i || own[i].rgbGreen != i || own[i].rgbRed != i) return false;
    }
    return true;
}

void CRaster::SetStandardPalette() {
    RGBQUAD* own = GetPalette();
    if (!own) return;
    auto put = [own](uint32_t i, Rgb c) { own[i] = RGBQUAD{c.b, c.g, c.r, 0}; };
    if (m_head.biBitCount == 4) {
        for (uint32_t i = 0; i < 16; ++i) put(i, kStandard16[i]);
    } else if (m_head.biBitCount == 8) {
        for (uint32_t i = 0; i < 8; ++i) put(i, kStandard16[i]);
        put(8, {192, 220, 192});
        put(9, {166, 202, 240});
        for (uint32_t g = 0; g < 18; ++g) {
            Rgb group[12];
            FillHueGroup(g, group);
            for (uint32_t k = 0; k < 12; ++k) put(10 + 12 * g + k, group[k]);
        }
        for (uint32_t i = 0; i < 20; ++i) {
            const uint8_t v = static_cast<uint8_t>(242 - 12 * i);
            put(226 + i, {v, v, v});
        }
        put(246, {255, 251, 240});
        put(247, {160, 160, 164});
        put(248, {128, 128, 128});
        for (uint32_t i = 0; i < 7; ++i) put(249 + i, kStandard16[9 + i]);
    } else {
        return;
    }
    m_info.last_c_isvalid = 0;
}

void CRaster::SwapPaletteEntries(uint8_t a, uint8_t b) {
    RGBQUAD* own = GetPalette();
    if (!own || a >= m_head.biClrUsed || b >= m_head.biClrUsed) return;
    std::swap(own[a], own[b]);
    m_info.last_c_isvalid = 0;
    if (a == b) return;
    for (int32_t y = 0; y < m_head.biHeight; ++y) {
        for (int32_t x = 0; x < m_head.biWidth; ++x) {
            const uint8_t i = GetPixelIndex(x, y);
            if (i == a) SetPixelIndex(x, y, b);
            else if (i == b) SetPixelIndex(x, y, a);
        }
    }
}

void CRaster::SetImportantColors(uint32_t count) {
    if (count == 0 || count > 256) {
        m_head.biClrImportant = 0;
        return;
    }
    switch (m_head.biBitCount) {
        case 1: m_head.biClrImportant = std::min(count, 2u); break;
        case 4: m_head.biClrImportant = std::min(count, 16u); break;
        case 8: m_head.biClrImportant = count; break;
        default: break;
    }
}

RGBQUAD CRaster::GetTransparentColor() const {
    if (m_head.biBitCount < 24 && m_info.nBkgndIndex != -1) {
        // The index comes from files; the checked palette access keeps it inside the palette.
        return GetPaletteColor(static_cast<uint8_t>(m_info.nBkgndIndex));
    }
    return m_info.nBkgndColor;
}

bool CRaster::HasPaletteAlpha() const {
    const RGBQUAD* own = GetPalette();
    if (!own) return false;
    for (uint32_t i = 0; i < m_head.biClrUsed; ++i) {
        if (own[i].rgbReserved != 0) return true;
    }
    return false;
}

int CRaster::CompareByLuminance(const void* p, const void* q) {
    auto lum = [](const RGBQUAD* c) {
        return (117 * c->rgbBlue + 601 * c->rgbGreen + 306 * c->rgbRed) >> 10;
    };
    return lum(static_cast<const RGBQUAD*>(p)) - lum(static_cast<const RGBQUAD*>(q));
}

void CRaster::SwapRedBlue(uint8_t* buffer, int64_t length) const {
    if (!buffer || m_head.biClrUsed != 0 || length <= 0) return;
    length = std::min<int64_t>(length, m_info.dwEffWidth);
    for (int64_t i = 0; i + 2 < length; i += 3) std::swap(buffer[i], buffer[i + 2]);
}

RGBQUAD CRaster::GetBackgroundColor() const {
    if (m_info.nBkgndIndex != -1) {
        if (m_head.biBitCount < 24) {
            return GetPaletteColor(static_cast<uint8_t>(m_info.nBkgndIndex));
        }
        return m_info.nBkgndColor;
    }
    if (m_pDib && IsInside(0, 0)) return GetPixelColor(0, 0);
    return m_info.nBkgndColor;
}

uint8_t CRaster::GetPixelIndex(int32_t x, int32_t y) const {
    if (!m_pDib || m_head.biClrUsed == 0) return 0;
    if (!IsInside(x, y)) {
        if (m_info.nBkgndIndex != -1) return static_cast<uint8_t>(m_info.nBkgndIndex);
        // An image of zero size has no first pixel byte to report.
        return m_head.biSizeImage ? *m_info.pImage : 0;
    }
    const uint8_t* row = m_info.pImage + size_t(y) * m_info.dwEffWidth;
    switch (m_head.biBitCount) {
        case 8: return row[x];
        case 4: {
            const uint8_t byte = row[x >> 1];
            return (x & 1) ? (byte & 0x0F) : (byte >> 4);
        }
        default: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
}

void CRaster::SetPixelIndex(int32_t x, int32_t y, uint8_t index) {
    if (!m_pDib || m_head.biClrUsed == 0 || !IsInside(x, y)) return;
    uint8_t* row = m_info.pImage + size_t(y) * m_info.dwEffWidth;
    switch (m_head.biBitCount) {
        case 8: row[x] = index; break;
        case 4: {
            uint8_t& byte = row[x >> 1];
            byte = (x & 1) ? ((byte & 0xF0) | (index & 0x0F))
                           : static_cast<uint8_t>((byte & 0x0F) | ((index & 0x0F) << 4));
            break;
        }
        default: {
            uint8_t& byte = row[x >> 3];
            const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
            byte = (index & 1) ? (byte | mask) : (byte & ~mask);
            break;
        }
    }
}

RGBQUAD CRaster::GetPixelColor(int32_t x, int32_t y) const {
    if (!m_pDib || !IsInside(x, y)) return GetBackgroundColor();
    RGBQUAD color;
    if (m_head.biClrUsed) {
        color = GetPaletteColor(GetPixelIndex(x, y));
    } else {
        const uint8_t* p = m_info.pImage + size_t(y) * m_info.dwEffWidth + size_t(x) * 3;
        color = RGBQUAD{p[0], p[1], p[2], m_info.nBkgndColor.rgbReserved};
    }
    if (m_pAlpha) color.rgbReserved = GetAlpha(x, y);
    return color;
}

void CRaster::SetPixelColor(int32_t x, int32_t y, RGBQUAD color, bool setAlpha) {
    if (!m_pDib || !IsInside(x, y)) return;
    if (m_head.biClrUsed) {
        SetPixelIndex(x, y, FindNearestIndex(color));
        return;
    }
    uint8_t* p = m_info.pImage + size_t(y) * m_info.dwEffWidth + size_t(x) * 3;
    p[0] = color.rgbBlue;
    p[1] = color.rgbGreen;
    p[2] = color.rgbRed;
    if (setAlpha) SetAlpha(x, y, color.rgbReserved);
}

void CRaster::SetPixelColor(int32_t x, int32_t y, COLORREF color) {
    SetPixelColor(x, y, ColorRefToRgbQuad(color), false);
}

uint32_t CRaster::GetSearchedColorCount() const {
    // biClrImportant can come from a file: never search past the palette.
    const uint32_t n = m_head.biClrImportant ? m_head.biClrImportant : m_head.biClrUsed;
    return std::min(n, m_head.biClrUsed);
}

uint8_t CRaster::FindNearestIndex(RGBQUAD color) {
    const RGBQUAD* palette = GetPalette();
    if (!palette) return 0;
    if (m_info.last_c_isvalid && m_info.last_c == color) return m_info.last_c_index;
    m_info.last_c = color;
    m_info.last_c_isvalid = 1;

    const uint32_t n = GetSearchedColorCount();
    uint32_t best = 0;
    int32_t bestDistance = 200000;
    for (uint32_t i = 0; i < n; ++i) {
        const int32_t db = palette[i].rgbBlue - color.rgbBlue;
        const int32_t dg = palette[i].rgbGreen - color.rgbGreen;
        const int32_t dr = palette[i].rgbRed - color.rgbRed;
        const int32_t d = db * db + dg * dg + dr * dr;
        if (d == 0) {
            best = i;
            break;
        }
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    m_info.last_c_index = static_cast<uint8_t>(best);
    return m_info.last_c_index;
}

RGBQUAD CRaster::GetPixelColorBilinear(double x, double y) const {
    const RGBQUAD background = GetBackgroundColor();
    if (!m_pDib) return background;
    // Positions that are NaN or far outside cannot be truncated to int safely.
    const double limit = 2147483000.0;
    if (!(x > -limit && x < limit && y > -limit && y < limit)) return background;

    int32_t x0 = static_cast<int32_t>(x);
    int32_t y0 = static_cast<int32_t>(y);
    int32_t x1 = x0 + 1;
    int32_t y1 = y0 + 1;
    const double fx = x - x0;
    const double fy = y - y0;
    const double fxy = fx * fy;

    const int32_t width = m_head.biWidth;
    const int32_t height = m_head.biHeight;
    if (x0 < 0) {
        x0 = 0;
        if (x1 < 0) return background;
    } else if (x1 >= width) {
        x1 = width - 1;
        if (x0 >= width) return background;
    }
    if (y0 < 0) {
        y0 = 0;
        if (y1 < 0) return background;
    } else if (y1 >= height) {
        y1 = height - 1;
        if (y0 >= height) return background;
    }
    // Clamping can leave a corner outside an image one pixel wide or high.
    x1 = std::max(0, std::min(x1, width - 1));
    y1 = std::max(0, std::min(y1, height - 1));

    auto corner = [&](int32_t cx, int32_t cy) {
        RGBQUAD c;
        if (m_head.biClrUsed) {
            c = GetPaletteColor(GetPixelIndex(cx, cy));
        } else {
            const uint8_t* p = m_info.pImage + size_t(cy) * m_info.dwEffWidth + size_t(cx) * 3;
            c = RGBQUAD{p[0], p[1], p[2], background.rgbReserved};
        }
        if (m_pAlpha) c.rgbReserved = m_pAlpha[size_t(cx) + size_t(cy) * width];
        return c;
    };
    const RGBQUAD c00 = corner(x0, y0), c10 = corner(x1, y0);
    const RGBQUAD c01 = corner(x0, y1), c11 = corner(x1, y1);

    // Extrapolation just left of or below the image can leave 0..255: clamp, never wrap.
    auto mix = [&](int v00, int v10, int v01, int v11) {
        const double v = v00 + (v01 - v00) * fy + (v10 - v00) * fx + (v11 - v01 - v10 + v00) * fxy;
        const int t = static_cast<int>(v);
        return static_cast<uint8_t>(t < 0 ? 0 : (t > 255 ? 255 : t));
    };
    return RGBQUAD{mix(c00.rgbBlue, c10.rgbBlue, c01.rgbBlue, c11.rgbBlue),
                   mix(c00.rgbGreen, c10.rgbGreen, c01.rgbGreen, c11.rgbGreen),
                   mix(c00.rgbRed, c10.rgbRed, c01.rgbRed, c11.rgbRed),
                   mix(c00.rgbReserved, c10.rgbReserved, c01.rgbReserved, c11.rgbReserved)};
}

// Whole-image operations of CRaster: flip, mirror, rotation, colour reduction and crop.
// Each builds its result in a temporary image and moves it in at the end, so that a failure
// leaves the image unchanged.
#include <algorithm>
#include <cstring>

#include "CNearestColorMap.h"
#include "CRaster.h"

bool CRaster::Flip() {
    if (!m_pDib) return false;
    CRaster temp(*this, false, false, true);
    if (!temp.IsValid()) return false;
    const uint32_t height = GetHeight();
    const size_t stride = m_info.dwEffWidth;
    for (uint32_t i = 0; i < height; ++i) {
        std::memcpy(temp.GetBits(i), GetBits(height - 1 - i), stride);
    }
    if (temp.HasAlpha() && !temp.FlipAlpha()) return false;
    MoveFrom(temp);
    return true;
}

bool CRaster::Mirror() {
    if (!m_pDib) return false;
    CRaster temp(*this, false, false, true);
    if (!temp.IsValid()) return false;
    const int32_t width = m_head.biWidth;
    const int32_t height = m_head.biHeight;
    for (int32_t i = 0; i < height; ++i) {
        const uint8_t* src = GetBits(i);
        uint8_t* dst = temp.GetBits(i);
        switch (m_head.biBitCount) {
            case 8:
                for (int32_t j = 0; j < width; ++j) dst[j] = src[width - 1 - j];
                break;
            case 24:
                for (int32_t j = 0; j < width; ++j) {
                    std::memcpy(dst + 3 * j, src + 3 * (width - 1 - j), 3);
                }
                break;
            default:
                for (int32_t j = 0; j < width; ++j) {
                    temp.SetPixelIndex(j, i, GetPixelIndex(width - 1 - j, i));
                }
                break;
        }
    }
    if (temp.HasAlpha() && !temp.MirrorAlpha()) return false;
    MoveFrom(temp);
    return true;
}

namespace {

enum class Turn { Left, Right };

// Source position of new pixel (j, i) for an image of w × h rotated a quarter turn.
inline void RotatedSource(Turn turn, int32_t w, int32_t h, int32_t j, int32_t i, int32_t& sx,
                          int32_t& sy) {
    if (turn == Turn::Left) {
        sx = i;
        sy = h - 1 - j;
    } else {
        sx = w - 1 - i;
        sy = j;
    }
}

bool Rotate(CRaster& self, CRaster* destination, Turn turn) {
    if (!self.IsValid()) return false;
    const int32_t w = static_cast<int32_t>(self.GetWidth());
    const int32_t h = static_cast<int32_t>(self.GetHeight());
    CRaster temp(FORMAT_UNKNOWN);
    temp.CopyInfo(self);
    if (!temp.Create(h, w, self.GetBpp(), self.GetType())) return false;
    temp.SetPalette(self.GetPalette(), 256);

    if (self.GetBpp() == 1) {
        // Bit by bit: walk the source row by row, byte by byte, and set each lit bit where the
        // general formula puts it. The new image was created zero-filled.
        const uint32_t stride = self.GetRowStride();
        for (int32_t sy = 0; sy < h; ++sy) {
            const uint8_t* row = self.GetBits(sy);
            for (uint32_t byte = 0; byte < stride; ++byte) {
                if (!row[byte]) continue;
                for (int bit = 0; bit < 8; ++bit) {
                    const int32_t sx = static_cast<int32_t>(byte * 8 + bit);
                    if (sx >= w) break;  // fill bits up to the row stride
                    if (!(row[byte] & (0x80 >> bit))) continue;
                    // Invert the mapping: new (j, i) of source (sx, sy).
                    const int32_t j = (turn == Turn::Left) ? h - 1 - sy : sy;
                    const int32_t i = (turn == Turn::Left) ? sx : w - 1 - sx;
                    uint8_t* dst = temp.GetBits(i);
                    dst[j >> 3] |= static_cast<uint8_t>(0x80 >> (j & 7));
                }
            }
        }
    } else {
        const bool palette = self.GetNumColors() != 0;
        if (turn == Turn::Left) {
            for (int32_t j = 0; j < h; ++j) {
                for (int32_t i = 0; i < w; ++i) {
                    int32_t sx, sy;
                    RotatedSource(turn, w, h, j, i, sx, sy);
                    if (palette) temp.SetPixelIndex(j, i, self.GetPixelIndex(sx, sy));
                    else temp.SetPixelColor(j, i, self.GetPixelColor(sx, sy), false);
                }
                self.SetProgress(j * 100 / h);
            }
        } else {
            for (int32_t i = 0; i < w; ++i) {
                for (int32_t j = 0; j < h; ++j) {
                    int32_t sx, sy;
                    RotatedSource(turn, w, h, j, i, sx, sy);
                    if (palette) temp.SetPixelIndex(j, i, self.GetPixelIndex(sx, sy));
                    else temp.SetPixelColor(j, i, self.GetPixelColor(sx, sy), false);
                }
                self.SetProgress(i * 100 / w);
            }
        }
    }

    if (self.HasAlpha()) {
        if (!temp.CreateAlpha()) return false;
        for (int32_t j = 0; j < h; ++j) {
            for (int32_t i = 0; i < w; ++i) {
                int32_t sx, sy;
                RotatedSource(turn, w, h, j, i, sx, sy);
                temp.SetAlpha(j, i, self.GetAlpha(sx, sy));
            }
        }
    }
    (destination ? *destination : self).MoveFrom(temp);
    return true;
}

}  // namespace

bool CRaster::RotateLeft(CRaster* destination) { return Rotate(*this, destination, Turn::Left); }

bool CRaster::RotateRight(CRaster* destination) {
    return Rotate(*this, destination, Turn::Right);
}

namespace {

// The pixels of the image being reduced, which also takes the diffused error: 24-bit pixels
// read and written in place.
class RgbPixels {
public:
    explicit RgbPixels(const CRaster& image)
        : m_bits(image.GetBits(0)), m_stride(image.GetRowStride()) {}
    RGBQUAD Get(int32_t x, int32_t y) const {
        const uint8_t* p = Pixel(x, y);
        return RGBQUAD{p[0], p[1], p[2], 0};
    }
    void Set(int32_t x, int32_t y, RGBQUAD color) {
        uint8_t* p = Pixel(x, y);
        p[0] = color.rgbBlue;
        p[1] = color.rgbGreen;
        p[2] = color.rgbRed;
    }

private:
    uint8_t* Pixel(int32_t x, int32_t y) const {
        return m_bits + size_t(y) * m_stride + size_t(x) * 3;
    }

    uint8_t* m_bits;
    size_t m_stride;
};

// Palette pixels read as their entries; a colour written becomes the nearest entry of the
// image's own palette, as SetPixelColor does.
class PalettePixels {
public:
    PalettePixels(CRaster& image, uint32_t searchedColors)
        : m_image(image), m_palette(image.GetPalette()), m_nearest(m_palette, searchedColors) {}
    RGBQUAD Get(int32_t x, int32_t y) const { return m_palette[m_image.GetPixelIndex(x, y)]; }
    void Set(int32_t x, int32_t y, RGBQUAD color) {
        m_image.SetPixelIndex(x, y, m_nearest.Find(color));
    }

private:
    CRaster& m_image;
    const RGBQUAD* m_palette;
    CNearestColorMap m_nearest;
};

// Each pixel of source, bottom row first, gets the index of the nearest entry of temp's palette;
// with error diffusion the difference goes 7, 2, 4 and 1 sixteenths to the right neighbour and
// to the three neighbours of the next row the loop visits (left, same, right), each channel
// clamped to 0..255 after each addition. The fourth byte plays no part.
template <class Pixels>
void ReducePass(Pixels& source, CRaster& temp, CNearestColorMap& nearest, bool errorDiffusion,
                CRasterInfo& info) {
    const RGBQUAD* entries = temp.GetPalette();
    const int32_t width = static_cast<int32_t>(temp.GetWidth());
    const int32_t height = static_cast<int32_t>(temp.GetHeight());
    const bool bytePerIndex = temp.GetBpp() == 8;
    for (int32_t y = 0; y < height && info.nEscape == 0; ++y) {
        info.nProgress = static_cast<int32_t>(int64_t{y} * 100 / height);
        uint8_t* indices = temp.GetBits(static_cast<uint32_t>(y));
        for (int32_t x = 0; x < width; ++x) {
            const RGBQUAD c = source.Get(x, y);
            const uint8_t index = nearest.Find(c);
            if (bytePerIndex) {
                indices[x] = index;
            } else {
                temp.SetPixelIndex(x, y, index);
            }
            if (!errorDiffusion) continue;
            const RGBQUAD q = entries[index];
            const int32_t er = c.rgbRed - q.rgbRed;
            const int32_t eg = c.rgbGreen - q.rgbGreen;
            const int32_t eb = c.rgbBlue - q.rgbBlue;
            auto spread = [&](int32_t nx, int32_t ny, int32_t weight) {
                auto add = [weight](uint8_t channel, int32_t error) {
                    return static_cast<uint8_t>(std::clamp(channel + error * weight / 16, 0, 255));
                };
                RGBQUAD v = source.Get(nx, ny);
                v.rgbRed = add(v.rgbRed, er);
                v.rgbGreen = add(v.rgbGreen, eg);
                v.rgbBlue = add(v.rgbBlue, eb);
                source.Set(nx, ny, v);
            };
            if (x + 1 < width) spread(x + 1, y, 7);
            if (y + 1 < height) {
                if (x > 0) spread(x - 1, y + 1, 2);
                spread(x, y + 1, 4);
                if (x + 1 < width) spread(x + 1, y + 1, 1);
            }
        }
    }
}

}  // namespace

void CRaster::ReducePixelsInto(CRaster& temp, bool errorDiffusion) {
    CNearestColorMap nearest(temp.GetPalette(), temp.GetSearchedColorCount());
    if (GetPalette()) {
        PalettePixels source(*this, GetSearchedColorCount());
        ReducePass(source, temp, nearest, errorDiffusion, m_info);
    } else {
        RgbPixels source(*this);
        ReducePass(source, temp, nearest, errorDiffusion, m_info);
    }
}

bool CRaster::ReduceBpp(uint32_t bpp, bool errorDiffusion, const RGBQUAD* palette,
                        uint32_t colorCount) {
    if (!m_pDib || GetBpp() < bpp) return false;
    if (GetBpp() == bpp) {
        if (colorCount == 0) return true;
        if (m_head.biClrImportant != 0 && m_head.biClrImportant < colorCount) return true;
    }

    CRaster temp(FORMAT_UNKNOWN);
    temp.CopyInfo(*this);
    if (!temp.Create(GetWidth(), GetHeight(), bpp, GetType())) return false;
    if (colorCount != 0) temp.SetImportantColors(colorCount);
    temp.CopySelectionFrom(*this);
    temp.CopyAlphaFrom(*this);

    switch (temp.GetBpp()) {
        case 1:
            if (palette) {
                temp.SetPalette(palette, 2);
            } else {
                temp.SetPaletteColor(0, 0, 0, 0);
                temp.SetPaletteColor(1, 255, 255, 255);
            }
            break;
        case 4:
            if (palette) temp.SetPalette(palette, 16);
            else temp.SetStandardPalette();
            break;
        case 8:
            if (palette) temp.SetPalette(palette, 256);
            else temp.SetStandardPalette();
            break;
        default:
            return false;
    }

    ReducePixelsInto(temp, errorDiffusion);
    if (GetBpp() == 1) {
        temp.SetPaletteColor(0, 0, 0, 0);
        temp.SetPaletteColor(1, 255, 255, 255);
    }
    MoveFrom(temp);
    return true;
}

bool CRaster::Crop(int32_t left, int32_t top, int32_t right, int32_t bottom,
                   CRaster* destination) {
    if (!m_pDib) return false;
    const int32_t width = m_head.biWidth;
    const int32_t height = m_head.biHeight;
    int32_t x1 = std::clamp(left, 0, width);
    int32_t x2 = std::clamp(right, 0, width);
    int32_t y1 = height - std::clamp(top, 0, height);
    int32_t y2 = height - std::clamp(bottom, 0, height);
    if (x1 == x2 || y1 == y2) return false;
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);

    CRaster temp(x2 - x1, y2 - y1, GetBpp(), GetType());
    if (!temp.IsValid()) return false;
    temp.SetPalette(GetPalette(), m_head.biClrUsed);
    temp.m_info.nBkgndIndex = m_info.nBkgndIndex;
    temp.m_info.nBkgndColor = m_info.nBkgndColor;

    const uint32_t bpp = GetBpp();
    for (int32_t y = y1; y < y2; ++y) {
        if (bpp == 8 || bpp == 24) {
            const size_t bytes = bpp / 8;
            std::memcpy(temp.GetBits(y - y1), GetBits(y) + size_t(x1) * bytes,
                        size_t(x2 - x1) * bytes);
        } else {
            for (int32_t x = x1; x < x2; ++x) temp.SetPixelIndex(x - x1, y - y1, GetPixelIndex(x, y));
        }
        m_info.nProgress = static_cast<int32_t>(int64_t{y} * 100 / y2);
    }
    if (m_pAlpha) {
        if (!temp.CreateAlpha()) return false;
        const size_t cw = size_t(x2 - x1);
        for (int32_t y = y1; y < y2; ++y) {
            std::memcpy(temp.m_pAlpha + size_t(y - y1) * cw, m_pAlpha + x1 + size_t(y) * width, cw);
        }
    }
    (destination ? *destination : *this).MoveFrom(temp);
    return true;
}

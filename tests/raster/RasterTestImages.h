#pragma once
// Helpers shared by the codec tests: test images with known pixels, their top-down RGBA bytes,
// and reading a file's pixels back through an independent tool.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CRaster.h"
#include "CRasterMemoryStream.h"
#include "CRasterStream.h"
#include "ExternalTools.h"

namespace testimages {

// An image of the given depth with a pattern that uses every palette entry (or many colours);
// palette images get a palette that is not a grey ramp unless grey is asked for.
inline void Fill(CRaster& image, uint32_t width, uint32_t height, uint32_t bpp, bool grey,
                 bool alpha = false) {
    image.Create(width, height, bpp, FORMAT_UNKNOWN);
    const uint32_t colors = image.GetNumColors();
    if (colors) {
        if (grey) {
            image.SetGrayPalette();
        } else {
            for (uint32_t i = 0; i < colors; ++i) {
                image.SetPaletteColor(static_cast<uint8_t>(i), static_cast<uint8_t>(i * 37 + 5),
                                      static_cast<uint8_t>(255 - i * 11),
                                      static_cast<uint8_t>(i * 101 + 17));
            }
        }
    }
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const auto xi = static_cast<int32_t>(x), yi = static_cast<int32_t>(y);
            if (colors) {
                image.SetPixelIndex(xi, yi, static_cast<uint8_t>((x * 7 + y * 3) % colors));
            } else {
                image.SetPixelColor(
                    xi, yi,
                    RGBQUAD{static_cast<uint8_t>(x * 13 + y), static_cast<uint8_t>(y * 29 + 3),
                            static_cast<uint8_t>(x * y + 7), 0});
            }
        }
    }
    if (alpha) {
        image.CreateAlpha();
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                image.SetAlpha(static_cast<int32_t>(x), static_cast<int32_t>(y),
                               static_cast<uint8_t>(x * 40 + y * 9 + 1));
            }
        }
    }
}

// Pixels top-down as red, green, blue, alpha (255 without an alpha plane).
inline std::vector<uint8_t> Rgba(const CRaster& image) {
    std::vector<uint8_t> out;
    const auto w = static_cast<int32_t>(image.GetWidth());
    const auto h = static_cast<int32_t>(image.GetHeight());
    out.reserve(static_cast<size_t>(w) * h * 4);
    for (int32_t row = 0; row < h; ++row) {
        const int32_t y = h - 1 - row;
        for (int32_t x = 0; x < w; ++x) {
            const RGBQUAD c = image.GetPixelColor(x, y);
            out.push_back(c.rgbRed);
            out.push_back(c.rgbGreen);
            out.push_back(c.rgbBlue);
            out.push_back(image.HasAlpha() ? image.GetAlpha(x, y) : 255);
        }
    }
    return out;
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// The first frame of a file as top-down RGBA bytes through ImageMagick; empty on failure.
inline std::vector<uint8_t> MagickRgba(const std::string& file, const std::string& scratch) {
    if (!external::Run(external::kConvert + " '" + file + "[0]' -depth 8 rgba:'" + scratch + "'"))
        return {};
    return ReadFile(scratch);
}

// The first frame of a file as top-down RGBA bytes through Pillow; empty on failure.
inline std::vector<uint8_t> PillowRgba(const std::string& file, const std::string& scratch) {
    const std::string script =
        "import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
        "open(sys.argv[2], 'wb').write(im.convert('RGBA').tobytes())";
    if (!external::Run(external::PillowPython() + " -c \"" + script + "\" '" + file + "' '" +
                       scratch + "'"))
        return {};
    return ReadFile(scratch);
}

// A binary PPM (P6) or PGM (P5) with 8-bit samples, for tools to convert into other formats.
inline std::vector<uint8_t> Netpbm(uint32_t width, uint32_t height, bool colour,
                                   const std::vector<uint8_t>& samples) {
    const std::string header = std::string(colour ? "P6\n" : "P5\n") + std::to_string(width) + " " +
                               std::to_string(height) + "\n255\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    return bytes;
}

// A memory stream that refuses every write reaching beyond its first limit bytes.
class CLimitedStream final : public CRasterStream {
public:
    explicit CLimitedStream(long limit) : m_limit(limit) { m_inner.Open(); }
    bool Close() override { return m_inner.Close(); }
    size_t Read(void* b, size_t s, size_t n) override { return m_inner.Read(b, s, n); }
    size_t Write(const void* buffer, size_t size, size_t count) override {
        if (m_inner.Tell() + static_cast<long>(size * count) > m_limit) return 0;
        return m_inner.Write(buffer, size, count);
    }
    bool Seek(long offset, int origin) override { return m_inner.Seek(offset, origin); }
    long Tell() override { return m_inner.Tell(); }
    long Size() override { return m_inner.Size(); }
    bool Flush() override { return m_inner.Flush(); }
    bool Eof() override { return m_inner.Eof(); }
    long Error() override { return m_inner.Error(); }
    long GetC() override { return m_inner.GetC(); }

private:
    CRasterMemoryStream m_inner{nullptr, 0};
    long m_limit;
};

}  // namespace testimages

#pragma once
// Helpers shared by the format tests: test pictures, top-down views of images, byte building,
// memory decoding, a stream that runs out of room, truncated-prefix checks, PGM/PPM files and
// the round trips through the independent tools (ImageMagick, Pillow).
//
// RGB and RGBA buffers are top-down (row 0 is the top of the picture; a CRaster's rows are
// bottom-up), 3 or 4 bytes per pixel, no padding.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "CRaster.h"
#include "CRasterMemoryStream.h"
#include "CRasterStream.h"
#include "ExternalTools.h"

namespace codectest {

using Bytes = std::vector<uint8_t>;

// Little-endian values appended to bytes being built.
inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<uint8_t> bytes(in ? static_cast<size_t>(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    return bytes;
}

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

// Decodes bytes held in memory with one format class (or the dispatch with id 0).
inline bool DecodeBytes(CRaster& image, std::vector<uint8_t> bytes, uint32_t id) {
    CRasterMemoryStream stream(bytes.data(), long(bytes.size()));
    return image.Decode(&stream, id);
}

// The image encoded by one format class into memory; empty when the encode fails.
inline std::vector<uint8_t> EncodeToBytes(CRaster& image, uint32_t id) {
    CRasterMemoryStream out;
    out.Open();
    if (!image.Encode(&out, id)) return {};
    return std::vector<uint8_t>(out.GetBuffer(false), out.GetBuffer(false) + out.Size());
}

// Every proper prefix of a valid file fails to decode and leaves a last-error text.
inline void ExpectEveryPrefixFails(const std::vector<uint8_t>& file, uint32_t id) {
    for (size_t n = 0; n < file.size(); ++n) {
        CRaster image;
        ASSERT_FALSE(
            DecodeBytes(image, std::vector<uint8_t>(file.begin(), file.begin() + long(n)), id))
            << n << " of " << file.size();
        ASSERT_STRNE(image.GetLastError(), "") << n;
    }
}

// A picture with distinct values along both axes, so that flipped rows or mirrored columns and
// shifted bytes show. Palette images get a palette of distinct colours; alpha, when asked, runs
// over 0..255 and includes fully transparent pixels.
inline void FillPattern(CRaster& image, uint32_t width, uint32_t height, uint32_t bpp,
                        bool alpha = false) {
    image.Create(width, height, bpp, FORMAT_UNKNOWN);
    const uint32_t colors = image.GetNumColors();
    for (uint32_t i = 0; i < colors; ++i) {
        image.SetPaletteColor(uint8_t(i), uint8_t(255 - i), uint8_t(i * 7 + 3), uint8_t(i * 13));
    }
    if (bpp == 1) {
        image.SetPaletteColor(0, 0, 0, 0);
        image.SetPaletteColor(1, 255, 255, 255);
    }
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            if (bpp <= 8) {
                const uint32_t v = (x * 3 + y * 5 + (x * y) / 3) % colors;
                image.SetPixelIndex(int32_t(x), int32_t(y), uint8_t(v));
            } else {
                uint8_t* p = image.GetBits(y) + 3 * x;
                p[0] = uint8_t(x * 17 + y);
                p[1] = uint8_t(y * 29 + 200);
                p[2] = uint8_t((x ^ y) * 11);
            }
        }
    }
    if (alpha) {
        image.CreateAlpha();
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                image.SetAlpha(int32_t(x), int32_t(y), uint8_t((x + y) % 3 == 0 ? 0 : x * 37 + y));
            }
        }
    }
}

// The picture as top-down RGBA; alpha from the alpha plane, else 255.
inline std::vector<uint8_t> TopDownRgba(const CRaster& image) {
    const uint32_t w = image.GetWidth(), h = image.GetHeight();
    std::vector<uint8_t> out;
    out.reserve(size_t{w} * h * 4);
    for (uint32_t t = 0; t < h; ++t) {
        const int32_t y = int32_t(h - 1 - t);
        for (uint32_t x = 0; x < w; ++x) {
            const RGBQUAD c = image.GetPixelColor(int32_t(x), y);
            out.insert(out.end(),
                       {c.rgbRed, c.rgbGreen, c.rgbBlue,
                        image.HasAlpha() ? image.GetAlpha(int32_t(x), y) : uint8_t(255)});
        }
    }
    return out;
}

// The picture as top-down RGB.
inline Bytes TopDownRgb(const CRaster& image) {
    Bytes rgb;
    for (int32_t y = static_cast<int32_t>(image.GetHeight()) - 1; y >= 0; --y) {
        for (int32_t x = 0; x < static_cast<int32_t>(image.GetWidth()); ++x) {
            const RGBQUAD c = image.GetPixelColor(x, y);
            rgb.insert(rgb.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
        }
    }
    return rgb;
}

// Largest channel difference of two equally long buffers, or 256 when sizes differ.
inline int MaxDifference(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size()) return 256;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

// ImageMagick's decoding of frame `frame` of a file as top-down bytes of `map` ("rgb" or
// "rgba"), written through rawOut; empty on failure.
inline Bytes MagickPixels(const std::string& file, const std::string& rawOut, int frame,
                          const std::string& map) {
    if (!external::Run(external::kConvert + " '" + file + "[" + std::to_string(frame) +
                       "]' -depth 8 " + map + ":'" + rawOut + "'")) {
        return {};
    }
    return ReadFile(rawOut);
}

// Pillow's decoding of frame `frame` of a file as top-down bytes of `mode` ("RGB" or "RGBA"),
// written through rawOut; empty on failure.
inline Bytes PillowPixels(const std::string& file, const std::string& rawOut, int frame,
                          const std::string& mode) {
    const std::string script =
        "import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
        "im.seek(int(sys.argv[3])); open(sys.argv[2], "
        "'wb').write(im.convert(sys.argv[4]).tobytes())";
    if (!external::Run(external::PillowPython() + " -c \"" + script + "\" '" + file + "' '" +
                       rawOut + "' " + std::to_string(frame) + " " + mode)) {
        return {};
    }
    return ReadFile(rawOut);
}

inline Bytes MagickRgb(const std::string& file, const std::string& rawOut, int frame = 0) {
    return MagickPixels(file, rawOut, frame, "rgb");
}
inline Bytes PillowRgb(const std::string& file, const std::string& rawOut, int frame = 0) {
    return PillowPixels(file, rawOut, frame, "RGB");
}
inline Bytes MagickRgba(const std::string& file, const std::string& rawOut) {
    return MagickPixels(file, rawOut, 0, "rgba");
}
inline Bytes PillowRgba(const std::string& file, const std::string& rawOut) {
    return PillowPixels(file, rawOut, 0, "RGBA");
}

// A deterministic pattern painted into a created image: every palette entry used, or a colour
// gradient.
inline void PaintPattern(CRaster& image, uint32_t seed = 1) {
    const uint32_t w = image.GetWidth(), h = image.GetHeight();
    const uint32_t colors = image.GetNumColors();
    for (uint32_t i = 0; i < colors; ++i) {
        image.SetPaletteColor(static_cast<uint8_t>(i), static_cast<uint8_t>(i * 37 + seed),
                              static_cast<uint8_t>(255 - i * 11), static_cast<uint8_t>(i * 5));
    }
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t v = (x * 7 + y * 13 + seed) * 2654435761u >> 13;
            if (colors) {
                image.SetPixelIndex(x, y, static_cast<uint8_t>(v % colors));
            } else {
                image.SetPixelColor(
                    x, y,
                    RGBQUAD{static_cast<uint8_t>(x * 9 + seed), static_cast<uint8_t>(y * 17),
                            static_cast<uint8_t>(v), 0});
            }
        }
    }
}

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

// Top-down RGBA with every fully transparent pixel set to 0, 0, 0, 0: tools differ in the
// colour they report under zero alpha.
inline std::vector<uint8_t> ClearTransparent(std::vector<uint8_t> rgba) {
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
        if (rgba[i + 3] == 0) rgba[i] = rgba[i + 1] = rgba[i + 2] = 0;
    }
    return rgba;
}

enum class Tool { ImageMagick, Pillow };

inline const char* ToolName(Tool tool) {
    return tool == Tool::ImageMagick ? "ImageMagick" : "Pillow";
}

inline bool HaveTool(Tool tool) {
    return tool == Tool::ImageMagick ? external::HaveImageMagick()
                                     : !external::PillowPython().empty();
}

inline std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Runs a Python snippet under the Pillow interpreter; arguments reach it as sys.argv[1:].
inline bool RunPillow(const std::string& dir, const std::string& script,
                      const std::vector<std::string>& args) {
    const std::string scriptPath = dir + "/script.py";
    if (!WriteFile(scriptPath, std::vector<uint8_t>(script.begin(), script.end()))) return false;
    std::string command = external::PillowPython() + " " + Quote(scriptPath);
    for (const std::string& a : args) command += " " + Quote(a);
    return external::Run(command);
}

// Decodes a file with the tool into top-down RGBA. frame picks an image of a multi-image file
// (with Pillow only frame 0 of icons: it orders icon images by size, not by directory).
inline bool ToolToRgba(Tool tool, const std::string& dir, const std::string& file, int frame,
                       std::vector<uint8_t>& rgba, uint32_t& width, uint32_t& height) {
    const std::string raw = dir + "/decoded.raw";
    const std::string dims = dir + "/decoded.txt";
    bool ok = false;
    if (tool == Tool::ImageMagick) {
        const std::string in = Quote(file + "[" + std::to_string(frame) + "]");
        // ImageMagick 6 hands out rows in file order and records the orientation (TGA).
        ok = external::Run(external::kConvert + " " + in +
                           " -auto-orient -depth 8 rgba:" + Quote(raw)) &&
             std::system((external::kIdentify + " -format '%w %h' " + in + " > " + Quote(dims) +
                          " 2>/dev/null")
                             .c_str()) == 0;
    } else {
        ok = RunPillow(dir,
                       "import sys\nfrom PIL import Image\n"
                       "im = Image.open(sys.argv[1])\n"
                       "if int(sys.argv[4]): im.seek(int(sys.argv[4]))\n"
                       "im = im.convert('RGBA')\n"
                       "open(sys.argv[2], 'wb').write(im.tobytes())\n"
                       "open(sys.argv[3], 'w').write('%d %d' % im.size)\n",
                       {file, raw, dims, std::to_string(frame)});
    }
    if (!ok) return false;
    rgba = ReadFile(raw);
    const std::vector<uint8_t> text = ReadFile(dims);
    if (std::sscanf(std::string(text.begin(), text.end()).c_str(), "%u %u", &width, &height) != 2) {
        return false;
    }
    return rgba.size() == size_t{width} * height * 4;
}

// Has the tool write top-down RGBA (width × height) into a file; options are ImageMagick
// arguments placed before the output name, or Python statements run on the image `im` with
// the output written by `im.save(out, **save)`.
inline bool RgbaToTool(Tool tool, const std::string& dir, const std::vector<uint8_t>& rgba,
                       uint32_t width, uint32_t height, const std::string& options,
                       const std::string& file) {
    const std::string raw = dir + "/source.raw";
    if (!WriteFile(raw, rgba)) return false;
    if (tool == Tool::ImageMagick) {
        return external::Run(external::kConvert + " -size " + std::to_string(width) + "x" +
                             std::to_string(height) + " -depth 8 rgba:" + Quote(raw) + " " +
                             options + " " + Quote(file));
    }
    return RunPillow(dir,
                     "import sys\nfrom PIL import Image\n"
                     "im = Image.frombytes('RGBA', (int(sys.argv[3]), int(sys.argv[4])),"
                     " open(sys.argv[1], 'rb').read())\n"
                     "out = sys.argv[2]\nsave = {}\n" +
                         options + "\nim.save(out, **save)\n",
                     {raw, file, std::to_string(width), std::to_string(height)});
}

// Opaque top-down RGBA test picture drawn from few colours (so palette writers keep it exact).
inline std::vector<uint8_t> FewColourRgba(uint32_t width, uint32_t height, uint32_t colours,
                                          bool greys = false) {
    std::vector<uint8_t> rgba;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t k = (x / 2 + y * 3 + x * y / 5) % colours;
            const uint8_t g = uint8_t(colours > 1 ? k * 255 / (colours - 1) : 0);
            if (greys) {
                rgba.insert(rgba.end(), {g, g, g, 255});
            } else {
                rgba.insert(rgba.end(), {g, uint8_t(255 - g), uint8_t(k * 37), 255});
            }
        }
    }
    return rgba;
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

// Binary PGM/PPM files (grey or red-green-blue bytes) read and written here, and the same
// layout taken from a CRaster.
namespace pnm {

struct Pixels {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t channels = 0;      // 1 grey, 3 red-green-blue
    std::vector<uint8_t> data;  // top row first
    uint8_t At(uint32_t x, uint32_t y, uint32_t c) const {
        return data[(size_t{y} * width + x) * channels + c];
    }
};

// Reads a binary P5 or P6 file with maxval 255; false on anything else.
inline bool Read(const std::string& path, Pixels& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char magic[3] = {};
    unsigned w = 0, h = 0, maxval = 0;
    const bool header = std::fscanf(f, "%2s %u %u %u", magic, &w, &h, &maxval) == 4 &&
                        std::fgetc(f) != EOF && maxval == 255;
    const std::string m = magic;
    if (!header || (m != "P5" && m != "P6")) {
        std::fclose(f);
        return false;
    }
    out.width = w;
    out.height = h;
    out.channels = m == "P5" ? 1 : 3;
    out.data.resize(size_t{w} * h * out.channels);
    const bool ok = std::fread(out.data.data(), 1, out.data.size(), f) == out.data.size();
    std::fclose(f);
    return ok;
}

inline bool Write(const std::string& path, const Pixels& p) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "%s\n%u %u\n255\n", p.channels == 1 ? "P5" : "P6", p.width, p.height);
    const bool ok = std::fwrite(p.data.data(), 1, p.data.size(), f) == p.data.size();
    return std::fclose(f) == 0 && ok;
}

// The image's colours top row first: grey (red byte of each colour) or red-green-blue.
inline Pixels FromRaster(const CRaster& image, uint32_t channels) {
    Pixels p;
    p.width = image.GetWidth();
    p.height = image.GetHeight();
    p.channels = channels;
    p.data.reserve(size_t{p.width} * p.height * channels);
    for (int32_t y = int32_t(p.height) - 1; y >= 0; --y) {
        for (int32_t x = 0; x < int32_t(p.width); ++x) {
            const RGBQUAD c = image.GetPixelColor(x, y);
            p.data.push_back(c.rgbRed);
            if (channels == 3) {
                p.data.push_back(c.rgbGreen);
                p.data.push_back(c.rgbBlue);
            }
        }
    }
    return p;
}

// Largest and mean absolute difference of two images of the same layout.
struct Difference {
    int maximum = 0;
    double mean = 0;
};

inline Difference Compare(const Pixels& a, const Pixels& b) {
    Difference d;
    if (a.data.size() != b.data.size() || a.data.empty()) return Difference{256, 256};
    uint64_t sum = 0;
    for (size_t i = 0; i < a.data.size(); ++i) {
        const int e = a.data[i] > b.data[i] ? a.data[i] - b.data[i] : b.data[i] - a.data[i];
        sum += e;
        if (e > d.maximum) d.maximum = e;
    }
    d.mean = double(sum) / a.data.size();
    return d;
}

}  // namespace pnm

// A memory stream that takes the first `limit` bytes and then, like a full disk, refuses every
// further write; with m_failFlush set its Flush fails too.
class CLimitedStream final : public CRasterStream {
public:
    explicit CLimitedStream(size_t limit) : m_limit(limit) { m_inner.Open(); }
    bool Close() override { return m_inner.Close(); }
    size_t Read(void* b, size_t s, size_t n) override { return m_inner.Read(b, s, n); }
    size_t Write(const void* buffer, size_t size, size_t count) override {
        if (m_full || size_t(m_inner.Tell()) + size * count > m_limit) {
            m_full = true;
            return 0;
        }
        return m_inner.Write(buffer, size, count);
    }
    bool Seek(long offset, int origin) override { return m_inner.Seek(offset, origin); }
    long Tell() override { return m_inner.Tell(); }
    long Size() override { return m_inner.Size(); }
    bool Flush() override { return !m_failFlush && m_inner.Flush(); }
    bool Eof() override { return m_inner.Eof(); }
    long Error() override { return m_inner.Error(); }
    long GetC() override { return m_inner.GetC(); }
    bool m_failFlush = false;

private:
    CRasterMemoryStream m_inner{nullptr, 0};
    size_t m_limit;
    bool m_full = false;
};

// Saves the image in the format under the file name and decodes that file with the tool into
// top-down RGBA; fails when saving or decoding fails or the tool sees another size.
inline ::testing::AssertionResult SaveAndReadWithTool(Tool tool, const std::string& dir,
                                                      CRaster& image, const std::string& file,
                                                      uint32_t format, std::vector<uint8_t>& rgba) {
    if (!image.Save(file.c_str(), format)) {
        return ::testing::AssertionFailure() << "save failed: " << image.GetLastError();
    }
    uint32_t w = 0, h = 0;
    if (!ToolToRgba(tool, dir, file, 0, rgba, w, h)) {
        return ::testing::AssertionFailure() << "the tool cannot read " << file;
    }
    if (w != image.GetWidth() || h != image.GetHeight()) {
        return ::testing::AssertionFailure() << "the tool sees " << w << " x " << h;
    }
    return ::testing::AssertionSuccess();
}

// ---- Valid files near a decoder's size bounds -----------------------------------------------
// Pictures of one colour compress best, so they come closest to what a size bound allows.

// A uniform picture: palette depths use the grey palette and its last entry (white), 24 bits
// the colour red 16, green 32, blue 48.
inline void FillUniform(CRaster& image, uint32_t width, uint32_t height, uint32_t bpp) {
    image.Create(width, height, bpp, FORMAT_UNKNOWN);
    if (image.GetNumColors()) {
        image.SetGrayPalette();
        image.Clear(0xFF);
        return;
    }
    uint8_t* first = image.GetBits(0);
    for (uint32_t x = 0; x < width; ++x) {
        first[3 * size_t{x}] = 48;
        first[3 * size_t{x} + 1] = 32;
        first[3 * size_t{x} + 2] = 16;
    }
    for (uint32_t y = 1; y < height; ++y)
        std::memcpy(image.GetBits(y), first, image.GetRowStride());
}

// Whether every pixel shows the colour (blue, green and red are compared).
inline bool IsUniform(const CRaster& image, RGBQUAD colour) {
    const uint32_t w = image.GetWidth(), h = image.GetHeight(), bpp = image.GetBpp();
    if (!image.IsValid() || w == 0 || h == 0) return false;
    auto shows = [&](uint32_t x, uint32_t y) {
        const RGBQUAD c = image.GetPixelColor(int32_t(x), int32_t(y));
        return c.rgbBlue == colour.rgbBlue && c.rgbGreen == colour.rgbGreen &&
               c.rgbRed == colour.rgbRed;
    };
    for (uint32_t x = 0; x < w; ++x) {
        if (!shows(x, 0)) return false;
    }
    // Every other row holds the bytes of row 0; pixels sharing a last byte with the row's
    // padding are looked at one by one.
    const size_t whole = size_t{w} * bpp / 8;
    const uint32_t firstLoose = uint32_t(whole * 8 / bpp);
    for (uint32_t y = 1; y < h; ++y) {
        if (std::memcmp(image.GetBits(y), image.GetBits(0), whole) != 0) return false;
        for (uint32_t x = firstLoose; x < w; ++x) {
            if (!shows(x, y)) return false;
        }
    }
    return true;
}

// Has the tool write a uniform picture of the colour; options are ImageMagick arguments placed
// before the output name, or Python statements run on the RGB image `im`, the output being
// written by `im.save(out, **save)`.
inline bool ToolWritesUniform(Tool tool, const std::string& dir, uint32_t width, uint32_t height,
                              RGBQUAD colour, const std::string& options, const std::string& file) {
    const std::string r = std::to_string(colour.rgbRed), g = std::to_string(colour.rgbGreen),
                      b = std::to_string(colour.rgbBlue);
    if (tool == Tool::ImageMagick) {
        return external::Run(external::kConvert + " -size " + std::to_string(width) + "x" +
                             std::to_string(height) + " xc:'rgb(" + r + "," + g + "," + b + ")' " +
                             options + " " + Quote(file));
    }
    return RunPillow(dir,
                     "import sys\nfrom PIL import Image\n"
                     "im = Image.new('RGB', (int(sys.argv[2]), int(sys.argv[3])), (" +
                         r + ", " + g + ", " + b +
                         "))\n"
                         "out = sys.argv[1]\nsave = {}\n" +
                         options + "\nim.save(out, **save)\n",
                     {file, std::to_string(width), std::to_string(height)});
}

// The tool's decoding of a file with a uniform picture: its size and its one colour; false when
// the tool fails or sees more than one colour.
inline bool ToolUniformColour(Tool tool, const std::string& dir, const std::string& file,
                              RGBQUAD& colour, uint32_t& width, uint32_t& height) {
    const std::string raw = dir + "/colours.raw";
    const std::string dims = dir + "/size.txt";
    bool ok = false;
    if (tool == Tool::ImageMagick) {
        ok = external::Run(external::kConvert + " " + Quote(file + "[0]") +
                           " -format '%w %h' -write info:" + Quote(dims) +
                           " -unique-colors -depth 8 rgb:" + Quote(raw));
    } else {
        ok = RunPillow(dir,
                       "import sys\nfrom PIL import Image\n"
                       "im = Image.open(sys.argv[1]).convert('RGB')\n"
                       "colours = im.getcolors(1) or []\n"
                       "open(sys.argv[2], 'wb').write(bytes(v for _, c in colours for v in c))\n"
                       "open(sys.argv[3], 'w').write('%d %d' % im.size)\n",
                       {file, raw, dims});
    }
    if (!ok) return false;
    const Bytes rgb = ReadFile(raw);
    const Bytes text = ReadFile(dims);
    if (rgb.size() != 3 ||
        std::sscanf(std::string(text.begin(), text.end()).c_str(), "%u %u", &width, &height) != 2) {
        return false;
    }
    colour = RGBQUAD{rgb[2], rgb[1], rgb[0], 0};
    return true;
}

// Who writes a valid near-bound file.
enum class Writer { Library, ImageMagick, Pillow };

inline bool HaveWriter(Writer writer) {
    return writer == Writer::Library ||
           HaveTool(writer == Writer::ImageMagick ? Tool::ImageMagick : Tool::Pillow);
}

// A uniform picture written by the library (image depth bpp, codec option) or by a tool (bpp 1
// white, 8 grey, 24 colour, turned into the file's layout by the tool's options).
struct NearBoundFile {
    const char* name;
    Writer writer;
    uint32_t width, height, bpp;
    const char* options;  // the tool's, see ToolWritesUniform
    uint32_t decodedBpp;
    uint32_t codecOption = 0;
};

inline void PrintTo(const NearBoundFile& c, std::ostream* out) { *out << c.name; }

// Writes the file into dir and reads it back in the format: the same size, and the colour the
// library's image has or the tool decodes.
inline void ExpectNearBoundFileReadsBack(const NearBoundFile& c, const std::string& dir,
                                         uint32_t format, const std::string& extension) {
    const std::string file = dir + "/" + c.name + extension;
    RGBQUAD colour{};
    if (c.writer == Writer::Library) {
        CRaster image;
        FillUniform(image, c.width, c.height, c.bpp);
        image.SetCodecOption(c.codecOption);
        ASSERT_TRUE(image.Save(file.c_str(), format)) << image.GetLastError();
        colour = image.GetPixelColor(0, 0);
    } else {
        const Tool tool = c.writer == Writer::ImageMagick ? Tool::ImageMagick : Tool::Pillow;
        const RGBQUAD asked = c.bpp == 1   ? RGBQUAD{255, 255, 255, 0}
                              : c.bpp == 8 ? RGBQUAD{128, 128, 128, 0}
                                           : RGBQUAD{48, 32, 16, 0};
        ASSERT_TRUE(ToolWritesUniform(tool, dir, c.width, c.height, asked, c.options, file));
        uint32_t w = 0, h = 0;
        ASSERT_TRUE(ToolUniformColour(tool, dir, file, colour, w, h));
        ASSERT_EQ(w, c.width);
        ASSERT_EQ(h, c.height);
    }
    CRaster back;
    ASSERT_TRUE(back.Load(file.c_str(), format)) << back.GetLastError();
    EXPECT_EQ(back.GetWidth(), c.width);
    EXPECT_EQ(back.GetHeight(), c.height);
    EXPECT_EQ(back.GetBpp(), c.decodedBpp);
    EXPECT_TRUE(IsUniform(back, colour));
}

}  // namespace codectest

#pragma once
// Helpers shared by the tests of the PCX, TGA, WBMP and ICO format classes: test pictures,
// top-down RGBA views of images, memory decoding, a stream that refuses writes, and the
// ImageMagick and Pillow round trips through raw RGBA files.
//
// RGBA buffers are top-down (row 0 is the top of the picture), 4 bytes per pixel, no padding.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CRaster.h"
#include "CRasterMemoryStream.h"
#include "CRasterStream.h"
#include "ExternalTools.h"

namespace codectest {

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

// Decodes bytes held in memory with one format class (or the dispatch with id 0).
inline bool DecodeBytes(CRaster& image, const std::vector<uint8_t>& bytes, uint32_t id) {
    std::vector<uint8_t> copy = bytes;
    CRasterMemoryStream stream(copy.data(), long(copy.size()));
    return image.Decode(&stream, id);
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

// A stream over memory that accepts only `limit` bytes and then refuses every write.
class RefusingStream final : public CRasterStream {
public:
    explicit RefusingStream(size_t limit) : m_limit(limit) {}
    bool Close() override { return true; }
    size_t Read(void*, size_t, size_t) override { return 0; }
    size_t Write(const void*, size_t size, size_t count) override {
        if (size * count > m_limit - m_written) {
            m_written = m_limit;
            return 0;
        }
        m_written += size * count;
        return count;
    }
    bool Seek(long, int) override { return false; }
    long Tell() override { return long(m_written); }
    long Size() override { return long(m_written); }
    bool Flush() override { return true; }
    bool Eof() override { return true; }
    long Error() override { return 0; }
    long GetC() override { return -1; }

private:
    size_t m_limit;
    size_t m_written = 0;
};

}  // namespace codectest

// Writes small valid files of every format the library saves into <folder>/<FORMAT>/, one per
// depth the format takes, as starting points for the fuzz targets.
#include <cstdio>
#include <filesystem>
#include <string>

#include "CRaster.h"

namespace {

struct Format {
    const char* name;
    uint32_t id;
};

const Format kFormats[] = {
    {"BMP", FORMAT_BMP},   {"GIF", FORMAT_GIF}, {"JPG", FORMAT_JPG}, {"PNG", FORMAT_PNG},
    {"ICO", FORMAT_ICO},   {"TIF", FORMAT_TIF}, {"TGA", FORMAT_TGA}, {"PCX", FORMAT_PCX},
    {"WBMP", FORMAT_WBMP}, {"JP2", FORMAT_JP2}, {"JPC", FORMAT_JPC}, {"PGX", FORMAT_PGX},
    {"PNM", FORMAT_PNM},   {"RAS", FORMAT_RAS},
};

// A 13 x 7 picture (odd sizes, so that row padding shows) with a grey palette for palette
// depths, which every writer of the family takes.
void Paint(CRaster& image, uint32_t bpp, bool alpha) {
    image.Create(13, 7, bpp, FORMAT_UNKNOWN);
    if (image.GetNumColors()) image.SetGrayPalette();
    for (int32_t y = 0; y < 7; ++y) {
        for (int32_t x = 0; x < 13; ++x) {
            const auto v = static_cast<uint8_t>(x * 19 + y * 31);
            if (image.GetNumColors()) {
                image.SetPixelIndex(x, y, static_cast<uint8_t>(v % image.GetNumColors()));
            } else {
                image.SetPixelColor(
                    x, y,
                    RGBQUAD{v, static_cast<uint8_t>(255 - v), static_cast<uint8_t>(x * 40), 0});
            }
            if (alpha) {
                if (!image.HasAlpha()) image.CreateAlpha();
                image.SetAlpha(x, y, static_cast<uint8_t>(v * 3));
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    int written = 0;
    for (const Format& format : kFormats) {
        const std::filesystem::path folder = std::filesystem::path(argv[1]) / format.name;
        std::filesystem::create_directories(folder);
        for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
            for (bool alpha : {false, true}) {
                CRaster image;
                Paint(image, bpp, alpha);
                const std::string name = std::to_string(bpp) + (alpha ? "a" : "");
                if (image.Save((folder / name).c_str(), format.id)) ++written;
            }
        }
    }
    std::printf("%d files written\n", written);
    return written > 0 ? 0 : 1;
}

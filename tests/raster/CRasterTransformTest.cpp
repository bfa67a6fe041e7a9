#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "CColorQuantizer.h"
#include "CRaster.h"
#include "CodecTestSupport.h"
#include "TempDir.h"

namespace {

RGBQUAD Rgb(uint8_t r, uint8_t g, uint8_t b) { return RGBQUAD{b, g, r, 0}; }

// A w × h image whose every pixel differs from its neighbours, at any depth.
CRaster Pattern(uint32_t w, uint32_t h, uint32_t bpp) {
    CRaster image(w, h, bpp, FORMAT_BMP);
    if (bpp <= 8) {
        image.SetGrayPalette();
        const uint32_t colors = image.GetNumColors();
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x)
                image.SetPixelIndex(x, y, (x * 3 + y * 5 + x * y) % colors);
        }
    } else {
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x) image.SetPixelColor(x, y, Rgb(x, y, x * y));
        }
    }
    return CRaster(image);
}

bool SamePixels(const CRaster& a, const CRaster& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() ||
        a.GetBpp() != b.GetBpp()) {
        return false;
    }
    for (int32_t y = 0; y < int32_t(a.GetHeight()); ++y) {
        for (int32_t x = 0; x < int32_t(a.GetWidth()); ++x) {
            if (!(a.GetPixelColor(x, y) == b.GetPixelColor(x, y))) return false;
        }
    }
    return true;
}

class Geometry : public ::testing::TestWithParam<uint32_t> {};

TEST_P(Geometry, FlipAndMirrorMapPixelsAndRestoreWhenRepeated) {
    const uint32_t bpp = GetParam();
    const CRaster original = Pattern(13, 7, bpp);
    CRaster image(original);
    image.CreateAlpha();
    image.SetAlpha(2, 1, 77);

    ASSERT_TRUE(image.Flip());
    EXPECT_EQ(image.GetPixelColor(4, 0).rgbRed, original.GetPixelColor(4, 6).rgbRed);
    EXPECT_EQ(image.GetAlpha(2, 5), 77);
    ASSERT_TRUE(image.Flip());
    EXPECT_EQ(image.GetAlpha(2, 1), 77);

    ASSERT_TRUE(image.Mirror());
    EXPECT_EQ(image.GetPixelColor(0, 3).rgbRed, original.GetPixelColor(12, 3).rgbRed);
    EXPECT_EQ(image.GetAlpha(10, 1), 77);
    ASSERT_TRUE(image.Mirror());
    image.DeleteAlpha();
    EXPECT_TRUE(SamePixels(image, original));
}

TEST_P(Geometry, RotationsMapPixelsAndUndoEachOther) {
    const uint32_t bpp = GetParam();
    const CRaster original = Pattern(13, 7, bpp);
    CRaster image(original);
    ASSERT_TRUE(image.RotateLeft());
    ASSERT_EQ(image.GetWidth(), 7u);
    ASSERT_EQ(image.GetHeight(), 13u);
    // New (j, i) is old (i, h - 1 - j).
    for (int32_t j = 0; j < 7; ++j) {
        for (int32_t i = 0; i < 13; ++i) {
            ASSERT_EQ(image.GetPixelColor(j, i), original.GetPixelColor(i, 6 - j)) << j << "," << i;
        }
    }
    ASSERT_TRUE(image.RotateRight());
    EXPECT_TRUE(SamePixels(image, original));

    CRaster target;
    ASSERT_TRUE(image.RotateRight(&target));
    EXPECT_TRUE(SamePixels(image, original));  // the source stays when a target is given
    EXPECT_EQ(target.GetPixelColor(0, 0), original.GetPixelColor(12, 0));
}

INSTANTIATE_TEST_SUITE_P(Depths, Geometry, ::testing::Values(1u, 4u, 8u, 24u));

TEST(RotateOneBit, MatchesTheGeneralPath) {
    const CRaster bits = Pattern(13, 7, 1);
    CRaster four(13, 7, 4, FORMAT_BMP);
    four.SetPaletteColor(1, 255, 255, 255);
    for (int32_t y = 0; y < 7; ++y) {
        for (int32_t x = 0; x < 13; ++x) four.SetPixelIndex(x, y, bits.GetPixelIndex(x, y));
    }
    for (bool left : {true, false}) {
        CRaster a(bits), b(four);
        ASSERT_TRUE(left ? a.RotateLeft() : a.RotateRight());
        ASSERT_TRUE(left ? b.RotateLeft() : b.RotateRight());
        for (int32_t y = 0; y < 13; ++y) {
            for (int32_t x = 0; x < 7; ++x) {
                ASSERT_EQ(a.GetPixelIndex(x, y), b.GetPixelIndex(x, y)) << left << x << "," << y;
            }
        }
    }
}

TEST(Crop, TakesTheRectangleCountedFromTheTopAndResetsTheInfo) {
    CRaster image = Pattern(100, 100, 24);
    image.SetXDPI(300);
    image.SetJpegQuality(90);
    image.CreateAlpha();
    image.SetAlpha(10, 99 - 20, 55);  // top-left of the crop in top-down rows
    const CRaster original(image);

    ASSERT_TRUE(image.Crop(50, 80, 10, 20));
    ASSERT_EQ(image.GetWidth(), 40u);
    ASSERT_EQ(image.GetHeight(), 60u);
    // Bottom-up row 0 of the result is top-down row 79 of the original.
    EXPECT_EQ(image.GetPixelColor(0, 0), original.GetPixelColor(10, 20));
    EXPECT_EQ(image.GetPixelColor(39, 59), original.GetPixelColor(49, 79));
    EXPECT_EQ(image.GetAlpha(0, 59), 55);
    EXPECT_EQ(image.GetXDPI(), 96);
    EXPECT_EQ(image.GetJpegQuality(), 75);

    CRaster whole(original);
    ASSERT_TRUE(whole.Crop(-5, -5, 500, 500));
    EXPECT_EQ(whole.GetWidth(), 100u);
    EXPECT_EQ(whole.GetPixelColor(3, 4), original.GetPixelColor(3, 4));
}

TEST(Crop, PaletteImagesKeepPaletteAndTransparency) {
    CRaster image = Pattern(13, 7, 4);
    image.SetTransIndex(3);
    CRaster cropped;
    ASSERT_TRUE(image.Crop(3, 1, 12, 6, &cropped));
    EXPECT_EQ(image.GetWidth(), 13u);  // the source stays when a target is given
    EXPECT_EQ(cropped.GetWidth(), 9u);
    EXPECT_EQ(cropped.GetTransIndex(), 3);
    EXPECT_EQ(cropped.GetPixelIndex(0, 0), image.GetPixelIndex(3, 1));
    EXPECT_EQ(cropped.GetPaletteColor(7), image.GetPaletteColor(7));
}

// Every operation that fails leaves the image exactly as it was.
TEST(GeometryFailures, LeaveTheImageUnchanged) {
    const CRaster original = Pattern(10, 10, 8);
    CRaster image(original);
    EXPECT_FALSE(image.Crop(10, 10, 10, 50));
    EXPECT_FALSE(image.Crop(0, 5, 10, 5));
    EXPECT_FALSE(image.ReduceBpp(24));
    EXPECT_FALSE(image.ReduceBpp(24, false, nullptr, 5));
    EXPECT_TRUE(SamePixels(image, original));
    EXPECT_EQ(std::memcmp(image.GetDIB(), original.GetDIB(), original.GetSize()), 0);

    CRaster empty;
    EXPECT_FALSE(empty.Flip());
    EXPECT_FALSE(empty.Mirror());
    EXPECT_FALSE(empty.RotateLeft());
    EXPECT_FALSE(empty.RotateRight());
    EXPECT_FALSE(empty.Crop(0, 0, 1, 1));
    EXPECT_FALSE(empty.ReduceBpp(8));
    EXPECT_FALSE(empty.IsValid());

    CRaster four = Pattern(4, 4, 4);
    EXPECT_FALSE(four.ReduceBpp(8));
    EXPECT_EQ(four.GetBpp(), 4u);
}

TEST(ReduceBpp, SameDepthWithoutColourCountChangesNothing) {
    CRaster rgb = Pattern(4, 4, 24);
    const void* before = rgb.GetDIB();
    EXPECT_TRUE(rgb.ReduceBpp(24));
    EXPECT_EQ(rgb.GetDIB(), before);
    CRaster eight = Pattern(4, 4, 8);
    before = eight.GetDIB();
    EXPECT_TRUE(eight.ReduceBpp(8));
    EXPECT_EQ(eight.GetDIB(), before);
}

TEST(ReduceBpp, MapsToThePaletteWithTheInfoRecordKept) {
    RGBQUAD palette[256] = {};
    palette[0] = Rgb(0, 0, 0);
    palette[1] = Rgb(255, 0, 0);
    palette[2] = Rgb(0, 0, 255);
    CRaster image(3, 1, 24, FORMAT_JPG);
    image.SetXDPI(200);
    image.SetPixelColor(0, 0, Rgb(250, 10, 0));
    image.SetPixelColor(1, 0, Rgb(5, 0, 240));
    image.SetPixelColor(2, 0, Rgb(1, 2, 3));
    ASSERT_TRUE(image.ReduceBpp(8, false, palette, 3));
    EXPECT_EQ(image.GetBpp(), 8u);
    EXPECT_EQ(image.GetHeader().biClrImportant, 3u);
    EXPECT_EQ(image.GetXDPI(), 200);
    EXPECT_EQ(image.GetType(), uint32_t{FORMAT_JPG});
    EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
    EXPECT_EQ(image.GetPixelIndex(1, 0), 2);
    EXPECT_EQ(image.GetPixelIndex(2, 0), 0);
}

TEST(ReduceBpp, UniformColourInThePaletteDiffusesNoError) {
    RGBQUAD palette[256] = {};
    for (int i = 0; i < 256; ++i) palette[i] = Rgb(i, 255 - i, 7);
    CRaster image(6, 5, 24, FORMAT_BMP);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) image.SetPixelColor(x, y, Rgb(40, 215, 7));
    }
    ASSERT_TRUE(image.ReduceBpp(8, true, palette, 256));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) ASSERT_EQ(image.GetPixelIndex(x, y), 40);
    }
}

TEST(ReduceBpp, ErrorDiffusionCarriesTheErrorToLaterPixels) {
    // Grey 100 between black and white: with diffusion some pixels turn white, without none.
    CRaster plain(8, 8, 24, FORMAT_BMP);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) plain.SetPixelColor(x, y, Rgb(100, 100, 100));
    }
    CRaster diffused(plain);
    ASSERT_TRUE(plain.ReduceBpp(1));
    ASSERT_TRUE(diffused.ReduceBpp(1, true));
    int whitePlain = 0, whiteDiffused = 0;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            whitePlain += plain.GetPixelIndex(x, y);
            whiteDiffused += diffused.GetPixelIndex(x, y);
        }
    }
    EXPECT_EQ(whitePlain, 0);
    // 100/255 of 64 pixels would be 25; the weights sum to 14/16, so a little less arrives.
    EXPECT_GT(whiteDiffused, 12);
    EXPECT_LT(whiteDiffused, 32);
    EXPECT_EQ(diffused.GetPaletteColor(1), Rgb(255, 255, 255));
}

// A photograph-like picture from integer arithmetic only (the same on every compiler):
// gradients, a bright patch, a texture and noise.
CRaster PhotoLike(uint32_t w, uint32_t h) {
    CRaster image(w, h, 24, FORMAT_BMP);
    uint32_t seed = 7;
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* row = image.GetBits(y);
        for (uint32_t x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = int((seed >> 16) % 25) - 12;
            const int dx = int(x) - int(w * 3 / 5), dy = int(y) - int(h * 2 / 5);
            const int spot = std::max(0, 255 - (dx * dx + dy * dy) * 400 / int(w * w));
            auto clamp = [](int c) { return uint8_t(std::clamp(c, 0, 255)); };
            row[3 * x + 0] =
                clamp(30 + int(150 * y / h) + spot / 2 + int((x / 7 + y / 5) % 9) * 6 + noise);
            row[3 * x + 1] = clamp(60 + int(120 * x / w) + spot / 3 + noise);
            row[3 * x + 2] =
                clamp(220 - int(170 * y / h) + spot / 4 + int((x * y / 13) % 11) * 4 + noise);
        }
    }
    return image;
}

// The 256-colour palette the document's GIF save builds for an image.
std::vector<RGBQUAD> OctreePalette(const CRaster& image) {
    CColorQuantizer quantizer(256, 7);
    quantizer.AddImage(image.GetDIB());
    std::vector<RGBQUAD> palette(256, RGBQUAD{0, 0, 0, 0});
    quantizer.WritePalette(palette.data());
    return palette;
}

// A copy with the important-colour count, which a plain copy takes from the header stored in
// the pixel block and so loses.
CRaster CopyOf(const CRaster& image) {
    CRaster copy(image);
    copy.SetImportantColors(image.GetHeader().biClrImportant);
    return copy;
}

// The reduction's pixel pass done by hand through the accessors, whose SetPixelColor picks the
// nearest entry by the plain search over the palette: source is reduced into result, which
// already has the depth, palette and important-colour count that ReduceBpp gave it.
void ReduceByHand(const CRaster& original, CRaster& result, bool errorDiffusion) {
    CRaster source = CopyOf(original);
    const int32_t w = int32_t(source.GetWidth()), h = int32_t(source.GetHeight());
    const int kWeights[4][3] = {{1, 0, 7}, {-1, 1, 2}, {0, 1, 4}, {1, 1, 1}};
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const RGBQUAD c = source.GetPixelColor(x, y);
            result.SetPixelColor(x, y, c);
            if (!errorDiffusion) continue;
            const RGBQUAD q = result.GetPixelColor(x, y);
            for (const auto& [dx, dy, weight] : kWeights) {
                if (!source.IsInside(x + dx, y + dy)) continue;
                RGBQUAD n = source.GetPixelColor(x + dx, y + dy);
                auto spread = [&](uint8_t& channel, int error) {
                    channel = uint8_t(std::clamp(channel + error * weight / 16, 0, 255));
                };
                spread(n.rgbRed, c.rgbRed - q.rgbRed);
                spread(n.rgbGreen, c.rgbGreen - q.rgbGreen);
                spread(n.rgbBlue, c.rgbBlue - q.rgbBlue);
                source.SetPixelColor(x + dx, y + dy, n);
            }
        }
    }
}

struct ReduceCase {
    const char* name;
    uint32_t sourceBpp;  // 24, or 8 for the picture first reduced to 64 of its octree colours
    uint32_t bpp;
    bool errorDiffusion;
    const char* palette;  // "octree", "doubled" (8 colours each twice) or "none"
    uint32_t colorCount;
};

void PrintTo(const ReduceCase& c, std::ostream* os) { *os << c.name; }

std::vector<RGBQUAD> CasePalette(const ReduceCase& c, const CRaster& source) {
    if (std::string(c.palette) == "octree") return OctreePalette(source);
    std::vector<RGBQUAD> doubled(256, RGBQUAD{0, 0, 0, 0});
    for (uint8_t i = 0; i < 8; ++i) {
        doubled[i] = doubled[i + 8] = Rgb(uint8_t(i * 37), uint8_t(255 - i * 13), uint8_t(i * i));
    }
    return doubled;
}

class ReduceBppPixels : public ::testing::TestWithParam<ReduceCase> {};

// The reduced indices and the GIF file written from them equal those of the plain per-pixel
// reduction, for every depth, palette source and important-colour count.
TEST_P(ReduceBppPixels, EqualThePlainPerPixelReduction) {
    const ReduceCase& c = GetParam();
    CRaster source = PhotoLike(53, 41);
    if (c.sourceBpp == 8) {
        // All 256 entries are set, the first 64 are used.
        ASSERT_TRUE(source.ReduceBpp(8, true, OctreePalette(source).data(), 64));
    }
    const std::vector<RGBQUAD> palette = CasePalette(c, source);
    CRaster reduced = CopyOf(source);
    ASSERT_TRUE(reduced.ReduceBpp(c.bpp, c.errorDiffusion,
                                  std::string(c.palette) == "none" ? nullptr : palette.data(),
                                  c.colorCount));
    ASSERT_EQ(reduced.GetBpp(), c.bpp);
    CRaster expected = CopyOf(reduced);
    ReduceByHand(source, expected, c.errorDiffusion);
    for (int32_t y = 0; y < int32_t(source.GetHeight()); ++y) {
        for (int32_t x = 0; x < int32_t(source.GetWidth()); ++x) {
            ASSERT_EQ(reduced.GetPixelIndex(x, y), expected.GetPixelIndex(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(codectest::EncodeToBytes(reduced, FORMAT_GIF),
              codectest::EncodeToBytes(expected, FORMAT_GIF));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReduceBppPixels,
    ::testing::Values(ReduceCase{"GifSave", 24, 8, true, "octree", 256},
                      ReduceCase{"GifSaveWithoutDiffusion", 24, 8, false, "octree", 256},
                      ReduceCase{"FirstHundredColours", 24, 8, true, "octree", 100},
                      ReduceCase{"DuplicateEntries", 24, 4, true, "doubled", 0},
                      ReduceCase{"BlackAndWhite", 24, 1, true, "none", 0},
                      ReduceCase{"PaletteSourceToFourBits", 8, 4, true, "doubled", 16},
                      ReduceCase{"PaletteSourceAgain", 8, 8, true, "octree", 48}),
    [](const auto& info) { return std::string(info.param.name); });

// FNV-1a: a short fingerprint of a file's bytes.
uint64_t Fingerprint(const std::vector<uint8_t>& bytes) {
    uint64_t hash = 14695981039346656037ull;
    for (uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

// The document's GIF save of a fixed picture keeps its bytes, with and without error diffusion.
TEST(ReduceBpp, GifOfTheDocumentSaveKeepsItsBytes) {
    for (const auto& [errorDiffusion, fingerprint] :
         {std::pair{false, 2944068273988872780ull}, std::pair{true, 12421234636520738945ull}}) {
        CRaster image = PhotoLike(120, 90);
        const std::vector<RGBQUAD> palette = OctreePalette(image);
        ASSERT_TRUE(image.ReduceBpp(8, errorDiffusion, palette.data(), 256));
        EXPECT_EQ(Fingerprint(codectest::EncodeToBytes(image, FORMAT_GIF)), fingerprint)
            << errorDiffusion;
    }
}

TEST(Planes, AlphaAndSelectionCopiesNeedEqualSizes) {
    CRaster a(4, 3, 24, FORMAT_BMP), b(4, 2, 24, FORMAT_BMP), c(4, 3, 24, FORMAT_BMP);
    a.CreateAlpha();
    a.FillAlpha(9);
    a.SetAlphaMax(100);
    EXPECT_FALSE(b.CopyAlphaFrom(a));
    EXPECT_FALSE(b.HasAlpha());
    EXPECT_TRUE(c.CopyAlphaFrom(a));
    EXPECT_EQ(c.GetAlpha(3, 2), 9);
    EXPECT_EQ(c.GetAlphaMax(), 100);
    EXPECT_EQ(c.GetAlpha(4, 2), 0);  // outside
    EXPECT_FALSE(c.CopySelectionFrom(a));
    EXPECT_TRUE(c.DeleteSelection());
    const RECT box = c.GetSelectionBox();
    EXPECT_EQ(box.left, 4);
    EXPECT_EQ(box.bottom, 3);
    EXPECT_FALSE(b.FlipAlpha());
    EXPECT_FALSE(b.MirrorAlpha());
}

}  // namespace

namespace {

// The formats that store a resolution: BMP and PNG in pixels per metre, the others in DPI.
struct ResolutionFormat {
    uint32_t id;
    const char* extension;
    bool palette;  // JPEG takes no colour palette image
};
const ResolutionFormat kResolutionFormats[] = {{FORMAT_BMP, "bmp", true},
                                               {FORMAT_PNG, "png", true},
                                               {FORMAT_JPG, "jpg", false},
                                               {FORMAT_TIF, "tif", true},
                                               {FORMAT_PCX, "pcx", true}};

// The resolution each file states, read by an independent tool, one "x y" line per file.
std::vector<std::pair<double, double>> ToolResolutions(codectest::Tool tool, const TempDir& dir,
                                                       const std::vector<std::string>& files) {
    const std::string out = dir.File("dpi.txt");
    bool ok = false;
    if (tool == codectest::Tool::ImageMagick) {
        std::string command = external::kIdentify + " -units PixelsPerInch -format '%x %y\\n'";
        for (const std::string& file : files) command += " " + codectest::Quote(file);
        ok = std::system((command + " > " + codectest::Quote(out) + " 2>/dev/null").c_str()) == 0;
    } else {
        std::vector<std::string> args = {out};
        args.insert(args.end(), files.begin(), files.end());
        ok = codectest::RunPillow(dir.Path().string(),
                                  "import sys\nfrom PIL import Image\n"
                                  "with open(sys.argv[1], 'w') as out:\n"
                                  "    for f in sys.argv[2:]:\n"
                                  "        x, y = Image.open(f).info.get('dpi', (0, 0))\n"
                                  "        out.write('%f %f\\n' % (x, y))\n",
                                  args);
    }
    std::vector<std::pair<double, double>> values;
    if (!ok) return values;
    std::istringstream lines(TempDir::ReadText(out));
    double x, y;
    while (lines >> x >> y) values.emplace_back(x, y);
    return values;
}

}  // namespace

// Every operation keeps the image's resolution, and every format that stores one writes the
// same value whether it takes the header's pixels per metre (BMP, PNG) or the DPI (others).
TEST(Resolution, SurvivesEveryOperationAndEveryFormatThatStoresIt) {
    const struct {
        const char* name;
        std::function<bool(CRaster&)> run;
    } operations[] = {
        {"copy",
         [](CRaster& i) {
             CRaster copy(i);
             i.MoveFrom(copy);
             return true;
         }},
        {"flip", [](CRaster& i) { return i.Flip(); }},
        {"mirror", [](CRaster& i) { return i.Mirror(); }},
        {"rotate left", [](CRaster& i) { return i.RotateLeft(); }},
        {"rotate right into another image",
         [](CRaster& i) {
             CRaster turned;
             if (!i.RotateRight(&turned)) return false;
             i.MoveFrom(turned);
             return true;
         }},
        {"reduce to 8 bits", [](CRaster& i) { return i.ReduceBpp(8, true); }},
        {"reduce to 1 bit", [](CRaster& i) { return i.ReduceBpp(1); }},
    };
    for (const auto& op : operations) {
        SCOPED_TRACE(op.name);
        TempDir dir;
        std::vector<std::string> files;
        for (const ResolutionFormat& format : kResolutionFormats) {
            SCOPED_TRACE(format.extension);
            CRaster image = Pattern(9, 5, 24);
            image.SetXDPI(300);
            image.SetYDPI(300);
            ASSERT_TRUE(op.run(image));
            EXPECT_EQ(image.GetXDPI(), 300);
            if (image.GetBpp() <= 8 && !format.palette) continue;
            files.push_back(dir.File(std::string("image.") + format.extension));
            ASSERT_TRUE(image.Save(files.back().c_str(), format.id)) << image.GetLastError();
            CRaster loaded;
            ASSERT_TRUE(loaded.Load(files.back().c_str(), format.id)) << loaded.GetLastError();
            EXPECT_EQ(loaded.GetXDPI(), 300);
            EXPECT_EQ(loaded.GetYDPI(), 300);
        }
        for (codectest::Tool tool : {codectest::Tool::ImageMagick, codectest::Tool::Pillow}) {
            if (!codectest::HaveTool(tool)) continue;
            SCOPED_TRACE(codectest::ToolName(tool));
            const auto values = ToolResolutions(tool, dir, files);
            ASSERT_EQ(values.size(), files.size());
            // Pixels per metre give 299.999... dots per inch.
            for (size_t k = 0; k < files.size(); ++k) {
                EXPECT_NEAR(values[k].first, 300, 0.01) << files[k];
                EXPECT_NEAR(values[k].second, 300, 0.01) << files[k];
            }
        }
    }
}

// A BMP file without a resolution reads as 96 DPI, and every writer then stores 96 DPI, the
// BMP writer included.
TEST(Resolution, AHeaderThatDisagreesWithTheDpiIsNotWritten) {
    TempDir dir;
    const std::string source = dir.File("none.bmp");
    CRaster image = Pattern(9, 5, 24);
    ASSERT_TRUE(image.Save(source.c_str(), FORMAT_BMP));
    std::vector<uint8_t> bytes = TempDir::ReadBytes(source);
    std::fill(bytes.begin() + 38, bytes.begin() + 46, 0);  // pixels per metre, x and y
    TempDir::WriteBytes(source, bytes);
    CRaster read;
    ASSERT_TRUE(read.Load(source.c_str(), FORMAT_BMP));
    ASSERT_EQ(read.GetXDPI(), 96);
    for (const ResolutionFormat& format : kResolutionFormats) {
        SCOPED_TRACE(format.extension);
        const std::string path = dir.File(std::string("out.") + format.extension);
        ASSERT_TRUE(read.Save(path.c_str(), format.id));
        CRaster loaded;
        ASSERT_TRUE(loaded.Load(path.c_str(), format.id));
        EXPECT_EQ(loaded.GetXDPI(), 96);
        EXPECT_EQ(loaded.GetYDPI(), 96);
    }
}

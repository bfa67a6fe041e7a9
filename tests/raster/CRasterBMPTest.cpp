#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "CRasterBMP.h"
#include "CodecTestSupport.h"
#include "TempDir.h"

using namespace codectest;

namespace {

// A BMP file (or, without file header, bare bitmap data) built byte by byte.
struct BmpSpec {
    int32_t width = 4;
    int32_t height = 2;
    uint16_t bits = 8;
    uint32_t compression = 0;
    Bytes palette;      // raw entries as on file
    Bytes afterHeader;  // masks and the like, between header and palette
    Bytes pixels;       // raw pixel data as on file
    uint32_t clrUsed = 0;
    uint32_t sizeImage = 0;
    uint32_t headerSize = 40;
    bool fileHeader = true;
    int32_t xPels = 3780;
};

Bytes BuildBmp(const BmpSpec& s) {
    Bytes info;
    Put32(info, s.headerSize);
    if (s.headerSize == 12) {
        Put16(info, s.width);
        Put16(info, s.height);
        Put16(info, 1);
        Put16(info, s.bits);
    } else {
        Put32(info, s.width);
        Put32(info, s.height);
        Put16(info, 1);
        Put16(info, s.bits);
        Put32(info, s.compression);
        Put32(info, s.sizeImage);
        Put32(info, s.xPels);
        Put32(info, s.xPels);
        Put32(info, s.clrUsed);
        Put32(info, 0);
    }
    Append(info, s.afterHeader);
    Append(info, s.palette);
    Bytes out;
    if (s.fileHeader) {
        Put16(out, 0x4D42);
        Put32(out, static_cast<uint32_t>(14 + info.size() + s.pixels.size()));
        Put32(out, 0);
        Put32(out, static_cast<uint32_t>(14 + info.size()));
    }
    Append(out, info);
    Append(out, s.pixels);
    return out;
}

Bytes GrayPalette(int n, int entrySize = 4) {
    Bytes p;
    for (int i = 0; i < n; ++i) {
        const uint8_t v = static_cast<uint8_t>(i * 255 / (n - 1));
        p.insert(p.end(), {v, v, v});
        if (entrySize == 4) p.push_back(0x55);  // reserved byte, cleared on read
    }
    return p;
}

struct Probe {
    int32_t x, y;  // bottom-up
    uint8_t red, green, blue;
};

struct FixtureCase {
    const char* name;
    BmpSpec spec;
    uint32_t width, height, bpp;
    std::vector<Probe> probes;
};

std::vector<FixtureCase> Fixtures() {
    std::vector<FixtureCase> cases;
    // 8-bit, 4 × 2, bottom row 0 1 2 3, top row 252..255.
    BmpSpec gray8;
    gray8.palette = GrayPalette(256);
    gray8.pixels = {0, 1, 2, 3, 252, 253, 254, 255};
    cases.push_back({"gray8", gray8, 4, 2, 8, {{0, 0, 0, 0, 0}, {3, 1, 255, 255, 255}}});

    BmpSpec bare = gray8;
    bare.fileHeader = false;
    cases.push_back({"bare DIB", bare, 4, 2, 8, {{1, 0, 1, 1, 1}, {0, 1, 252, 252, 252}}});

    BmpSpec core = gray8;
    core.headerSize = 12;
    core.palette = GrayPalette(256, 3);
    cases.push_back({"core header", core, 4, 2, 8, {{1, 0, 1, 1, 1}, {3, 1, 255, 255, 255}}});

    BmpSpec topDown = gray8;
    topDown.height = -2;
    topDown.pixels = {252, 253, 254, 255, 0, 1, 2, 3};
    cases.push_back({"top-down", topDown, 4, 2, 8, {{0, 0, 0, 0, 0}, {3, 1, 255, 255, 255}}});

    // clrUsed 16 with only 16 entries on file; the pixel offset finds the rows.
    BmpSpec few = gray8;
    few.clrUsed = 16;
    few.palette = GrayPalette(16);
    few.pixels = {0, 1, 2, 3, 12, 13, 14, 15};
    cases.push_back({"clrUsed 16", few, 4, 2, 8, {{1, 0, 17, 17, 17}, {3, 1, 255, 255, 255}}});

    BmpSpec mono;
    mono.width = 9;
    mono.height = 1;
    mono.bits = 1;
    mono.palette = {0, 0, 255, 0, 255, 0, 0, 0};  // red, blue
    mono.pixels = {0xA0, 0x80, 0, 0};
    cases.push_back(
        {"1 bit", mono, 9, 1, 1, {{0, 0, 0, 0, 255}, {1, 0, 255, 0, 0}, {8, 0, 0, 0, 255}}});

    BmpSpec four;
    four.bits = 4;
    four.height = 1;
    four.palette = GrayPalette(16);
    four.pixels = {0x1F, 0x30, 0, 0};
    cases.push_back(
        {"4 bit", four, 4, 1, 4, {{0, 0, 17, 17, 17}, {1, 0, 255, 255, 255}, {2, 0, 51, 51, 51}}});

    // 16 bits without bit fields: 5-5-5. Pixel 0 pure red, pixel 1 pure green, pixel 2 blue.
    BmpSpec rgb555;
    rgb555.width = 3;
    rgb555.height = 1;
    rgb555.bits = 16;
    rgb555.pixels = {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0};
    cases.push_back({"16 bit 555",
                     rgb555,
                     3,
                     1,
                     24,
                     {{0, 0, 248, 0, 0}, {1, 0, 0, 248, 0}, {2, 0, 0, 0, 248}}});

    BmpSpec rgb565 = rgb555;
    rgb565.compression = 3;
    for (uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) Put32(rgb565.afterHeader, m);
    rgb565.pixels = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0, 0};
    cases.push_back({"16 bit 565",
                     rgb565,
                     3,
                     1,
                     24,
                     {{0, 0, 248, 0, 0}, {1, 0, 0, 252, 0}, {2, 0, 0, 0, 248}}});

    // A 124-byte header holding its 565 masks in bytes 40..51.
    BmpSpec v5 = rgb565;
    v5.headerSize = 124;
    v5.sizeImage = 8;
    v5.afterHeader.resize(124 - 40, 0);
    for (int i = 0; i < 12; ++i) v5.afterHeader[i] = rgb565.afterHeader[i];
    cases.push_back({"124-byte header 565",
                     v5,
                     3,
                     1,
                     24,
                     {{0, 0, 248, 0, 0}, {1, 0, 0, 252, 0}, {2, 0, 0, 0, 248}}});

    BmpSpec rgb32;
    rgb32.width = 2;
    rgb32.height = 1;
    rgb32.bits = 32;
    rgb32.pixels = {10, 20, 30, 99, 40, 50, 60, 99};
    cases.push_back({"32 bit", rgb32, 2, 1, 24, {{0, 0, 30, 20, 10}, {1, 0, 60, 50, 40}}});

    BmpSpec rgb24;
    rgb24.width = 1;
    rgb24.height = 2;
    rgb24.bits = 24;
    rgb24.xPels = 2835;
    rgb24.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    cases.push_back({"24 bit", rgb24, 1, 2, 24, {{0, 0, 3, 2, 1}, {0, 1, 6, 5, 4}}});

    // RLE8: a run of 3, an absolute run of 3 (odd, padded), end of line, delta, run, end.
    BmpSpec rle8 = gray8;
    rle8.width = 6;
    rle8.height = 3;
    rle8.compression = 1;
    rle8.pixels = {3, 10, 0, 3, 20, 21, 22, 0, 0, 0, 0, 2, 2, 1, 2, 99, 0, 1};
    cases.push_back({"RLE8",
                     rle8,
                     6,
                     3,
                     8,
                     {{0, 0, 10, 10, 10},
                      {3, 0, 20, 20, 20},
                      {5, 0, 22, 22, 22},
                      {2, 2, 99, 99, 99},
                      {3, 2, 99, 99, 99},
                      {4, 2, 0, 0, 0}}});

    // RLE4: absolute runs of 3 pixels (2 bytes, no pad) and 5 pixels (3 bytes and a pad byte),
    // then a run of 3 alternating nibbles 1, 2, 1.
    BmpSpec rle4;
    rle4.bits = 4;
    rle4.width = 11;
    rle4.height = 1;
    rle4.compression = 2;
    rle4.palette = GrayPalette(16);
    rle4.pixels = {0, 3, 0xAB, 0xC0, 0, 5, 0x12, 0x34, 0x50, 0, 3, 0x12, 0, 1};
    cases.push_back({"RLE4",
                     rle4,
                     11,
                     1,
                     4,
                     {{0, 0, 170, 170, 170},
                      {2, 0, 204, 204, 204},
                      {3, 0, 17, 17, 17},
                      {7, 0, 85, 85, 85},
                      {8, 0, 17, 17, 17},
                      {9, 0, 34, 34, 34},
                      {10, 0, 17, 17, 17}}});
    return cases;
}

TEST(CRasterBMP, DecodesHandBuiltFiles) {
    for (const FixtureCase& c : Fixtures()) {
        SCOPED_TRACE(c.name);
        CRaster image;
        ASSERT_TRUE(DecodeBytes(image, BuildBmp(c.spec), FORMAT_BMP)) << image.GetLastError();
        EXPECT_EQ(image.GetWidth(), c.width);
        EXPECT_EQ(image.GetHeight(), c.height);
        EXPECT_EQ(image.GetBpp(), c.bpp);
        EXPECT_EQ(image.GetType(), uint32_t{FORMAT_BMP});
        for (const Probe& p : c.probes) {
            const RGBQUAD q = image.GetPixelColor(p.x, p.y);
            EXPECT_EQ((std::vector<int>{q.rgbRed, q.rgbGreen, q.rgbBlue}),
                      (std::vector<int>{p.red, p.green, p.blue}))
                << "at " << p.x << "," << p.y;
        }
        if (image.GetPalette()) {
            EXPECT_FALSE(image.HasPaletteAlpha());
        }
    }
}

TEST(CRasterBMP, ReadsResolutionAndKeepsFileFields) {
    BmpSpec s = Fixtures()[0].spec;
    s.xPels = 2835;
    CRaster image;
    ASSERT_TRUE(DecodeBytes(image, BuildBmp(s), FORMAT_BMP));
    EXPECT_EQ(image.GetXDPI(), 72);
    EXPECT_EQ(image.GetYDPI(), 72);
    EXPECT_EQ(image.GetHeader().biXPelsPerMeter, 2835);
}

// RLE runs are not clipped to the row: they go on in the row above, and nothing is written
// past the pixel buffer however far runs, deltas and absolute runs reach.
TEST(CRasterBMP, RleRunsWrapIntoNextRowAndStayInsideTheBuffer) {
    BmpSpec s;
    s.width = 2;
    s.height = 2;
    s.compression = 1;
    s.palette = GrayPalette(256);
    s.pixels = {6, 7, 255, 8, 0, 2, 255, 0, 0, 200, 1, 2, 3, 4};
    s.pixels.resize(s.pixels.size() + 200, 9);
    Append(s.pixels, {0, 1});
    CRaster image;
    ASSERT_TRUE(DecodeBytes(image, BuildBmp(s), FORMAT_BMP)) << image.GetLastError();
    // Row stride 4: six bytes fill row 0 (2 pixels and 2 fill bytes) and row 1's first two.
    EXPECT_EQ(image.GetPixelIndex(0, 1), 7);
    EXPECT_EQ(image.GetPixelIndex(1, 1), 7);
}

TEST(CRasterBMP, RleEndsWhenRowsPassTheHeight) {
    BmpSpec s;
    s.width = 2;
    s.height = 1;
    s.compression = 1;
    s.palette = GrayPalette(256);
    s.pixels = {2, 5, 0, 0, 2, 6};  // row 0, end of line: done, no end-of-bitmap needed
    CRaster image;
    ASSERT_TRUE(DecodeBytes(image, BuildBmp(s), FORMAT_BMP)) << image.GetLastError();
    EXPECT_EQ(image.GetPixelIndex(1, 0), 5);
}

struct RefusalCase {
    const char* name;
    BmpSpec spec;
    const char* error;
};

TEST(CRasterBMP, RefusesBadHeadersWithTheirTexts) {
    const BmpSpec base = Fixtures()[0].spec;
    auto with = [&](auto change) {
        BmpSpec s = base;
        change(s);
        return s;
    };
    const RefusalCase cases[] = {
        {"width 0", with([](BmpSpec& s) { s.width = 0; }), "Error reading BMP info"},
        {"negative width", with([](BmpSpec& s) { s.width = -4; }), "Error reading BMP info"},
        {"height 0", with([](BmpSpec& s) { s.height = 0; }), "Error reading BMP info"},
        {"height INT_MIN", with([](BmpSpec& s) { s.height = INT_MIN; }), "Error reading BMP info"},
        {"bit count 0", with([](BmpSpec& s) { s.bits = 0; }), "Error reading BMP info"},
        {"bit count 2", with([](BmpSpec& s) { s.bits = 2; }), "Error reading BMP info"},
        {"header size 20", with([](BmpSpec& s) { s.headerSize = 20; }), "Error reading BMP info"},
        {"8-bit JPEG", with([](BmpSpec& s) { s.compression = 4; }),
         "compression type not supported"},
        {"24-bit RLE", with([](BmpSpec& s) {
             s.bits = 24;
             s.compression = 1;
             s.palette = {};
         }),
         "unknown compression"},
        {"32-bit RLE4", with([](BmpSpec& s) {
             s.bits = 32;
             s.compression = 2;
             s.palette = {};
         }),
         "unknown compression"},
        {"huge size, few bytes", with([](BmpSpec& s) { s.width = s.height = 60000; }),
         "Error reading BMP data"},
        {"overlong rows, 124-byte header", with([](BmpSpec& s) {
             s.headerSize = 124;
             s.afterHeader.assign(84, 0);
             s.width = 1023410178;
             s.height = -2147483000;
             s.bits = 0x3D00;
         }),
         "Error reading BMP info"},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        CRaster image;
        EXPECT_FALSE(DecodeBytes(image, BuildBmp(c.spec), FORMAT_BMP));
        EXPECT_STREQ(image.GetLastError(), c.error);
        EXPECT_FALSE(image.IsValid());
    }
    CRaster image;
    EXPECT_FALSE(DecodeBytes(image, {'B', 'M', 1, 2}, FORMAT_BMP));
    EXPECT_STREQ(image.GetLastError(), "Not a BMP");
}

// A file cut inside its pixel data keeps the bytes it holds, the rest of the rows zero; cut
// before its first pixel byte it has nothing to show.
TEST(CRasterBMP, CutFilesKeepTheRowsTheyHold) {
    for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
        SCOPED_TRACE(bpp);
        CRaster written(13, 7, bpp, FORMAT_BMP);
        PaintPattern(written);
        const Bytes full = EncodeToBytes(written, FORMAT_BMP);
        const size_t offBits = full[10] | full[11] << 8;
        CRaster whole;
        ASSERT_TRUE(DecodeBytes(whole, full, FORMAT_BMP));
        const uint32_t size = whole.GetHeader().biSizeImage;
        for (size_t n = 0; n < full.size(); ++n) {
            CRaster image;
            const bool ok = DecodeBytes(image, Bytes(full.begin(), full.begin() + n), FORMAT_BMP);
            ASSERT_EQ(ok, n > offBits) << n << " " << image.GetLastError();
            if (!ok) {
                ASSERT_STRNE(image.GetLastError(), "") << n;
                continue;
            }
            ASSERT_EQ(image.GetHeader().biSizeImage, size);
            const Bytes held(whole.GetBits(0), whole.GetBits(0) + (n - offBits));
            Bytes expected = held;
            expected.resize(size, 0);
            ASSERT_EQ(Bytes(image.GetBits(0), image.GetBits(0) + size), expected) << n;
        }
    }
}

// Every layout loads from its first pixel byte on; each pixel then is the whole file's, or zero
// where the data has not reached (a colour pixel cut inside has only some of its bits).
TEST(CRasterBMP, CutFilesOfEveryLayoutLoad) {
    for (const FixtureCase& c : Fixtures()) {
        SCOPED_TRACE(c.name);
        const Bytes full = BuildBmp(c.spec);
        const size_t pixelStart = full.size() - c.spec.pixels.size();
        CRaster whole;
        ASSERT_TRUE(DecodeBytes(whole, full, FORMAT_BMP));
        for (size_t n = 0; n < full.size(); ++n) {
            CRaster image;
            const bool ok = DecodeBytes(image, Bytes(full.begin(), full.begin() + n), FORMAT_BMP);
            ASSERT_EQ(ok, n > pixelStart) << n << " " << image.GetLastError();
            if (!ok) continue;
            ASSERT_EQ(image.GetWidth(), c.width);
            ASSERT_EQ(image.GetHeight(), c.height);
            for (int32_t y = 0; y < int32_t(c.height); ++y) {
                for (int32_t x = 0; x < int32_t(c.width); ++x) {
                    if (image.GetPalette()) {
                        const uint8_t index = image.GetPixelIndex(x, y);
                        ASSERT_TRUE(index == 0 || index == whole.GetPixelIndex(x, y))
                            << n << " at " << x << "," << y;
                        continue;
                    }
                    const RGBQUAD got = image.GetPixelColor(x, y);
                    const RGBQUAD want = whole.GetPixelColor(x, y);
                    ASSERT_TRUE(got.rgbRed <= want.rgbRed && got.rgbGreen <= want.rgbGreen &&
                                got.rgbBlue <= want.rgbBlue)
                        << n << " at " << x << "," << y;
                }
            }
        }
    }
}

// A uniform picture in run-length data as encoders write it: each row runs of 255 pixels (two
// bytes each, for RLE8 and RLE4 alike) and an end of line, then the end of the bitmap.
BmpSpec UniformRle(uint32_t compression, int32_t width, int32_t height) {
    BmpSpec s;
    s.width = width;
    s.height = height;
    s.bits = compression == 1 ? 8 : 4;
    s.compression = compression;
    s.palette = GrayPalette(compression == 1 ? 256 : 16);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; x += 255) {
            s.pixels.insert(s.pixels.end(), {uint8_t(std::min(255, width - x)), 0x77});
        }
        s.pixels.insert(s.pixels.end(), {0, 0});
    }
    Append(s.pixels, {0, 1});
    return s;
}

// Run-length data as encoders write it loads however far it compresses; a claim that only
// end-of-line codes could reach fails before the image is made.
TEST(CRasterBMP, RleClaimsAreBoundByWhatTheDataCovers) {
    for (uint32_t compression : {1u, 2u}) {
        SCOPED_TRACE(compression);
        CRaster image;
        ASSERT_TRUE(DecodeBytes(image, BuildBmp(UniformRle(compression, 2040, 2040)), FORMAT_BMP))
            << image.GetLastError();
        EXPECT_EQ(image.GetPixelIndex(2039, 2039), compression == 1 ? 0x77 : 7);
    }
    BmpSpec bomb;
    bomb.width = bomb.height = 45000;
    bomb.compression = 1;
    bomb.palette = GrayPalette(256);
    for (int32_t y = 0; y < 45000; ++y) Append(bomb.pixels, {0, 0});
    bomb.pixels.resize(130000, 0);
    CRaster image;
    EXPECT_FALSE(DecodeBytes(image, BuildBmp(bomb), FORMAT_BMP));
    EXPECT_STREQ(image.GetLastError(), "Error reading BMP info");
    EXPECT_FALSE(image.IsValid());
}

TEST(CRasterBMP, SurvivesDamagedFiles) {
    std::mt19937 random(7);
    for (const FixtureCase& c : Fixtures()) {
        const Bytes full = BuildBmp(c.spec);
        for (int round = 0; round < 300; ++round) {
            Bytes damaged = full;
            for (int k = 0; k < 3; ++k) damaged[random() % damaged.size()] = uint8_t(random());
            CRaster image;
            if (!DecodeBytes(image, damaged, FORMAT_BMP)) {
                EXPECT_STRNE(image.GetLastError(), "");
            }
        }
    }
}

TEST(CRasterBMP, EncodesOneBitLayout) {
    CRaster image(9, 3, 1, FORMAT_BMP);
    PaintPattern(image);
    CRasterMemoryStream stream;
    ASSERT_TRUE(stream.Open());
    ASSERT_TRUE(image.Encode(&stream, FORMAT_BMP));
    const Bytes data(stream.GetBuffer(false), stream.GetBuffer(false) + stream.Size());
    ASSERT_EQ(data.size(), 14u + 40 + 8 + 3 * 4);
    EXPECT_EQ(data[0], 'B');
    EXPECT_EQ(data[1], 'M');
    EXPECT_EQ(data[10], 62);
    EXPECT_EQ(data[2], data.size());
}

TEST(CRasterBMP, FailedWriteFailsTheEncode) {
    CRaster image(8, 8, 24, FORMAT_BMP);
    for (size_t room : {0u, 10u, 60u, 200u}) {
        CLimitedStream stream(room);
        EXPECT_FALSE(image.Encode(&stream, FORMAT_BMP)) << room;
        EXPECT_STREQ(image.GetLastError(), "Error writing BMP file");
    }
    CRaster empty;
    CLimitedStream stream(1000);
    EXPECT_FALSE(empty.Encode(&stream, FORMAT_BMP));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
}

class CRasterBMPDepth : public ::testing::TestWithParam<uint32_t> {};

TEST_P(CRasterBMPDepth, RoundTripsThroughTheDispatch) {
    TempDir dir;
    const std::string file = dir.File("round.bmp");
    CRaster image(13, 7, GetParam(), FORMAT_UNKNOWN);
    PaintPattern(image);
    image.SetXDPI(300);
    image.SetYDPI(150);
    ASSERT_TRUE(image.Save(file.c_str(), FORMAT_BMP)) << image.GetLastError();
    for (uint32_t id : {uint32_t{FORMAT_BMP}, uint32_t{FORMAT_UNKNOWN}}) {
        CRaster back;
        ASSERT_TRUE(back.Load(file.c_str(), id)) << back.GetLastError();
        EXPECT_EQ(back.GetBpp(), image.GetBpp());
        EXPECT_EQ(back.GetType(), uint32_t{FORMAT_BMP});
        EXPECT_EQ(back.GetXDPI(), 300);
        EXPECT_EQ(back.GetYDPI(), 150);
        EXPECT_EQ(TopDownRgb(back), TopDownRgb(image));
        if (image.GetNumColors()) {
            for (int32_t y = 0; y < 7; ++y) {
                for (int32_t x = 0; x < 13; ++x) {
                    ASSERT_EQ(back.GetPixelIndex(x, y), image.GetPixelIndex(x, y));
                }
            }
        }
    }
}

// Files written here decode to the same pixels in ImageMagick and Pillow.
TEST_P(CRasterBMPDepth, IndependentToolsReadWhatIsWritten) {
    const bool magick = external::HaveImageMagick();
    const bool pillow = !external::PillowPython().empty();
    if (!magick && !pillow) GTEST_SKIP() << "neither ImageMagick nor Pillow installed";
    TempDir dir;
    const std::string file = dir.File("ours.bmp");
    CRaster image(13, 7, GetParam(), FORMAT_UNKNOWN);
    PaintPattern(image, 3);
    ASSERT_TRUE(image.Save(file.c_str(), FORMAT_BMP));
    if (magick) {
        EXPECT_EQ(MagickRgb(file, dir.File("m.rgb")), TopDownRgb(image));
    }
    if (pillow) {
        EXPECT_EQ(PillowRgb(file, dir.File("p.rgb")), TopDownRgb(image));
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, CRasterBMPDepth, ::testing::Values(1u, 4u, 8u, 24u));

// Files written by the tools decode here to the pixels the tools themselves decode.
TEST(CRasterBMP, ReadsFilesTheToolsWrite) {
    if (!external::HaveImageMagick()) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    const std::string source = dir.File("source.png");
    ASSERT_TRUE(
        external::Run(external::kConvert + " -seed 4 -size 23x11 plasma:fractal '" + source + "'"));
    struct ToolCase {
        const char* name;
        std::string options;  // between the source and the output
        std::string prefix;   // ImageMagick's output coder
        uint32_t bpp;
        int tolerance;
    };
    const ToolCase cases[] = {
        {"24 bit, 124-byte header", "", "BMP:", 24, 0},
        {"24 bit, 40-byte header", "", "BMP3:", 24, 0},
        {"8 bit", "-colors 200 -type palette", "BMP3:", 8, 0},
        {"4 bit", "-colors 12 -type palette", "BMP3:", 4, 0},
        {"1 bit", "-monochrome", "BMP3:", 1, 0},
        {"RLE8", "-colors 200 -type palette -compress RLE", "BMP3:", 8, 0},
        // 5- and 6-bit channels widen by shifting here and by scaling in ImageMagick.
        {"bit fields 565", "-define bmp:subtype=RGB565", "BMP:", 24, 7},
        {"bit fields 555", "-define bmp:subtype=RGB555", "BMP:", 24, 7},
        {"32 bit with alpha", "-alpha set -channel A -evaluate set 50% +channel", "BMP:", 24, 0},
    };
    for (const ToolCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.File("tool.bmp");
        ASSERT_TRUE(external::Run(external::kConvert + " '" + source + "' " + c.options + " " +
                                  c.prefix + "'" + file + "'"));
        CRaster image;
        ASSERT_TRUE(image.Load(file.c_str(), FORMAT_BMP)) << image.GetLastError();
        EXPECT_EQ(image.GetBpp(), c.bpp);
        EXPECT_LE(MaxDifference(TopDownRgb(image), MagickRgb(file, dir.File("tool.rgb"))),
                  c.tolerance);
    }

    // A top-down file: Pillow's bottom-up file with its rows reversed and its height negated.
    if (external::PillowPython().empty()) return;
    const std::string bottomUp = dir.File("pillow.bmp");
    ASSERT_TRUE(external::Run(external::PillowPython() +
                              " -c \"from PIL import Image; Image.open('" + source +
                              "').convert('RGB').save('" + bottomUp + "')\""));
    Bytes data = ReadFile(bottomUp);
    ASSERT_GE(data.size(), 54u + 11 * 72);
    const size_t stride = 72;  // 23 pixels × 3 bytes, padded to 4
    Bytes flipped(data.begin(), data.begin() + 54);
    for (int row = 10; row >= 0; --row) {
        flipped.insert(flipped.end(), data.begin() + 54 + row * stride,
                       data.begin() + 54 + (row + 1) * stride);
    }
    const int32_t negative = -11;
    for (int i = 0; i < 4; ++i) flipped[22 + i] = static_cast<uint8_t>(negative >> (8 * i));
    const std::string topDown = dir.File("topdown.bmp");
    WriteFile(topDown, flipped);
    CRaster image;
    ASSERT_TRUE(image.Load(topDown.c_str(), FORMAT_BMP)) << image.GetLastError();
    EXPECT_EQ(TopDownRgb(image), PillowRgb(topDown, dir.File("td.rgb")));
    EXPECT_EQ(TopDownRgb(image), PillowRgb(bottomUp, dir.File("bu.rgb")));
}

// Valid files near the bounds: uncompressed uniform pictures of about 24 megapixels as the
// library writes them (the file holds every row; odd widths pad them), and run-length files of
// uniform pictures from ImageMagick, each row runs of at most 255 pixels in two bytes and an
// end of line (the ratio is the row's, whatever the height).
class BmpNearBound : public ::testing::TestWithParam<NearBoundFile> {};

TEST_P(BmpNearBound, ReadsBackAtItsSizeAndColour) {
    if (!HaveWriter(GetParam().writer)) GTEST_SKIP() << "tool not installed";
    TempDir dir;
    ExpectNearBoundFileReadsBack(GetParam(), dir.Path().string(), FORMAT_BMP, ".bmp");
}

// The same shape in RLE8 and RLE4, which no tool here writes, at about 24 megapixels: read as
// the tools read it.
TEST(CRasterBMP, ReadsRleFilesOfTheLongestRunsAsToolsDo) {
    // Entry 0x77 of 256 greys and entry 7 of 16 are both grey 0x77.
    constexpr uint8_t grey = 0x77;
    TempDir dir;
    for (uint32_t compression : {1u, 2u}) {
        SCOPED_TRACE(compression);
        const std::string file = dir.File("runs.bmp");
        ASSERT_TRUE(WriteFile(file, BuildBmp(UniformRle(compression, 6001, 4001))));
        for (Tool tool : {Tool::ImageMagick, Tool::Pillow}) {
            if (!HaveTool(tool)) continue;
            RGBQUAD theirs{};
            uint32_t w = 0, h = 0;
            ASSERT_TRUE(ToolUniformColour(tool, dir.Path().string(), file, theirs, w, h));
            EXPECT_EQ(theirs, (RGBQUAD{grey, grey, grey, 0})) << ToolName(tool);
        }
        CRaster image;
        ASSERT_TRUE(image.Load(file.c_str(), FORMAT_BMP)) << image.GetLastError();
        EXPECT_EQ(image.GetWidth(), 6001u);
        EXPECT_EQ(image.GetHeight(), 4001u);
        EXPECT_TRUE(IsUniform(image, RGBQUAD{grey, grey, grey, 0}));
    }
}

#define RLE8 "-type Palette -compress RLE -define bmp:format=bmp3"
INSTANTIATE_TEST_SUITE_P(
    Uniform, BmpNearBound,
    ::testing::Values(NearBoundFile{"Library8", Writer::Library, 6000, 4000, 8, "", 8},
                      NearBoundFile{"Library24", Writer::Library, 6000, 4000, 24, "", 24},
                      NearBoundFile{"Library1Odd", Writer::Library, 6001, 4001, 1, "", 1},
                      NearBoundFile{"ImageMagickRle8", Writer::ImageMagick, 6000, 1000, 8, RLE8, 8},
                      NearBoundFile{"ImageMagickRle8Odd", Writer::ImageMagick, 6001, 1001, 24, RLE8,
                                    8}),
    [](const auto& info) { return std::string(info.param.name); });
#undef RLE8

}  // namespace

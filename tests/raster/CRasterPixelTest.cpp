#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CRaster.h"

namespace {

RGBQUAD Rgb(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 0) { return RGBQUAD{b, g, r, a}; }

// A test view of an image's header fields that decoders write directly.
class CRasterWithHeader : public CRaster {
public:
    using CRaster::CRaster;
    void SetClrImportantRaw(uint32_t n) { m_head.biClrImportant = n; }
};

struct IndexCase {
    uint32_t bpp;
    int32_t x, y;
    uint8_t index;
    size_t byteOffset;  // from the start of the pixels
    uint8_t expectedByte;
};

class PixelIndex : public ::testing::TestWithParam<IndexCase> {};

TEST_P(PixelIndex, WritesOnlyItsBitsInTheBottomUpRow) {
    const IndexCase c = GetParam();
    CRaster image(17, 3, c.bpp, FORMAT_BMP);
    image.Clear(0);
    image.SetPixelIndex(c.x, c.y, c.index);
    EXPECT_EQ(image.GetBits(0)[c.byteOffset], c.expectedByte);
    EXPECT_EQ(image.GetPixelIndex(c.x, c.y), c.index & ((1u << c.bpp) - 1));
    // Neighbours in the same byte stay 0.
    if (c.x + 1 < 17) {
        EXPECT_EQ(image.GetPixelIndex(c.x + 1, c.y), 0);
    }
    if (c.x > 0) {
        EXPECT_EQ(image.GetPixelIndex(c.x - 1, c.y), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Depths, PixelIndex,
    ::testing::Values(IndexCase{1, 0, 0, 1, 0, 0x80}, IndexCase{1, 9, 2, 3, 2 * 4 + 1, 0x40},
                      IndexCase{4, 2, 1, 0xFF, 12 + 1, 0xF0}, IndexCase{4, 3, 0, 7, 1, 0x07},
                      IndexCase{8, 16, 2, 200, 2 * 20 + 16, 200}));

TEST(PixelColor, ReadsAndWritesTrueColourAndAlpha) {
    CRaster image(3, 2, 24, FORMAT_BMP);
    image.SetPixelColor(2, 1, Rgb(10, 20, 30, 99), true);  // no alpha plane: alpha ignored
    const uint8_t* p = image.GetBits(1) + 6;
    EXPECT_EQ(p[0], 30);
    EXPECT_EQ(p[1], 20);
    EXPECT_EQ(p[2], 10);
    image.CreateAlpha();
    image.SetPixelColor(2, 1, Rgb(10, 20, 30, 99), true);
    EXPECT_EQ(image.GetPixelColor(2, 1), Rgb(10, 20, 30, 99));
    image.SetPixelColor(1, 0, COLORREF{0x00332211});
    EXPECT_EQ(image.GetPixelColor(1, 0), Rgb(0x11, 0x22, 0x33, 0));
}

TEST(PixelColor, PositionsOutsideGiveTheBackground) {
    CRaster rgb(2, 2, 24, FORMAT_BMP);
    rgb.SetPixelColor(0, 0, Rgb(1, 2, 3));
    EXPECT_EQ(rgb.GetPixelColor(-1, 0), Rgb(1, 2, 3));
    EXPECT_EQ(rgb.GetPixelColor(2, 5), Rgb(1, 2, 3));

    CRaster indexed(2, 2, 8, FORMAT_BMP);
    indexed.SetPaletteColor(3, 40, 50, 60);
    indexed.SetTransIndex(3);
    EXPECT_EQ(indexed.GetPixelColor(-1, 0), Rgb(40, 50, 60));
    EXPECT_EQ(indexed.GetPixelIndex(9, 9), 3);
    // A transparent index from a file beyond the palette reads as no colour, not past it.
    CRaster small(2, 2, 1, FORMAT_BMP);
    small.SetTransIndex(200);
    EXPECT_EQ(small.GetPixelColor(-1, 0), Rgb(0, 0, 0));

    CRaster empty(0, 0, 24, FORMAT_BMP);
    EXPECT_EQ(empty.GetPixelColor(0, 0), Rgb(0, 0, 0));
    EXPECT_EQ(empty.GetPixelColorBilinear(0.5, 0.5), Rgb(0, 0, 0));
}

TEST(PixelColor, SetOnAPaletteImagePicksTheNearestEntryWithoutAlpha) {
    CRaster image(2, 1, 8, FORMAT_BMP);
    image.SetGrayPalette();
    image.CreateAlpha();
    image.SetPixelColor(1, 0, Rgb(101, 99, 100, 77), true);
    EXPECT_EQ(image.GetPixelIndex(1, 0), 100);
    EXPECT_EQ(image.GetAlpha(1, 0), 0);
}

TEST(NearestIndex, TiesKeepTheLowerIndexAndPaletteChangesClearTheCache) {
    CRaster image(1, 1, 4, FORMAT_BMP);
    image.SetPaletteColor(5, 10, 10, 10);
    image.SetPaletteColor(6, 10, 10, 10);
    image.SetPaletteColor(0, 200, 200, 200);
    EXPECT_EQ(image.FindNearestIndex(Rgb(10, 10, 10)), 5);
    image.SetPaletteColor(2, 10, 10, 10);
    EXPECT_EQ(image.FindNearestIndex(Rgb(10, 10, 10)), 2);  // not the cached 5
    image.SetGrayPalette();
    EXPECT_EQ(image.FindNearestIndex(Rgb(10, 10, 10)), 1);  // grey 17 is closest to 10
}

TEST(NearestIndex, ImportantColourCountFromAFileNeverSearchesPastThePalette) {
    CRasterWithHeader image(1, 1, 1, FORMAT_BMP);
    image.SetPaletteColor(1, 255, 255, 255);
    image.SetClrImportantRaw(250);
    EXPECT_EQ(image.FindNearestIndex(Rgb(250, 250, 250)), 1);
}

TEST(Palette, ImportantColoursAreCappedByDepth) {
    CRaster one(1, 1, 1, FORMAT_BMP), four(1, 1, 4, FORMAT_BMP), eight(1, 1, 8, FORMAT_BMP);
    one.SetImportantColors(5);
    four.SetImportantColors(100);
    eight.SetImportantColors(300);
    EXPECT_EQ(one.GetHeader().biClrImportant, 2u);
    EXPECT_EQ(four.GetHeader().biClrImportant, 16u);
    EXPECT_EQ(eight.GetHeader().biClrImportant, 0u);
    eight.SetImportantColors(200);
    EXPECT_EQ(eight.GetHeader().biClrImportant, 200u);
}

TEST(Palette, GreyRampsStandardPalettesAndSwaps) {
    CRaster four(3, 1, 4, FORMAT_BMP);
    four.SetGrayPalette();
    EXPECT_EQ(four.GetPaletteColor(15), Rgb(255, 255, 255));
    EXPECT_EQ(four.GetPaletteColor(1), Rgb(17, 17, 17));
    EXPECT_FALSE(four.IsGrayScale());  // a 16-step ramp is no identity ramp
    CRaster eight(1, 1, 8, FORMAT_BMP);
    eight.SetGrayPalette();
    EXPECT_TRUE(eight.IsGrayScale());

    eight.SetStandardPalette();
    EXPECT_EQ(eight.GetPaletteColor(8), Rgb(192, 220, 192));
    EXPECT_EQ(eight.GetPaletteColor(16), Rgb(255, 170, 0));  // the first hue group's hue
    EXPECT_EQ(eight.GetPaletteColor(10), Rgb(255, 240, 212));
    EXPECT_EQ(eight.GetPaletteColor(21), Rgb(80, 50, 0));
    EXPECT_EQ(eight.GetPaletteColor(226), Rgb(242, 242, 242));
    EXPECT_EQ(eight.GetPaletteColor(245), Rgb(14, 14, 14));
    EXPECT_EQ(eight.GetPaletteColor(255), Rgb(255, 255, 255));

    four.SetStandardPalette();
    four.SetPixelIndex(0, 0, 3);
    four.SetPixelIndex(1, 0, 9);
    four.SetPixelIndex(2, 0, 4);
    const RGBQUAD before[3] = {four.GetPixelColor(0, 0), four.GetPixelColor(1, 0),
                               four.GetPixelColor(2, 0)};
    four.SwapPaletteEntries(3, 9);
    EXPECT_EQ(four.GetPixelIndex(0, 0), 9);
    EXPECT_EQ(four.GetPixelIndex(1, 0), 3);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(four.GetPixelColor(x, 0), before[x]);
    four.SwapPaletteEntries(4, 4);
    EXPECT_EQ(four.GetPixelIndex(2, 0), 4);
}

TEST(Palette, LuminanceOrderAndRedBlueSwap) {
    const RGBQUAD dark = Rgb(10, 10, 10), green = Rgb(0, 255, 0), red = Rgb(255, 0, 0);
    EXPECT_LT(CRaster::CompareByLuminance(&dark, &red), 0);
    EXPECT_GT(CRaster::CompareByLuminance(&green, &red), 0);

    CRaster image(2, 1, 24, FORMAT_BMP);  // stride 8
    uint8_t row[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    image.SwapRedBlue(row, 9);
    const uint8_t expected[9] = {3, 2, 1, 6, 5, 4, 7, 8, 9};  // capped at the stride
    for (int i = 0; i < 9; ++i) EXPECT_EQ(row[i], expected[i]) << i;
}

class Bilinear : public ::testing::Test {
protected:
    // 3 × 2, red channel 10 * (x + 1) + 100 * y; column 0 of row 0 dark next to a bright one.
    void SetUp() override {
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) image.SetPixelColor(x, y, Rgb(10 * (x + 1) + 100 * y, 0, 0));
        }
    }
    CRaster image{3, 2, 24, FORMAT_BMP};
};

TEST_F(Bilinear, SamplesClampsAndFallsBackToTheBackground) {
    struct Case {
        double x, y;
        uint8_t red;
    };
    const Case cases[] = {
        {1, 0, 20},      {2, 1, 130},     {0.5, 0, 15},  {0.5, 0.5, 65},
        {2.5, 0, 30},    // right column clamped to itself
        {-1.5, 0, 10},   // truncates to -1, clamped to column 0
        {-2, 0, 10},     {3, 0, 10},  // background: pixel (0, 0)
        {0, 1.5, 110},   // top row clamped
    };
    for (const Case& c : cases) {
        EXPECT_EQ(image.GetPixelColorBilinear(c.x, c.y).rgbRed, c.red) << c.x << "," << c.y;
    }
}

TEST_F(Bilinear, ExtrapolationLeftOfTheImageClampsInsteadOfWrapping) {
    image.SetPixelColor(0, 0, Rgb(10, 0, 0));
    image.SetPixelColor(1, 0, Rgb(250, 0, 0));
    // fx = -0.5: 10 + (250 - 10) * -0.5 = -110, which must not wrap to a bright 146.
    EXPECT_EQ(image.GetPixelColorBilinear(-0.5, 0).rgbRed, 0);
    image.SetPixelColor(0, 0, Rgb(250, 0, 0));
    image.SetPixelColor(1, 0, Rgb(10, 0, 0));
    EXPECT_EQ(image.GetPixelColorBilinear(-0.5, 0).rgbRed, 255);
}

TEST_F(Bilinear, NonFinitePositionsGiveTheBackground) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double v : {std::nan(""), inf, -inf, 1e30, -1e30}) {
        EXPECT_EQ(image.GetPixelColorBilinear(v, 0.5).rgbRed, 10);
        EXPECT_EQ(image.GetPixelColorBilinear(0.5, v).rgbRed, 10);
    }
}

TEST(BilinearPalette, PaletteImagesBlendTheirEntriesAndAlpha) {
    CRaster image(2, 1, 1, FORMAT_BMP);
    image.SetPaletteColor(0, 0, 0, 0);
    image.SetPaletteColor(1, 200, 100, 50);
    image.SetPixelIndex(1, 0, 1);
    image.CreateAlpha();
    image.SetAlpha(1, 0, 255);
    const RGBQUAD c = image.GetPixelColorBilinear(0.5, 0);
    EXPECT_EQ(c, Rgb(100, 50, 25, 127));
}

TEST(Bitfields, SixteenBitMasksAndHostileShiftCounts) {
    CRaster image(2, 1, 24, FORMAT_BMP);
    // 5-6-5: white and pure red.
    const uint8_t row565[4] = {0xFF, 0xFF, 0x00, 0xF8};
    image.ConvertBitfieldsToRgb(row565, 0xF800, 0x07E0, 0x001F, 16);
    EXPECT_EQ(image.GetPixelColor(0, 0), Rgb(0xF8, 0xFC, 0xF8));
    EXPECT_EQ(image.GetPixelColor(1, 0), Rgb(0xF8, 0, 0));

    // Masks with no bits or all 16 bits give shift counts outside 0..31 both ways.
    const uint8_t row[4] = {0x34, 0x12, 0xFF, 0xFF};
    image.ConvertBitfieldsToRgb(row, 0, 0, 0, 16);
    image.ConvertBitfieldsToRgb(row, 0xFFFF, 0xFFFF, 0xFFFF, 16);
    image.ConvertBitfieldsToRgb(row, 0xFFFFFFFF, 0, 0xFFFFFFFF, 16);

    const uint8_t row32[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    image.ConvertBitfieldsToRgb(row32, 0, 0, 0, 32);
    EXPECT_EQ(image.GetPixelColor(1, 0), Rgb(7, 6, 5));
}

}  // namespace

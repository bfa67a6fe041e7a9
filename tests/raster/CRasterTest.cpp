#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "CRaster.h"

namespace {

struct CreateCase {
    uint32_t width, height, bppAsked, bpp, colors, stride;
};

class CRasterCreate : public ::testing::TestWithParam<CreateCase> {};

TEST_P(CRasterCreate, RoundsDepthAndSizesStrideAndPalette) {
    const CreateCase c = GetParam();
    CRaster image(c.width, c.height, c.bppAsked, FORMAT_BMP);
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(image.GetBpp(), c.bpp);
    EXPECT_EQ(image.GetNumColors(), c.colors);
    EXPECT_EQ(image.GetRowStride(), c.stride);
    EXPECT_EQ(image.GetSize(), 40 + 4 * c.colors + c.stride * c.height);
    EXPECT_EQ(image.GetType(), uint32_t{FORMAT_BMP});
    // New pixel blocks are zero-filled.
    const uint8_t* bits = image.GetBits(0);
    for (uint32_t i = 0; i < c.stride * c.height; ++i) ASSERT_EQ(bits[i], 0u) << i;
}

INSTANTIATE_TEST_SUITE_P(Depths, CRasterCreate,
                         ::testing::Values(CreateCase{1, 3, 1, 1, 2, 4},
                                           CreateCase{33, 2, 0, 1, 2, 8},
                                           CreateCase{9, 2, 4, 4, 16, 8},
                                           CreateCase{5, 2, 8, 8, 256, 8},
                                           CreateCase{5, 2, 24, 24, 0, 16},
                                           CreateCase{5, 2, 16, 24, 0, 16},
                                           CreateCase{5, 2, 32, 24, 0, 16}));

}  // namespace

namespace {

TEST(CRaster, RefusesBlocksBeyondTheMemoryLimitBeforeAllocating) {
    struct Size {
        uint32_t width, height, bpp;
    };
    // Each would need more than RASTER_MAX_MEMORY; several wrap in 32-bit arithmetic.
    for (const Size s : {Size{100000, 100000, 24}, Size{65536, 65536, 8}, Size{0x7FFFFFFF, 16, 1},
                         Size{0x80000000u, 1, 1}, Size{1, 0xFFFFFFFFu, 24}}) {
        CRaster image(FORMAT_BMP);
        EXPECT_EQ(image.Create(s.width, s.height, s.bpp, FORMAT_BMP), nullptr);
        EXPECT_FALSE(image.IsValid());
        EXPECT_STREQ(image.GetLastError(), "RASTER_MAX_MEMORY exceeded");
    }
}

TEST(CRaster, NewImagesHaveTheDefaultsAndCreateKeepsTheResolution) {
    CRaster image(FORMAT_PNG);
    EXPECT_FALSE(image.IsValid());
    EXPECT_EQ(image.GetJpegQuality(), 75);
    EXPECT_EQ(image.GetTransIndex(), -1);
    EXPECT_EQ(image.GetXDPI(), 96);
    EXPECT_EQ(image.GetHeader().biXPelsPerMeter, 3780);
    image.SetXDPI(300);
    image.SetYDPI(72);
    ASSERT_TRUE(image.Create(4, 4, 8, FORMAT_PNG));
    EXPECT_EQ(image.GetXDPI(), 300);
    EXPECT_EQ(image.GetHeader().biXPelsPerMeter, 11811);
    EXPECT_EQ(image.GetHeader().biYPelsPerMeter, 2835);
}

TEST(CRaster, DpiFromFilesIgnoresValuesThatAreNoResolution) {
    CRaster image;
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL, -5.0, 0.0, 1e300}) {
        image.SetDpiFromFile(bad, bad);
        EXPECT_EQ(image.GetXDPI(), 96) << bad;
        EXPECT_EQ(image.GetYDPI(), 96) << bad;
    }
    image.SetDpiFromFile(299.7, 72.2);
    EXPECT_EQ(image.GetXDPI(), 300);
    EXPECT_EQ(image.GetYDPI(), 72);
}

TEST(CRaster, GetBitsAddressesBottomUpRowsAndNothingPastTheLast) {
    CRaster image(3, 4, 24, FORMAT_BMP);
    EXPECT_EQ(image.GetBits(1), image.GetBits(0) + 12);
    EXPECT_EQ(image.GetBits(3), image.GetBits(0) + 36);
    EXPECT_EQ(image.GetBits(4), nullptr);
    CRaster flat(3, 0, 24, FORMAT_BMP);
    ASSERT_TRUE(flat.IsValid());
    EXPECT_NE(flat.GetBits(0), nullptr);
    EXPECT_EQ(CRaster().GetBits(0), nullptr);
}

CRaster MakeGradient(uint32_t width, uint32_t height) {
    CRaster image(width, height, 24, FORMAT_BMP);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            image.SetPixelColor(x, y, RGBQUAD{uint8_t(x), uint8_t(y), uint8_t(x + y), 0});
        }
    }
    return CRaster(image);
}

TEST(CRaster, CopyMoveAndShareFreeEachBlockOnce) {
    CRaster source = MakeGradient(5, 3);
    source.CreateAlpha();
    source.SetAlpha(1, 1, 200);

    CRaster copy(source, true, false, true);
    ASSERT_TRUE(copy.IsValid());
    EXPECT_NE(copy.GetDIB(), source.GetDIB());
    EXPECT_EQ(copy.GetPixelColor(4, 2).rgbRed, 6);
    EXPECT_EQ(copy.GetAlpha(1, 1), 200);

    // A copy of a sharing image owns its block (the sanitizers catch a leak or double free).
    CRaster shared(FORMAT_UNKNOWN);
    shared.ShareFrom(&source);
    EXPECT_EQ(shared.GetDIB(), source.GetDIB());
    CRaster copyOfShared(shared);
    EXPECT_NE(copyOfShared.GetDIB(), source.GetDIB());
    shared.Destroy();
    EXPECT_EQ(source.GetPixelColor(2, 1).rgbBlue, 2);  // the source's buffers are intact

    CRaster moved(FORMAT_UNKNOWN);
    moved.MoveFrom(copy);
    EXPECT_FALSE(copy.IsValid());
    EXPECT_FALSE(copy.HasAlpha());
    EXPECT_EQ(moved.GetAlpha(1, 1), 200);

    // Moving a sharing image makes the target own nothing it must not free.
    CRaster ownerless(FORMAT_UNKNOWN);
    CRaster sharing(FORMAT_UNKNOWN);
    sharing.ShareFrom(&moved);
    CRaster copyInfo(FORMAT_UNKNOWN);
    copyInfo.CopyInfo(sharing);
    EXPECT_EQ(copyInfo.GetInfo().pGhost, nullptr);
    EXPECT_EQ(copyInfo.GetInfo().pImage, nullptr);
}

TEST(CRaster, CopyWithoutPixelsKeepsThePalette) {
    CRaster source(4, 4, 4, FORMAT_BMP);
    source.SetStandardPalette();
    CRaster copy(source, false, false, false);
    ASSERT_TRUE(copy.IsValid());
    EXPECT_EQ(copy.GetPaletteColor(9), source.GetPaletteColor(9));
}

}  // namespace

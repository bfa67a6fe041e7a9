#include <gtest/gtest.h>

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

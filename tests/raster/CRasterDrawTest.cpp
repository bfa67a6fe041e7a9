#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "CRaster.h"
#include "FakeDrawContext.h"

namespace {

using Bgr = FakeDrawContext::Bgr;
constexpr Bgr kWhite{255, 255, 255};

// A 24-bit image whose pixel at column x, bottom-up row y is blue x, green y, red 7.
void FillCoordinates(CRaster& image) {
    for (int32_t y = 0; y < int32_t(image.GetHeight()); ++y) {
        for (int32_t x = 0; x < int32_t(image.GetWidth()); ++x) {
            image.SetPixelColor(x, y, RGBQUAD{uint8_t(x), uint8_t(y), 7, 0});
        }
    }
}

struct RefusalCase {
    const char* name;
    std::function<void(CRaster&)> spoil;
    int32_t cx, cy;
    bool nullContext;
};

TEST(CRasterDraw, RefusesWithoutDrawing) {
    const RefusalCase cases[] = {
        {"disabled", [](CRaster& r) { r.Enable(false); }, -1, -1, false},
        {"no bitmap", [](CRaster& r) { r.Destroy(); }, -1, -1, false},
        {"null device", [](CRaster&) {}, -1, -1, true},
        {"cx 0", [](CRaster&) {}, 0, 2, false},
        {"cy 0", [](CRaster&) {}, 2, 0, false},
    };
    for (const RefusalCase& c : cases) {
        CRaster image(2, 2, 24);
        c.spoil(image);
        FakeDrawContext dc(4, 4, kWhite);
        const RECT clip{0, 0, 1, 1};
        EXPECT_FALSE(image.Draw(c.nullContext ? nullptr : &dc, 0, 0, c.cx, c.cy, &clip)) << c.name;
        EXPECT_TRUE(dc.Calls().empty()) << c.name;
    }
}

TEST(CRasterDraw, UnscaledOpaqueHandsOverTheImagesOwnBlock) {
    CRaster image(3, 2, 24);
    FillCoordinates(image);
    FakeDrawContext dc(6, 6, kWhite);
    ASSERT_TRUE(image.Draw(&dc, 1, 2));  // cx = cy = -1: the image's own size
    ASSERT_EQ(dc.Puts().size(), 1u);
    const FakeDrawContext::Put& put = dc.Puts()[0];
    EXPECT_EQ(put.info, image.GetDIB());
    EXPECT_EQ(put.bits, image.GetBits(0));
    EXPECT_EQ(put.width, 3);
    EXPECT_EQ(put.height, 2);
    EXPECT_EQ(dc.Calls(), std::vector<std::string>{"PutDibRows 1,2,4,4"});
    // The top screen row shows the image's top row (bottom-up row 1).
    EXPECT_EQ(dc.At(1, 2), (Bgr{0, 1, 7}));
    EXPECT_EQ(dc.At(3, 3), (Bgr{2, 0, 7}));
    EXPECT_EQ(dc.At(0, 2), kWhite);
}

TEST(CRasterDraw, TwoByTwoAtFourByFourCoversBlocks) {
    CRaster image(2, 2, 8);
    image.SetPaletteColor(1, 10, 0, 0);
    image.SetPaletteColor(2, 0, 20, 0);
    image.SetPaletteColor(3, 0, 0, 30);
    image.SetPixelIndex(0, 1, 1);  // top left
    image.SetPixelIndex(1, 1, 2);  // top right
    image.SetPixelIndex(0, 0, 3);  // bottom left; bottom right keeps index 0 (black)
    FakeDrawContext dc(4, 4, kWhite);
    ASSERT_TRUE(image.Draw(&dc, 0, 0, 4, 4));
    ASSERT_EQ(dc.Puts().size(), 1u);
    EXPECT_NE(dc.Puts()[0].info, image.GetDIB());
    const Bgr expected[2][2] = {{{0, 0, 10}, {0, 20, 0}}, {{30, 0, 0}, {0, 0, 0}}};
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            EXPECT_EQ(dc.At(x, y), expected[y / 2][x / 2]) << x << "," << y;
        }
    }
}

TEST(CRasterDraw, ScaledResamplesOnlyTheVisiblePart) {
    CRaster image(100, 100, 24);
    FillCoordinates(image);
    FakeDrawContext dc(10, 10, kWhite);
    // Zoom 10: the device shows target columns 505..514 and rows 495..504.
    ASSERT_TRUE(image.Draw(&dc, -505, -495, 1000, 1000));
    ASSERT_EQ(dc.Puts().size(), 1u);
    EXPECT_EQ(dc.Puts()[0].width, 10);
    EXPECT_EQ(dc.Puts()[0].height, 10);
    for (int32_t y = 0; y < 10; ++y) {
        for (int32_t x = 0; x < 10; ++x) {
            const uint8_t column = uint8_t((x + 505) / 10);
            const uint8_t rowFromTop = uint8_t((y + 495) / 10);
            EXPECT_EQ(dc.At(x, y), (Bgr{column, uint8_t(99 - rowFromTop), 7})) << x << "," << y;
        }
    }
}

TEST(CRasterDraw, ATallVisiblePartIsPutBandByBand) {
    // Rows so wide that the off-screen bitmap holds only a few of them at a time: resampled
    // (doubled rows) and blended (alpha 128 over white, unscaled), every row lands in its place.
    constexpr int32_t kWide = 200000;
    for (const bool blended : {false, true}) {
        CRaster image(kWide, 5, 24);
        for (int32_t y = 0; y < 5; ++y) image.SetPixelColor(kWide - 1, y, RGBQUAD{0, 0, 255, 0});
        for (int32_t y = 0; y < 5; ++y) image.SetPixelColor(0, y, RGBQUAD{uint8_t(y), 9, 9, 0});
        if (blended) {
            image.CreateAlpha();
            image.FillAlpha(128);
        }
        const int32_t lines = blended ? 5 : 10;
        FakeDrawContext dc(kWide, lines, kWhite);
        ASSERT_TRUE(image.Draw(&dc, 0, 0, kWide, lines));
        EXPECT_GT(dc.Puts().size(), 1u) << blended;
        for (int32_t y = 0; y < lines; ++y) {
            const uint8_t row = uint8_t(4 - (blended ? y : y / 2));  // bottom-up
            // (255 × 127 + v × 128) >> 8 per channel when blended.
            const auto mix = [&](uint8_t v) {
                return blended ? uint8_t((255 * 127 + v * 128) >> 8) : v;
            };
            EXPECT_EQ(dc.At(0, y), (Bgr{mix(row), mix(9), mix(9)})) << blended << " " << y;
            EXPECT_EQ(dc.At(kWide - 1, y), (Bgr{mix(0), mix(0), mix(255)})) << blended << " " << y;
            EXPECT_EQ(dc.At(kWide / 2, y), (Bgr{mix(0), mix(0), mix(0)})) << blended << " " << y;
        }
    }
}

TEST(CRasterDraw, TargetOutsideTheDeviceDrawsNothingButSucceeds) {
    CRaster image(2, 2, 24);
    image.CreateAlpha();
    FakeDrawContext dc(4, 4, kWhite);
    EXPECT_TRUE(image.Draw(&dc, 10, 10, 4, 4));
    EXPECT_TRUE(dc.Puts().empty());
}

struct BlendCase {
    const char* name;
    std::function<void(CRaster&)> setup;  // on a black 2 × 2 image
    int32_t cx, cy;
    uint8_t expected;  // every channel of every target pixel over white
};

class CRasterDrawBlend : public ::testing::TestWithParam<BlendCase> {};

TEST_P(CRasterDrawBlend, MixesOverTheDeviceContent) {
    const BlendCase& c = GetParam();
    CRaster image(2, 2, 24);
    c.setup(image);
    FakeDrawContext dc(4, 4, kWhite);
    ASSERT_TRUE(image.Draw(&dc, 0, 0, c.cx, c.cy));
    const int32_t w = c.cx < 0 ? 2 : c.cx, h = c.cy < 0 ? 2 : c.cy;
    EXPECT_EQ(dc.Calls().front(), "GetClipBox");
    EXPECT_EQ(dc.Calls()[1], "ReadRows 0,0," + std::to_string(w) + "," + std::to_string(h));
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            EXPECT_EQ(dc.At(x, y), (Bgr{c.expected, c.expected, c.expected})) << x << "," << y;
        }
    }
}

// (255 × (255 − a) + 0 × a) >> 8 over white for a black image.
INSTANTIATE_TEST_SUITE_P(
    Cases, CRasterDrawBlend,
    ::testing::Values(
        BlendCase{"alpha128", [](CRaster& r) { r.CreateAlpha(), r.FillAlpha(128); }, -1, -1, 126},
        BlendCase{"alpha128Scaled", [](CRaster& r) { r.CreateAlpha(), r.FillAlpha(128); }, 4, 4,
                  126},
        BlendCase{"alpha0", [](CRaster& r) { r.CreateAlpha(), r.FillAlpha(0); }, -1, -1, 255},
        BlendCase{"alpha255", [](CRaster& r) { r.CreateAlpha(), r.FillAlpha(255); }, -1, -1, 0},
        // Alpha maximum 127 scales 255 to (255 × 128) >> 8 = 127.
        BlendCase{"alphaMax",
                  [](CRaster& r) { r.CreateAlpha(), r.FillAlpha(255), r.SetAlphaMax(127); }, -1, -1,
                  127},
        // A transparent index on a 24-bit image only switches blending on; black is not the
        // transparent colour (white), so it replaces the background.
        BlendCase{"transparentOther",
                  [](CRaster& r) {
                      r.SetTransIndex(0), r.SetTransColor({255, 255, 255, 0});
                  },
                  3, 3, 0},
        BlendCase{"transparentColour", [](CRaster& r) { r.SetTransIndex(0); }, -1, -1, 255}),
    [](const ::testing::TestParamInfo<BlendCase>& info) { return info.param.name; });

TEST(CRasterDraw, PaletteAlphaAndTransparentIndexCompareByColour) {
    CRaster image(4, 1, 8);
    image.SetPaletteColor(1, 200, 0, 0, 127);  // (255 × 128) >> 8 = 127 opacity
    image.SetPaletteColor(3, 0, 0, 0, 255);
    image.SetPaletteColor(5, 0, 0, 0, 255);  // equals entry 3 in all four bytes
    image.SetPaletteColor(6, 0, 0, 0, 254);  // differs from entry 3 in its fourth byte only
    const uint8_t indexes[4] = {3, 5, 1, 6};
    for (int32_t x = 0; x < 4; ++x) image.SetPixelIndex(x, 0, indexes[x]);
    image.SetTransIndex(3);
    image.EnablePaletteAlpha(true);
    FakeDrawContext dc(4, 1, kWhite);
    ASSERT_TRUE(image.Draw(&dc, 0, 0));
    EXPECT_EQ(dc.At(0, 0), kWhite);
    EXPECT_EQ(dc.At(1, 0), kWhite);
    // red (255 × 128 + 200 × 127) >> 8 = 226, others 255 × 128 >> 8 = 127.
    EXPECT_EQ(dc.At(2, 0), (Bgr{127, 127, 226}));
    // (255 × 255) >> 8 = 254 opacity: (255 × 1 + 0) >> 8 = 0.
    EXPECT_EQ(dc.At(3, 0), (Bgr{0, 0, 0}));
}

TEST(CRasterDraw, ClipLimitsDrawingAndIsRestoredByUnion) {
    for (bool scaled : {false, true}) {
        CRaster image(8, 8, 24);  // black
        FakeDrawContext dc(8, 8, kWhite);
        const RECT clip{2, 3, 6, 7};
        ASSERT_TRUE(scaled ? image.Draw(&dc, RECT{0, 0, 16, 16}, &clip)
                           : image.Draw(&dc, 0, 0, -1, -1, &clip));
        std::vector<std::string> expected{"GetClipBox", "IntersectClip 2,3,6,7"};
        if (scaled) {
            expected.push_back("GetClipBox");
            expected.push_back("PutDibRows 2,3,6,7");
        } else {
            expected.push_back("PutDibRows 0,0,8,8");
        }
        expected.push_back("UniteClip 0,0,8,8");
        EXPECT_EQ(dc.Calls(), expected) << scaled;
        EXPECT_EQ(FakeDrawContext::Text(dc.Clip()), "0,0,8,8");
        for (int32_t y = 0; y < 8; ++y) {
            for (int32_t x = 0; x < 8; ++x) {
                const bool inside = x >= 2 && x < 6 && y >= 3 && y < 7;
                EXPECT_EQ(dc.At(x, y), (inside ? Bgr{0, 0, 0} : kWhite)) << x << "," << y;
            }
        }
    }
}

}  // namespace

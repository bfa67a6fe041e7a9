#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CRasterWBMP.h"
#include "CodecTestSupport.h"
#include "TempDir.h"

using namespace codectest;

namespace {

struct RoundTripCase {
    const char* name;
    uint32_t width, height;
    bool whiteFirst;  // palette (white, black) instead of (black, white)
};

class WbmpRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(WbmpRoundTrip, SaveLoadKeepsPicture) {
    const RoundTripCase c = GetParam();
    TempDir dir;
    CRaster image;
    FillPattern(image, c.width, c.height, 1);
    if (c.whiteFirst) {
        image.SetPaletteColor(0, 255, 255, 255);
        image.SetPaletteColor(1, 0, 0, 0);
    }
    const std::string file = dir.File("image.wbmp");
    ASSERT_TRUE(image.Save(file.c_str(), FORMAT_WBMP)) << image.GetLastError();
    for (uint32_t id : {uint32_t{FORMAT_WBMP}, uint32_t{FORMAT_UNKNOWN}}) {
        CRaster back;
        ASSERT_TRUE(back.Load(file.c_str(), id)) << back.GetLastError();
        EXPECT_EQ(back.GetBpp(), 1u);
        EXPECT_EQ(back.GetType(), uint32_t{FORMAT_WBMP});
        EXPECT_EQ(back.GetPaletteColor(0), (RGBQUAD{0, 0, 0, 0}));
        EXPECT_EQ(back.GetPaletteColor(1), (RGBQUAD{255, 255, 255, 0}));
        EXPECT_EQ(TopDownRgba(back), TopDownRgba(image));
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, WbmpRoundTrip,
                         ::testing::Values(RoundTripCase{"small", 13, 7, false},
                                           RoundTripCase{"wide", 200, 100, false},
                                           RoundTripCase{"largest", 255, 255, false},
                                           RoundTripCase{"single", 1, 1, false},
                                           RoundTripCase{"whiteFirst", 21, 5, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CRasterWBMP, WritesMultiByteSizesAndWhiteAsOne) {
    CRaster image(200, 2, 1, FORMAT_UNKNOWN);
    image.SetPaletteColor(0, 255, 255, 255);  // white first: index 0 is written as bit 1
    image.SetPaletteColor(1, 0, 0, 0);
    image.Clear(0);
    image.SetPixelIndex(0, 1, 1);  // top-left pixel black
    const std::vector<uint8_t> f = EncodeToBytes(image, FORMAT_WBMP);
    ASSERT_EQ(f.size(), 5u + 2 * 25);
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.begin() + 5),
              (std::vector<uint8_t>{0, 0, 0x81, 0x48, 2}));
    EXPECT_EQ(f[5], 0x7F);
    EXPECT_EQ(f[6], 0xFF);
    EXPECT_EQ(f[5 + 25], 0xFF);
}

TEST(CRasterWBMP, ReadsOldSingleByteSizes) {
    // 200 × 3 with width and height as single bytes, as older writers stored them.
    std::vector<uint8_t> f = {0, 0, 200, 3};
    for (int y = 0; y < 3; ++y) {
        for (int i = 0; i < 25; ++i) f.push_back(uint8_t(y == 0 && i == 0 ? 0x80 : 0));
    }
    CRaster image;
    ASSERT_TRUE(DecodeBytes(image, f, FORMAT_WBMP)) << image.GetLastError();
    EXPECT_EQ(image.GetWidth(), 200u);
    EXPECT_EQ(image.GetHeight(), 3u);
    EXPECT_EQ(image.GetPixelIndex(0, 2), 1);
    EXPECT_EQ(image.GetPixelIndex(1, 2), 0);
}

TEST(CRasterWBMP, RefusesImagesItCannotHold) {
    for (const auto& [width, height, bpp] : {std::tuple{256u, 10u, 1u}, std::tuple{10u, 256u, 1u},
                                             std::tuple{8u, 8u, 4u}, std::tuple{8u, 8u, 24u}}) {
        CRaster image;
        FillPattern(image, width, height, bpp);
        EXPECT_TRUE(EncodeToBytes(image, FORMAT_WBMP).empty());
        EXPECT_STREQ(image.GetLastError(), "Can't save this image as WBMP");
    }
    CRaster image;
    FillPattern(image, 16, 2, 1);
    for (size_t limit : {size_t{0}, size_t{3}, size_t{4}, size_t{7}}) {
        CLimitedStream stream(limit);
        EXPECT_FALSE(image.Encode(&stream, FORMAT_WBMP)) << limit;
        EXPECT_STREQ(image.GetLastError(), "cannot write WBMP image");
    }
}

TEST(CRasterWBMP, DamagedFilesFailWithText) {
    struct Case {
        std::vector<uint8_t> bytes;
        const char* error;
    };
    for (const Case& c :
         {Case{{}, "Not a WBMP"}, Case{{1, 0, 1, 1, 0}, "Unsupported WBMP type"},
          Case{{0, 0, 0, 1, 0}, "Corrupted WBMP"}, Case{{0, 0, 1, 0, 0}, "Corrupted WBMP"},
          Case{{0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, "Corrupted WBMP"},
          Case{{0, 0, 0x81, 0x48, 0x64, 0}, "Corrupted WBMP"}}) {
        CRaster image;
        EXPECT_FALSE(DecodeBytes(image, c.bytes, FORMAT_WBMP));
        EXPECT_STREQ(image.GetLastError(), c.error);
    }
    CRaster source;
    FillPattern(source, 150, 3, 1);
    const std::vector<uint8_t> file = EncodeToBytes(source, FORMAT_WBMP);
    ExpectEveryPrefixFails(file, FORMAT_WBMP);
}

// Interoperability with ImageMagick (Pillow has no WBMP codec), both directions.
TEST(CRasterWBMP, ImageMagickInterop) {
    if (!HaveTool(Tool::ImageMagick)) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    for (const auto& [width, height] : {std::pair{13u, 7u}, std::pair{200u, 100u}}) {
        CRaster image;
        FillPattern(image, width, height, 1);
        const std::string ours = dir.File("ours.wbmp");
        ASSERT_TRUE(image.Save(ours.c_str(), FORMAT_WBMP));
        std::vector<uint8_t> rgba;
        uint32_t w = 0, h = 0;
        ASSERT_TRUE(ToolToRgba(Tool::ImageMagick, dir.Path().string(), ours, 0, rgba, w, h));
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        EXPECT_EQ(rgba, TopDownRgba(image)) << width;

        const std::string theirs = dir.File("theirs.wbmp");
        ASSERT_TRUE(RgbaToTool(Tool::ImageMagick, dir.Path().string(),
                               FewColourRgba(width, height, 2, true), width, height, "", theirs));
        ASSERT_TRUE(ToolToRgba(Tool::ImageMagick, dir.Path().string(), theirs, 0, rgba, w, h));
        CRaster back;
        ASSERT_TRUE(back.Load(theirs.c_str(), FORMAT_WBMP)) << back.GetLastError();
        EXPECT_EQ(TopDownRgba(back), rgba) << width;
        EXPECT_EQ(rgba, FewColourRgba(width, height, 2, true)) << width;
    }
}

// A valid file at the bound: the rows of a uniform picture of six megapixels, exactly as many
// bytes as the size needs.
TEST(CRasterWBMP, ReadsLargeToolFileAtItsSize) {
    if (!HaveWriter(Writer::ImageMagick)) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    ExpectNearBoundFileReadsBack({"ImageMagick", Writer::ImageMagick, 6001, 1001, 1, "", 1},
                                 dir.Path().string(), FORMAT_WBMP, ".wbmp");
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CRasterICO.h"
#include "CodecTestSupport.h"
#include "TempDir.h"

using namespace codectest;

namespace {

uint32_t U32At(const std::vector<uint8_t>& f, size_t at) {
    return f[at] | (f[at + 1] << 8) | (f[at + 2] << 16) | (uint32_t(f[at + 3]) << 24);
}

void PutU32At(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = uint8_t(v >> (8 * i));
}

// Joins single-image icon files into one file with their images in order.
std::vector<uint8_t> JoinIcons(const std::vector<std::vector<uint8_t>>& icons) {
    const size_t n = icons.size();
    std::vector<uint8_t> f = {0, 0, 1, 0, uint8_t(n), 0};
    std::vector<uint8_t> images;
    for (const auto& icon : icons) {
        std::vector<uint8_t> entry(icon.begin() + 6, icon.begin() + 22);
        PutU32At(entry, 12, uint32_t(6 + 16 * n + images.size()));
        f.insert(f.end(), entry.begin(), entry.end());
        images.insert(images.end(), icon.begin() + 22, icon.end());
    }
    f.insert(f.end(), images.begin(), images.end());
    return f;
}

// Top-down RGBA with transparency made explicit: alpha plane, or alpha 0 for pixels of the
// transparent index or colour; colours under zero alpha cleared.
std::vector<uint8_t> VisibleRgba(const CRaster& image) {
    std::vector<uint8_t> rgba = TopDownRgba(image);
    if (image.GetTransIndex() >= 0) {
        const uint32_t w = image.GetWidth(), h = image.GetHeight();
        for (uint32_t t = 0; t < h; ++t) {
            for (uint32_t x = 0; x < w; ++x) {
                const int32_t y = int32_t(h - 1 - t);
                const bool clear =
                    image.GetBpp() <= 8
                        ? image.GetPixelIndex(int32_t(x), y) == image.GetTransIndex()
                        : image.GetPixelColor(int32_t(x), y) == image.GetTransparentColor();
                if (clear) rgba[(size_t{t} * w + x) * 4 + 3] = 0;
            }
        }
    }
    return ClearTransparent(rgba);
}

struct RoundTripCase {
    const char* name;
    uint32_t width, height, bpp;
    bool alpha;
};

class IcoRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(IcoRoundTrip, SaveLoadKeepsPixels) {
    const RoundTripCase c = GetParam();
    TempDir dir;
    CRaster image;
    FillPattern(image, c.width, c.height, c.bpp, c.alpha);
    const std::string file = dir.File("image.ico");
    ASSERT_TRUE(image.Save(file.c_str(), FORMAT_ICO)) << image.GetLastError();
    for (uint32_t id : {uint32_t{FORMAT_ICO}, uint32_t{FORMAT_UNKNOWN}}) {
        CRaster back;
        ASSERT_TRUE(back.Load(file.c_str(), id)) << back.GetLastError();
        EXPECT_EQ(back.GetBpp(), c.bpp);
        EXPECT_EQ(back.GetType(), uint32_t{FORMAT_ICO});
        EXPECT_EQ(back.GetNumFrames(), 1);
        EXPECT_EQ(back.HasAlpha(), c.alpha);
        EXPECT_EQ(back.GetTransIndex(), -1);
        EXPECT_EQ(TopDownRgba(back), TopDownRgba(image));
    }
}

// A 32-bit icon 10 pixels wide keeps each row in its own row.
INSTANTIATE_TEST_SUITE_P(Depths, IcoRoundTrip,
                         ::testing::Values(RoundTripCase{"bpp1", 13, 5, 1, false},
                                           RoundTripCase{"bpp4", 9, 4, 4, false},
                                           RoundTripCase{"bpp8", 7, 3, 8, false},
                                           RoundTripCase{"bpp24", 5, 4, 24, false},
                                           RoundTripCase{"bpp32", 10, 3, 24, true},
                                           RoundTripCase{"largest", 255, 255, 24, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CRasterICO, FramesOfMultiImageFile) {
    std::vector<std::vector<uint8_t>> icons;
    for (uint32_t size : {16u, 24u, 32u}) {
        CRaster image;
        FillPattern(image, size, size + 1, size == 24 ? 8 : 24);
        icons.push_back(EncodeToBytes(image, FORMAT_ICO));
    }
    const std::vector<uint8_t> file = JoinIcons(icons);
    CRaster image;
    image.SetFrame(2);
    ASSERT_TRUE(DecodeBytes(image, file, FORMAT_ICO)) << image.GetLastError();
    EXPECT_EQ(image.GetWidth(), 32u);
    EXPECT_EQ(image.GetHeight(), 33u);
    EXPECT_EQ(image.GetNumFrames(), 3);
    image.SetFrame(1);
    ASSERT_TRUE(DecodeBytes(image, file, FORMAT_ICO));
    EXPECT_EQ(image.GetBpp(), 8u);
    CRaster expected;
    FillPattern(expected, 24, 25, 8);
    EXPECT_EQ(TopDownRgba(image), TopDownRgba(expected));

    CRaster missing;
    missing.SetFrame(3);
    EXPECT_FALSE(DecodeBytes(missing, file, FORMAT_ICO));
    EXPECT_EQ(missing.GetNumFrames(), 3);
    EXPECT_STREQ(missing.GetLastError(), "Icon frame out of range");
}

// An 8-bit icon whose mask covers the border gets a transparent index no other pixel uses, and
// writing it again masks exactly the border, even where another entry has the same colour.
TEST(CRasterICO, MaskedPaletteIconGetsUnusedIndex) {
    CRaster image(32, 32, 8, FORMAT_UNKNOWN);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) image.SetPixelIndex(x, y, uint8_t((x + y) % 10));
    }
    image.SetPaletteColor(0, 0, 0, 0);  // entries 10.. stay black as well
    for (int i = 1; i < 10; ++i) image.SetPaletteColor(uint8_t(i), uint8_t(i * 20), 100, 50);
    image.CreateAlpha();
    image.FillAlpha(255);
    for (int i = 0; i < 32; ++i) {
        image.SetAlpha(i, 0, 0);
        image.SetAlpha(i, 31, 0);
        image.SetAlpha(0, i, 0);
        image.SetAlpha(31, i, 0);
    }
    CRaster back;
    ASSERT_TRUE(DecodeBytes(back, EncodeToBytes(image, FORMAT_ICO), FORMAT_ICO));
    EXPECT_EQ(back.GetTransIndex(), 10);
    EXPECT_FALSE(back.HasAlpha());
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool border = x == 0 || y == 0 || x == 31 || y == 31;
            ASSERT_EQ(back.GetPixelIndex(x, y), border ? 10 : (x + y) % 10) << x << "," << y;
        }
    }
    CRaster again;
    ASSERT_TRUE(DecodeBytes(again, EncodeToBytes(back, FORMAT_ICO), FORMAT_ICO));
    EXPECT_EQ(VisibleRgba(again), VisibleRgba(back));
    EXPECT_EQ(VisibleRgba(back), VisibleRgba(image));
}

// A 24-bit icon whose masked pixels are all magenta decodes without an alpha plane and with
// magenta as transparent colour; masked pixels of several colours keep the alpha plane; an icon
// without masked pixels gets no transparency at all.
TEST(CRasterICO, MaskedTrueColourIcon) {
    const RGBQUAD magenta{255, 0, 255, 0};
    CRaster image;
    FillPattern(image, 8, 6, 24);
    const std::vector<uint8_t> plain = EncodeToBytes(image, FORMAT_ICO);
    for (int x = 0; x < 8; ++x) image.SetPixelColor(x, 2, magenta);
    image.SetTransIndex(0);
    image.SetTransColor(magenta);
    const std::vector<uint8_t> oneColour = EncodeToBytes(image, FORMAT_ICO);
    std::vector<uint8_t> mixed = oneColour;
    const size_t mask = 22 + 40 + 8 * 3 * 6;
    ASSERT_EQ(mixed.size(), mask + 6 * 4);
    EXPECT_EQ(mixed[mask + 2 * 4], 0xFF);  // row 2 masked
    mixed[mask] |= 0x80;                   // and pixel (0, 0)

    CRaster back;
    ASSERT_TRUE(DecodeBytes(back, oneColour, FORMAT_ICO));
    EXPECT_EQ(back.GetTransIndex(), 0);
    EXPECT_EQ(back.GetTransparentColor(), magenta);
    EXPECT_FALSE(back.HasAlpha());
    EXPECT_EQ(TopDownRgba(back), TopDownRgba(image));

    ASSERT_TRUE(DecodeBytes(back, mixed, FORMAT_ICO));
    EXPECT_EQ(back.GetTransIndex(), -1);
    ASSERT_TRUE(back.HasAlpha());
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(back.GetAlpha(x, y), (y == 2 || (x == 0 && y == 0)) ? 0 : 255);
        }
    }

    ASSERT_TRUE(DecodeBytes(back, plain, FORMAT_ICO));
    EXPECT_EQ(back.GetTransIndex(), -1);
    EXPECT_FALSE(back.HasAlpha());
}

TEST(CRasterICO, AlphaImageMaskMarksExactlyZeroAlpha) {
    CRaster image;
    FillPattern(image, 9, 4, 24, true);
    const std::vector<uint8_t> f = EncodeToBytes(image, FORMAT_ICO);
    ASSERT_EQ(f[6 + 6], 32);  // entry bit count
    const size_t mask = 22 + 40 + 9 * 4 * 4;
    ASSERT_EQ(f.size(), mask + 4 * 4);
    EXPECT_EQ(U32At(f, 6 + 8), 40u + 9 * 4 * 4 + 16);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 9; ++x) {
            const bool bit = f[mask + 4 * y + x / 8] & (0x80 >> (x % 8));
            EXPECT_EQ(bit, image.GetAlpha(x, y) == 0) << x << "," << y;
        }
    }
}

TEST(CRasterICO, RefusesDamagedAndUnsupportedFiles) {
    CRaster source;
    FillPattern(source, 5, 3, 8);
    const std::vector<uint8_t> valid = EncodeToBytes(source, FORMAT_ICO);
    struct Case {
        const char* name;
        size_t offset;
        std::vector<uint8_t> bytes;
        const char* error;
    };
    for (const Case& c :
         {Case{"reserved", 0, {1}, "Not an icon file"}, Case{"type", 2, {2}, "Not an icon file"},
          Case{"noImages", 4, {0}, "Icon frame out of range"},
          Case{"width0", 6, {0}, "Unsupported icon image"},
          Case{"height0", 7, {0}, "Unsupported icon image"},
          Case{"offsetPastEnd", 18, {0xFF, 0xFF}, "Corrupted icon"},
          Case{"pngEntry", 22, {0x89, 'P', 'N', 'G'}, "Unsupported icon image"},
          Case{"bitCount16", 22 + 14, {16}, "Unsupported icon image"},
          Case{"bitCount2", 22 + 14, {2}, "Unsupported icon image"},
          Case{"bitCount0", 22 + 14, {0}, "Unsupported icon image"},
          Case{"compressed", 22 + 16, {1}, "Unsupported icon image"}}) {
        std::vector<uint8_t> f = valid;
        std::copy(c.bytes.begin(), c.bytes.end(), f.begin() + long(c.offset));
        CRaster image;
        EXPECT_FALSE(DecodeBytes(image, f, FORMAT_ICO)) << c.name;
        EXPECT_STREQ(image.GetLastError(), c.error) << c.name;
        EXPECT_FALSE(image.IsValid());
    }
    // Up to the end of the pixels; a cut inside the mask loads (below).
    CRaster alpha;
    FillPattern(alpha, 6, 2, 24, true);
    for (const auto& [file, maskSize] :
         {std::pair{valid, size_t{4 * 3}},
          std::pair{EncodeToBytes(alpha, FORMAT_ICO), size_t{4 * 2}}}) {
        ASSERT_NO_FATAL_FAILURE(ExpectEveryPrefixFails(
            std::vector<uint8_t>(file.begin(), file.end() - long(maskSize)), FORMAT_ICO));
    }
}

// An icon cut short anywhere inside its AND mask loads without the mask: the pixels as written,
// no transparency from the mask; a 32-bit icon keeps its own alpha.
TEST(CRasterICO, CutInsideTheMaskLoadsWithoutIt) {
    struct Case {
        const char* name;
        uint32_t bpp;
        bool alpha;  // 8 bits: the alpha plane only marks the mask; 24 bits: written at 32
    };
    constexpr uint32_t kWidth = 9, kHeight = 5;
    constexpr size_t kMaskSize = 4 * kHeight;
    for (const Case& c :
         {Case{"bpp8", 8, true}, Case{"bpp24", 24, false}, Case{"bpp32", 24, true}}) {
        CRaster image;
        FillPattern(image, kWidth, kHeight, c.bpp, c.alpha);
        if (!c.alpha) {
            image.SetTransIndex(0);
            image.SetTransColor(image.GetPixelColor(0, 0));
        }
        const std::vector<uint8_t> file = EncodeToBytes(image, FORMAT_ICO);
        const bool ownAlpha = c.bpp == 24 && c.alpha;
        const std::vector<uint8_t> written = TopDownRgba(CRaster(image, true, true, ownAlpha));

        CRaster whole;
        ASSERT_TRUE(DecodeBytes(whole, file, FORMAT_ICO)) << c.name;
        EXPECT_EQ(whole.GetTransIndex() >= 0, !ownAlpha) << c.name << ": the mask is used";
        for (size_t missing = 1; missing <= kMaskSize; ++missing) {
            CRaster back;
            ASSERT_TRUE(DecodeBytes(back, {file.begin(), file.end() - long(missing)}, FORMAT_ICO))
                << c.name << " " << missing;
            EXPECT_EQ(back.GetTransIndex(), -1) << c.name << " " << missing;
            EXPECT_EQ(back.HasAlpha(), ownAlpha) << c.name << " " << missing;
            EXPECT_EQ(TopDownRgba(back), written) << c.name << " " << missing;
        }
    }
}

TEST(CRasterICO, EncoderRefusesAndReportsFailedWrites) {
    for (const auto& [width, height] : {std::pair{256u, 10u}, std::pair{10u, 256u}}) {
        CRaster image;
        FillPattern(image, width, height, 8);
        EXPECT_TRUE(EncodeToBytes(image, FORMAT_ICO).empty());
        EXPECT_STREQ(image.GetLastError(), "Can't save this image as icon");
    }
    CRaster image;
    FillPattern(image, 9, 4, 8);
    for (size_t limit : {size_t{0}, size_t{62}, size_t{62 + 1024}, size_t{62 + 1024 + 36}}) {
        CLimitedStream stream(limit);
        EXPECT_FALSE(image.Encode(&stream, FORMAT_ICO)) << limit;
        EXPECT_STREQ(image.GetLastError(), "cannot write icon file");
    }
}

// Interoperability: icons written here decode to the same pixels in the tools; the tools'
// icons with several sizes decode here, frame by frame, as ImageMagick sees them.
class IcoInterop : public ::testing::TestWithParam<Tool> {};

TEST_P(IcoInterop, ToolsReadOurFiles) {
    const Tool tool = GetParam();
    if (!HaveTool(tool)) GTEST_SKIP() << ToolName(tool) << " not installed";
    TempDir dir;
    for (const RoundTripCase& c :
         {RoundTripCase{"bpp1", 13, 5, 1, false}, RoundTripCase{"bpp4", 9, 4, 4, false},
          RoundTripCase{"bpp8", 7, 3, 8, false}, RoundTripCase{"bpp24", 5, 4, 24, false},
          RoundTripCase{"bpp32", 10, 6, 24, true}}) {
        CRaster image;
        FillPattern(image, c.width, c.height, c.bpp, c.alpha);
        const std::string file = dir.File(std::string(c.name) + ".ico");
        std::vector<uint8_t> rgba;
        ASSERT_TRUE(SaveAndReadWithTool(tool, dir.Path().string(), image, file, FORMAT_ICO, rgba))
            << c.name;
        EXPECT_EQ(ClearTransparent(rgba), VisibleRgba(image)) << c.name;
    }
}

TEST_P(IcoInterop, WeReadToolFiles) {
    const Tool tool = GetParam();
    if (!HaveTool(tool) || !HaveTool(Tool::ImageMagick)) GTEST_SKIP() << "tools not installed";
    TempDir dir;
    struct Fixture {
        const char* name;
        std::string options;
    };
    std::vector<Fixture> fixtures;
    if (tool == Tool::ImageMagick) {
        fixtures = {
            {"rgba", "-define icon:auto-resize=64,48,16"},
            {"palette", "-alpha off -colors 16 -type palette -define icon:auto-resize=32,16"}};
    } else {
        // Widths of multiples of 32 only: Pillow writes mask rows without their 4-byte padding.
        const std::string sizes =
            "save = {'sizes': [(32, 32), (64, 64)], "
            "'bitmap_format': 'bmp'}";
        fixtures = {
            {"rgba", sizes},
            {"rgb", "im = im.convert('RGB'); " + sizes},
            {"palette", "im = im.convert('RGB').quantize(16, dither=Image.Dither.NONE); " + sizes}};
    }
    CRaster pattern;
    FillPattern(pattern, 64, 64, 24, true);
    const std::vector<uint8_t> source = TopDownRgba(pattern);
    for (const Fixture& f : fixtures) {
        const std::string file = dir.File(std::string(f.name) + ".ico");
        ASSERT_TRUE(RgbaToTool(tool, dir.Path().string(), source, 64, 64, f.options, file))
            << f.name;
        CRaster first;
        ASSERT_TRUE(first.Load(file.c_str(), FORMAT_ICO)) << f.name << first.GetLastError();
        ASSERT_GE(first.GetNumFrames(), 2) << f.name;
        for (int frame = 0; frame < first.GetNumFrames(); ++frame) {
            std::vector<uint8_t> theirs;
            uint32_t w = 0, h = 0;
            ASSERT_TRUE(
                ToolToRgba(Tool::ImageMagick, dir.Path().string(), file, frame, theirs, w, h))
                << f.name << " " << frame;
            CRaster image;
            image.SetFrame(frame);
            ASSERT_TRUE(image.Load(file.c_str(), FORMAT_ICO)) << f.name << frame;
            EXPECT_EQ(image.GetWidth(), w);
            EXPECT_EQ(VisibleRgba(image), ClearTransparent(theirs)) << f.name << " " << frame;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Tools, IcoInterop, ::testing::Values(Tool::ImageMagick, Tool::Pillow),
                         [](const auto& info) { return std::string(ToolName(info.param)); });

}  // namespace

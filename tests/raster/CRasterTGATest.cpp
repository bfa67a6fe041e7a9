#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CRasterTGA.h"
#include "CodecTestSupport.h"
#include "TempDir.h"

using namespace codectest;

namespace {

struct TgaHeader {
    uint8_t type = 2;
    uint8_t depth = 24;
    uint16_t width = 1, height = 1;
    uint8_t descriptor = 0;
    uint8_t mapType = 0;
    uint16_t mapLength = 0;
    uint8_t mapEntrySize = 0;
    uint8_t idLength = 0;
};

// Header, identification bytes, then `body` (colour map and pixel data) as given.
std::vector<uint8_t> BuildTga(const TgaHeader& t, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> f = {t.idLength,
                              t.mapType,
                              t.type,
                              0,
                              0,
                              uint8_t(t.mapLength & 0xFF),
                              uint8_t(t.mapLength >> 8),
                              t.mapEntrySize,
                              0,
                              0,
                              0,
                              0,
                              uint8_t(t.width & 0xFF),
                              uint8_t(t.width >> 8),
                              uint8_t(t.height & 0xFF),
                              uint8_t(t.height >> 8),
                              t.depth,
                              t.descriptor};
    f.insert(f.end(), t.idLength, 'x');
    f.insert(f.end(), body.begin(), body.end());
    return f;
}

RGBQUAD Color(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 0) { return RGBQUAD{b, g, r, a}; }

// A repeat packet of 128 that starts 10 pixels before the end of a row fills those 10 and the
// first 118 of the next row; a literal packet crossing a row end continues there too.
TEST(CRasterTGA, RunLengthPacketsCrossRowEnds) {
    TgaHeader t;
    t.type = 10;
    t.width = 200;
    t.height = 3;
    std::vector<uint8_t> body;
    body.insert(body.end(), {0xFF, 1, 2, 3, 0x80 + 61, 1, 2, 3});  // 190 pixels of colour A
    body.insert(body.end(), {0xFF, 4, 5, 6});                      // 128 pixels of colour B
    body.push_back(0x7F);  // 128 literals: 82 end row 1, 46 start row 2
    for (int i = 0; i < 128; ++i) body.insert(body.end(), {uint8_t(i), uint8_t(i + 1), 9});
    body.insert(body.end(), {0xFF, 7, 8, 9, 0x80 + 25, 7, 8, 9});  // the last 154 of row 2
    CRaster image;
    ASSERT_TRUE(DecodeBytes(image, BuildTga(t, body), FORMAT_TGA)) << image.GetLastError();
    ASSERT_EQ(image.GetBpp(), 24u);
    // File rows run bottom-up here: file row y is image row y.
    EXPECT_EQ(image.GetPixelColor(189, 0), Color(3, 2, 1));
    for (int x = 190; x < 200; ++x) EXPECT_EQ(image.GetPixelColor(x, 0), Color(6, 5, 4)) << x;
    for (int x = 0; x < 118; ++x) EXPECT_EQ(image.GetPixelColor(x, 1), Color(6, 5, 4)) << x;
    for (int i = 0; i < 128; ++i) {
        const int x = i < 82 ? 118 + i : i - 82;
        const int y = i < 82 ? 1 : 2;
        EXPECT_EQ(image.GetPixelColor(x, y), Color(9, uint8_t(i + 1), uint8_t(i))) << i;
    }
    for (int x = 46; x < 200; ++x) EXPECT_EQ(image.GetPixelColor(x, 2), Color(9, 8, 7)) << x;
}

// Pixels of every depth, the descriptor's orientation bits and colour maps of every entry size.
struct PixelCase {
    const char* name;
    TgaHeader header;
    std::vector<uint8_t> body;
    uint32_t bpp;
    bool alpha;
    // Expected top-down RGBA of the 2 × 2 picture.
    std::vector<uint8_t> rgba;
};

class TgaPixels : public ::testing::TestWithParam<PixelCase> {};

TEST_P(TgaPixels, Decode) {
    const PixelCase& c = GetParam();
    CRaster image;
    ASSERT_TRUE(DecodeBytes(image, BuildTga(c.header, c.body), FORMAT_TGA)) << image.GetLastError();
    EXPECT_EQ(image.GetBpp(), c.bpp);
    EXPECT_EQ(image.HasAlpha(), c.alpha);
    EXPECT_EQ(image.GetType(), uint32_t{FORMAT_TGA});
    EXPECT_EQ(TopDownRgba(image), c.rgba);
}

TgaHeader Header(uint8_t type, uint8_t depth, uint8_t descriptor, uint8_t mapEntrySize = 0,
                 uint16_t mapLength = 0) {
    TgaHeader t;
    t.type = type;
    t.depth = depth;
    t.width = 2;
    t.height = 2;
    t.descriptor = descriptor;
    t.mapType = mapLength ? 1 : 0;
    t.mapLength = mapLength;
    t.mapEntrySize = mapEntrySize;
    t.idLength = 3;
    return t;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TgaPixels,
    ::testing::Values(
        // Bottom-up rows: the second file row is the top of the picture.
        PixelCase{"rgb24BottomUp",
                  Header(2, 24, 0),
                  {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
                  24,
                  false,
                  {9, 8, 7, 255, 12, 11, 10, 255, 3, 2, 1, 255, 6, 5, 4, 255}},
        PixelCase{"rgb24RightToLeft",
                  Header(2, 24, 0x30),
                  {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
                  24,
                  false,
                  {6, 5, 4, 255, 3, 2, 1, 255, 12, 11, 10, 255, 9, 8, 7, 255}},
        // A type-10 32-bit file, top-to-bottom with 8 alpha bits: picture and alpha upright.
        PixelCase{"rle32TopDown",
                  Header(10, 32, 0x28),
                  {0x81, 1, 2, 3, 40, 0x01, 4, 5, 6, 0, 7, 8, 9, 255},
                  24,
                  true,
                  {3, 2, 1, 40, 3, 2, 1, 40, 6, 5, 4, 0, 9, 8, 7, 255}},
        // 0x7FFF is (248, 248, 248); bit 15 is ignored.
        PixelCase{"rgb16",
                  Header(2, 16, 0x20),
                  {0xFF, 0x7F, 0x1F, 0x80, 0xE0, 0x03, 0x00, 0x7C},
                  24,
                  false,
                  {248, 248, 248, 255, 0, 0, 248, 255, 0, 248, 0, 255, 248, 0, 0, 255}},
        PixelCase{"rle15",
                  Header(10, 15, 0x20),
                  {0x83, 0x1F, 0x00},
                  24,
                  false,
                  {0, 0, 248, 255, 0, 0, 248, 255, 0, 0, 248, 255, 0, 0, 248, 255}},
        PixelCase{"grey8",
                  Header(3, 8, 0x20),
                  {0, 85, 170, 255},
                  8,
                  false,
                  {0, 0, 0, 255, 85, 85, 85, 255, 170, 170, 170, 255, 255, 255, 255, 255}},
        PixelCase{"rleGrey8",
                  Header(11, 8, 0),
                  {0x81, 30, 0x01, 60, 90},
                  8,
                  false,
                  {60, 60, 60, 255, 90, 90, 90, 255, 30, 30, 30, 255, 30, 30, 30, 255}},
        // 16-bit grey: the low byte grey, the high byte alpha; alpha follows a mirror too.
        PixelCase{"greyAlpha16",
                  Header(3, 16, 0x20),
                  {10, 255, 20, 128, 30, 0, 40, 64},
                  8,
                  true,
                  {10, 10, 10, 255, 20, 20, 20, 128, 30, 30, 30, 0, 40, 40, 40, 64}},
        PixelCase{"rleGreyAlpha16RightToLeft",
                  Header(11, 16, 0x10),
                  {0x81, 50, 200, 0x01, 60, 10, 70, 20},
                  8,
                  true,
                  {70, 70, 70, 20, 60, 60, 60, 10, 50, 50, 50, 200, 50, 50, 50, 200}},
        // Colour-map entries are read at their own size.
        PixelCase{"map24",
                  Header(1, 8, 0x20, 24, 2),
                  {1, 2, 3, 4, 5, 6, 0, 1, 1, 0},
                  8,
                  false,
                  {3, 2, 1, 255, 6, 5, 4, 255, 6, 5, 4, 255, 3, 2, 1, 255}},
        PixelCase{"map16",
                  Header(1, 8, 0x20, 16, 2),
                  {0x1F, 0x00, 0x00, 0x7C, 0, 1, 1, 0},
                  8,
                  false,
                  {0, 0, 248, 255, 248, 0, 0, 255, 248, 0, 0, 255, 0, 0, 248, 255}},
        PixelCase{"map32",
                  Header(9, 8, 0x20, 32, 3),
                  {1, 2, 3, 99, 4, 5, 6, 99, 7, 8, 9, 99, 0x83, 2},
                  8,
                  false,
                  {9, 8, 7, 255, 9, 8, 7, 255, 9, 8, 7, 255, 9, 8, 7, 255}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    TgaHeader header;
    const char* error;
};

class TgaRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(TgaRefusal, FailsWithText) {
    const RefusalCase& c = GetParam();
    CRaster image;
    EXPECT_FALSE(DecodeBytes(image, BuildTga(c.header, std::vector<uint8_t>(2000, 0)), FORMAT_TGA));
    EXPECT_STREQ(image.GetLastError(), c.error);
    EXPECT_FALSE(image.IsValid());
}

TgaHeader With(TgaHeader t, void (*change)(TgaHeader&)) {
    change(t);
    return t;
}

const TgaHeader kValid = Header(2, 24, 0);

INSTANTIATE_TEST_SUITE_P(
    Header, TgaRefusal,
    ::testing::Values(
        RefusalCase{"type0", With(kValid, [](TgaHeader& t) { t.type = 0; }),
                    "Unknown TGA image type"},
        RefusalCase{"type32", With(kValid, [](TgaHeader& t) { t.type = 32; }),
                    "Unknown TGA image type"},
        RefusalCase{"width0", With(kValid, [](TgaHeader& t) { t.width = 0; }), "bad TGA header"},
        RefusalCase{"height0", With(kValid, [](TgaHeader& t) { t.height = 0; }), "bad TGA header"},
        RefusalCase{"depth12", With(kValid, [](TgaHeader& t) { t.depth = 12; }), "bad TGA header"},
        RefusalCase{"map300", Header(1, 8, 0, 24, 300), "bad TGA header"},
        RefusalCase{"mapWithoutEntries", Header(1, 8, 0, 24, 0), "bad TGA header"},
        RefusalCase{"mapEntrySize8", Header(1, 8, 0, 8, 4), "bad TGA header"},
        RefusalCase{"mapped16", Header(1, 16, 0, 24, 4), "bad TGA header"},
        RefusalCase{"grey24", Header(3, 24, 0), "bad TGA header"},
        RefusalCase{"trueColour8", Header(2, 8, 0), "bad TGA header"},
        RefusalCase{"tooShort", With(kValid, [](TgaHeader& t) { t.width = t.height = 9000; }),
                    "corrupted TGA"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CRasterTGA, DamagedFilesFailCleanly) {
    CRaster source;
    FillPattern(source, 5, 3, 24, true);
    CRasterMemoryStream out;
    ASSERT_TRUE(out.Open());
    ASSERT_TRUE(source.Encode(&out, FORMAT_TGA));
    const std::vector<uint8_t> raw(out.GetBuffer(false), out.GetBuffer(false) + out.Size());
    TgaHeader t = Header(9, 8, 0x20, 24, 2);
    const std::vector<uint8_t> rle = BuildTga(t, {1, 2, 3, 4, 5, 6, 0x81, 1, 0x00, 0, 0x00, 1});
    // Every truncated prefix fails, also inside a row and inside a packet.
    for (const auto& file : {raw, rle}) {
        ASSERT_NO_FATAL_FAILURE(ExpectEveryPrefixFails(file, FORMAT_TGA));
    }
    CRaster image;
    EXPECT_FALSE(DecodeBytes(image, {}, FORMAT_TGA));
    EXPECT_STREQ(image.GetLastError(), "Not a TGA");
}

TEST(CRasterTGA, EncoderRefusesAndReportsFailedWrites) {
    for (uint32_t bpp : {1u, 4u}) {
        CRaster image;
        FillPattern(image, 4, 4, bpp);
        CRasterMemoryStream out;
        ASSERT_TRUE(out.Open());
        EXPECT_FALSE(image.Encode(&out, FORMAT_TGA));
        EXPECT_STREQ(image.GetLastError(), "Bit depth must be 8 or 24");
    }
    for (uint32_t bpp : {8u, 24u}) {
        CRaster image;
        FillPattern(image, 9, 4, bpp);
        for (size_t limit : {size_t{0}, size_t{18}, size_t{18 + 27}}) {
            CLimitedStream stream(limit);
            EXPECT_FALSE(image.Encode(&stream, FORMAT_TGA)) << bpp << " " << limit;
            EXPECT_STREQ(image.GetLastError(), "cannot write TGA image");
        }
    }
}

TEST(CRasterTGA, HeaderOfWrittenFiles) {
    struct Case {
        uint32_t bpp;
        bool alpha;
        std::vector<uint8_t> header;
        size_t size;
    };
    for (const Case& c :
         {Case{8, false, {0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 3, 0, 2, 0, 8, 0}, 18 + 768 + 6},
          Case{24, false, {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 24, 0}, 18 + 18},
          Case{24, true, {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 32, 0}, 18 + 24}}) {
        CRaster image;
        FillPattern(image, 3, 2, c.bpp, c.alpha);
        CRasterMemoryStream out;
        ASSERT_TRUE(out.Open());
        ASSERT_TRUE(image.Encode(&out, FORMAT_TGA));
        const uint8_t* f = out.GetBuffer(false);
        EXPECT_EQ(std::vector<uint8_t>(f, f + 18), c.header) << c.bpp;
        EXPECT_EQ(size_t(out.Size()), c.size);
    }
}

struct RoundTripCase {
    const char* name;
    uint32_t width, height, bpp;
    bool alpha;
};

class TgaRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(TgaRoundTrip, SaveLoadKeepsPixels) {
    const RoundTripCase c = GetParam();
    TempDir dir;
    CRaster image;
    FillPattern(image, c.width, c.height, c.bpp, c.alpha);
    const std::string file = dir.File("image.tga");
    ASSERT_TRUE(image.Save(file.c_str(), FORMAT_TGA)) << image.GetLastError();
    for (uint32_t id : {uint32_t{FORMAT_TGA}, uint32_t{FORMAT_UNKNOWN}}) {
        CRaster back;
        ASSERT_TRUE(back.Load(file.c_str(), id)) << back.GetLastError();
        EXPECT_EQ(back.GetBpp(), c.bpp);
        EXPECT_EQ(back.GetType(), uint32_t{FORMAT_TGA});
        EXPECT_EQ(back.HasAlpha(), c.alpha);
        EXPECT_EQ(TopDownRgba(back), TopDownRgba(image));
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, TgaRoundTrip,
                         ::testing::Values(RoundTripCase{"bpp8", 7, 3, 8, false},
                                           RoundTripCase{"bpp24", 5, 4, 24, false},
                                           RoundTripCase{"bpp24alpha", 6, 3, 24, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Interoperability: files written here decode to the same pixels in the tools, and the tools'
// files (uncompressed and run-length coded, bottom-up and top-down) decode here as they see them.
class TgaInterop : public ::testing::TestWithParam<Tool> {};

TEST_P(TgaInterop, ToolsReadOurFiles) {
    const Tool tool = GetParam();
    if (!HaveTool(tool)) GTEST_SKIP() << ToolName(tool) << " not installed";
    TempDir dir;
    for (const RoundTripCase& c :
         {RoundTripCase{"bpp8", 7, 3, 8, false}, RoundTripCase{"bpp24", 5, 4, 24, false},
          RoundTripCase{"bpp24alpha", 6, 3, 24, true}}) {
        CRaster image;
        FillPattern(image, c.width, c.height, c.bpp, c.alpha);
        const std::string file = dir.File(std::string(c.name) + ".tga");
        std::vector<uint8_t> rgba;
        ASSERT_TRUE(SaveAndReadWithTool(tool, dir.Path().string(), image, file, FORMAT_TGA, rgba))
            << c.name;
        EXPECT_EQ(rgba, TopDownRgba(image)) << c.name;
    }
}

TEST_P(TgaInterop, WeReadToolFiles) {
    const Tool tool = GetParam();
    if (!HaveTool(tool)) GTEST_SKIP() << ToolName(tool) << " not installed";
    TempDir dir;
    struct Fixture {
        const char* name;
        std::string options;
        uint32_t bpp;
        bool alpha;
    };
    std::vector<Fixture> fixtures;
    if (tool == Tool::ImageMagick) {
        // ImageMagick writes bottom-up files only.
        fixtures = {{"rgb", "-alpha off", 24, false},
                    {"rgbRle", "-alpha off -compress RLE", 24, false},
                    {"rgba", "", 24, true},
                    {"rgbaRle", "-compress RLE", 24, true},
                    {"palette", "-alpha off -colors 32 -type palette", 8, false},
                    {"paletteRle", "-alpha off -colors 32 -type palette -compress RLE", 8, false},
                    {"grey", "-alpha off -colorspace gray", 8, false}};
    } else {
        fixtures = {
            {"rgb", "im = im.convert('RGB')", 24, false},
            {"rgbTop", "im = im.convert('RGB'); save = {'orientation': 1}", 24, false},
            {"rgbRle", "im = im.convert('RGB'); save = {'rle': True}", 24, false},
            {"rgbRleTop", "im = im.convert('RGB'); save = {'rle': True, 'orientation': 1}", 24,
             false},
            {"rgbaRleTop", "save = {'rle': True, 'orientation': 1}", 24, true},
            {"rgba", "", 24, true},
            {"palette", "im = im.convert('RGB').quantize(32, dither=Image.Dither.NONE)", 8, false},
            {"paletteRleTop",
             "im = im.convert('RGB').quantize(32, dither=Image.Dither.NONE); "
             "save = {'rle': True, 'orientation': 1}",
             8, false},
            {"grey", "im = im.convert('L')", 8, false},
            {"greyRle", "im = im.convert('L'); save = {'rle': True}", 8, false},
            {"greyAlpha", "im = im.convert('LA')", 8, true},
            {"greyAlphaRleTop", "im = im.convert('LA'); save = {'rle': True, 'orientation': 1}", 8,
             true}};
    }
    // Wide enough for run-length packets to cross row ends; flat areas give repeat packets.
    const uint32_t width = 150, height = 7;
    CRaster pattern;
    FillPattern(pattern, width, height, 24, true);
    std::vector<uint8_t> source = TopDownRgba(pattern);
    for (size_t i = 0; i < source.size(); i += 4) {
        const size_t x = (i / 4) % width;
        if (x > 60 && x < 140) {
            source[i] = 200;
            source[i + 1] = 10;
            source[i + 2] = 30;
        }
    }
    for (const Fixture& f : fixtures) {
        const std::string file = dir.File(std::string(f.name) + ".tga");
        ASSERT_TRUE(RgbaToTool(tool, dir.Path().string(), source, width, height, f.options, file))
            << f.name;
        std::vector<uint8_t> theirs;
        uint32_t w = 0, h = 0;
        ASSERT_TRUE(ToolToRgba(tool, dir.Path().string(), file, 0, theirs, w, h)) << f.name;
        CRaster image;
        ASSERT_TRUE(image.Load(file.c_str(), FORMAT_TGA)) << f.name << image.GetLastError();
        EXPECT_EQ(image.GetBpp(), f.bpp) << f.name;
        EXPECT_EQ(image.HasAlpha(), f.alpha) << f.name;
        EXPECT_EQ(TopDownRgba(image), theirs) << f.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Tools, TgaInterop, ::testing::Values(Tool::ImageMagick, Tool::Pillow),
                         [](const auto& info) { return std::string(ToolName(info.param)); });

// Valid files near the bounds: uncompressed uniform pictures of about 24 megapixels as the
// library writes them, and run-length files of uniform pictures from the tools. An 8-bit row of
// 128-pixel packets of two bytes each sits right on the bound of 64 pixels per byte, whatever
// the height.
class TgaNearBound : public ::testing::TestWithParam<NearBoundFile> {};

TEST_P(TgaNearBound, ReadsBackAtItsSizeAndColour) {
    if (!HaveWriter(GetParam().writer)) GTEST_SKIP() << "tool not installed";
    TempDir dir;
    ExpectNearBoundFileReadsBack(GetParam(), dir.Path().string(), FORMAT_TGA, ".tga");
}

INSTANTIATE_TEST_SUITE_P(
    Uniform, TgaNearBound,
    ::testing::Values(NearBoundFile{"Library8", Writer::Library, 6000, 4000, 8, "", 8},
                      NearBoundFile{"Library24", Writer::Library, 6000, 4000, 24, "", 24},
                      NearBoundFile{"ImageMagickGreyRle", Writer::ImageMagick, 6016, 1000, 8,
                                    "-colorspace gray -compress RLE", 8},
                      NearBoundFile{"ImageMagickRgbRle", Writer::ImageMagick, 6000, 1000, 24,
                                    "-compress RLE", 24},
                      NearBoundFile{"PillowGreyRle", Writer::Pillow, 6016, 1000, 8,
                                    "im = im.convert('L'); save['compression'] = 'tga_rle'", 8},
                      NearBoundFile{"PillowPaletteRleOdd", Writer::Pillow, 6001, 1001, 8,
                                    "im = im.quantize(2); save['compression'] = 'tga_rle'", 8}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "CRasterPCX.h"
#include "CodecTestSupport.h"
#include "TempDir.h"

using namespace codectest;

namespace {

// The header map used by hand-built files: 16 distinct colours.
std::vector<uint8_t> TestColorMap() {
    std::vector<uint8_t> map(48);
    for (int i = 0; i < 16; ++i) {
        map[3 * i] = uint8_t(i * 16);
        map[3 * i + 1] = uint8_t(255 - i * 8);
        map[3 * i + 2] = uint8_t(i * 5 + 1);
    }
    return map;
}

// Pixel value of hand-built files: an index below 2^(bits × planes), or a channel value.
uint8_t Value(uint32_t x, uint32_t y, int plane, int levels) {
    return uint8_t((x + 3 * y + 7 * plane) % levels);
}

// A PCX file built byte by byte: every line byte coded as a literal (escaped when ≥ 0xC0).
std::vector<uint8_t> BuildPcx(int bits, int planes, uint32_t width, uint32_t height,
                              uint32_t bytesPerLine, bool trailer = true) {
    std::vector<uint8_t> f(128, 0);
    f[0] = 10;
    f[1] = 5;
    f[2] = 1;
    f[3] = uint8_t(bits);
    f[8] = uint8_t((width - 1) & 0xFF);
    f[9] = uint8_t((width - 1) >> 8);
    f[10] = uint8_t((height - 1) & 0xFF);
    f[11] = uint8_t((height - 1) >> 8);
    f[12] = 72;
    f[14] = 150;
    const std::vector<uint8_t> map = TestColorMap();
    std::memcpy(f.data() + 16, map.data(), 48);
    f[65] = uint8_t(planes);
    f[66] = uint8_t(bytesPerLine & 0xFF);
    f[67] = uint8_t(bytesPerLine >> 8);
    for (uint32_t y = 0; y < height; ++y) {
        for (int p = 0; p < planes; ++p) {
            std::vector<uint8_t> line(bytesPerLine, 0);
            for (uint32_t x = 0; x < width; ++x) {
                if (bits == 8 && planes == 1) {
                    line[x] = Value(x, y, 0, 256);
                } else if (bits == 8) {
                    line[x] = uint8_t(Value(x, y, p, 256) * 41);
                } else if (planes == 1) {
                    const uint32_t bit = x * bits;
                    const uint8_t v = Value(x, y, 0, 1 << bits);
                    line[bit / 8] |= uint8_t(v << (8 - bits - bit % 8));
                } else if ((Value(x, y, 0, 1 << planes) >> p) & 1) {
                    line[x / 8] |= uint8_t(0x80 >> (x % 8));
                }
            }
            for (uint8_t b : line) {
                if (b >= 0xC0) f.push_back(0xC1);
                f.push_back(b);
            }
        }
    }
    if (bits == 8 && planes == 1 && trailer) {
        f.push_back(12);
        for (int i = 0; i < 256; ++i) f.insert(f.end(), {uint8_t(i), uint8_t(i / 2), uint8_t(~i)});
    }
    return f;
}

struct LayoutCase {
    const char* name;
    int bits, planes;
    uint32_t width, bytesPerLine;
    uint32_t bpp;  // of the decoded image
};

class PcxLayout : public ::testing::TestWithParam<LayoutCase> {};

// Every layout the reader holds, including 2 and 3 planes of 1 bit (which need 4 bits per
// pixel) and lines longer than the row needs.
TEST_P(PcxLayout, DecodesHandBuiltFile) {
    const LayoutCase c = GetParam();
    const uint32_t height = 3;
    CRaster image;
    ASSERT_TRUE(
        DecodeBytes(image, BuildPcx(c.bits, c.planes, c.width, height, c.bytesPerLine), FORMAT_PCX))
        << image.GetLastError();
    ASSERT_EQ(image.GetWidth(), c.width);
    ASSERT_EQ(image.GetHeight(), height);
    ASSERT_EQ(image.GetBpp(), c.bpp);
    EXPECT_EQ(image.GetType(), uint32_t{FORMAT_PCX});
    EXPECT_EQ(image.GetXDPI(), 72);
    EXPECT_EQ(image.GetYDPI(), 150);
    EXPECT_EQ(image.HasAlpha(), c.planes == 4 && c.bits == 8);
    const std::vector<uint8_t> map = TestColorMap();
    for (uint32_t t = 0; t < height; ++t) {
        const int32_t y = int32_t(height - 1 - t);  // file rows run top-down
        for (uint32_t x = 0; x < c.width; ++x) {
            const RGBQUAD got = image.GetPixelColor(int32_t(x), y);
            if (c.bits == 8 && c.planes >= 3) {
                EXPECT_EQ(got.rgbRed, uint8_t(Value(x, t, 0, 256) * 41));
                EXPECT_EQ(got.rgbGreen, uint8_t(Value(x, t, 1, 256) * 41));
                EXPECT_EQ(got.rgbBlue, uint8_t(Value(x, t, 2, 256) * 41));
                if (c.planes == 4) {
                    EXPECT_EQ(image.GetAlpha(int32_t(x), y), uint8_t(Value(x, t, 3, 256) * 41));
                }
                continue;
            }
            const uint8_t index = Value(x, t, 0, 1 << (c.bits * c.planes));
            ASSERT_EQ(image.GetPixelIndex(int32_t(x), y), index) << x << "," << t;
            if (c.bits == 8) {
                EXPECT_EQ(got.rgbRed, index);
                EXPECT_EQ(got.rgbBlue, uint8_t(~index));
            } else if (c.bits == 1 && c.planes == 1) {
                EXPECT_EQ(got.rgbGreen, index ? 255 : 0);
            } else {
                EXPECT_EQ(got.rgbRed, map[3 * index]);
                EXPECT_EQ(got.rgbGreen, map[3 * index + 1]);
                EXPECT_EQ(got.rgbBlue, map[3 * index + 2]);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PcxLayout,
    ::testing::Values(LayoutCase{"mono", 1, 1, 13, 2, 1}, LayoutCase{"cga", 2, 1, 5, 2, 4},
                      LayoutCase{"packed4", 4, 1, 7, 4, 4}, LayoutCase{"packed8", 8, 1, 5, 6, 8},
                      LayoutCase{"planes2", 1, 2, 10, 2, 4}, LayoutCase{"planes3", 1, 3, 9, 2, 4},
                      LayoutCase{"planes4", 1, 4, 17, 4, 4}, LayoutCase{"rgb", 8, 3, 5, 6, 24},
                      LayoutCase{"rgba", 8, 4, 3, 4, 24}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    long offset;  // byte to change; negative counts from the end
    uint8_t value;
    const char* error;
};

class PcxRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(PcxRefusal, FailsWithText) {
    const RefusalCase c = GetParam();
    std::vector<uint8_t> file = BuildPcx(8, 1, 5, 3, 6);
    file[size_t(c.offset < 0 ? long(file.size()) + c.offset : c.offset)] = c.value;
    CRaster image;
    EXPECT_FALSE(DecodeBytes(image, file, FORMAT_PCX));
    EXPECT_STREQ(image.GetLastError(), c.error);
    EXPECT_FALSE(image.IsValid());
}

INSTANTIATE_TEST_SUITE_P(
    Header, PcxRefusal,
    ::testing::Values(
        RefusalCase{"manufacturer", 0, 11, "Error: Not a PCX file"},
        RefusalCase{"encoding", 2, 0, "PCX file has unknown encoding scheme"},
        RefusalCase{"xmaxBelowXmin", 4, 9, "Error: Not a PCX file"},
        RefusalCase{"ymaxBelowYmin", 6, 3, "Error: Not a PCX file"},
        RefusalCase{"noPlanes", 65, 0, "Error: Not a PCX file"},
        RefusalCase{"negativePlanes", 65, 0xFF, "Error: Not a PCX file"},
        RefusalCase{"fivePlanes", 65, 5, "Can't handle image with more than 4 planes"},
        RefusalCase{"twoPlanesOf8", 65, 2, "Can't handle packed pixels with more than 1 plane."},
        RefusalCase{"shortLines", 66, 4, "Error: Not a PCX file"},
        RefusalCase{"threeBits", 3, 3, "PCX file has unsupported bits per pixel"},
        RefusalCase{"paletteMarker", -769, 0, "bad color map signature"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CRasterPCX, RefusesLayoutsItCannotHold) {
    CRaster image;
    std::vector<uint8_t> twoPlanesOf4 = BuildPcx(4, 1, 4, 2, 2);
    twoPlanesOf4[65] = 2;
    EXPECT_FALSE(DecodeBytes(image, twoPlanesOf4, FORMAT_PCX));
    EXPECT_STREQ(image.GetLastError(), "Can't handle more than 1 bit per pixel");
}

TEST(CRasterPCX, DamagedDataFailsCleanly) {
    // Every truncated prefix of small valid files fails, whatever layout it has.
    for (const auto& file :
         {BuildPcx(8, 1, 5, 3, 6), BuildPcx(8, 4, 3, 2, 4), BuildPcx(1, 4, 9, 2, 2)}) {
        ASSERT_NO_FATAL_FAILURE(ExpectEveryPrefixFails(file, FORMAT_PCX));
    }
    // A run past the end of the image.
    std::vector<uint8_t> file = BuildPcx(8, 3, 2, 1, 2);
    file.resize(128);
    file.insert(file.end(), {0xC5, 7, 0xC5, 7});
    CRaster image;
    EXPECT_FALSE(DecodeBytes(image, file, FORMAT_PCX));
    EXPECT_STREQ(image.GetLastError(), "repeat count spans end of image");
    // A header that promises a huge image over a few bytes is refused before it is allocated.
    file = BuildPcx(8, 3, 2, 1, 2);
    file[8] = file[10] = 0xFE;
    file[9] = file[11] = 0xFF;
    file[66] = file[67] = 0xFF;
    EXPECT_FALSE(DecodeBytes(image, file, FORMAT_PCX));
    EXPECT_STREQ(image.GetLastError(), "corrupted PCX");
}

struct RleCase {
    const char* name;
    std::vector<int> input;  // bytes, then the end-of-line value
    std::vector<uint8_t> coded;
};

class PcxRleWriter : public ::testing::TestWithParam<RleCase> {};

TEST_P(PcxRleWriter, CodesRuns) {
    const RleCase& c = GetParam();
    CRasterMemoryStream out;
    ASSERT_TRUE(out.Open());
    CRasterPCX::RleState state;
    for (int v : c.input) ASSERT_TRUE(CRasterPCX::PutRleByte(v, state, out));
    const uint8_t* buffer = out.GetBuffer(false);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + out.Size()), c.coded);

    // The whole-buffer coder gives the same bytes for the same data (without the padding).
    std::vector<uint8_t> data;
    for (int v : c.input) {
        if (v >= 0) data.push_back(uint8_t(v));
    }
    CRasterMemoryStream line;
    ASSERT_TRUE(line.Open());
    ASSERT_TRUE(CRasterPCX::WriteRleLine(data.data(), data.size(), line));
    std::vector<uint8_t> expected = c.coded;
    if (c.input.back() == CRasterPCX::kRleEndOdd) expected.pop_back();
    EXPECT_EQ(std::vector<uint8_t>(line.GetBuffer(false), line.GetBuffer(false) + line.Size()),
              expected);
}

std::vector<int> Repeat(int value, int count, int end) {
    std::vector<int> v(size_t(count), value);
    v.push_back(end);
    return v;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, PcxRleWriter,
    ::testing::Values(
        RleCase{"run64high", Repeat(0xC5, 64, CRasterPCX::kRleEndEven), {0xFF, 0xC5, 0xC1, 0xC5}},
        RleCase{"run64low", Repeat(0x10, 64, CRasterPCX::kRleEndEven), {0xFF, 0x10, 0x10}},
        RleCase{"singleHigh", Repeat(0xC5, 1, CRasterPCX::kRleEndOdd), {0xC1, 0xC5, 0x00}},
        RleCase{
            "mixed", {1, 1, 2, 0xC0, 3, CRasterPCX::kRleEndOdd}, {0xC2, 1, 2, 0xC1, 0xC0, 3, 0}},
        RleCase{"run126", Repeat(7, 126, CRasterPCX::kRleEndEven), {0xFF, 7, 0xFF, 7}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CRasterPCX, OddWidthRowsEndWithPadByte) {
    CRaster image;
    FillPattern(image, 3, 2, 8);
    CRasterMemoryStream out;
    ASSERT_TRUE(out.Open());
    ASSERT_TRUE(image.Encode(&out, FORMAT_PCX));
    const uint8_t* f = out.GetBuffer(false);
    EXPECT_EQ(f[3], 8);
    EXPECT_EQ(f[65], 1);
    EXPECT_EQ(f[66] | (f[67] << 8), 4);
    // Indices of the pattern stay below 0xC0, so each row is 3 literals and a 0.
    std::vector<uint8_t> rows(f + 128, f + 136);
    std::vector<uint8_t> expected;
    for (int y = 1; y >= 0; --y) {
        for (int x = 0; x < 3; ++x) expected.push_back(image.GetPixelIndex(x, y));
        expected.push_back(0);
    }
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(f[136], 12);
    EXPECT_EQ(out.Size(), 128 + 8 + 1 + 768);
}

struct RoundTripCase {
    const char* name;
    uint32_t width, height, bpp;
    bool alpha;
};

class PcxRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(PcxRoundTrip, SaveLoadKeepsPixels) {
    const RoundTripCase c = GetParam();
    TempDir dir;
    CRaster image;
    FillPattern(image, c.width, c.height, c.bpp, c.alpha);
    image.SetXDPI(300);
    const std::string file = dir.File("image.pcx");
    ASSERT_TRUE(image.Save(file.c_str(), FORMAT_PCX)) << image.GetLastError();
    for (uint32_t id : {uint32_t{FORMAT_PCX}, uint32_t{FORMAT_UNKNOWN}}) {
        CRaster back;
        ASSERT_TRUE(back.Load(file.c_str(), id)) << back.GetLastError();
        EXPECT_EQ(back.GetBpp(), c.bpp);
        EXPECT_EQ(back.GetType(), uint32_t{FORMAT_PCX});
        EXPECT_EQ(back.GetXDPI(), 300);
        EXPECT_EQ(back.HasAlpha(), c.alpha);
        EXPECT_EQ(TopDownRgba(back), TopDownRgba(image));
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, PcxRoundTrip,
                         ::testing::Values(RoundTripCase{"bpp1", 13, 5, 1, false},
                                           RoundTripCase{"bpp4", 9, 4, 4, false},
                                           RoundTripCase{"bpp8", 7, 3, 8, false},
                                           RoundTripCase{"bpp24", 5, 4, 24, false},
                                           RoundTripCase{"bpp24alpha", 6, 3, 24, true},
                                           RoundTripCase{"wide", 300, 2, 8, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CRasterPCX, InvertedMonochromePaletteKeepsPictureAndCallerImage) {
    CRaster image;
    FillPattern(image, 11, 3, 1);
    image.SetPaletteColor(0, 255, 255, 255);
    image.SetPaletteColor(1, 0, 0, 0);
    const std::vector<uint8_t> bitsBefore(image.GetBits(0),
                                          image.GetBits(0) + image.GetHeader().biSizeImage);
    CRasterMemoryStream out;
    ASSERT_TRUE(out.Open());
    ASSERT_TRUE(image.Encode(&out, FORMAT_PCX));
    EXPECT_EQ(
        std::vector<uint8_t>(image.GetBits(0), image.GetBits(0) + image.GetHeader().biSizeImage),
        bitsBefore);
    std::vector<uint8_t> bytes(out.GetBuffer(false), out.GetBuffer(false) + out.Size());
    CRaster back;
    ASSERT_TRUE(DecodeBytes(back, bytes, FORMAT_PCX));
    EXPECT_EQ(back.GetPaletteColor(0), (RGBQUAD{0, 0, 0, 0}));
    EXPECT_EQ(back.GetPaletteColor(1), (RGBQUAD{255, 255, 255, 0}));
    EXPECT_EQ(TopDownRgba(back), TopDownRgba(image));
}

TEST(CRasterPCX, FailedWriteIsFailedSave) {
    for (uint32_t bpp : {1u, 8u, 24u}) {
        CRaster image;
        FillPattern(image, 9, 4, bpp);
        for (size_t limit : {size_t{0}, size_t{127}, size_t{128}, size_t{129}}) {
            CLimitedStream stream(limit);
            EXPECT_FALSE(image.Encode(&stream, FORMAT_PCX)) << bpp << " " << limit;
            EXPECT_STREQ(image.GetLastError(),
                         limit < 128 ? "cannot write PCX header" : "cannot write PCX image");
        }
    }
    CRaster empty;
    CLimitedStream stream(1000);
    EXPECT_FALSE(empty.Encode(&stream, FORMAT_PCX));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
}

// Interoperability: files written here decode to the same pixels in the tools, and files the
// tools write decode here to the pixels the tools see.
class PcxInterop : public ::testing::TestWithParam<Tool> {};

TEST_P(PcxInterop, ToolsReadOurFiles) {
    const Tool tool = GetParam();
    if (!HaveTool(tool)) GTEST_SKIP() << ToolName(tool) << " not installed";
    TempDir dir;
    for (const RoundTripCase& c :
         {RoundTripCase{"bpp1", 13, 5, 1, false}, RoundTripCase{"bpp4", 9, 4, 4, false},
          RoundTripCase{"bpp8", 7, 3, 8, false}, RoundTripCase{"bpp24", 5, 4, 24, false},
          RoundTripCase{"bpp24alpha", 6, 3, 24, true}}) {
        // Pillow reads no fourth plane; ImageMagick 6 shows monochrome files with bit 1 black,
        // unlike Pillow and the format's black-and-white map that this reader follows.
        if (c.alpha && tool == Tool::Pillow) continue;
        if (c.bpp == 1 && tool == Tool::ImageMagick) continue;
        CRaster image;
        FillPattern(image, c.width, c.height, c.bpp, c.alpha);
        const std::string file = dir.File(std::string(c.name) + ".pcx");
        std::vector<uint8_t> rgba;
        ASSERT_TRUE(SaveAndReadWithTool(tool, dir.Path().string(), image, file, FORMAT_PCX, rgba))
            << c.name;
        EXPECT_EQ(rgba, TopDownRgba(image)) << c.name;
    }
}

TEST_P(PcxInterop, WeReadToolFiles) {
    const Tool tool = GetParam();
    if (!HaveTool(tool)) GTEST_SKIP() << ToolName(tool) << " not installed";
    TempDir dir;
    struct Fixture {
        const char* name;
        uint32_t width, height, colours;
        std::string options;  // for the tool at hand
        uint32_t bpp;
    };
    std::vector<Fixture> fixtures;
    std::vector<uint8_t> rgbaAlpha;
    if (tool == Tool::ImageMagick) {
        fixtures = {{"palette8", 21, 9, 40, "-type palette", 8},
                    {"rgb24", 19, 7, 0, "-type truecolor", 24},
                    {"rgba", 9, 5, 0, "-type truecoloralpha", 24}};
    } else {
        fixtures = {{"mono1", 21, 9, 2, "im = im.convert('1', dither=Image.Dither.NONE)", 1},
                    {"grey8", 13, 5, 30, "im = im.convert('L')", 8},
                    {"palette8", 17, 6, 40,
                     "im = im.convert('RGB').quantize(64, dither=Image.Dither.NONE)", 8},
                    {"rgb24", 19, 7, 0, "im = im.convert('RGB')", 24}};
    }
    for (const Fixture& f : fixtures) {
        std::vector<uint8_t> source = f.colours
                                          ? FewColourRgba(f.width, f.height, f.colours, f.bpp == 1)
                                          : std::vector<uint8_t>();
        if (!f.colours) {
            CRaster pattern;
            FillPattern(pattern, f.width, f.height, 24, f.name == std::string("rgba"));
            source = TopDownRgba(pattern);
        }
        const std::string file = dir.File(std::string(f.name) + ".pcx");
        ASSERT_TRUE(
            RgbaToTool(tool, dir.Path().string(), source, f.width, f.height, f.options, file))
            << f.name;
        std::vector<uint8_t> theirs;
        uint32_t w = 0, h = 0;
        ASSERT_TRUE(ToolToRgba(tool, dir.Path().string(), file, 0, theirs, w, h));
        CRaster image;
        ASSERT_TRUE(image.Load(file.c_str(), FORMAT_PCX)) << f.name << image.GetLastError();
        EXPECT_EQ(image.GetBpp(), f.bpp) << f.name;
        EXPECT_EQ(TopDownRgba(image), theirs) << f.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Tools, PcxInterop, ::testing::Values(Tool::ImageMagick, Tool::Pillow),
                         [](const auto& info) { return std::string(ToolName(info.param)); });

// Both tools read the 2- and 4-plane files as the reader sees them. The width is a multiple of
// 16: Pillow assumes planes (w + 7) / 8 bytes apart and misreads padded lines.
TEST(CRasterPCX, PlanarFilesMatchTools) {
    TempDir dir;
    for (const Tool tool : {Tool::ImageMagick, Tool::Pillow}) {
        if (!HaveTool(tool)) continue;
        for (int planes : {2, 4}) {
            const std::string file = dir.File("planes" + std::to_string(planes) + ".pcx");
            ASSERT_TRUE(WriteFile(file, BuildPcx(1, planes, 16, 4, 2)));
            std::vector<uint8_t> theirs;
            uint32_t w = 0, h = 0;
            ASSERT_TRUE(ToolToRgba(tool, dir.Path().string(), file, 0, theirs, w, h));
            CRaster image;
            ASSERT_TRUE(image.Load(file.c_str(), FORMAT_PCX));
            EXPECT_EQ(TopDownRgba(image), theirs) << ToolName(tool) << " " << planes;
        }
    }
}

// Valid files near the run-length bound (a run of 63 bytes in two, so 31.5 image bytes per
// byte): uniform pictures of about 24 megapixels from the library whose rows are whole runs,
// odd sizes whose rows end in a short run and a pad byte, and the tools' uniform pictures (the
// ratio is the row's, whatever the height).
class PcxNearBound : public ::testing::TestWithParam<NearBoundFile> {};

TEST_P(PcxNearBound, ReadsBackAtItsSizeAndColour) {
    if (!HaveWriter(GetParam().writer)) GTEST_SKIP() << "tool not installed";
    TempDir dir;
    ExpectNearBoundFileReadsBack(GetParam(), dir.Path().string(), FORMAT_PCX, ".pcx");
}

INSTANTIATE_TEST_SUITE_P(
    Uniform, PcxNearBound,
    ::testing::Values(NearBoundFile{"Library8", Writer::Library, 6048, 4000, 8, "", 8},
                      NearBoundFile{"Library24", Writer::Library, 6048, 4000, 24, "", 24},
                      NearBoundFile{"Library1Odd", Writer::Library, 6001, 4001, 1, "", 1},
                      NearBoundFile{"Library4Odd", Writer::Library, 6001, 4001, 4, "", 4},
                      NearBoundFile{"ImageMagick24", Writer::ImageMagick, 6000, 1000, 24, "", 24},
                      NearBoundFile{"PillowGrey", Writer::Pillow, 6048, 1000, 8,
                                    "im = im.convert('L')", 8}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

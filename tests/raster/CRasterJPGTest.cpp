#include <gtest/gtest.h>
#include <jpeglib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CRaster.h"
#include "CRasterJPG.h"
#include "CRasterMemoryStream.h"
#include "CodecTestSupport.h"
#include "ExternalTools.h"
#include "JpegTestSupport.h"
#include "TempDir.h"

namespace pnm = codectest::pnm;

namespace {

// A smooth colour picture: JPEG keeps such content close to the original.
CRaster MakeColorImage(uint32_t w, uint32_t h) {
    CRaster image(w, h, 24, FORMAT_BMP);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            image.SetPixelColor(x, y,
                                RGBQUAD{uint8_t(40 + 170 * (x + y) / (w + h)),
                                        uint8_t(200 - 160 * y / h), uint8_t(30 + 200 * x / w), 0});
        }
    }
    return image;
}

CRaster MakeGreyImage(uint32_t w, uint32_t h, uint32_t bpp) {
    CRaster image(w, h, bpp, FORMAT_BMP);
    const uint32_t colors = image.GetNumColors();
    for (uint32_t i = 0; i < colors; ++i) image.SetPaletteColor(uint8_t(i), i, i, i);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) image.SetPixelIndex(x, y, uint8_t((x / 4 + y) % colors));
    }
    return image;
}

std::vector<uint8_t> EncodeToBytes(CRaster& image) {
    CRasterMemoryStream stream;
    stream.Open();
    EXPECT_TRUE(image.Encode(&stream, FORMAT_JPG)) << image.GetLastError();
    const uint8_t* b = stream.GetBuffer(false);
    return std::vector<uint8_t>(b, b + stream.Size());
}

bool DecodeBytes(std::vector<uint8_t> bytes, CRasterJPG& image) {
    CRasterMemoryStream stream(bytes.data(), long(bytes.size()));
    return image.Decode(&stream);
}

// Quality 90 on smooth content: a mean error of 2 levels and no pixel off by more than 24 are
// the usual quantisation and chroma-subsampling error; anything larger is a decoding fault.
constexpr double kMeanTolerance = 2.0;
constexpr int kMaxTolerance = 24;

struct RoundTripCase {
    const char* name;
    uint32_t bpp;  // of the saved image (0: 24-bit colour)
    uint32_t loadedBpp;
};

class JpegRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(JpegRoundTrip, SurvivesSaveAndLoadThroughDispatch) {
    const RoundTripCase c = GetParam();
    TempDir dir;
    CRaster image = c.bpp == 24 ? MakeColorImage(37, 23) : MakeGreyImage(37, 23, c.bpp);
    image.SetJpegQuality(90);
    image.SetXDPI(72);
    image.SetYDPI(150);
    const std::string file = dir.File("a.jpg");
    ASSERT_TRUE(image.Save(file.c_str(), FORMAT_JPG)) << image.GetLastError();
    const uint32_t channels = c.bpp == 24 ? 3 : 1;
    const pnm::Pixels original = pnm::FromRaster(image, channels);

    for (uint32_t id : {uint32_t{FORMAT_JPG}, uint32_t{FORMAT_UNKNOWN}}) {
        CRaster loaded;
        ASSERT_TRUE(loaded.Load(file.c_str(), id)) << loaded.GetLastError();
        EXPECT_EQ(loaded.GetType(), uint32_t{FORMAT_JPG});
        EXPECT_EQ(loaded.GetWidth(), 37u);
        EXPECT_EQ(loaded.GetHeight(), 23u);
        EXPECT_EQ(loaded.GetBpp(), c.loadedBpp);
        EXPECT_EQ(loaded.GetXDPI(), 72);
        EXPECT_EQ(loaded.GetYDPI(), 150);
        if (channels == 1) {
            EXPECT_TRUE(loaded.IsGrayScale());
        }
        const pnm::Difference d = pnm::Compare(original, pnm::FromRaster(loaded, channels));
        EXPECT_LE(d.mean, kMeanTolerance);
        EXPECT_LE(d.maximum, kMaxTolerance);
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, JpegRoundTrip,
                         ::testing::Values(RoundTripCase{"Color24", 24, 24},
                                           RoundTripCase{"Grey8", 8, 8},
                                           RoundTripCase{"Grey4", 4, 8},
                                           RoundTripCase{"Grey1", 1, 8}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JpegEncode, RefusesColourPaletteImagesWithoutWriting) {
    for (uint32_t bpp : {1u, 4u, 8u}) {
        CRaster image(8, 8, bpp, FORMAT_BMP);
        image.SetStandardPalette();
        image.SetPaletteColor(1, 200, 10, 10);
        CRasterMemoryStream stream;
        stream.Open();
        EXPECT_FALSE(image.Encode(&stream, FORMAT_JPG)) << bpp;
        EXPECT_STREQ(image.GetLastError(), "JPEG can save only RGB or GreyScale images");
        EXPECT_EQ(stream.Size(), 0);
    }
}

TEST(JpegEncode, WritesJfifDensityInDotsPerInch) {
    CRaster image = MakeColorImage(8, 8);
    image.SetXDPI(72);
    image.SetYDPI(72);
    const std::vector<uint8_t> bytes = EncodeToBytes(image);
    ASSERT_GE(bytes.size(), 18u);
    EXPECT_EQ(0, std::memcmp(&bytes[6], "JFIF", 5));
    EXPECT_EQ(bytes[13], 1);  // unit: dots per inch
    EXPECT_EQ((bytes[14] << 8) | bytes[15], 72);
    EXPECT_EQ((bytes[16] << 8) | bytes[17], 72);
}

TEST(JpegEncode, ReportsShortWritesAsFailure) {
    // Noise does not compress: the file spans several 4096-byte buffers.
    CRaster image(300, 200, 24, FORMAT_BMP);
    std::srand(3);
    for (uint32_t i = 0; i < image.GetHeader().biSizeImage; ++i) {
        image.GetBits(0)[i] = uint8_t(std::rand());
    }
    const size_t size = EncodeToBytes(image).size();
    ASSERT_GT(size, 4096u);
    // Nothing, a partial first buffer, and all but the last byte.
    for (size_t capacity : {size_t{0}, size_t{100}, size - 1}) {
        codectest::CLimitedStream stream(capacity);
        EXPECT_FALSE(image.Encode(&stream, FORMAT_JPG)) << capacity;
        EXPECT_STREQ(image.GetLastError(), "Output file write error --- out of disk space?");
    }
}

TEST(JpegDecode, EmptyStreamFailsWithLibraryMessage) {
    CRasterJPG image;
    EXPECT_FALSE(DecodeBytes({}, image));
    EXPECT_STREQ(image.GetLastError(), "Empty input file");
}

TEST(JpegDecode, TruncatedFilesNeverCrash) {
    CRaster source = MakeColorImage(40, 30);
    const std::vector<uint8_t> bytes = EncodeToBytes(source);
    size_t headerEnd = 0;  // the start-of-scan marker: the tables before it are not a picture
    for (size_t i = 2; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
            headerEnd = i;
            break;
        }
    }
    ASSERT_GT(headerEnd, 0u);
    for (size_t n = 0; n < bytes.size(); ++n) {
        CRasterJPG image;
        const bool ok = DecodeBytes({bytes.begin(), bytes.begin() + long(n)}, image);
        if (n < headerEnd) {
            EXPECT_FALSE(ok) << n;
            EXPECT_NE(image.GetLastError()[0], '\0') << n;
        } else if (ok) {
            // Cut inside the scan: the library warns, finishes the picture and succeeds.
            EXPECT_EQ(image.GetWidth(), 40u) << n;
            EXPECT_EQ(image.GetHeight(), 30u) << n;
        } else {
            EXPECT_NE(image.GetLastError()[0], '\0') << n;
        }
    }
}

TEST(JpegDecode, GarbageAfterTheMarkerFailsCleanly) {
    std::srand(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> bytes = {0xFF, 0xD8};
        const size_t n = size_t(std::rand() % 600);
        for (size_t i = 0; i < n; ++i) bytes.push_back(uint8_t(std::rand()));
        if (round % 2) bytes.insert(bytes.begin() + 2, {0xFF, 0xDB, 0x00, 0x43});
        CRasterJPG image;
        if (!DecodeBytes(bytes, image)) {
            EXPECT_NE(image.GetLastError()[0], '\0');
        }
    }
}

TEST(JpegDecode, CorruptedDataOfAValidFileNeverCrashes) {
    CRaster source = MakeColorImage(40, 30);
    const std::vector<uint8_t> bytes = EncodeToBytes(source);
    std::srand(11);
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> damaged = bytes;
        for (int k = 0; k < 4; ++k) damaged[size_t(std::rand()) % damaged.size()] ^= 0x5A;
        CRasterJPG image;
        DecodeBytes(damaged, image);
    }
}

TEST(JpegDecode, EscapeFlagStopsDecoding) {
    CRaster source = MakeColorImage(16, 16);
    CRasterJPG image;
    image.SetEscape(1);
    EXPECT_FALSE(DecodeBytes(EncodeToBytes(source), image));
}

TEST(JpegDecode, RefusesComponentCountsOtherThanOneThreeFour) {
    const std::vector<uint8_t> samples(8 * 8 * 2, 100);
    CRasterJPG image;
    EXPECT_FALSE(DecodeBytes(codectest::EncodeRawJpeg(8, 8, 2, JCS_UNKNOWN, samples), image));
    EXPECT_STREQ(image.GetLastError(), "JPEG: unsupported number of colour components");
}

TEST(JpegDecode, CmykIsMultipliedByK) {
    // Flat areas of quality 100 come back within a level or two of what was written.
    std::vector<uint8_t> samples;
    for (int i = 0; i < 16 * 16; ++i) samples.insert(samples.end(), {200, 100, 50, 128});
    CRasterJPG image;
    ASSERT_TRUE(DecodeBytes(codectest::EncodeRawJpeg(16, 16, 4, JCS_CMYK, samples), image))
        << image.GetLastError();
    ASSERT_EQ(image.GetBpp(), 24u);
    const RGBQUAD c = image.GetPixelColor(8, 8);
    EXPECT_NEAR(c.rgbRed, 128 * 200 / 255, 2);
    EXPECT_NEAR(c.rgbGreen, 128 * 100 / 255, 2);
    EXPECT_NEAR(c.rgbBlue, 128 * 50 / 255, 2);
}

struct DensityCase {
    uint8_t unit;
    uint16_t x, y;
    int32_t dpiX, dpiY;
};

TEST(JpegDecode, JfifDensityGivesDpiWithoutExif) {
    CRaster source = MakeColorImage(8, 8);
    const std::vector<uint8_t> bytes = EncodeToBytes(source);
    for (const DensityCase c : {DensityCase{2, 118, 40, 300, 102}, DensityCase{0, 1, 1, 1, 1},
                                DensityCase{1, 300, 72, 300, 72}}) {
        std::vector<uint8_t> patched = bytes;
        patched[13] = c.unit;
        patched[14] = uint8_t(c.x >> 8);
        patched[15] = uint8_t(c.x);
        patched[16] = uint8_t(c.y >> 8);
        patched[17] = uint8_t(c.y);
        CRasterJPG image;
        ASSERT_TRUE(DecodeBytes(patched, image)) << image.GetLastError();
        EXPECT_EQ(image.GetXDPI(), c.dpiX) << int(c.unit);
        EXPECT_EQ(image.GetYDPI(), c.dpiY) << int(c.unit);
    }
}

// A flat picture of about 24 megapixels: the best-compressing content, so the file lies nearest
// to the reader's bound of pixels per byte. value: grey level, or blue, green, red.
CRaster MakeFlatImage(uint32_t w, uint32_t h, uint32_t bpp, const std::vector<uint8_t>& value) {
    CRaster image(w, h, bpp, FORMAT_BMP);
    if (bpp == 8) image.SetGrayPalette();
    for (uint32_t x = 0; x < w; ++x) {
        std::copy(value.begin(), value.end(), image.GetBits(0) + x * value.size());
    }
    for (uint32_t y = 1; y < h; ++y)
        std::memcpy(image.GetBits(y), image.GetBits(0), w * value.size());
    return image;
}

// Every row of a decoded image the same, each byte within `tolerance` of the value (grey, or
// blue, green, red).
::testing::AssertionResult IsFlat(const CRaster& image, const std::vector<uint8_t>& value,
                                  int tolerance) {
    const size_t rowBytes = size_t{image.GetWidth()} * value.size();
    const uint8_t* first = image.GetBits(0);
    for (size_t i = 0; i < rowBytes; ++i) {
        if (std::abs(first[i] - value[i % value.size()]) > tolerance) {
            return ::testing::AssertionFailure() << "byte " << i << " is " << int(first[i]);
        }
    }
    for (uint32_t y = 1; y < image.GetHeight(); ++y) {
        if (std::memcmp(image.GetBits(y), first, rowBytes) != 0) {
            return ::testing::AssertionFailure() << "row " << y << " differs from row 0";
        }
    }
    return ::testing::AssertionSuccess();
}

struct FlatCase {
    const char* name;
    uint32_t width, height, bpp;
    std::vector<uint8_t> value;
};

class JpegFlatPicture : public ::testing::TestWithParam<FlatCase> {};

// Files this library writes of a flat picture read back whole; an odd width gives padded rows,
// an odd height a short last row of blocks.
TEST_P(JpegFlatPicture, WrittenHereReadsBack) {
    const FlatCase& c = GetParam();
    CRaster source = MakeFlatImage(c.width, c.height, c.bpp, c.value);
    CRasterJPG image;
    ASSERT_TRUE(DecodeBytes(EncodeToBytes(source), image)) << image.GetLastError();
    EXPECT_EQ(image.GetWidth(), c.width);
    EXPECT_EQ(image.GetHeight(), c.height);
    ASSERT_EQ(image.GetBpp(), c.bpp);
    // A flat block keeps its exact mean at quality 75; colour conversion rounds by a level.
    EXPECT_TRUE(IsFlat(image, c.value, 1));
}

INSTANTIATE_TEST_SUITE_P(Shapes, JpegFlatPicture,
                         ::testing::Values(FlatCase{"Grey8", 5999, 4003, 8, {123}},
                                           FlatCase{"Colour24", 6000, 4001, 24, {200, 140, 90}}),
                         [](const auto& info) { return std::string(info.param.name); });

// The memory cap counts the image a file decodes to. A grey claim that fits at one byte a
// pixel, though not at three, reaches the image's creation (the escape flag stops the decoding
// there); the same claim in colour, and a grey one past the cap, are refused.
TEST(JpegDecode, MemoryCapCountsTheDecodedDepth) {
    struct Case {
        int components;
        uint32_t width, height;
        const char* error;  // null: the image is created
    };
    for (const Case& c : {Case{1, 28000, 25600, nullptr},  // 717 MB; 2.15 GB at 24 bits
                          Case{3, 28000, 25600, "RASTER_MAX_MEMORY exceeded"},
                          Case{1, 46400, 46400, "RASTER_MAX_MEMORY exceeded"}}) {
        std::vector<uint8_t> bytes = codectest::EncodeRawJpeg(
            16, 16, c.components, c.components == 1 ? JCS_GRAYSCALE : JCS_RGB,
            std::vector<uint8_t>(16 * 16 * size_t(c.components), 90));
        codectest::SetJpegSize(bytes, c.width, c.height);
        // As many bytes as Huffman codes need at least for the claimed pixels.
        bytes.resize(bytes.size() + uint64_t{c.width} * c.height / 512);
        CRasterJPG image;
        image.SetEscape(1);
        EXPECT_FALSE(DecodeBytes(bytes, image));
        if (c.error) {
            EXPECT_STREQ(image.GetLastError(), c.error) << c.width;
            EXPECT_FALSE(image.IsValid());
        } else {
            EXPECT_STREQ(image.GetLastError(), "");
            EXPECT_EQ(image.GetWidth(), c.width);
            EXPECT_EQ(image.GetHeight(), c.height);
            EXPECT_EQ(image.GetBpp(), 8u);
        }
    }
}

// Files written by the independent tools decode to the pixels those tools decode them to.
class JpegInterop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!external::HaveImageMagick()) GTEST_SKIP() << "ImageMagick not installed";
    }
    TempDir dir;
};

TEST_F(JpegInterop, FilesWrittenHereOpenInImageMagickAndPillow) {
    for (uint32_t bpp : {24u, 8u}) {
        CRaster image = bpp == 24 ? MakeColorImage(61, 43) : MakeGreyImage(61, 43, 8);
        image.SetJpegQuality(90);
        const std::string file = dir.File("ours.jpg");
        ASSERT_TRUE(image.Save(file.c_str(), FORMAT_JPG));
        const uint32_t channels = bpp == 24 ? 3 : 1;
        const pnm::Pixels original = pnm::FromRaster(image, channels);
        const char* type = bpp == 24 ? "ppm" : "pgm";

        const std::string magick = dir.File(std::string("magick.") + type);
        ASSERT_TRUE(external::Run(external::kConvert + " " + file + " " + magick));
        pnm::Pixels theirs;
        ASSERT_TRUE(pnm::Read(magick, theirs));
        pnm::Difference d = pnm::Compare(original, theirs);
        EXPECT_LE(d.mean, kMeanTolerance) << bpp;
        EXPECT_LE(d.maximum, kMaxTolerance) << bpp;

        const std::string python = external::PillowPython();
        if (python.empty()) continue;
        const std::string pillow = dir.File(std::string("pillow.") + type);
        ASSERT_TRUE(external::Run(python + " -c \"from PIL import Image; im = Image.open('" + file +
                                  "'); assert im.mode == '" + (bpp == 24 ? "RGB" : "L") +
                                  "'; im.save('" + pillow + "')\""));
        ASSERT_TRUE(pnm::Read(pillow, theirs));
        d = pnm::Compare(original, theirs);
        EXPECT_LE(d.mean, kMeanTolerance) << bpp;
        EXPECT_LE(d.maximum, kMaxTolerance) << bpp;
    }
}

struct ToolFixture {
    const char* name;
    const char* options;  // ImageMagick options between input and output
    uint32_t bpp;
};

class JpegToolFiles : public JpegInterop, public ::testing::WithParamInterface<ToolFixture> {};

TEST_P(JpegToolFiles, DecodeLikeImageMagickDecodesThem) {
    const ToolFixture c = GetParam();
    const std::string source = dir.File("source.ppm");
    ASSERT_TRUE(pnm::Write(source, pnm::FromRaster(MakeColorImage(45, 33), 3)));
    const std::string file = dir.File("tool.jpg");
    ASSERT_TRUE(external::Run(external::kConvert + " " + source + " " + c.options +
                              " -quality 92 " + file));
    const uint32_t channels = c.bpp == 8 ? 1 : 3;
    const std::string reference = dir.File(channels == 1 ? "ref.pgm" : "ref.ppm");
    ASSERT_TRUE(external::Run(external::kConvert + " " + file + " -colorspace sRGB " +
                              (channels == 1 ? "-colorspace Gray " : "") + reference));
    pnm::Pixels theirs;
    ASSERT_TRUE(pnm::Read(reference, theirs));

    CRaster image;
    ASSERT_TRUE(image.Load(file.c_str(), FORMAT_UNKNOWN)) << image.GetLastError();
    EXPECT_EQ(image.GetType(), uint32_t{FORMAT_JPG});
    ASSERT_EQ(image.GetBpp(), c.bpp);
    EXPECT_EQ(image.GetWidth(), 45u);
    EXPECT_EQ(image.GetHeight(), 33u);
    // Both decode the same file with libjpeg; only rounding of the colour conversion differs.
    const pnm::Difference d = pnm::Compare(theirs, pnm::FromRaster(image, channels));
    EXPECT_LE(d.maximum, 2) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, JpegToolFiles,
                         ::testing::Values(ToolFixture{"Baseline", "", 24},
                                           ToolFixture{"Grey", "-colorspace Gray", 8},
                                           ToolFixture{"Progressive", "-interlace Plane", 24},
                                           ToolFixture{"Cmyk", "-colorspace CMYK", 24}),
                         [](const auto& info) { return std::string(info.param.name); });

// Files libjpeg-turbo's cjpeg writes of a flat 6000 x 4001 picture decode to the pixels its
// djpeg decodes them to. Each row is a coding at its shape's extreme: Huffman-coded grey at the
// shortest codes of a sequential file and of a progressive one (a DC scan, then end-of-band runs:
// the reader's bound), colour with 4:1:1 subsampling likewise, and arithmetic coding, which holds
// the picture in a few hundred bytes.
struct CjpegCase {
    const char* name;
    const char* options;
    const char* scans;  // scan script, or null
    bool grey;
};

class JpegCjpegFiles : public ::testing::TestWithParam<CjpegCase> {
protected:
    void SetUp() override {
        if (!external::CommandExists(kCjpeg) || !external::CommandExists(kDjpeg)) {
            GTEST_SKIP() << "cjpeg and djpeg not installed";
        }
    }
    const std::string kCjpeg = "/usr/bin/cjpeg";
    const std::string kDjpeg = "/usr/bin/djpeg";
    TempDir dir;
};

TEST_P(JpegCjpegFiles, DecodeLikeDjpeg) {
    const CjpegCase& c = GetParam();
    constexpr uint32_t kWidth = 6000, kHeight = 4001;
    const uint32_t channels = c.grey ? 1 : 3;
    const std::string source = dir.File(c.grey ? "flat.pgm" : "flat.ppm");
    {
        const uint8_t rgb[] = {90, 140, 200};
        std::vector<uint8_t> samples(size_t{kWidth} * kHeight * channels);
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = rgb[i % channels];
        ASSERT_TRUE(
            codectest::WriteFile(source, codectest::Netpbm(kWidth, kHeight, !c.grey, samples)));
    }
    std::string options = c.options;
    if (c.scans) {
        const std::string script = dir.File("scans.txt");
        ASSERT_TRUE(codectest::WriteFile(script, {c.scans, c.scans + std::strlen(c.scans)}));
        options += " -scans " + script;
    }
    const std::string file = dir.File("flat.jpg");
    ASSERT_TRUE(external::Run(kCjpeg + " " + options + " -outfile " + file + " " + source));
    const std::string reference = dir.File("djpeg.pnm");
    ASSERT_TRUE(external::Run(kDjpeg + " -pnm -outfile " + reference + " " + file));
    pnm::Pixels theirs;
    ASSERT_TRUE(pnm::Read(reference, theirs));
    ASSERT_EQ(theirs.channels, channels);

    CRaster image;
    ASSERT_TRUE(image.Load(file.c_str(), FORMAT_JPG)) << image.GetLastError();
    ASSERT_EQ(image.GetWidth(), kWidth);
    ASSERT_EQ(image.GetHeight(), kHeight);
    ASSERT_EQ(image.GetBpp(), c.grey ? 8u : 24u);
    // The same library with the same settings: the same bytes, blue and red swapped.
    const size_t rowBytes = size_t{kWidth} * channels;
    std::vector<uint8_t> row(rowBytes);
    for (uint32_t t = 0; t < kHeight; ++t) {
        std::memcpy(row.data(), image.GetBits(kHeight - 1 - t), rowBytes);
        if (channels == 3) image.SwapRedBlue(row.data(), int64_t(rowBytes));
        ASSERT_EQ(0, std::memcmp(row.data(), &theirs.data[t * rowBytes], rowBytes)) << "row " << t;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codings, JpegCjpegFiles,
    ::testing::Values(
        CjpegCase{"GreyOptimized", "-optimize", nullptr, true},
        CjpegCase{"GreyDcScanFirst", "", "0: 0 0 0 0;\n0: 1 63 0 0;\n", true},
        CjpegCase{"Colour411DcScanFirst", "-sample 4x1",
                  "0,1,2: 0 0 0 0;\n0: 1 63 0 0;\n1: 1 63 0 0;\n2: 1 63 0 0;\n", false},
        CjpegCase{"ColourArithmetic", "-arithmetic", nullptr, false},
        CjpegCase{"ColourArithmeticProgressive", "-arithmetic -progressive", nullptr, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

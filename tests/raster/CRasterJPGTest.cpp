#include <gtest/gtest.h>
#include <jpeglib.h>

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

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "CRaster.h"
#include "CRasterMemoryStream.h"
#include "FileSizeLimit.h"
#include "TempDir.h"

namespace {

class CRasterProbe : public CRaster {
public:
    using CRaster::CheckEncodeInput;
    using CRaster::CRaster;
};

void WriteAll(const std::string& path, const std::string& bytes) {
    TempDir::WriteBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

TEST(Dispatch, UnknownIdsAndUndecodableBytesFailWithTheDispatchTexts) {
    uint8_t garbage[16] = {0x13, 0x37};
    CRasterMemoryStream stream(garbage, sizeof garbage);
    CRaster image(2, 2, 8, FORMAT_BMP);
    const void* block = image.GetDIB();

    EXPECT_FALSE(image.Decode(&stream, FORMAT_UNKNOWN));
    EXPECT_STREQ(image.GetLastError(), "Decode: Unknown or wrong format");
    EXPECT_EQ(stream.Tell(), 0);  // every failed reader's reads are undone
    EXPECT_FALSE(image.Decode(&stream, 15));
    EXPECT_FALSE(image.Decode(static_cast<CRasterStream*>(nullptr), FORMAT_BMP));
    EXPECT_EQ(image.GetDIB(), block);  // a failed decode changes nothing but the message

    CRasterMemoryStream out;
    ASSERT_TRUE(out.Open());
    EXPECT_FALSE(image.Encode(&out, FORMAT_UNKNOWN));
    EXPECT_STREQ(image.GetLastError(), "Encode: Unknown format");
    EXPECT_FALSE(image.Encode(&out, 99));
    EXPECT_EQ(out.Size(), 0);
}

TEST(Dispatch, EncodersRefuseMissingStreamsAndEmptyImages) {
    CRasterProbe empty;
    CRasterMemoryStream out;
    ASSERT_TRUE(out.Open());
    EXPECT_TRUE(empty.CheckEncodeInput(nullptr));
    EXPECT_STREQ(empty.GetLastError(), "null file handler");
    EXPECT_TRUE(empty.CheckEncodeInput(&out));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
    CRasterProbe image(1, 1, 24, FORMAT_BMP);
    EXPECT_FALSE(image.CheckEncodeInput(&out));
}

TEST(Dispatch, LoadKeepsTheMessageOfTheNamedReader) {
    TempDir dir;
    const std::string path = dir.File("noise.bin");
    WriteAll(path, std::string(64, '\x5A'));
    CRaster image;
    EXPECT_FALSE(image.Load(path.c_str(), FORMAT_UNKNOWN));
    EXPECT_STREQ(image.GetLastError(), "Decode: Unknown or wrong format");

    image.SetLastError("before");
    EXPECT_FALSE(image.Load(path.c_str(), 15));  // no typed attempt, auto-detection fails
    EXPECT_STREQ(image.GetLastError(), "before");

    image.SetLastError("before");
    EXPECT_FALSE(image.Load(dir.File("missing.png").c_str(), FORMAT_PNG));
    EXPECT_STREQ(image.GetLastError(), "before");  // an unopenable file leaves no message
}

TEST(Dispatch, AFailedSaveKeepsTheOldFileAndLeavesNothingBehind) {
    TempDir dir;
    const std::string path = dir.File("photo.bmp");
    WriteAll(path, "old contents");
    CRaster image(4, 4, 24, FORMAT_BMP);
    EXPECT_FALSE(image.Save(path.c_str(), FORMAT_UNKNOWN));
    EXPECT_STREQ(image.GetLastError(), "Encode: Unknown format");
    EXPECT_EQ(TempDir::ReadText(path), "old contents");
    EXPECT_EQ(dir.EntryCount(), 1u);

    EXPECT_FALSE(image.Save(dir.File("no/such/folder/x.bmp").c_str(), FORMAT_BMP));
    EXPECT_FALSE(image.Save(nullptr, FORMAT_BMP));
    EXPECT_EQ(dir.EntryCount(), 1u);
}

}  // namespace

namespace {

struct FormatCase {
    uint32_t id;
    const char* extension;
    uint32_t bpp;
    int tolerance;  // per channel; lossy formats only
};

CRaster Picture(uint32_t bpp) {
    CRaster image(16, 12, bpp, FORMAT_UNKNOWN);
    if (bpp <= 8) {
        image.SetGrayPalette();
        for (int32_t y = 0; y < 12; ++y) {
            for (int32_t x = 0; x < 16; ++x) image.SetPixelIndex(x, y, uint8_t((x + 3 * y) % 2 ? 255 : 0));
        }
    } else {
        for (int32_t y = 0; y < 12; ++y) {
            for (int32_t x = 0; x < 16; ++x) {
                image.SetPixelColor(x, y, RGBQUAD{uint8_t(16 * x), uint8_t(20 * y), 128, 0});
            }
        }
    }
    image.SetJpegQuality(100);  // lossless where the format can be
    return CRaster(image);
}

class DispatchRoundTrip : public ::testing::TestWithParam<FormatCase> {};

// Every format saved with its id loads again both by that id and by auto-detection.
TEST_P(DispatchRoundTrip, SavedFilesLoadByIdAndByDetection) {
    const FormatCase c = GetParam();
    TempDir dir;
    const std::string path = dir.File(std::string("picture.") + c.extension);
    const CRaster original = Picture(c.bpp);
    CRaster image(original);
    ASSERT_TRUE(image.Save(path.c_str(), c.id)) << image.GetLastError();

    for (uint32_t loadId : {c.id, uint32_t{FORMAT_UNKNOWN}}) {
        CRaster loaded;
        ASSERT_TRUE(loaded.Load(path.c_str(), loadId)) << loadId << ": " << loaded.GetLastError();
        ASSERT_EQ(loaded.GetWidth(), 16u);
        ASSERT_EQ(loaded.GetHeight(), 12u);
        EXPECT_EQ(loaded.GetType(), c.id) << loadId;
        int worst = 0;
        for (int32_t y = 0; y < 12; ++y) {
            for (int32_t x = 0; x < 16; ++x) {
                const RGBQUAD a = original.GetPixelColor(x, y), b = loaded.GetPixelColor(x, y);
                worst = std::max({worst, std::abs(a.rgbRed - b.rgbRed),
                                  std::abs(a.rgbGreen - b.rgbGreen), std::abs(a.rgbBlue - b.rgbBlue)});
            }
        }
        EXPECT_LE(worst, c.tolerance) << c.extension << " loaded with id " << loadId;
    }
}

// A full disk (a file-size limit below the smallest file) fails the save in every format, most
// of them only when the written bytes are flushed: the old file stays and nothing is left.
TEST_P(DispatchRoundTrip, AFailedWriteKeepsTheOldFile) {
    const FormatCase c = GetParam();
    TempDir dir;
    const std::string path = dir.File(std::string("picture.") + c.extension);
    WriteAll(path, "old contents");
    CRaster image = Picture(c.bpp);
    bool saved;
    {
        FileSizeLimit limit(16);
        ASSERT_TRUE(limit.Active());
        saved = image.Save(path.c_str(), c.id);
    }
    EXPECT_FALSE(saved);
    EXPECT_STRNE(image.GetLastError(), "");
    EXPECT_EQ(TempDir::ReadText(path), "old contents");
    EXPECT_EQ(dir.EntryCount(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    AllFormats, DispatchRoundTrip,
    ::testing::Values(FormatCase{FORMAT_BMP, "bmp", 24, 0}, FormatCase{FORMAT_GIF, "gif", 8, 0},
                      // chroma subsampling blurs the colour steps even at quality 100
                      FormatCase{FORMAT_JPG, "jpg", 24, 16}, FormatCase{FORMAT_PNG, "png", 24, 0},
                      FormatCase{FORMAT_ICO, "ico", 24, 0}, FormatCase{FORMAT_TIF, "tif", 24, 0},
                      FormatCase{FORMAT_TGA, "tga", 24, 0}, FormatCase{FORMAT_PCX, "pcx", 24, 0},
                      FormatCase{FORMAT_WBMP, "wbmp", 1, 0}, FormatCase{FORMAT_JP2, "jp2", 24, 0},
                      FormatCase{FORMAT_JPC, "jpc", 24, 0}, FormatCase{FORMAT_PGX, "pgx", 8, 0},
                      FormatCase{FORMAT_PNM, "pnm", 24, 0}, FormatCase{FORMAT_RAS, "ras", 24, 0}),
    [](const ::testing::TestParamInfo<FormatCase>& info) {
        return std::string(info.param.extension);
    });

TEST(Dispatch, AWrongFormatIdFallsBackToDetection) {
    TempDir dir;
    const std::string path = dir.File("really.png");
    CRaster image = Picture(24);
    ASSERT_TRUE(image.Save(path.c_str(), FORMAT_PNG));
    CRaster loaded;
    ASSERT_TRUE(loaded.Load(path.c_str(), FORMAT_BMP));
    EXPECT_EQ(loaded.GetType(), uint32_t{FORMAT_PNG});

    // A file no reader takes keeps the message of the reader that was asked for.
    const std::string noise = dir.File("noise.jpg");
    WriteAll(noise, std::string(200, '\x42'));
    EXPECT_FALSE(loaded.Load(noise.c_str(), FORMAT_JPG));
    EXPECT_STRNE(loaded.GetLastError(), "Decode: Unknown or wrong format");
    EXPECT_STRNE(loaded.GetLastError(), "");
    EXPECT_EQ(loaded.GetType(), uint32_t{FORMAT_PNG});  // the image is as it was
}

TEST(Dispatch, EmptyImagesAreRefusedByEveryEncoder) {
    for (uint32_t id = FORMAT_BMP; id < FORMAT_COUNT; ++id) {
        CRaster empty;
        CRasterMemoryStream out;
        ASSERT_TRUE(out.Open());
        EXPECT_FALSE(empty.Encode(&out, id)) << id;
        EXPECT_STREQ(empty.GetLastError(), "null image!!!") << id;
    }
}

}  // namespace

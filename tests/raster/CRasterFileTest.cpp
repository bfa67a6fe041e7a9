#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "CRaster.h"
#include "CRasterMemoryStream.h"
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

size_t FileCount(const std::filesystem::path& dir) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
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
    EXPECT_EQ(FileCount(dir.Path()), 1u);

    EXPECT_FALSE(image.Save(dir.File("no/such/folder/x.bmp").c_str(), FORMAT_BMP));
    EXPECT_FALSE(image.Save(nullptr, FORMAT_BMP));
    EXPECT_EQ(FileCount(dir.Path()), 1u);
}

}  // namespace

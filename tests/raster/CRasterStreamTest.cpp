#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "CRaster.h"
#include "CRasterMemoryStream.h"
#include "CRasterRowIterator.h"
#include "CRasterStdioStream.h"
#include "TempDir.h"

namespace {

uint8_t* TenBytes() {
    auto* buffer = static_cast<uint8_t*>(std::malloc(10));
    for (int i = 0; i < 10; ++i) buffer[i] = static_cast<uint8_t>(i);
    return buffer;
}

TEST(MemoryStream, ReadsWholeItemsAndStopsAtTheEnd) {
    uint8_t* buffer = TenBytes();
    {
        CRasterMemoryStream stream(buffer, 10);
        ASSERT_TRUE(stream.Seek(4, 0));
        uint8_t out[12] = {};
        EXPECT_EQ(stream.Read(out, 4, 3), 1u);  // 6 bytes copied, one whole item
        EXPECT_EQ(out[5], 9);
        EXPECT_TRUE(stream.Eof());
        EXPECT_EQ(stream.GetC(), -1);
        EXPECT_FALSE(stream.Seek(-1, 0));
        EXPECT_EQ(stream.Tell(), 10);
        EXPECT_FALSE(stream.Seek(0, 3));
    }
    std::free(buffer);  // a stream handed a buffer does not own it
}

TEST(MemoryStream, WritesPastTheEndGrowInPagesAndZeroTheGap) {
    CRasterMemoryStream stream;
    ASSERT_TRUE(stream.Open());
    EXPECT_FALSE(stream.Open());
    const uint8_t ten[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    ASSERT_EQ(stream.Write(ten, 1, 10), 10u);
    ASSERT_TRUE(stream.Seek(5, 2));
    EXPECT_EQ(stream.Tell(), 15);
    EXPECT_EQ(stream.Error(), 1);
    const uint8_t two[2] = {7, 8};
    ASSERT_EQ(stream.Write(two, 1, 2), 2u);
    EXPECT_EQ(stream.Size(), 17);
    const uint8_t* data = stream.GetBuffer(false);
    for (int i = 10; i < 15; ++i) EXPECT_EQ(data[i], 0) << i;
    EXPECT_EQ(data[16], 8);
}

TEST(MemoryStream, GrowsInStepsOf4096AndDetachesItsBuffer) {
    CRasterMemoryStream bytewise;
    ASSERT_TRUE(bytewise.Open());
    ASSERT_TRUE(bytewise.PutC(42));
    for (int i = 1; i < 4096; ++i) ASSERT_TRUE(bytewise.PutC(uint8_t(i)));
    const uint8_t* before = bytewise.GetBuffer(false);
    EXPECT_EQ(bytewise.GetBuffer(false), before);
    ASSERT_TRUE(bytewise.PutC(1));  // 4097th byte: the next page
    EXPECT_EQ(bytewise.Size(), 4097);

    uint8_t* detached = nullptr;
    {
        CRasterMemoryStream stream;
        ASSERT_TRUE(stream.Open());
        std::vector<uint8_t> big(4097, 3);
        ASSERT_EQ(stream.Write(big.data(), 1, big.size()), big.size());
        detached = stream.GetBuffer(true);
    }
    EXPECT_EQ(detached[4096], 3);  // still allocated after the stream is gone
    std::free(detached);
}

TEST(MemoryStream, OverflowingRequestsAndMissingBuffersMoveNothing) {
    CRasterMemoryStream stream;
    uint8_t byte = 0;
    EXPECT_EQ(stream.Read(&byte, 1, 1), 0u);
    EXPECT_EQ(stream.Write(&byte, 1, 1), 0u);
    EXPECT_FALSE(stream.PutC(1));
    EXPECT_TRUE(stream.Eof());
    EXPECT_EQ(stream.Error(), -1);
    EXPECT_EQ(stream.Tell(), -1);
    ASSERT_TRUE(stream.Open());
    const size_t huge = std::numeric_limits<size_t>::max() / 2;
    EXPECT_EQ(stream.Write(&byte, huge, 4), 0u);
    EXPECT_EQ(stream.Read(&byte, huge, 4), 0u);
    EXPECT_EQ(stream.Size(), 0);
    ASSERT_TRUE(stream.Seek(std::numeric_limits<long>::max(), 0));
    EXPECT_FALSE(stream.Seek(1, 1));
    EXPECT_EQ(stream.Write(&byte, 1, 1), 0u);
    EXPECT_FALSE(stream.PutC(1));
}

TEST(MemoryStream, TypedReadsSayTheByteOrder) {
    uint8_t* buffer = TenBytes();
    CRasterMemoryStream stream(buffer, 10);
    uint16_t le = 0, be = 0;
    uint32_t le32 = 0, be32 = 0;
    EXPECT_TRUE(stream.ReadU16LE(le));
    EXPECT_TRUE(stream.ReadU16BE(be));
    EXPECT_TRUE(stream.ReadU32LE(le32));
    EXPECT_EQ(le, 0x0100);
    EXPECT_EQ(be, 0x0203);
    EXPECT_EQ(le32, 0x07060504u);
    EXPECT_FALSE(stream.ReadU32BE(be32));  // only two bytes left
    EXPECT_EQ(be32, 0u);
    stream.Close();
    std::free(buffer);
}

TEST(StdioStream, NeverClosesAFileItWasGiven) {
    TempDir dir;
    FILE* file = std::fopen(dir.File("s.bin").c_str(), "w+b");
    ASSERT_NE(file, nullptr);
    {
        CRasterStdioStream stream(file);
        EXPECT_TRUE(stream.PutC(0xAB));
        EXPECT_TRUE(stream.WriteU32BE(0x01020304));
        EXPECT_EQ(stream.Size(), 5);
        EXPECT_TRUE(stream.Seek(0, 0));
        EXPECT_EQ(stream.GetC(), 0xAB);
        EXPECT_EQ(stream.Tell(), 1);
    }
    EXPECT_EQ(std::fputc('x', file), 'x');  // still open
    std::fclose(file);

    CRasterStdioStream none;
    EXPECT_TRUE(none.Eof());
    EXPECT_EQ(none.Size(), -1);
    EXPECT_EQ(none.GetC(), -1);
    EXPECT_FALSE(none.Seek(0, 0));
}

TEST(RowIterator, WalksRowsTopDownAndStaysInsideTheImage) {
    CRaster image(5, 3, 8, FORMAT_BMP);  // stride 8
    CRasterRowIterator it(&image);
    it.MoveToTop();
    EXPECT_EQ(it.GetY(), 2);
    const uint8_t rows[3][9] = {{1, 1, 1, 1, 1, 1, 1, 1, 99}, {2}, {3}};
    for (int r = 0; r < 3; ++r) {
        it.SetRow(rows[r], 100);  // a length past the stride means the stride
        if (r < 2) {
            EXPECT_TRUE(it.PrevRow());
        }
    }
    EXPECT_FALSE(it.PrevRow());
    EXPECT_EQ(it.GetRow(), image.GetBits(0));
    EXPECT_EQ(image.GetPixelIndex(4, 2), 1);
    EXPECT_EQ(image.GetPixelIndex(0, 0), 3);
    EXPECT_EQ(image.GetBits(1)[0], 2);

    it.SetY(3);
    EXPECT_EQ(it.GetY(), 0);
    it.SetY(-1);
    EXPECT_EQ(it.GetY(), 0);
    uint8_t copy[20] = {};
    it.GetRowCopy(copy, 20);
    EXPECT_EQ(copy[0], 3);
    EXPECT_EQ(copy[8], 0);  // at most one stride was copied
    EXPECT_EQ(it.GetRow(2), image.GetBits(2));

    CRasterRowIterator nothing(nullptr);
    nothing.MoveToTop();
    nothing.SetRow(rows[0], 4);
    EXPECT_EQ(nothing.GetRow(), nullptr);
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CExifReader.h"
#include "CRaster.h"
#include "CRasterJPG.h"
#include "CRasterMemoryStream.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Builds a TIFF-structured Exif block byte by byte in either byte order.
class ExifBuilder {
public:
    explicit ExifBuilder(bool bigEndian) : m_big(bigEndian) {}

    Bytes U16(uint32_t v) const {
        return m_big ? Bytes{uint8_t(v >> 8), uint8_t(v)} : Bytes{uint8_t(v), uint8_t(v >> 8)};
    }
    Bytes U32(uint32_t v) const {
        Bytes b = m_big ? Bytes{uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}
                        : Bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        return b;
    }
    Bytes Rational(uint32_t n, uint32_t d) const {
        Bytes b = U32(n);
        const Bytes e = U32(d);
        b.insert(b.end(), e.begin(), e.end());
        return b;
    }

    struct Entry {
        uint16_t tag;
        uint16_t format;
        uint32_t count;
        Bytes value;  // in the block's byte order; values over 4 bytes go to the data area
    };

    // A directory with its data area, placed at offset start (relative to the byte-order mark).
    Bytes Directory(const std::vector<Entry>& entries, uint32_t start, uint32_t next) const {
        Bytes d = U16(uint32_t(entries.size()));
        Bytes data;
        const uint32_t dataStart = start + 2 + 12 * uint32_t(entries.size()) + 4;
        for (const Entry& e : entries) {
            Append(d, U16(e.tag));
            Append(d, U16(e.format));
            Append(d, U32(e.count));
            if (e.value.size() > 4) {
                Append(d, U32(dataStart + uint32_t(data.size())));
                Append(data, e.value);
                if (data.size() % 2) data.push_back(0);
            } else {
                Bytes v = e.value;
                v.resize(4, 0);
                Append(d, v);
            }
        }
        Append(d, U32(next));
        Append(d, data);
        return d;
    }

    // "Exif\0\0", the TIFF header, and the given bytes from offset 8 on.
    Bytes Block(const Bytes& afterHeader) const {
        Bytes b = {'E', 'x', 'i', 'f', 0, 0};
        Append(b, m_big ? Bytes{'M', 'M'} : Bytes{'I', 'I'});
        Append(b, U16(42));
        Append(b, U32(8));
        Append(b, afterHeader);
        return b;
    }

    static void Append(Bytes& to, const Bytes& from) {
        to.insert(to.end(), from.begin(), from.end());
    }

private:
    bool m_big;
};

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// IFD0 (camera, orientation, resolution, link to the Exif directory), the Exif directory, IFD1
// with a 6-byte thumbnail. xRes, yRes and unit go into IFD0.
Bytes BuildBlock(bool big, uint32_t xRes, uint32_t unit, Bytes* thumbnailOut = nullptr) {
    ExifBuilder b(big);
    using E = ExifBuilder::Entry;
    const Bytes thumbnail = {0xFF, 0xD8, 1, 2, 0xFF, 0xD9};
    if (thumbnailOut) *thumbnailOut = thumbnail;

    auto ifd0 = [&](uint32_t exifAt) {
        return std::vector<E>{{271, 2, 6, Text(std::string("Canon") + '\0')},
                              {272, 2, 12, Text(std::string("PowerShot A") + '\0')},
                              {274, 3, 1, b.U16(6)},
                              {282, 5, 1, b.Rational(xRes, 1)},
                              {283, 5, 1, b.Rational(xRes, 1)},
                              {296, 3, 1, b.U16(unit)},
                              {34665, 4, 1, b.U32(exifAt)}};
    };
    const std::vector<E> exif = {
        {33434, 5, 1, b.Rational(1, 125)},
        {33437, 5, 1, b.Rational(28, 10)},
        {34855, 3, 1, b.U16(2)},
        {36864, 7, 4, Text("0220")},
        {36867, 2, 20, Text(std::string("2004:05:06 07:08:09") + '\0')},
        {37385, 3, 1, b.U16(0x19)},
        {37386, 5, 1, b.Rational(173, 10)},
        {37510, 7, 16, Text(std::string("ASCII\0\0\0Hello   ", 16))},
        {40962, 4, 1, b.U32(1600)},
        {41486, 5, 1, b.Rational(8000, 1)},
        {41488, 3, 1, b.U16(2)},
    };
    // Directory sizes do not depend on the offsets stored in them.
    const uint32_t ifd0Size = uint32_t(b.Directory(ifd0(0), 8, 0).size());
    const uint32_t exifAt = 8 + ifd0Size;
    const uint32_t exifSize = uint32_t(b.Directory(exif, exifAt, 0).size());
    const uint32_t ifd1At = exifAt + exifSize;
    const uint32_t thumbAt = ifd1At + 2 + 2 * 12 + 4;
    const std::vector<E> ifd1 = {{513, 4, 1, b.U32(thumbAt)}, {514, 4, 1, b.U32(6)}};

    Bytes rest = b.Directory(ifd0(exifAt), 8, ifd1At);
    ExifBuilder::Append(rest, b.Directory(exif, exifAt, 0));
    ExifBuilder::Append(rest, b.Directory(ifd1, ifd1At, 0));
    ExifBuilder::Append(rest, thumbnail);
    return b.Block(rest);
}

// A small JPEG written by the codec (JFIF density 72 dpi) with an APP1 section after SOI.
Bytes JpegWithApp1(const Bytes& block) {
    CRaster image(16, 8, 24, FORMAT_BMP);
    image.SetXDPI(72);
    image.SetYDPI(72);
    CRasterMemoryStream stream;
    stream.Open();
    EXPECT_TRUE(image.Encode(&stream, FORMAT_JPG));
    Bytes jpeg(stream.GetBuffer(false), stream.GetBuffer(false) + stream.Size());
    const uint32_t length = uint32_t(block.size()) + 2;
    Bytes app1 = {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length)};
    ExifBuilder::Append(app1, block);
    jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
    return jpeg;
}

bool DecodeJpeg(Bytes bytes, CRasterJPG& image) {
    CRasterMemoryStream stream(bytes.data(), long(bytes.size()));
    return image.Decode(&stream);
}

// Runs the reader over a byte sequence; returns ReadSections' result.
bool ReadSections(Bytes bytes, CExifRecord& record, std::string* error = nullptr) {
    CRasterMemoryStream stream(bytes.data(), long(bytes.size()));
    CExifReader reader(&record);
    const bool ok = reader.ReadSections(&stream);
    if (error) *error = reader.GetLastError();
    return ok;
}

class ExifByteOrder : public ::testing::TestWithParam<bool> {};

TEST_P(ExifByteOrder, FieldsComeOutOfTheJpeg) {
    CRasterJPG image;
    ASSERT_TRUE(DecodeJpeg(JpegWithApp1(BuildBlock(GetParam(), 300, 2)), image))
        << image.GetLastError();
    const CExifRecord& r = image.GetExifRecord();
    EXPECT_EQ(r.isExif, 1);
    EXPECT_STREQ(r.cameraMake, "Canon");
    EXPECT_STREQ(r.cameraModel, "PowerShot A");
    EXPECT_STREQ(r.version, "0220");
    EXPECT_STREQ(r.dateTime, "2004:05:06 07:08:09");
    EXPECT_STREQ(r.comment, "Hello");
    EXPECT_EQ(r.orientation, 6);
    EXPECT_EQ(r.isoEquivalent, 400);
    EXPECT_EQ(r.flashUsed, 1);
    EXPECT_FLOAT_EQ(r.exposureTime, 1.0f / 125);
    EXPECT_FLOAT_EQ(r.fNumber, 2.8f);
    EXPECT_FLOAT_EQ(r.focalLength, 17.3f);
    EXPECT_FLOAT_EQ(r.xResolution, 300);
    EXPECT_FLOAT_EQ(r.resolutionUnit, 1);
    EXPECT_FLOAT_EQ(r.sensorWidth, 1600.0f / 8000);
    EXPECT_EQ(r.width, 16);
    EXPECT_EQ(r.height, 8);
    EXPECT_EQ(r.isColor, 1);
    EXPECT_EQ(r.process, 0xC0);
    EXPECT_EQ(r.thumbnailSize, 6);
    EXPECT_EQ(r.thumbnail, nullptr);  // the reader that held it is gone
    // The Exif resolution wins over the JFIF density of 72.
    EXPECT_EQ(image.GetXDPI(), 300);
    EXPECT_EQ(image.GetYDPI(), 300);
}

TEST_P(ExifByteOrder, ThumbnailPointsIntoTheReadersSection) {
    Bytes thumbnail;
    Bytes jpeg = JpegWithApp1(BuildBlock(GetParam(), 300, 2, &thumbnail));
    CRasterMemoryStream stream(jpeg.data(), long(jpeg.size()));
    CExifRecord record{};
    CExifReader reader(&record);
    ASSERT_TRUE(reader.ReadSections(&stream)) << reader.GetLastError();
    ASSERT_NE(record.thumbnail, nullptr);
    ASSERT_EQ(record.thumbnailSize, 6);
    EXPECT_EQ(0, std::memcmp(record.thumbnail, thumbnail.data(), 6));
}

INSTANTIATE_TEST_SUITE_P(Orders, ExifByteOrder, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Motorola" : "Intel"; });

TEST(ExifResolution, UnitFactorAndMissingResolution) {
    struct Case {
        uint32_t xRes, unit;
        int32_t dpi;
    };
    // 118 per centimetre: 118 / 0.3937008 = 299.7, truncated. Resolution 0: the DPI stays 96,
    // the JFIF density of 72 is not used when Exif is present.
    for (const Case c : {Case{118, 3, 299}, Case{0, 2, 96}, Case{300, 2, 300}}) {
        CRasterJPG image;
        ASSERT_TRUE(DecodeJpeg(JpegWithApp1(BuildBlock(false, c.xRes, c.unit)), image));
        EXPECT_EQ(image.GetXDPI(), c.dpi) << c.xRes;
    }
}

TEST(ExifDamage, EveryTruncatedBlockIsSafeAndTheJpegStillDecodes) {
    const Bytes block = BuildBlock(true, 300, 2);
    for (size_t n = 0; n < block.size(); ++n) {
        CRasterJPG image;
        ASSERT_TRUE(DecodeJpeg(JpegWithApp1(Bytes(block.begin(), block.begin() + long(n))), image))
            << n << image.GetLastError();
    }
}

TEST(ExifDamage, LyingCountsAndOffsetsAreRefused) {
    ExifBuilder b(false);
    using E = ExifBuilder::Entry;
    struct Case {
        std::vector<E> entries;
        const char* error;
    };
    const std::vector<Case> cases = {
        // components × size overflows 32 bits: 0x40000001 × 8 wraps to 8.
        {{{282, 5, 0x40000001, b.Rational(1, 1)}}, "Illegal pointer offset value in EXIF."},
        {{{271, 2, 0xFFFFFFFF, Text("abcdefgh")}}, "Illegal pointer offset value in EXIF."},
        {{{282, 13, 1, b.U32(0)}}, "Illegal format code in EXIF dir"},
        {{{34665, 4, 1, b.U32(0xFFFFFFF0)}}, "Illegal subdirectory link"},
    };
    for (const Case& c : cases) {
        CExifRecord record{};
        CExifReader reader(&record);
        const Bytes block = b.Block(b.Directory(c.entries, 8, 0));
        EXPECT_FALSE(reader.ParseExif(block.data(), uint32_t(block.size())));
        EXPECT_STREQ(reader.GetLastError(), c.error);
    }
    // A directory claiming more entries than the block holds.
    Bytes block = b.Block(b.Directory({{274, 3, 1, b.U16(1)}}, 8, 0));
    block[14] = 0xFF;
    block[15] = 0xFF;
    CExifRecord record{};
    CExifReader reader(&record);
    EXPECT_FALSE(reader.ParseExif(block.data(), uint32_t(block.size())));
    EXPECT_STREQ(reader.GetLastError(), "Illegally sized directory");
}

TEST(ExifDamage, DirectoryCyclesEnd) {
    ExifBuilder b(true);
    // IFD0 links to itself as next directory and as its own Exif sub-directory.
    const Bytes block =
        b.Block(b.Directory({{34665, 4, 1, b.U32(8)}, {274, 3, 1, b.U16(3)}}, 8, 8));
    CExifRecord record{};
    CExifReader reader(&record);
    EXPECT_TRUE(reader.ParseExif(block.data(), uint32_t(block.size())));
    EXPECT_EQ(record.orientation, 3);
}

TEST(ExifDamage, ValuesWithoutComponentsAreSkipped) {
    ExifBuilder b(false);
    // A rational with no components would read 8 bytes from a 4-byte field.
    const Bytes block = b.Block(b.Directory({{282, 5, 0, Bytes{}}, {274, 3, 1, b.U16(9)}}, 8, 0));
    CExifRecord record{};
    CExifReader reader(&record);
    EXPECT_TRUE(reader.ParseExif(block.data(), uint32_t(block.size())));
    EXPECT_FLOAT_EQ(record.xResolution, 0);
    EXPECT_EQ(record.orientation, 0);
    EXPECT_STREQ(reader.GetLastError(), "Undefined rotation value");
}

TEST(ExifDamage, RandomBlocksNeverCrash) {
    std::srand(17);
    const Bytes good = BuildBlock(std::rand() % 2, 300, 2);
    for (int round = 0; round < 2000; ++round) {
        Bytes block = good;
        for (int k = 0; k < 3; ++k)
            block[6 + size_t(std::rand()) % (block.size() - 6)] = uint8_t(std::rand());
        CExifRecord record{};
        CExifReader reader(&record);
        reader.ParseExif(block.data(), uint32_t(block.size()));
    }
}

TEST(ExifSections, MarkerWalk) {
    CExifRecord record{};
    std::string error;
    // Not a JPEG: false, no text, record untouched.
    EXPECT_FALSE(ReadSections({0x89, 'P', 'N', 'G'}, record, &error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(record.width, 0);

    // The stream ends inside a marker, a length or a section.
    for (const Bytes& cut :
         {Bytes{0xFF, 0xD8}, Bytes{0xFF, 0xD8, 0xFF}, Bytes{0xFF, 0xD8, 0xFF, 0xFE},
          Bytes{0xFF, 0xD8, 0xFF, 0xFE, 0x00}, Bytes{0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x08, 'a'}}) {
        EXPECT_FALSE(ReadSections(cut, record, &error)) << cut.size();
        EXPECT_EQ(error, "Premature end of file?") << cut.size();
    }
    EXPECT_FALSE(ReadSections({0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x01}, record, &error));
    EXPECT_EQ(error, "invalid marker");
    // Seven fill bytes are too many.
    EXPECT_FALSE(
        ReadSections({0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xC0}, record, &error));

    // 20 kept sections before SOS.
    Bytes many = {0xFF, 0xD8};
    for (int i = 0; i < 20; ++i) ExifBuilder::Append(many, {0xFF, 0xDB, 0x00, 0x02});
    ExifBuilder::Append(many, {0xFF, 0xDA, 0x00, 0x02});
    EXPECT_FALSE(ReadSections(many, record, &error));
    EXPECT_EQ(error, "Too many sections in jpg file");

    // A short frame header is not read beyond its section.
    EXPECT_TRUE(ReadSections({0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x04, 8, 0, 0xFF, 0xDA, 0x00, 0x02},
                             record, &error));
    EXPECT_EQ(record.width, 0);
}

TEST(ExifSections, FirstCommentIsCleanedAndKept) {
    CExifRecord record{};
    const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x09, 'a', 'b',  '\r', '\n', 'c',
                        'd',  0x01, 0xFF, 0xFE, 0x00, 0x03, 'z', 0xFF, 0xDA, 0x00, 0x02};
    EXPECT_TRUE(ReadSections(jpeg, record));
    EXPECT_STREQ(record.comment, "ab\ncd?");
}

}  // namespace

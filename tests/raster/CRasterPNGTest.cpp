#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CRaster.h"
#include "CRasterMemoryStream.h"
#include "CRasterPNG.h"
#include "CodecTestSupport.h"
#include "ExternalTools.h"
#include "TempDir.h"

namespace pnm = codectest::pnm;

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

void PutBigEndian32(std::vector<uint8_t>& v, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(value >> (24 - 8 * i));
}

uint32_t Crc32(const uint8_t* data, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// Recomputes the CRC of the chunk starting at offset (its length field).
void FixCrc(std::vector<uint8_t>& png, size_t offset) {
    const uint32_t length = BigEndian32(&png[offset]);
    PutBigEndian32(png, offset + 8 + length, Crc32(&png[offset + 4], 4 + length));
}

// Inserts a chunk right after the 8-byte signature and the 25-byte IHDR chunk.
std::vector<uint8_t> InsertChunk(std::vector<uint8_t> png, const char* type,
                                 const std::vector<uint8_t>& data) {
    std::vector<uint8_t> chunk(12 + data.size());
    PutBigEndian32(chunk, 0, uint32_t(data.size()));
    std::memcpy(&chunk[4], type, 4);
    std::copy(data.begin(), data.end(), chunk.begin() + 8);
    PutBigEndian32(chunk, 8 + data.size(), Crc32(&chunk[4], 4 + data.size()));
    png.insert(png.begin() + 33, chunk.begin(), chunk.end());
    return png;
}

// The data of the first chunk of a type, or empty.
std::vector<uint8_t> FindChunk(const std::vector<uint8_t>& png, const char* type) {
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = BigEndian32(&png[at]);
        if (at + 12 + length > png.size()) break;
        if (std::memcmp(&png[at + 4], type, 4) == 0) {
            return {png.begin() + long(at + 8), png.begin() + long(at + 8 + length)};
        }
        at += 12 + length;
    }
    return {};
}

std::vector<uint8_t> EncodeToBytes(CRaster& image) {
    CRasterMemoryStream stream;
    stream.Open();
    EXPECT_TRUE(image.Encode(&stream, FORMAT_PNG)) << image.GetLastError();
    const uint8_t* b = stream.GetBuffer(false);
    return std::vector<uint8_t>(b, b + stream.Size());
}

bool DecodeBytes(std::vector<uint8_t> bytes, CRaster& image) {
    CRasterMemoryStream stream(bytes.data(), long(bytes.size()));
    return image.Decode(&stream, FORMAT_PNG);
}

// Pictures of every depth, with a different colour in every palette entry used.
CRaster MakeImage(uint32_t w, uint32_t h, uint32_t bpp) {
    CRaster image(w, h, bpp, FORMAT_BMP);
    const uint32_t colors = image.GetNumColors();
    for (uint32_t i = 0; i < colors; ++i) {
        image.SetPaletteColor(uint8_t(i), uint8_t(i * 37 + 5), uint8_t(255 - i), uint8_t(i * 11));
    }
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            if (colors) {
                image.SetPixelIndex(x, y, uint8_t((x * 3 + y * 5) % colors));
            } else {
                image.SetPixelColor(x, y,
                                    RGBQUAD{uint8_t(x * 9), uint8_t(y * 13), uint8_t(x ^ y), 0});
            }
        }
    }
    return image;
}

struct RoundTripCase {
    const char* name;
    uint32_t bpp;
    bool alphaPlane;
    bool paletteAlpha;
};

class PngRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(PngRoundTrip, KeepsPixelsPaletteAlphaAndDpiThroughDispatch) {
    const RoundTripCase c = GetParam();
    TempDir dir;
    CRaster image = MakeImage(21, 13, c.bpp);
    if (c.alphaPlane) {
        image.CreateAlpha();
        for (uint32_t i = 0; i < 21 * 13; ++i) image.GetAlphaPointer()[i] = uint8_t(i * 7);
    }
    if (c.paletteAlpha) {
        for (uint32_t i = 0; i < image.GetNumColors(); ++i)
            image.GetPalette()[i].rgbReserved = uint8_t(i * 29);
        image.EnablePaletteAlpha(true);
    }
    image.SetXDPI(72);
    image.SetYDPI(300);
    const std::string file = dir.File("a.png");
    ASSERT_TRUE(image.Save(file.c_str(), FORMAT_PNG)) << image.GetLastError();

    for (uint32_t id : {uint32_t{FORMAT_PNG}, uint32_t{FORMAT_UNKNOWN}}) {
        CRaster loaded;
        ASSERT_TRUE(loaded.Load(file.c_str(), id)) << loaded.GetLastError();
        EXPECT_EQ(loaded.GetType(), uint32_t{FORMAT_PNG});
        EXPECT_EQ(loaded.GetBpp(), c.alphaPlane ? 24u : c.bpp);
        EXPECT_EQ(loaded.HasAlpha(), c.alphaPlane);
        EXPECT_EQ(loaded.IsPaletteAlphaEnabled(), c.paletteAlpha);
        EXPECT_EQ(loaded.GetXDPI(), 72);
        EXPECT_EQ(loaded.GetYDPI(), 300);
        for (int32_t y = 0; y < 13; ++y) {
            for (int32_t x = 0; x < 21; ++x) {
                RGBQUAD want = image.GetPixelColor(x, y);
                RGBQUAD got = loaded.GetPixelColor(x, y);
                if (!c.alphaPlane && !c.paletteAlpha) want.rgbReserved = got.rgbReserved = 0;
                ASSERT_EQ(got, want) << x << "," << y;
                if (c.alphaPlane) {
                    ASSERT_EQ(loaded.GetAlpha(x, y), image.GetAlpha(x, y));
                }
                if (c.bpp <= 8 && !c.alphaPlane) {
                    ASSERT_EQ(loaded.GetPixelIndex(x, y), image.GetPixelIndex(x, y));
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, PngRoundTrip,
                         ::testing::Values(RoundTripCase{"Palette1", 1, false, false},
                                           RoundTripCase{"Palette4", 4, false, false},
                                           RoundTripCase{"Palette8", 8, false, false},
                                           RoundTripCase{"PaletteAlpha8", 8, false, true},
                                           RoundTripCase{"PaletteAlpha4", 4, false, true},
                                           RoundTripCase{"Color24", 24, false, false},
                                           RoundTripCase{"Color24Alpha", 24, true, false},
                                           RoundTripCase{"Palette8Alpha", 8, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PngEncode, GreyImagesBecomePalettePngs) {
    CRaster image(16, 4, 8, FORMAT_BMP);
    image.SetGrayPalette();
    for (uint32_t x = 0; x < 16; ++x) image.SetPixelIndex(x, 0, uint8_t(x * 16));
    const std::vector<uint8_t> png = EncodeToBytes(image);
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png[24], 8);  // bit depth
    EXPECT_EQ(png[25], 3);  // colour type: palette
    CRaster loaded;
    ASSERT_TRUE(DecodeBytes(png, loaded));
    EXPECT_EQ(loaded.GetBpp(), 8u);
    EXPECT_EQ(loaded.GetPixelIndex(5, 0), 80);
    EXPECT_EQ(loaded.GetPaletteColor(80).rgbRed, 80);
}

TEST(PngEncode, SmallImagesWriteOnlyThePaletteEntriesUsed) {
    for (const uint32_t side : {100u, 300u}) {
        CRaster image(side, side, 8, FORMAT_BMP);
        image.SetGrayPalette();
        for (uint32_t y = 0; y < side; ++y) image.SetPixelIndex(y, y, uint8_t(y % 10));
        const std::vector<uint8_t> plte = FindChunk(EncodeToBytes(image), "PLTE");
        EXPECT_EQ(plte.size(), side == 100 ? 30u : 768u) << side;
    }
}

TEST(PngEncode, AlphaIsScaledByAlphaMaximum) {
    CRaster image = MakeImage(4, 4, 24);
    image.CreateAlpha();
    image.FillAlpha(255);
    image.SetAlphaMax(128);
    CRaster loaded;
    ASSERT_TRUE(DecodeBytes(EncodeToBytes(image), loaded));
    ASSERT_TRUE(loaded.HasAlpha());
    EXPECT_EQ(loaded.GetAlpha(2, 2), 128);
}

TEST(PngEncode, TransparentIndexMovesToEntryZeroInTheCallersImage) {
    CRaster image = MakeImage(9, 7, 4);
    const RGBQUAD transparent = image.GetPaletteColor(5);
    const RGBQUAD first = image.GetPaletteColor(0);
    const uint8_t indexAt = image.GetPixelIndex(1, 0);
    image.SetTransIndex(5);
    const std::vector<uint8_t> png = EncodeToBytes(image);
    EXPECT_EQ(image.GetTransIndex(), 0);
    EXPECT_EQ(image.GetPaletteColor(0), transparent);
    EXPECT_EQ(image.GetPaletteColor(5), first);
    EXPECT_EQ(image.GetPixelIndex(1, 0), indexAt == 5 ? 0 : (indexAt == 0 ? 5 : indexAt));
    EXPECT_EQ(FindChunk(png, "tRNS"), std::vector<uint8_t>{0});

    CRaster loaded;
    ASSERT_TRUE(DecodeBytes(png, loaded));
    EXPECT_EQ(loaded.GetTransIndex(), 0);
    EXPECT_FALSE(loaded.IsPaletteAlphaEnabled());
}

TEST(PngEncode, TransparentColourOfColourImagesBecomesAlpha) {
    CRaster image = MakeImage(6, 6, 24);
    const RGBQUAD key = image.GetPixelColor(2, 3);
    image.SetTransIndex(0);
    image.SetTransColor(key);
    CRaster loaded;
    ASSERT_TRUE(DecodeBytes(EncodeToBytes(image), loaded));
    EXPECT_FALSE(image.HasAlpha());  // the plane was made for the call only
    ASSERT_TRUE(loaded.HasAlpha());
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            const RGBQUAD c = image.GetPixelColor(x, y);
            const bool isKey =
                c.rgbRed == key.rgbRed && c.rgbGreen == key.rgbGreen && c.rgbBlue == key.rgbBlue;
            EXPECT_EQ(loaded.GetAlpha(x, y), isKey ? 0 : 255) << x << "," << y;
        }
    }
}

TEST(PngEncode, ShortWritesAndFailedFlushesFail) {
    CRaster image = MakeImage(50, 40, 24);
    const size_t size = EncodeToBytes(image).size();
    for (size_t capacity : {size_t{0}, size_t{8}, size_t{40}, size - 1}) {
        codectest::CLimitedStream stream(capacity);
        EXPECT_FALSE(image.Encode(&stream, FORMAT_PNG)) << capacity;
        EXPECT_STREQ(image.GetLastError(), "Error saving PNG file");
    }
    codectest::CLimitedStream stream(size);
    stream.m_failFlush = true;
    EXPECT_FALSE(image.Encode(&stream, FORMAT_PNG));
}

TEST(PngDecode, EveryTruncatedPrefixFails) {
    for (uint32_t bpp : {4u, 24u}) {
        CRaster source = MakeImage(30, 20, bpp);
        const std::vector<uint8_t> png = EncodeToBytes(source);
        for (size_t n = 0; n < png.size(); ++n) {
            CRaster image;
            EXPECT_FALSE(DecodeBytes({png.begin(), png.begin() + long(n)}, image)) << n;
            EXPECT_NE(image.GetLastError()[0], '\0') << n;
        }
    }
}

TEST(PngDecode, DamagedFilesFailWithoutCrashing) {
    CRaster source = MakeImage(30, 20, 24);
    const std::vector<uint8_t> png = EncodeToBytes(source);
    std::srand(5);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> damaged = png;
        const size_t at = 8 + size_t(std::rand()) % (damaged.size() - 8);
        damaged[at] ^= uint8_t(1 + std::rand() % 255);
        // With a repaired checksum the damage reaches the chunk parsers and inflate.
        if (round % 2) {
            for (size_t c = 8; c + 12 <= damaged.size();) {
                const uint32_t length = BigEndian32(&damaged[c]);
                if (c + 12 + uint64_t{length} > damaged.size()) break;
                if (at >= c && at < c + 8 + length) FixCrc(damaged, c);
                c += 12 + length;
            }
        }
        CRaster image;
        if (!DecodeBytes(damaged, image)) {
            EXPECT_NE(image.GetLastError()[0], '\0');
        }
    }
}

TEST(PngDecode, LyingHeaderSizesFail) {
    CRaster source = MakeImage(8, 8, 8);
    const std::vector<uint8_t> png = EncodeToBytes(source);
    for (const auto& [w, h] :
         {std::pair{0x7FFFFFFFu, 8u}, std::pair{8u, 0x7FFFFFFFu}, std::pair{900000u, 900000u},
          std::pair{0u, 8u}, std::pair{800u, 800u}}) {
        std::vector<uint8_t> lying = png;
        PutBigEndian32(lying, 16, w);
        PutBigEndian32(lying, 20, h);
        FixCrc(lying, 8);
        CRaster image;
        EXPECT_FALSE(DecodeBytes(lying, image)) << w << "x" << h;
        EXPECT_NE(image.GetLastError()[0], '\0');
    }
}

TEST(PngDecode, GreyFileWithTransparencyChunkDecodes) {
    // Grey files carry a transparent grey level, not an alpha array.
    CRaster source(6, 2, 8, FORMAT_BMP);
    source.SetGrayPalette();
    std::vector<uint8_t> png = EncodeToBytes(source);
    png[25] = 0;  // colour type grey: the rows stay valid
    FixCrc(png, 8);
    const std::vector<uint8_t> plte = FindChunk(png, "PLTE");
    ASSERT_FALSE(plte.empty());
    png = InsertChunk(png, "tRNS", {0, 7});
    CRaster image;
    ASSERT_TRUE(DecodeBytes(png, image)) << image.GetLastError();
    EXPECT_EQ(image.GetBpp(), 8u);
    EXPECT_FALSE(image.IsPaletteAlphaEnabled());
    EXPECT_EQ(image.GetTransIndex(), -1);
}

struct PhysCase {
    std::vector<uint8_t> chunk;  // empty: no pHYs chunk
    int32_t dpiX, dpiY;
};

TEST(PngDecode, ResolutionComesFromPhys) {
    CRaster source = MakeImage(4, 4, 24);
    std::vector<uint8_t> png = EncodeToBytes(source);
    // Remove the chunk our writer puts in, so that each case adds its own.
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = BigEndian32(&png[at]);
        if (std::memcmp(&png[at + 4], "pHYs", 4) == 0) {
            png.erase(png.begin() + long(at), png.begin() + long(at + 12 + length));
            break;
        }
        at += 12 + length;
    }
    const std::vector<PhysCase> cases = {
        {{}, 0, 0},
        {{0, 0, 0x0B, 0x13, 0, 0, 0x2E, 0x23, 1}, 72, 300},  // 2835 and 11811 per metre
        {{0, 0, 0, 3, 0, 0, 0, 2, 0}, 3, 2},                 // no unit: taken as they are
        {{0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 1}, 96, 96},  // beyond any real DPI
        {{0x7F, 0xFF, 0xFF, 0xFF, 0, 0, 0, 1, 0}, 96, 1},
    };
    for (const PhysCase& c : cases) {
        CRaster image;
        ASSERT_TRUE(DecodeBytes(c.chunk.empty() ? png : InsertChunk(png, "pHYs", c.chunk), image));
        EXPECT_EQ(image.GetXDPI(), c.dpiX);
        EXPECT_EQ(image.GetYDPI(), c.dpiY);
    }
}

// Chunks the decoder does not use are skipped unread, damaged or not; the resolution behind
// them is still read.
TEST(PngDecode, SkipsUnusedChunksAndReadsTheOthers) {
    CRaster source = MakeImage(6, 5, 8);
    source.SetXDPI(300);
    source.SetYDPI(150);
    std::vector<uint8_t> png = EncodeToBytes(source);
    const std::vector<uint8_t> junk = {'k', 0, 0xFF, 0x00, 0x13};
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sCAL", "pCAL", "sPLT", "eXIf", "tIME"})
        png = InsertChunk(png, type, junk);
    CRaster image;
    ASSERT_TRUE(DecodeBytes(png, image)) << image.GetLastError();
    EXPECT_EQ(codectest::TopDownRgba(image), codectest::TopDownRgba(source));
    EXPECT_EQ(image.GetXDPI(), 300);
    EXPECT_EQ(image.GetYDPI(), 150);
}

TEST(PngDecode, EscapeFlagStopsDecoding) {
    CRaster source = MakeImage(4, 4, 24);
    CRasterPNG image;
    image.SetEscape(1);
    std::vector<uint8_t> png = EncodeToBytes(source);
    CRasterMemoryStream stream(png.data(), long(png.size()));
    EXPECT_FALSE(image.Decode(&stream));
}

TEST(PngWiden, TwoBitPixelsBecomeNibbles) {
    uint8_t row[4] = {0b00011011, 0b11100100, 0, 0};  // 0 1 2 3 3 2 1 0
    CRasterPNG::Widen2BitTo4Bit(row, 7);
    EXPECT_EQ(row[0], 0x01);
    EXPECT_EQ(row[1], 0x23);
    EXPECT_EQ(row[2], 0x32);
    EXPECT_EQ(row[3] & 0xF0, 0x10);
}

// The independent tools: ImageMagick always, Pillow where the test says so.
class PngInterop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!external::HaveImageMagick()) GTEST_SKIP() << "ImageMagick not installed";
    }
    // ImageMagick's colours (alpha dropped) and, when asked, its alpha channel.
    pnm::Pixels MagickColors(const std::string& png) {
        const std::string out = dir.File("magick.ppm");
        EXPECT_TRUE(external::Run(external::kConvert + " " + png + " -alpha off -depth 8 " + out));
        pnm::Pixels p;
        EXPECT_TRUE(pnm::Read(out, p));
        return p;
    }
    pnm::Pixels MagickAlpha(const std::string& png) {
        const std::string out = dir.File("magick-alpha.pgm");
        EXPECT_TRUE(
            external::Run(external::kConvert + " " + png + " -alpha extract -depth 8 " + out));
        pnm::Pixels p;
        EXPECT_TRUE(pnm::Read(out, p));
        return p;
    }
    bool RunPillow(const std::string& script) {
        return external::Run(external::PillowPython() + " -c \"from PIL import Image; " + script +
                             "\"");
    }
    TempDir dir;
};

// The image's alpha, top row first: the plane or, with palette alpha, each pixel's entry.
pnm::Pixels AlphaOf(const CRaster& image) {
    pnm::Pixels p;
    p.width = image.GetWidth();
    p.height = image.GetHeight();
    p.channels = 1;
    for (int32_t y = int32_t(p.height) - 1; y >= 0; --y) {
        for (int32_t x = 0; x < int32_t(p.width); ++x) {
            p.data.push_back(image.HasAlpha() ? image.GetAlpha(x, y)
                                              : image.GetPixelColor(x, y).rgbReserved);
        }
    }
    return p;
}

TEST_F(PngInterop, FilesWrittenHereOpenWithTheSamePixels) {
    const bool pillow = !external::PillowPython().empty();
    for (const RoundTripCase c :
         {RoundTripCase{"1", 1, false, false}, RoundTripCase{"4", 4, false, false},
          RoundTripCase{"8", 8, false, false}, RoundTripCase{"24", 24, false, false},
          RoundTripCase{"24a", 24, true, false}, RoundTripCase{"8pa", 8, false, true}}) {
        CRaster image = MakeImage(23, 11, c.bpp);
        if (c.alphaPlane) {
            image.CreateAlpha();
            for (uint32_t i = 0; i < 23 * 11; ++i) image.GetAlphaPointer()[i] = uint8_t(i * 5);
        }
        if (c.paletteAlpha) {
            for (uint32_t i = 0; i < 256; ++i) image.GetPalette()[i].rgbReserved = uint8_t(255 - i);
            image.EnablePaletteAlpha(true);
        }
        const std::string file = dir.File("ours.png");
        ASSERT_TRUE(image.Save(file.c_str(), FORMAT_PNG)) << image.GetLastError();
        const pnm::Pixels colors = pnm::FromRaster(image, 3);
        const bool hasAlpha = c.alphaPlane || c.paletteAlpha;
        EXPECT_EQ(pnm::Compare(colors, MagickColors(file)).maximum, 0) << c.name;
        if (hasAlpha) {
            EXPECT_EQ(pnm::Compare(AlphaOf(image), MagickAlpha(file)).maximum, 0) << c.name;
        }
        if (!pillow) continue;
        const std::string rgb = dir.File("pillow.ppm");
        const std::string alpha = dir.File("pillow.pgm");
        ASSERT_TRUE(RunPillow("im = Image.open('" + file +
                              "').convert('RGBA'); im.convert('RGB').save('" + rgb +
                              "'); im.getchannel('A').save('" + alpha + "')"));
        pnm::Pixels theirs;
        ASSERT_TRUE(pnm::Read(rgb, theirs));
        EXPECT_EQ(pnm::Compare(colors, theirs).maximum, 0) << c.name;
        if (hasAlpha) {
            ASSERT_TRUE(pnm::Read(alpha, theirs));
            EXPECT_EQ(pnm::Compare(AlphaOf(image), theirs).maximum, 0) << c.name;
        }
    }
}

struct ToolFixture {
    const char* name;
    bool colour;                         // source picture: colour or grey
    bool alpha;                          // source carries an alpha channel
    const char* options;                 // ImageMagick output options
    int colorType, bitDepth, interlace;  // what the tool must have written
    uint32_t bpp;                        // the decoded image
    int tolerance;
};

class PngToolFiles : public PngInterop, public ::testing::WithParamInterface<ToolFixture> {};

TEST_P(PngToolFiles, DecodeAsTheToolDecodesThem) {
    const ToolFixture c = GetParam();
    const uint32_t w = 29, h = 17;
    pnm::Pixels source{w, h, c.colour ? 3u : 1u, {}};
    pnm::Pixels mask{w, h, 1, {}};
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            source.data.push_back(uint8_t(x * 255 / (w - 1)));
            if (c.colour) {
                source.data.push_back(uint8_t(y * 255 / (h - 1)));
                source.data.push_back(uint8_t((x * 7 + y * 3) % 256));
            }
            mask.data.push_back(uint8_t((x + y) * 255 / (w + h - 2)));
        }
    }
    const std::string src = dir.File(c.colour ? "src.ppm" : "src.pgm");
    const std::string maskFile = dir.File("mask.pgm");
    ASSERT_TRUE(pnm::Write(src, source));
    ASSERT_TRUE(pnm::Write(maskFile, mask));
    const std::string file = dir.File("tool.png");
    const std::string input =
        c.alpha ? src + " " + maskFile + " -alpha off -compose CopyOpacity -composite" : src;
    ASSERT_TRUE(external::Run(external::kConvert + " " + input + " " + c.options + " " + file));
    const std::vector<uint8_t> bytes = ReadFile(file);
    ASSERT_GT(bytes.size(), 33u);
    ASSERT_EQ(bytes[25], c.colorType);
    ASSERT_EQ(bytes[24], c.bitDepth);
    ASSERT_EQ(bytes[28], c.interlace);

    CRaster image;
    ASSERT_TRUE(image.Load(file.c_str(), FORMAT_UNKNOWN)) << image.GetLastError();
    EXPECT_EQ(image.GetType(), uint32_t{FORMAT_PNG});
    EXPECT_EQ(image.GetWidth(), w);
    EXPECT_EQ(image.GetHeight(), h);
    ASSERT_EQ(image.GetBpp(), c.bpp);
    EXPECT_EQ(image.HasAlpha(), c.alpha);
    EXPECT_LE(pnm::Compare(MagickColors(file), pnm::FromRaster(image, 3)).maximum, c.tolerance);
    if (c.alpha) {
        EXPECT_LE(pnm::Compare(MagickAlpha(file), AlphaOf(image)).maximum, c.tolerance);
    }
    if (c.colorType == 0 && c.bitDepth == 2) {
        for (uint8_t i = 0; i < 4; ++i) EXPECT_EQ(image.GetPaletteColor(i).rgbRed, 85 * i);
    } else if (c.colorType == 0) {
        // The linear grey palette of the depth.
        const uint32_t n = image.GetNumColors();
        for (uint32_t i = 0; i < n; ++i) {
            const RGBQUAD e = image.GetPaletteColor(uint8_t(i));
            EXPECT_EQ(e.rgbRed, i * (255 / (n - 1)));
            EXPECT_EQ(e.rgbGreen, e.rgbRed);
            EXPECT_EQ(e.rgbBlue, e.rgbRed);
        }
    }
}

// 16-bit samples: libpng keeps the high byte, ImageMagick rounds v × 255 / 65535, one level apart.
constexpr int k16BitTolerance = 1;
#define GREY "-define png:color-type=0 "
#define INTERLACED "-interlace PNG "
INSTANTIATE_TEST_SUITE_P(
    Kinds, PngToolFiles,
    ::testing::Values(
        ToolFixture{"Grey1", false, false, GREY "-define png:bit-depth=1", 0, 1, 0, 1, 0},
        ToolFixture{"Grey2", false, false, GREY "-define png:bit-depth=2", 0, 2, 0, 4, 0},
        ToolFixture{"Grey2Interlaced", false, false, INTERLACED GREY "-define png:bit-depth=2", 0,
                    2, 1, 4, 0},
        ToolFixture{"Grey4Interlaced", false, false, INTERLACED GREY "-define png:bit-depth=4", 0,
                    4, 1, 4, 0},
        ToolFixture{"Grey8", false, false, GREY "-define png:bit-depth=8", 0, 8, 0, 8, 0},
        ToolFixture{"Grey16", false, false, GREY "-define png:bit-depth=16", 0, 16, 0, 8,
                    k16BitTolerance},
        ToolFixture{"Palette", true, false, "-colors 200 -define png:color-type=3", 3, 8, 0, 8, 0},
        ToolFixture{"Palette4Interlaced", true, false,
                    INTERLACED "-colors 14 -define png:color-type=3 -define png:bit-depth=4", 3, 4,
                    1, 4, 0},
        ToolFixture{"Rgb8", true, false, "-define png:color-type=2 -define png:bit-depth=8", 2, 8,
                    0, 24, 0},
        ToolFixture{"Rgb8Interlaced", true, false,
                    INTERLACED "-define png:color-type=2 -define png:bit-depth=8", 2, 8, 1, 24, 0},
        ToolFixture{"Rgb16", true, false, "-define png:color-type=2 -define png:bit-depth=16", 2,
                    16, 0, 24, k16BitTolerance},
        ToolFixture{"Rgba8", true, true, "-define png:color-type=6 -define png:bit-depth=8", 6, 8,
                    0, 24, 0},
        ToolFixture{"Rgba8Interlaced", true, true,
                    INTERLACED "-define png:color-type=6 -define png:bit-depth=8", 6, 8, 1, 24, 0},
        ToolFixture{"GreyAlpha16", false, true, "-define png:color-type=4 -define png:bit-depth=16",
                    4, 16, 0, 24, k16BitTolerance}),
    [](const auto& info) { return std::string(info.param.name); });
#undef GREY
#undef INTERLACED

TEST_F(PngInterop, PillowTransparencyAndResolutionDecodeAsStated) {
    if (external::PillowPython().empty()) GTEST_SKIP() << "Pillow not installed";
    const std::string single = dir.File("single.png");
    const std::string several = dir.File("several.png");
    const std::string plain = dir.File("plain.png");
    const std::string prefix =
        "im = Image.new('P', (4, 2)); im.putpalette([10, 20, 30, 200, 0, 0, 0, 200, 0, 0, 0, "
        "200]); "
        "im.putdata([0, 1, 2, 3, 3, 2, 1, 0]); ";
    ASSERT_TRUE(RunPillow(prefix + "im.save('" + single + "', transparency=0, dpi=(72, 150))"));
    ASSERT_TRUE(
        RunPillow(prefix + "im.save('" + several + "', transparency=bytes([10, 128, 255]))"));
    ASSERT_TRUE(RunPillow(prefix + "im.save('" + plain + "')"));

    CRaster image;
    ASSERT_TRUE(image.Load(single.c_str(), FORMAT_PNG)) << image.GetLastError();
    EXPECT_EQ(image.GetTransIndex(), 0);
    EXPECT_FALSE(image.IsPaletteAlphaEnabled());
    EXPECT_EQ(image.GetXDPI(), 72);
    EXPECT_EQ(image.GetYDPI(), 150);
    EXPECT_EQ(image.GetPixelColor(1, 1), (RGBQUAD{0, 0, 200, 0}));  // top row, index 1
    EXPECT_EQ(image.GetPaletteColor(0), (RGBQUAD{30, 20, 10, 0}));

    ASSERT_TRUE(image.Load(several.c_str(), FORMAT_PNG)) << image.GetLastError();
    EXPECT_EQ(image.GetTransIndex(), -1);
    ASSERT_TRUE(image.IsPaletteAlphaEnabled());
    EXPECT_EQ(image.GetPaletteColor(0).rgbReserved, 10);
    EXPECT_EQ(image.GetPaletteColor(1).rgbReserved, 128);
    EXPECT_EQ(image.GetPaletteColor(2).rgbReserved, 255);
    EXPECT_EQ(image.GetPaletteColor(3).rgbReserved, 255);

    ASSERT_TRUE(image.Load(plain.c_str(), FORMAT_PNG)) << image.GetLastError();
    EXPECT_EQ(image.GetXDPI(), 0);
    EXPECT_EQ(image.GetYDPI(), 0);
    EXPECT_FALSE(image.IsPaletteAlphaEnabled());
}

// Valid files near the deflate bound (1032 bytes from one): uniform pictures of about 24
// megapixels, whose rows zlib codes with the longest matches, from the library and from the
// tools at level 9; an interlaced file whose last row group is short; and rows or columns
// longer than a megapixel, which only the memory the rows take bounds.
class PngNearBound : public ::testing::TestWithParam<codectest::NearBoundFile> {};

TEST_P(PngNearBound, ReadsBackAtItsSizeAndColour) {
    if (!codectest::HaveWriter(GetParam().writer)) GTEST_SKIP() << "tool not installed";
    TempDir dir;
    codectest::ExpectNearBoundFileReadsBack(GetParam(), dir.Path().string(), FORMAT_PNG, ".png");
}

using codectest::NearBoundFile;
using codectest::Writer;
#define LEVEL9 "-quality 90 "
INSTANTIATE_TEST_SUITE_P(
    Uniform, PngNearBound,
    ::testing::Values(
        NearBoundFile{"Library8", Writer::Library, 6000, 4000, 8, "", 8},
        NearBoundFile{"Library24", Writer::Library, 6000, 4000, 24, "", 24},
        NearBoundFile{"Library1Odd", Writer::Library, 6001, 4001, 1, "", 1},
        NearBoundFile{"LibraryLongRow", Writer::Library, (1u << 20) + 1, 1, 8, "", 8},
        NearBoundFile{"LibraryLongColumn", Writer::Library, 1, (1u << 20) + 1, 8, "", 8},
        NearBoundFile{"ImageMagickGrey", Writer::ImageMagick, 6000, 4000, 8,
                      LEVEL9 "-define png:color-type=0 -define png:bit-depth=8", 8},
        NearBoundFile{"ImageMagickRgb", Writer::ImageMagick, 6000, 4000, 24,
                      LEVEL9 "-define png:color-type=2 -define png:bit-depth=8", 24},
        NearBoundFile{"ImageMagickInterlacedOdd", Writer::ImageMagick, 6001, 4001, 8,
                      LEVEL9 "-interlace PNG -define png:color-type=0 -define png:bit-depth=8", 8},
        NearBoundFile{"PillowGrey", Writer::Pillow, 6000, 4000, 8,
                      "im = im.convert('L'); save['compress_level'] = 9", 8},
        NearBoundFile{"PillowBilevel", Writer::Pillow, 6000, 4000, 1,
                      "im = im.convert('1'); save['compress_level'] = 9", 1},
        NearBoundFile{"PillowLongRow", Writer::Pillow, 3u << 20, 1, 8, "im = im.convert('L')", 8}),
    [](const auto& info) { return std::string(info.param.name); });
#undef LEVEL9

}  // namespace

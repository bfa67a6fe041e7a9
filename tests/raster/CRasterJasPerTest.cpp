#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "CRaster.h"
#include "CRasterJasPer.h"
#include "CRasterMemoryStream.h"
#include "CodecTestSupport.h"
#include "ExternalTools.h"
#include "TempDir.h"

namespace {

using codectest::TopDownRgba;

int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size()) return 256;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

bool DecodeBytes(CRaster& image, std::vector<uint8_t> bytes, uint32_t id) {
    CRasterMemoryStream stream(bytes.empty() ? nullptr : bytes.data(),
                               static_cast<long>(bytes.size()));
    return image.Decode(&stream, id);
}

std::vector<uint8_t> EncodeBytes(CRaster& image, uint32_t id) {
    CRasterMemoryStream stream(nullptr, 0);
    stream.Open();
    EXPECT_TRUE(image.Encode(&stream, id)) << image.GetLastError();
    const auto* data = static_cast<const uint8_t*>(stream.GetBuffer(false));
    return {data, data + stream.Size()};
}

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// Grey images carry the identity ramp (entry i = (i, i, i)), the only palette the family writes.
void MakeImage(CRaster& image, uint32_t bpp) {
    codectest::Fill(image, 23, 17, bpp, false);
    for (uint32_t i = 0; i < image.GetNumColors(); ++i) {
        const auto v = static_cast<uint8_t>(i);
        image.SetPaletteColor(v, v, v, v);
    }
}

struct Format {
    uint32_t id;
    const char* name;
    const char* magickPrefix;  // ImageMagick's coder for the file
    bool pillow;               // Pillow reads it
};

const Format kFormats[] = {{FORMAT_JP2, "Jp2", "jp2", true},
                           {FORMAT_JPC, "Jpc", "j2k", true},
                           {FORMAT_PGX, "Pgx", "pgx", false},
                           {FORMAT_PNM, "Pnm", "pnm", true},
                           {FORMAT_RAS, "Ras", "sun", true}};

struct RoundTripCase {
    Format format;
    uint32_t bpp;
};

std::vector<RoundTripCase> RoundTripCases() {
    std::vector<RoundTripCase> cases;
    for (const Format& f : kFormats) {
        for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
            if (f.id == FORMAT_PGX && bpp == 24) continue;
            cases.push_back({f, bpp});
        }
    }
    return cases;
}

class JasPerRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(JasPerRoundTrip, LosslessThroughTheDispatchAndIndependentReaders) {
    const RoundTripCase& c = GetParam();
    TempDir dir;
    CRaster image;
    MakeImage(image, c.bpp);
    image.SetJpegQuality(100);
    const std::vector<uint8_t> before = TopDownRgba(image);
    const std::string file = dir.File("image");
    ASSERT_TRUE(image.Save(file.c_str(), c.format.id)) << image.GetLastError();

    for (uint32_t id : {c.format.id, uint32_t{FORMAT_UNKNOWN}}) {
        CRaster loaded;
        ASSERT_TRUE(loaded.Load(file.c_str(), id)) << loaded.GetLastError();
        EXPECT_EQ(loaded.GetType(), c.format.id);
        EXPECT_EQ(loaded.GetBpp(), c.bpp == 24 ? 24u : 8u);
        EXPECT_EQ(TopDownRgba(loaded), before);
    }
    // The grey levels 0..15 of the small depths are written as they are.
    if (external::HaveImageMagick()) {
        const std::string prefix = std::string(c.format.magickPrefix) + ":";
        EXPECT_EQ(codectest::MagickRgba(prefix + file, dir.File("m.rgba")), before);
    }
    if (c.format.pillow && !external::PillowPython().empty()) {
        EXPECT_EQ(codectest::PillowRgba(file, dir.File("p.rgba")), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, JasPerRoundTrip, ::testing::ValuesIn(RoundTripCases()),
                         [](const auto& info) {
                             return std::string(info.param.format.name) +
                                    std::to_string(info.param.bpp);
                         });

TEST(JasPerEncoder, RateFollowsTheQuality) {
    CRaster image;
    MakeImage(image, 24);
    image.SetJpegQuality(100);
    const std::vector<uint8_t> lossless = EncodeBytes(image, FORMAT_JPC);
    image.SetJpegQuality(0);
    // Quality 0 asks for no rate at all and is written lossless too.
    EXPECT_EQ(EncodeBytes(image, FORMAT_JPC).size(), lossless.size());
    image.SetJpegQuality(10);
    const std::vector<uint8_t> lossy = EncodeBytes(image, FORMAT_JPC);
    // Rate 0.1 keeps about a tenth of the raw 23 × 17 × 3 bytes (plus headers).
    EXPECT_LT(lossy.size(), lossless.size());
    EXPECT_LT(lossy.size(), 23u * 17 * 3 / 10 + 200);
    CRaster decoded;
    ASSERT_TRUE(DecodeBytes(decoded, lossy, FORMAT_JPC)) << decoded.GetLastError();
    EXPECT_EQ(decoded.GetWidth(), 23u);
    EXPECT_EQ(decoded.GetBpp(), 24u);
}

TEST(JasPerEncoder, RefusesWhatTheFormatsCannotHold) {
    CRaster ramp;
    codectest::Fill(ramp, 8, 8, 4, true);  // 16-step grey ramp 0, 17, 34, ...
    CRasterMemoryStream stream(nullptr, 0);
    stream.Open();
    EXPECT_FALSE(ramp.Encode(&stream, FORMAT_JP2));
    EXPECT_STREQ(ramp.GetLastError(), "JasPer can save only RGB or GrayScale images");

    CRaster colour;
    MakeImage(colour, 24);
    EXPECT_FALSE(colour.Encode(&stream, FORMAT_PGX));
    EXPECT_STREQ(colour.GetLastError(), "PGX can save only GrayScale images");
    const std::vector<uint8_t> pnm = EncodeBytes(colour, FORMAT_PNM);
    EXPECT_EQ(std::string(pnm.begin(), pnm.begin() + 3), "P6\n");

    CRaster empty;
    EXPECT_FALSE(empty.Encode(&stream, FORMAT_PNM));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
}

TEST(JasPerEncoder, ShortWritesFail) {
    CRaster image;
    MakeImage(image, 24);
    for (uint32_t id :
         {uint32_t{FORMAT_JP2}, uint32_t{FORMAT_JPC}, uint32_t{FORMAT_PNM}, uint32_t{FORMAT_RAS}}) {
        codectest::CLimitedStream stream(100);
        EXPECT_FALSE(image.Encode(&stream, id)) << id;
        EXPECT_STREQ(image.GetLastError(), "error: cannot encode image\n") << id;
    }
    CRaster grey;
    MakeImage(grey, 8);
    codectest::CLimitedStream stream(100);
    EXPECT_FALSE(grey.Encode(&stream, FORMAT_PGX));
}

struct FixtureCase {
    const char* name;
    std::vector<uint8_t> bytes;
    uint32_t width, height, bpp;
    std::vector<uint8_t> rgba;  // top-down, alpha 255
    size_t tail = 0;            // ASCII: cutting into the last value still leaves a shorter value
};

std::vector<uint8_t> Grey(std::initializer_list<int> levels) {
    std::vector<uint8_t> out;
    for (int v : levels) out.insert(out.end(), {uint8_t(v), uint8_t(v), uint8_t(v), 255});
    return out;
}

std::vector<uint8_t> Be32(std::initializer_list<uint32_t> values) {
    std::vector<uint8_t> out;
    for (uint32_t v : values)
        for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
    return out;
}

std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<FixtureCase> Fixtures() {
    return {
        {"AsciiPbm", Bytes("P1\n# comment\n3 2\n010\n1 1 0\n"), 3, 2, 1,
         Grey({255, 0, 255, 0, 0, 255}), 2},
        {"BinaryPbm", Cat(Bytes("P4 3 2\n"), {0x40, 0xC0}), 3, 2, 1,
         Grey({255, 0, 255, 0, 0, 255})},
        {"AsciiPgmMaxval4", Bytes("P2 2 2 4\n0 1\n2 4\n"), 2, 2, 24, Grey({0, 64, 128, 255}), 2},
        {"Pgm16", Cat(Bytes("P5 2 1 65535\n"), {0x00, 0x00, 0xFF, 0xFF}), 2, 1, 24, Grey({0, 255})},
        {"AsciiPpm", Bytes("P3 1 1 255 10 20 30\n"), 1, 1, 24, {10, 20, 30, 255}, 3},
        // Signed 12-bit, little-endian: -2048 is black and 2047 white.
        {"PgxSigned12", Cat(Bytes("PG LM -12 2 1\n"), {0x00, 0x08, 0xFF, 0x07}), 2, 1, 24,
         Grey({0, 255})},
        {"Pgx8", Cat(Bytes("PG ML + 8 2 1\n"), {7, 200}), 2, 1, 8, Grey({7, 200})},
        // Sun raster, 8 bits with a two-entry colour map, run-length encoded: a run of 3
        // zeros, then a literal 1 and the escaped 0x80 beyond the map (black), row padded.
        {"RasRleMapped",
         Cat(Cat(Be32({0x59A66A95, 5, 1, 8, 0, 2, 1, 6}), {10, 250, 20, 240, 30, 230}),
             {0x80, 2, 0, 1, 0x80, 0, 0}),
         5,
         1,
         24,
         {10, 20, 30, 255, 10, 20, 30, 255, 10, 20, 30, 255, 250, 240, 230, 255, 0, 0, 0, 255}},
        {"Ras1Bit", Cat(Be32({0x59A66A95, 3, 1, 1, 2, 1, 0, 0}), {0xA0, 0}), 3, 1, 1,
         Grey({0, 255, 0})},
    };
}

class JasPerFixture : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(JasPerFixture, DecodesAndEveryTruncationFails) {
    const FixtureCase& c = GetParam();
    CRaster image;
    ASSERT_TRUE(DecodeBytes(image, c.bytes, FORMAT_UNKNOWN)) << image.GetLastError();
    EXPECT_EQ(image.GetWidth(), c.width);
    EXPECT_EQ(image.GetHeight(), c.height);
    EXPECT_EQ(image.GetBpp(), c.bpp);
    EXPECT_EQ(TopDownRgba(image), c.rgba);
    for (size_t n = 0; n + c.tail < c.bytes.size(); ++n) {
        CRaster cut;
        EXPECT_FALSE(DecodeBytes(cut, {c.bytes.begin(), c.bytes.begin() + n}, FORMAT_PNM)) << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Built, JasPerFixture, ::testing::ValuesIn(Fixtures()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JasPerDecoder, RefusesLyingHeaders) {
    const std::vector<uint8_t> cases[] = {
        Bytes("P2 2 1 0\n0 0\n"),                   // maxval 0
        Bytes("P2 2 1 65536\n0 0\n"),               // maxval above 16 bits
        Bytes("P2 2 1 15\n3 16\n"),                 // ASCII value above maxval
        Bytes("P5 100000 100000 255\n\x01\x02"),    // size beyond the file
        Bytes("P6 4294967296 1 255\n"),             // width beyond 32 bits
        Cat(Bytes("PG ML + 17 1 1\n"), {0, 0, 0}),  // depth above 16
        Cat(Bytes("PG ML + 0 1 1\n"), {0}),         // depth 0
        Cat(Be32({0x59A66A95, 1, 1, 8, 0, 1, 1, 771}), std::vector<uint8_t>(800, 0)),
        Cat(Be32({0x59A66A95, 1, 1, 8, 0, 1, 1, 4}), std::vector<uint8_t>(8, 0)),
        Cat(Be32({0x59A66A95, 4, 1, 8, 0, 2, 0, 0}), {0x80, 9, 1}),  // run past the image
        Cat(Be32({0x59A66A95, 60000, 60000, 24, 0, 1, 0, 0}), {1, 2, 3}),
        Cat(Be32({0x59A66A95, 1, 1, 16, 0, 1, 0, 0}), {1, 2}),  // depth 16
        Bytes("\x00\x00\x00\x0CjP  \r\n\x87\n garbage after the signature"),
        {0xFF, 0x4F, 0xFF, 0x51, 0, 41, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
    };
    int i = 0;
    for (const auto& bytes : cases) {
        CRaster image;
        EXPECT_FALSE(DecodeBytes(image, bytes, FORMAT_PNM)) << i;
        EXPECT_STRNE(image.GetLastError(), "") << i;
        ++i;
    }
}

TEST(JasPerDecoder, TruncatedCodeStreamsFail) {
    CRaster image;
    MakeImage(image, 24);
    image.SetJpegQuality(100);
    for (uint32_t id : {uint32_t{FORMAT_JP2}, uint32_t{FORMAT_JPC}}) {
        const std::vector<uint8_t> bytes = EncodeBytes(image, id);
        for (size_t n = 0; n < bytes.size(); n += 7) {
            CRaster cut;
            EXPECT_FALSE(DecodeBytes(cut, {bytes.begin(), bytes.begin() + n}, id)) << n;
        }
    }
}

// Files written by the independent tools.
struct ToolCase {
    const char* name;
    const char* command;  // run with IN (a 8-bit PPM) and OUT replaced
    const char* outName;
    uint32_t bpp;
    int tolerance;  // largest channel error against ImageMagick's reading of OUT
};

const ToolCase kToolCases[] = {
    {"Pgm16", "convert IN -colorspace gray -depth 16 OUT", "o.pgm", 24, 1},
    {"AsciiPpm", "convert IN -compress none OUT", "o.ppm", 24, 0},
    {"AsciiPgm", "convert IN -colorspace gray -compress none OUT", "o.pgm", 8, 0},
    {"Pbm", "convert IN -threshold 50% OUT", "o.pbm", 1, 0},
    {"AsciiPbm", "convert IN -threshold 50% -compress none OUT", "o.pbm", 1, 0},
    {"RasPalette", "convert IN -colors 7 sun:OUT", "o.ras", 24, 0},
    {"RasRgb", "convert IN sun:OUT", "o.ras", 24, 0},
    {"RasBilevel", "convert IN -threshold 50% -type bilevel sun:OUT", "o.ras", 24, 0},
    {"Jp2Lossless", "opj_compress -n 3 -i IN -o OUT", "o.jp2", 24, 0},
    {"J2kLossless", "opj_compress -n 3 -i IN -o OUT", "o.j2k", 24, 0},
    {"Jp2Grey12", "convert IN -colorspace gray -depth 12 jp2:OUT", "o.jp2", 24, 1},
    {"PgxFromOpj", "opj_compress -n 3 -i IN -o T.j2k && opj_decompress -i T.j2k -o OUT", "o.pgx", 8,
     0},
};

class JasPerFromTools : public ::testing::TestWithParam<ToolCase> {};

TEST_P(JasPerFromTools, DecodesAsTheToolReadsIt) {
    if (!external::HaveImageMagick() || !external::CommandExists("opj_compress"))
        GTEST_SKIP() << "ImageMagick or the OpenJPEG tools not installed";
    const ToolCase& c = GetParam();
    TempDir dir;
    CRaster source;
    codectest::Fill(source, 29, 13, 24, false);
    std::vector<uint8_t> samples;
    const std::vector<uint8_t> rgba = TopDownRgba(source);
    for (size_t i = 0; i < rgba.size(); ++i)
        if (i % 4 != 3) samples.push_back(rgba[i]);
    codectest::WriteFile(dir.File("in.ppm"), codectest::Netpbm(29, 13, true, samples));
    std::string command = c.command;
    auto replace = [&](const std::string& from, const std::string& to) {
        for (size_t at = 0; (at = command.find(from, at)) != std::string::npos; at += to.size())
            command.replace(at, from.size(), to);
    };
    const std::string out = dir.File(c.outName);
    replace("IN", dir.File("in.ppm"));
    replace("OUT", out);
    replace("T.j2k", dir.File("t.j2k"));
    replace("convert ", external::kConvert + " ");
    ASSERT_TRUE(external::Run(command)) << command;
    // opj_decompress names a single-component PGX output with a component suffix.
    std::string file = out;
    if (std::string(c.outName) == "o.pgx") file = dir.File("o_0.pgx");
    CRaster image;
    ASSERT_TRUE(image.Load(file.c_str(), FORMAT_UNKNOWN)) << image.GetLastError();
    if (std::string(c.outName) == "o.pgx") {
        // The first of the three components, as a grey frame.
        EXPECT_EQ(image.GetNumFrames(), 1);
        EXPECT_EQ(image.GetBpp(), c.bpp);
        for (size_t i = 0; i < 29 * 13; ++i)
            ASSERT_EQ(TopDownRgba(image)[4 * i], samples[3 * i]) << i;
        return;
    }
    EXPECT_EQ(image.GetBpp(), c.bpp);
    const std::string magickName = std::string(c.outName) == "o.ras" ? "sun:" + file : file;
    EXPECT_LE(
        MaxDifference(TopDownRgba(image), codectest::MagickRgba(magickName, dir.File("m.rgba"))),
        c.tolerance);
}

// 16- and 12-bit samples scaled to 8 bits may round differently by one.
INSTANTIATE_TEST_SUITE_P(Tools, JasPerFromTools, ::testing::ValuesIn(kToolCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JasPerDecoder, FourComponentsAreFrames) {
    if (!external::HaveImageMagick()) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    CRaster source;
    codectest::Fill(source, 9, 5, 24, false);
    const std::string tif = dir.File("a.tif");
    source.SetCodecOption(1);
    ASSERT_TRUE(source.Save(tif.c_str(), FORMAT_TIF));
    const std::string file = dir.File("rgba.jp2");
    ASSERT_TRUE(external::Run(external::kConvert + " " + tif +
                              " -alpha set -channel A -evaluate set 50% +channel " + file));
    CRaster green;
    green.SetFrame(1);
    // The frame reaches the reader through auto-detection, which copies the image's settings.
    ASSERT_TRUE(green.Load(file.c_str(), FORMAT_UNKNOWN)) << green.GetLastError();
    EXPECT_EQ(green.GetNumFrames(), 4);
    EXPECT_EQ(green.GetBpp(), 8u);
    EXPECT_EQ(green.GetPixelIndex(2, 1), source.GetPixelColor(2, 1).rgbGreen);
    CRaster missing;
    missing.SetFrame(4);
    EXPECT_FALSE(missing.Load(file.c_str(), FORMAT_UNKNOWN));
    std::vector<uint8_t> bytes = codectest::ReadFile(file);
    CRasterMemoryStream stream(bytes.data(), static_cast<long>(bytes.size()));
    CRasterJasPer reader;
    reader.SetFrame(4);
    EXPECT_FALSE(reader.Decode(&stream, FORMAT_JP2));
    EXPECT_STREQ(reader.GetLastError(), "wrong frame!");
}

// ---- files near the decoder's memory bound, and what OpenJPEG reads despite odd headers -------

// The top-down RGB bytes of a 24-bit or grey image, read row by row (fast for large pictures).
std::vector<uint8_t> RowsAsRgb(const CRaster& image) {
    const uint32_t w = image.GetWidth(), h = image.GetHeight();
    std::vector<uint8_t> rgb(size_t{w} * h * 3);
    uint8_t* out = rgb.data();
    for (uint32_t t = 0; t < h; ++t) {
        const uint8_t* row = image.GetBits(h - 1 - t);
        for (uint32_t x = 0; x < w; ++x, out += 3) {
            if (image.GetBpp() == 24) {
                out[0] = row[3 * x + 2];
                out[1] = row[3 * x + 1];
                out[2] = row[3 * x];
            } else {
                const RGBQUAD c = image.GetPaletteColor(row[x]);
                out[0] = c.rgbRed;
                out[1] = c.rgbGreen;
                out[2] = c.rgbBlue;
            }
        }
    }
    return rgb;
}

// A uniform picture of 6000 x 4001 pixels: a few hundred bytes as JPEG 2000, 24 megapixels
// decoded (far more pixels per byte than any bound by the stream's length allows).
constexpr uint32_t kUniformWidth = 6000, kUniformHeight = 4001;
constexpr uint8_t kUniformRgb[3] = {90, 140, 200};

struct UniformCase {
    const char* name;
    uint32_t id;
    uint32_t bpp;
};

const UniformCase kUniformCases[] = {{"Grey8AsJp2", FORMAT_JP2, 8}, {"Rgb24AsJpc", FORMAT_JPC, 24}};

class JasPerUniform : public ::testing::TestWithParam<UniformCase> {};

TEST_P(JasPerUniform, LargeUniformPictureReadsBack) {
    const UniformCase& c = GetParam();
    TempDir dir;
    CRaster image;
    ASSERT_TRUE(image.Create(kUniformWidth, kUniformHeight, c.bpp, FORMAT_UNKNOWN));
    if (c.bpp == 8) {
        image.SetGrayPalette();
        image.Clear(kUniformRgb[1]);
    } else {
        for (uint32_t y = 0; y < kUniformHeight; ++y) {
            uint8_t* row = image.GetBits(y);
            for (uint32_t x = 0; x < kUniformWidth; ++x) {
                row[3 * x] = kUniformRgb[2];
                row[3 * x + 1] = kUniformRgb[1];
                row[3 * x + 2] = kUniformRgb[0];
            }
        }
    }
    const std::string file = dir.File("uniform");
    ASSERT_TRUE(image.Save(file.c_str(), c.id)) << image.GetLastError();
    EXPECT_LT(codectest::ReadFile(file).size(), 2000u);

    CRaster loaded;
    ASSERT_TRUE(loaded.Load(file.c_str(), c.id)) << loaded.GetLastError();
    EXPECT_EQ(loaded.GetWidth(), kUniformWidth);
    EXPECT_EQ(loaded.GetHeight(), kUniformHeight);
    EXPECT_EQ(loaded.GetBpp(), c.bpp);
    EXPECT_EQ(RowsAsRgb(loaded), RowsAsRgb(image));
}

INSTANTIATE_TEST_SUITE_P(NearBound, JasPerUniform, ::testing::ValuesIn(kUniformCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct OpjUniformCase {
    const char* name;
    const char* options;
    const char* outName;
};

const OpjUniformCase kOpjUniformCases[] = {{"Lossless", "", "o.jp2"}, {"Rate", "-r 20", "o.j2k"}};

class JasPerUniformFromOpj : public ::testing::TestWithParam<OpjUniformCase> {};

TEST_P(JasPerUniformFromOpj, DecodesAsImageMagickReadsIt) {
    if (!external::HaveImageMagick() || !external::CommandExists("opj_compress"))
        GTEST_SKIP() << "ImageMagick or the OpenJPEG tools not installed";
    const OpjUniformCase& c = GetParam();
    TempDir dir;
    std::vector<uint8_t> samples(size_t{kUniformWidth} * kUniformHeight * 3);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = kUniformRgb[i % 3];
    const std::string in = dir.File("in.ppm"), out = dir.File(c.outName);
    codectest::WriteFile(in, codectest::Netpbm(kUniformWidth, kUniformHeight, true, samples));
    ASSERT_TRUE(external::Run("opj_compress -i " + in + " -o " + out + " " + c.options));
    EXPECT_LT(codectest::ReadFile(out).size(), 2000u);

    CRaster image;
    ASSERT_TRUE(image.Load(out.c_str(), FORMAT_UNKNOWN)) << image.GetLastError();
    EXPECT_EQ(image.GetWidth(), kUniformWidth);
    EXPECT_EQ(image.GetHeight(), kUniformHeight);
    EXPECT_EQ(RowsAsRgb(image), codectest::MagickRgb(out, dir.File("m.rgb")));
}

INSTANTIATE_TEST_SUITE_P(NearBound, JasPerUniformFromOpj, ::testing::ValuesIn(kOpjUniformCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Offset of the first marker `marker` at or after `from` (the size when there is none).
size_t FindMarker(const std::vector<uint8_t>& bytes, uint8_t marker, size_t from) {
    for (size_t i = from; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == marker) return i;
    return bytes.size();
}

void PutBe32At(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<uint8_t>(v >> (24 - 8 * k));
}

uint32_t Be32At(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v = (v << 8) | bytes[at + k];
    return v;
}

// Inserts bytes into a code stream's main header right after its SIZ segment.
std::vector<uint8_t> AfterSiz(std::vector<uint8_t> bytes, const std::vector<uint8_t>& more) {
    const size_t siz = FindMarker(bytes, 0x51, 0);
    const size_t end = siz + 2 + (size_t{bytes[siz + 2]} << 8 | bytes[siz + 3]);
    bytes.insert(bytes.begin() + static_cast<long>(end), more.begin(), more.end());
    return bytes;
}

// Offset of the length field of a JP2 file's code-stream box.
size_t CodeStreamBox(const std::vector<uint8_t>& bytes) {
    const std::string type = "jp2c";
    return static_cast<size_t>(std::search(bytes.begin(), bytes.end(), type.begin(), type.end()) -
                               bytes.begin()) -
           4;
}

struct WalkCase {
    const char* name;
    uint32_t id;
    std::vector<uint8_t> (*patch)(std::vector<uint8_t>);
};

// Markers 0xFF30 to 0xFF3F carry no length; the decoder skips any marker of the main header it
// does not know up to the next one it knows. A code-stream box runs to the file's end whatever
// length it claims.
const WalkCase kWalkCases[] = {
    {"MarkersWithoutLengthInMainHeader", FORMAT_JPC,
     [](std::vector<uint8_t> b) {
         return AfterSiz(b, {0xFF, 0x30, 0xFF, 0x3F});
     }},
    {"UnknownSegmentInMainHeader", FORMAT_JPC,
     [](std::vector<uint8_t> b) {
         return AfterSiz(b, {0xFF, 0x6F, 0, 4, 0, 0});
     }},
    {"CodeStreamBoxLongerThanFile", FORMAT_JP2,
     [](std::vector<uint8_t> b) {
         const size_t at = CodeStreamBox(b);
         PutBe32At(b, at, Be32At(b, at) + 1000);
         return b;
     }},
    {"CodeStreamBoxShorterThanItsHeader", FORMAT_JP2,
     [](std::vector<uint8_t> b) {
         PutBe32At(b, CodeStreamBox(b), 4);
         return b;
     }},
};

class JasPerHeaderWalk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(JasPerHeaderWalk, ReadsWhatOpenJpegReads) {
    const WalkCase& c = GetParam();
    CRaster image;
    MakeImage(image, 24);
    image.SetJpegQuality(100);
    const std::vector<uint8_t> bytes = c.patch(EncodeBytes(image, c.id));
    CRaster decoded;
    ASSERT_TRUE(DecodeBytes(decoded, bytes, c.id)) << decoded.GetLastError();
    EXPECT_EQ(TopDownRgba(decoded), TopDownRgba(image));
}

INSTANTIATE_TEST_SUITE_P(Odd, JasPerHeaderWalk, ::testing::ValuesIn(kWalkCases),
                         [](const auto& info) { return std::string(info.param.name); });


// Valid files at the bounds of the uncompressed formats (a file holds every row): uniform
// pictures of about 24 megapixels from the library (the colour PNM of six: the bound is the
// same 1:1 at any size), odd sizes whose rows are padded, and files of ImageMagick.
struct NearBoundCase {
    codectest::NearBoundFile file;
    uint32_t format;
    const char* extension;
};

void PrintTo(const NearBoundCase& c, std::ostream* out) { *out << c.file.name; }

class JasPerNearBound : public ::testing::TestWithParam<NearBoundCase> {};

TEST_P(JasPerNearBound, ReadsBackAtItsSizeAndColour) {
    const NearBoundCase& c = GetParam();
    if (!codectest::HaveWriter(c.file.writer)) GTEST_SKIP() << "tool not installed";
    TempDir dir;
    codectest::ExpectNearBoundFileReadsBack(c.file, dir.Path().string(), c.format, c.extension);
}

using codectest::NearBoundFile;
using codectest::Writer;
INSTANTIATE_TEST_SUITE_P(
    Uniform, JasPerNearBound,
    ::testing::Values(
        NearBoundCase{{"Ras24", Writer::Library, 6000, 4000, 24, "", 24}, FORMAT_RAS, ".ras"},
        NearBoundCase{{"Ras8", Writer::Library, 6000, 4000, 8, "", 8}, FORMAT_RAS, ".ras"},
        NearBoundCase{{"Pgx8", Writer::Library, 6000, 4000, 8, "", 8}, FORMAT_PGX, ".pgx"},
        NearBoundCase{{"Pnm24", Writer::Library, 3000, 2000, 24, "", 24}, FORMAT_PNM, ".ppm"},
        NearBoundCase{{"Pnm8", Writer::Library, 6000, 4000, 8, "", 8}, FORMAT_PNM, ".pgm"},
        NearBoundCase{
            {"ImageMagickRasOdd", Writer::ImageMagick, 6001, 1001, 24, "", 24}, FORMAT_RAS, ".ras"},
        NearBoundCase{{"ImageMagickPgxOdd", Writer::ImageMagick, 6001, 1001, 8, "-depth 8", 8},
                      FORMAT_PGX,
                      ".pgx"},
        NearBoundCase{{"ImageMagickPbmOdd", Writer::ImageMagick, 6001, 1001, 1, "-monochrome", 1},
                      FORMAT_PNM,
                      ".pbm"}),
    [](const auto& info) { return std::string(info.param.file.name); });

// A grey Sun raster of one value in runs of 256 bytes, three bytes each, running on over the
// row ends: the best run-length coding the format has.
std::vector<uint8_t> RunLengthRas(uint32_t width, uint32_t height, uint8_t value) {
    std::vector<uint8_t> b;
    const uint32_t rowBytes = (width + 1) / 2 * 2;
    const uint64_t total = uint64_t{rowBytes} * height;
    for (uint32_t v : {0x59A66A95u, width, height, 8u, uint32_t(total), 2u, 0u, 0u}) {
        for (int shift = 24; shift >= 0; shift -= 8) b.push_back(uint8_t(v >> shift));
    }
    for (uint64_t left = total; left > 0;) {
        const uint32_t run = uint32_t(std::min<uint64_t>(left, 256));
        if (run == 1) {
            b.push_back(value);
        } else {
            b.insert(b.end(), {0x80, uint8_t(run - 1), value});
        }
        left -= run;
    }
    return b;
}

// The run-length bound (256 bytes from three) on its best-coded file: a uniform picture of about
// 24 megapixels, read as Pillow reads it.
TEST(JasPerDecoder, ReadsRunLengthRasterOfLongestRuns) {
    TempDir dir;
    const std::string file = dir.File("runs.ras");
    ASSERT_TRUE(codectest::WriteFile(file, RunLengthRas(6001, 4001, 0x5A)));
    RGBQUAD colour{0x5A, 0x5A, 0x5A, 0};
    if (codectest::HaveTool(codectest::Tool::Pillow)) {
        uint32_t w = 0, h = 0;
        ASSERT_TRUE(codectest::ToolUniformColour(codectest::Tool::Pillow, dir.Path().string(), file,
                                                 colour, w, h));
        EXPECT_EQ(w, 6001u);
        EXPECT_EQ(h, 4001u);
    }
    CRaster image;
    ASSERT_TRUE(image.Load(file.c_str(), FORMAT_RAS)) << image.GetLastError();
    EXPECT_EQ(image.GetWidth(), 6001u);
    EXPECT_EQ(image.GetHeight(), 4001u);
    EXPECT_EQ(image.GetBpp(), 8u);
    EXPECT_TRUE(codectest::IsUniform(image, colour));
}

}  // namespace

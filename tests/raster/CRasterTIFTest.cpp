#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "CRaster.h"
#include "CRasterMemoryStream.h"
#include "CRasterTIF.h"
#include "CodecTestSupport.h"
#include "ExternalTools.h"
#include "TempDir.h"
#include "UserInterface.h"

namespace {

using codectest::Fill;
using codectest::TopDownRgba;

// Records every message box instead of showing it.
class CRecordingUi final : public ui::CUserInterface {
public:
    ui::Answer MessageBox(const std::string& text, ui::Buttons, ui::Icon icon) override {
        texts.push_back(text);
        icons.push_back(icon);
        return ui::Answer::Ok;
    }
    bool EscapePressed() override { return false; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    std::vector<std::string> texts;
    std::vector<ui::Icon> icons;
};

struct ScopedUi {
    explicit ScopedUi(ui::CUserInterface* ui) { ui::Install(ui); }
    ~ScopedUi() { ui::Install(nullptr); }
};

int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size()) return 256;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

bool DecodeFromMemory(CRaster& image, std::vector<uint8_t> bytes, uint32_t id = FORMAT_TIF) {
    CRasterMemoryStream stream(bytes.empty() ? nullptr : bytes.data(),
                               static_cast<long>(bytes.size()));
    return image.Decode(&stream, id);
}

struct DepthCase {
    const char* name;
    uint32_t bpp;
    bool grey;
    bool alpha;
    uint32_t compression;  // codec option; 0 = the writer's choice by depth
    int tolerance;         // largest channel error allowed after the round trip
};

// JPEG (the writer's choice for colour) is lossy; at quality 75 this pattern, whose channels
// wrap around in sharp steps, stays within 32.
const DepthCase kDepths[] = {
    {"Bilevel", 1, true, false, 0, 0},      {"BilevelWhiteFirst", 1, false, false, 0, 0},
    {"Grey4", 4, true, false, 0, 0},        {"Palette4", 4, false, false, 0, 0},
    {"Grey8", 8, true, false, 0, 0},        {"Palette8", 8, false, false, 0, 0},
    {"Grey8Alpha", 8, true, true, 0, 0},    {"Palette8Alpha", 8, false, true, 0, 0},
    {"Rgb24Lzw", 24, false, false, 5, 0},   {"Rgb24Deflate", 24, false, false, 8, 0},
    {"Rgb24Jpeg", 24, false, false, 0, 32}, {"Rgba32Lzw", 24, false, true, 5, 0},
    {"Rgba32None", 24, false, true, 1, 0},
};

class TifRoundTrip : public ::testing::TestWithParam<DepthCase> {
protected:
    void MakeImage(CRaster& image) {
        const DepthCase& c = GetParam();
        Fill(image, 37, 21, c.bpp, c.grey, c.alpha);
        if (c.bpp == 1 && !c.grey) {
            image.SetPaletteColor(0, 255, 255, 255);
            image.SetPaletteColor(1, 0, 0, 0);
        }
        image.SetCodecOption(c.compression);
        image.SetXDPI(300);
        image.SetYDPI(150);
    }
    TempDir dir;
};

TEST_P(TifRoundTrip, PixelsPaletteAndDpiSurviveTheDispatch) {
    const DepthCase& c = GetParam();
    CRaster image;
    MakeImage(image);
    const std::vector<uint8_t> before = TopDownRgba(image);
    const std::string file = dir.File("image.tif");
    ASSERT_TRUE(image.Save(file.c_str(), FORMAT_TIF)) << image.GetLastError();
    // The caller's image is left as it was, also for the inverted 1-bit rows.
    EXPECT_EQ(TopDownRgba(image), before);

    for (uint32_t id : {uint32_t{FORMAT_TIF}, uint32_t{FORMAT_UNKNOWN}}) {
        CRaster loaded;
        ASSERT_TRUE(loaded.Load(file.c_str(), id)) << loaded.GetLastError();
        EXPECT_EQ(loaded.GetType(), uint32_t{FORMAT_TIF});
        EXPECT_EQ(loaded.GetWidth(), 37u);
        EXPECT_EQ(loaded.GetHeight(), 21u);
        EXPECT_EQ(loaded.GetBpp(), c.bpp);
        EXPECT_EQ(loaded.HasAlpha(), c.alpha);
        EXPECT_EQ(loaded.GetXDPI(), 300);
        EXPECT_EQ(loaded.GetYDPI(), 150);
        EXPECT_EQ(loaded.GetNumFrames(), 1);
        EXPECT_LE(MaxDifference(TopDownRgba(loaded), before), c.tolerance);
        if (c.bpp > 1) {
            for (uint32_t i = 0; i < image.GetNumColors(); ++i) {
                ASSERT_EQ(loaded.GetPaletteColor(static_cast<uint8_t>(i)),
                          image.GetPaletteColor(static_cast<uint8_t>(i)))
                    << i;
            }
        }
    }
}

TEST_P(TifRoundTrip, IndependentReadersSeeTheSamePixels) {
    CRaster image;
    MakeImage(image);
    const std::string file = dir.File("image.tif");
    ASSERT_TRUE(image.Save(file.c_str(), FORMAT_TIF)) << image.GetLastError();
    CRaster loaded;
    ASSERT_TRUE(loaded.Load(file.c_str(), FORMAT_TIF));
    // Compared with what this decoder reads: both sides decode the same (maybe lossy) file.
    const std::vector<uint8_t> ours = TopDownRgba(loaded);
    if (external::HaveImageMagick()) {
        EXPECT_EQ(MaxDifference(codectest::MagickRgba(file, dir.File("m.rgba")), ours), 0);
    }
    if (!external::PillowPython().empty()) {
        EXPECT_EQ(MaxDifference(codectest::PillowRgba(file, dir.File("p.rgba")), ours), 0);
    }
    if (!external::HaveImageMagick() && external::PillowPython().empty()) {
        GTEST_SKIP() << "no independent reader installed";
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, TifRoundTrip, ::testing::ValuesIn(kDepths),
                         [](const auto& info) { return std::string(info.param.name); });

// Fields the writer chooses, read back by Pillow.
TEST(TifWriter, ChoosesCompressionByDepthAndStoresInchResolution) {
    if (external::PillowPython().empty()) GTEST_SKIP() << "Pillow not installed";
    TempDir dir;
    struct {
        uint32_t bpp;
        const char* compression;
    } cases[] = {{1, "group4"}, {4, "raw"}, {8, "packbits"}, {24, "jpeg"}};
    for (const auto& c : cases) {
        CRaster image;
        Fill(image, 16, 8, c.bpp, false);
        image.SetXDPI(300);
        image.SetYDPI(300);
        image.SetJpegQuality(60);
        const std::string file = dir.File("w.tif");
        ASSERT_TRUE(image.Save(file.c_str(), FORMAT_TIF));
        const std::string out = dir.File("info.txt");
        const std::string script =
            "import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
            "t = im.tag_v2; open(sys.argv[2], 'w').write('%s %d %d %d' % "
            "(im.info['compression'], t[296], int(t[282]), int(t[283])))";
        ASSERT_TRUE(
            external::Run(external::PillowPython() + " -c \"" + script + "\" " + file + " " + out));
        const std::vector<uint8_t> text = codectest::ReadFile(out);
        EXPECT_EQ(std::string(text.begin(), text.end()), std::string(c.compression) + " 2 300 300")
            << c.bpp;
    }
}

TEST(TifWriter, AppendsPagesAndReadsTheRequestedOne) {
    TempDir dir;
    CRasterMemoryStream stream(nullptr, 0);
    stream.Open();
    CRaster pages[3];
    Fill(pages[0], 10, 6, 8, false);
    Fill(pages[1], 12, 5, 24, false);
    Fill(pages[2], 9, 9, 1, true);
    pages[1].SetCodecOption(5);
    {
        CRasterTIF writer;
        for (int i = 0; i < 3; ++i) {
            writer.ShareFrom(&pages[i]);
            ASSERT_TRUE(writer.Encode(&stream, i < 2)) << writer.GetLastError();
        }
    }
    const auto* data = static_cast<const uint8_t*>(stream.GetBuffer(false));
    const std::vector<uint8_t> bytes(data, data + stream.Size());
    for (int i = 0; i < 3; ++i) {
        CRaster page;
        page.SetFrame(i);
        ASSERT_TRUE(DecodeFromMemory(page, bytes)) << page.GetLastError();
        EXPECT_EQ(page.GetNumFrames(), 3);
        EXPECT_EQ(TopDownRgba(page), TopDownRgba(pages[i])) << i;
    }
    CRaster missing;
    missing.SetFrame(3);
    EXPECT_FALSE(DecodeFromMemory(missing, bytes));
    EXPECT_STREQ(missing.GetLastError(), "Error: page not present in TIFF file");
    EXPECT_EQ(missing.GetNumFrames(), 3);

    if (external::HaveImageMagick()) {
        const std::string file = dir.File("pages.tif");
        codectest::WriteFile(file, bytes);
        const std::string out = dir.File("n.txt");
        ASSERT_TRUE(external::Run(external::kIdentify + " -format '%n\\n' " + file + " > " + out +
                                  " 2>/dev/null; true"));
        const std::vector<uint8_t> text = codectest::ReadFile(out);
        EXPECT_EQ(std::string(text.begin(), text.end()).substr(0, 2), "3\n");
    }
}

// Top-down test pattern of 8-bit samples (1 or 3 per pixel).
std::vector<uint8_t> Pattern(uint32_t width, uint32_t height, uint32_t channels) {
    std::vector<uint8_t> samples;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (uint32_t c = 0; c < channels; ++c)
                samples.push_back(static_cast<uint8_t>(x * 9 + y * 5 + c * 80));
    return samples;
}

std::vector<uint8_t> ToRgba(const std::vector<uint8_t>& samples, uint32_t channels) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < samples.size(); i += channels) {
        for (uint32_t c = 0; c < 3; ++c) out.push_back(samples[i + (channels == 3 ? c : 0)]);
        out.push_back(255);
    }
    return out;
}

struct ToolCase {
    const char* name;
    bool colour;
    const char* options;  // ImageMagick options for writing the TIFF
    uint32_t bpp;         // depth the decoder gives
    int tolerance;        // largest channel error against the source pattern; -1: compare
                          // with ImageMagick's own reading (it chooses the palette)
};

// JPEG at quality 95 on this pattern stays within 8; 16 bits round-trip through the high byte.
const ToolCase kToolCases[] = {
    {"RgbNone", true, "-compress none", 24, 0},
    {"RgbLzw", true, "-compress lzw", 24, 0},
    {"RgbDeflate", true, "-compress zip", 24, 0},
    {"RgbJpeg", true, "-compress jpeg -quality 95", 24, 8},
    {"Rgb16", true, "-depth 16 -compress zip", 24, 0},
    {"RgbTiled", true, "-define tiff:tile-geometry=16x16", 24, 0},
    {"GreyLzw", false, "-compress lzw", 8, 0},
    {"GreyTiled", false, "-define tiff:tile-geometry=16x16 -compress zip", 8, 0},
    {"Grey16", false, "-depth 16", 8, 0},
    {"Grey4", false, "-depth 4", 4, -1},
    {"Grey16Tiled", false, "-depth 16 -define tiff:tile-geometry=32x16", 8, 0},
    {"GreyRowsPerStrip3", false, "-define tiff:rows-per-strip=3", 8, 0},
    {"PaletteLzw", true, "-type palette -compress lzw", 8, -1},
    {"PaletteTiled", true, "-type palette -define tiff:tile-geometry=16x16", 8, -1},
};

class TifFromTools : public ::testing::TestWithParam<ToolCase> {};

TEST_P(TifFromTools, DecodesAsWritten) {
    if (!external::HaveImageMagick()) GTEST_SKIP() << "ImageMagick not installed";
    const ToolCase& c = GetParam();
    TempDir dir;
    const uint32_t w = 41, h = 19, channels = c.colour ? 3 : 1;
    const std::vector<uint8_t> samples = Pattern(w, h, channels);
    codectest::WriteFile(dir.File("in.pnm"), codectest::Netpbm(w, h, c.colour, samples));
    const std::string file = dir.File("out.tif");
    ASSERT_TRUE(external::Run(external::kConvert + " " + dir.File("in.pnm") + " " + c.options +
                              " " + file));
    CRaster image;
    ASSERT_TRUE(image.Load(file.c_str(), FORMAT_TIF)) << image.GetLastError();
    EXPECT_EQ(image.GetBpp(), c.bpp);
    if (c.tolerance < 0) {
        EXPECT_EQ(TopDownRgba(image), codectest::MagickRgba(file, dir.File("m.rgba")));
    } else {
        EXPECT_LE(MaxDifference(TopDownRgba(image), ToRgba(samples, channels)), c.tolerance);
    }
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, TifFromTools, ::testing::ValuesIn(kToolCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TifFromTools, BilevelWhiteIsZeroAndOrientation) {
    if (!external::HaveImageMagick()) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    const uint32_t w = 21, h = 11;
    std::vector<uint8_t> samples;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) samples.push_back((x + 2 * y) % 3 ? 255 : 0);
    codectest::WriteFile(dir.File("in.pgm"), codectest::Netpbm(w, h, false, samples));

    const std::string bilevel = dir.File("bilevel.tif");
    ASSERT_TRUE(external::Run(external::kConvert + " " + dir.File("in.pgm") +
                              " -type bilevel -compress group4 " + bilevel));
    CRaster image;
    ASSERT_TRUE(image.Load(bilevel.c_str(), FORMAT_TIF)) << image.GetLastError();
    EXPECT_EQ(image.GetBpp(), 1u);
    EXPECT_EQ(image.GetPaletteColor(0), (RGBQUAD{255, 255, 255, 0}));
    EXPECT_EQ(image.GetPaletteColor(1), (RGBQUAD{0, 0, 0, 0}));
    EXPECT_EQ(TopDownRgba(image), ToRgba(samples, 1));

    // Orientations 2..8 come out as the tool shows them upright, grey and colour alike.
    codectest::WriteFile(dir.File("in.ppm"), codectest::Netpbm(w, h, true, Pattern(w, h, 3)));
    for (const char* source : {"in.pgm", "in.ppm"})
        for (const char* orient : {"TopRight", "BottomRight", "BottomLeft", "LeftTop", "RightTop",
                                   "RightBottom", "LeftBottom"}) {
            const std::string file = dir.File("o.tif");
            ASSERT_TRUE(external::Run(external::kConvert + " " + dir.File(source) + " -orient " +
                                      orient + " " + file));
            ASSERT_TRUE(external::Run(external::kConvert + " " + file +
                                      " -auto-orient -depth 8 rgba:" + dir.File("upright.rgba")));
            CRaster oriented;
            ASSERT_TRUE(oriented.Load(file.c_str(), FORMAT_TIF)) << oriented.GetLastError();
            EXPECT_EQ(TopDownRgba(oriented), codectest::ReadFile(dir.File("upright.rgba")))
                << source << " " << orient;
        }
}

TEST(TifFromTools, MultiPageFileGivesEachPageAndTheCount) {
    if (!external::HaveImageMagick()) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    const std::vector<uint8_t> first = Pattern(8, 4, 3), second = Pattern(5, 7, 1);
    codectest::WriteFile(dir.File("a.ppm"), codectest::Netpbm(8, 4, true, first));
    codectest::WriteFile(dir.File("b.pgm"), codectest::Netpbm(5, 7, false, second));
    const std::string file = dir.File("multi.tif");
    ASSERT_TRUE(external::Run(external::kConvert + " " + dir.File("a.ppm") + " " +
                              dir.File("b.pgm") + " -compress lzw " + file));
    CRaster page;
    page.SetFrame(1);
    ASSERT_TRUE(page.Load(file.c_str(), FORMAT_TIF)) << page.GetLastError();
    EXPECT_EQ(page.GetNumFrames(), 2);
    EXPECT_EQ(TopDownRgba(page), ToRgba(second, 1));
    CRaster missing;
    missing.SetFrame(3);
    EXPECT_FALSE(missing.Load(file.c_str(), FORMAT_TIF));
    EXPECT_EQ(missing.GetNumFrames(), 2);
}

// A small baseline file built byte by byte: little-endian, one strip of 8-bit samples.
struct TiffBuilder {
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
    };
    std::vector<Entry> entries;
    std::vector<uint8_t> data;  // placed at offset 8

    void Add(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        entries.push_back({tag, type, count, value});
    }
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out = {'I', 'I', 42, 0};
        auto u16 = [&](uint32_t v) {
            out.push_back(static_cast<uint8_t>(v));
            out.push_back(static_cast<uint8_t>(v >> 8));
        };
        auto u32 = [&](uint32_t v) {
            u16(v & 0xFFFF);
            u16(v >> 16);
        };
        u32(static_cast<uint32_t>(8 + data.size()));
        out.insert(out.end(), data.begin(), data.end());
        u16(static_cast<uint32_t>(entries.size()));
        for (const Entry& e : entries) {
            u16(e.tag);
            u16(e.type);
            u32(e.count);
            if (e.type == 3 && e.count == 1) {
                u16(e.value);
                u16(0);
            } else {
                u32(e.value);
            }
        }
        u32(0);
        return out;
    }
};

// 4 × 3 grey, 8 bits, rows per strip as given; entries sorted by tag.
TiffBuilder GreyFile(uint32_t bits = 8, uint32_t rowsPerStrip = 3, uint32_t photometric = 1) {
    TiffBuilder b;
    for (int i = 0; i < 12; ++i) b.data.push_back(static_cast<uint8_t>(i * 20));
    b.Add(256, 3, 1, 4);
    b.Add(257, 3, 1, 3);
    b.Add(258, 3, 1, bits);
    b.Add(259, 3, 1, 1);
    b.Add(262, 3, 1, photometric);
    b.Add(273, 4, 1, 8);
    b.Add(277, 3, 1, 1);
    b.Add(278, 4, 1, rowsPerStrip);
    b.Add(279, 4, 1, 12);
    return b;
}

TEST(TifDecoder, ReadsABuiltFileAndSurvivesEveryTruncation) {
    CRecordingUi recorder;
    ScopedUi scoped(&recorder);
    const std::vector<uint8_t> bytes = GreyFile().Bytes();
    CRaster image;
    ASSERT_TRUE(DecodeFromMemory(image, bytes)) << image.GetLastError();
    EXPECT_EQ(image.GetBpp(), 8u);
    EXPECT_EQ(image.GetPixelIndex(0, 2), 0);  // file row 0 is the top row
    EXPECT_EQ(image.GetPixelIndex(3, 0), 220);
    EXPECT_EQ(image.GetXDPI(), 96);
    for (size_t n = 0; n < bytes.size(); ++n) {
        CRaster cut;
        EXPECT_FALSE(DecodeFromMemory(cut, {bytes.begin(), bytes.begin() + n})) << n;
        EXPECT_STRNE(cut.GetLastError(), "");
    }
}

TEST(TifDecoder, RefusesFieldsItsRoutesCannotHold) {
    CRecordingUi recorder;
    ScopedUi scoped(&recorder);
    TiffBuilder palette16 = GreyFile(16, 3, 3);
    palette16.data.resize(24);
    const uint32_t mapOffset = 8 + static_cast<uint32_t>(palette16.data.size());
    palette16.data.resize(palette16.data.size() + 6 * 65536, 0x12);
    palette16.entries[8].value = 24;  // strip byte count of 16-bit samples
    palette16.Add(320, 3, 3 * 65536, mapOffset);
    struct {
        const char* name;
        TiffBuilder file;
    } cases[] = {
        {"2-bit grey", GreyFile(2)},
        {"rgb below 8 bits", GreyFile(4, 3, 2)},
        {"16-bit palette", palette16},
        {"rows per strip 0", GreyFile(8, 0)},
    };
    for (auto& c : cases) {
        CRaster image;
        EXPECT_FALSE(DecodeFromMemory(image, c.file.Bytes())) << c.name;
        EXPECT_STRNE(image.GetLastError(), "") << c.name;
    }
}

// Floating-point samples would go through the integer routes as garbage: every width is refused
// with a text that says why.
TEST(TifDecoder, RefusesFloatingPointSamples) {
    CRecordingUi recorder;
    ScopedUi scoped(&recorder);
    struct {
        uint32_t bits, samples, photometric;
    } cases[] = {{16, 1, 1}, {16, 3, 2}, {32, 1, 1}, {64, 1, 1}};
    for (const auto& c : cases) {
        TiffBuilder file = GreyFile(c.bits, 3, c.photometric);
        file.entries[6].value = c.samples;  // samples per pixel
        file.Add(339, 3, 1, 3);             // sample format: IEEE floating point
        CRaster image;
        EXPECT_FALSE(DecodeFromMemory(image, file.Bytes())) << c.bits << " " << c.samples;
        EXPECT_STREQ(image.GetLastError(), "TIFF floating-point samples are not supported");
    }
}

TEST(TifDecoder, GarbageAndOtherFormatsFailWithoutMessages) {
    CRecordingUi recorder;
    ScopedUi scoped(&recorder);
    std::vector<uint8_t> noise(300);
    uint32_t seed = 12345;
    for (auto& b : noise) b = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    CRaster image;
    EXPECT_FALSE(DecodeFromMemory(image, noise));
    EXPECT_STREQ(image.GetLastError(), "Error encountered while opening TIFF file");
    EXPECT_TRUE(recorder.texts.empty());

    // Noise behind a valid header: libtiff's complaints go to the message function.
    for (int round = 0; round < 50; ++round) {
        std::vector<uint8_t> bytes = GreyFile().Bytes();
        for (size_t i = 4; i < bytes.size(); i += 1 + (seed = seed * 1103515245 + 12345) % 7)
            bytes[i] = static_cast<uint8_t>(seed >> 16);
        CRaster damaged;
        DecodeFromMemory(damaged, bytes);
    }
    EXPECT_FALSE(recorder.texts.empty());
    for (const std::string& text : recorder.texts) {
        EXPECT_TRUE(text.find(" Error\n") != std::string::npos ||
                    text.find(" Warning\n") != std::string::npos)
            << text;
    }
}

TEST(TifEncoder, RefusesMissingStreamAndImage) {
    CRaster empty;
    CRasterMemoryStream stream(nullptr, 0);
    stream.Open();
    EXPECT_FALSE(empty.Encode(&stream, FORMAT_TIF));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
    CRaster image(4, 4, 8);
    EXPECT_FALSE(image.Encode(static_cast<CRasterStream*>(nullptr), FORMAT_TIF));
    EXPECT_STREQ(image.GetLastError(), "null file handler");
}

TEST(TifEncoder, ShortWriteFails) {
    CRaster image;
    Fill(image, 64, 64, 24, false);
    image.SetCodecOption(1);
    codectest::CLimitedStream stream(200);
    CRecordingUi recorder;
    ScopedUi scoped(&recorder);
    EXPECT_FALSE(image.Encode(&stream, FORMAT_TIF));
    EXPECT_STREQ(image.GetLastError(), "Error saving TIFF file");
}

// ---- valid files near the size bound -----------------------------------------------------
// The best-compressing files: uniform pictures of about 24 megapixels, most of them ending in a
// short strip or in partial tiles.

constexpr uint8_t kGrey = 90;
constexpr uint8_t kRgb[3] = {10, 200, 30};

// A uniform picture, grey at 8 bits or colour at 24; a near-uniform one has one pixel in 1009
// changed.
void FillUniform(CRaster& image, uint32_t width, uint32_t height, uint32_t bpp,
                 bool nearUniform = false) {
    image.Create(width, height, bpp, FORMAT_UNKNOWN);
    if (bpp == 8) image.SetGrayPalette();
    std::vector<uint8_t> row(image.GetRowStride(), kGrey);
    for (size_t x = 0; bpp == 24 && x < width; ++x) {
        for (int c = 0; c < 3; ++c) row[3 * x + c] = kRgb[2 - c];
    }
    for (uint32_t y = 0; y < height; ++y) {
        std::copy(row.begin(), row.end(), image.GetBits(y));
        for (uint32_t x = (1009 - y * 13 % 1009) % 1009; nearUniform && x < width; x += 1009) {
            image.GetBits(y)[bpp / 8 * x] ^= 0x40;
        }
    }
}

// Largest channel difference between the image and top-down RGB bytes of its size.
int MaxDifferenceFromRgb(const CRaster& image, const std::vector<uint8_t>& rgb) {
    const uint32_t width = image.GetWidth(), height = image.GetHeight();
    if (rgb.size() != size_t{width} * height * 3) return 256;
    const bool palette = image.GetBpp() == 8;
    uint8_t colours[256][3] = {};
    for (uint32_t i = 0; palette && i < 256; ++i) {
        const RGBQUAD c = image.GetPaletteColor(static_cast<uint8_t>(i));
        colours[i][0] = c.rgbRed;
        colours[i][1] = c.rgbGreen;
        colours[i][2] = c.rgbBlue;
    }
    int worst = 0;
    for (uint32_t top = 0; top < height; ++top) {
        const uint8_t* row = image.GetBits(height - 1 - top);
        const uint8_t* want = rgb.data() + size_t{top} * width * 3;
        for (uint32_t x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                const uint8_t got = palette ? colours[row[x]][c] : row[3 * x + 2 - c];
                worst = std::max(worst, std::abs(got - want[3 * x + c]));
            }
        }
    }
    return worst;
}

// The uniform picture of the image's size and depth as top-down RGB bytes.
std::vector<uint8_t> UniformRgb(const CRaster& image) {
    std::vector<uint8_t> rgb(size_t{image.GetWidth()} * image.GetHeight() * 3, kGrey);
    for (size_t i = 0; image.GetBpp() == 24 && i < rgb.size(); ++i) rgb[i] = kRgb[i % 3];
    return rgb;
}

struct OwnFileCase {
    const char* name;
    uint32_t width, height, bpp;
    uint32_t compression;  // codec option; 0 = the writer's choice by depth
    int tolerance;         // largest channel error after the round trip
};

void PrintTo(const OwnFileCase& c, std::ostream* out) { *out << c.name; }

// The writer's strips hold about 8 KiB, at least a row (JPEG strips a multiple of 8 rows): but
// for Rgb24Deflate, whose strips are single rows, these sizes leave a short last strip. JPEG keeps
// a uniform colour within 2.
const OwnFileCase kOwnFiles[] = {
    {"Grey8PackBits", 4000, 4501, 8, 0, 0},  // 2 rows a strip
    {"Grey8None", 4000, 4501, 8, 1, 0},     {"Grey8Lzw", 3000, 7999, 8, 5, 0},
    {"Rgb24Jpeg", 6000, 4001, 24, 0, 2},    {"Rgb24None", 1360, 17647, 24, 1, 0},  // 2 rows a strip
    {"Rgb24Deflate", 6000, 4001, 24, 8, 0},
};

class TifNearBoundOwn : public ::testing::TestWithParam<OwnFileCase> {};

TEST_P(TifNearBoundOwn, UniformPictureReadsBack) {
    const OwnFileCase& c = GetParam();
    TempDir dir;
    const std::string file = dir.File("uniform.tif");
    CRaster image;
    FillUniform(image, c.width, c.height, c.bpp);
    image.SetCodecOption(c.compression);
    ASSERT_TRUE(image.Save(file.c_str(), FORMAT_TIF)) << image.GetLastError();
    CRaster loaded;
    ASSERT_TRUE(loaded.Load(file.c_str(), FORMAT_TIF)) << loaded.GetLastError();
    EXPECT_EQ(loaded.GetWidth(), c.width);
    EXPECT_EQ(loaded.GetHeight(), c.height);
    EXPECT_EQ(loaded.GetBpp(), c.bpp);
    EXPECT_LE(MaxDifferenceFromRgb(loaded, UniformRgb(loaded)), c.tolerance);
}

INSTANTIATE_TEST_SUITE_P(Uniform, TifNearBoundOwn, ::testing::ValuesIn(kOwnFiles),
                         [](const auto& info) { return std::string(info.param.name); });

struct ToolFileCase {
    const char* name;
    uint32_t width, height, bpp;  // of the source picture
    bool nearUniform;
    bool magick;          // written by ImageMagick's convert, else by tiffcp
    const char* options;  // turning the uncompressed source into the file read
};

void PrintTo(const ToolFileCase& c, std::ostream* out) { *out << c.name; }

const ToolFileCase kToolFiles[] = {
    {"MagickRgbNoneRows7", 3000, 2000, 24, false, true,
     "-compress none -define tiff:rows-per-strip=7"},
    {"RgbNoneRows8", 3000, 1999, 24, false, false, "-c none -r 8"},
    {"GreyNoneRows2", 4000, 4501, 8, false, false, "-c none -r 2"},
    {"GreyNonePartialTiles", 4000, 4501, 8, false, false, "-c none -t -w 256 -l 256"},
    {"GreyPackBitsRows7", 12800, 2000, 8, false, false, "-c packbits -r 7"},  // 64:1
    {"GreyLzwRows4000", 6000, 4001, 8, false, false, "-c lzw -r 4000"},
    {"RgbLzwPartialTiles", 6000, 4001, 24, false, false, "-c lzw -t -w 512 -l 512"},
    {"RgbDeflateRows4000", 6000, 4001, 24, false, false, "-c zip:p9 -r 4000"},
    {"GreyDeflateNearUniform", 6000, 4001, 8, true, false, "-c zip:p9 -r 4000"},
    {"MagickRgbDeflatePartialTiles", 6000, 4001, 24, false, true,
     "-compress zip -quality 95 -define tiff:tile-geometry=512x512"},
    {"GreyJpegRows4000", 6000, 4001, 8, false, false, "-c jpeg -r 4000"},
    {"RgbJpegPartialTiles", 6000, 4001, 24, false, false, "-c jpeg -t -w 512 -l 512"},
    {"GreyLzmaRows4000", 6000, 4001, 8, false, false, "-c lzma:p9 -r 4000"},
    {"GreyZstdRows4000", 6000, 4001, 8, false, false, "-c zstd -r 4000"},
};

class TifNearBoundTools : public ::testing::TestWithParam<ToolFileCase> {};

// Compared with ImageMagick's reading of the file, or, for codecs ImageMagick refuses, of the
// uncompressed copy tiffcp decodes.
TEST_P(TifNearBoundTools, ReadsWhatTheToolsDecode) {
    if (!external::HaveImageMagick() || !external::CommandExists("tiffcp")) {
        GTEST_SKIP() << "ImageMagick or tiffcp not installed";
    }
    const ToolFileCase& c = GetParam();
    TempDir dir;
    const std::string source = dir.File("source.tif"), file = dir.File("file.tif");
    CRaster picture;
    FillUniform(picture, c.width, c.height, c.bpp, c.nearUniform);
    picture.SetCodecOption(1);
    ASSERT_TRUE(picture.Save(source.c_str(), FORMAT_TIF)) << picture.GetLastError();
    ASSERT_TRUE(
        external::Run(c.magick ? external::kConvert + " " + source + " " + c.options + " " + file
                               : "tiffcp " + std::string(c.options) + " " + source + " " + file));
    std::vector<uint8_t> expected = codectest::MagickRgb(file, dir.File("m.rgb"));
    if (expected.empty()) {
        const std::string copy = dir.File("copy.tif");
        ASSERT_TRUE(external::Run("tiffcp -c none " + file + " " + copy));
        expected = codectest::MagickRgb(copy, dir.File("m.rgb"));
    }

    CRaster image;
    ASSERT_TRUE(image.Load(file.c_str(), FORMAT_TIF)) << image.GetLastError();
    EXPECT_EQ(image.GetWidth(), c.width);
    EXPECT_EQ(image.GetHeight(), c.height);
    EXPECT_EQ(MaxDifferenceFromRgb(image, expected), 0);
}

INSTANTIATE_TEST_SUITE_P(Tools, TifNearBoundTools, ::testing::ValuesIn(kToolFiles),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

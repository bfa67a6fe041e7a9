#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <tuple>
#include <vector>

#include "CColorQuantizer.h"
#include "CRaster.h"

namespace {

using Color = std::tuple<int, int, int>;  // red, green, blue

Color Rgb(const RGBQUAD& q) { return {q.rgbRed, q.rgbGreen, q.rgbBlue}; }

// A 24-bit image showing the colours in order, each `repeat` pixels, row after row.
CRaster ImageOf(const std::vector<Color>& colors, uint32_t width, int repeat = 1) {
    const uint32_t pixels = static_cast<uint32_t>(colors.size() * repeat);
    CRaster image(width, (pixels + width - 1) / width, 24, FORMAT_UNKNOWN);
    for (uint32_t i = 0; i < image.GetWidth() * image.GetHeight(); ++i) {
        const auto [r, g, b] = colors[std::min<size_t>(i / repeat, colors.size() - 1)];
        image.SetPixelColor(i % width, i / width, RGBQUAD{uint8_t(b), uint8_t(g), uint8_t(r), 0});
    }
    return image;
}

std::vector<Color> Palette(const CColorQuantizer& q, int entries = 256) {
    std::vector<RGBQUAD> out(entries, RGBQUAD{1, 2, 3, 4});
    q.WritePalette(out.data());
    std::vector<Color> colors;
    for (uint32_t i = 0; i < q.GetLeafCount() && i < out.size(); ++i) colors.push_back(Rgb(out[i]));
    return colors;
}

// Distinct colours whose channels differ in bits 7..1 (all even).
std::vector<Color> EvenColors(int n) {
    std::vector<Color> colors;
    for (int i = 0; i < n; ++i) {
        colors.emplace_back((i % 16) * 16 + 6, (i / 16) * 16 + 2, (i * 74) & 0xFE);
    }
    return colors;
}

TEST(CColorQuantizer, KeepsUpTo256DistinctColoursExactly) {
    // Colours that differ in bits 7..1 keep a leaf each at 7 colour bits; at 8 bits any
    // distinct colours do. Either way, reducing the image with that palette changes no pixel.
    std::vector<Color> odd;
    for (int i = 0; i < 256; ++i) odd.emplace_back(i, 255 - i, (i * 7) % 256);
    for (const auto& [colors, bits] : {std::pair{EvenColors(256), 7u}, std::pair{odd, 8u}}) {
        CRaster image = ImageOf(colors, 37, 3);
        CColorQuantizer quantizer(256, bits);
        ASSERT_TRUE(quantizer.AddImage(image.GetDIB()));
        EXPECT_EQ(quantizer.GetLeafCount(), 256u);
        const std::vector<Color> palette = Palette(quantizer);
        EXPECT_EQ(std::set<Color>(palette.begin(), palette.end()),
                  std::set<Color>(colors.begin(), colors.end()));

        std::vector<RGBQUAD> entries(256, RGBQUAD{0, 0, 0, 0});
        quantizer.WritePalette(entries.data());
        CRaster reduced(image);
        ASSERT_TRUE(reduced.ReduceBpp(8, true, entries.data(), 256));
        for (int32_t y = 0; y < int32_t(image.GetHeight()); ++y) {
            for (int32_t x = 0; x < int32_t(image.GetWidth()); ++x) {
                ASSERT_EQ(Rgb(reduced.GetPixelColor(x, y)), Rgb(image.GetPixelColor(x, y)));
            }
        }
    }
}

TEST(CColorQuantizer, ColoursDifferingInTheLowestBitShareALeaf) {
    // Weighted by pixels and truncated: (3 × 10 + 1 × 11) / 4 = 10.
    CRaster image = ImageOf({{10, 200, 0}, {10, 200, 0}, {10, 200, 0}, {11, 201, 1}}, 2);
    CColorQuantizer quantizer(256, 7);
    ASSERT_TRUE(quantizer.AddImage(image.GetDIB()));
    EXPECT_EQ(Palette(quantizer), (std::vector<Color>{{10, 200, 0}}));
}

TEST(CColorQuantizer, UniformImageWritesOneEntry) {
    CRaster image(9, 4, 8, FORMAT_UNKNOWN);
    image.SetPaletteColor(0, 50, 60, 70, 9);
    image.Clear(0);
    CColorQuantizer quantizer(256, 7);
    ASSERT_TRUE(quantizer.AddImage(image.GetDIB()));
    std::vector<RGBQUAD> out(256, RGBQUAD{0, 0, 0, 0});
    quantizer.WritePalette(out.data());
    EXPECT_EQ(quantizer.GetLeafCount(), 1u);
    EXPECT_EQ(out[0], (RGBQUAD{70, 60, 50, 9}));  // the palette's fourth byte is averaged too
    EXPECT_EQ(out[1], (RGBQUAD{0, 0, 0, 0}));
}

// Merging takes the newest inner node of the deepest level: with 17 leaves for 16 places, the
// pair inserted late (A6, B) merges, not the pair completed last (A3, C), after the single-leaf
// nodes created after A6 have been folded without changing any colour.
TEST(CColorQuantizer, MergesTheNewestDeepestBranchFirst) {
    std::vector<Color> a;  // 15 colours apart in their top two bits
    for (int i = 0; i < 15; ++i) a.emplace_back((i % 4) * 64, (i / 4) * 64, 0);
    const Color b = {std::get<0>(a[6]) + 2, std::get<1>(a[6]), 0};
    const Color c = {std::get<0>(a[3]), std::get<1>(a[3]), 2};
    std::vector<Color> order(a.begin(), a.begin() + 7);
    order.push_back(b);
    order.insert(order.end(), a.begin() + 7, a.end());
    order.push_back(c);
    CRaster image = ImageOf(order, 17);
    CColorQuantizer quantizer(16, 7);
    ASSERT_TRUE(quantizer.AddImage(image.GetDIB()));
    EXPECT_EQ(quantizer.GetLeafCount(), 16u);

    std::vector<Color> expected = a;
    expected[6] = {std::get<0>(a[6]) + 1, std::get<1>(a[6]), 0};
    expected.push_back(c);
    // The tree lists leaves depth first, children by red × 4 + green × 2 + blue per bit.
    auto key = [](const Color& col) {
        uint32_t k = 0;
        for (int bit = 7; bit >= 1; --bit) {
            k = k * 8 + ((std::get<0>(col) >> bit) & 1) * 4 + ((std::get<1>(col) >> bit) & 1) * 2 +
                ((std::get<2>(col) >> bit) & 1);
        }
        return k;
    };
    std::sort(expected.begin(), expected.end(),
              [&](const Color& x, const Color& y) { return key(x) < key(y); });
    EXPECT_EQ(Palette(quantizer), expected);
}

TEST(CColorQuantizer, FewColoursAverageNeighbouringLeaves) {
    // 10 grey levels; pixel counts 1..10. With 4 wanted colours the entries cover leaves 0..1,
    // 2..4, 5..6 and 7..9, each a pixel-weighted average.
    std::vector<Color> colors;
    for (int i = 0; i < 10; ++i) {
        for (int k = 0; k <= i; ++k) colors.emplace_back(i * 20, i * 20, i * 20);
    }
    CRaster image = ImageOf(colors, 11);
    CColorQuantizer quantizer(4, 8);
    ASSERT_TRUE(quantizer.AddImage(image.GetDIB()));
    ASSERT_EQ(quantizer.GetLeafCount(), 10u);
    std::vector<RGBQUAD> out(4);
    quantizer.WritePalette(out.data());
    auto average = [](int a, int b) {
        int sum = 0, n = 0;
        for (int i = a; i < b; ++i) {
            sum += i * 20 * (i + 1);
            n += i + 1;
        }
        return sum / n;
    };
    const int ranges[4][2] = {{0, 2}, {2, 5}, {5, 7}, {7, 10}};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i].rgbRed, average(ranges[i][0], ranges[i][1])) << i;
}

TEST(CColorQuantizer, RefusesDepthsWithoutPaletteOrRgbLayout) {
    for (uint16_t bpp : {16, 32, 2, 0}) {
        std::vector<uint8_t> block(40 + 64, 0);
        BITMAPINFOHEADER head{};
        head.biSize = 40;
        head.biWidth = 2;
        head.biHeight = 2;
        head.biBitCount = bpp;
        std::memcpy(block.data(), &head, sizeof(head));
        CColorQuantizer quantizer(256, 7);
        EXPECT_FALSE(quantizer.AddImage(block.data())) << bpp;
    }
    CRaster image(2, 2, 24, FORMAT_UNKNOWN);
    CColorQuantizer noBits(256, 0);
    EXPECT_FALSE(noBits.AddImage(image.GetDIB()));
}

// A photo-like picture: smooth shading, a few soft shapes, fine texture and noise.
CRaster PhotoLike(uint32_t width, uint32_t height) {
    CRaster image(width, height, 24, FORMAT_UNKNOWN);
    uint32_t seed = 12345;
    auto noise = [&] {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % 17) - 8;
    };
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            const double sky = 1.0 - v;
            const double sun = std::exp(-((u - 0.7) * (u - 0.7) + (v - 0.3) * (v - 0.3)) * 30);
            const double texture = 0.5 + 0.5 * std::sin(x * 0.31 + std::sin(y * 0.17) * 3);
            auto clamp = [](double c) { return uint8_t(std::clamp(c, 0.0, 255.0)); };
            const double r = 60 + 120 * sky + 180 * sun + 30 * texture * v + noise();
            const double g = 80 + 90 * sky + 150 * sun + 60 * texture * v + noise();
            const double b = 40 + 200 * sky * (1 - sun) + 20 * texture + noise();
            image.SetPixelColor(x, y, RGBQUAD{clamp(b), clamp(g), clamp(r), 0});
        }
    }
    return image;
}

// The document's GIF path: 256 colours at 7 colour bits, then the reduction with error
// diffusion. Measured: a mean absolute error of 4.11 per channel (0..255) on this picture; the
// limit leaves 0.4 for floating-point differences in drawing the picture on other compilers.
TEST(CColorQuantizer, PhotoReducedTo256ColoursStaysClose) {
    const CRaster photo = PhotoLike(320, 240);
    CColorQuantizer quantizer(256, 7);
    ASSERT_TRUE(quantizer.AddImage(photo.GetDIB()));
    EXPECT_LE(quantizer.GetLeafCount(), 256u);
    std::vector<RGBQUAD> palette(256, RGBQUAD{0, 0, 0, 0});
    quantizer.WritePalette(palette.data());
    CRaster reduced(photo);
    ASSERT_TRUE(reduced.ReduceBpp(8, true, palette.data(), 256));
    double error = 0;
    for (int32_t y = 0; y < 240; ++y) {
        for (int32_t x = 0; x < 320; ++x) {
            const RGBQUAD a = photo.GetPixelColor(x, y), b = reduced.GetPixelColor(x, y);
            error += std::abs(a.rgbRed - b.rgbRed) + std::abs(a.rgbGreen - b.rgbGreen) +
                     std::abs(a.rgbBlue - b.rgbBlue);
        }
    }
    error /= 320.0 * 240 * 3;
    RecordProperty("MeanError", std::to_string(error));
    EXPECT_LT(error, 4.5);
}

}  // namespace

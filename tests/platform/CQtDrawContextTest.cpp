#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPicture>
#include <cstring>
#include <random>
#include <vector>

#include "CQtDrawContext.h"
#include "CRaster.h"

namespace {

QImage WhiteDevice(int width, int height) {
    QImage device(width, height, QImage::Format_RGB32);
    device.fill(Qt::white);
    return device;
}

// Draws with a painter that is active only for the call.
template <typename F>
bool Paint(QImage& device, F draw) {
    QPainter painter(&device);
    CQtDrawContext dc(painter);
    return draw(dc, painter);
}

// A 40-byte bitmap header followed by room for `colors` palette entries.
std::vector<uint8_t> DibHeader(int32_t width, int32_t height, uint16_t bpp, uint32_t colors) {
    std::vector<uint8_t> info(40 + 4 * size_t(colors), 0);
    const uint32_t headSize = 40;
    std::memcpy(info.data(), &headSize, 4);
    std::memcpy(info.data() + 4, &width, 4);
    std::memcpy(info.data() + 8, &height, 4);
    std::memcpy(info.data() + 14, &bpp, 2);
    std::memcpy(info.data() + 32, &colors, 4);
    return info;
}

TEST(CQtDrawContext, DisabledImageDrawsNothing) {
    CRaster image(2, 2, 24);
    image.Enable(false);
    QImage device = WhiteDevice(4, 4);
    const QImage before = device.copy();
    EXPECT_FALSE(Paint(device, [&](CDrawContext& dc, QPainter&) { return image.Draw(&dc, 0, 0); }));
    EXPECT_EQ(device, before);
}

TEST(CQtDrawContext, NegativeSizeDrawsAtTheImagesOwnSize) {
    CRaster image(3, 2, 24);                           // black
    image.SetPixelColor(2, 1, RGBQUAD{0, 0, 255, 0});  // top right red
    QImage device = WhiteDevice(6, 6);
    ASSERT_TRUE(Paint(device, [&](CDrawContext& dc, QPainter&) { return image.Draw(&dc, 1, 1); }));
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            QRgb expected = qRgb(255, 255, 255);
            if (x >= 1 && x < 4 && y >= 1 && y < 3) expected = qRgb(0, 0, 0);
            if (x == 3 && y == 1) expected = qRgb(255, 0, 0);
            EXPECT_EQ(device.pixel(x, y), expected) << x << "," << y;
        }
    }
}

TEST(CQtDrawContext, TwoByTwoAtFourByFourCoversBlocks) {
    CRaster image(2, 2, 4);
    image.SetPaletteColor(1, 255, 0, 0);
    image.SetPaletteColor(2, 0, 255, 0);
    image.SetPaletteColor(3, 0, 0, 255);
    image.SetPixelIndex(0, 1, 1);
    image.SetPixelIndex(1, 1, 2);
    image.SetPixelIndex(0, 0, 3);
    QImage device = WhiteDevice(4, 4);
    ASSERT_TRUE(Paint(device, [&](CDrawContext& dc, QPainter&) {
        return image.Draw(&dc, RECT{0, 0, 4, 4});
    }));
    const QRgb expected[2][2] = {{qRgb(255, 0, 0), qRgb(0, 255, 0)},
                                 {qRgb(0, 0, 255), qRgb(0, 0, 0)}};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(device.pixel(x, y), expected[y / 2][x / 2]) << x << "," << y;
        }
    }
}

TEST(CQtDrawContext, AlphaAndTransparentColourBlendOverTheDevice) {
    CRaster alpha(2, 2, 24);  // black with alpha 128
    alpha.CreateAlpha();
    alpha.FillAlpha(128);
    CRaster palette(3, 1, 8);
    palette.SetPaletteColor(3, 10, 20, 30);
    palette.SetPaletteColor(5, 10, 20, 30);  // equals entry 3: transparent too
    palette.SetPaletteColor(1, 10, 20, 31);
    const uint8_t indexes[3] = {3, 5, 1};
    for (int32_t x = 0; x < 3; ++x) palette.SetPixelIndex(x, 0, indexes[x]);
    palette.SetTransIndex(3);

    QImage device = WhiteDevice(8, 4);
    ASSERT_TRUE(Paint(device, [&](CDrawContext& dc, QPainter&) {
        return alpha.Draw(&dc, 0, 0, 4, 4) && palette.Draw(&dc, 4, 0);
    }));
    // (255 × 127 + 0 × 128) >> 8.
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) EXPECT_EQ(device.pixel(x, y), qRgb(126, 126, 126));
    }
    EXPECT_EQ(device.pixel(4, 0), qRgb(255, 255, 255));
    EXPECT_EQ(device.pixel(5, 0), qRgb(255, 255, 255));
    EXPECT_EQ(device.pixel(6, 0), qRgb(10, 20, 31));
}

TEST(CQtDrawContext, ClipLimitsDrawingAndIsRestored) {
    CRaster image(8, 8, 24);  // black
    const RECT clip{2, 2, 5, 6};
    for (bool earlierClip : {false, true}) {
        QImage device = WhiteDevice(8, 8);
        QPainter painter(&device);
        if (earlierClip) painter.setClipRect(QRect(1, 1, 6, 6));
        CQtDrawContext dc(painter);
        const CDrawContext::Rect before = dc.GetClipBox();
        ASSERT_TRUE(image.Draw(&dc, RECT{0, 0, 16, 16}, &clip));
        const CDrawContext::Rect after = dc.GetClipBox();
        EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0) << earlierClip;
        // Painting after the call reaches the whole earlier clip area again.
        painter.fillRect(QRect(0, 0, 8, 8), Qt::red);
        painter.end();
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const bool reachable = !earlierClip || (x >= 1 && x < 7 && y >= 1 && y < 7);
                EXPECT_EQ(device.pixel(x, y), reachable ? qRgb(255, 0, 0) : qRgb(255, 255, 255))
                    << earlierClip << " " << x << "," << y;
            }
        }
    }
    // Without the later fill: only the clip rectangle was drawn.
    QImage device = WhiteDevice(8, 8);
    ASSERT_TRUE(Paint(
        device, [&](CDrawContext& dc, QPainter&) { return image.Draw(&dc, 0, 0, -1, -1, &clip); }));
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 2 && y < 6;
            EXPECT_EQ(device.pixel(x, y), inside ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    // A clip rectangle beside the device leaves nothing to draw into, on every path.
    device = WhiteDevice(8, 8);
    const QImage white = device.copy();
    const RECT beside{20, 20, 30, 30};
    ASSERT_TRUE(Paint(device, [&](CDrawContext& dc, QPainter&) {
        const bool opaque = image.Draw(&dc, 0, 0, -1, -1, &beside);
        image.CreateAlpha();
        image.FillAlpha(255);
        return opaque && image.Draw(&dc, 0, 0, 16, 16, &beside);
    }));
    EXPECT_EQ(device, white);
}

TEST(CQtDrawContext, PutsAndReadsBackDibRows) {
    // A 1-bit 3 × 2 bitmap: header, two palette entries, two rows of 4 bytes.
    std::vector<uint8_t> info = DibHeader(3, 2, 1, 2);
    const uint8_t palette[8] = {0, 0, 255, 0, 255, 0, 0, 0};  // red, blue
    std::memcpy(info.data() + 40, palette, 8);
    const uint8_t bits[8] = {0b10000000, 0, 0, 0, 0b01100000, 0, 0, 0};

    QImage device = WhiteDevice(5, 4);
    uint8_t rows[2 * 12] = {};  // two 24-bit rows of 4 pixels (12 bytes, already aligned)
    bool readable = false;
    Paint(device, [&](CDrawContext& dc, QPainter&) {
        dc.PutDibRows(1, 1, 3, 2, info.data(), bits);
        readable = dc.ReadRows(0, 1, 4, 2, rows, 12);
        return true;
    });
    // Top line is DIB row 1: red, blue, blue; bottom line row 0: blue, red, red.
    EXPECT_EQ(device.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(device.pixel(2, 1), qRgb(0, 0, 255));
    EXPECT_EQ(device.pixel(1, 2), qRgb(0, 0, 255));
    EXPECT_EQ(device.pixel(3, 2), qRgb(255, 0, 0));
    EXPECT_EQ(device.pixel(4, 1), qRgb(255, 255, 255));
    ASSERT_TRUE(readable);
    // Row 0 of the read-back is the rectangle's bottom line (device y 2), blue first.
    const uint8_t bottom[12] = {255, 255, 255, 255, 0, 0, 0, 0, 255, 0, 0, 255};
    const uint8_t top[12] = {255, 255, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0};
    EXPECT_EQ(std::memcmp(rows, bottom, 12), 0);
    EXPECT_EQ(std::memcmp(rows + 12, top, 12), 0);

    QPicture picture;
    QPainter painter(&picture);
    CQtDrawContext dc(painter);
    EXPECT_FALSE(dc.ReadRows(0, 0, 1, 1, rows, 12));
}

// A bitmap block of random rows whose palette has `colors` entries (0 for 24 bits), so that
// higher indexes lie beyond it; and the colour the block shows at column x, line y from the top.
struct Dib {
    int32_t width, height;
    uint16_t bpp;
    uint32_t colors;
    std::vector<uint8_t> info;
    std::vector<uint8_t> bits;
    size_t stride;

    Dib(int32_t w, int32_t h, uint16_t depth, uint32_t paletteSize, uint32_t seed)
        : width(w), height(h), bpp(depth), colors(paletteSize) {
        std::mt19937 random(seed);
        info = DibHeader(width, height, bpp, colors);
        for (size_t i = 40; i < info.size(); ++i) info[i] = uint8_t(random());
        stride = ((size_t(width) * bpp + 31) / 32) * 4;
        bits.resize(stride * size_t(height));
        for (uint8_t& b : bits) b = uint8_t(random());
    }

    QRgb At(int32_t x, int32_t y) const {
        const uint8_t* row = bits.data() + size_t(height - 1 - y) * stride;
        if (bpp == 24) return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        uint32_t index = row[x * bpp / 8];
        if (bpp == 4) index = (x & 1) ? (index & 15) : (index >> 4);
        if (bpp == 1) index = (index >> (7 - (x & 7))) & 1;
        if (index >= colors) return qRgb(0, 0, 0);
        const uint8_t* e = info.data() + 40 + 4 * index;
        return qRgb(e[2], e[1], e[0]);
    }
};

TEST(CQtDrawContext, PutsRowsIntoEveryKindOfDevice) {
    // Odd widths leave row padding; each palette stops short of the last index.
    const Dib dibs[] = {{13, 5, 1, 1, 1}, {13, 5, 4, 15, 2}, {13, 5, 8, 255, 3}, {13, 5, 24, 0, 4}};
    const QPoint places[] = {{2, 1}, {-3, -2}, {9, 6}};
    // Rows go straight into a 32-bit image, also within a clip rectangle; into a 24-bit image
    // they are painted.
    enum class Device { Plain, Clipped, TwentyFourBit };
    const QRect clip(1, 2, 12, 5);
    for (const Dib& dib : dibs) {
        for (const QPoint at : places) {
            for (const Device kind : {Device::Plain, Device::Clipped, Device::TwentyFourBit}) {
                QImage device = WhiteDevice(16, 9);
                if (kind == Device::TwentyFourBit)
                    device = device.convertToFormat(QImage::Format_RGB888);
                Paint(device, [&](CDrawContext& dc, QPainter& painter) {
                    if (kind == Device::Clipped) painter.setClipRect(clip);
                    dc.PutDibRows(at.x(), at.y(), 11, 4, dib.info.data(), dib.bits.data());
                    return true;
                });
                // The lowest 4 rows and leftmost 11 columns, bitmap row 3 on top.
                for (int y = 0; y < device.height(); ++y) {
                    for (int x = 0; x < device.width(); ++x) {
                        const int c = x - at.x(), line = y - at.y();
                        const bool inside = c >= 0 && c < 11 && line >= 0 && line < 4 &&
                                            (kind != Device::Clipped || clip.contains(x, y));
                        const QRgb expected = inside ? dib.At(c, line + 1) : qRgb(255, 255, 255);
                        ASSERT_EQ(device.pixel(x, y), expected)
                            << dib.bpp << " at " << at.x() << "," << at.y() << " device "
                            << int(kind) << ": " << x << "," << y;
                    }
                }
            }
        }
    }
}

}  // namespace

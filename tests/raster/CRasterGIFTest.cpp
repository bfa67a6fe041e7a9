#include <gtest/gtest.h>

#include <array>
#include <random>

#include "CRasterGIF.h"
#include "CodecTestSupport.h"
#include "TempDir.h"

using namespace codectest;

namespace {

// GIF data built by hand. Codes are packed with the widths an LZW decoder expects.
Bytes PackCodes(int minSize, const std::vector<int>& codes) {
    const int clear = 1 << minSize, end = clear + 1;
    int width = minSize + 1, next = clear + 2, top = 1 << width;
    bool first = true;
    Bytes bytes;
    uint32_t acc = 0;
    int bits = 0;
    for (int code : codes) {
        acc |= uint32_t(code) << bits;
        bits += width;
        while (bits >= 8) {
            bytes.push_back(uint8_t(acc));
            acc >>= 8;
            bits -= 8;
        }
        if (code == clear) {
            width = minSize + 1;
            next = clear + 2;
            top = 1 << width;
            first = true;
        } else if (code != end && !first && next < top) {
            if (++next >= top && width < 12) {
                top <<= 1;
                ++width;
            }
        } else {
            first = false;
        }
    }
    if (bits > 0) bytes.push_back(uint8_t(acc));
    Bytes out;
    out.push_back(uint8_t(minSize));
    for (size_t i = 0; i < bytes.size(); i += 255) {
        const size_t n = std::min<size_t>(255, bytes.size() - i);
        out.push_back(uint8_t(n));
        out.insert(out.end(), bytes.begin() + i, bytes.begin() + i + n);
    }
    out.push_back(0);
    return out;
}

// Literal codes of the pixels, framed by a clear and an end code.
std::vector<int> Literals(int minSize, const std::vector<int>& pixels) {
    std::vector<int> codes{1 << minSize};
    codes.insert(codes.end(), pixels.begin(), pixels.end());
    codes.push_back((1 << minSize) + 1);
    return codes;
}

struct Gif {
    Bytes data;
    Gif(int width, int height, int globalColors, const char* version = "GIF89a") {
        data.insert(data.end(), version, version + 6);
        Put16(data, width);
        Put16(data, height);
        int bits = 0;
        while ((2 << bits) < globalColors) ++bits;
        data.push_back(globalColors ? uint8_t(0x80 | bits) : 0);
        data.push_back(0);
        data.push_back(0);
        for (int i = 0; i < (globalColors ? (2 << bits) : 0); ++i) {
            data.insert(data.end(), {uint8_t(i * 10), uint8_t(i * 20), uint8_t(i * 30)});
        }
    }
    Gif& Control(int disposal, int transIndex, int delay = 0) {
        data.insert(data.end(), {0x21, 0xF9, 4});
        data.push_back(uint8_t((disposal << 2) | (transIndex >= 0 ? 1 : 0)));
        Put16(data, delay);
        data.insert(data.end(), {uint8_t(transIndex), 0});
        return *this;
    }
    Gif& Image(int left, int top, int width, int height, const Bytes& lzw, uint8_t flags = 0,
               const Bytes& localTable = {}) {
        data.push_back(0x2C);
        Put16(data, left);
        Put16(data, top);
        Put16(data, width);
        Put16(data, height);
        data.push_back(flags);
        Append(data, localTable);
        Append(data, lzw);
        return *this;
    }
    Gif& Raw(const Bytes& bytes) {
        Append(data, bytes);
        return *this;
    }
    Bytes End() const {
        Bytes out = data;
        out.push_back(';');
        return out;
    }
};

// Top-down rows of palette indices.
std::vector<std::vector<int>> Indices(const CRaster& image) {
    std::vector<std::vector<int>> rows;
    for (int32_t y = int32_t(image.GetHeight()) - 1; y >= 0; --y) {
        rows.emplace_back();
        for (int32_t x = 0; x < int32_t(image.GetWidth()); ++x) {
            rows.back().push_back(image.GetPixelIndex(x, y));
        }
    }
    return rows;
}

std::vector<int> Rgb(const RGBQUAD& c) { return {c.rgbRed, c.rgbGreen, c.rgbBlue}; }

bool DecodeFrame(CRaster& image, const Bytes& data, int frame = 0) {
    image.SetFrame(frame);
    return DecodeBytes(image, data, FORMAT_GIF);
}

TEST(CRasterGIF, DecodesVersionsAndRefusesOtherSignatures) {
    for (const char* version : {"GIF87a", "GIF89a"}) {
        CRaster image;
        ASSERT_TRUE(DecodeFrame(
            image,
            Gif(3, 1, 4, version).Image(0, 0, 3, 1, PackCodes(2, Literals(2, {1, 2, 3}))).End()))
            << version << image.GetLastError();
        EXPECT_EQ(Indices(image), (std::vector<std::vector<int>>{{1, 2, 3}}));
        EXPECT_EQ(image.GetBpp(), 4u);  // a 4-entry table needs 4 bits
        EXPECT_EQ(image.GetNumFrames(), 1);
        EXPECT_EQ(image.GetType(), uint32_t{FORMAT_GIF});
        const RGBQUAD c = image.GetPaletteColor(2);
        EXPECT_EQ((std::vector<int>{c.rgbRed, c.rgbGreen, c.rgbBlue}),
                  (std::vector<int>{20, 40, 60}));
    }
    CRaster image;
    Bytes png = Gif(3, 1, 4).End();
    png[3] = '9';
    EXPECT_FALSE(DecodeFrame(image, png));
    EXPECT_STREQ(image.GetLastError(), "Not a GIF file");
}

TEST(CRasterGIF, InterlacedRowsLandInPassOrder) {
    for (int height = 1; height <= 17; ++height) {
        SCOPED_TRACE(height);
        // Lines on file come in pass order; each line's pixel is its own row number.
        std::vector<int> order;
        for (int r = 0; r < height; r += 8) order.push_back(r);
        for (int r = 4; r < height; r += 8) order.push_back(r);
        for (int r = 2; r < height; r += 4) order.push_back(r);
        for (int r = 1; r < height; r += 2) order.push_back(r);
        CRaster image;
        ASSERT_TRUE(
            DecodeFrame(image, Gif(1, height, 256)
                                   .Image(0, 0, 1, height, PackCodes(8, Literals(8, order)), 0x40)
                                   .End()));
        for (int r = 0; r < height; ++r) EXPECT_EQ(Indices(image)[r][0], r);
    }
}

TEST(CRasterGIF, ExtraLinesAreDroppedAndIndicesMasked) {
    // Four 4-bit pixels on 2 × 1 pixels: the second line must not overwrite the first.
    CRaster image;
    ASSERT_TRUE(DecodeFrame(
        image,
        Gif(2, 1, 16).Image(0, 0, 2, 1, PackCodes(8, Literals(8, {0xF3, 0x25, 7, 7}))).End()));
    EXPECT_EQ(Indices(image), (std::vector<std::vector<int>>{{3, 5}}));
    // 1-bit rows: 2 stays 0, 3 becomes 1, neighbours untouched.
    ASSERT_TRUE(DecodeFrame(
        image, Gif(4, 1, 2).Image(0, 0, 4, 1, PackCodes(2, Literals(2, {1, 2, 3, 0}))).End()));
    EXPECT_EQ(Indices(image), (std::vector<std::vector<int>>{{1, 0, 1, 0}}));
}

TEST(CRasterGIF, LzwFaultsEndTheFrame) {
    struct Case {
        const char* name;
        int minSize;
        std::vector<int> codes;
        std::vector<int> firstRow;  // decoded pixels of the 4 × 1 frame
    };
    const Case cases[] = {
        {"clear then end", 2, {4, 5}, {0, 0, 0, 0}},
        {"code past the next free slot", 2, {4, 1, 7, 2}, {1, 0, 0, 0}},
        {"first code after clear is no pixel", 2, {4, 6, 1}, {0, 0, 0, 0}},
        {"repeated string", 2, {4, 1, 6, 2}, {1, 1, 1, 2}},
        {"no end code", 2, {4, 1, 2}, {1, 2, 0, 0}},
        {"minimum code size 9", 9, {512, 1, 2, 3, 513}, {1, 2, 3, 0}},
        {"minimum code size 10", 10, {1024, 1, 2, 1025}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRaster image;
        ASSERT_TRUE(DecodeFrame(
            image, Gif(4, 1, 256).Image(0, 0, 4, 1, PackCodes(c.minSize, c.codes)).End()))
            << image.GetLastError();
        EXPECT_EQ(Indices(image)[0], c.firstRow);
    }
}

TEST(CRasterGIF, FramesCompositeWithDisposalOne) {
    const Bytes frame0 = PackCodes(2, Literals(2, {1, 1, 1, 1}));
    const Bytes frame1 = PackCodes(2, Literals(2, {2, 3}));  // 2 × 1 at (1, 0), 3 transparent
    const Bytes frame2 = PackCodes(2, Literals(2, {0}));     // 1 × 1 at (0, 1)
    const Bytes file = Gif(2, 2, 4)
                           .Image(0, 0, 2, 2, frame0)
                           .Control(1, 3, 7)
                           .Image(0, 0, 2, 1, frame1)
                           .Control(1, 3)
                           .Image(0, 1, 1, 1, frame2)
                           .End();
    CRaster image;
    ASSERT_TRUE(DecodeFrame(image, file, 2)) << image.GetLastError();
    EXPECT_EQ(image.GetNumFrames(), 3);
    EXPECT_EQ(Indices(image), (std::vector<std::vector<int>>{{2, 1}, {0, 1}}));
    ASSERT_TRUE(DecodeFrame(image, file, 1));
    EXPECT_EQ(Indices(image), (std::vector<std::vector<int>>{{2, 1}, {1, 1}}));
    EXPECT_EQ(image.GetFrameDelay(), 7u);
    // The first frame's transparency is the counting pass's no more.
    ASSERT_TRUE(DecodeFrame(image, file, 0));
    EXPECT_EQ(image.GetTransIndex(), -1);

    CRaster outside;
    outside.SetFrame(3);
    TempDir dir;
    WriteFile(dir.File("anim.gif"), file);
    EXPECT_FALSE(outside.Load(dir.File("anim.gif").c_str(), FORMAT_GIF));
    EXPECT_EQ(outside.GetNumFrames(), 3);
    EXPECT_STREQ(outside.GetLastError(), "GIF frame not found");
}

TEST(CRasterGIF, PassesOverEmptyAndOffScreenFrames) {
    const Bytes file = Gif(2, 1, 4)
                           .Image(1, 0, 2, 1, PackCodes(2, Literals(2, {3, 3})), 0x81,
                                  Bytes(12, 9))  // reaches past the screen, local table
                           .Image(0, 0, 0, 1, PackCodes(2, Literals(2, {})))
                           .Image(0, 0, 2, 1, PackCodes(2, Literals(2, {2, 1})))
                           .End();
    CRaster image;
    ASSERT_TRUE(DecodeFrame(image, file)) << image.GetLastError();
    EXPECT_EQ(image.GetNumFrames(), 1);
    EXPECT_EQ(Indices(image), (std::vector<std::vector<int>>{{2, 1}}));
}

TEST(CRasterGIF, LocalTableServesOnlyItsFrame) {
    Bytes red(12, 0);
    red[3] = 255;  // entry 1 red
    const Bytes file = Gif(1, 1, 4)
                           .Image(0, 0, 1, 1, PackCodes(2, Literals(2, {1})), 0x81, red)
                           .Image(0, 0, 1, 1, PackCodes(2, Literals(2, {1})))
                           .End();
    CRaster image;
    ASSERT_TRUE(DecodeFrame(image, file, 0));
    EXPECT_EQ(Rgb(image.GetPixelColor(0, 0)), (std::vector<int>{255, 0, 0}));
    ASSERT_TRUE(DecodeFrame(image, file, 1));
    EXPECT_EQ(Rgb(image.GetPixelColor(0, 0)), (std::vector<int>{10, 20, 30}));
}

TEST(CRasterGIF, ExtensionsAreReadAndBadOnesEndTheFile) {
    const Bytes pixels = PackCodes(2, Literals(2, {1}));
    // Comment, application extension with an empty data part, and an unknown label.
    const Bytes ok =
        Gif(1, 1, 4)
            .Raw({0x21, 0xFE, 2, 'h', 'i', 0})
            .Raw({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0})
            .Raw({0x21, 0x01, 1, 9, 0})
            .Image(0, 0, 1, 1, pixels)
            .End();
    CRaster image;
    ASSERT_TRUE(DecodeFrame(image, ok)) << image.GetLastError();
    EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
    // A graphic control block of 5 bytes before the first image: nothing to show.
    const Bytes bad =
        Gif(1, 1, 4).Raw({0x21, 0xF9, 5, 0, 0, 0, 0, 0, 0}).Image(0, 0, 1, 1, pixels).End();
    EXPECT_FALSE(DecodeFrame(image, bad));
    EXPECT_STREQ(image.GetLastError(), "Error reading GIF data");
}

// Headers claiming far more pixels than their data can describe fail before the image is made,
// whether the file is whole or cut short.
TEST(CRasterGIF, RefusesLyingFrameSizes) {
    const Bytes few = PackCodes(2, {4, 1, 5});
    Gif huge = Gif(60000, 60000, 4).Image(0, 0, 60000, 60000, few);
    // Frames that each claim a megapixel with a few bytes: the slack is shared, not per frame.
    Gif many(1024, 1024, 4);
    for (int i = 0; i < 3; ++i) many.Control(1, -1).Image(0, 0, 1024, 1024, few);
    // A mosaic of 1 × 1 tiles on a screen of 60000 × 60000.
    Gif mosaic = Gif(60000, 60000, 0).Image(0, 0, 1, 1, few).Image(1, 0, 1, 1, few);
    struct Case {
        const char* name;
        Bytes file;
        int frame;
    };
    const Case cases[] = {
        {"whole", huge.End(), 0},
        {"cut", Bytes(huge.data.begin(), huge.data.end() - 2), 0},
        {"many frames", many.End(), 2},
        {"mosaic", mosaic.End(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRaster image;
        EXPECT_FALSE(DecodeFrame(image, c.file, c.frame));
        EXPECT_STREQ(image.GetLastError(), "GIF image too large");
        EXPECT_FALSE(image.IsValid());
    }
    CRaster first;
    EXPECT_TRUE(DecodeFrame(first, many.End(), 0)) << first.GetLastError();
}

Bytes SmallAnimation() {
    return Gif(3, 2, 4)
        .Raw({0x21, 0xFE, 1, 'x', 0})
        .Control(1, 0, 5)
        .Image(0, 0, 3, 2, PackCodes(2, Literals(2, {1, 2, 3, 3, 2, 1})))
        .Control(1, 0)
        .Image(1, 0, 2, 2, PackCodes(2, Literals(2, {0, 1, 2, 0})), 0xC1, Bytes(12, 7))
        .End();
}

TEST(CRasterGIF, SurvivesDamagedFiles) {
    std::mt19937 random(11);
    CRaster written(23, 19, 8, FORMAT_GIF);
    PaintPattern(written);
    CRasterMemoryStream stream;
    ASSERT_TRUE(stream.Open());
    ASSERT_TRUE(written.Encode(&stream, FORMAT_GIF));
    const Bytes encoded(stream.GetBuffer(false), stream.GetBuffer(false) + stream.Size());
    for (const Bytes& full : {SmallAnimation(), encoded}) {
        for (int round = 0; round < 2000; ++round) {
            Bytes damaged = full;
            for (int k = 0; k < 4; ++k) damaged[random() % damaged.size()] = uint8_t(random());
            CRaster image;
            if (!DecodeFrame(image, damaged, round % 3)) {
                EXPECT_STRNE(image.GetLastError(), "");
            }
        }
    }
}

// The blocks of a GIF file as written: screen flags, and per image block its descriptor and
// minimum code size and the offset of the data behind it, and per graphic control block its
// flags and index.
struct GifLayout {
    int screenFlags = -1;
    struct Block {
        int left, top, width, height, flags, minCodeSize;
        size_t dataOffset;
    };
    std::vector<Block> images;
    std::vector<std::pair<int, int>> controls;
    bool trailer = false;
};

GifLayout ParseLayout(const Bytes& d) {
    GifLayout layout;
    if (d.size() < 13) return layout;
    layout.screenFlags = d[10];
    size_t p = 13 + ((d[10] & 0x80) ? 3 * (2u << (d[10] & 7)) : 0);
    auto skipSubBlocks = [&] {
        while (p < d.size() && d[p] != 0) p += d[p] + 1;
        ++p;
    };
    while (p < d.size()) {
        const uint8_t b = d[p++];
        if (b == ';') {
            layout.trailer = true;
            break;
        }
        if (b == 0x21) {
            if (d[p] == 0xF9) layout.controls.emplace_back(d[p + 2], d[p + 5]);
            ++p;
            skipSubBlocks();
        } else if (b == 0x2C) {
            auto u16 = [&](size_t at) { return d[at] | (d[at + 1] << 8); };
            GifLayout::Block block{u16(p), u16(p + 2), u16(p + 4), u16(p + 6), d[p + 8], 0, 0};
            p += 9 + ((block.flags & 0x80) ? 3 * (2u << (block.flags & 7)) : 0);
            block.minCodeSize = d[p++];
            block.dataOffset = p;
            layout.images.push_back(block);
            skipSubBlocks();
        } else {
            break;
        }
    }
    return layout;
}

Bytes EncodeToBytes(CRaster& image) {
    CRasterMemoryStream stream;
    EXPECT_TRUE(stream.Open());
    EXPECT_TRUE(image.Encode(&stream, FORMAT_GIF)) << image.GetLastError();
    return Bytes(stream.GetBuffer(false), stream.GetBuffer(false) + stream.Size());
}

// Top-down indices of every row, one after the other.
std::vector<int> Flat(const CRaster& image) {
    std::vector<int> all;
    for (const auto& row : Indices(image)) all.insert(all.end(), row.begin(), row.end());
    return all;
}

// A file cut short shows what its data holds: the pixels decoded up to the cut as in the whole
// file, the rest 0. A file cut before its first frame's code size has nothing to show.
TEST(CRasterGIF, CutFilesShowWhatTheyHold) {
    for (uint32_t bpp : {4u, 8u}) {
        for (uint32_t option : {0u, 1u, 2u}) {
            SCOPED_TRACE(std::to_string(bpp) + " bits, option " + std::to_string(option));
            CRaster written(23, 19, bpp, FORMAT_GIF);
            PaintPattern(written, 3);
            written.SetCodecOption(option);
            const Bytes full = EncodeToBytes(written);
            const std::vector<int> all = Flat(written);
            const size_t dataOffset = ParseLayout(full).images.at(0).dataOffset;
            size_t lastShown = 0;
            for (size_t n = 0; n < full.size(); ++n) {
                CRaster image;
                const bool ok = DecodeFrame(image, Bytes(full.begin(), full.begin() + n));
                ASSERT_EQ(ok, n >= dataOffset) << n << " " << image.GetLastError();
                if (!ok) continue;
                const std::vector<int> got = Flat(image);
                ASSERT_EQ(got.size(), all.size());
                const size_t shown =
                    std::mismatch(got.begin(), got.end(), all.begin()).first - got.begin();
                ASSERT_TRUE(std::all_of(got.begin() + shown, got.end(), [](int v) {
                    return v == 0;
                })) << n;
                ASSERT_GE(shown, lastShown) << n;
                // Past the first sub-block, some of the picture shows.
                if (n > dataOffset + 257) {
                    ASSERT_GT(shown, 0u) << n;
                }
                lastShown = shown;
            }
            // Only the trailer missing: the whole picture.
            EXPECT_EQ(lastShown, all.size());
        }
    }
    // A 24-bit picture cut before its second tile: the first tile, the rest black.
    CRaster colour(40, 20, 24, FORMAT_GIF);
    PaintPattern(colour);
    const Bytes tiles = EncodeToBytes(colour);
    const size_t secondTile = ParseLayout(tiles).images.at(1).dataOffset;
    CRaster cutColour;
    ASSERT_TRUE(DecodeFrame(cutColour, Bytes(tiles.begin(), tiles.begin() + secondTile - 1)));
    ASSERT_EQ(cutColour.GetWidth(), 40u);
    ASSERT_EQ(cutColour.GetHeight(), 20u);
    for (int32_t t = 0; t < 20; ++t) {
        for (int32_t x = 0; x < 40; ++x) {
            const RGBQUAD expected =
                x < 17 && t < 15 ? colour.GetPixelColor(x, 19 - t) : RGBQUAD{0, 0, 0, 0};
            ASSERT_EQ(Rgb(cutColour.GetPixelColor(x, 19 - t)), Rgb(expected)) << x << "," << t;
        }
    }
    // An animation cut inside its second frame's header has one frame; cut inside its data,
    // the second frame is drawn over the first as far as it goes.
    const Bytes anim = SmallAnimation();
    const GifLayout layout = ParseLayout(anim);
    ASSERT_EQ(layout.images.size(), 2u);
    for (size_t n = layout.images[0].dataOffset; n < anim.size(); ++n) {
        const Bytes cut(anim.begin(), anim.begin() + n);
        CRaster image;
        ASSERT_TRUE(DecodeFrame(image, cut, 0)) << n;
        const bool second = n >= layout.images[1].dataOffset;
        EXPECT_EQ(DecodeFrame(image, cut, 1), second) << n;
        EXPECT_EQ(image.GetNumFrames(), second ? 2 : 1) << n;
        if (!second) {
            EXPECT_STREQ(image.GetLastError(), "GIF frame not found");
        }
    }
    CRaster image;
    ASSERT_TRUE(DecodeFrame(image, Bytes(anim.begin(), anim.end() - 1), 1));
    EXPECT_EQ(Indices(image), (std::vector<std::vector<int>>{{1, 2, 1}, {3, 2, 1}}));
}

TEST(CRasterGIF, WritesTheLayoutOfEachDepth) {
    struct Case {
        uint32_t bpp;
        int screenFlags, minCodeSize;
    };
    for (const Case& c : {Case{1, 0x80, 2}, Case{4, 0xB3, 4}, Case{8, 0xF7, 8}}) {
        CRaster image(5, 3, c.bpp, FORMAT_GIF);
        PaintPattern(image);
        const GifLayout layout = ParseLayout(EncodeToBytes(image));
        EXPECT_EQ(layout.screenFlags, c.screenFlags);
        ASSERT_EQ(layout.images.size(), 1u);
        EXPECT_EQ(layout.images[0].minCodeSize, c.minCodeSize);
        EXPECT_EQ(layout.images[0].flags, 0);
        EXPECT_TRUE(layout.trailer);
        // Without transparent index: flags bit 0 clear and index byte 0xFF.
        ASSERT_EQ(layout.controls.size(), 1u);
        EXPECT_EQ(layout.controls[0], std::make_pair(0, 0xFF));
    }
    CRaster transparent(5, 3, 8, FORMAT_GIF);
    transparent.SetTransIndex(9);
    EXPECT_EQ(ParseLayout(EncodeToBytes(transparent)).controls[0], std::make_pair(1, 9));
}

TEST(CRasterGIF, WritesTrueColourAsTiles) {
    CRaster image(40, 20, 24, FORMAT_GIF);
    PaintPattern(image);
    const GifLayout layout = ParseLayout(EncodeToBytes(image));
    EXPECT_EQ(layout.screenFlags, 0x11);
    const std::vector<std::array<int, 4>> expected = {{0, 0, 17, 15},  {17, 0, 17, 15},
                                                      {34, 0, 6, 15},  {0, 15, 17, 5},
                                                      {17, 15, 17, 5}, {34, 15, 6, 5}};
    ASSERT_EQ(layout.images.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const GifLayout::Block& b = layout.images[i];
        EXPECT_EQ((std::array<int, 4>{b.left, b.top, b.width, b.height}), expected[i]) << i;
        EXPECT_EQ(b.flags, 0x87);
        EXPECT_EQ(b.minCodeSize, 8);
    }
}

TEST(CRasterGIF, RunLengthCodesShrinkRunsOnly) {
    CRaster uniform(100, 100, 8, FORMAT_GIF);
    uniform.Clear(7);
    uniform.SetCodecOption(1);
    const size_t plain = EncodeToBytes(uniform).size();
    uniform.SetCodecOption(0);
    EXPECT_LT(EncodeToBytes(uniform).size() * 10, plain);
    // Neighbouring pixels that always differ: one 9-bit code per pixel (the run-length coder
    // clears before the width grows), a clear code every 254 codes, 255-byte sub-blocks.
    CRaster noisy(100, 100, 8, FORMAT_GIF);
    for (int32_t y = 0; y < 100; ++y) {
        for (int32_t x = 0; x < 100; ++x) noisy.SetPixelIndex(x, y, uint8_t(x + y * 3));
    }
    noisy.SetCodecOption(0);
    const double header = 13 + 768 + 8 + 10 + 1 + 1 + 1;
    const double codes = 10000 * 255.0 / 254.0;
    // 1 %: the last sub-block and the few codes around the clears are not counted exactly.
    EXPECT_NEAR(double(EncodeToBytes(noisy).size()), header + codes * 9 / 8 * 256 / 255,
                codes * 9 / 8 * 0.01);
}

TEST(CRasterGIF, RefusesWhatItCannotWrite) {
    CRaster wide(70000, 1, 1, FORMAT_GIF);
    CRasterMemoryStream stream;
    ASSERT_TRUE(stream.Open());
    EXPECT_FALSE(wide.Encode(&stream, FORMAT_GIF));
    EXPECT_STREQ(wide.GetLastError(), "GIF image too large");
    CRaster empty;
    EXPECT_FALSE(empty.Encode(&stream, FORMAT_GIF));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
}

TEST(CRasterGIF, FailedWriteFailsTheEncode) {
    for (uint32_t bpp : {8u, 24u}) {
        for (uint32_t option : {0u, 1u, 2u}) {
            CRaster image(40, 30, bpp, FORMAT_GIF);
            PaintPattern(image);
            image.SetCodecOption(option);
            for (size_t room : {0u, 12u, 800u, 1500u}) {
                CLimitedStream stream(room);
                EXPECT_FALSE(image.Encode(&stream, FORMAT_GIF))
                    << bpp << " " << option << " " << room;
                EXPECT_STREQ(image.GetLastError(), "Write Error in GIF file");
            }
        }
    }
}

struct RoundTripCase {
    uint32_t bpp, width, height, option;
};

class CRasterGIFRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(CRasterGIFRoundTrip, ThroughTheDispatch) {
    const RoundTripCase c = GetParam();
    TempDir dir;
    const std::string file = dir.File("round.gif");
    CRaster image(c.width, c.height, c.bpp, FORMAT_UNKNOWN);
    PaintPattern(image, c.option + 2);
    image.SetCodecOption(c.option);
    ASSERT_TRUE(image.Save(file.c_str(), FORMAT_GIF)) << image.GetLastError();
    for (uint32_t id : {uint32_t{FORMAT_GIF}, uint32_t{FORMAT_UNKNOWN}}) {
        CRaster back;
        ASSERT_TRUE(back.Load(file.c_str(), id)) << back.GetLastError();
        EXPECT_EQ(back.GetType(), uint32_t{FORMAT_GIF});
        EXPECT_EQ(back.GetWidth(), c.width);
        EXPECT_EQ(back.GetHeight(), c.height);
        // A 24-bit image of one tile is one frame: it comes back as that 8-bit tile.
        const bool oneTile = c.bpp == 24 && c.width <= 17 && c.height <= 15;
        EXPECT_EQ(back.GetBpp(), oneTile ? 8u : c.bpp);
        EXPECT_EQ(TopDownRgb(back), TopDownRgb(image));
        if (c.bpp <= 8) {
            EXPECT_EQ(Indices(back), Indices(image));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    DepthsAndCompressors, CRasterGIFRoundTrip,
    ::testing::Values(RoundTripCase{1, 13, 7, 0}, RoundTripCase{1, 13, 7, 1},
                      RoundTripCase{1, 13, 7, 2}, RoundTripCase{4, 13, 7, 0},
                      RoundTripCase{4, 13, 7, 1}, RoundTripCase{4, 13, 7, 2},
                      RoundTripCase{8, 97, 71, 0}, RoundTripCase{8, 97, 71, 1},
                      RoundTripCase{8, 97, 71, 2}, RoundTripCase{24, 40, 20, 0},
                      RoundTripCase{24, 40, 20, 2}, RoundTripCase{24, 10, 40, 1},
                      RoundTripCase{24, 45, 9, 0}, RoundTripCase{24, 17, 15, 0}));

// Pillow's palette indices of a file's first frame, or empty on failure.
Bytes PillowIndices(const std::string& file, const std::string& rawOut) {
    const std::string script = "from PIL import Image; im = Image.open('" + file +
                               "'); assert im.mode == 'P', im.mode; open('" + rawOut +
                               "', 'wb').write(im.tobytes())";
    if (!external::Run(external::PillowPython() + " -c \"" + script + "\"")) return {};
    return ReadFile(rawOut);
}

class CRasterGIFTools : public ::testing::TestWithParam<RoundTripCase> {};

// Each compressor writes files that giflib-compatible readers decode to the same indices and
// colours; 24-bit mosaics composite to the same picture.
TEST_P(CRasterGIFTools, ReadWhatIsWritten) {
    const bool magick = external::HaveImageMagick();
    const bool pillow = !external::PillowPython().empty();
    if (!magick && !pillow) GTEST_SKIP() << "neither ImageMagick nor Pillow installed";
    const RoundTripCase c = GetParam();
    TempDir dir;
    const std::string file = dir.File("ours.gif");
    CRaster image(c.width, c.height, c.bpp, FORMAT_UNKNOWN);
    PaintPattern(image, 5);
    image.SetCodecOption(c.option);
    ASSERT_TRUE(image.Save(file.c_str(), FORMAT_GIF));
    if (c.bpp <= 8) {
        if (pillow) {
            Bytes indices;
            for (const auto& row : Indices(image))
                indices.insert(indices.end(), row.begin(), row.end());
            EXPECT_EQ(PillowIndices(file, dir.File("p.idx")), indices);
            EXPECT_EQ(PillowRgb(file, dir.File("p.rgb")), TopDownRgb(image));
        }
        if (magick) {
            EXPECT_EQ(MagickRgb(file, dir.File("m.rgb")), TopDownRgb(image));
        }
        return;
    }
    if (magick) {
        ASSERT_TRUE(external::Run(external::kConvert + " '" + file + "' -flatten -depth 8 rgb:'" +
                                  dir.File("m.rgb") + "'"));
        EXPECT_EQ(ReadFile(dir.File("m.rgb")), TopDownRgb(image));
    }
    if (pillow) {
        const std::string script = "from PIL import Image; im = Image.open('" + file +
                                   "'); im.seek(im.n_frames - 1); open('" + dir.File("p.rgb") +
                                   "', 'wb').write(im.convert('RGB').tobytes())";
        ASSERT_TRUE(external::Run(external::PillowPython() + " -c \"" + script + "\""));
        EXPECT_EQ(ReadFile(dir.File("p.rgb")), TopDownRgb(image));
    }
}

INSTANTIATE_TEST_SUITE_P(
    DepthsAndCompressors, CRasterGIFTools,
    ::testing::Values(RoundTripCase{1, 13, 7, 0}, RoundTripCase{1, 13, 7, 1},
                      RoundTripCase{1, 13, 7, 2}, RoundTripCase{4, 13, 7, 0},
                      RoundTripCase{4, 13, 7, 1}, RoundTripCase{4, 13, 7, 2},
                      RoundTripCase{8, 150, 90, 0}, RoundTripCase{8, 150, 90, 1},
                      RoundTripCase{8, 150, 90, 2}, RoundTripCase{24, 40, 20, 0},
                      RoundTripCase{24, 40, 20, 1}, RoundTripCase{24, 40, 20, 2}));

// Files the tools write decode here as the tools decode them.
TEST(CRasterGIF, ReadsFilesTheToolsWrite) {
    if (!external::HaveImageMagick()) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    const std::string source = dir.File("source.png");
    ASSERT_TRUE(
        external::Run(external::kConvert + " -seed 3 -size 37x23 plasma:fractal '" + source + "'"));
    for (const char* options : {"-colors 200", "-colors 12", "-colors 2",
                                "-colors 200 -interlace GIF", "-colors 5 -interlace GIF"}) {
        SCOPED_TRACE(options);
        const std::string file = dir.File("tool.gif");
        ASSERT_TRUE(
            external::Run(external::kConvert + " '" + source + "' " + options + " '" + file + "'"));
        CRaster image;
        ASSERT_TRUE(image.Load(file.c_str(), FORMAT_GIF)) << image.GetLastError();
        EXPECT_EQ(image.GetWidth(), 37u);
        EXPECT_EQ(TopDownRgb(image), MagickRgb(file, dir.File("tool.rgb")));
    }

    // An animation of three full frames: each frame decodes to the tool's frame.
    const std::string anim = dir.File("anim.gif");
    ASSERT_TRUE(external::Run(external::kConvert + " -delay 20 '" + source + "' '(' '" + source +
                              "' -negate ')' '(' '" + source + "' -flop ')' -colors 64 '" + anim +
                              "'"));
    for (int frame = 0; frame < 3; ++frame) {
        SCOPED_TRACE(frame);
        CRaster image;
        image.SetFrame(frame);
        ASSERT_TRUE(image.Load(anim.c_str(), FORMAT_GIF)) << image.GetLastError();
        EXPECT_EQ(image.GetNumFrames(), 3);
        EXPECT_EQ(image.GetFrameDelay(), 20u);
        EXPECT_EQ(TopDownRgb(image), MagickRgb(anim, dir.File("anim.rgb"), frame));
    }

    // Pillow: frames of one palette, later ones partly transparent over the earlier ones
    // (disposal method 1); the composite is what Pillow shows for that frame.
    if (external::PillowPython().empty()) return;
    const std::string layered = dir.File("layered.gif");
    const std::string script =
        "from PIL import Image\n"
        "base = Image.open('" +
        source +
        "').convert('RGB').quantize(64)\n"
        "frames = [base]\n"
        "for k in (1, 2):\n"
        "    f = base.copy()\n"
        "    px = f.load()\n"
        "    for y in range(f.height):\n"
        "        for x in range(f.width):\n"
        "            px[x, y] = 63 if (x + y * k) % 3 else (px[x, y] + 7 * k) % 60\n"
        "    frames.append(f)\n"
        "base.save('" +
        layered +
        "', save_all=True, append_images=frames[1:], disposal=1,\n"
        "          transparency=63, optimize=False, duration=50)\n";
    WriteFile(dir.File("make.py"), Bytes(script.begin(), script.end()));
    ASSERT_TRUE(external::Run(external::PillowPython() + " '" + dir.File("make.py") + "'"));
    for (int frame = 0; frame < 3; ++frame) {
        SCOPED_TRACE(frame);
        CRaster image;
        image.SetFrame(frame);
        ASSERT_TRUE(image.Load(layered.c_str(), FORMAT_GIF)) << image.GetLastError();
        EXPECT_EQ(image.GetNumFrames(), 3);
        EXPECT_EQ(TopDownRgb(image), PillowRgb(layered, dir.File("l.rgb"), frame));
    }
}

// Valid files near the bound of 4096 pixels per data byte: uniform pictures of about 24
// megapixels, from each compressor of the library and from the tools (LZW coders that clear
// their full table, as these do, reach about 1450 pixels a byte on them; 12-bit codes of the
// longest strings, 4091 pixels, never give more than 2728). The longest strings come with the
// 2-bit minimum code size of 1-bit pictures. Interlaced files and mosaics end in a short row
// group or short tiles.
class GifNearBound : public ::testing::TestWithParam<NearBoundFile> {};

TEST_P(GifNearBound, ReadsBackAtItsSizeAndColour) {
    if (!HaveWriter(GetParam().writer)) GTEST_SKIP() << "tool not installed";
    TempDir dir;
    ExpectNearBoundFileReadsBack(GetParam(), dir.Path().string(), FORMAT_GIF, ".gif");
}

constexpr uint32_t kRunLength = 0, kLzw = 2;
INSTANTIATE_TEST_SUITE_P(
    Uniform, GifNearBound,
    ::testing::Values(
        NearBoundFile{"LibraryRunLength8", Writer::Library, 6000, 4000, 8, "", 8, kRunLength},
        NearBoundFile{"LibraryLzw8", Writer::Library, 6000, 4000, 8, "", 8, kLzw},
        NearBoundFile{"LibraryLzw1Odd", Writer::Library, 6001, 4001, 1, "", 1, kLzw},
        NearBoundFile{"LibraryMosaicOdd", Writer::Library, 1001, 601, 24, "", 24, kLzw},
        NearBoundFile{"ImageMagick", Writer::ImageMagick, 6000, 4000, 8, "", 1},
        NearBoundFile{"ImageMagickInterlacedOdd", Writer::ImageMagick, 6000, 4001, 8,
                      "-interlace GIF", 1},
        NearBoundFile{"PillowGrey", Writer::Pillow, 6000, 4000, 8, "im = im.convert('L')", 4},
        NearBoundFile{"PillowBilevel", Writer::Pillow, 6001, 4001, 1, "im = im.convert('1')", 8}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

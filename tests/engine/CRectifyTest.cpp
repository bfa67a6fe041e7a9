#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "CDistortionCalibration.h"
#include "CEntzerrung.h"
#include "CRaster.h"
#include "StringTable.h"
#include "engine/ScriptedUserInterface.h"

namespace {

// Plane coordinates equal image coordinates: X' = x, Y' = y.
constexpr double kIdentity[8] = {0, 0, 0, 1, 0, 0, 0, 1};

RGBQUAD Bgr(uint8_t b, uint8_t g, uint8_t r) { return RGBQUAD{b, g, r, 0}; }

// A 24-bit image with a distinct colour per pixel.
void Pattern(CRaster& image, int w, int h) {
    image.Create(uint32_t(w), uint32_t(h), 24, FORMAT_BMP);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.SetPixelColor(
                x, y, Bgr(uint8_t(x * 37 + y), uint8_t(y * 53 + 7 * x), uint8_t((x ^ y) * 11)));
        }
    }
}

// Where a reference rectification evaluates the lens correction: in the image frame (y
// downwards) the model was calibrated in, or in the bottom-up frame of the pixel rows, which
// gives the same for a model symmetric about the image centre.
enum class Frame { Image, BottomUp };

// The rectification written the plain way: one public call per pixel.
void ReferenceRectify(const CEntzerrung& e, const CRaster& source, CRaster& target,
                      bool interpolate, const CDistortionCalibration* distortion,
                      RGBQUAD background, Frame frame = Frame::Image) {
    const int ws = int(source.GetWidth()), hs = int(source.GetHeight());
    const int wt = int(target.GetWidth()), ht = int(target.GetHeight());
    for (int j = 0; j < ht; ++j) {
        for (int i = 0; i < wt; ++i) {
            RGBQUAD color = background;
            double sx, sy;
            if (e.TargetPixelToSource(i, ht - j, sx, sy)) {
                double sr = hs - sy;
                if (distortion) {
                    double dx, dy;
                    if (frame == Frame::Image) {
                        distortion->ComputeCorrectionBottomUp(sx, sr, 1, dx, dy);
                    } else {
                        distortion->ComputeCorrection(sx, sr, 1, dx, dy);
                    }
                    sx += dx;
                    sr += dy;
                }
                if (sx > -1 && sx < ws && sr > -1 && sr < hs) {
                    color = interpolate ? source.GetPixelColorBilinear(sx, sr)
                                        : source.GetPixelColor(int(sx), int(sr));
                }
            }
            target.SetPixelColor(i, j, color);
        }
    }
}

bool SamePixels(const CRaster& a, const CRaster& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
    for (uint32_t y = 0; y < a.GetHeight(); ++y) {
        if (std::memcmp(a.GetBits(y), b.GetBits(y), a.GetWidth() * 3) != 0) return false;
    }
    return true;
}

// Checkerboard of squares kSquare units wide on the plane, photographed through kView.
constexpr double kView[8] = {4e-4, 2e-4, 0.5, 0.011, 0.001, 0.3, -0.0008, 0.013};
constexpr double kSquare = 1.0;

bool WhiteAt(double X, double Y) {
    return (int(std::floor(X / kSquare)) + int(std::floor(Y / kSquare))) % 2 == 0;
}

void Photograph(const CEntzerrung& view, CRaster& photo, int w, int h) {
    photo.Create(uint32_t(w), uint32_t(h), 24, FORMAT_JPG);
    for (int yb = 0; yb < h; ++yb) {
        for (int x = 0; x < w; ++x) {
            double X, Y;
            view.Transform(x + 0.5, h - yb - 0.5, X, Y);
            const uint8_t v = WhiteAt(X, Y) ? 255 : 0;
            photo.SetPixelColor(x, yb, Bgr(v, v, v));
        }
    }
}

// The fast loops with the processor's vector rows (where it has them) and with the portable
// rows: both must give the pixels of the plain per-pixel loop.
class RectifyRowPaths : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { CEntzerrung::AllowVectorRows(GetParam()); }
    void TearDown() override { CEntzerrung::AllowVectorRows(true); }
};

}  // namespace

TEST(Rectify, ExtentAndTargetSize) {
    CRaster source(400, 300, 24, FORMAT_PNG);
    CEntzerrung e;
    e.SetParameters({0, 0, 0, 0.025, 0, 0, 0, 0.02});  // 400 px -> 10 units, 300 px -> 6 units
    int width = 0, height = 0;
    double extentX = 0;
    const double aspect = e.ComputeTargetExtent(source, width, height, extentX);
    EXPECT_DOUBLE_EQ(aspect, 0.6);
    EXPECT_EQ(width, 400);
    EXPECT_EQ(height, 240);
    EXPECT_DOUBLE_EQ(extentX, 10.0);

    CRaster target;
    ASSERT_EQ(e.PrepareTarget(source, target, 0.01, aspect), 1);
    EXPECT_EQ(target.GetWidth(), 1000u);
    EXPECT_EQ(target.GetHeight(), 600u);
    EXPECT_EQ(target.GetBpp(), 24u);
    EXPECT_EQ(target.GetType(), source.GetType());
}

TEST(Rectify, RefusesHorizonsAndAbsurdTargets) {
    CRaster source(400, 300, 24);
    struct Case {
        const char* what;
        double p[8];
    };
    const Case horizons[] = {
        {"corner at infinity", {-1.0 / 400, 0, 0, 1, 0, 0, 0, 1}},
        {"horizon across the source", {-1.0 / 200, 0, 0, 1, 0, 0, 0, 1}},
    };
    for (const Case& c : horizons) {
        SCOPED_TRACE(c.what);
        CEntzerrung e;
        e.SetParameters(c.p);
        int width = -1, height = -1;
        double extentX = -1;
        EXPECT_EQ(e.ComputeTargetExtent(source, width, height, extentX), 0.0);
        EXPECT_EQ(width, 0);
        EXPECT_EQ(height, 0);
        EXPECT_EQ(extentX, 0.0);
        CRaster target;
        EXPECT_EQ(e.PrepareTarget(source, target, 0.01, 1.0), 0);
        EXPECT_FALSE(target.IsValid());
    }

    struct Size {
        const char* what;
        double c, aspect;
    };
    const Size sizes[] = {
        {"pixel size 0", 0.0, 1.0},
        {"negative pixel size", -0.1, 1.0},
        {"NaN pixel size", NAN, 1.0},
        {"aspect 0", 1.0, 0.0},
        {"side beyond the limit", 1e-5, 1.0},
        {"pixels beyond memory", 1.0 / 6000, 1.0},
        {"NaN aspect", 1.0, NAN},
    };
    for (const Size& s : sizes) {
        SCOPED_TRACE(s.what);
        CEntzerrung e;
        e.SetParameters(kIdentity);
        e.SetExtent(0, 0, 10, 10);
        CRaster target;
        EXPECT_EQ(e.PrepareTarget(source, target, s.c, s.aspect), 0);
        EXPECT_FALSE(target.IsValid());
    }
}

TEST(Rectify, SamplesAtTheLeftAndLowerPixelEdge) {
    CScriptedUserInterface ui;
    CRaster source;
    Pattern(source, 6, 4);
    const RGBQUAD bg = Bgr(3, 2, 1);
    // Identity mapping with pixel size 1 and a 4-row target: target pixel (i, j) samples
    // sx = minX + i and sr = Hs - (minY + 4 - j).
    struct Case {
        const char* what;
        double minX, minY;
        int targetW, i, j;
        double sx, sr;  // expected sample position; outside the source: background
        bool inside;
    };
    const Case cases[] = {
        {"copy", 0, 0, 6, 2, 1, 2, 1, true},
        {"half a pixel right", 0.5, 0, 6, 2, 1, 2.5, 1, true},
        {"sx = -0.5 samples column 0", -0.5, 0, 6, 0, 0, -0.5, 0, true},
        {"sx = Ws is outside", 0, 0, 7, 6, 0, 6, 0, false},
        {"top edge sy = 0 is outside", 0, -1, 6, 0, 3, 0, 4, false},
        {"sy = 0.001 samples the top row", 0, -0.999, 6, 0, 3, 0, 3.999, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CEntzerrung e;
        e.SetParameters(kIdentity);
        e.SetBackground(bg.rgbRed, bg.rgbGreen, bg.rgbBlue);
        e.SetExtent(c.minX, c.minY, c.minX + c.targetW, 0);
        CRaster target;
        ASSERT_EQ(e.PrepareTarget(source, target, 1.0, 4.0 / c.targetW), 1);
        ASSERT_EQ(target.GetHeight(), 4u);
        for (bool interpolate : {false, true}) {
            ASSERT_EQ(e.Rectify(source, target, nullptr, interpolate, nullptr), 1);
            RGBQUAD expected = bg;
            if (c.inside) {
                expected = interpolate ? source.GetPixelColorBilinear(c.sx, c.sr)
                                       : source.GetPixelColor(int(c.sx), int(c.sr));
            }
            expected.rgbReserved = 0;
            EXPECT_EQ(target.GetPixelColor(c.i, c.j), expected) << interpolate;
        }
    }
    // The plain copy reproduces every pixel, nearest and bilinear alike.
    CEntzerrung e;
    e.SetParameters(kIdentity);
    e.SetExtent(0, 0, 6, 0);
    CRaster target;
    ASSERT_EQ(e.PrepareTarget(source, target, 1.0, 4.0 / 6), 1);
    for (bool interpolate : {false, true}) {
        e.Rectify(source, target, nullptr, interpolate, nullptr);
        EXPECT_TRUE(SamePixels(source, target));
    }
}

TEST(Rectify, CheckerboardComesOutWithSquareSquares) {
    CScriptedUserInterface ui;
    CEntzerrung view;
    view.SetParameters(kView);
    CRaster photo;
    Photograph(view, photo, 320, 240);

    CEntzerrung e;
    e.SetParameters(kView);
    int width, height;
    double extentX;
    const double aspect = e.ComputeTargetExtent(photo, width, height, extentX);
    ASSERT_GT(aspect, 0);
    const double c = 0.05;  // 20 target pixels per square
    CRaster target;
    ASSERT_EQ(e.PrepareTarget(photo, target, c, aspect), 1);
    double minX, minY, maxX, maxY;
    e.GetExtent(minX, minY, maxX, maxY);

    for (bool interpolate : {false, true}) {
        ASSERT_EQ(e.Rectify(photo, target, nullptr, interpolate, nullptr), 1);
        const int ht = int(target.GetHeight());
        int checked = 0;
        for (int j = 0; j < ht; ++j) {
            for (int i = 0; i < int(target.GetWidth()); ++i) {
                const double X = minX + c * i, Y = minY + c * (ht - j);
                double x, y;
                ASSERT_EQ(e.InverseTransform(X, Y, x, y), 1);
                if (x < 1 || y < 1 || x > 319 || y > 239) continue;
                // Near a square edge the photo's pixels mix both colours; a source pixel
                // spans at most 0.12 units here.
                const double fx = X / kSquare - std::floor(X / kSquare);
                const double fy = Y / kSquare - std::floor(Y / kSquare);
                if (std::min({fx, 1 - fx, fy, 1 - fy}) < 0.15) continue;
                const uint8_t expected = WhiteAt(X, Y) ? 255 : 0;
                ASSERT_EQ(target.GetPixelColor(i, j).rgbGreen, expected) << i << "," << j;
                ++checked;
            }
        }
        EXPECT_GT(checked, 1000);
    }
}

TEST_P(RectifyRowPaths, FastLoopMatchesThePlainPerPixelCalls) {
    CScriptedUserInterface ui;
    CRaster source;
    Pattern(source, 97, 61);
    CRaster unpadded;  // rows without padding: the last pixel ends the image block
    Pattern(unpadded, 96, 40);
    CRaster palette(40, 30, 8, FORMAT_GIF);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) palette.SetPixelIndex(x, y, uint8_t(x * 7 + y * 3));
    }
    CDistortionCalibration combined, radial, radialR2;
    const auto set = [](CDistortionCalibration& d, int typ, std::vector<double> list) {
        CVerzeichnungPar& par = d.GetParameters();
        par.m_valid = 1;
        par.m_typ = typ;
        par.m_sizeX = 194;
        par.m_sampling = par.m_resampling = list;
    };
    set(combined, 2, {1e-3, 1e-7, 1e-12, 2e-5, -1e-5});
    set(radial, 0, {1e-3, 1e-7, 1e-12});
    set(radialR2, 3, {2e-5});

    for (const CRaster* src : {&source, &unpadded, &palette}) {
        for (CDistortionCalibration* d :
             {static_cast<CDistortionCalibration*>(nullptr), &combined, &radial, &radialR2}) {
            for (bool interpolate : {false, true}) {
                CEntzerrung e;
                e.SetParameters({1e-3, -2e-3, 0.2, 0.05, 0.01, -0.1, 0.004, 0.06});
                e.SetBackground(10, 20, 30);
                int w, h;
                double extentX;
                const double aspect = e.ComputeTargetExtent(*src, w, h, extentX);
                CRaster fast, plain;
                ASSERT_EQ(e.PrepareTarget(*src, fast, extentX / 150, aspect), 1);
                ASSERT_EQ(e.PrepareTarget(*src, plain, extentX / 150, aspect), 1);
                ASSERT_EQ(e.Rectify(*src, fast, nullptr, interpolate, d), 1);
                ReferenceRectify(e, *src, plain, interpolate, d, Bgr(30, 20, 10));
                EXPECT_TRUE(SamePixels(fast, plain))
                    << "bpp " << src->GetBpp() << " distortion " << (d != nullptr)
                    << " interpolate " << interpolate;
                if (d == &radial || d == &radialR2) {
                    // Symmetric about the image centre, these models give byte for byte the
                    // targets of their evaluation in the bottom-up frame.
                    ReferenceRectify(e, *src, plain, interpolate, d, Bgr(30, 20, 10),
                                     Frame::BottomUp);
                    EXPECT_TRUE(SamePixels(fast, plain))
                        << "bottom-up, bpp " << src->GetBpp() << " Typ " << d->GetParameters().m_typ
                        << " interpolate " << interpolate;
                }
            }
        }
    }
}

TEST(Rectify, LensCorrectionIsEvaluatedInTheImageFrame) {
    CScriptedUserInterface ui;
    constexpr int kW = 60, kH = 40;
    CRaster source;
    Pattern(source, kW, kH);
    struct Case {
        const char* what;
        int typ, offset;
        std::vector<double> resampling;
    };
    // Corrections of up to about three pixels, with terms that change sign with y.
    const Case cases[] = {
        {"tangential", 1, 0, {5e-4, 1.5e-3}},
        {"radial with offsets", 3, 1, {5e-5, 4, -6}},
        {"combined", 2, 0, {0, 1e-6, 0, 5e-4, 1.5e-3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CDistortionCalibration distortion;
        CVerzeichnungPar& par = distortion.GetParameters();
        par.m_valid = 1;
        par.m_typ = c.typ;
        par.m_offset = c.offset;
        par.m_sizeX = kW;
        par.m_sampling = par.m_resampling = c.resampling;
        // Target pixel (i, j) samples the uncorrected source point (i + 0.3, kH - j - 0.4).
        CEntzerrung e;
        e.SetParameters(kIdentity);
        e.SetExtent(0.3, -0.4, kW + 0.3, 0);
        CRaster target;
        ASSERT_EQ(e.PrepareTarget(source, target, 1.0, double(kH) / kW), 1);
        ASSERT_EQ(e.Rectify(source, target, nullptr, false, &distortion), 1);

        int checked = 0, wrong = 0, frameMatters = 0;
        for (int j = 0; j < kH; ++j)
            for (int i = 0; i < kW; ++i) {
                double sx, sy, dx, dy, bx, by;
                ASSERT_EQ(e.TargetPixelToSource(i, kH - j, sx, sy), 1);
                distortion.ComputeCorrection(sx, sy, 1, dx, dy);
                const double x = sx + dx, row = kH - (sy + dy);
                // Positions next to a pixel border may truncate either way after rounding.
                const auto nearBorder = [](double v) {
                    return std::fabs(v - std::round(v)) < 1e-6;
                };
                if (x < 0 || x >= kW || row < 0 || row >= kH || nearBorder(x) || nearBorder(row))
                    continue;
                ++checked;
                RGBQUAD expected = source.GetPixelColor(int(x), int(row));
                expected.rgbReserved = 0;
                wrong += !(target.GetPixelColor(i, j) == expected);
                // The same model evaluated in the bottom-up frame samples elsewhere.
                distortion.ComputeCorrection(sx, kH - sy, 1, bx, by);
                frameMatters += int(sx + bx) != int(x) || int(kH - sy + by) != int(row);
            }
        EXPECT_GT(checked, kW * kH / 2);
        EXPECT_EQ(wrong, 0);
        EXPECT_GT(frameMatters, checked / 4);
    }
}

TEST_P(RectifyRowPaths, FastLoopMatchesThePlainPerPixelCallsAtTheEdges) {
    CScriptedUserInterface ui;
    struct Case {
        int ws, hs;
        double p[8];
        double minX, minY, maxX, c, aspect;
        int zeroColumn;  // where the denominator is exactly 0, or -1
    };
    // The identity magnified by 1 / c from just left of and below the source to beyond its right
    // and top edges: every target row starts left of the source (sx in -1 ... 0 included),
    // crosses the right column and the top row, where neighbours are clamped, and ends in the
    // background, with row lengths of every remainder by four. Widths of every remainder by
    // four give rows with 0 to 3 bytes of padding.
    auto magnified = [](int ws, int hs, double c) {
        return Case{ws,       hs, {0, 0, 0, 1, 0, 0, 0, 1}, -0.8, -0.6,
                    ws + 0.9, c,  (hs + 1.5) / (ws + 1.7),  -1};
    };
    const Case cases[] = {
        magnified(1, 1, 0.37),
        magnified(2, 2, 0.31),
        magnified(3, 5, 0.29),
        magnified(4, 3, 0.23),
        magnified(5, 2, 0.41),
        magnified(8, 4, 0.19),
        magnified(9, 7, 0.33),
        magnified(12, 9, 0.27),
        // w = -1 + i / 64 vanishes at column 64 of every row, where the numerators alone would
        // point into the source (x = X' + Y', y = Y').
        {64, 128, {-1.0 / 64, 1.0 / 64, 0, 1, -1, 0, 0, 1}, -128, 80, 128, 1.0, 40.0 / 256, 64},
    };
    for (const Case& k : cases) {
        CRaster source;
        Pattern(source, k.ws, k.hs);
        for (bool interpolate : {false, true}) {
            CEntzerrung e;
            e.SetParameters(k.p);
            e.SetBackground(10, 20, 30);
            e.SetExtent(k.minX, k.minY, k.maxX, 0);
            CRaster fast, plain;
            ASSERT_EQ(e.PrepareTarget(source, fast, k.c, k.aspect), 1);
            ASSERT_EQ(e.PrepareTarget(source, plain, k.c, k.aspect), 1);
            double sx, sy;
            if (k.zeroColumn >= 0) {
                ASSERT_EQ(e.TargetPixelToSource(k.zeroColumn, 1, sx, sy), 0);
            }
            ASSERT_EQ(e.Rectify(source, fast, nullptr, interpolate, nullptr), 1);
            ReferenceRectify(e, source, plain, interpolate, nullptr, Bgr(30, 20, 10));
            EXPECT_TRUE(SamePixels(fast, plain))
                << k.ws << " x " << k.hs << " interpolate " << interpolate;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rectify, RectifyRowPaths, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "VectorRows" : "PortableRows");
});

TEST(Rectify, InvalidDistortionChangesNothing) {
    CScriptedUserInterface ui;
    CRaster source;
    Pattern(source, 50, 40);
    CEntzerrung e;
    e.SetParameters({1e-3, 0, 0, 0.1, 0.01, 0, 0.002, 0.1});
    int w, h;
    double extentX;
    const double aspect = e.ComputeTargetExtent(source, w, h, extentX);
    CRaster with, without;
    ASSERT_EQ(e.PrepareTarget(source, with, extentX / 60, aspect), 1);
    ASSERT_EQ(e.PrepareTarget(source, without, extentX / 60, aspect), 1);
    CDistortionCalibration invalid;
    invalid.GetParameters().m_sizeX = 50;
    invalid.GetParameters().m_sampling = invalid.GetParameters().m_resampling = {1e-3, 0, 0};
    e.Rectify(source, with, nullptr, true, &invalid);
    e.Rectify(source, without, nullptr, true, nullptr);
    EXPECT_TRUE(SamePixels(with, without));
}

TEST(Rectify, EscapeDialogueOutcomes) {
    struct Case {
        const char* what;
        std::deque<bool> escapes;
        std::deque<ui::Answer> answers;
        int result, rowsFilled, messages;
    };
    const Case cases[] = {
        {"no escape", {}, {}, 1, 8, 0},
        {"escape, go on", {false, true}, {ui::Answer::No}, 1, 8, 1},
        {"escape, stop and keep", {false, false, true}, {ui::Answer::Yes, ui::Answer::No}, 1, 3, 2},
        {"escape, stop and discard", {true}, {ui::Answer::Yes, ui::Answer::Yes}, 0, 1, 2},
    };
    CRaster source;
    Pattern(source, 10, 8);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CScriptedUserInterface ui;
        ui.escapes = c.escapes;
        ui.answers = c.answers;
        CRecordingProgress progress;
        CEntzerrung e;
        e.SetParameters(kIdentity);
        e.SetBackground(255, 255, 255);
        e.SetExtent(20, 0, 30, 0);  // every pixel outside: background white
        CRaster target;
        ASSERT_EQ(e.PrepareTarget(source, target, 1.0, 0.8), 1);
        EXPECT_EQ(e.Rectify(source, target, &progress, false, nullptr), c.result);

        int filled = 0;
        for (int j = 0; j < 8; ++j) filled += target.GetPixelColor(0, j).rgbRed == 255;
        EXPECT_EQ(filled, c.rowsFilled);
        ASSERT_EQ(int(ui.messages.size()), c.messages);
        const std::vector<std::string> texts = {strings::Load(10059), strings::Load(10060)};
        for (int k = 0; k < c.messages; ++k) EXPECT_EQ(ui.messages[size_t(k)], texts[size_t(k)]);
        EXPECT_EQ(progress.lower, 0);
        EXPECT_EQ(progress.upper, 8);
        EXPECT_EQ(progress.steps, c.rowsFilled);
        EXPECT_EQ(progress.pos, 0);
        EXPECT_EQ(ui.waitBegins, 1);
        EXPECT_EQ(ui.waitDepth, 0);
    }
}

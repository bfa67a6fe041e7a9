#pragma once
// A synthetic facade photo for the rectification tests: a checkerboard of 1 m cells on a plane
// (facade coordinates X to the right, Y upwards, metres) with optional coloured marks,
// photographed through a known homography and a lens. Image pixels: x to the right, y
// downwards; pixel (i, t) covers [i, i + 1) x (t, t + 1], the area the nearest-pixel sampling
// reads.

#include <algorithm>
#include <cmath>
#include <vector>

#include "CRaster.h"

class SyntheticFacade {
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;
    static constexpr double kCell = 1.0;  // metres
    static constexpr double kMarkRadius = 0.3;

    // The lens in the image frame, in the form of the program's lens models: an ideal point u,
    // v pixels from the image centre, shifted by the principal-point offset (ox, oy) to
    // (a, b), r² = a² + b², moves by k1 a r² + P1 (r² + 2a²) + 2 P2 a b in x and by
    // k1 b r² + 2 P1 a b + P2 (r² + 2b²) in y.
    struct Lens {
        // At 400 pixels from the centre a point moves by 0.5.
        double k1 = 0.5 / (400.0 * 400.0 * 400.0);
        double p1 = 0.0, p2 = 0.0;
        double ox = 0.0, oy = 0.0;
    };
    // A disc of kMarkRadius on the facade, in a colour without green (so it reads as black).
    struct Mark {
        double X, Y;
        RGBQUAD colour;
    };

    Lens lens;
    std::vector<Mark> marks;

    // Facade point to its ideal (undistorted) image position.
    static void ToIdeal(double X, double Y, double& x, double& y) {
        const double w = 1.0 + 0.03 * X + 0.01 * Y;
        x = (58.0 * X + 4.0 * Y + 40.0) / w;
        y = (440.0 - 55.0 * Y + 3.0 * X) / w;
    }
    // Ideal image position to facade point (the inverse homography).
    static void FromIdeal(double x, double y, double& X, double& Y) {
        // Solve the two linear equations of ToIdeal for X and Y.
        const double a11 = 58.0 - 0.03 * x, a12 = 4.0 - 0.01 * x, b1 = x - 40.0;
        const double a21 = 3.0 - 0.03 * y, a22 = -55.0 - 0.01 * y, b2 = y - 440.0;
        const double det = a11 * a22 - a12 * a21;
        X = (b1 * a22 - a12 * b2) / det;
        Y = (a11 * b2 - a21 * b1) / det;
    }
    void Distort(double x, double y, double& mx, double& my) const {
        const double a = x - kWidth / 2.0 + lens.ox, b = y - kHeight / 2.0 + lens.oy;
        const double r2 = a * a + b * b;
        mx = x + lens.k1 * a * r2 + lens.p1 * (r2 + 2 * a * a) + 2 * lens.p2 * a * b;
        my = y + lens.k1 * b * r2 + 2 * lens.p1 * a * b + lens.p2 * (r2 + 2 * b * b);
    }
    // The inverse of Distort by fixed-point iteration; the lenses move points by a few pixels
    // with a gradient far below 1, so every step gains several digits.
    void Undistort(double mx, double my, double& x, double& y) const {
        x = mx;
        y = my;
        for (int k = 0; k < 8; ++k) {
            double dx, dy;
            Distort(x, y, dx, dy);
            x += mx - dx;
            y += my - dy;
        }
    }
    // Where the camera sees a facade point (with the lens distortion).
    void ToImage(double X, double Y, double& mx, double& my) const {
        double x, y;
        ToIdeal(X, Y, x, y);
        Distort(x, y, mx, my);
    }

    // 1 for a white cell, 0 for a black one.
    static int Cell(double X, double Y) {
        const long k = long(std::floor(X / kCell)) + long(std::floor(Y / kCell));
        return int(((k % 2) + 2) % 2);
    }
    // Distance from the facade point to the nearest cell edge, metres.
    static double EdgeDistance(double X, double Y) {
        auto d = [](double v) {
            const double f = v / kCell - std::floor(v / kCell);
            return std::min(f, 1.0 - f) * kCell;
        };
        return std::min(d(X), d(Y));
    }

    // Renders the photo, 3 x 3 samples per pixel.
    void Render(CRaster& image) const {
        image.Create(kWidth, kHeight, 24, FORMAT_BMP);
        for (int t = 0; t < kHeight; ++t) {
            for (int i = 0; i < kWidth; ++i) {
                int sum[3] = {0, 0, 0};
                for (int sy = 0; sy < 3; ++sy)
                    for (int sx = 0; sx < 3; ++sx) {
                        double x, y, X, Y;
                        Undistort(i + (sx + 0.5) / 3.0, t + (sy + 0.5) / 3.0, x, y);
                        FromIdeal(x, y, X, Y);
                        const RGBQUAD c = ColourAt(X, Y);
                        sum[0] += c.rgbBlue;
                        sum[1] += c.rgbGreen;
                        sum[2] += c.rgbRed;
                    }
                const RGBQUAD colour{uint8_t(sum[0] / 9), uint8_t(sum[1] / 9), uint8_t(sum[2] / 9),
                                     0};
                image.SetPixelColor(i, kHeight - 1 - t, colour);
            }
        }
    }

private:
    RGBQUAD ColourAt(double X, double Y) const {
        for (const Mark& m : marks)
            if (std::hypot(X - m.X, Y - m.Y) <= kMarkRadius) return m.colour;
        const uint8_t v = Cell(X, Y) ? 255 : 0;
        return RGBQUAD{v, v, v, 0};
    }
};

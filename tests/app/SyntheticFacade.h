#pragma once
// A synthetic facade photo for the rectification tests: a checkerboard of 1 m cells on a plane
// (facade coordinates X to the right, Y upwards, metres), photographed through a known
// homography with a little radial lens distortion. Image pixels: x to the right, y downwards;
// pixel (i, t) covers [i, i + 1) x (t, t + 1], the area the nearest-pixel sampling reads.

#include <cmath>

#include "CRaster.h"

class SyntheticFacade {
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;
    static constexpr double kCell = 1.0;  // metres
    // Radial distortion about the image centre: at 400 pixels from it a point moves by 0.5.
    static constexpr double kK1 = 0.5 / (400.0 * 400.0 * 400.0);

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
    static void Distort(double x, double y, double& mx, double& my) {
        const double u = x - kWidth / 2.0, v = y - kHeight / 2.0;
        const double r2 = u * u + v * v;
        mx = x + kK1 * u * r2;
        my = y + kK1 * v * r2;
    }
    static void Undistort(double mx, double my, double& x, double& y) {
        x = mx;
        y = my;
        for (int k = 0; k < 5; ++k) {
            const double u = x - kWidth / 2.0, v = y - kHeight / 2.0;
            const double r2 = u * u + v * v;
            x = mx - kK1 * u * r2;
            y = my - kK1 * v * r2;
        }
    }
    // Where the camera sees a facade point (with the lens distortion).
    static void ToImage(double X, double Y, double& mx, double& my) {
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
    static void Render(CRaster& image) {
        image.Create(kWidth, kHeight, 24, FORMAT_BMP);
        for (int t = 0; t < kHeight; ++t) {
            for (int i = 0; i < kWidth; ++i) {
                int white = 0;
                for (int sy = 0; sy < 3; ++sy)
                    for (int sx = 0; sx < 3; ++sx) {
                        double x, y, X, Y;
                        Undistort(i + (sx + 0.5) / 3.0, t + (sy + 0.5) / 3.0, x, y);
                        FromIdeal(x, y, X, Y);
                        white += Cell(X, Y);
                    }
                const uint8_t v = uint8_t(white * 255 / 9);
                image.SetPixelColor(i, kHeight - 1 - t, RGBQUAD{v, v, v, 0});
            }
        }
    }
};

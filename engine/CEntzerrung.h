#pragma once
// CEntzerrung: the eight-parameter projective transformation from image pixels to the reference
// plane, its least-squares adjustment, the target extent and the per-pixel rectification.
//
// Axes: image points are pixels, x to the right, y downwards from the top edge. The
// transformation's plane holds X' = X - meanX and Y' = meanY - Y (reference units, the second
// axis reversed so that it runs downwards like the image rows):
//   X' = (p3 + p4 x + p5 y) / w,  Y' = (p6 + p7 x + p8 y) / w,  w = 1 + p1 x + p2 y.
// The back-transformation is the inverse of [[1, p1, p2], [p3, p4, p5], [p6, p7, p8]].
//
// The target extent (minX, minY, maxX, maxY) lies in the same plane. Target images are stored
// bottom-up: stored row j of a target of height Ht samples the plane row minY + c (Ht - j), and
// column i the plane column minX + c i, c being the pixel size: each pixel at its left and lower
// edge.

#include <cstdint>
#include <vector>

#include "CGMatrix.h"

class CRaster;
class CDistortionCalibration;
namespace ui {
class CProgress;
}

class CEntzerrung {
public:
    // Largest target width or height PrepareTarget creates, in pixels.
    static constexpr int kMaxTargetSide = 100000;

    CEntzerrung();
    virtual ~CEntzerrung();

    // The control points, filled by the owner with the same count n, one entry per point.
    std::vector<double> m_imageX, m_imageY;  // pixels
    std::vector<double> m_refX, m_refY;      // reference units; centred in place by Adjust

    // Centres the reference coordinates and solves the normal equations. 1 on success; 0 after
    // message 10058 when the system or the fitted transformation is singular, with parameters,
    // back-transformation and residuals unchanged.
    int Adjust();
    void CentreReference();
    void BuildDesignMatrix(CGMatrix& a, CGMatrix& l) const;
    // Inverts the transformation's 3 × 3 matrix into the back-transformation; 0 (nothing
    // stored) when it is singular.
    int ComputeInverse();

    // 0 with the outputs untouched when the denominator w is 0.
    int Transform(double x, double y, double& planeX, double& planeY) const;
    int InverseTransform(double planeX, double planeY, double& x, double& y) const;

    // Residuals v = A p - l of the last adjustment; rows 2i - 1 and 2i belong to point i.
    const CGMatrix& GetResiduals() const { return m_residuals; }
    double GetMeanX() const { return m_meanX; }
    double GetMeanY() const { return m_meanY; }
    // Parameter p1 ... p8 (k = 1 ... 8).
    double GetParameter(int k) const { return (k >= 1 && k <= 8) ? m_p[k - 1] : UNDEFINED_VALUE; }
    void SetParameters(const double (&p)[8]);

    // Maps the source corners into the plane and stores their bounding box as the extent;
    // proposes width = source width, height from the aspect, extentX = the extent's width.
    // Returns the aspect (height / width of the extent). A corner at infinity or a horizon
    // across the source gives aspect 0, a zero extent and a zero proposed size.
    double ComputeTargetExtent(const CRaster& source, int& width, int& height, double& extentX);
    void GetExtent(double& minX, double& minY, double& maxX, double& maxY) const;
    void SetExtent(double minX, double minY, double maxX, double maxY);

    // Folds back-transformation, extent and pixel size c (reference units per pixel) into the
    // per-pixel coefficients and creates the 24-bit target. 0 (nothing created) unless c is
    // finite and positive, the extent has a width, both target sides lie in
    // 1 ... kMaxTargetSide, the pixels fit in memory and the image could be created.
    int PrepareTarget(const CRaster& source, CRaster& target, double c, double aspect);
    // The per-pixel coefficients m0 ... m8 of the last PrepareTarget.
    const double* GetCoefficients() const { return m_m; }
    // Target column and plane row to source x, y (pixels, y downwards); 0 when w is 0.
    int TargetPixelToSource(double column, double row, double& sx, double& sy) const;

    void SetBackground(int red, int green, int blue);

    // Fills every target pixel from the source (nearest or bilinear), optionally through the
    // distortion's backward list evaluated in the image frame (y downwards) it was calibrated
    // in, with the background outside the source. Polls Escape after every row. 0 when the user
    // chose to discard the partly rectified image, else 1.
    int Rectify(const CRaster& source, CRaster& target, ui::CProgress* progress, bool interpolate,
                CDistortionCalibration* distortion);
    // Whether rows may use the processor's vector instructions where it has them (the default);
    // switched off, every row takes the portable path, so that tests can hold both to the same
    // pixels on any machine.
    static void AllowVectorRows(bool allowed);

private:
    // Points with all four coordinates given.
    int PointCount() const;
    // Source points of one target row, allocated once per rectification.
    struct RowBuffers {
        std::vector<double> x, r;
        std::vector<uint8_t> valid;
    };
    template <bool kInterpolate, bool kDistortion>
    void RectifyRow(const CRaster& source, CRaster& target, int row,
                    CDistortionCalibration* distortion, RowBuffers& buffers) const;
    void RectifyRowGeneric(const CRaster& source, CRaster& target, int row, bool interpolate,
                           CDistortionCalibration* distortion) const;

    CGMatrix m_residuals;
    double m_meanX = 0.0, m_meanY = 0.0;
    double m_p[8] = {};
    double m_b[9] = {};  // back-transformation b11 ... b33, row after row
    double m_minX = 0.0, m_minY = 0.0, m_maxX = 0.0, m_maxY = 0.0;
    double m_m[9] = {};  // per-pixel coefficients m0 ... m8
    int m_red = 0, m_green = 0, m_blue = 0;
};

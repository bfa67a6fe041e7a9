#pragma once
// CDistortionCalibration: a lens-distortion parameter set and the procedure that estimates it
// from one photograph of a 2D control field, and its application to point lists.
//
// Image points are pixels, x to the right, y downwards; reference points are in reference
// units with the second axis upwards. During the calibration the points are taken relative to
// the image centre (width / 2, height / 2 in whole numbers) and the reference points relative
// to their mean.
//
// Every model solve writes the matrix text files "V_A", "V_l", "V_N", "V_Q", "V_H", "V_P" and
// "V_v" into the current directory.

#include <vector>

#include "CGMatrix.h"
#include "CVerzeichnungPar.h"

namespace ui {
class CProgress;
}

class CDistortionCalibration {
public:
    // Iterations of the calibration; there is no convergence test.
    static constexpr int kIterations = 50;

    CDistortionCalibration();
    virtual ~CDistortionCalibration();

    CVerzeichnungPar& GetParameters() { return m_par; }
    const CVerzeichnungPar& GetParameters() const { return m_par; }
    const CGMatrix& GetResiduals() const { return m_residuals; }

    void SetImageRange(double xmin, double ymin, double xmax, double ymax) {
        m_par.SetImageRange(xmin, ymin, xmax, ymax);
    }
    int ComputeCorrection(double x, double y, int selector, double& dx, double& dy) const {
        return m_par.ComputeCorrection(x, y, selector, dx, dy);
    }
    int ComputeCorrectionBottomUp(double x, double row, int selector, double& dx,
                                  double& drow) const {
        return m_par.ComputeCorrectionBottomUp(x, row, selector, dx, drow);
    }
    // Corrected copies of the points with the chosen list (the outputs may be the inputs);
    // 0 with empty outputs when the set is not valid.
    int ApplyToPoints(const std::vector<double>& x, const std::vector<double>& y,
                      std::vector<double>& outX, std::vector<double>& outY, int selector) const;

    // One least-squares solve of the model from measured and projected points (selector 0
    // Sampling, 1 Resampling). 1 on success; 0 after message 10101 when singular (lists, Valid
    // and residuals unchanged), or without a message for an unknown model.
    int Solve(const std::vector<double>& mx, const std::vector<double>& my,
              const std::vector<double>& px, const std::vector<double>& py, int selector);

    // Design rows of the four models (Typ 0, 1, 2, 3) into a (2m × q) and l (2m × 1).
    void FillRadial(CGMatrix& a, CGMatrix& l, const std::vector<double>& mx,
                    const std::vector<double>& my, const std::vector<double>& px,
                    const std::vector<double>& py, int selector) const;
    void FillTangential(CGMatrix& a, CGMatrix& l, const std::vector<double>& mx,
                        const std::vector<double>& my, const std::vector<double>& px,
                        const std::vector<double>& py, int selector) const;
    void FillRadialTangential(CGMatrix& a, CGMatrix& l, const std::vector<double>& mx,
                              const std::vector<double>& my, const std::vector<double>& px,
                              const std::vector<double>& py, int selector) const;
    void FillRadialR2(CGMatrix& a, CGMatrix& l, const std::vector<double>& mx,
                      const std::vector<double>& my, const std::vector<double>& px,
                      const std::vector<double>& py, int selector) const;

    // The whole calibration of the set's Typ and Offset from the points whose use flag equals
    // activeValue. 1 after the last iteration with Valid 1; 0 with Valid 0 when there are
    // fewer than 4 active points, the image is narrower or lower than 2 pixels, or an
    // adjustment, back-transformation or solve fails.
    int Calibrate(const std::vector<double>& imageX, const std::vector<double>& imageY,
                  const std::vector<double>& refX, const std::vector<double>& refY,
                  const std::vector<int>& use, int activeValue, int width, int height,
                  ui::CProgress* progress);

private:
    // Row values of one point for the current model (offsets excluded); count of them.
    int ModelRow(double a, double b, double* xRow, double* yRow) const;
    void Fill(CGMatrix& a, CGMatrix& l, const std::vector<double>& mx,
              const std::vector<double>& my, const std::vector<double>& px,
              const std::vector<double>& py, int selector) const;
    int CalibrateIterations(const std::vector<double>& mx, const std::vector<double>& my,
                            const std::vector<double>& rx, const std::vector<double>& ry, int width,
                            int height, ui::CProgress* progress);

    CVerzeichnungPar m_par;
    CGMatrix m_residuals;
};

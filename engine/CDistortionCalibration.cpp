#include "CDistortionCalibration.h"

#include <algorithm>
#include <cmath>

#include "CEntzerrung.h"
#include "UserInterface.h"

namespace {

constexpr int kMsgAdjustSingular = 10058;
constexpr int kMsgSolveSingular = 10101;

size_t CommonSize(const std::vector<double>& a, const std::vector<double>& b,
                  const std::vector<double>& c, const std::vector<double>& d) {
    return std::min({a.size(), b.size(), c.size(), d.size()});
}

}  // namespace

CDistortionCalibration::CDistortionCalibration() = default;
CDistortionCalibration::~CDistortionCalibration() = default;

int CDistortionCalibration::ApplyToPoints(const std::vector<double>& x,
                                          const std::vector<double>& y, std::vector<double>& outX,
                                          std::vector<double>& outY, int selector) const {
    // Built apart, so that the outputs may be the inputs.
    std::vector<double> cx, cy;
    if (m_par.m_valid == 0) {
        outX.clear();
        outY.clear();
        return 0;
    }
    const size_t n = std::min(x.size(), y.size());
    cx.reserve(n);
    cy.reserve(n);
    for (size_t k = 0; k < n; ++k) {
        double dx = 0.0, dy = 0.0;
        m_par.ComputeCorrection(x[k], y[k], selector, dx, dy);
        cx.push_back(x[k] + dx);
        cy.push_back(y[k] + dy);
    }
    outX = std::move(cx);
    outY = std::move(cy);
    return 1;
}

int CDistortionCalibration::ModelRow(double a, double b, double* xRow, double* yRow) const {
    const double r2 = a * a + b * b;
    const double r = std::sqrt(r2);
    switch (m_par.m_typ) {
        case 0: {
            const double r3 = std::pow(r, 3), r5 = std::pow(r, 5);
            const double xs[] = {a * r, a * r3, a * r5}, ys[] = {b * r, b * r3, b * r5};
            std::copy(xs, xs + 3, xRow);
            std::copy(ys, ys + 3, yRow);
            return 3;
        }
        case 1: {
            const double xs[] = {2 * a * a + r2, 2 * a * b}, ys[] = {2 * a * b, r2 + 2 * b * b};
            std::copy(xs, xs + 2, xRow);
            std::copy(ys, ys + 2, yRow);
            return 2;
        }
        case 2: {
            const double r3 = std::pow(r, 3), r5 = std::pow(r, 5), rr = std::pow(r, 2);
            const double xs[] = {a * r, a * r3, a * r5, 2 * a * a + rr, 2 * a * b};
            const double ys[] = {b * r, b * r3, b * r5, 2 * a * b, rr + 2 * b * b};
            std::copy(xs, xs + 5, xRow);
            std::copy(ys, ys + 5, yRow);
            return 5;
        }
        case 3:
            xRow[0] = a * r2;
            yRow[0] = b * r2;
            return 1;
        default:
            return 0;
    }
}

void CDistortionCalibration::Fill(CGMatrix& a, CGMatrix& l, const std::vector<double>& mx,
                                  const std::vector<double>& my, const std::vector<double>& px,
                                  const std::vector<double>& py, int selector) const {
    const size_t m = CommonSize(mx, my, px, py);
    for (size_t i = 0; i < m; ++i) {
        const int rowX = int(2 * i + 1), rowY = int(2 * i + 2);
        const double pa = selector ? px[i] : mx[i];
        const double pb = selector ? py[i] : my[i];
        double xRow[5], yRow[5];
        const int q = ModelRow(pa, pb, xRow, yRow);
        for (int c = 0; c < q; ++c) {
            a.SetAt(rowX, c + 1, xRow[c]);
            a.SetAt(rowY, c + 1, yRow[c]);
        }
        if (m_par.m_offset == 1) {
            a.SetAt(rowX, q + 1, 1.0);
            a.SetAt(rowY, q + 2, 1.0);
        }
        if (selector) {
            l.SetAt(rowX, 1, mx[i] - px[i]);
            l.SetAt(rowY, 1, my[i] - py[i]);
        } else {
            l.SetAt(rowX, 1, px[i] - mx[i]);
            l.SetAt(rowY, 1, py[i] - my[i]);
        }
    }
}

void CDistortionCalibration::FillRadial(CGMatrix& a, CGMatrix& l, const std::vector<double>& mx,
                                        const std::vector<double>& my,
                                        const std::vector<double>& px,
                                        const std::vector<double>& py, int selector) const {
    Fill(a, l, mx, my, px, py, selector);
}

void CDistortionCalibration::FillTangential(CGMatrix& a, CGMatrix& l, const std::vector<double>& mx,
                                            const std::vector<double>& my,
                                            const std::vector<double>& px,
                                            const std::vector<double>& py, int selector) const {
    Fill(a, l, mx, my, px, py, selector);
}

void CDistortionCalibration::FillRadialTangential(
    CGMatrix& a, CGMatrix& l, const std::vector<double>& mx, const std::vector<double>& my,
    const std::vector<double>& px, const std::vector<double>& py, int selector) const {
    Fill(a, l, mx, my, px, py, selector);
}

void CDistortionCalibration::FillRadialR2(CGMatrix& a, CGMatrix& l, const std::vector<double>& mx,
                                          const std::vector<double>& my,
                                          const std::vector<double>& px,
                                          const std::vector<double>& py, int selector) const {
    Fill(a, l, mx, my, px, py, selector);
}

int CDistortionCalibration::Solve(const std::vector<double>& mx, const std::vector<double>& my,
                                  const std::vector<double>& px, const std::vector<double>& py,
                                  int selector) {
    const int q = CVerzeichnungPar::CoefficientCount(m_par.m_typ, m_par.m_offset);
    if (q == 0) return 0;
    const int m = int(CommonSize(mx, my, px, py));
    CGMatrix a(2 * m, q);
    CGMatrix l(2 * m, 1);
    switch (m_par.m_typ) {
        case 0:
            FillRadial(a, l, mx, my, px, py, selector);
            break;
        case 1:
            FillTangential(a, l, mx, my, px, py, selector);
            break;
        case 2:
            FillRadialTangential(a, l, mx, my, px, py, selector);
            break;
        default:
            FillRadialR2(a, l, mx, my, px, py, selector);
            break;
    }
    a.WriteText("V_A");
    l.WriteText("V_l");
    CGMatrix t(a);
    t.Transpose();
    CGMatrix n;
    n.Multiply(t, a);
    n.WriteText("V_N");
    n.Invert();
    n.WriteText("V_Q");
    if (n.GetDeterminant() == 0.0) {
        ui::MessageId(kMsgSolveSingular);
        return 0;
    }
    CGMatrix h;
    h.Multiply(n, t);
    h.WriteText("V_H");
    CGMatrix p;
    p.Multiply(h, l);
    p.WriteText("V_P");
    CGMatrix v;
    v.Multiply(a, p);
    v -= l;
    m_residuals = v;
    m_residuals.WriteText("V_v");

    std::vector<double>& list = selector ? m_par.m_resampling : m_par.m_sampling;
    list.clear();
    for (int k = 1; k <= q; ++k) list.push_back(p.GetAt(k, 1));
    m_par.m_valid = 1;
    return 1;
}

int CDistortionCalibration::Calibrate(const std::vector<double>& imageX,
                                      const std::vector<double>& imageY,
                                      const std::vector<double>& refX,
                                      const std::vector<double>& refY, const std::vector<int>& use,
                                      int activeValue, int width, int height,
                                      ui::CProgress* progress) {
    m_par.m_valid = 0;
    ui::CWaitCursor wait;
    if (progress) {
        progress->SetRange(0, kIterations + 1);
        progress->SetStep(1);
        progress->SetPos(0);
    }
    m_par.m_sizeX = width;
    m_par.m_sizeY = height;

    const size_t n = std::min(CommonSize(imageX, imageY, refX, refY), use.size());
    std::vector<double> mx, my, rx, ry;
    double sumX = 0.0, sumY = 0.0;
    for (size_t k = 0; k < n; ++k) {
        if (use[k] != activeValue) continue;
        mx.push_back(imageX[k]);
        my.push_back(imageY[k]);
        rx.push_back(refX[k]);
        ry.push_back(refY[k]);
        sumX += refX[k];
        sumY += refY[k];
    }
    int result = 0;
    if (mx.size() >= 4 && width >= 2 && height >= 2) {
        const double meanX = sumX / double(rx.size());
        const double meanY = sumY / double(ry.size());
        const int centreX = width / 2;
        const int centreY = height / 2;
        for (size_t k = 0; k < mx.size(); ++k) {
            mx[k] -= centreX;
            my[k] -= centreY;
            rx[k] -= meanX;
            ry[k] -= meanY;
        }
        if (progress) progress->StepIt();
        result = CalibrateIterations(mx, my, rx, ry, width, height, progress);
    }
    if (progress) progress->SetPos(0);
    m_par.m_valid = result;
    return result;
}

int CDistortionCalibration::CalibrateIterations(const std::vector<double>& mx,
                                                const std::vector<double>& my,
                                                const std::vector<double>& rx,
                                                const std::vector<double>& ry, int width,
                                                int height, ui::CProgress* progress) {
    std::vector<double> cx = mx, cy = my, projX(mx.size()), projY(mx.size());
    for (int k = 0; k < kIterations; ++k) {
        if (k == 0) {
            SetImageRange(-(width / 2), -(height / 2), width / 2, height / 2);
        } else {
            ApplyToPoints(mx, my, cx, cy, 0);
        }
        CEntzerrung fit;
        fit.m_imageX = cx;
        fit.m_imageY = cy;
        fit.m_refX = rx;
        fit.m_refY = ry;
        if (!fit.Adjust()) return 0;
        for (size_t i = 0; i < mx.size(); ++i) {
            if (!fit.InverseTransform(rx[i], -ry[i], projX[i], projY[i])) {
                ui::MessageId(kMsgAdjustSingular);
                return 0;
            }
        }
        if (!Solve(mx, my, projX, projY, 0) || !Solve(mx, my, projX, projY, 1)) return 0;
        if (progress) progress->StepIt();
    }
    return 1;
}

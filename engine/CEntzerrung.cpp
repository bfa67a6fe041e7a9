#include "CEntzerrung.h"

#include <algorithm>

#include "UserInterface.h"

namespace {
constexpr int kMsgSingular = 10058;
}

CEntzerrung::CEntzerrung() = default;
CEntzerrung::~CEntzerrung() = default;

void CEntzerrung::CentreReference() {
    const size_t n = m_refX.size();
    double sumX = 0.0, sumY = 0.0;
    for (size_t k = 0; k < n; ++k) {
        sumX += m_refX[k];
        sumY += m_refY[k];
    }
    m_meanX = n ? sumX / double(n) : 0.0;
    m_meanY = n ? sumY / double(n) : 0.0;
    for (size_t k = 0; k < n; ++k) {
        m_refX[k] -= m_meanX;
        m_refY[k] -= m_meanY;
    }
}

int CEntzerrung::PointCount() const {
    return int(std::min({m_imageX.size(), m_imageY.size(), m_refX.size(), m_refY.size()}));
}

void CEntzerrung::BuildDesignMatrix(CGMatrix& a, CGMatrix& l) const {
    const size_t n = size_t(PointCount());
    for (size_t i = 0; i < n; ++i) {
        const double x = m_imageX[i], y = m_imageY[i];
        const double X = m_refX[i], Y = m_refY[i];
        const int r1 = int(2 * i + 1), r2 = int(2 * i + 2);
        const double row1[8] = {x * X, y * X, -1.0, -x, -y, 0.0, 0.0, 0.0};
        const double row2[8] = {-x * Y, -y * Y, 0.0, 0.0, 0.0, -1.0, -x, -y};
        for (int c = 0; c < 8; ++c) {
            a.SetAt(r1, c + 1, row1[c]);
            a.SetAt(r2, c + 1, row2[c]);
        }
        l.SetAt(r1, 1, -X);
        l.SetAt(r2, 1, Y);
    }
}

int CEntzerrung::Adjust() {
    CentreReference();
    const int n = PointCount();
    CGMatrix a(2 * n, 8);
    CGMatrix l(2 * n, 1);
    BuildDesignMatrix(a, l);
    CGMatrix t(a);
    t.Transpose();
    CGMatrix normal;
    normal.Multiply(t, a);
    normal.Invert();
    if (normal.GetDeterminant() == 0.0) {
        ui::MessageId(kMsgSingular);
        return 0;
    }
    CGMatrix h;
    h.Multiply(normal, t);
    CGMatrix p;
    p.Multiply(h, l);
    CGMatrix v;
    v.Multiply(a, p);
    v -= l;

    // The fitted transformation must be invertible before anything is stored.
    CEntzerrung trial;
    for (int k = 0; k < 8; ++k) trial.m_p[k] = p.GetAt(k + 1, 1);
    if (!trial.ComputeInverse()) {
        ui::MessageId(kMsgSingular);
        return 0;
    }
    std::copy(std::begin(trial.m_p), std::end(trial.m_p), m_p);
    std::copy(std::begin(trial.m_b), std::end(trial.m_b), m_b);
    m_residuals = v;
    return 1;
}

int CEntzerrung::ComputeInverse() {
    CGMatrix m(3, 3);
    const double values[9] = {1.0, m_p[0], m_p[1], m_p[2], m_p[3], m_p[4], m_p[5], m_p[6], m_p[7]};
    for (int k = 0; k < 9; ++k) m.SetAtUnchecked(k / 3, k % 3, values[k]);
    m.Invert();
    if (m.GetDeterminant() == 0.0) return 0;
    for (int k = 0; k < 9; ++k) m_b[k] = m.GetAtUnchecked(k / 3, k % 3);
    return 1;
}

void CEntzerrung::SetParameters(const double (&p)[8]) {
    std::copy(std::begin(p), std::end(p), m_p);
    ComputeInverse();
}

int CEntzerrung::Transform(double x, double y, double& planeX, double& planeY) const {
    const double w = x * m_p[0] + 1.0 + y * m_p[1];
    if (w == 0.0) return 0;
    planeX = (m_p[2] + m_p[3] * x + m_p[4] * y) / w;
    planeY = (m_p[5] + m_p[6] * x + m_p[7] * y) / w;
    return 1;
}

int CEntzerrung::InverseTransform(double planeX, double planeY, double& x, double& y) const {
    const double w = m_b[0] + m_b[1] * planeX + m_b[2] * planeY;
    if (w == 0.0) return 0;
    x = (m_b[3] + m_b[4] * planeX + m_b[5] * planeY) / w;
    y = (m_b[6] + m_b[7] * planeX + m_b[8] * planeY) / w;
    return 1;
}

void CEntzerrung::SetBackground(int red, int green, int blue) {
    m_red = red;
    m_green = green;
    m_blue = blue;
}

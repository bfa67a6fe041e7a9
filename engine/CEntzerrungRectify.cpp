// Target extent, target preparation and the per-pixel rectification of CEntzerrung.
#include <algorithm>
#include <cmath>

#include "CDistortionCalibration.h"
#include "CEntzerrung.h"
#include "CRaster.h"
#include "UserInterface.h"

namespace {

constexpr int kMsgAbort = 10059;
constexpr int kMsgDiscard = 10060;

// Target column fi and plane row r to the source point (sx, sr): x to the right, sr counted
// from the bottom edge (hs - y). False when the denominator is 0.
inline bool SourcePoint(const double* m, double fi, double r, double hs, double& sx,
                        double& sr) {
    const double w = m[0] + m[1] * fi + m[2] * r;
    if (w == 0.0) return false;
    sx = (m[3] + m[4] * fi + m[5] * r) / w;
    const double sy = (m[6] + m[7] * fi + m[8] * r) / w;
    sr = hs - sy;
    return true;
}

// True when the truncated position lies in the source. Made on the doubles, so NaN and
// positions beyond the int range are outside.
inline bool InsideSource(double sx, double sr, double ws, double hs) {
    return sx > -1.0 && sx < ws && sr > -1.0 && sr < hs;
}

// One channel of the bilinear sample, the same arithmetic as CRaster::GetPixelColorBilinear.
inline uint8_t Mix(int v00, int v10, int v01, int v11, double fx, double fy, double fxy) {
    const double v = v00 + (v01 - v00) * fy + (v10 - v00) * fx + (v11 - v01 - v10 + v00) * fxy;
    const int t = static_cast<int>(v);
    return static_cast<uint8_t>(t < 0 ? 0 : (t > 255 ? 255 : t));
}

bool IsPlain24(const CRaster& image) {
    return image.IsValid() && image.GetBpp() == 24 && image.GetNumColors() == 0;
}

}  // namespace

double CEntzerrung::ComputeTargetExtent(const CRaster& source, int& width, int& height,
                                        double& extentX) {
    const double w = source.GetWidth();
    const double h = source.GetHeight();
    const double cornerX[4] = {0.0, w, w, 0.0};
    const double cornerY[4] = {0.0, 0.0, h, h};
    double px[4], py[4];
    bool usable = true;
    int sign = 0;
    for (int k = 0; k < 4; ++k) {
        const double denominator = cornerX[k] * m_p[0] + 1.0 + cornerY[k] * m_p[1];
        const int s = denominator > 0.0 ? 1 : (denominator < 0.0 ? -1 : 0);
        if (s == 0 || (sign != 0 && s != sign) || !Transform(cornerX[k], cornerY[k], px[k], py[k]) ||
            !std::isfinite(px[k]) || !std::isfinite(py[k])) {
            usable = false;
            break;
        }
        sign = s;
    }
    if (!usable) {
        // A corner at infinity or the horizon across the source: no meaningful extent.
        m_minX = m_minY = m_maxX = m_maxY = 0.0;
        width = height = 0;
        extentX = 0.0;
        return 0.0;
    }
    m_minX = *std::min_element(px, px + 4);
    m_maxX = *std::max_element(px, px + 4);
    m_minY = *std::min_element(py, py + 4);
    m_maxY = *std::max_element(py, py + 4);
    const double spanX = m_maxX - m_minX;
    const double spanY = m_maxY - m_minY;
    const double aspect = (spanX == 0.0 || spanY == 0.0) ? 0.0 : spanY / spanX;
    width = int(source.GetWidth());
    const double proposed = w * aspect + 0.5;
    height = proposed < double(INT32_MAX) ? int(proposed) : INT32_MAX;
    extentX = spanX;
    return aspect;
}

void CEntzerrung::GetExtent(double& minX, double& minY, double& maxX, double& maxY) const {
    minX = m_minX;
    minY = m_minY;
    maxX = m_maxX;
    maxY = m_maxY;
}

void CEntzerrung::SetExtent(double minX, double minY, double maxX, double maxY) {
    m_minX = minX;
    m_minY = minY;
    m_maxX = maxX;
    m_maxY = maxY;
}

int CEntzerrung::PrepareTarget(const CRaster& source, CRaster& target, double c, double aspect) {
    const double span = m_maxX - m_minX;
    if (span == 0.0 || !(c > 0.0) || !std::isfinite(c) || !std::isfinite(span)) return 0;
    const double w = span / c + 0.5;
    const double h = span / c * aspect + 0.5;
    // Checked on the doubles: NaN and values beyond the limit never reach the int conversion.
    if (!(w >= 1.0 && w < kMaxTargetSide + 1.0 && h >= 1.0 && h < kMaxTargetSide + 1.0)) return 0;
    const uint32_t width = uint32_t(w);
    const uint32_t height = uint32_t(h);
    const uint64_t stride = (uint64_t{width} * 3 + 3) & ~uint64_t{3};
    if (stride * height + sizeof(BITMAPINFOHEADER) > RASTER_MAX_MEMORY) return 0;

    const double* b = m_b;
    m_m[0] = b[0] + b[1] * m_minX + b[2] * m_minY;
    m_m[1] = c * b[1];
    m_m[2] = c * b[2];
    m_m[3] = b[3] + b[4] * m_minX + b[5] * m_minY;
    m_m[4] = c * b[4];
    m_m[5] = c * b[5];
    m_m[6] = b[6] + b[7] * m_minX + b[8] * m_minY;
    m_m[7] = c * b[7];
    m_m[8] = c * b[8];
    return target.Create(width, height, 24, source.GetType()) ? 1 : 0;
}

int CEntzerrung::TargetPixelToSource(double column, double row, double& sx, double& sy) const {
    const double w = m_m[0] + m_m[1] * column + m_m[2] * row;
    if (w == 0.0) return 0;
    sx = (m_m[3] + m_m[4] * column + m_m[5] * row) / w;
    sy = (m_m[6] + m_m[7] * column + m_m[8] * row) / w;
    return 1;
}

template <bool kInterpolate, bool kDistortion>
void CEntzerrung::RectifyRow(const CRaster& source, CRaster& target, int row,
                             CDistortionCalibration* distortion) const {
    const int wt = int(target.GetWidth());
    const int ws = int(source.GetWidth());
    const int hs = int(source.GetHeight());
    const double dws = ws, dhs = hs;
    const double r = double(int(target.GetHeight()) - row);
    const uint8_t* src = source.GetBits(0);
    const size_t srcStride = source.GetRowStride();
    uint8_t* out = target.GetBits(uint32_t(row));
    const uint8_t bg[3] = {uint8_t(m_blue), uint8_t(m_green), uint8_t(m_red)};

    for (int i = 0; i < wt; ++i, out += 3) {
        double sx, sr;
        if (!SourcePoint(m_m, double(i), r, dhs, sx, sr)) {
            out[0] = bg[0], out[1] = bg[1], out[2] = bg[2];
            continue;
        }
        if constexpr (kDistortion) {
            double dx = 0.0, dy = 0.0;
            distortion->ComputeCorrection(sx, sr, 1, dx, dy);
            sx += dx;
            sr += dy;
        }
        if (!InsideSource(sx, sr, dws, dhs)) {
            out[0] = bg[0], out[1] = bg[1], out[2] = bg[2];
            continue;
        }
        const int ix = int(sx);
        const int iy = int(sr);
        if constexpr (kInterpolate) {
            const int x1 = ix + 1 < ws ? ix + 1 : ws - 1;
            const int y1 = iy + 1 < hs ? iy + 1 : hs - 1;
            const double fx = sx - ix;
            const double fy = sr - iy;
            const double fxy = fx * fy;
            const uint8_t* p00 = src + size_t(iy) * srcStride + size_t(ix) * 3;
            const uint8_t* p10 = src + size_t(iy) * srcStride + size_t(x1) * 3;
            const uint8_t* p01 = src + size_t(y1) * srcStride + size_t(ix) * 3;
            const uint8_t* p11 = src + size_t(y1) * srcStride + size_t(x1) * 3;
            for (int k = 0; k < 3; ++k) out[k] = Mix(p00[k], p10[k], p01[k], p11[k], fx, fy, fxy);
        } else {
            const uint8_t* p = src + size_t(iy) * srcStride + size_t(ix) * 3;
            out[0] = p[0], out[1] = p[1], out[2] = p[2];
        }
    }
}

void CEntzerrung::RectifyRowGeneric(const CRaster& source, CRaster& target, int row,
                                    bool interpolate, CDistortionCalibration* distortion) const {
    const int wt = int(target.GetWidth());
    const double dws = source.GetWidth(), dhs = source.GetHeight();
    const double r = double(int(target.GetHeight()) - row);
    const RGBQUAD background{uint8_t(m_blue), uint8_t(m_green), uint8_t(m_red), 0};
    for (int i = 0; i < wt; ++i) {
        double sx, sr;
        RGBQUAD color = background;
        if (SourcePoint(m_m, double(i), r, dhs, sx, sr)) {
            if (distortion) {
                double dx = 0.0, dy = 0.0;
                distortion->ComputeCorrection(sx, sr, 1, dx, dy);
                sx += dx;
                sr += dy;
            }
            if (InsideSource(sx, sr, dws, dhs)) {
                color = interpolate ? source.GetPixelColorBilinear(sx, sr)
                                    : source.GetPixelColor(int(sx), int(sr));
            }
        }
        target.SetPixelColor(i, row, color);
    }
}

int CEntzerrung::Rectify(const CRaster& source, CRaster& target, ui::CProgress* progress,
                         bool interpolate, CDistortionCalibration* distortion) {
    ui::CWaitCursor wait;
    const int ht = int(target.GetHeight());
    if (progress) {
        progress->SetRange(0, ht);
        progress->SetStep(1);
        progress->SetPos(0);
    }
    if (distortion) {
        distortion->SetImageRange(0.0, 0.0, source.GetWidth(), source.GetHeight());
    }
    const bool fast = IsPlain24(source) && IsPlain24(target) && source.GetWidth() > 0 &&
                      source.GetHeight() > 0;
    int result = 1;
    for (int j = 0; j < ht; ++j) {
        if (!fast) {
            RectifyRowGeneric(source, target, j, interpolate, distortion);
        } else if (distortion) {
            if (interpolate) {
                RectifyRow<true, true>(source, target, j, distortion);
            } else {
                RectifyRow<false, true>(source, target, j, distortion);
            }
        } else if (interpolate) {
            RectifyRow<true, false>(source, target, j, nullptr);
        } else {
            RectifyRow<false, false>(source, target, j, nullptr);
        }
        if (progress) progress->StepIt();
        if (ui::Get().EscapePressed() &&
            ui::MessageId(kMsgAbort, ui::Buttons::YesNo, ui::Icon::Question) == ui::Answer::Yes) {
            if (ui::MessageId(kMsgDiscard, ui::Buttons::YesNo, ui::Icon::Question) ==
                ui::Answer::Yes) {
                result = 0;
            }
            break;
        }
    }
    if (progress) progress->SetPos(0);
    return result;
}

// Target extent, target preparation and the per-pixel rectification of CEntzerrung.
#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "CDistortionCalibration.h"
#include "CEntzerrung.h"
#include "CRaster.h"
#include "UserInterface.h"

namespace {

constexpr int kMsgAbort = 10059;
constexpr int kMsgDiscard = 10060;

// Target column fi and plane row r to the source point (sx, sr): x to the right, sr counted
// from the bottom edge (hs - y). False when the denominator is 0.
inline bool SourcePoint(const double* m, double fi, double r, double hs, double& sx, double& sr) {
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

// The bilinear sample of one 24-bit pixel: the same operations as Mix on blue, green and red.
inline void MixPixel(const uint8_t* p00, const uint8_t* p10, const uint8_t* p01, const uint8_t* p11,
                     double fx, double fy, double fxy, uint8_t* out) {
#if defined(__SSE2__)
    // Blue, green and red as the first three 32-bit lanes; the differences are exact in
    // integers, and the double steps run in the scalar order, so every channel rounds alike.
    auto load = [](const uint8_t* p) {
        const uint32_t v = p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
        const __m128i zero = _mm_setzero_si128();
        return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(v)), zero), zero);
    };
    const __m128i v00 = load(p00), v10 = load(p10), v01 = load(p01), v11 = load(p11);
    const __m128i d1 = _mm_sub_epi32(v01, v00);
    const __m128i d2 = _mm_sub_epi32(v10, v00);
    const __m128i d3 = _mm_add_epi32(_mm_sub_epi32(_mm_sub_epi32(v11, v01), v10), v00);
    const __m128d vfx = _mm_set1_pd(fx), vfy = _mm_set1_pd(fy), vfxy = _mm_set1_pd(fxy);
    auto half = [&](__m128i a, __m128i b, __m128i c, __m128i d) {
        __m128d v = _mm_add_pd(_mm_cvtepi32_pd(a), _mm_mul_pd(_mm_cvtepi32_pd(b), vfy));
        v = _mm_add_pd(v, _mm_mul_pd(_mm_cvtepi32_pd(c), vfx));
        v = _mm_add_pd(v, _mm_mul_pd(_mm_cvtepi32_pd(d), vfxy));
        return _mm_cvttpd_epi32(v);
    };
    auto high = [](__m128i x) { return _mm_shuffle_epi32(x, _MM_SHUFFLE(3, 2, 3, 2)); };
    const __m128i lo = half(v00, d1, d2, d3);
    const __m128i hi = half(high(v00), high(d1), high(d2), high(d3));
    // Saturating packs clamp to 0 ... 255 as Mix does.
    const __m128i t = _mm_unpacklo_epi64(lo, hi);
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(t, t), _mm_setzero_si128());
    const uint32_t packed = uint32_t(_mm_cvtsi128_si32(bytes));
    out[0] = uint8_t(packed);
    out[1] = uint8_t(packed >> 8);
    out[2] = uint8_t(packed >> 16);
#else
    for (int k = 0; k < 3; ++k) out[k] = Mix(p00[k], p10[k], p01[k], p11[k], fx, fy, fxy);
#endif
}

bool IsPlain24(const CRaster& image) {
    return image.IsValid() && image.GetBpp() == 24 && image.GetNumColors() == 0;
}

#if defined(__x86_64__)
// Bilinear samples of a whole row with AVX2: blue, green, red (and one unused lane) of a pixel
// in one vector of four doubles, through the same operations in the same order as Mix.
// A 24-bit pixel as four 32-bit lanes blue, green, red and one unused; with wide = true the
// fourth byte is read as well, which the caller allows only inside the image block.
__attribute__((target("avx2"))) inline __m128i LoadPixelAvx2(const uint8_t* p, bool wide) {
    uint32_t v;
    if (wide) {
        std::memcpy(&v, p, 4);
    } else {
        v = p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
    }
    return _mm_cvtepu8_epi32(_mm_cvtsi32_si128(int(v)));
}

// Bilinear samples of a whole row with AVX2: blue, green, red (and one unused lane) of a pixel
// in one vector of four doubles, through the same operations in the same order as Mix.
__attribute__((target("avx2"))) void BilinearRowAvx2(const uint8_t* src, size_t stride, int ws,
                                                     int hs, const double* bx, const double* br,
                                                     const uint8_t* valid, int wt, uint8_t* out,
                                                     const uint8_t bg[3]) {
    const double dws = ws, dhs = hs;
    for (int i = 0; i < wt; ++i, out += 3) {
        const double sx = bx[i], sr = br[i];
        if (!valid[i] || !InsideSource(sx, sr, dws, dhs)) {
            out[0] = bg[0], out[1] = bg[1], out[2] = bg[2];
            continue;
        }
        const int ix = int(sx);
        const int iy = int(sr);
        const int x1 = ix + 1 < ws ? ix + 1 : ws - 1;
        const int y1 = iy + 1 < hs ? iy + 1 : hs - 1;
        const double fx = sx - ix;
        const double fy = sr - iy;
        const double fxy = fx * fy;
        const uint8_t* row0 = src + size_t(iy) * stride;
        const uint8_t* row1 = src + size_t(y1) * stride;
        // Only the very last pixel of the image block has no fourth byte behind it.
        const bool wide = x1 < ws - 1 || y1 < hs - 1;
        const __m128i v00 = LoadPixelAvx2(row0 + size_t(ix) * 3, wide);
        const __m128i v10 = LoadPixelAvx2(row0 + size_t(x1) * 3, wide);
        const __m128i v01 = LoadPixelAvx2(row1 + size_t(ix) * 3, wide);
        const __m128i v11 = LoadPixelAvx2(row1 + size_t(x1) * 3, wide);
        const __m128i d1 = _mm_sub_epi32(v01, v00);
        const __m128i d2 = _mm_sub_epi32(v10, v00);
        const __m128i d3 = _mm_add_epi32(_mm_sub_epi32(_mm_sub_epi32(v11, v01), v10), v00);
        __m256d v = _mm256_add_pd(_mm256_cvtepi32_pd(v00),
                                  _mm256_mul_pd(_mm256_cvtepi32_pd(d1), _mm256_set1_pd(fy)));
        v = _mm256_add_pd(v, _mm256_mul_pd(_mm256_cvtepi32_pd(d2), _mm256_set1_pd(fx)));
        v = _mm256_add_pd(v, _mm256_mul_pd(_mm256_cvtepi32_pd(d3), _mm256_set1_pd(fxy)));
        const __m128i t = _mm256_cvttpd_epi32(v);
        // Saturating packs clamp to 0 ... 255 as Mix does.
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(t, t), _mm_setzero_si128());
        const uint32_t packed = uint32_t(_mm_cvtsi128_si32(bytes));
        if (i + 1 < wt) {
            // The fourth byte belongs to the next pixel, which is written after this one.
            std::memcpy(out, &packed, 4);
        } else {
            out[0] = uint8_t(packed);
            out[1] = uint8_t(packed >> 8);
            out[2] = uint8_t(packed >> 16);
        }
    }
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

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
        if (s == 0 || (sign != 0 && s != sign) ||
            !Transform(cornerX[k], cornerY[k], px[k], py[k]) || !std::isfinite(px[k]) ||
            !std::isfinite(py[k])) {
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
                             CDistortionCalibration* distortion, RowBuffers& buffers) const {
    const int wt = int(target.GetWidth());
    const int ws = int(source.GetWidth());
    const int hs = int(source.GetHeight());
    const double dws = ws, dhs = hs;
    const double r = double(int(target.GetHeight()) - row);

    // Pass 1: the source point of every pixel of the row. The same operations as
    // SourcePoint, without branches so that the compiler can run several pixels at once; a
    // zero denominator is divided by 1 instead and marked.
    const double m0 = m_m[0], m1 = m_m[1], m2r = m_m[2] * r;
    const double m3 = m_m[3], m4 = m_m[4], m5r = m_m[5] * r;
    const double m6 = m_m[6], m7 = m_m[7], m8r = m_m[8] * r;
    double* bx = buffers.x.data();
    double* br = buffers.r.data();
    uint8_t* bok = buffers.valid.data();
    int i = 0;
#if defined(__SSE2__)
    {
        // Two pixels at a time; every lane does the scalar operations in the scalar order.
        const __m128d vm0 = _mm_set1_pd(m0), vm1 = _mm_set1_pd(m1), vm2r = _mm_set1_pd(m2r);
        const __m128d vm3 = _mm_set1_pd(m3), vm4 = _mm_set1_pd(m4), vm5r = _mm_set1_pd(m5r);
        const __m128d vm6 = _mm_set1_pd(m6), vm7 = _mm_set1_pd(m7), vm8r = _mm_set1_pd(m8r);
        const __m128d vhs = _mm_set1_pd(dhs), one = _mm_set1_pd(1.0), zero = _mm_setzero_pd();
        const __m128d two = _mm_set1_pd(2.0);
        __m128d fi = _mm_set_pd(1.0, 0.0);
        for (; i + 1 < wt; i += 2, fi = _mm_add_pd(fi, two)) {
            const __m128d w = _mm_add_pd(_mm_add_pd(vm0, _mm_mul_pd(vm1, fi)), vm2r);
            const __m128d zeroW = _mm_cmpeq_pd(w, zero);
            const __m128d d = _mm_or_pd(_mm_andnot_pd(zeroW, w), _mm_and_pd(zeroW, one));
            const __m128d nx = _mm_add_pd(_mm_add_pd(vm3, _mm_mul_pd(vm4, fi)), vm5r);
            const __m128d ny = _mm_add_pd(_mm_add_pd(vm6, _mm_mul_pd(vm7, fi)), vm8r);
            _mm_storeu_pd(bx + i, _mm_div_pd(nx, d));
            _mm_storeu_pd(br + i, _mm_sub_pd(vhs, _mm_div_pd(ny, d)));
            const int zeroMask = _mm_movemask_pd(zeroW);
            bok[i] = !(zeroMask & 1);
            bok[i + 1] = !(zeroMask & 2);
        }
    }
#endif
    for (; i < wt; ++i) {
        const double fi = i;
        const double w = m0 + m1 * fi + m2r;
        const bool ok = w != 0.0;
        const double d = ok ? w : 1.0;
        bx[i] = (m3 + m4 * fi + m5r) / d;
        br[i] = dhs - (m6 + m7 * fi + m8r) / d;
        bok[i] = ok;
    }
    if constexpr (kDistortion) {
        for (int i = 0; i < wt; ++i) {
            if (!bok[i]) continue;
            double dx = 0.0, dy = 0.0;
            distortion->ComputeCorrectionBottomUp(bx[i], br[i], 1, dx, dy);
            bx[i] += dx;
            br[i] += dy;
        }
    }

    // Pass 2: the samples.
    const uint8_t* src = source.GetBits(0);
    const size_t srcStride = source.GetRowStride();
    uint8_t* out = target.GetBits(uint32_t(row));
    const uint8_t b0 = uint8_t(m_blue), b1 = uint8_t(m_green), b2 = uint8_t(m_red);
#if defined(__x86_64__)
    if (kInterpolate && HasAvx2()) {
        const uint8_t bg[3] = {b0, b1, b2};
        BilinearRowAvx2(src, srcStride, ws, hs, bx, br, bok, wt, out, bg);
        return;
    }
#endif
    for (int i = 0; i < wt; ++i, out += 3) {
        const double sx = bx[i], sr = br[i];
        if (!bok[i] || !InsideSource(sx, sr, dws, dhs)) {
            out[0] = b0, out[1] = b1, out[2] = b2;
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
            const uint8_t* row0 = src + size_t(iy) * srcStride;
            const uint8_t* row1 = src + size_t(y1) * srcStride;
            MixPixel(row0 + size_t(ix) * 3, row0 + size_t(x1) * 3, row1 + size_t(ix) * 3,
                     row1 + size_t(x1) * 3, fx, fy, fxy, out);
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
                distortion->ComputeCorrectionBottomUp(sx, sr, 1, dx, dy);
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
    const bool fast =
        IsPlain24(source) && IsPlain24(target) && source.GetWidth() > 0 && source.GetHeight() > 0;
    RowBuffers buffers;
    if (fast) {
        const size_t wt = target.GetWidth();
        buffers.x.resize(wt);
        buffers.r.resize(wt);
        buffers.valid.resize(wt);
    }
    int result = 1;
    for (int j = 0; j < ht; ++j) {
        if (!fast) {
            RectifyRowGeneric(source, target, j, interpolate, distortion);
        } else if (distortion) {
            if (interpolate) {
                RectifyRow<true, true>(source, target, j, distortion, buffers);
            } else {
                RectifyRow<false, true>(source, target, j, distortion, buffers);
            }
        } else if (interpolate) {
            RectifyRow<true, false>(source, target, j, nullptr, buffers);
        } else {
            RectifyRow<false, false>(source, target, j, nullptr, buffers);
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

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

// What sampling a 24-bit source needs to know of it and of the background.
struct SourceRows {
    const uint8_t* bits;
    size_t stride;
    int ws, hs;
    // Bytes of all rows, padding included.
    int64_t size;
    // The background colour, blue, green and red, four times and once more.
    uint8_t bg[16];
};

SourceRows MakeSourceRows(const CRaster& source, int blue, int green, int red) {
    const size_t stride = source.GetRowStride();
    const int hs = int(source.GetHeight());
    SourceRows s{
        source.GetBits(0), stride, int(source.GetWidth()), hs, int64_t(stride * size_t(hs)), {}};
    for (int k = 0; k < 15; k += 3) {
        s.bg[k] = uint8_t(blue), s.bg[k + 1] = uint8_t(green), s.bg[k + 2] = uint8_t(red);
    }
    return s;
}

// One target pixel from the source point (sx, sr); inside says whether the denominator was
// non-zero and the truncated point lies in the source.
template <bool kInterpolate>
inline void SamplePixel(const SourceRows& s, double sx, double sr, bool inside, uint8_t* out) {
    if (!inside) {
        out[0] = s.bg[0], out[1] = s.bg[1], out[2] = s.bg[2];
        return;
    }
    const int ix = int(sx);
    const int iy = int(sr);
    if constexpr (kInterpolate) {
        const int x1 = ix + 1 < s.ws ? ix + 1 : s.ws - 1;
        const int y1 = iy + 1 < s.hs ? iy + 1 : s.hs - 1;
        const double fx = sx - ix;
        const double fy = sr - iy;
        const double fxy = fx * fy;
        const uint8_t* row0 = s.bits + size_t(iy) * s.stride;
        const uint8_t* row1 = s.bits + size_t(y1) * s.stride;
        MixPixel(row0 + size_t(ix) * 3, row0 + size_t(x1) * 3, row1 + size_t(ix) * 3,
                 row1 + size_t(x1) * 3, fx, fy, fxy, out);
    } else {
        const uint8_t* p = s.bits + size_t(iy) * s.stride + size_t(ix) * 3;
        out[0] = p[0], out[1] = p[1], out[2] = p[2];
    }
}

template <bool kInterpolate>
void SampleRowScalar(const SourceRows& s, const double* bx, const double* br, const uint8_t* valid,
                     int wt, uint8_t* out) {
    const double dws = s.ws, dhs = s.hs;
    for (int i = 0; i < wt; ++i, out += 3) {
        const bool inside = valid[i] && InsideSource(bx[i], br[i], dws, dhs);
        SamplePixel<kInterpolate>(s, bx[i], br[i], inside, out);
    }
}

bool g_vectorRowsAllowed = true;

#if defined(__x86_64__)
// The AVX2 samplers take four target pixels at a time. Offsets into the source pixels are
// 32-bit lanes, which the size limit of an image block allows.
static_assert(RASTER_MAX_MEMORY <= uint64_t{1} << 31);

// Small helpers are inlined into the row loops, where their constants fold.
#define AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

// Four pixels take the vector path when every source point has -1 < sx < xEnd and
// -1 < sr < rEnd: away from the right and top edges, where neighbours are clamped, and where a
// read of whole words would pass the end of the pixels.
struct VectorRange {
    double xEnd, rEnd;
};

// The end for truncated coordinates up to last; none when last is negative.
double EndFor(int last) { return last >= 0 ? last + 1.0 : -1.0; }

VectorRange RangeFor(const SourceRows& s, bool interpolate) {
    // Bytes behind the last pixel of the top row.
    const int64_t spare = int64_t(s.stride) - 3 * int64_t(s.ws);
    if (interpolate) {
        // Eight bytes from each corner row: the pixel, its right neighbour and two more.
        return {EndFor(s.ws - 2), EndFor(spare >= 2 ? s.hs - 2 : s.hs - 3)};
    }
    // Four bytes per pixel.
    return {EndFor(s.ws - 1), EndFor(spare >= 1 ? s.hs - 1 : s.hs - 2)};
}

// The offsets of the source pixels (ix, iy), in lanes.
AVX2_INLINE __m128i PixelOffsets(const SourceRows& s, __m128i ix, __m128i iy) {
    return _mm_add_epi32(_mm_mullo_epi32(iy, _mm_set1_epi32(int(s.stride))),
                         _mm_add_epi32(_mm_add_epi32(ix, ix), ix));
}

// Asks for the source bytes the next target row will read here, guessed from how far this
// row moved from the previous one; previous, when given, then holds this row's offset.
AVX2_INLINE void PrefetchNextRow(const SourceRows& s, int32_t offset, int32_t* previous, int rows) {
    if (!previous) return;
    const int64_t next = std::clamp<int64_t>(2 * int64_t(offset) - *previous, 0, s.size - 1);
    *previous = offset;
    _mm_prefetch(reinterpret_cast<const char*>(s.bits + next), _MM_HINT_T0);
    if (rows == 2) {
        const int64_t upper = std::min<int64_t>(next + int64_t(s.stride), s.size - 1);
        _mm_prefetch(reinterpret_cast<const char*>(s.bits + upper), _MM_HINT_T0);
    }
}

// Writes four pixels packed in the low 12 bytes of a vector.
AVX2_INLINE void Store4(__m128i pixels, uint8_t* out) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), pixels);
    const uint32_t last = uint32_t(_mm_extract_epi32(pixels, 2));
    std::memcpy(out + 8, &last, 4);
}

// Four pixels whose source points lie in the nearest VectorRange; a pixel is read as four
// bytes.
AVX2_INLINE void Nearest4(const SourceRows& s, __m256d sx, __m256d sr, int32_t* previous,
                          uint8_t* out) {
    alignas(16) int32_t o[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(o),
                    PixelOffsets(s, _mm256_cvttpd_epi32(sx), _mm256_cvttpd_epi32(sr)));
    PrefetchNextRow(s, o[0], previous, 1);
    uint32_t p[4];
    for (int k = 0; k < 4; ++k) std::memcpy(&p[k], s.bits + o[k], 4);
    const __m128i pixels = _mm_setr_epi32(int(p[0]), int(p[1]), int(p[2]), int(p[3]));
    Store4(_mm_shuffle_epi8(pixels,
                            _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1)),
           out);
}

// The four corners of the pixel at offset o: bytes 0 ... 5 the lower left and right, 8 ... 13
// the upper ones.
AVX2_INLINE __m128i Corners(const SourceRows& s, int32_t o) {
    uint64_t low, high;
    std::memcpy(&low, s.bits + o, 8);
    std::memcpy(&high, s.bits + o + s.stride, 8);
    return _mm_set_epi64x(int64_t(high), int64_t(low));
}

// Byte q of the corners of four pixels as the doubles 2^52 + byte, one pixel per lane, from
// the corners interleaved by Bilinear4.
AVX2_INLINE __m256d Pick(const __m256i* interleaved, int q) {
    // Per 64-bit lane the pixel's byte, then zeros, then 0x30 and 0x43 from bytes 12 and 13:
    // the exponent of 2^52.
    const int64_t lane = int64_t(0x0D0C808080808000) | (2 * (q % 8));
    const __m256i pick = _mm256_setr_epi64x(lane, lane + 1, lane, lane + 1);
    return _mm256_castsi256_pd(_mm256_shuffle_epi8(interleaved[q / 8], pick));
}

// One channel of four bilinear samples, through the same operations in the same order as Mix.
// The corners and their differences are small integers, exact in doubles in any order.
AVX2_INLINE __m128i Channel(const __m256i* interleaved, int k, __m256d fx, __m256d fy,
                            __m256d fxy) {
    const __m256d c00 = Pick(interleaved, k), c10 = Pick(interleaved, 3 + k);
    const __m256d c01 = Pick(interleaved, 8 + k), c11 = Pick(interleaved, 11 + k);
    const __m256d v00 = _mm256_sub_pd(c00, _mm256_set1_pd(0x1p52));
    const __m256d d1 = _mm256_sub_pd(c01, c00);
    const __m256d d2 = _mm256_sub_pd(c10, c00);
    const __m256d d3 = _mm256_sub_pd(_mm256_sub_pd(c11, c10), d1);
    __m256d v = _mm256_add_pd(v00, _mm256_mul_pd(d1, fy));
    v = _mm256_add_pd(v, _mm256_mul_pd(d2, fx));
    v = _mm256_add_pd(v, _mm256_mul_pd(d3, fxy));
    return _mm256_cvttpd_epi32(v);
}

// Bilinear samples of four pixels whose source points lie in the bilinear VectorRange, one
// channel of all four per vector of doubles.
AVX2_INLINE void Bilinear4(const SourceRows& s, __m256d sx, __m256d sr, int32_t* previous,
                           uint8_t* out) {
    const __m128i ix = _mm256_cvttpd_epi32(sx), iy = _mm256_cvttpd_epi32(sr);
    alignas(16) int32_t o[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(o), PixelOffsets(s, ix, iy));
    PrefetchNextRow(s, o[0], previous, 2);
    // Pixels 0 and 1 in the lower half, 2 and 3 in the upper one; interleaving gives in each
    // half 16-bit elements q holding byte q of both pixels' corners, and elements 6 and 7, the
    // bytes behind the right neighbour, become the exponent bytes for Pick.
    const __m256i even =
        _mm256_inserti128_si256(_mm256_castsi128_si256(Corners(s, o[0])), Corners(s, o[2]), 1);
    const __m256i odd =
        _mm256_inserti128_si256(_mm256_castsi128_si256(Corners(s, o[1])), Corners(s, o[3]), 1);
    const __m256i exponent = _mm256_set1_epi32(0x43304330);
    const __m256i interleaved[2] = {
        _mm256_blend_epi32(_mm256_unpacklo_epi8(even, odd), exponent, 0x88),
        _mm256_blend_epi32(_mm256_unpackhi_epi8(even, odd), exponent, 0x88)};
    const __m256d fx = _mm256_sub_pd(sx, _mm256_cvtepi32_pd(ix));
    const __m256d fy = _mm256_sub_pd(sr, _mm256_cvtepi32_pd(iy));
    const __m256d fxy = _mm256_mul_pd(fx, fy);
    const __m128i b = Channel(interleaved, 0, fx, fy, fxy);
    const __m128i g = Channel(interleaved, 1, fx, fy, fxy);
    const __m128i r = Channel(interleaved, 2, fx, fy, fxy);
    // The saturating packs clamp to 0 ... 255 as Mix does.
    const __m128i planes = _mm_packus_epi16(_mm_packs_epi32(b, g), _mm_packs_epi32(r, r));
    Store4(_mm_shuffle_epi8(planes,
                            _mm_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1)),
           out);
}

// The first n (1 ... 4) target pixels of a group from their source points; usable holds a
// bit per pixel whose denominator was non-zero, previous (if any) the group's offset in the
// last row.
template <bool kInterpolate>
AVX2_INLINE void Sample4(const SourceRows& s, const VectorRange& range, __m256d sx, __m256d sr,
                         int usable, int n, int32_t* previous, uint8_t* out) {
    // Ordered comparisons: NaN is never inside.
    const __m256d low = _mm256_set1_pd(-1.0);
    const __m256d inX = _mm256_and_pd(_mm256_cmp_pd(sx, low, _CMP_GT_OQ),
                                      _mm256_cmp_pd(sx, _mm256_set1_pd(range.xEnd), _CMP_LT_OQ));
    const __m256d inR = _mm256_and_pd(_mm256_cmp_pd(sr, low, _CMP_GT_OQ),
                                      _mm256_cmp_pd(sr, _mm256_set1_pd(range.rEnd), _CMP_LT_OQ));
    if (n == 4 && (_mm256_movemask_pd(_mm256_and_pd(inX, inR)) & usable) == 15) {
        if constexpr (kInterpolate) {
            Bilinear4(s, sx, sr, previous, out);
        } else {
            Nearest4(s, sx, sr, previous, out);
        }
        return;
    }
    const __m256d inside =
        _mm256_and_pd(_mm256_and_pd(_mm256_cmp_pd(sx, low, _CMP_GT_OQ),
                                    _mm256_cmp_pd(sx, _mm256_set1_pd(s.ws), _CMP_LT_OQ)),
                      _mm256_and_pd(_mm256_cmp_pd(sr, low, _CMP_GT_OQ),
                                    _mm256_cmp_pd(sr, _mm256_set1_pd(s.hs), _CMP_LT_OQ)));
    if (n == 4 && (_mm256_movemask_pd(inside) & usable) == 0) {
        Store4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s.bg)), out);
        return;
    }
    // Near the edges of the source and at the end of the row, pixel by pixel.
    alignas(32) double x[4], r[4];
    _mm256_store_pd(x, sx);
    _mm256_store_pd(r, sr);
    for (int k = 0; k < n; ++k) {
        const bool inside = ((usable >> k) & 1) && InsideSource(x[k], r[k], s.ws, s.hs);
        SamplePixel<kInterpolate>(s, x[k], r[k], inside, out + 3 * k);
    }
}

// A row from source points computed before.
template <bool kInterpolate>
__attribute__((target("avx2"))) void SampleRowAvx2(const SourceRows& rows, const double* bx,
                                                   const double* br, const uint8_t* valid, int wt,
                                                   uint8_t* out) {
    const SourceRows s = rows;
    const VectorRange range = RangeFor(s, kInterpolate);
    int i = 0;
    for (; i + 4 <= wt; i += 4, out += 12) {
        const int usable = (valid[i] ? 1 : 0) | (valid[i + 1] ? 2 : 0) | (valid[i + 2] ? 4 : 0) |
                           (valid[i + 3] ? 8 : 0);
        Sample4<kInterpolate>(s, range, _mm256_loadu_pd(bx + i), _mm256_loadu_pd(br + i), usable, 4,
                              nullptr, out);
    }
    SampleRowScalar<kInterpolate>(s, bx + i, br + i, valid + i, wt - i, out);
}

// A whole row without a correction: the source points of four pixels, through the same
// operations as SourcePoint, go straight to the samplers. previous holds an offset per group
// of four from the row before.
template <bool kInterpolate>
__attribute__((target("avx2"))) void RectifyRowAvx2(const SourceRows& rows, const double* m,
                                                    double r, int wt, int32_t* previous,
                                                    uint8_t* out) {
    const SourceRows s = rows;
    const VectorRange range = RangeFor(s, kInterpolate);
    const __m256d m0 = _mm256_set1_pd(m[0]), m1 = _mm256_set1_pd(m[1]);
    const __m256d m3 = _mm256_set1_pd(m[3]), m4 = _mm256_set1_pd(m[4]);
    const __m256d m6 = _mm256_set1_pd(m[6]), m7 = _mm256_set1_pd(m[7]);
    const __m256d m2r = _mm256_set1_pd(m[2] * r), m5r = _mm256_set1_pd(m[5] * r);
    const __m256d m8r = _mm256_set1_pd(m[8] * r);
    const __m256d hs = _mm256_set1_pd(s.hs), one = _mm256_set1_pd(1.0), four = _mm256_set1_pd(4.0);
    __m256d fi = _mm256_setr_pd(0.0, 1.0, 2.0, 3.0);
    for (int i = 0; i < wt; i += 4, out += 12, ++previous, fi = _mm256_add_pd(fi, four)) {
        const __m256d w = _mm256_add_pd(_mm256_add_pd(m0, _mm256_mul_pd(m1, fi)), m2r);
        // A zero denominator is divided by 1 instead and the pixel marked.
        const __m256d zeroW = _mm256_cmp_pd(w, _mm256_setzero_pd(), _CMP_EQ_OQ);
        const __m256d d = _mm256_blendv_pd(w, one, zeroW);
        const __m256d nx = _mm256_add_pd(_mm256_add_pd(m3, _mm256_mul_pd(m4, fi)), m5r);
        const __m256d ny = _mm256_add_pd(_mm256_add_pd(m6, _mm256_mul_pd(m7, fi)), m8r);
        const __m256d sx = _mm256_div_pd(nx, d);
        const __m256d sr = _mm256_sub_pd(hs, _mm256_div_pd(ny, d));
        const int usable = ~_mm256_movemask_pd(zeroW) & 15;
        Sample4<kInterpolate>(s, range, sx, sr, usable, std::min(4, wt - i), previous, out);
    }
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has && g_vectorRowsAllowed;
}
#undef AVX2_INLINE
#endif

template <bool kInterpolate>
void SampleRow(const SourceRows& s, const double* bx, const double* br, const uint8_t* valid,
               int wt, uint8_t* out) {
#if defined(__x86_64__)
    if (HasAvx2()) return SampleRowAvx2<kInterpolate>(s, bx, br, valid, wt, out);
#endif
    SampleRowScalar<kInterpolate>(s, bx, br, valid, wt, out);
}

// Whether rows without a correction go through RectifyRowFused.
bool CanFuseRows() {
#if defined(__x86_64__)
    return HasAvx2();
#else
    return false;
#endif
}

// A row without a correction in one pass; previous holds (wt + 3) / 4 offsets carried from row
// to row.
void RectifyRowFused(const SourceRows& s, const double* m, double r, int wt, bool interpolate,
                     int32_t* previous, uint8_t* out) {
#if defined(__x86_64__)
    if (interpolate) {
        RectifyRowAvx2<true>(s, m, r, wt, previous, out);
    } else {
        RectifyRowAvx2<false>(s, m, r, wt, previous, out);
    }
#endif
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
    const double dhs = source.GetHeight();
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
    SampleRow<kInterpolate>(MakeSourceRows(source, m_blue, m_green, m_red), bx, br, bok, wt,
                            target.GetBits(uint32_t(row)));
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

void CEntzerrung::AllowVectorRows(bool allowed) { g_vectorRowsAllowed = allowed; }

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
    const bool fused = fast && !distortion && CanFuseRows();
    SourceRows rows{};
    std::vector<int32_t> previous;
    RowBuffers buffers;
    if (fused) {
        rows = MakeSourceRows(source, m_blue, m_green, m_red);
        previous.resize((target.GetWidth() + 3) / 4);
    } else if (fast) {
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
        } else if (fused) {
            RectifyRowFused(rows, m_m, double(ht - j), int(target.GetWidth()), interpolate,
                            previous.data(), target.GetBits(uint32_t(j)));
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

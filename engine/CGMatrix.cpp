#include "CGMatrix.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "CArchive.h"
#include "CArchiveException.h"
#include "CGDiaMatrix.h"
#include "CNumberText.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Largest matrix ReadText and LoadBinary accept, in elements.
constexpr int64_t kMaxFileElements = int64_t{1} << 25;

// x[c] -= f * y[c] for the count elements: two at a time where the processor can, with the same
// rounding as one at a time.
void SubtractScaled(double* x, const double* y, double f, int count) {
    int c = 0;
#if defined(__SSE2__)
    const __m128d factor = _mm_set1_pd(f);
    for (; c + 4 <= count; c += 4) {
        const __m128d x0 = _mm_loadu_pd(x + c), x1 = _mm_loadu_pd(x + c + 2);
        const __m128d y0 = _mm_loadu_pd(y + c), y1 = _mm_loadu_pd(y + c + 2);
        _mm_storeu_pd(x + c, _mm_sub_pd(x0, _mm_mul_pd(factor, y0)));
        _mm_storeu_pd(x + c + 2, _mm_sub_pd(x1, _mm_mul_pd(factor, y1)));
    }
#endif
    for (; c < count; ++c) x[c] -= f * y[c];
}

// Appends " %.6f" of the value. The conversion is exact, as printf's is, so the digits are the
// same; it is done without printf's locale switch and arbitrary-precision arithmetic, which the
// matrix files of every distortion solve would otherwise wait for.
void AppendSixDecimals(std::string& text, double value) {
    // The longest: a sign, 309 digits, the point and six decimals.
    char buffer[320];
    buffer[0] = ' ';
    const auto [end, error] =
        std::to_chars(buffer + 1, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (std::isfinite(value) && error == std::errc())
        text.append(buffer, end);
    else
        text += CNumberText::Format(" %.6f", value);
}

}  // namespace

CGMatrix::CGMatrix(int rows, int cols, int flags, double value) {
    m_rows = std::max(rows, 0);
    m_cols = std::max(cols, 0);
    m_data.assign(size_t(m_rows) * size_t(m_cols), 0.0);
    if (flags & kFillAll) std::fill(m_data.begin(), m_data.end(), value);
    if (flags & kFillDiagonal) SetDiagonal(value);
}

CGMatrix::CGMatrix(const CGMatrix& other) = default;

CGMatrix& CGMatrix::operator=(const CGMatrix& other) {
    if (this != &other) {
        m_data = other.m_data;
        m_data.shrink_to_fit();
        m_cols = other.m_cols;
        m_rows = other.m_rows;
        m_sentinel = other.m_sentinel;
        m_determinant = other.m_determinant;
        m_minPivot = other.m_minPivot;
        m_maxPivot = other.m_maxPivot;
        m_trace = other.m_trace;
    }
    return *this;
}

CGMatrix::~CGMatrix() = default;

double CGMatrix::GetAt(int row, int col) const {
    if (!Inside(row, col)) return UNDEFINED_VALUE;
    return m_data[IndexRowCol(row - 1, col - 1)];
}

void CGMatrix::SetAt(int row, int col, double value) {
    if (Inside(row, col)) m_data[IndexRowCol(row - 1, col - 1)] = value;
}

double& CGMatrix::ElementPtr(int64_t packed) {
    const int64_t row = packed / 1000000;
    const int64_t col = packed % 1000000;
    if (packed < 0 || row >= m_rows || col >= m_cols) {
        m_sentinel = UNDEFINED_VALUE;
        return m_sentinel;
    }
    return m_data[IndexRowCol(int(row), int(col))];
}

void CGMatrix::SplitIndex(size_t index, int& row, int& col) const {
    if (m_cols == 0) {
        row = col = 0;
        return;
    }
    row = int(index / m_cols);
    col = int(index % m_cols);
}

void CGMatrix::SetSize(int rows, int cols) {
    m_rows = std::max(rows, 0);
    m_cols = std::max(cols, 0);
    m_data.resize(size_t(m_rows) * size_t(m_cols), 0.0);
    m_data.shrink_to_fit();
}

std::vector<double> CGMatrix::BuildRow(std::span<const Entry> entries) const {
    std::vector<double> row(size_t(m_cols), 0.0);
    for (const Entry& e : entries) {
        if (e.column >= 1 && e.column <= m_cols) row[size_t(e.column - 1)] = e.value;
    }
    return row;
}

void CGMatrix::AppendRow(std::span<const Entry> entries) {
    if (m_cols == 0) return;
    const std::vector<double> row = BuildRow(entries);
    m_data.insert(m_data.end(), row.begin(), row.end());
    ++m_rows;
}

void CGMatrix::InsertRow(int beforeRow, std::span<const Entry> entries) {
    if (m_cols == 0 || beforeRow < 1 || beforeRow > m_rows + 1) return;
    const std::vector<double> row = BuildRow(entries);
    m_data.insert(m_data.begin() + IndexRowCol(beforeRow - 1, 0), row.begin(), row.end());
    ++m_rows;
}

void CGMatrix::ReplaceRow(int row, std::span<const Entry> entries) {
    if (row < 1 || row > m_rows) return;
    const std::vector<double> values = BuildRow(entries);
    std::copy(values.begin(), values.end(), m_data.begin() + IndexRowCol(row - 1, 0));
}

void CGMatrix::DeleteColumn(int col) {
    if (col < 1 || col > m_cols) return;
    std::vector<double> data;
    data.reserve(size_t(m_rows) * (m_cols - 1));
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_cols; ++c) {
            if (c != col - 1) data.push_back(GetAtUnchecked(r, c));
        }
    }
    m_data = std::move(data);
    --m_cols;
    if (m_cols == 0) m_rows = 0;
}

void CGMatrix::Multiply(const CGMatrix& a, const CGMatrix& b) {
    if (a.IsEmpty() || b.IsEmpty() || a.m_cols != b.m_rows) return;
    const int inner = a.m_cols;
    const int cols = b.m_cols;
    // Rows of b without infinities or NaNs: a zero of a times such a row gives only zeros.
    std::vector<char> finiteRow(size_t(inner), 0);
    for (int k = 0; k < inner; ++k) {
        const double* row = &b.m_data[b.IndexRowCol(k, 0)];
        finiteRow[size_t(k)] =
            std::all_of(row, row + cols, [](double v) { return std::isfinite(v); });
    }
    // Built apart so that this object may also be an operand. A row of the result is built
    // row of b by row of b, so that b is read along its rows; every element still sums its
    // products in the order of k, from +0. Such a sum is never -0, so the zero products of a
    // zero of a and a finite row of b leave it as it is and are skipped: a sparse a costs
    // only its non-zeros.
    std::vector<double> result(size_t(a.m_rows) * size_t(cols), 0.0);
    for (int i = 0; i < a.m_rows; ++i) {
        double* out = &result[size_t(i) * size_t(cols)];
        const double* aRow = &a.m_data[a.IndexRowCol(i, 0)];
        for (int k = 0; k < inner; ++k) {
            const double f = aRow[k];
            if (f == 0.0 && finiteRow[size_t(k)]) continue;
            const double* bRow = &b.m_data[b.IndexRowCol(k, 0)];
            for (int j = 0; j < cols; ++j) out[j] += f * bRow[j];
        }
    }
    const int rows = a.m_rows;
    m_data = std::move(result);
    m_rows = rows;
    m_cols = cols;
}

// The copy has m's shape, whatever this object's was; it is built apart so that m may be this.
void CGMatrix::MultiplyDiagLeft(const CGDiaMatrix& d, const CGMatrix& m) {
    if (m.IsEmpty() || d.GetSize() != m.m_rows) return;
    std::vector<double> result = m.m_data;
    for (int r = 0; r < m.m_rows; ++r) {
        for (int c = 0; c < m.m_cols; ++c) result[m.IndexRowCol(r, c)] *= d.GetAtUnchecked(r);
    }
    const int rows = m.m_rows;
    const int cols = m.m_cols;
    m_data = std::move(result);
    m_rows = rows;
    m_cols = cols;
}

void CGMatrix::MultiplyDiagRight(const CGMatrix& m, const CGDiaMatrix& d) {
    if (m.IsEmpty() || d.GetSize() != m.m_cols) return;
    std::vector<double> result = m.m_data;
    for (int r = 0; r < m.m_rows; ++r) {
        for (int c = 0; c < m.m_cols; ++c) result[m.IndexRowCol(r, c)] *= d.GetAtUnchecked(c);
    }
    const int rows = m.m_rows;
    const int cols = m.m_cols;
    m_data = std::move(result);
    m_rows = rows;
    m_cols = cols;
}

void CGMatrix::Subtract(const CGMatrix& other) {
    if (IsEmpty() || m_rows != other.m_rows || m_cols != other.m_cols) return;
    for (size_t k = 0; k < m_data.size(); ++k) m_data[k] -= other.m_data[k];
}

CGMatrix& CGMatrix::operator-=(const CGMatrix& other) {
    Subtract(other);
    return *this;
}

void CGMatrix::Add(const CGMatrix& other) {
    if (IsEmpty() || m_rows != other.m_rows || m_cols != other.m_cols) return;
    for (size_t k = 0; k < m_data.size(); ++k) m_data[k] += other.m_data[k];
}

void CGMatrix::Scale(double factor) {
    for (double& v : m_data) v *= factor;
}

CGMatrix operator*(double factor, const CGMatrix& m) {
    CGMatrix result(m);
    result.Scale(factor);
    return result;
}

void CGMatrix::Transpose() {
    CGMatrix t(m_cols, m_rows);
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_cols; ++c) t.SetAtUnchecked(c, r, GetAtUnchecked(r, c));
    }
    *this = t;
}

void CGMatrix::Invert() {
    if (IsEmpty() || m_rows != m_cols) return;
    const int n = m_rows;
    m_determinant = 0.0;
    m_minPivot = UNDEFINED_VALUE;
    m_maxPivot = UNDEFINED_VALUE;
    CGMatrix inv(n, n, kFillDiagonal, 1.0);
    double det = 1.0;
    double largest = 0.0;
    double smallest = UNDEFINED_VALUE;

    for (int k = 0; k < n; ++k) {
        int pivotRow = k;
        double magnitude = std::fabs(GetAtUnchecked(k, k));
        for (int r = k + 1; r < n; ++r) {
            const double m = std::fabs(GetAtUnchecked(r, k));
            if (m > magnitude) {
                magnitude = m;
                pivotRow = r;
            }
        }
        if (!(magnitude > kSingularPivot)) return;
        if (pivotRow != k) {
            det = -det;
            SwapRows(pivotRow, k);
            inv.SwapRows(pivotRow, k);
        }
        const double pivot = GetAtUnchecked(k, k);
        det *= pivot;
        largest = std::max(largest, magnitude);
        smallest = std::min(smallest, magnitude);

        double* rowK = &m_data[IndexRowCol(k, 0)];
        double* invK = &inv.m_data[inv.IndexRowCol(k, 0)];
        for (int c = k; c < n; ++c) rowK[c] /= pivot;
        for (int c = 0; c < n; ++c) invK[c] /= pivot;
        for (int i = 0; i < n; ++i) {
            if (i == k) continue;
            double* rowI = &m_data[IndexRowCol(i, 0)];
            double* invI = &inv.m_data[inv.IndexRowCol(i, 0)];
            const double f = rowI[k];
            SubtractScaled(rowI + k, rowK + k, f, n - k);
            SubtractScaled(invI, invK, f, n);
        }
    }
    m_data = std::move(inv.m_data);
    m_determinant = det;
    m_maxPivot = largest;
    m_minPivot = smallest;
}

CGMatrix& CGMatrix::Inverse() {
    Invert();
    return *this;
}

int CGMatrix::Border(const CGMatrix& c) {
    const int n = m_rows;
    if (n == 0 || m_cols != n || c.m_cols != n || c.m_rows == 0) return 0;
    const int m = c.m_rows;
    CGMatrix result(n + m, n + m);
    for (int r = 0; r < n; ++r) {
        for (int k = 0; k < n; ++k) result.SetAtUnchecked(r, k, GetAtUnchecked(r, k));
    }
    for (int r = 0; r < m; ++r) {
        for (int k = 0; k < n; ++k) {
            result.SetAtUnchecked(n + r, k, c.GetAtUnchecked(r, k));
            result.SetAtUnchecked(k, n + r, c.GetAtUnchecked(r, k));
        }
    }
    m_data = std::move(result.m_data);
    m_rows = m_cols = n + m;
    return 1;
}

void CGMatrix::Truncate(int rows, int cols) {
    if (rows <= 0 || cols <= 0 || rows > m_rows || cols > m_cols) return;
    std::vector<double> data(size_t(rows) * cols);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) data[size_t(r) * cols + c] = GetAtUnchecked(r, c);
    }
    m_data = std::move(data);
    m_rows = rows;
    m_cols = cols;
}

void CGMatrix::SwapRows(int a, int b) {
    if (a < 0 || b < 0 || a >= m_rows || b >= m_rows || a == b) return;
    for (int c = 0; c < m_cols; ++c)
        std::swap(m_data[IndexRowCol(a, c)], m_data[IndexRowCol(b, c)]);
}

void CGMatrix::SwapColumns(int a, int b) {
    if (a < 0 || b < 0 || a >= m_cols || b >= m_cols || a == b) return;
    for (int r = 0; r < m_rows; ++r)
        std::swap(m_data[IndexRowCol(r, a)], m_data[IndexRowCol(r, b)]);
}

void CGMatrix::Fill(double value, int trace) {
    if (IsEmpty()) return;
    std::fill(m_data.begin(), m_data.end(), value);
    m_trace = trace;
}

void CGMatrix::SetDiagonal(double value) {
    if (m_rows != m_cols) return;
    for (int k = 0; k < m_rows; ++k) SetAtUnchecked(k, k, value);
}

void CGMatrix::SetRow(int row, double value) {
    if (row < 1 || row > m_rows) return;
    for (int c = 0; c < m_cols; ++c) SetAtUnchecked(row - 1, c, value);
}

void CGMatrix::SetColumn(int col, double value) {
    if (col < 1 || col > m_cols) return;
    for (int r = 0; r < m_rows; ++r) SetAtUnchecked(r, col - 1, value);
}

CGMatrix& CGMatrix::SetTrace(int trace) {
    m_trace = trace;
    return *this;
}

int CGMatrix::WriteText(const std::string& path) const {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) return 0;
    std::string text = CNumberText::Format(" %i\r\n %i\r\n", m_rows, m_cols);
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_cols; ++c) AppendSixDecimals(text, GetAtUnchecked(r, c));
        text += "\r\n";
    }
    std::fwrite(text.data(), 1, text.size(), file.get());
    return 1;
}

int CGMatrix::ReadText(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!CArchive::ReadFile(path, bytes)) return 0;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    size_t pos = 0;
    auto next = [&]() -> std::string_view {
        const char* space = " \t\r\n\v\f";
        pos = text.find_first_not_of(space, pos);
        if (pos == std::string_view::npos) return {};
        size_t end = text.find_first_of(space, pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view token = text.substr(pos, end - pos);
        pos = end;
        return token;
    };
    int rows = 0;
    int cols = 0;
    if (!CNumberText::ParseInt(next(), rows) || !CNumberText::ParseInt(next(), cols)) return 0;
    if (rows < 0 || cols < 0 || int64_t{rows} * cols > kMaxFileElements) return 0;
    // Each value takes a separator and a digit at least: a count the bytes left cannot hold
    // is refused before its storage is made.
    if (int64_t{rows} * cols > int64_t(text.size() - pos) / 2) return 0;
    std::vector<double> data(size_t(rows) * cols);
    for (double& v : data) {
        if (!CNumberText::ParseDouble(next(), v)) return 0;
    }
    SetSize(rows, cols);
    m_data = std::move(data);
    return 1;
}

void CGMatrix::Store(CArchive& ar) const {
    ar.WriteDoubleArray(m_data);
    ar.WriteDouble(m_determinant);
    ar.WriteDouble(m_maxPivot);
    ar.WriteDouble(m_minPivot);
    ar.WriteInt32(m_trace);
    ar.WriteInt32(m_cols);
    ar.WriteInt32(m_rows);
}

void CGMatrix::Load(CArchive& ar) {
    std::vector<double> data = ar.ReadDoubleArray();
    const double determinant = ar.ReadDouble();
    const double maxPivot = ar.ReadDouble();
    const double minPivot = ar.ReadDouble();
    const int trace = ar.ReadInt32();
    const int cols = ar.ReadInt32();
    const int rows = ar.ReadInt32();
    if (rows < 0 || cols < 0 || int64_t{rows} * cols != int64_t(data.size())) {
        throw CArchiveException(CArchiveException::Cause::BadFormat,
                                "CGMatrix: element count does not match the size");
    }
    m_data = std::move(data);
    m_determinant = determinant;
    m_maxPivot = maxPivot;
    m_minPivot = minPivot;
    m_trace = trace;
    m_cols = cols;
    m_rows = rows;
}

void CGMatrix::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        Store(ar);
    } else {
        Load(ar);
    }
}

int CGMatrix::SaveBinary(const std::string& path) const {
    CArchive ar;
    Store(ar);
    return ar.WriteFile(path) ? 1 : 0;
}

int CGMatrix::LoadBinary(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!CArchive::ReadFile(path, bytes)) return 0;
    if (bytes.size() > size_t(kMaxFileElements) * sizeof(double)) return 0;
    try {
        CArchive ar(std::move(bytes));
        Load(ar);
    } catch (const CArchiveException&) {
        return 0;
    }
    return 1;
}

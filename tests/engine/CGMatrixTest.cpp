#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "CArchive.h"
#include "CArchiveException.h"
#include "CGDiaMatrix.h"
#include "CGMatrix.h"
#include "GermanLocale.h"
#include "TempDir.h"
#include "raster/AllocationMeter.h"

namespace {

CGMatrix FromRows(const std::vector<std::vector<double>>& rows) {
    CGMatrix m(int(rows.size()), int(rows.empty() ? 0 : rows[0].size()));
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].size(); ++c) m.SetAt(int(r + 1), int(c + 1), rows[r][c]);
    }
    return m;
}

// The product and the Gauss-Jordan inversion as plain loops, one element at a time: what the
// matrix class must match bit for bit.
std::vector<double> PlainProduct(const CGMatrix& a, const CGMatrix& b) {
    std::vector<double> result;
    for (int i = 1; i <= a.GetRows(); ++i) {
        for (int j = 1; j <= b.GetColumns(); ++j) {
            double sum = 0.0;
            for (int k = 1; k <= a.GetColumns(); ++k) sum += a.GetAt(i, k) * b.GetAt(k, j);
            result.push_back(sum);
        }
    }
    return result;
}

struct PlainInverse {
    std::vector<double> inverse;
    double det = 0.0;
};

PlainInverse Invert(std::vector<double> m, int n) {
    std::vector<double> inv(size_t(n) * n, 0.0);
    for (int i = 0; i < n; ++i) inv[size_t(i) * n + i] = 1.0;
    const auto at = [n](std::vector<double>& v, int r, int c) -> double& {
        return v[size_t(r) * n + c];
    };
    double det = 1.0;
    for (int k = 0; k < n; ++k) {
        int pivotRow = k;
        for (int r = k + 1; r < n; ++r)
            if (std::fabs(at(m, r, k)) > std::fabs(at(m, pivotRow, k))) pivotRow = r;
        if (!(std::fabs(at(m, pivotRow, k)) > 1e-10)) return {};
        if (pivotRow != k) {
            det = -det;
            for (int c = 0; c < n; ++c) {
                std::swap(at(m, pivotRow, c), at(m, k, c));
                std::swap(at(inv, pivotRow, c), at(inv, k, c));
            }
        }
        const double pivot = at(m, k, k);
        det *= pivot;
        for (int c = k; c < n; ++c) at(m, k, c) /= pivot;
        for (int c = 0; c < n; ++c) at(inv, k, c) /= pivot;
        for (int i = 0; i < n; ++i) {
            if (i == k) continue;
            const double f = at(m, i, k);
            for (int c = k; c < n; ++c) at(m, i, c) -= f * at(m, k, c);
            for (int c = 0; c < n; ++c) at(inv, i, c) -= f * at(inv, k, c);
        }
    }
    return {inv, det};
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// A rows x cols matrix of values in -2..2, with about `zeros` of them (+0 or -0) zero.
CGMatrix Random(int rows, int cols, double zeros, std::mt19937& random) {
    std::uniform_real_distribution<double> value(-2.0, 2.0), chance(0.0, 1.0);
    CGMatrix m(rows, cols);
    for (int r = 1; r <= rows; ++r) {
        for (int c = 1; c <= cols; ++c) {
            const double v = value(random);
            m.SetAt(r, c, chance(random) < zeros ? std::copysign(0.0, v) : v);
        }
    }
    return m;
}

}  // namespace

TEST(CGMatrix, ProductsAndInversesAreThoseOfThePlainLoopsBitForBit) {
    // The product skips the zeros of its left operand and runs along the rows of the right
    // one; the inversion works on two elements at a time. Neither may change a single bit:
    // dense and sparse operands with signed zeros, odd sizes, rows with an infinity or a NaN,
    // and bordered (indefinite) systems whose pivots are negative or need row swaps.
    std::mt19937 random(11);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct ProductCase {
        int rows, inner, cols;
        double zeros;
        double special;  // written into row 2 of the right operand, unless 0
    } products[] = {{7, 5, 6, 0.0, 0},
                    {9, 13, 11, 0.8, 0},
                    {4, 6, 3, 0.5, inf},
                    {5, 4, 7, 0.5, nan},
                    {1, 1, 1, 1.0, 0}};
    for (const ProductCase& p : products) {
        SCOPED_TRACE(testing::Message() << p.rows << " x " << p.inner << " x " << p.cols);
        const CGMatrix a = Random(p.rows, p.inner, p.zeros, random);
        CGMatrix b = Random(p.inner, p.cols, p.zeros, random);
        if (p.special != 0) b.SetAt(2, 1, p.special);
        CGMatrix product;
        product.Multiply(a, b);
        EXPECT_TRUE(SameBits(product.GetData(), PlainProduct(a, b)));
    }

    for (const int n : {1, 5, 13, 22}) {
        SCOPED_TRACE(testing::Message() << "inverse of " << n << " x " << n);
        // A sparse normal matrix bordered by conditions with signed zeros: its zero block on the
        // diagonal makes pivots negative and rows swap.
        const CGMatrix design = Random(2 * n, n, 0.6, random);
        CGMatrix transposed(design);
        transposed.Transpose();
        CGMatrix m;
        m.Multiply(transposed, design);
        for (int i = 1; i <= n; ++i) m.SetAt(i, i, m.GetAt(i, i) + 1.0);
        if (n > 2) m.Border(Random(2, n, 0.5, random));
        const int size = m.GetRows();
        const PlainInverse expected = Invert(m.GetData(), size);
        ASSERT_NE(expected.det, 0.0);
        m.Invert();
        EXPECT_TRUE(SameBits(m.GetData(), expected.inverse));
        EXPECT_TRUE(SameBits({m.GetDeterminant()}, {expected.det}));
    }
}

TEST(CGMatrix, InvertsSmallCasesByHand) {
    struct Case {
        std::vector<std::vector<double>> m, inverse;
        double det, minPivot, maxPivot;
    };
    const Case cases[] = {
        {{{0, 1}, {1, 0}}, {{0, 1}, {1, 0}}, -1, 1, 1},
        {{{2, 0}, {0, 4}}, {{0.5, 0}, {0, 0.25}}, 8, 2, 4},
        {{{4, 7}, {2, 6}}, {{0.6, -0.7}, {-0.2, 0.4}}, 10, 2.5, 4},
    };
    for (const Case& c : cases) {
        CGMatrix m = FromRows(c.m);
        m.Invert();
        // Tolerance: a few rounding steps of a 2 × 2 elimination.
        for (int r = 1; r <= 2; ++r) {
            for (int k = 1; k <= 2; ++k) EXPECT_NEAR(m.GetAt(r, k), c.inverse[r - 1][k - 1], 1e-15);
        }
        EXPECT_NEAR(m.GetDeterminant(), c.det, 1e-14);
        EXPECT_EQ(m.GetMinPivot(), c.minPivot);
        EXPECT_EQ(m.GetMaxPivot(), c.maxPivot);
    }
}

TEST(CGMatrix, InverseTimesMatrixIsIdentity) {
    CGMatrix a = FromRows({{3, -1, 2, 0.5}, {1, 4, -2, 1}, {0.25, 2, 5, -1}, {2, 0, 1, 6}});
    CGMatrix inv(a);
    inv.Invert();
    ASSERT_NE(inv.GetDeterminant(), 0.0);
    CGMatrix product;
    product.Multiply(a, inv);
    for (int r = 1; r <= 4; ++r) {
        // Tolerance: well-conditioned 4 × 4, error of a few ulps per element.
        for (int c = 1; c <= 4; ++c) EXPECT_NEAR(product.GetAt(r, c), r == c ? 1.0 : 0.0, 1e-14);
    }
}

TEST(CGMatrix, PivotAtTheThresholdIsSingular) {
    CGMatrix singular = FromRows({{1e-10, 0}, {0, 1}});
    singular.Invert();
    EXPECT_EQ(singular.GetDeterminant(), 0.0);
    EXPECT_EQ(singular.GetMinPivot(), UNDEFINED_VALUE);
    EXPECT_EQ(singular.GetMaxPivot(), UNDEFINED_VALUE);

    CGMatrix regular = FromRows({{1.0000001e-10, 0}, {0, 1}});
    regular.Invert();
    EXPECT_NE(regular.GetDeterminant(), 0.0);
    regular.Transpose();  // replaces every member, so the pivot record is gone again
    EXPECT_EQ(regular.GetDeterminant(), 0.0);
    EXPECT_EQ(regular.GetMaxPivot(), UNDEFINED_VALUE);

    CGMatrix notSquare(2, 3);
    notSquare.Invert();
    EXPECT_EQ(notSquare.GetMinPivot(), UNDEFINED_VALUE);
}

TEST(CGMatrix, AccessOutsideReadsUndefinedAndWritesNothing) {
    CGMatrix m(3, 2, CGMatrix::kFillAll, 5.0);
    for (auto [r, c] : {std::pair{1, 3}, {4, 1}, {0, 1}, {1, 0}}) {
        EXPECT_EQ(m.GetAt(r, c), UNDEFINED_VALUE);
        m.SetAt(r, c, 1.0);
    }
    EXPECT_EQ(m.GetData(), std::vector<double>(6, 5.0));
    EXPECT_EQ(m.ElementPtr(2 * 1000000 + 1), 5.0);
    EXPECT_EQ(m.ElementPtr(3 * 1000000), UNDEFINED_VALUE);
    EXPECT_EQ(m.ElementPtr(2), UNDEFINED_VALUE);
}

TEST(CGMatrix, ProductsRefuseBadShapesAndTolerateAliasing) {
    const CGMatrix a = FromRows({{1, 2, 3}, {4, 5, 6}});
    CGMatrix result = FromRows({{9}});
    result.Multiply(a, a);  // 2 × 3 by 2 × 3
    EXPECT_EQ(result.GetRows(), 1);
    EXPECT_EQ(result.GetAt(1, 1), 9.0);

    CGMatrix t(a);
    t.Transpose();
    CGMatrix expected;
    expected.Multiply(a, t);
    CGMatrix aliased(a);
    aliased.Multiply(aliased, t);
    EXPECT_EQ(aliased.GetData(), expected.GetData());
    EXPECT_EQ(expected.GetData(), (std::vector<double>{14, 32, 32, 77}));

    CGMatrix d(a);
    d -= a;
    EXPECT_EQ(d.GetData(), std::vector<double>(6, 0.0));

    CGDiaMatrix diag(2, 2.0);
    diag.SetAt(2, 10.0);
    CGMatrix scaled(a);
    scaled.MultiplyDiagLeft(diag, scaled);
    EXPECT_EQ(scaled.GetData(), (std::vector<double>{2, 4, 6, 40, 50, 60}));
}

TEST(CGMatrix, DiagonalProductsScaleRowsOrColumnsIntoAnyTarget) {
    // D × M scales row i of M by d(i), M × D column j by d(j); the result takes M's shape
    // whatever the target held before, also when the target is M itself. A diagonal whose size
    // is not M's row count (left) or column count (right) leaves the target as it was.
    const CGMatrix m = FromRows({{1, 2, 3}, {4, 5, 6}});
    CGDiaMatrix rows(2), cols(3);
    rows.SetAt(1, 10.0);
    rows.SetAt(2, 100.0);
    cols.SetAt(1, 10.0);
    cols.SetAt(2, 100.0);
    cols.SetAt(3, 1000.0);
    const std::vector<double> scaledRows = {10, 20, 30, 400, 500, 600};
    const std::vector<double> scaledCols = {10, 200, 3000, 40, 500, 6000};
    const std::vector<double> untouched = {9, 9, 9, 9};
    enum class Target { Fresh, Aliased, Wide, Narrow };
    struct Case {
        const char* name;
        bool left;
        const CGDiaMatrix& d;
        Target target;
        std::vector<double> expected;  // 2 x 3 unless it is the untouched 2 x 2 target
    } cases[] = {
        {"left into a fresh result", true, rows, Target::Fresh, scaledRows},
        {"right into a fresh result", false, cols, Target::Fresh, scaledCols},
        {"left onto the operand itself", true, rows, Target::Aliased, scaledRows},
        {"right onto the operand itself", false, cols, Target::Aliased, scaledCols},
        {"left into a wider target", true, rows, Target::Wide, scaledRows},
        {"right into a narrower target", false, cols, Target::Narrow, scaledCols},
        {"left by a diagonal of the column count", true, cols, Target::Narrow, untouched},
        {"right by a diagonal of the row count", false, rows, Target::Narrow, untouched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CGMatrix target;
        if (c.target == Target::Aliased) target = m;
        if (c.target == Target::Wide) target = CGMatrix(4, 5, CGMatrix::kFillAll, 9.0);
        if (c.target == Target::Narrow) target = CGMatrix(2, 2, CGMatrix::kFillAll, 9.0);
        const CGMatrix& operand = c.target == Target::Aliased ? target : m;
        if (c.left)
            target.MultiplyDiagLeft(c.d, operand);
        else
            target.MultiplyDiagRight(operand, c.d);
        EXPECT_EQ(target.GetData(), c.expected);
        EXPECT_EQ(target.GetColumns(), c.expected == untouched ? 2 : 3);
        EXPECT_EQ(target.GetRows(), 2);
    }
    CGMatrix target = FromRows({{9}});
    target.MultiplyDiagLeft(CGDiaMatrix(), CGMatrix());
    EXPECT_EQ(target.GetData(), std::vector<double>{9});
}

TEST(CGMatrix, BuildsRowsBordersAndTruncates) {
    CGMatrix m(0, 3);
    m.AppendRow({{1, 5.0}, {4, 9.0}, {3, 2.0}});
    m.AppendRow({{2, 1.0}, {2, 7.0}});
    EXPECT_EQ(m.GetRows(), 2);
    EXPECT_EQ(m.GetData(), (std::vector<double>{5, 0, 2, 0, 7, 0}));
    CGMatrix noCols;
    noCols.AppendRow({{1, 1.0}});
    EXPECT_TRUE(noCols.IsEmpty());

    CGMatrix n = FromRows({{1, 2}, {3, 4}});
    EXPECT_EQ(n.Border(FromRows({{5, 6}})), 1);
    EXPECT_EQ(n.GetData(), (std::vector<double>{1, 2, 5, 3, 4, 6, 5, 6, 0}));
    EXPECT_EQ(n.Border(FromRows({{1, 2}})), 0);  // C must have n = 3 columns
    n.Truncate(2, 2);
    EXPECT_EQ(n.GetData(), (std::vector<double>{1, 2, 3, 4}));
}

TEST(CGMatrix, ShapeOperationsOfANonSquareMatrixKeepEveryElementInPlace) {
    // Each operation on [[1, 2, 3], [4, 5, 6]]: an index taken with the other dimension would
    // put an element in the wrong place or read past the storage.
    struct Case {
        const char* name;
        void (*apply)(CGMatrix&);
        int rows, cols;
        std::vector<double> expected;
    } cases[] = {
        {"transpose", [](CGMatrix& m) { m.Transpose(); }, 3, 2, {1, 4, 2, 5, 3, 6}},
        {"swap columns 0 and 2",
         [](CGMatrix& m) { m.SwapColumns(0, 2); },
         2,
         3,
         {3, 2, 1, 6, 5, 4}},
        {"swap rows", [](CGMatrix& m) { m.SwapRows(0, 1); }, 2, 3, {4, 5, 6, 1, 2, 3}},
        {"delete column 2", [](CGMatrix& m) { m.DeleteColumn(2); }, 2, 2, {1, 3, 4, 6}},
        {"insert before row 2",
         [](CGMatrix& m) {
             m.InsertRow(2, {{3, 9.0}});
         },
         3,
         3,
         {1, 2, 3, 0, 0, 9, 4, 5, 6}},
        {"replace row 2",
         [](CGMatrix& m) {
             m.ReplaceRow(2, {{1, 8.0}});
         },
         2,
         3,
         {1, 2, 3, 8, 0, 0}},
        {"set row 1", [](CGMatrix& m) { m.SetRow(1, 0.5); }, 2, 3, {0.5, 0.5, 0.5, 4, 5, 6}},
        {"set column 3", [](CGMatrix& m) { m.SetColumn(3, 0.5); }, 2, 3, {1, 2, 0.5, 4, 5, 0.5}},
        {"truncate to 1 x 2", [](CGMatrix& m) { m.Truncate(1, 2); }, 1, 2, {1, 2}},
        {"diagonal of a non-square matrix",
         [](CGMatrix& m) { m.SetDiagonal(0.0); },
         2,
         3,
         {1, 2, 3, 4, 5, 6}},
        {"border of a non-square matrix",
         [](CGMatrix& m) {
             m.Border(FromRows({{1, 1, 1}}));
         },
         2,
         3,
         {1, 2, 3, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CGMatrix m = FromRows({{1, 2, 3}, {4, 5, 6}});
        c.apply(m);
        EXPECT_EQ(m.GetRows(), c.rows);
        EXPECT_EQ(m.GetColumns(), c.cols);
        EXPECT_EQ(m.GetData(), c.expected);
    }
}

class CGMatrixFiles : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(CGMatrixFiles, TextFileLayoutAndRoundTripInTheCLocale) {
    CGermanLocale german;  // numbers must keep "." whatever the locale
    const std::string path = dir.File("V_A");
    ASSERT_EQ(FromRows({{1, 2}, {3, 4}}).WriteText(path), 1);
    EXPECT_EQ(TempDir::ReadText(path), " 2\r\n 2\r\n 1.000000 2.000000\r\n 3.000000 4.000000\r\n");
    CGMatrix back;
    ASSERT_EQ(back.ReadText(path), 1);
    EXPECT_EQ(back.GetData(), (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(back.GetColumns(), 2);
}

TEST_F(CGMatrixFiles, TextFileNumbersAreThoseOfPrintf) {
    // Six decimals of every kind of value, byte for byte as printf writes them: rounding that
    // carries, values below half a millionth of either sign, huge and tiny magnitudes, the
    // undefined value, infinities and NaN, and random values over many magnitudes.
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1e-7,
                                  -1e-7,
                                  4.9999999e-7,
                                  5.0000001e-7,
                                  2.5,
                                  -9.9999995,
                                  0.1234565,
                                  123456.7890125,
                                  1e22,
                                  -3.3e200,
                                  1.7e308,
                                  -1.7e308,
                                  5e-324,
                                  2.2250738585072014e-308,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN()};
    std::mt19937 random(3);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-12, 25);
    while (values.size() < 2000)
        values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
    CGMatrix m(int(values.size()) / 4, 4);
    std::string expected = " " + std::to_string(m.GetRows()) + "\r\n 4\r\n";
    for (size_t i = 0; i < values.size(); ++i) {
        m.SetAt(int(i / 4) + 1, int(i % 4) + 1, values[i]);
        char number[400];
        std::snprintf(number, sizeof number, " %.6f", values[i]);
        expected += number;
        if (i % 4 == 3) expected += "\r\n";
    }
    const std::string path = dir.File("V_H");
    ASSERT_EQ(m.WriteText(path), 1);
    EXPECT_EQ(TempDir::ReadText(path), expected);
}

TEST_F(CGMatrixFiles, MalformedTextFilesLeaveTheMatrixUnchanged) {
    const char* bodies[] = {" 2\n 2\n 1 2\n 3\n", " 2\n x\n",           " 1\n 2\n 1.0 2,5\n",
                            " -1\n 2\n",          " 100000\n 100000\n", ""};
    for (const char* body : bodies) {
        SCOPED_TRACE(body);
        const std::string path = dir.File("m.txt");
        TempDir::WriteBytes(path, std::vector<uint8_t>(body, body + std::strlen(body)));
        CGMatrix m = FromRows({{7}});
        EXPECT_EQ(m.ReadText(path), 0);
        EXPECT_EQ(m.GetData(), std::vector<double>{7});
    }
    CGMatrix m;
    EXPECT_EQ(m.ReadText(dir.File("missing")), 0);
}

TEST_F(CGMatrixFiles, TextFileCountsMustFitTheBytesLeft) {
    // Every value takes at least a separator and a digit. The most compact files of their
    // counts load; counts that claim more values than the bytes left could hold are refused
    // before their storage is made, so a few bytes cannot cost a large matrix.
    struct Case {
        std::string body;
        std::vector<double> loaded;  // empty: refused, the matrix stays [7]
    } cases[] = {
        {"2 2 1 2 3 4", {1, 2, 3, 4}},
        {"1 3\t-1\n2\n3", {-1, 2, 3}},
        {"2 2 1 2 3", {}},
        {" 4000\n 4000\n 1\n", {}},
        {" 8000\n 4000\n" + std::string(1000, ' '), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.substr(0, 20));
        const std::string path = dir.File("m.txt");
        TempDir::WriteBytes(path, std::vector<uint8_t>(c.body.begin(), c.body.end()));
        CGMatrix m = FromRows({{7}});
        uint64_t peak = 0;
        {
            AllocationMeter meter;
            EXPECT_EQ(m.ReadText(path), c.loaded.empty() ? 0 : 1);
            peak = meter.PeakBytes();
        }
        // Beyond the file and the matrix only the stream's buffers.
        if (AllocationMeter::Available()) {
            EXPECT_LT(peak, 64u * 1024);
        }
        EXPECT_EQ(m.GetData(), c.loaded.empty() ? std::vector<double>{7} : c.loaded);
    }
}

TEST_F(CGMatrixFiles, BinaryFormByteForByte) {
    CGMatrix m = FromRows({{1.5, -2.0}});
    m.SetTrace(3);
    const std::string path = dir.File("m.bin");
    ASSERT_EQ(m.SaveBinary(path), 1);
    CArchive expected;
    expected.WriteUInt16(2);
    expected.WriteDouble(1.5);
    expected.WriteDouble(-2.0);
    expected.WriteDouble(0.0);              // determinant
    expected.WriteDouble(UNDEFINED_VALUE);  // max pivot
    expected.WriteDouble(UNDEFINED_VALUE);  // min pivot
    expected.WriteInt32(3);                 // trace flag
    expected.WriteInt32(2);                 // cols
    expected.WriteInt32(1);                 // rows
    EXPECT_EQ(TempDir::ReadBytes(path), expected.GetBytes());

    CGMatrix back;
    ASSERT_EQ(back.LoadBinary(path), 1);
    EXPECT_EQ(back.GetData(), m.GetData());
    EXPECT_EQ(back.GetRows(), 1);
    EXPECT_EQ(back.GetTrace(), 3);
}

TEST_F(CGMatrixFiles, SaveTruncatesAndDamagedFilesFailCleanly) {
    const std::string path = dir.File("m.bin");
    ASSERT_EQ(CGMatrix(20, 20, CGMatrix::kFillAll, 1.0).SaveBinary(path), 1);
    const CGMatrix small = FromRows({{1, 2}, {3, 4}});
    ASSERT_EQ(small.SaveBinary(path), 1);
    const std::vector<uint8_t> bytes = TempDir::ReadBytes(path);
    EXPECT_EQ(bytes.size(), 2u + 4 * 8 + 3 * 8 + 3 * 4);

    for (size_t n = 0; n < bytes.size(); ++n) {
        TempDir::WriteBytes(path, {bytes.begin(), bytes.begin() + long(n)});
        CGMatrix m = FromRows({{9}});
        EXPECT_EQ(m.LoadBinary(path), 0) << n;
        EXPECT_EQ(m.GetData(), std::vector<double>{9});
    }
    std::vector<uint8_t> wrongSize = bytes;
    wrongSize[bytes.size() - 4] = 3;  // rows 3 × cols 2 against 4 elements
    TempDir::WriteBytes(path, wrongSize);
    CGMatrix m = FromRows({{9}});
    EXPECT_EQ(m.LoadBinary(path), 0);
    EXPECT_EQ(m.GetRows(), 1);
}

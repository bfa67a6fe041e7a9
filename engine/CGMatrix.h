#pragma once
// CGMatrix: dense matrix of doubles for the least-squares adjustments.
//
// Elements are stored row after row: element (r, c), counted from 0, sits at r * cols + c.
// Public element access counts rows and columns from 1; reads outside the matrix give
// UNDEFINED_VALUE and writes there are ignored. Invert is a Gauss-Jordan inversion with partial
// pivoting; a pivot magnitude of at most 1e-10 stops it and leaves the determinant 0, which is
// how callers recognise a singular system. Operations with empty or incompatible operands
// leave their target unchanged.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "Undefined.h"

class CArchive;
class CGDiaMatrix;

class CGMatrix {
public:
    static constexpr const char* kClassName = "CGMatrix";
    static constexpr uint16_t kSchema = 0;
    // Constructor flags.
    static constexpr int kFillAll = 1;       // every element = value
    static constexpr int kFillDiagonal = 2;  // every diagonal element = value (square only)
    // A pivot magnitude at or below this makes the inversion singular.
    static constexpr double kSingularPivot = 1e-10;

    // One (1-based column, value) pair of a row built by AppendRow, InsertRow and ReplaceRow.
    struct Entry {
        int column;
        double value;
    };

    CGMatrix(int rows = 0, int cols = 0, int flags = 0, double value = 0.0);
    CGMatrix(const CGMatrix& other);
    CGMatrix& operator=(const CGMatrix& other);
    virtual ~CGMatrix();

    int GetRows() const { return m_rows; }
    int GetColumns() const { return m_cols; }
    bool IsEmpty() const { return m_data.empty(); }
    const std::vector<double>& GetData() const { return m_data; }

    // 1-based access.
    double GetAt(int row, int col) const;
    void SetAt(int row, int col, double value);
    // Packed position row * 1000000 + col, both 0-based; outside the matrix the sentinel.
    double& ElementPtr(int64_t packed);
    // 0-based access without any test, for the class's own loops.
    double GetAtUnchecked(int row, int col) const { return m_data[IndexRowCol(row, col)]; }
    void SetAtUnchecked(int row, int col, double value) { m_data[IndexRowCol(row, col)] = value; }

    // Index arithmetic over the storage.
    size_t IndexRowCol(int row, int col) const { return size_t(row) * m_cols + col; }
    size_t IndexColRow(int col, int row) const { return col + size_t(row) * m_cols; }
    size_t RowEndIndex(int row) const { return (size_t(row) + 1) * m_cols - 1; }
    size_t LastRowIndex(int col) const { return col + (size_t(m_rows) - 1) * m_cols; }
    static constexpr int ColumnStep() { return 1; }
    void SplitIndex(size_t index, int& row, int& col) const;

    void SetSize(int rows, int cols);
    void AppendRow(std::span<const Entry> entries);
    void AppendRow(std::initializer_list<Entry> entries) { AppendRow(AsSpan(entries)); }
    void InsertRow(int beforeRow, std::span<const Entry> entries);
    void InsertRow(int beforeRow, std::initializer_list<Entry> entries) {
        InsertRow(beforeRow, AsSpan(entries));
    }
    void ReplaceRow(int row, std::span<const Entry> entries);
    void ReplaceRow(int row, std::initializer_list<Entry> entries) {
        ReplaceRow(row, AsSpan(entries));
    }
    void DeleteColumn(int col);

    // this = a × b. Either operand may be this object.
    void Multiply(const CGMatrix& a, const CGMatrix& b);
    // this = d × m and this = m × d; m may be this object.
    void MultiplyDiagLeft(const CGDiaMatrix& d, const CGMatrix& m);
    void MultiplyDiagRight(const CGMatrix& m, const CGDiaMatrix& d);
    void Subtract(const CGMatrix& other);
    CGMatrix& operator-=(const CGMatrix& other);
    void Add(const CGMatrix& other);
    void Scale(double factor);
    friend CGMatrix operator*(double factor, const CGMatrix& m);
    void Transpose();

    void Invert();
    CGMatrix& Inverse();
    double GetDeterminant() const { return m_determinant; }
    double GetMinPivot() const { return m_minPivot; }
    double GetMaxPivot() const { return m_maxPivot; }

    int Border(const CGMatrix& c);
    void Truncate(int rows, int cols);
    void SwapRows(int a, int b);
    void SwapColumns(int a, int b);
    void Fill(double value, int trace);
    void SetDiagonal(double value);
    void SetRow(int row, double value);
    void SetColumn(int col, double value);
    CGMatrix& SetTrace(int trace);
    int GetTrace() const { return m_trace; }

    // Text file: " %i" rows, " %i" columns, then one line per row of " %.6f" values; lines end
    // in CR LF, numbers use the C locale. 0 when the file cannot be opened or, for ReadText,
    // is malformed (the matrix then stays unchanged); else 1.
    int WriteText(const std::string& path) const;
    int ReadText(const std::string& path);

    // Archive form: the elements as a counted double array, determinant, max pivot, min pivot,
    // then trace flag, cols and rows as 32-bit integers. Loading is all or nothing: malformed
    // input raises CArchiveException and leaves the matrix unchanged.
    void Serialize(CArchive& ar);
    int SaveBinary(const std::string& path) const;
    int LoadBinary(const std::string& path);

private:
    template <typename T>
    static std::span<const T> AsSpan(std::initializer_list<T> list) {
        return {list.begin(), list.size()};
    }
    std::vector<double> BuildRow(std::span<const Entry> entries) const;
    void Store(CArchive& ar) const;
    void Load(CArchive& ar);
    bool Inside(int row, int col) const {
        return row >= 1 && col >= 1 && row <= m_rows && col <= m_cols;
    }

    std::vector<double> m_data;
    int m_cols = 0;
    int m_rows = 0;
    double m_sentinel = UNDEFINED_VALUE;
    double m_determinant = 0.0;
    double m_minPivot = UNDEFINED_VALUE;
    double m_maxPivot = UNDEFINED_VALUE;
    int m_trace = 0;
};

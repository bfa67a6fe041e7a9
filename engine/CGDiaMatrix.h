#pragma once
// CGDiaMatrix: diagonal n × n matrix holding only its n diagonal doubles, diagonal element i
// (0-based) at index i. Text and archive forms as CGMatrix's, for the full matrix with zeros off
// the diagonal (text) and for the n diagonal values followed by cols and rows (archive).

#include <cstdint>
#include <string>
#include <vector>

class CArchive;
class CGMatrix;

class CGDiaMatrix {
public:
    static constexpr const char* kClassName = "CGDiaMatrix";
    static constexpr uint16_t kSchema = 0;

    explicit CGDiaMatrix(int n = 0, double value = 0.0);
    CGDiaMatrix(const CGDiaMatrix& other) = default;
    CGDiaMatrix& operator=(const CGDiaMatrix& other) = default;
    virtual ~CGDiaMatrix() = default;

    int GetSize() const { return int(m_data.size()); }
    double GetAtUnchecked(int i) const { return m_data[size_t(i)]; }
    // 1-based; UNDEFINED_VALUE outside the diagonal's range, writes there are ignored.
    double GetAt(int i) const;
    void SetAt(int i, double value);

    void SetSize(int n);
    void Fill(double value);
    void Scale(double factor);
    void Reciprocal();
    // Every non-negative element replaced by its square root.
    void Sqrt();
    void Add(const CGDiaMatrix& other);
    // Takes the diagonal of a square matrix.
    void AssignDiagonal(const CGMatrix& m);

    // 0 when the file cannot be opened or (ReadText) is malformed or not square; else 1.
    int WriteText(const std::string& path) const;
    int ReadText(const std::string& path);
    // Loading is all or nothing: malformed input raises CArchiveException.
    void Serialize(CArchive& ar);

private:
    std::vector<double> m_data;
};

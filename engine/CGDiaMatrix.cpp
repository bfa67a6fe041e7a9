#include "CGDiaMatrix.h"

#include <algorithm>
#include <cmath>

#include "CArchive.h"
#include "CArchiveException.h"
#include "CGMatrix.h"
#include "Undefined.h"

CGDiaMatrix::CGDiaMatrix(int n, double value) : m_data(size_t(std::max(n, 0)), value) {}

double CGDiaMatrix::GetAt(int i) const {
    return (i >= 1 && i <= GetSize()) ? m_data[size_t(i - 1)] : UNDEFINED_VALUE;
}

void CGDiaMatrix::SetAt(int i, double value) {
    if (i >= 1 && i <= GetSize()) m_data[size_t(i - 1)] = value;
}

void CGDiaMatrix::SetSize(int n) { m_data.resize(size_t(std::max(n, 0)), 0.0); }

void CGDiaMatrix::Fill(double value) { std::fill(m_data.begin(), m_data.end(), value); }

void CGDiaMatrix::Scale(double factor) {
    for (double& v : m_data) v *= factor;
}

void CGDiaMatrix::Reciprocal() {
    for (double& v : m_data) v = 1.0 / v;
}

void CGDiaMatrix::Sqrt() {
    for (double& v : m_data) {
        if (v >= 0.0) v = std::sqrt(v);
    }
}

void CGDiaMatrix::Add(const CGDiaMatrix& other) {
    if (other.GetSize() != GetSize()) return;
    for (size_t k = 0; k < m_data.size(); ++k) m_data[k] += other.m_data[k];
}

void CGDiaMatrix::AssignDiagonal(const CGMatrix& m) {
    if (m.GetRows() != m.GetColumns()) return;
    m_data.resize(size_t(m.GetRows()));
    for (int k = 0; k < m.GetRows(); ++k) m_data[size_t(k)] = m.GetAtUnchecked(k, k);
}

int CGDiaMatrix::WriteText(const std::string& path) const {
    const int n = GetSize();
    CGMatrix full(n, n);
    for (int k = 0; k < n; ++k) full.SetAtUnchecked(k, k, m_data[size_t(k)]);
    return full.WriteText(path);
}

int CGDiaMatrix::ReadText(const std::string& path) {
    CGMatrix full;
    if (!full.ReadText(path) || full.GetRows() != full.GetColumns()) return 0;
    AssignDiagonal(full);
    return 1;
}

void CGDiaMatrix::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteDoubleArray(m_data);
        ar.WriteInt32(GetSize());
        ar.WriteInt32(GetSize());
        return;
    }
    std::vector<double> data = ar.ReadDoubleArray();
    const int cols = ar.ReadInt32();
    const int rows = ar.ReadInt32();
    if (cols != rows || int64_t{cols} != int64_t(data.size())) {
        throw CArchiveException(CArchiveException::Cause::BadFormat,
                                "CGDiaMatrix: element count does not match the size");
    }
    m_data = std::move(data);
}

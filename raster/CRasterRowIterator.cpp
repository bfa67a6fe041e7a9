#include "CRasterRowIterator.h"

#include <algorithm>
#include <cstring>

#include "CRaster.h"

CRasterRowIterator::CRasterRowIterator(CRaster* image) : m_pImage(image) {
    if (m_pImage) m_pRow = m_pImage->GetBits(0);
}

void CRasterRowIterator::MoveToTop() {
    if (!m_pImage) return;
    m_x = 0;
    const uint32_t height = m_pImage->GetHeight();
    m_y = height ? static_cast<int32_t>(height - 1) : 0;
    m_pRow = m_pImage->GetBits(0) ? m_pImage->GetBits(0) + size_t(m_y) * m_pImage->GetRowStride()
                                  : nullptr;
}

bool CRasterRowIterator::PrevRow() {
    if (m_y <= 0) return false;
    --m_y;
    if (m_pRow) m_pRow -= m_pImage->GetRowStride();
    return true;
}

uint8_t* CRasterRowIterator::GetRow(int32_t y) {
    SetY(y);
    return m_pRow;
}

void CRasterRowIterator::SetY(int32_t y) {
    if (!m_pImage || y < 0 || uint32_t(y) >= m_pImage->GetHeight() || !m_pImage->GetBits(0)) {
        return;
    }
    m_y = y;
    m_pRow = m_pImage->GetBits(0) + size_t(y) * m_pImage->GetRowStride();
}

void CRasterRowIterator::SetRow(const uint8_t* buffer, int32_t length) {
    if (!m_pRow || !buffer || !m_pImage) return;
    const int64_t stride = m_pImage->GetRowStride();
    const int64_t n = (length < 0 || length >= stride) ? stride : length;
    std::memcpy(m_pRow, buffer, static_cast<size_t>(n));
}

void CRasterRowIterator::GetRowCopy(uint8_t* buffer, int32_t length) const {
    if (!m_pRow || !buffer || length <= 0 || !m_pImage) return;
    const int64_t n = std::min<int64_t>(length, m_pImage->GetRowStride());
    std::memcpy(buffer, m_pRow, static_cast<size_t>(n));
}

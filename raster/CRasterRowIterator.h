#pragma once
// CRasterRowIterator: the cursor with which format readers and writers walk the pixel rows of a
// CRaster. y counts rows bottom-up; readers receiving rows top-down call MoveToTop and then
// alternate SetRow and PrevRow.

#include <cstdint>

class CRaster;

class CRasterRowIterator {
public:
    explicit CRasterRowIterator(CRaster* image = nullptr);

    void MoveToTop();
    // One row down in the picture; false at the bottom row, which stays current.
    bool PrevRow();
    uint8_t* GetRow() const { return m_pRow; }
    uint8_t* GetRow(int32_t y);
    void SetY(int32_t y);
    int32_t GetY() const { return m_y; }
    // Copies length bytes into the current row; a negative length or one not smaller than the
    // row stride means the row stride.
    void SetRow(const uint8_t* buffer, int32_t length);
    // Copies up to length bytes (at most the row stride) of the current row into the buffer.
    void GetRowCopy(uint8_t* buffer, int32_t length) const;

private:
    int32_t m_x = 0;
    int32_t m_y = 0;
    uint8_t* m_pRow = nullptr;
    CRaster* m_pImage;
};

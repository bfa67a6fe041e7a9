#pragma once
// CNearestColorMap: the palette index nearest to each of many colours, for reducing whole images.
//
// It gives exactly what CRaster::FindNearestIndex gives: the entry with the least squared
// distance over red, green and blue (the fourth byte plays no part), the lowest index among
// equally near entries. The colour cube is cut into 32 × 32 × 32 cells of 8 × 8 × 8 colours. The
// first colour asked for in a cell maps the whole cell at once, searching only the entries that
// can be nearest to some colour of it; the cell's 512 indices are kept, so every later colour of
// the cell costs a table look-up. An image touches few cells; all of them take 16 MiB.

#include <cstdint>
#include <vector>

#include "RasterTypes.h"

class CNearestColorMap {
public:
    // Searches the first count entries of palette (at most 256 are used); with none, every
    // colour maps to 0.
    CNearestColorMap(const RGBQUAD* palette, uint32_t count);

    uint8_t Find(uint8_t red, uint8_t green, uint8_t blue) {
        const uint32_t cell = uint32_t(red >> 3) << 10 | uint32_t(green >> 3) << 5 | (blue >> 3);
        uint32_t offset = m_cellOffsets[cell];
        if (offset == kUnmapped) offset = MapCell(cell);
        return m_indices[offset + ((red & 7u) << 6 | (green & 7u) << 3 | (blue & 7u))];
    }
    uint8_t Find(RGBQUAD color) { return Find(color.rgbRed, color.rgbGreen, color.rgbBlue); }

private:
    static constexpr uint32_t kUnmapped = UINT32_MAX;
    static constexpr int32_t kCellSide = 8;
    static constexpr uint32_t kCellColors = kCellSide * kCellSide * kCellSide;

    // Maps the cell's colours, appends them to m_indices and returns their offset there.
    uint32_t MapCell(uint32_t cell);
    // Entries that may be nearest to a colour in the cell whose lowest corner is given: those
    // whose least distance to the cell is at most the least of all entries' greatest distances.
    std::vector<uint8_t> CandidatesFor(const int32_t low[3]) const;

    uint32_t m_count = 0;
    int32_t m_entries[256][3] = {};  // red, green, blue
    std::vector<uint32_t> m_cellOffsets;
    std::vector<uint8_t> m_indices;
};

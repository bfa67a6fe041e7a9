#include "CNearestColorMap.h"

#include <algorithm>
#include <cstdlib>

CNearestColorMap::CNearestColorMap(const RGBQUAD* palette, uint32_t count)
    : m_count(palette ? std::min(count, 256u) : 0), m_cellOffsets(32 * 32 * 32, kUnmapped) {
    for (uint32_t i = 0; i < m_count; ++i) {
        m_entries[i][0] = palette[i].rgbRed;
        m_entries[i][1] = palette[i].rgbGreen;
        m_entries[i][2] = palette[i].rgbBlue;
    }
}

std::vector<uint8_t> CNearestColorMap::CandidatesFor(const int32_t low[3]) const {
    int32_t least[256];
    int32_t bound = INT32_MAX;
    for (uint32_t i = 0; i < m_count; ++i) {
        int32_t nearest = 0, farthest = 0;
        for (int c = 0; c < 3; ++c) {
            const int32_t below = low[c] - m_entries[i][c];
            const int32_t above = m_entries[i][c] - (low[c] + kCellSide - 1);
            const int32_t outside = std::max({below, above, 0});
            const int32_t span = std::max(std::abs(below), std::abs(above));
            nearest += outside * outside;
            farthest += span * span;
        }
        least[i] = nearest;
        bound = std::min(bound, farthest);
    }
    // An entry farther than the bound from every colour of the cell can neither be nearest
    // nor tie with the nearest, so dropping it keeps the lowest-index rule.
    std::vector<uint8_t> candidates;
    for (uint32_t i = 0; i < m_count; ++i) {
        if (least[i] <= bound) candidates.push_back(static_cast<uint8_t>(i));
    }
    return candidates;
}

uint32_t CNearestColorMap::MapCell(uint32_t cell) {
    const int32_t low[3] = {int32_t(cell >> 10) * kCellSide, int32_t((cell >> 5) & 31) * kCellSide,
                            int32_t(cell & 31) * kCellSide};
    int32_t distance[kCellColors];
    uint8_t index[kCellColors] = {};
    std::fill(std::begin(distance), std::end(distance), INT32_MAX);
    // Candidates in ascending order with a strict comparison: ties keep the lower index.
    for (const uint8_t i : CandidatesFor(low)) {
        int32_t square[3][kCellSide];
        for (int c = 0; c < 3; ++c) {
            for (int32_t k = 0; k < kCellSide; ++k) {
                const int32_t d = low[c] + k - m_entries[i][c];
                square[c][k] = d * d;
            }
        }
        for (int32_t r = 0; r < kCellSide; ++r) {
            for (int32_t g = 0; g < kCellSide; ++g) {
                const int32_t rg = square[0][r] + square[1][g];
                const int32_t row = (r * kCellSide + g) * kCellSide;
                for (int32_t b = 0; b < kCellSide; ++b) {
                    const int32_t d = rg + square[2][b];
                    if (d < distance[row + b]) {
                        distance[row + b] = d;
                        index[row + b] = i;
                    }
                }
            }
        }
    }
    const uint32_t offset = static_cast<uint32_t>(m_indices.size());
    m_indices.insert(m_indices.end(), std::begin(index), std::end(index));
    m_cellOffsets[cell] = offset;
    return offset;
}

#include "CColorQuantizer.h"

#include <algorithm>
#include <cstring>
#include <new>

CColorQuantizer::CColorQuantizer(uint32_t colorCount, uint32_t colorBits)
    : m_leafLimit(std::max(colorCount, 16u)),
      m_colorCount(colorCount),
      m_colorBits(std::min(colorBits, 8u)) {}

CColorQuantizer::~CColorQuantizer() { FreeTree(m_root); }

void CColorQuantizer::FreeTree(Node* node) {
    if (!node) return;
    for (Node* child : node->children) FreeTree(child);
    delete node;
}

uint8_t CColorQuantizer::GetIndexAt(uint32_t x, uint32_t y, uint32_t bpp, uint32_t rowStride,
                                    const uint8_t* pixels) {
    const uint8_t* row = pixels + size_t{y} * rowStride;
    switch (bpp) {
        case 8:
            return row[x];
        case 4:
            return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
        case 1:
            return (row[x >> 3] >> (7 - (x & 7))) & 1;
        default:
            return 0;
    }
}

bool CColorQuantizer::AddImage(const void* bitmapBlock) {
    if (!bitmapBlock || m_colorBits == 0) return false;
    const uint8_t* block = static_cast<const uint8_t*>(bitmapBlock);
    BITMAPINFOHEADER head;
    std::memcpy(&head, block, sizeof(head));
    const uint32_t bpp = head.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) return false;
    if (head.biWidth <= 0 || head.biHeight <= 0) return true;
    const uint32_t width = static_cast<uint32_t>(head.biWidth);
    const uint32_t height = static_cast<uint32_t>(head.biHeight);
    const uint32_t stride = static_cast<uint32_t>(((uint64_t{bpp} * width + 31) / 32) * 4);
    const uint8_t* pixels = block + head.biSize + 4 * size_t{head.biClrUsed};
    const RGBQUAD* palette = reinterpret_cast<const RGBQUAD*>(block + sizeof(head));

    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels + size_t{y} * stride;
        for (uint32_t x = 0; x < width; ++x) {
            bool ok;
            if (bpp == 24) {
                ok = InsertColor(row[3 * x + 2], row[3 * x + 1], row[3 * x], 0);
            } else {
                const uint8_t index = GetIndexAt(x, y, bpp, stride, pixels);
                const RGBQUAD c = index < head.biClrUsed ? palette[index] : RGBQUAD{0, 0, 0, 0};
                ok = InsertColor(c.rgbRed, c.rgbGreen, c.rgbBlue, c.rgbReserved);
            }
            if (!ok) return false;
            while (m_leafCount > m_leafLimit) MergeDeepestReducible();
        }
    }
    return true;
}

CColorQuantizer::Node* CColorQuantizer::NewNode(uint32_t depth) {
    Node* node = new (std::nothrow) Node{};
    if (!node) return nullptr;
    if (depth == m_colorBits) {
        node->leaf = 1;
        ++m_leafCount;
    } else {
        node->nextReducible = m_reducible[depth];
        m_reducible[depth] = node;
    }
    return node;
}

bool CColorQuantizer::InsertColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
    Node** slot = &m_root;
    for (uint32_t depth = 0;; ++depth) {
        if (!*slot && !(*slot = NewNode(depth))) return false;
        Node* node = *slot;
        if (node->leaf) {
            ++node->pixelCount;
            node->redSum += red;
            node->greenSum += green;
            node->blueSum += blue;
            node->alphaSum += alpha;
            return true;
        }
        const uint32_t shift = 7 - depth;
        const uint32_t child =
            ((red >> shift) & 1) * 4 + ((green >> shift) & 1) * 2 + ((blue >> shift) & 1);
        slot = &node->children[child];
    }
}

void CColorQuantizer::MergeDeepestReducible() {
    uint32_t depth = m_colorBits - 1;
    while (depth > 0 && !m_reducible[depth]) --depth;
    Node* node = m_reducible[depth];
    if (!node) return;
    m_reducible[depth] = node->nextReducible;
    uint32_t merged = 0;
    for (Node*& child : node->children) {
        if (!child) continue;
        node->pixelCount += child->pixelCount;
        node->redSum += child->redSum;
        node->greenSum += child->greenSum;
        node->blueSum += child->blueSum;
        node->alphaSum += child->alphaSum;
        delete child;
        child = nullptr;
        ++merged;
    }
    node->leaf = 1;
    m_leafCount = m_leafCount + 1 - merged;
}

void CColorQuantizer::CollectColors(const Node* node, RGBQUAD* output, uint32_t& index,
                                    uint32_t* counts) const {
    if (!node) return;
    if (node->leaf) {
        const uint64_t n = node->pixelCount;
        output[index] = RGBQUAD{
            static_cast<uint8_t>(node->blueSum / n), static_cast<uint8_t>(node->greenSum / n),
            static_cast<uint8_t>(node->redSum / n), static_cast<uint8_t>(node->alphaSum / n)};
        if (counts) counts[index] = node->pixelCount;
        ++index;
        return;
    }
    for (const Node* child : node->children) CollectColors(child, output, index, counts);
}

void CColorQuantizer::WritePalette(RGBQUAD* output) const {
    if (!output) return;
    uint32_t index = 0;
    if (m_colorCount > 15) {
        CollectColors(m_root, output, index, nullptr);
        return;
    }
    RGBQUAD local[16] = {};
    uint32_t counts[16] = {};
    CollectColors(m_root, local, index, counts);
    if (m_colorCount >= m_leafCount) {
        std::copy(local, local + m_leafCount, output);
        return;
    }
    // Fewer colours than leaves: each entry averages a run of neighbouring leaves, weighted by
    // their pixel counts.
    for (uint32_t i = 0; i < m_colorCount; ++i) {
        const uint32_t a = i * m_leafCount / m_colorCount;
        const uint32_t b = (i + 1) * m_leafCount / m_colorCount;
        uint64_t sum[4] = {}, pixels = 0;
        for (uint32_t k = a; k < b; ++k) {
            sum[0] += uint64_t{local[k].rgbBlue} * counts[k];
            sum[1] += uint64_t{local[k].rgbGreen} * counts[k];
            sum[2] += uint64_t{local[k].rgbRed} * counts[k];
            sum[3] += uint64_t{local[k].rgbReserved} * counts[k];
            pixels += counts[k];
        }
        if (pixels == 0) continue;
        output[i] =
            RGBQUAD{static_cast<uint8_t>(sum[0] / pixels), static_cast<uint8_t>(sum[1] / pixels),
                    static_cast<uint8_t>(sum[2] / pixels), static_cast<uint8_t>(sum[3] / pixels)};
    }
}

#pragma once
// CColorQuantizer: chooses a palette of at most a requested number of colours for bitmaps by
// building an octree of their colours and merging the deepest branches until few enough leaves
// remain.
//
// Depth d of the tree splits on bit 7 - d of red, green and blue (child index red × 4 +
// green × 2 + blue); leaves sit at the depth given by the colour bits (7: colours that differ
// only in their lowest bit share a leaf). The tree accumulates over every AddImage call; merging
// runs after each pixel, so memory stays bounded by the leaf limit whatever the image size.

#include <cstdint>

#include "RasterTypes.h"

class CColorQuantizer {
public:
    // colorCount: palette entries wanted (the tree keeps at least 16 leaves); colorBits: leaf
    // depth, at most 8.
    CColorQuantizer(uint32_t colorCount, uint32_t colorBits);
    virtual ~CColorQuantizer();
    CColorQuantizer(const CColorQuantizer&) = delete;
    CColorQuantizer& operator=(const CColorQuantizer&) = delete;

    // Adds every pixel of a bitmap block (40-byte header, palette, bottom-up rows padded to 4
    // bytes). False for depths other than 1, 4, 8 and 24, for 0 colour bits and when a node
    // cannot be allocated.
    bool AddImage(const void* bitmapBlock);
    // Writes the chosen colours (blue, green, red, average fourth byte) to the front of output;
    // entries past them stay as they were. output holds at least max(colorCount, leaf count).
    void WritePalette(RGBQUAD* output) const;
    uint32_t GetLeafCount() const { return m_leafCount; }
    // Palette index of pixel x of a 1-, 4- or 8-bit row y; 0 for other depths.
    static uint8_t GetIndexAt(uint32_t x, uint32_t y, uint32_t bpp, uint32_t rowStride,
                              const uint8_t* pixels);

private:
    struct Node {
        int32_t leaf;
        uint32_t pixelCount;
        // 64-bit sums: a leaf may gather more pixels than a 32-bit sum of bytes can hold.
        uint64_t redSum, greenSum, blueSum, alphaSum;
        Node* children[8];
        Node* nextReducible;
    };

    bool InsertColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha);
    Node* NewNode(uint32_t depth);
    void MergeDeepestReducible();
    void CollectColors(const Node* node, RGBQUAD* output, uint32_t& index, uint32_t* counts) const;
    static void FreeTree(Node* node);

    Node* m_root = nullptr;
    uint32_t m_leafCount = 0;
    Node* m_reducible[9] = {};
    uint32_t m_leafLimit;
    uint32_t m_colorCount;
    uint32_t m_colorBits;
};

#pragma once
// The information record of a CRaster: everything about an image except its buffers.
// It is copied as a whole between images (CopyInfo, Copy, MoveFrom, ShareFrom).

#include <cstdint>

#include "RasterTypes.h"

class CRaster;

struct CRasterInfo {
    uint32_t dwEffWidth;       // row stride: bytes per pixel row, a multiple of 4
    uint8_t* pImage;           // start of the pixel rows inside the bitmap block
    CRaster* pGhost;           // sharing source: the image whose buffers are used, not owned
    uint32_t dwType;           // format id (CRasterFormat)
    char szLastError[256];     // NUL-terminated text of the last failure
    int32_t nProgress;         // 0..100, written by long operations
    int32_t nEscape;           // non-zero asks long operations to stop early
    int32_t nBkgndIndex;       // transparent palette index, -1 for none
    RGBQUAD nBkgndColor;       // transparent colour of 24-bit images, colour outside the image
    uint8_t nQuality;          // JPEG quality 1..100
    int32_t nFrame;            // frame or page wanted from a multi-frame file
    int32_t nNumFrames;        // frame count, set by multi-frame readers
    uint32_t dwFrameDelay;
    int32_t xDPI;
    int32_t yDPI;
    RECT rSelectionBox;
    uint8_t nAlphaMax;         // scales the alpha plane when drawing
    uint8_t bAlphaPaletteEnabled;  // palette entries' fourth byte is their opacity
    uint8_t bEnabled;          // Draw draws nothing while 0
    int32_t xOffset;
    int32_t yOffset;
    uint32_t dwCodecOption;    // chooses among the GIF compressors
    RGBQUAD last_c;            // nearest-colour cache: the colour last asked for
    uint8_t last_c_index;      // ... the index found for it
    uint8_t last_c_isvalid;    // ... and whether the cache holds anything
    int32_t nNumLayers;
};

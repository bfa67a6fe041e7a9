// Frame composition: drawing one palette image over another.
#include "CRaster.h"

void CRaster::CopyOpaquePixelsFrom(const CRaster& frame, int32_t xOffset, int32_t yOffset) {
    if (!m_pDib || !frame.IsValid()) return;
    const int32_t transIndex = frame.GetTransIndex();
    const int32_t width = static_cast<int32_t>(frame.GetWidth());
    const int32_t height = static_cast<int32_t>(frame.GetHeight());
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const int64_t tx = int64_t{x} - xOffset, ty = int64_t{y} - yOffset;
            if (tx < 0 || ty < 0 || tx >= GetWidth() || ty >= GetHeight()) continue;
            const uint8_t index = frame.GetPixelIndex(x, y);
            if (transIndex == -1 || index != transIndex) {
                SetPixelIndex(static_cast<int32_t>(tx), static_cast<int32_t>(ty), index);
            }
        }
    }
}

// Alpha and selection planes of CRaster: width × height bytes each, rows bottom-up.
#include <cstdlib>
#include <cstring>

#include "CRaster.h"

namespace {

size_t PlaneSize(const CRaster& image) { return size_t{image.GetWidth()} * image.GetHeight(); }

// malloc(0) may return null; a plane of an empty image still counts as present.
uint8_t* AllocatePlane(size_t size) { return static_cast<uint8_t*>(std::malloc(size ? size : 1)); }

}  // namespace

uint8_t* CRaster::CreateAlpha() {
    DeleteAlpha();
    const size_t size = PlaneSize(*this);
    m_pAlpha = static_cast<uint8_t*>(std::calloc(size ? size : 1, 1));
    return m_pAlpha;
}

void CRaster::DeleteAlpha() {
    std::free(m_pAlpha);
    m_pAlpha = nullptr;
}

void CRaster::FillAlpha(uint8_t level) {
    if (m_pAlpha) std::memset(m_pAlpha, level, PlaneSize(*this));
}

void CRaster::SetAlpha(int32_t x, int32_t y, uint8_t level) {
    if (m_pAlpha && IsInside(x, y)) m_pAlpha[size_t(x) + size_t(y) * GetWidth()] = level;
}

uint8_t CRaster::GetAlpha(int32_t x, int32_t y) const {
    if (m_pAlpha && IsInside(x, y)) return m_pAlpha[size_t(x) + size_t(y) * GetWidth()];
    return 0;
}

bool CRaster::FlipAlpha() {
    if (!m_pAlpha) return false;
    uint8_t* flipped = AllocatePlane(PlaneSize(*this));
    if (!flipped) return false;
    const size_t width = GetWidth();
    const size_t height = GetHeight();
    for (size_t i = 0; i < height; ++i) {
        std::memcpy(flipped + i * width, m_pAlpha + (height - 1 - i) * width, width);
    }
    std::free(m_pAlpha);
    m_pAlpha = flipped;
    return true;
}

bool CRaster::MirrorAlpha() {
    if (!m_pAlpha) return false;
    uint8_t* mirrored = AllocatePlane(PlaneSize(*this));
    if (!mirrored) return false;
    const size_t width = GetWidth();
    const size_t height = GetHeight();
    for (size_t i = 0; i < height; ++i) {
        const uint8_t* src = m_pAlpha + i * width;
        uint8_t* dst = mirrored + i * width;
        for (size_t j = 0; j < width; ++j) dst[j] = src[width - 1 - j];
    }
    std::free(m_pAlpha);
    m_pAlpha = mirrored;
    return true;
}

bool CRaster::CopyAlphaFrom(const CRaster& src) {
    if (!src.m_pAlpha || src.GetWidth() != GetWidth() || src.GetHeight() != GetHeight()) {
        return false;
    }
    if (&src == this) return true;
    if (!m_pAlpha) m_pAlpha = AllocatePlane(PlaneSize(*this));
    if (!m_pAlpha) return false;
    std::memcpy(m_pAlpha, src.m_pAlpha, PlaneSize(*this));
    m_info.nAlphaMax = src.m_info.nAlphaMax;
    return true;
}

bool CRaster::DeleteSelection() {
    std::free(m_pSelection);
    m_pSelection = nullptr;
    m_info.rSelectionBox = RECT{m_head.biWidth, 0, 0, m_head.biHeight};
    return true;
}

bool CRaster::CopySelectionFrom(const CRaster& src) {
    if (!src.m_pSelection || src.GetWidth() != GetWidth() || src.GetHeight() != GetHeight()) {
        return false;
    }
    if (&src == this) return true;
    if (!m_pSelection) m_pSelection = AllocatePlane(PlaneSize(*this));
    if (!m_pSelection) return false;
    std::memcpy(m_pSelection, src.m_pSelection, PlaneSize(*this));
    m_info.rSelectionBox = src.m_info.rSelectionBox;
    return true;
}

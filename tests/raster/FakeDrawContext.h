#pragma once
// A drawing context over a plain 24-bit canvas that records every call, so that drawing can be
// checked without a window system. The clip region is one rectangle (union takes the bounding
// box, which is exact for the rectangles the tests use).

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "CDrawContext.h"

class FakeDrawContext final : public CDrawContext {
public:
    struct Bgr {
        uint8_t b, g, r;
        bool operator==(const Bgr&) const = default;
    };
    struct Put {
        int32_t x, y, width, height;
        const void* info;
        const void* bits;
    };

    FakeDrawContext(int32_t width, int32_t height, Bgr fill)
        : m_width(width),
          m_height(height),
          m_pixels(size_t(width) * height, fill),
          m_clip{0, 0, width, height} {}

    Bgr At(int32_t x, int32_t y) const { return m_pixels[size_t(y) * m_width + x]; }
    const std::vector<std::string>& Calls() const { return m_calls; }
    const std::vector<Put>& Puts() const { return m_puts; }
    Rect Clip() const { return m_clip; }

    Rect GetClipBox() const override {
        m_calls.push_back("GetClipBox");
        return m_clip;
    }
    void IntersectClip(const Rect& r) override {
        m_calls.push_back("IntersectClip " + Text(r));
        m_clip = {std::max(m_clip.left, r.left), std::max(m_clip.top, r.top),
                  std::min(m_clip.right, r.right), std::min(m_clip.bottom, r.bottom)};
        if (m_clip.right < m_clip.left) m_clip.right = m_clip.left;
        if (m_clip.bottom < m_clip.top) m_clip.bottom = m_clip.top;
    }
    void UniteClip(const Rect& r) override {
        m_calls.push_back("UniteClip " + Text(r));
        m_clip = {std::min(m_clip.left, r.left), std::min(m_clip.top, r.top),
                  std::max(m_clip.right, r.right), std::max(m_clip.bottom, r.bottom)};
    }
    void PutDibRows(int32_t x, int32_t y, int32_t width, int32_t height, const void* info,
                    const void* bits) override {
        m_calls.push_back("PutDibRows " + Text({x, y, x + width, y + height}));
        m_puts.push_back({x, y, width, height, info, bits});
        const auto* head = static_cast<const uint8_t*>(info);
        int32_t dibWidth, dibHeight;
        uint32_t headSize, colors;
        uint16_t bpp;
        std::memcpy(&headSize, head, 4);
        std::memcpy(&dibWidth, head + 4, 4);
        std::memcpy(&dibHeight, head + 8, 4);
        std::memcpy(&bpp, head + 14, 2);
        std::memcpy(&colors, head + 32, 4);
        const uint8_t* palette = head + headSize;
        const size_t stride = ((size_t(dibWidth) * bpp + 31) / 32) * 4;
        const int32_t w = std::min(width, dibWidth), h = std::min(height, dibHeight);
        for (int32_t line = 0; line < h; ++line) {
            const uint8_t* row = static_cast<const uint8_t*>(bits) + size_t(h - 1 - line) * stride;
            for (int32_t c = 0; c < w; ++c) {
                const int32_t dx = x + c, dy = y + line;
                if (dx < m_clip.left || dx >= m_clip.right || dy < m_clip.top ||
                    dy >= m_clip.bottom) {
                    continue;
                }
                Bgr value;
                if (bpp == 24) {
                    value = {row[3 * c], row[3 * c + 1], row[3 * c + 2]};
                } else {
                    uint32_t index = row[c * bpp / 8];
                    if (bpp == 4) index = (c & 1) ? (index & 15) : (index >> 4);
                    if (bpp == 1) index = (index >> (7 - (c & 7))) & 1;
                    if (index >= colors) index = 0;
                    const uint8_t* e = palette + 4 * index;
                    value = {e[0], e[1], e[2]};
                }
                m_pixels[size_t(dy) * m_width + dx] = value;
            }
        }
    }
    bool ReadRows(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* rows,
                  size_t stride) const override {
        m_calls.push_back("ReadRows " + Text({x, y, x + width, y + height}));
        for (int32_t line = 0; line < height; ++line) {
            uint8_t* out = rows + size_t(height - 1 - line) * stride;
            for (int32_t c = 0; c < width; ++c) {
                const Bgr v = At(x + c, y + line);
                out[3 * c] = v.b;
                out[3 * c + 1] = v.g;
                out[3 * c + 2] = v.r;
            }
        }
        return true;
    }

    static std::string Text(const Rect& r) {
        return std::to_string(r.left) + "," + std::to_string(r.top) + "," +
               std::to_string(r.right) + "," + std::to_string(r.bottom);
    }

private:
    int32_t m_width, m_height;
    std::vector<Bgr> m_pixels;
    Rect m_clip;
    mutable std::vector<std::string> m_calls;
    std::vector<Put> m_puts;
};

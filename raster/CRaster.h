#pragma once
// CRaster: the in-memory raster image.
//
// Pixels live in one heap block laid out as a Windows device-independent bitmap: a copy of the
// 40-byte bitmap header, the palette (biClrUsed entries of blue, green, red, fourth byte) and
// the pixel rows. Rows are stored bottom-up: row y = 0 is the bottom row of the picture. Each row
// is padded to a multiple of 4 bytes. At 1 bpp the most significant bit is the leftmost pixel,
// at 4 bpp the high nibble; 24-bit pixels are blue, green, red. All coordinates taken by this
// class are in that bottom-up sense. Colours cross the interface as RGBQUAD.
//
// The library never throws: failures return false or null and leave a text of at most 255
// characters in GetLastError().

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "CRasterInfo.h"
#include "RasterTypes.h"

class CDrawContext;
class CRasterStream;

// Largest bitmap block (header, palette and pixels) Create allocates, in bytes.
inline constexpr uint64_t RASTER_MAX_MEMORY = uint64_t{1} << 31;

class CRaster {
public:
    explicit CRaster(uint32_t imageType = FORMAT_UNKNOWN);
    CRaster(uint32_t width, uint32_t height, uint32_t bpp, uint32_t imageType = FORMAT_UNKNOWN);
    CRaster(const CRaster& src, bool copyPixels = true, bool copySelection = true,
            bool copyAlpha = true);
    CRaster& operator=(const CRaster&) = delete;
    virtual ~CRaster();

    // Lifetime, copying, moving, sharing.
    void InitDefaults(uint32_t imageType);
    void* Create(uint32_t width, uint32_t height, uint32_t bpp, uint32_t imageType);
    // Bytes of the bitmap block Create allocates for this size and depth (rounded as Create
    // rounds it), for readers that check a claimed size before they allocate anything else.
    static uint64_t BlockBytes(uint32_t width, uint32_t height, uint32_t bpp);
    void Destroy();
    // Copy and CopyInfo also take the source header's pixels per metre, so that the header
    // keeps agreeing with the DPI of the copied info record.
    void Copy(const CRaster& src, bool copyPixels = true, bool copySelection = true,
              bool copyAlpha = true);
    void CopyInfo(const CRaster& src);
    void MoveFrom(CRaster& src);
    void ShareFrom(const CRaster* src);

    // Accessors.
    bool IsValid() const { return m_pDib != nullptr; }
    void* GetDIB() const { return m_pDib; }
    uint32_t GetWidth() const { return static_cast<uint32_t>(m_head.biWidth); }
    uint32_t GetHeight() const { return static_cast<uint32_t>(m_head.biHeight); }
    uint32_t GetBpp() const { return m_head.biBitCount; }
    uint32_t GetType() const { return m_info.dwType; }
    uint32_t GetRowStride() const { return m_info.dwEffWidth; }
    uint32_t GetNumColors() const { return m_head.biClrUsed; }
    uint32_t GetSize() const;
    uint8_t* GetBits(uint32_t row = 0) const;
    bool IsInside(int32_t x, int32_t y) const;
    void Clear(uint8_t value = 0);
    uint8_t GetJpegQuality() const { return m_info.nQuality; }
    void SetJpegQuality(uint8_t quality) { m_info.nQuality = quality; }
    const char* GetLastError() const { return m_info.szLastError; }
    void SetLastError(const char* text);
    int32_t GetFrame() const { return m_info.nFrame; }
    void SetFrame(int32_t frame) { m_info.nFrame = frame; }
    int32_t GetNumFrames() const { return m_info.nNumFrames; }
    uint32_t GetFrameDelay() const { return m_info.dwFrameDelay; }
    void SetFrameDelay(uint32_t delay) { m_info.dwFrameDelay = delay; }
    void EnablePaletteAlpha(bool enable) { m_info.bAlphaPaletteEnabled = enable ? 1 : 0; }
    bool IsPaletteAlphaEnabled() const { return m_info.bAlphaPaletteEnabled != 0; }
    uint32_t GetColorType() const;
    int32_t GetXDPI() const { return m_info.xDPI; }
    int32_t GetYDPI() const { return m_info.yDPI; }
    void SetXDPI(int32_t dpi);
    void SetYDPI(int32_t dpi);
    // Stores DPI values read from a file; NaN, infinite and out-of-range values give 96.
    void SetDpiFromFile(double xDpi, double yDpi);
    // The resolution in pixels per metre, as the BMP and PNG writers store it: the header's
    // exact value while it stands for the DPI, else the DPI's, so that every writer stores
    // the same resolution.
    int32_t GetXPelsPerMeter() const;
    int32_t GetYPelsPerMeter() const;
    int32_t GetTransIndex() const { return m_info.nBkgndIndex; }
    void SetTransIndex(int32_t index) { m_info.nBkgndIndex = index; }
    void SetTransColor(RGBQUAD color) { m_info.nBkgndColor = color; }
    uint32_t GetCodecOption() const { return m_info.dwCodecOption; }
    void SetCodecOption(uint32_t option) { m_info.dwCodecOption = option; }
    uint8_t GetAlphaMax() const { return m_info.nAlphaMax; }
    void SetAlphaMax(uint8_t maximum) { m_info.nAlphaMax = maximum; }
    bool IsEnabled() const { return m_info.bEnabled != 0; }
    void Enable(bool enable) { m_info.bEnabled = enable ? 1 : 0; }
    int32_t GetProgress() const { return m_info.nProgress; }
    void SetProgress(int32_t progress) { m_info.nProgress = progress; }
    int32_t GetEscape() const { return m_info.nEscape; }
    void SetEscape(int32_t escape) { m_info.nEscape = escape; }
    int32_t GetXOffset() const { return m_info.xOffset; }
    int32_t GetYOffset() const { return m_info.yOffset; }
    void SetOffset(int32_t x, int32_t y) { m_info.xOffset = x; m_info.yOffset = y; }
    RECT GetSelectionBox() const { return m_info.rSelectionBox; }
    int32_t GetNumLayers() const { return m_info.nNumLayers; }
    const BITMAPINFOHEADER& GetHeader() const { return m_head; }
    const CRasterInfo& GetInfo() const { return m_info; }

    // Fills the 24-bit rows of a created image from 16- or 32-bit bit-field pixels.
    void ConvertBitfieldsToRgb(const uint8_t* src, uint32_t redMask, uint32_t greenMask,
                               uint32_t blueMask, uint8_t srcBpp);

    // Palette.
    RGBQUAD* GetPalette() const;
    uint32_t GetPaletteSize() const;
    RGBQUAD GetPaletteColor(uint8_t index) const;
    bool GetPaletteColor(uint8_t index, uint8_t* red, uint8_t* green, uint8_t* blue) const;
    void SetPaletteColor(uint8_t index, uint8_t red, uint8_t green, uint8_t blue,
                         uint8_t alpha = 0);
    void SetPaletteColor(uint8_t index, RGBQUAD color);
    void SetPalette(const RGBQUAD* palette, uint32_t count = 256);
    // Triples of red, green, blue.
    void SetPalette(const uint8_t* rgb, uint32_t count);
    void SetPalette(uint32_t count, const uint8_t* red, const uint8_t* green = nullptr,
                    const uint8_t* blue = nullptr);
    void SetGrayPalette();
    bool IsGrayScale() const;
    void SetStandardPalette();
    void SwapPaletteEntries(uint8_t a, uint8_t b);
    void SetImportantColors(uint32_t count);
    RGBQUAD GetTransparentColor() const;
    bool HasPaletteAlpha() const;
    static int CompareByLuminance(const void* p, const void* q);
    void SwapRedBlue(uint8_t* buffer, int64_t length) const;
    static RGBQUAD ColorRefToRgbQuad(COLORREF color);

    // Pixels.
    uint8_t GetPixelIndex(int32_t x, int32_t y) const;
    void SetPixelIndex(int32_t x, int32_t y, uint8_t index);
    RGBQUAD GetPixelColor(int32_t x, int32_t y) const;
    void SetPixelColor(int32_t x, int32_t y, RGBQUAD color, bool setAlpha = false);
    void SetPixelColor(int32_t x, int32_t y, COLORREF color);
    uint8_t FindNearestIndex(RGBQUAD color);
    RGBQUAD GetPixelColorBilinear(double x, double y) const;
    // Writes the frame's pixel indices, except its transparent index, into this image: frame
    // pixel (x, y) goes to (x - xOffset, y - yOffset), both bottom-up; pixels landing outside
    // this image are dropped. A frame without transparent index writes every pixel.
    void CopyOpaquePixelsFrom(const CRaster& frame, int32_t xOffset, int32_t yOffset);

    // Alpha plane: width × height bytes, index x + y × width (bottom-up), 0 transparent.
    bool HasAlpha() const { return m_pAlpha != nullptr; }
    uint8_t* CreateAlpha();
    void DeleteAlpha();
    void FillAlpha(uint8_t level);
    void SetAlpha(int32_t x, int32_t y, uint8_t level);
    uint8_t GetAlpha(int32_t x, int32_t y) const;
    uint8_t* GetAlphaPointer() const { return m_pAlpha; }
    bool FlipAlpha();
    bool MirrorAlpha();
    bool CopyAlphaFrom(const CRaster& src);

    // Selection plane: same layout as the alpha plane.
    bool HasSelection() const { return m_pSelection != nullptr; }
    uint8_t* GetSelectionPointer() const { return m_pSelection; }
    bool DeleteSelection();
    bool CopySelectionFrom(const CRaster& src);

    // Whole-image operations; each leaves the image unchanged when it fails.
    bool Flip();
    bool Mirror();
    bool RotateLeft(CRaster* destination = nullptr);
    bool RotateRight(CRaster* destination = nullptr);
    bool ReduceBpp(uint32_t bpp, bool errorDiffusion = false, const RGBQUAD* palette = nullptr,
                   uint32_t colorCount = 0);
    // left/right are columns, top/bottom rows counted from the top of the picture.
    bool Crop(int32_t left, int32_t top, int32_t right, int32_t bottom,
              CRaster* destination = nullptr);

    // Drawing into a device (device pixels, y downwards): paints the image into the rectangle
    // x, y, x + cx, y + cy, scaled by nearest neighbour, blended over the device's content when
    // the image has a transparent colour, an alpha plane or palette alpha. A negative cx or cy
    // stands for the image's width or height. With a clip rectangle the drawing stays inside it
    // and the device's clip region is afterwards united with its previous clip box again.
    // False, drawing nothing, for a missing device or bitmap, cx or cy 0, or a disabled image.
    bool Draw(CDrawContext* dc, int32_t x, int32_t y, int32_t cx = -1, int32_t cy = -1,
              const RECT* clip = nullptr) const;
    bool Draw(CDrawContext* dc, const RECT& target, const RECT* clip = nullptr) const;
    // Whether Draw covers its target without blending: no transparent colour, alpha plane or
    // palette alpha.
    bool IsOpaque() const;

    // Loading and saving through the format classes.
    bool Load(const char* fileName, uint32_t imageType = FORMAT_UNKNOWN);
    bool Save(const char* fileName, uint32_t imageType);
    bool Decode(FILE* file, uint32_t imageType);
    bool Decode(CRasterStream* stream, uint32_t imageType);
    bool Encode(FILE* file, uint32_t imageType);
    bool Encode(CRasterStream* stream, uint32_t imageType);

protected:
    // First step of every encoder: true (refuse) for a null stream or an image without pixels.
    bool CheckEncodeInput(CRasterStream* stream);
    // The colour returned for positions outside the image.
    RGBQUAD GetBackgroundColor() const;
    // The number of palette entries the nearest-colour search looks at.
    uint32_t GetSearchedColorCount() const;
    // ReduceBpp's pixel pass: this image's colours mapped to the nearest entries of temp's
    // palette, with the error diffused into this image when asked.
    void ReducePixelsInto(CRaster& temp, bool errorDiffusion);
    // The header's pixels per metre of src, which the BMP and PNG writers store.
    void CopyResolution(const CRaster& src);

    void* m_pDib = nullptr;        // bitmap block: header copy, palette, rows
    BITMAPINFOHEADER m_head{};
    CRasterInfo m_info{};
    uint8_t* m_pSelection = nullptr;
    uint8_t* m_pAlpha = nullptr;
    CRaster** m_pLayers = nullptr;  // m_info.nNumLayers images, each owned
};

#pragma once
// CRasterTIF: the TIFF format (format id 6) over libtiff.
//
// Decode reads one page, the image's requested frame (0-based), into a bottom-up CRaster and sets
// the frame count to the file's number of pages. Encode writes the image as one page; with the
// append flag set the handle stays open and further Encode calls on the same object add pages,
// until a call without the flag writes the last page and completes the file.
// DPI travel as the file's X and Y resolution in pixels per inch.

#include <cstddef>
#include <cstdint>

#include "CRaster.h"

struct tiff;

class CRasterTIF : public CRaster {
public:
    CRasterTIF();
    ~CRasterTIF() override;
    CRasterTIF(const CRasterTIF&) = delete;
    CRasterTIF& operator=(const CRasterTIF&) = delete;

    bool Decode(CRasterStream* stream);
    bool Encode(CRasterStream* stream, bool append = false);

    // Copies rows of bytes from a tile into a band buffer: after each row the destination
    // advances by bytes + destinationSkip and the source by bytes + sourceSkip.
    static void CopyTileToStrip(uint8_t* destination, const uint8_t* source, uint32_t rows,
                                size_t bytes, size_t destinationSkip, size_t sourceSkip);

private:
    bool DecodeOpened(tiff* handle);
    bool ReadRgba(tiff* handle, uint32_t samples);
    bool ReadBands(tiff* handle, uint32_t samples, uint32_t bitsPerSample, uint32_t rowsPerStrip,
                   uint16_t photometric);
    bool WritePage(tiff* handle, bool multiPage, int32_t page, int32_t pageCount);
    void CloseHandle();

    tiff* m_hTif = nullptr;  // open between the pages of a multi-page write
    uint8_t m_multipage = 0;
    int32_t m_pages = 0;  // pages written to m_hTif
};

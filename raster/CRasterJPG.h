#pragma once
// CRasterJPG: the JPEG format class (format id FORMAT_JPG) over libjpeg's 6b interface.
// Decoding gives an 8-bit image with the linear grey palette for one-component files and a
// 24-bit blue-green-red image for three (YCbCr/RGB) and four (CMYK/YCCK) components; the DPI
// comes from the Exif resolution when the file has Exif data, else from the JFIF density.
// Encoding writes a baseline JPEG with a JFIF density in dots per inch; only 24-bit images and
// palette images whose palette is the identity grey ramp are accepted.

#include "CExifRecord.h"
#include "CRaster.h"

class CRasterStream;

class CRasterJPG : public CRaster {
public:
    CRasterJPG();

    bool Decode(CRasterStream* stream);
    bool Encode(CRasterStream* stream);
    // Reads the marker sections into the Exif record and seeks back; true when Exif was found.
    bool ReadExif(CRasterStream* stream);
    // What the last decode found in the file's marker sections. The thumbnail pointer is null:
    // it pointed into the reader's copy of the section, which is gone after the decode.
    const CExifRecord& GetExifRecord() const { return m_exif; }

private:
    CExifRecord m_exif;
};

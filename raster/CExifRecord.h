#pragma once
// CExifRecord: what the marker sections at the start of a JPEG file say about the picture,
// filled by CExifReader. Sizes are in pixels, resolutions in dots per unit, the resolution-unit
// fields hold the factor that turns a resolution into dots per inch (resolution / factor = DPI).
// Texts are NUL-terminated within their arrays.

#include <cstdint>

struct CExifRecord {
    char version[5];  // Exif version, four characters
    char cameraMake[32];
    char cameraModel[40];
    char dateTime[20];
    int32_t height;  // from the frame header
    int32_t width;
    int32_t orientation;  // 1..8, 0 when undefined
    int32_t isColor;      // 1 when the frame header has three components
    int32_t process;      // the frame header's marker code
    int32_t flashUsed;
    float focalLength;
    float exposureTime;  // seconds
    float fNumber;
    float subjectDistance;
    float sensorWidth;  // derived from the focal-plane resolution
    float exposureBias;
    int32_t lightSource;
    int32_t meteringMode;
    int32_t exposureProgram;
    int32_t isoEquivalent;
    int32_t compressionLevel;
    float focalPlaneXRes;
    float focalPlaneYRes;
    float focalPlaneUnits;  // factor, see above
    float xResolution;
    float yResolution;
    float resolutionUnit;  // factor, see above
    float brightness;
    char comment[1000];
    const uint8_t* thumbnail;  // inside the reader's copy of the Exif section; null once it is gone
    int32_t thumbnailSize;     // bytes
    uint8_t isExif;            // 1 when an Exif block was found and parsed without error
};

#pragma once
// The component image the JPEG-2000 family works on between a file and a CRaster, and the
// readers and writers of its formats. Internal to CRasterJasPer.
//
// Each component is a plane of integer samples, rows top-down, with its own size and range:
// unsigned samples run 0..maxval, signed ones -(maxval + 1) / 2 .. maxval / 2.
// Readers and writers throw JasPerFailure with the text of the failure; CRasterJasPer catches it.

#include <cstdint>
#include <vector>

class CRasterStream;

namespace jasper {

struct JasPerFailure {
    const char* text;
};

struct Component {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t maxval = 255;  // 2^precision - 1 for JPEG-2000 and PGX; the file's value for PNM
    bool sgnd = false;
    std::vector<int32_t> data;  // width × height samples, top row first
};

struct Image {
    std::vector<Component> comps;
};

enum class Kind { None, Jp2, Jpc, Pgx, Pnm, Ras };

// Largest sample buffer a reader allocates, in samples.
inline constexpr uint64_t kMaxSamples = uint64_t{1} << 29;

// The family format the stream starts with (the stream position is kept).
Kind Detect(CRasterStream& stream);

// The most memory decoding the JP2 file or code stream at the stream's position holds at once
// (OpenJPEG's and the reader's), in bytes, as bounded from its headers before OpenJPEG
// allocates what they declare. Throws when the headers cannot be read. The position is kept.
double DecodePeakBound(CRasterStream& stream, Kind kind);
// Throws "error: cannot allocate memory" when that bound passes RASTER_MAX_MEMORY.
void CheckCodeStream(CRasterStream& stream, Kind kind);

// Each reader fills image from the stream; each writer takes components with maxval 255
// (one grey or three red, green, blue components of equal size) and writes the whole file.
void DecodeOpenJpeg(CRasterStream& stream, Kind kind, Image& image);
void EncodeOpenJpeg(CRasterStream& stream, Kind kind, const Image& image, double rate);
void DecodePnm(CRasterStream& stream, Image& image);
void EncodePnm(CRasterStream& stream, const Image& image);
void DecodePgx(CRasterStream& stream, Image& image);
void EncodePgx(CRasterStream& stream, const Image& image);
void DecodeRas(CRasterStream& stream, Image& image);
void EncodeRas(CRasterStream& stream, const Image& image);

// Helpers shared by the small formats.
// Bytes left between the stream position and its end (0 when unknown).
uint64_t Remaining(CRasterStream& stream);
// Writes all bytes or throws "error: cannot encode image\n".
void WriteAll(CRasterStream& stream, const std::vector<uint8_t>& bytes);
// A component of the given size with room for its samples, checked against kMaxSamples.
Component MakeComponent(uint64_t width, uint64_t height, uint32_t maxval, bool sgnd,
                        const char* failure);

}  // namespace jasper

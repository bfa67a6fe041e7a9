#pragma once
// The one table that maps each format id to its format class. Decode and Encode of CRaster
// dispatch through it; auto-detection tries the readers in the table's detection order.

#include <cstdint>
#include <memory>
#include <span>

class CRaster;
class CRasterStream;

struct CRasterCodec {
    uint32_t id;          // CRasterFormat
    const char* name;
    // A new, empty object of the format class.
    std::unique_ptr<CRaster> (*create)();
    // Decodes the stream into the object; id is the format wanted (0 while auto-detecting).
    bool (*decode)(CRaster& object, CRasterStream& stream, uint32_t id);
    // Encodes the object, which shares the caller's buffers, into the stream.
    bool (*encode)(CRaster& object, CRasterStream& stream, uint32_t id);
};

// The codec of a format id 1..14, or null when the id has none.
const CRasterCodec* FindRasterCodec(uint32_t id);

// The readers auto-detection tries, in order.
std::span<const CRasterCodec* const> RasterDetectionOrder();

#include "CRasterCodecTable.h"

#include <array>

#include "CRaster.h"
#include "CRasterBMP.h"
#include "CRasterGIF.h"
#include "CRasterICO.h"
#include "CRasterJPG.h"
#include "CRasterJasPer.h"
#include "CRasterPCX.h"
#include "CRasterPNG.h"
#include "CRasterStream.h"
#include "CRasterTGA.h"
#include "CRasterTIF.h"
#include "CRasterWBMP.h"

namespace {

// Adapters for format classes with the common `Decode (stream)` / `Encode (stream)` pair.
template <class Format>
std::unique_ptr<CRaster> Make() {
    return std::make_unique<Format>();
}

template <class Format>
bool DecodeWith(CRaster& object, CRasterStream& stream, uint32_t) {
    return static_cast<Format&>(object).Decode(&stream);
}

template <class Format>
bool EncodeWith(CRaster& object, CRasterStream& stream, uint32_t) {
    return static_cast<Format&>(object).Encode(&stream);
}

// Each built format class adds its entry here; ids without an entry have no codec yet and fail
// with the dispatch's unknown-format texts.
bool DecodeJasPer(CRaster& object, CRasterStream& stream, uint32_t id) {
    return static_cast<CRasterJasPer&>(object).Decode(&stream, id);
}

bool EncodeJasPer(CRaster& object, CRasterStream& stream, uint32_t id) {
    return static_cast<CRasterJasPer&>(object).Encode(&stream, id);
}

constexpr std::array<CRasterCodec, 14> kCodecs{{
    {FORMAT_BMP, "BMP", &Make<CRasterBMP>, &DecodeWith<CRasterBMP>, &EncodeWith<CRasterBMP>},
    {FORMAT_GIF, "GIF", &Make<CRasterGIF>, &DecodeWith<CRasterGIF>, &EncodeWith<CRasterGIF>},
    {FORMAT_JPG, "JPG", &Make<CRasterJPG>, &DecodeWith<CRasterJPG>, &EncodeWith<CRasterJPG>},
    {FORMAT_PNG, "PNG", &Make<CRasterPNG>, &DecodeWith<CRasterPNG>, &EncodeWith<CRasterPNG>},
    {FORMAT_ICO, "ICO", &Make<CRasterICO>, &DecodeWith<CRasterICO>, &EncodeWith<CRasterICO>},
    {FORMAT_TGA, "TGA", &Make<CRasterTGA>, &DecodeWith<CRasterTGA>, &EncodeWith<CRasterTGA>},
    {FORMAT_PCX, "PCX", &Make<CRasterPCX>, &DecodeWith<CRasterPCX>, &EncodeWith<CRasterPCX>},
    {FORMAT_WBMP, "WBMP", &Make<CRasterWBMP>, &DecodeWith<CRasterWBMP>, &EncodeWith<CRasterWBMP>},
    {FORMAT_TIF, "TIF", &Make<CRasterTIF>, &DecodeWith<CRasterTIF>,
     [](CRaster& object, CRasterStream& stream, uint32_t) {
         return static_cast<CRasterTIF&>(object).Encode(&stream, false);
     }},
    {FORMAT_JP2, "JP2", &Make<CRasterJasPer>, &DecodeJasPer, &EncodeJasPer},
    {FORMAT_JPC, "JPC", &Make<CRasterJasPer>, &DecodeJasPer, &EncodeJasPer},
    {FORMAT_PGX, "PGX", &Make<CRasterJasPer>, &DecodeJasPer, &EncodeJasPer},
    {FORMAT_PNM, "PNM", &Make<CRasterJasPer>, &DecodeJasPer, &EncodeJasPer},
    {FORMAT_RAS, "RAS", &Make<CRasterJasPer>, &DecodeJasPer, &EncodeJasPer},
}};

// Auto-detection tries readers with strong magic bytes first (BMP "BM", JPEG FF D8, ICO, GIF,
// PNG, TIFF), then the formats whose headers prove little (TGA, PCX, WBMP), and the JPEG-2000
// family (which also reads the small PGX, PNM and Sun raster formats) last.
constexpr std::array<uint32_t, 10> kDetectionIds = {FORMAT_BMP,  FORMAT_JPG, FORMAT_ICO, FORMAT_GIF,
                                                    FORMAT_PNG,  FORMAT_TIF, FORMAT_TGA, FORMAT_PCX,
                                                    FORMAT_WBMP, FORMAT_JP2};

}  // namespace

const CRasterCodec* FindRasterCodec(uint32_t id) {
    for (const CRasterCodec& codec : kCodecs) {
        if (codec.id == id) return &codec;
    }
    return nullptr;
}

std::span<const CRasterCodec* const> RasterDetectionOrder() {
    static const auto order = [] {
        std::array<const CRasterCodec*, kDetectionIds.size()> codecs{};
        size_t n = 0;
        for (uint32_t id : kDetectionIds) {
            if (const CRasterCodec* codec = FindRasterCodec(id)) codecs[n++] = codec;
        }
        return std::pair{codecs, n};
    }();
    return {order.first.data(), order.second};
}

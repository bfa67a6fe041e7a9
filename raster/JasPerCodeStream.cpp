// The check of a JPEG-2000 code stream's headers before OpenJPEG sees it: OpenJPEG allocates
// for every tile, component, code block and precinct the headers declare, whether the stream
// holds their data or not.
#include <algorithm>

#include "CRasterStream.h"
#include "JasPerImage.h"

namespace jasper {
namespace {

constexpr const char* kBadData = "error: cannot load image data";
constexpr const char* kNoMemory = "error: cannot allocate memory";

// OpenJPEG's working memory allowed for a stream: a floor that any small picture fits in, and
// beyond it in proportion to the stream's length (1024 samples of 8 bytes per stream byte:
// more than lossy coding of photographs reaches).
constexpr uint64_t kWorkFloor = uint64_t{64} << 20;
constexpr uint64_t kWorkPerByte = 8192;
// What OpenJPEG keeps, in bytes: per sample (the image and one tile), per tile, per component
// of a tile, per code block with its precinct, and per precinct and layer (packet inclusion).
constexpr uint64_t kSampleBytes = 8;
constexpr uint64_t kTileBytes = 6144;
constexpr uint64_t kTileComponentBytes = 1152;
constexpr uint64_t kBlockBytes = 640;
constexpr uint64_t kPrecinctLayerBytes = 2;

constexpr uint16_t kSOC = 0xFF4F, kSIZ = 0xFF51, kCOD = 0xFF52, kCOC = 0xFF53, kSOT = 0xFF90,
                   kSOD = 0xFF93;
// The standard's largest number of tiles.
constexpr uint64_t kMaxTiles = 65535;
constexpr uint32_t kJp2CodeStreamBox = 0x6A703263;  // "jp2c"

// Big-endian reads that fail with kBadData at the stream's end.
class CReader {
public:
    explicit CReader(CRasterStream& stream) : m_stream(stream) {}
    uint32_t Get(int bytes) {
        uint8_t b[4] = {};
        if (!m_stream.ReadBytes(b, static_cast<size_t>(bytes))) throw JasPerFailure{kBadData};
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) v = (v << 8) | b[i];
        return v;
    }
    long Tell() { return m_stream.Tell(); }
    void SeekTo(long position) {
        if (!m_stream.Seek(position, 0)) throw JasPerFailure{kBadData};
    }

private:
    CRasterStream& m_stream;
};

struct Siz {
    uint64_t samples = 0;
    uint64_t tiles = 0;
    uint32_t components = 0;
};

// The smallest code blocks (after their precincts' limits), most levels and most layers of
// every coding style seen.
struct Styles {
    uint32_t blockExponent = 20;
    uint32_t levels = 0;
    uint32_t layers = 1;
    void AssumeWorst() {
        blockExponent = 0;
        levels = 32;
        layers = 65535;
    }
};

uint64_t CeilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

Siz ReadSiz(CReader& in) {
    if (in.Get(2) != kSOC || in.Get(2) != kSIZ) throw JasPerFailure{kBadData};
    in.Get(2);  // segment length
    in.Get(2);  // capabilities
    const uint64_t x1 = in.Get(4), y1 = in.Get(4), x0 = in.Get(4), y0 = in.Get(4);
    const uint64_t tileW = in.Get(4), tileH = in.Get(4), tileX0 = in.Get(4), tileY0 = in.Get(4);
    Siz siz;
    siz.components = in.Get(2);
    if (x1 <= x0 || y1 <= y0 || tileW == 0 || tileH == 0 || tileX0 > x0 || tileY0 > y0 ||
        siz.components == 0) {
        throw JasPerFailure{kBadData};
    }
    if (siz.components > 64) throw JasPerFailure{"error: too much components"};
    const uint64_t tilesAcross = CeilDiv(x1 - tileX0, tileW),
                   tilesDown = CeilDiv(y1 - tileY0, tileH);
    if (tilesAcross > kMaxTiles || tilesDown > kMaxTiles || tilesAcross * tilesDown > kMaxTiles)
        throw JasPerFailure{kBadData};
    siz.tiles = tilesAcross * tilesDown;
    for (uint32_t c = 0; c < siz.components; ++c) {
        in.Get(1);  // precision
        const uint64_t dx = in.Get(1), dy = in.Get(1);
        if (dx == 0 || dy == 0) throw JasPerFailure{kBadData};
        siz.samples += (CeilDiv(x1, dx) - CeilDiv(x0, dx)) * (CeilDiv(y1, dy) - CeilDiv(y0, dy));
        if (siz.samples > kMaxSamples) throw JasPerFailure{kNoMemory};
    }
    return siz;
}

// The part of a COD or COC segment from the decomposition levels on.
void ReadCodingStyle(CReader& in, bool precincts, Styles& styles) {
    const uint32_t levels = in.Get(1);
    const uint32_t blockW = in.Get(1) + 2, blockH = in.Get(1) + 2;
    in.Get(2);  // code-block style, transform
    styles.levels = std::max(styles.levels, levels);
    for (uint32_t r = 0; r <= levels; ++r) {
        uint32_t width = blockW, height = blockH;
        if (precincts) {
            // Below the lowest resolution code blocks are at most half a precinct.
            const uint32_t sizes = in.Get(1), half = r > 0 ? 1 : 0;
            width = std::min(width, std::max(sizes & 15, half) - half);
            height = std::min(height, std::max(sizes >> 4, half) - half);
        }
        styles.blockExponent = std::min(styles.blockExponent, width + height);
    }
}

// Reads the marker segments up to (and including) `last`, taking in the coding styles.
void ReadSegments(CReader& in, uint16_t last, uint32_t components, Styles& styles) {
    for (;;) {
        const uint32_t marker = in.Get(2);
        if (marker == last) return;
        if (marker < 0xFF00) throw JasPerFailure{kBadData};
        const uint32_t length = in.Get(2);
        if (length < 2) throw JasPerFailure{kBadData};
        const long end = in.Tell() + static_cast<long>(length) - 2;
        if (marker == kCOD) {
            const uint32_t flags = in.Get(1);
            in.Get(1);  // progression order
            styles.layers = std::max(styles.layers, in.Get(2));
            in.Get(1);  // component transform
            ReadCodingStyle(in, (flags & 1) != 0, styles);
        } else if (marker == kCOC) {
            in.Get(components < 257 ? 1 : 2);
            ReadCodingStyle(in, (in.Get(1) & 1) != 0, styles);
        }
        in.SeekTo(end);
    }
}

// Takes in the coding styles of every tile-part header; stops quietly where the chain of tile
// parts ends, as the decoder does.
void ReadTileParts(CReader& in, uint64_t end, uint32_t components, Styles& styles) {
    for (;;) {
        const long start = in.Tell();
        if (start < 0 || static_cast<uint64_t>(start) + 14 > end) return;
        if (in.Get(2) != kSOT) return;
        in.Get(2);  // segment length
        in.Get(2);  // tile index
        const uint32_t partLength = in.Get(4);
        in.Get(2);  // part index and count
        try {
            ReadSegments(in, kSOD, components, styles);
        } catch (const JasPerFailure&) {
            return;
        }
        if (partLength < 14 || static_cast<uint64_t>(start) + partLength > end) return;
        in.SeekTo(start + static_cast<long>(partLength));
    }
}

// The length of the code stream at the reader's position: the whole rest for a code stream,
// the contents of the code-stream box for a JP2 file (the reader is moved to them).
uint64_t FindCodeStream(CReader& in, Kind kind, uint64_t left) {
    if (kind != Kind::Jp2) return left;
    uint64_t at = 0;
    while (at + 8 <= left) {
        uint64_t boxLength = in.Get(4);
        const uint32_t type = in.Get(4);
        uint64_t header = 8;
        if (boxLength == 1) {
            if (at + 16 > left) break;
            boxLength = (uint64_t{in.Get(4)} << 32) | in.Get(4);
            header = 16;
        }
        if (boxLength == 0) boxLength = left - at;
        if (boxLength < header || boxLength > left - at) break;
        if (type == kJp2CodeStreamBox) return boxLength - header;
        at += boxLength;
        in.SeekTo(in.Tell() + static_cast<long>(boxLength - header));
    }
    throw JasPerFailure{kBadData};
}

}  // namespace

void CheckCodeStream(CRasterStream& stream, Kind kind) {
    const long start = stream.Tell();
    CReader in(stream);
    const uint64_t length = FindCodeStream(in, kind, Remaining(stream));
    const long streamStart = in.Tell();
    const Siz siz = ReadSiz(in);

    Styles styles;
    try {
        ReadSegments(in, kSOT, siz.components, styles);
        in.SeekTo(in.Tell() - 2);
        ReadTileParts(in, static_cast<uint64_t>(streamStart) + length, siz.components, styles);
    } catch (const JasPerFailure&) {
        // A main header that cannot be walked here may still be read by the decoder, which
        // skips what it does not know: assume the most demanding coding style.
        styles.AssumeWorst();
    }

    const uint64_t blocks = (siz.samples >> std::min(styles.blockExponent, 63u)) +
                            siz.tiles * siz.components * (3 * uint64_t{styles.levels} + 1);
    const uint64_t work = siz.samples * kSampleBytes +
                          blocks * (kBlockBytes + kPrecinctLayerBytes * (styles.layers + 1)) +
                          siz.tiles * (kTileBytes + siz.components * kTileComponentBytes);
    if (work > kWorkFloor + length * kWorkPerByte) throw JasPerFailure{kNoMemory};
    stream.Seek(start, 0);
}

}  // namespace jasper

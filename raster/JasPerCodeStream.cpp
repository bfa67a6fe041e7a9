// The check of a JPEG-2000 code stream's headers before OpenJPEG sees it: OpenJPEG allocates
// for every tile, component, code block and precinct the headers declare, whether the stream
// holds their data or not. The stream's length proves little here (a valid code stream of a
// uniform picture holds tens of thousands of pixels per byte), so the headers are walked as
// OpenJPEG walks them and what decoding will hold at its peak is bounded from them; a file whose
// bound passes the library's memory cap for one image is refused before anything is allocated.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include "CRaster.h"
#include "CRasterStream.h"
#include "JasPerImage.h"

namespace jasper {
namespace {

constexpr const char* kBadData = "error: cannot load image data";
constexpr const char* kNoMemory = "error: cannot allocate memory";

// What OpenJPEG holds, in bytes (measured with its allocations counted, with room to spare):
// the stream buffer and codec; per tile (coding parameters and index) and per component of a
// tile; per code block (with its first ten segments and tag-tree nodes) and per precinct of a
// band; per segment and per chunk a packet header adds (with the slack of their growing arrays).
constexpr double kCodecBytes = 2 << 20;
constexpr double kTileBytes = 16384;
constexpr double kTileComponentBytes = 1152;
constexpr double kBlockBytes = 448;
constexpr double kPrecinctBytes = 256;
constexpr double kSegmentBytes = 48;
constexpr double kChunkBytes = 48;
// A packet header spends at least three bits on each segment and chunk it adds.
constexpr double kPacketBytesPerStreamByte = 8.0 / 3 * (kSegmentBytes + kChunkBytes);
// One packet adds at most 164 coding passes to a code block.
constexpr double kPassesPerPacket = 164;
// The samples of one row or column the wavelet transform keeps per tile side sample.
constexpr double kTransformBytesPerSide = 64;
// What a CRaster of the picture holds beyond its pixels: header and a 256-entry palette.
constexpr double kRasterHeaderBytes = 1064;
// The reader's own objects besides the samples.
constexpr double kReaderBytes = 1 << 20;

constexpr uint16_t kSOC = 0xFF4F, kSIZ = 0xFF51, kCOD = 0xFF52, kCOC = 0xFF53, kSOT = 0xFF90,
                   kSOD = 0xFF93, kMCT = 0xFF74, kMCC = 0xFF75, kMCO = 0xFF77;
// The standard's largest number of tiles.
constexpr uint64_t kMaxTiles = 65535;
constexpr uint32_t kJp2HeaderBox = 0x6A703268;      // "jp2h"
constexpr uint32_t kJp2CodeStreamBox = 0x6A703263;  // "jp2c"
constexpr uint32_t kPaletteBox = 0x70636C72;        // "pclr"
constexpr uint32_t kComponentMapBox = 0x636D6170;   // "cmap"

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
    uint64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0, tileW = 0, tileH = 0;
    uint64_t samples = 0, tiles = 0, largestComponent = 0, tallestComponent = 0;
    uint32_t components = 0;
    std::vector<std::pair<uint32_t, uint32_t>> steps;  // sampling steps of each component
    bool direct = false;  // component 0 is unsigned 1, 4 or 8 bits: taken without conversion
};

// The most demanding of every coding style seen: most levels and layers, smallest code blocks
// and precincts (exponents), and whether a segment may end with every coding pass.
struct Styles {
    uint32_t levels = 0;
    uint32_t layers = 1;
    uint32_t blockW = 10, blockH = 10;
    uint32_t lowPrecinctW = 15, lowPrecinctH = 15;  // lowest resolution
    uint32_t precinctW = 15, precinctH = 15;        // the others
    bool segmentPerPass = false;
    // Bytes of the main header's component transform segments, which every tile copies.
    double sharedBytes = 0;
    void AssumeWorst() {
        levels = 32;
        layers = 65535;
        blockW = blockH = lowPrecinctW = lowPrecinctH = 0;
        precinctW = precinctH = 1;
        segmentPerPass = true;
    }
};

// The JP2 file's code stream and the channels its palette makes of it (0: no palette).
struct Container {
    uint64_t length = 0;
    uint32_t channels = 0;
};

uint64_t CeilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }
double CeilShift(double value, uint32_t exponent) {
    return std::ceil(std::ldexp(value, -static_cast<int>(exponent)));
}

Siz ReadSiz(CReader& in) {
    if (in.Get(2) != kSOC || in.Get(2) != kSIZ) throw JasPerFailure{kBadData};
    in.Get(2);  // segment length
    in.Get(2);  // capabilities
    Siz siz;
    siz.x1 = in.Get(4), siz.y1 = in.Get(4), siz.x0 = in.Get(4), siz.y0 = in.Get(4);
    siz.tileW = in.Get(4), siz.tileH = in.Get(4);
    const uint64_t tileX0 = in.Get(4), tileY0 = in.Get(4);
    siz.components = in.Get(2);
    if (siz.x1 <= siz.x0 || siz.y1 <= siz.y0 || siz.tileW == 0 || siz.tileH == 0 ||
        tileX0 > siz.x0 || tileY0 > siz.y0 || siz.components == 0) {
        throw JasPerFailure{kBadData};
    }
    if (siz.components > 64) throw JasPerFailure{"error: too much components"};
    const uint64_t tilesAcross = CeilDiv(siz.x1 - tileX0, siz.tileW),
                   tilesDown = CeilDiv(siz.y1 - tileY0, siz.tileH);
    if (tilesAcross > kMaxTiles || tilesDown > kMaxTiles || tilesAcross * tilesDown > kMaxTiles)
        throw JasPerFailure{kBadData};
    siz.tiles = tilesAcross * tilesDown;
    for (uint32_t c = 0; c < siz.components; ++c) {
        const uint32_t depth = in.Get(1);
        const uint32_t dx = in.Get(1), dy = in.Get(1);
        if (dx == 0 || dy == 0) throw JasPerFailure{kBadData};
        if (c == 0) {
            const uint32_t bits = (depth & 0x7F) + 1;
            siz.direct = (depth & 0x80) == 0 && (bits == 1 || bits == 4 || bits == 8);
        }
        const uint64_t height = CeilDiv(siz.y1, dy) - CeilDiv(siz.y0, dy);
        const uint64_t area = (CeilDiv(siz.x1, dx) - CeilDiv(siz.x0, dx)) * height;
        siz.samples += area;
        if (siz.samples > kMaxSamples) throw JasPerFailure{kNoMemory};
        siz.largestComponent = std::max(siz.largestComponent, area);
        siz.tallestComponent = std::max(siz.tallestComponent, height);
        siz.steps.emplace_back(dx, dy);
    }
    return siz;
}

// The part of a COD or COC segment from the decomposition levels on.
void ReadCodingStyle(CReader& in, bool precincts, Styles& styles) {
    const uint32_t levels = in.Get(1);
    styles.levels = std::max(styles.levels, std::min(levels, 32u));
    styles.blockW = std::min(styles.blockW, in.Get(1) + 2);
    styles.blockH = std::min(styles.blockH, in.Get(1) + 2);
    // Bypass, termination on each pass and high-throughput blocks end segments early.
    if ((in.Get(1) & 0x45) != 0) styles.segmentPerPass = true;
    in.Get(1);  // transform
    for (uint32_t r = 0; precincts && r <= levels; ++r) {
        const uint32_t sizes = in.Get(1), w = sizes & 15, h = sizes >> 4;
        if (r == 0) {
            styles.lowPrecinctW = std::min(styles.lowPrecinctW, w);
            styles.lowPrecinctH = std::min(styles.lowPrecinctH, h);
        } else {
            // The decoder refuses size 0 above the lowest resolution.
            styles.precinctW = std::min(styles.precinctW, std::max(w, 1u));
            styles.precinctH = std::min(styles.precinctH, std::max(h, 1u));
        }
    }
}

// The markers the decoder knows. In the main header it skips any other marker by looking at
// every second byte for the next one it knows, reading no length (0xFF30 to 0xFF3F have none);
// in a tile-part header it fails on one.
bool IsKnownMarker(uint32_t marker) {
    static constexpr uint32_t kKnown[] = {
        0xFF50, 0xFF51, 0xFF52, 0xFF53, 0xFF55, 0xFF57, 0xFF58, 0xFF59, 0xFF5C, 0xFF5D, 0xFF5E,
        0xFF5F, 0xFF60, 0xFF61, 0xFF63, 0xFF64, 0xFF74, 0xFF75, 0xFF77, 0xFF78, 0xFF90, 0xFF91};
    return std::find(std::begin(kKnown), std::end(kKnown), marker) != std::end(kKnown);
}

uint32_t NextMarker(CReader& in, uint16_t last) {
    uint32_t marker = in.Get(2);
    if (marker < 0xFF00) throw JasPerFailure{kBadData};
    while (marker != last && !IsKnownMarker(marker)) marker = in.Get(2);
    return marker;
}

// Reads the marker segments up to (and including) `last`, taking in the coding styles; `main`
// for the main header, whose component transform segments every tile copies.
void ReadSegments(CReader& in, uint16_t last, uint32_t components, bool main, Styles& styles) {
    for (;;) {
        const uint32_t marker = NextMarker(in, last);
        if (marker == last) return;
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
        } else if (main && (marker == kMCT || marker == kMCC || marker == kMCO)) {
            // The record and, for a transform, the component matrix of every tile.
            styles.sharedBytes +=
                length + 64.0 + (marker == kMCO ? 4.0 * components * components : 0);
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
            ReadSegments(in, kSOD, components, false, styles);
        } catch (const JasPerFailure&) {
            return;
        }
        if (partLength < 14 || static_cast<uint64_t>(start) + partLength > end) return;
        in.SeekTo(start + static_cast<long>(partLength));
    }
}

// The channels of a JP2 header box's palette, when a component map applies it.
uint32_t ReadPaletteChannels(CReader& in, uint64_t length) {
    uint32_t channels = 0;
    bool mapped = false;
    const long start = in.Tell();
    for (uint64_t at = 0; at + 8 <= length;) {
        const uint64_t boxLength = in.Get(4);
        const uint32_t type = in.Get(4);
        if (boxLength < 8 || boxLength > length - at) break;
        if (type == kPaletteBox && boxLength >= 11) {
            in.Get(2);  // entries
            channels = std::max(channels, in.Get(1));
        }
        if (type == kComponentMapBox) mapped = true;
        at += boxLength;
        in.SeekTo(start + static_cast<long>(at));
    }
    return mapped ? channels : 0;
}

// The code stream at the reader's position: the whole rest for a code stream; for a JP2 file
// the rest from the code-stream box on (the reader is moved there), whatever length the box
// claims, since the decoder reads the code stream to its end.
Container FindCodeStream(CReader& in, Kind kind, uint64_t left) {
    Container found;
    if (kind != Kind::Jp2) {
        found.length = left;
        return found;
    }
    for (uint64_t at = 0; at + 8 <= left;) {
        uint64_t boxLength = in.Get(4);
        const uint32_t type = in.Get(4);
        uint64_t header = 8;
        if (boxLength == 1) {
            if (at + 16 > left) break;
            boxLength = (uint64_t{in.Get(4)} << 32) | in.Get(4);
            header = 16;
        }
        if (type == kJp2CodeStreamBox) {
            found.length = left - at - header;
            return found;
        }
        if (boxLength == 0) boxLength = left - at;
        if (boxLength < header || boxLength > left - at) break;
        const long contents = in.Tell();
        if (type == kJp2HeaderBox) {
            found.channels = std::max(found.channels, ReadPaletteChannels(in, boxLength - header));
        }
        at += boxLength;
        in.SeekTo(contents + static_cast<long>(boxLength - header));
    }
    throw JasPerFailure{kBadData};
}

// Code blocks, precincts and samples of the largest tile.
struct TileCounts {
    double blocks = 0;
    double precincts = 0;         // of every band
    double largestPrecincts = 0;  // of one resolution of one component
    double samples = 0;
    double side = 0;
};

TileCounts CountTile(const Siz& siz, const Styles& styles) {
    TileCounts t;
    const double width = static_cast<double>(std::min(siz.tileW, siz.x1 - siz.x0));
    const double height = static_cast<double>(std::min(siz.tileH, siz.y1 - siz.y0));
    for (const auto& [dx, dy] : siz.steps) {
        const double w = std::ceil(width / dx) + 1, h = std::ceil(height / dy) + 1;
        t.samples += w * h;
        t.side = std::max({t.side, w, h});
        for (uint32_t r = 0; r <= styles.levels; ++r) {
            const uint32_t shift = styles.levels - r;
            const double rw = CeilShift(w, shift) + 1, rh = CeilShift(h, shift) + 1;
            const uint32_t pw = r == 0 ? styles.lowPrecinctW : styles.precinctW;
            const uint32_t ph = r == 0 ? styles.lowPrecinctH : styles.precinctH;
            const double precincts = (CeilShift(rw, pw) + 1) * (CeilShift(rh, ph) + 1);
            // Code blocks are at most a precinct, in a band of half the resolution above level 0.
            const uint32_t half = r == 0 ? 0 : 1;
            const uint32_t bw = std::min(styles.blockW, pw - half);
            const uint32_t bh = std::min(styles.blockH, ph - half);
            const double bands = r == 0 ? 1 : 3;
            const double bandW = r == 0 ? rw : std::ceil(rw / 2) + 1;
            const double bandH = r == 0 ? rh : std::ceil(rh / 2) + 1;
            t.blocks += bands * (CeilShift(bandW, bw) + 1) * (CeilShift(bandH, bh) + 1);
            t.precincts += bands * precincts;
            t.largestPrecincts = std::max(t.largestPrecincts, precincts);
        }
    }
    return t;
}

// The most OpenJPEG holds at once while it decodes the whole picture.
double DecoderPeak(const Siz& siz, const Styles& styles, const Container& file, double stream) {
    const TileCounts t = CountTile(siz, styles);
    const double comps = siz.components, tiles = static_cast<double>(siz.tiles);
    const double layers = styles.layers;
    double bytes = kCodecBytes + 2 * stream;  // the tile data read, with its growth
    bytes += tiles * (kTileBytes + comps * kTileComponentBytes + styles.sharedBytes);
    bytes += 4.0 * static_cast<double>(siz.samples);
    // Several tiles decode one by one into a buffer of their own, whose structures grow.
    const double growth = siz.tiles > 1 ? 2 : 1;
    if (siz.tiles > 1) bytes += 4 * t.samples;
    bytes += growth * (t.blocks * kBlockBytes + t.precincts * kPrecinctBytes);
    // Packet inclusion: one 2-byte entry per layer (and one more), component, resolution and
    // precinct of the busiest resolution.
    bytes += 2 * (layers + 1) * comps * (styles.levels + 1) * t.largestPrecincts;
    bytes += kTransformBytesPerSide * t.side;
    // Segments and chunks beyond a code block's first: bounded by the packets' count and by
    // the header bits they take.
    const double segments = styles.segmentPerPass ? kPassesPerPacket : 2;
    const double perPacket = segments * kSegmentBytes + (segments + 1) * kChunkBytes;
    bytes += std::min(t.blocks * layers * perPacket, kPacketBytesPerStreamByte * stream);
    // A palette makes a component of every channel while the decoded ones are still held.
    bytes += 4.0 * file.channels * static_cast<double>(siz.largestComponent);
    return bytes;
}

// The most CRasterJasPer holds after OpenJPEG has gone: the decoded image, the copy of its
// components made one by one, the conversion to 8-bit sRGB and the CRaster.
double ReaderPeak(const Siz& siz, const Container& file) {
    const double largest = static_cast<double>(siz.largestComponent);
    const double samples =
        file.channels ? file.channels * largest : static_cast<double>(siz.samples);
    const double raster = 3 * largest + 4.0 * siz.tallestComponent + kRasterHeaderBytes;
    const bool direct = siz.direct && file.channels == 0;
    return kReaderBytes + 4 * samples +
           (direct ? std::max(4 * largest, raster) : 12 * largest + raster);
}

}  // namespace

double DecodePeakBound(CRasterStream& stream, Kind kind) {
    const long start = stream.Tell();
    CReader in(stream);
    const uint64_t left = Remaining(stream);
    const Container file = FindCodeStream(in, kind, left);
    const long streamStart = in.Tell();
    const Siz siz = ReadSiz(in);
    if (file.channels > 64) throw JasPerFailure{"error: too much components"};

    Styles styles;
    try {
        ReadSegments(in, kSOT, siz.components, true, styles);
        in.SeekTo(in.Tell() - 2);
        ReadTileParts(in, static_cast<uint64_t>(streamStart) + file.length, siz.components, styles);
    } catch (const JasPerFailure&) {
        // A main header that cannot be walked here may still be read by the decoder, which
        // skips what it does not know: assume the most demanding coding style.
        styles.AssumeWorst();
    }
    stream.Seek(start, 0);
    const double length = static_cast<double>(left);
    return std::max(DecoderPeak(siz, styles, file, length), ReaderPeak(siz, file));
}

void CheckCodeStream(CRasterStream& stream, Kind kind) {
    if (DecodePeakBound(stream, kind) > static_cast<double>(RASTER_MAX_MEMORY))
        throw JasPerFailure{kNoMemory};
}

}  // namespace jasper

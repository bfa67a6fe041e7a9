#include "CRasterJasPer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "CRasterStream.h"
#include "JasPerImage.h"

namespace jasper {

Kind Detect(CRasterStream& stream) {
    const long start = stream.Tell();
    uint8_t magic[12] = {};
    const size_t got = stream.Read(magic, 1, sizeof(magic));
    stream.Seek(start, 0);
    static const uint8_t kJp2[12] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    if (got >= 12 && std::memcmp(magic, kJp2, 12) == 0) return Kind::Jp2;
    if (got >= 4 && magic[0] == 0xFF && magic[1] == 0x4F && magic[2] == 0xFF && magic[3] == 0x51)
        return Kind::Jpc;
    if (got >= 3 && magic[0] == 'P' && magic[1] == 'G' &&
        (magic[2] == ' ' || magic[2] == '\t' || magic[2] == '\n' || magic[2] == '\r'))
        return Kind::Pgx;
    if (got >= 2 && magic[0] == 'P' && magic[1] >= '1' && magic[1] <= '6') return Kind::Pnm;
    if (got >= 4 && magic[0] == 0x59 && magic[1] == 0xA6 && magic[2] == 0x6A && magic[3] == 0x95)
        return Kind::Ras;
    return Kind::None;
}

uint64_t Remaining(CRasterStream& stream) {
    const long position = stream.Tell();
    const long size = stream.Size();
    if (position < 0 || size < position) return 0;
    return static_cast<uint64_t>(size - position);
}

void WriteAll(CRasterStream& stream, const std::vector<uint8_t>& bytes) {
    if (!stream.WriteBytes(bytes.data(), bytes.size())) {
        throw JasPerFailure{"error: cannot encode image\n"};
    }
}

Component MakeComponent(uint64_t width, uint64_t height, uint32_t maxval, bool sgnd,
                        const char* failure) {
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX ||
        width * height > kMaxSamples) {
        throw JasPerFailure{failure};
    }
    Component c;
    c.width = static_cast<uint32_t>(width);
    c.height = static_cast<uint32_t>(height);
    c.maxval = maxval;
    c.sgnd = sgnd;
    c.data.assign(static_cast<size_t>(width * height), 0);
    return c;
}

}  // namespace jasper

namespace {

using jasper::Component;
using jasper::Image;
using jasper::JasPerFailure;
using jasper::Kind;

// A sample scaled from the component's range to 0..levels, as an unsigned value: signed
// samples are moved up by half their range, values outside the range are clamped.
uint32_t ToLevel(int64_t value, const Component& c, uint32_t levels) {
    if (c.sgnd) value += (int64_t{c.maxval} + 1) / 2;
    value = std::clamp<int64_t>(value, 0, c.maxval);
    if (c.maxval == levels) return static_cast<uint32_t>(value);
    return static_cast<uint32_t>((value * levels + c.maxval / 2) / c.maxval);
}

// True for the ranges taken without conversion: unsigned 1, 4 and 8 bits.
bool IsDirect(const Component& c) {
    return !c.sgnd && (c.maxval == 1 || c.maxval == 15 || c.maxval == 255);
}

// The sample of component c at the position of pixel (x, y) of a width × height picture;
// smaller (subsampled) components are stretched over it.
int32_t SampleAt(const Component& c, uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
    const auto cx = static_cast<uint32_t>(uint64_t{x} * c.width / width);
    const auto cy = static_cast<uint32_t>(uint64_t{y} * c.height / height);
    return c.data[static_cast<size_t>(cy) * c.width + cx];
}

// Converts to three 8-bit components of component 0's size (grey is repeated).
void ConvertToSrgb(Image& image) {
    const Component& first = image.comps[0];
    const uint32_t width = first.width, height = first.height;
    Image converted;
    for (int k = 0; k < 3; ++k) {
        const Component& source = image.comps.size() >= 3 ? image.comps[k] : first;
        Component out = jasper::MakeComponent(width, height, 255, false, "cannot convert to sRGB");
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                out.data[static_cast<size_t>(y) * width + x] = static_cast<int32_t>(
                    ToLevel(SampleAt(source, x, y, width, height), source, 255));
            }
        }
        converted.comps.push_back(std::move(out));
    }
    image = std::move(converted);
}

}  // namespace

CRasterJasPer::CRasterJasPer() : CRaster(FORMAT_UNKNOWN) {}

bool CRasterJasPer::Decode(CRasterStream* stream, uint32_t imageType) {
    if (!stream) return false;
    try {
        const Kind kind = jasper::Detect(*stream);
        Image image;
        switch (kind) {
            case Kind::Jp2:
            case Kind::Jpc:
                jasper::DecodeOpenJpeg(*stream, kind, image);
                break;
            case Kind::Pgx:
                jasper::DecodePgx(*stream, image);
                break;
            case Kind::Pnm:
                jasper::DecodePnm(*stream, image);
                break;
            case Kind::Ras:
                jasper::DecodeRas(*stream, image);
                break;
            case Kind::None:
                throw JasPerFailure{"error: cannot load image data"};
        }
        if (image.comps.empty()) throw JasPerFailure{"error: cannot load image data"};
        if (image.comps.size() > 64) throw JasPerFailure{"error: too much components"};
        if (imageType == FORMAT_UNKNOWN) {
            static const uint32_t kIds[] = {FORMAT_UNKNOWN, FORMAT_JP2, FORMAT_JPC,
                                            FORMAT_PGX,     FORMAT_PNM, FORMAT_RAS};
            imageType = kIds[static_cast<int>(kind)];
        }
        if (!IsDirect(image.comps[0])) ConvertToSrgb(image);

        const Component& c0 = image.comps[0];
        const bool rgb =
            image.comps.size() == 3 &&
            std::all_of(image.comps.begin(), image.comps.end(), [&](const Component& c) {
                return c.width == c0.width && c.height == c0.height && c.maxval == c0.maxval &&
                       c.sgnd == c0.sgnd;
            });
        if (rgb) {
            if (!Create(c0.width, c0.height, 24, imageType))
                throw JasPerFailure{"Can't allocate memory"};
            for (uint32_t j = 0; j < c0.height; ++j) {
                uint8_t* row = GetBits(c0.height - 1 - j);
                for (uint32_t x = 0; x < c0.width; ++x) {
                    const size_t i = static_cast<size_t>(j) * c0.width + x;
                    row[3 * x + 0] =
                        static_cast<uint8_t>(ToLevel(image.comps[2].data[i], image.comps[2], 255));
                    row[3 * x + 1] =
                        static_cast<uint8_t>(ToLevel(image.comps[1].data[i], image.comps[1], 255));
                    row[3 * x + 2] = static_cast<uint8_t>(ToLevel(c0.data[i], c0, 255));
                }
            }
            return true;
        }

        m_info.nNumFrames = static_cast<int32_t>(image.comps.size());
        const int32_t frame = GetFrame();
        if (frame < 0 || frame >= m_info.nNumFrames) throw JasPerFailure{"wrong frame!"};
        const Component& c = image.comps[static_cast<size_t>(frame)];
        uint32_t bits = 1;
        while (bits < 8 && ((uint64_t{1} << bits) - 1) < c.maxval) ++bits;
        if (!Create(c.width, c.height, bits, imageType))
            throw JasPerFailure{"Can't allocate memory"};
        SetGrayPalette();
        const uint32_t levels = GetNumColors() - 1;
        const bool wholeBytes = GetBpp() == 8;
        for (uint32_t j = 0; j < c.height; ++j) {
            const auto y = static_cast<int32_t>(c.height - 1 - j);
            const int32_t* samples = c.data.data() + static_cast<size_t>(j) * c.width;
            uint8_t* row = GetBits(c.height - 1 - j);
            for (uint32_t x = 0; x < c.width; ++x) {
                const auto level = static_cast<uint8_t>(ToLevel(samples[x], c, levels));
                // Whole bytes are written straight into the row; smaller depths share bytes.
                if (wholeBytes) {
                    row[x] = level;
                } else {
                    SetPixelIndex(static_cast<int32_t>(x), y, level);
                }
            }
        }
        return true;
    } catch (const JasPerFailure& failure) {
        SetLastError(failure.text);
    } catch (const std::bad_alloc&) {
        SetLastError("error: cannot allocate memory");
    } catch (...) {
        SetLastError("error: cannot load image data");
    }
    Destroy();
    return false;
}

bool CRasterJasPer::Encode(CRasterStream* stream, uint32_t imageType) {
    if (CheckEncodeInput(stream)) return false;
    const bool grey = GetNumColors() > 0;
    if (grey && !IsGrayScale()) {
        SetLastError("JasPer can save only RGB or GrayScale images");
        return false;
    }
    try {
        const uint32_t width = GetWidth(), height = GetHeight();
        Image image;
        const int count = grey ? 1 : 3;
        for (int k = 0; k < count; ++k) {
            image.comps.push_back(
                jasper::MakeComponent(width, height, 255, false, "error : jas_image_create"));
        }
        for (uint32_t y = 0; y < height; ++y) {
            const size_t row = static_cast<size_t>(height - 1 - y) * width;
            for (uint32_t x = 0; x < width; ++x) {
                const auto xi = static_cast<int32_t>(x), yi = static_cast<int32_t>(y);
                if (grey) {
                    image.comps[0].data[row + x] = GetPixelIndex(xi, yi);
                } else {
                    const RGBQUAD c = GetPixelColor(xi, yi);
                    image.comps[0].data[row + x] = c.rgbRed;
                    image.comps[1].data[row + x] = c.rgbGreen;
                    image.comps[2].data[row + x] = c.rgbBlue;
                }
            }
        }
        if (imageType == FORMAT_PGX && !grey) {
            SetLastError("PGX can save only GrayScale images");
            return false;
        }
        // The quality is the rate in hundredths; 0 would ask for nothing at all.
        const double rate = GetJpegQuality() / 100.0;
        switch (imageType) {
            case FORMAT_JP2:
                jasper::EncodeOpenJpeg(*stream, Kind::Jp2, image, rate);
                break;
            case FORMAT_JPC:
                jasper::EncodeOpenJpeg(*stream, Kind::Jpc, image, rate);
                break;
            case FORMAT_PGX:
                jasper::EncodePgx(*stream, image);
                break;
            case FORMAT_PNM:
                jasper::EncodePnm(*stream, image);
                break;
            case FORMAT_RAS:
                jasper::EncodeRas(*stream, image);
                break;
            default:
                throw JasPerFailure{"error: cannot encode image\n"};
        }
        if (!stream->Flush()) throw JasPerFailure{"error: cannot encode image\n"};
        return true;
    } catch (const JasPerFailure& failure) {
        SetLastError(failure.text);
    } catch (const std::bad_alloc&) {
        SetLastError("error : can't allocate memory");
    } catch (...) {
        SetLastError("error: cannot encode image\n");
    }
    return false;
}

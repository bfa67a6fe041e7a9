// JP2 files and JPEG-2000 code streams over OpenJPEG, with stream callbacks over CRasterStream.
#include <openjpeg.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "CRasterStream.h"
#include "JasPerImage.h"

namespace jasper {
namespace {

// The CRasterStream and the position the codec's offset 0 stands for.
struct StreamContext {
    CRasterStream* stream;
    long base;
};

OPJ_SIZE_T ReadProc(void* buffer, OPJ_SIZE_T size, void* user) {
    auto* context = static_cast<StreamContext*>(user);
    const size_t got = context->stream->Read(buffer, 1, size);
    return got == 0 ? static_cast<OPJ_SIZE_T>(-1) : got;
}

// A short write is a failure: OpenJPEG would retry a write of 0 bytes forever.
OPJ_SIZE_T WriteProc(void* buffer, OPJ_SIZE_T size, void* user) {
    auto* context = static_cast<StreamContext*>(user);
    return context->stream->Write(buffer, 1, size) == size ? size : static_cast<OPJ_SIZE_T>(-1);
}

OPJ_OFF_T SkipProc(OPJ_OFF_T count, void* user) {
    auto* context = static_cast<StreamContext*>(user);
    return context->stream->Seek(static_cast<long>(count), 1) ? count : -1;
}

OPJ_BOOL SeekProc(OPJ_OFF_T position, void* user) {
    auto* context = static_cast<StreamContext*>(user);
    return context->stream->Seek(context->base + static_cast<long>(position), 0) ? OPJ_TRUE
                                                                                 : OPJ_FALSE;
}

// OpenJPEG's messages stay inside: failures are reported by the results.
void QuietHandler(const char*, void*) {}

struct CodecDeleter {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageDeleter {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using CodecPtr = std::unique_ptr<opj_codec_t, CodecDeleter>;
using StreamPtr = std::unique_ptr<opj_stream_t, StreamDeleter>;
using ImagePtr = std::unique_ptr<opj_image_t, ImageDeleter>;

StreamPtr MakeStream(StreamContext& context, bool input, const char* failure) {
    StreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, input ? OPJ_TRUE : OPJ_FALSE));
    if (!stream) throw JasPerFailure{failure};
    opj_stream_set_user_data(stream.get(), &context, nullptr);
    if (input) {
        opj_stream_set_read_function(stream.get(), ReadProc);
        opj_stream_set_user_data_length(stream.get(), Remaining(*context.stream));
    } else {
        opj_stream_set_write_function(stream.get(), WriteProc);
    }
    opj_stream_set_skip_function(stream.get(), SkipProc);
    opj_stream_set_seek_function(stream.get(), SeekProc);
    return stream;
}

void Quiet(opj_codec_t* codec) {
    opj_set_info_handler(codec, QuietHandler, nullptr);
    opj_set_warning_handler(codec, QuietHandler, nullptr);
    opj_set_error_handler(codec, QuietHandler, nullptr);
}

}  // namespace

void DecodeOpenJpeg(CRasterStream& source, Kind kind, Image& image) {
    CheckCodeStream(source, kind);
    StreamContext context{&source, source.Tell()};
    StreamPtr stream = MakeStream(context, true, "error: cannot open standard input");
    CodecPtr codec(opj_create_decompress(kind == Kind::Jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    if (!codec) throw JasPerFailure{"cannot initialize jasper"};
    Quiet(codec.get());
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(codec.get(), &parameters))
        throw JasPerFailure{"cannot initialize jasper"};

    opj_image_t* header = nullptr;
    if (!opj_read_header(stream.get(), codec.get(), &header)) {
        opj_image_destroy(header);
        throw JasPerFailure{"error: cannot load image data"};
    }
    ImagePtr decoded(header);
    // The header's sizes are checked before anything of that size is decoded.
    if (decoded->numcomps == 0 || !decoded->comps)
        throw JasPerFailure{"error: cannot load image data"};
    if (decoded->numcomps > 64) throw JasPerFailure{"error: too much components"};
    if (decoded->x1 <= decoded->x0 || decoded->y1 <= decoded->y0) {
        throw JasPerFailure{"error: cannot load image data"};
    }
    uint64_t total = 0;
    for (OPJ_UINT32 k = 0; k < decoded->numcomps; ++k) {
        const opj_image_comp_t& c = decoded->comps[k];
        if (c.dx == 0 || c.dy == 0 || c.prec < 1 || c.prec > 31) {
            throw JasPerFailure{"error: cannot load image data"};
        }
        const uint64_t w = (uint64_t{decoded->x1} - decoded->x0 + c.dx - 1) / c.dx;
        const uint64_t h = (uint64_t{decoded->y1} - decoded->y0 + c.dy - 1) / c.dy;
        total += w * h;
        if (w == 0 || h == 0 || total > kMaxSamples) {
            throw JasPerFailure{"error: cannot allocate memory"};
        }
    }
    if (!opj_decode(codec.get(), stream.get(), decoded.get()) ||
        !opj_end_decompress(codec.get(), stream.get())) {
        throw JasPerFailure{"error: cannot load image data"};
    }
    // The decoder's tiles and code blocks go before the samples are copied, and each component
    // goes once it is copied, so that the copy adds no more than one component at a time.
    codec.reset();
    stream.reset();
    for (OPJ_UINT32 k = 0; k < decoded->numcomps; ++k) {
        opj_image_comp_t& c = decoded->comps[k];
        if (!c.data || c.w == 0 || c.h == 0 || c.prec < 1 || c.prec > 31) {
            throw JasPerFailure{"error: cannot load image data"};
        }
        const auto maxval = static_cast<uint32_t>((uint64_t{1} << c.prec) - 1);
        Component out =
            MakeComponent(c.w, c.h, maxval, c.sgnd != 0, "error: cannot allocate memory");
        std::copy(c.data, c.data + out.data.size(), out.data.begin());
        opj_image_data_free(c.data);
        c.data = nullptr;
        image.comps.push_back(std::move(out));
    }
}

void EncodeOpenJpeg(CRasterStream& target, Kind kind, const Image& image, double rate) {
    const Component& first = image.comps[0];
    const auto count = static_cast<OPJ_UINT32>(image.comps.size());
    opj_image_cmptparm_t parameters[3] = {};
    for (OPJ_UINT32 k = 0; k < count; ++k) {
        parameters[k].dx = 1;
        parameters[k].dy = 1;
        parameters[k].w = first.width;
        parameters[k].h = first.height;
        parameters[k].prec = 8;
        parameters[k].sgnd = 0;
    }
    ImagePtr encoded(
        opj_image_create(count, parameters, count == 1 ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
    if (!encoded) throw JasPerFailure{"error : jas_image_create"};
    encoded->x0 = 0;
    encoded->y0 = 0;
    encoded->x1 = first.width;
    encoded->y1 = first.height;
    for (OPJ_UINT32 k = 0; k < count; ++k) {
        if (!encoded->comps[k].data) throw JasPerFailure{"error : can't allocate memory"};
        std::copy(image.comps[k].data.begin(), image.comps[k].data.end(), encoded->comps[k].data);
    }

    opj_cparameters_t settings;
    opj_set_default_encoder_parameters(&settings);
    settings.tcp_numlayers = 1;
    settings.cp_disto_alloc = 1;
    // The rate is the share of the raw size to keep; OpenJPEG takes the compression ratio.
    // A rate of 0 (quality 0) or of 1 and more is lossless.
    settings.tcp_rates[0] = (rate > 0.0 && rate < 1.0) ? static_cast<float>(1.0 / rate) : 0.0f;
    settings.tcp_mct = count == 3 ? 1 : 0;
    // Every resolution level needs at least one pixel of the smaller side.
    int levels = 1;
    while (levels < 6 && (std::min(first.width, first.height) >> levels) > 0) ++levels;
    settings.numresolution = levels;

    CodecPtr codec(opj_create_compress(kind == Kind::Jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    if (!codec) throw JasPerFailure{"cannot initialize jasper"};
    Quiet(codec.get());
    if (!opj_setup_encoder(codec.get(), &settings, encoded.get())) {
        throw JasPerFailure{"error: cannot encode image\n"};
    }
    StreamContext context{&target, target.Tell()};
    StreamPtr stream = MakeStream(context, false, "error: cannot open standard output");
    if (!opj_start_compress(codec.get(), encoded.get(), stream.get()) ||
        !opj_encode(codec.get(), stream.get()) || !opj_end_compress(codec.get(), stream.get())) {
        throw JasPerFailure{"error: cannot encode image\n"};
    }
}

}  // namespace jasper

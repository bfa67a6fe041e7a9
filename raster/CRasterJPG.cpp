#include "CRasterJPG.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "CExifReader.h"
#include "CRasterRowIterator.h"
#include "CRasterStream.h"

namespace {

constexpr size_t kStreamBufferSize = 4096;
// Row pointers handed to the library per read or write call.
constexpr JDIMENSION kRowsPerCall = 16;
// Huffman codes are at least one bit long, and one component covers the whole picture in 8 x 8
// blocks: a sequential scan codes a DC value and an end of block for each block, a progressive
// file a DC value for each in its DC scan (its AC scans may pass thousands of blocks with one
// end-of-band run). So 64 pixels take at least one bit of the data after the first scan header:
// a byte holds at most 512 pixels. Other components, scans, tables, restart markers and stuffed
// bytes only add bytes. An adaptive arithmetic coder spends a small fraction of a bit on a block
// of a flat picture: its files are held to the memory caps alone. Pictures up to kAnyFilePixels
// may come from any file, so that a cut file still shows.
constexpr uint64_t kMaxHuffmanPixelsPerByte = 512;
constexpr uint64_t kAnyFilePixels = uint64_t{1} << 22;

// libjpeg's standard error manager with an error exit that jumps back to the codec's entry.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char* message;  // the image's 256-character last-error text
};

void JpegErrorExit(j_common_ptr cinfo) {
    JpegErrorManager* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    std::strncpy(err->message, text, 255);
    err->message[255] = '\0';
    std::longjmp(err->jump, 1);
}

// Warnings and trace messages are not shown anywhere.
void JpegOutputMessage(j_common_ptr) {}

}  // namespace

// The source and destination managers over a CRasterStream, with one 4096-byte buffer for
// either direction. libjpeg holds pointers to the two managers; the object is found again from
// them, which is why the managers are its leading members.
class CJpegStreamManager {
public:
    explicit CJpegStreamManager(CRasterStream* stream)
        : m_stream(stream),
          m_buffer(static_cast<JOCTET*>(std::malloc(kStreamBufferSize))),
          m_startOfFile(0) {
        std::memset(&m_dest, 0, sizeof(m_dest));
        std::memset(&m_source, 0, sizeof(m_source));
        m_dest.init_destination = InitDestination;
        m_dest.empty_output_buffer = EmptyOutputBuffer;
        m_dest.term_destination = TermDestination;
        m_source.init_source = InitSource;
        m_source.fill_input_buffer = FillInputBuffer;
        m_source.skip_input_data = SkipInputData;
        m_source.resync_to_restart = jpeg_resync_to_restart;
        m_source.term_source = TermSource;
    }
    ~CJpegStreamManager() { std::free(m_buffer); }
    CJpegStreamManager(const CJpegStreamManager&) = delete;
    CJpegStreamManager& operator=(const CJpegStreamManager&) = delete;

    bool HasBuffer() const { return m_buffer != nullptr; }
    // Bytes not yet handed to the library plus those it holds unread; -1 when unknown.
    int64_t BytesLeft() const {
        const long size = m_stream->Size();
        const long position = m_stream->Tell();
        if (size < 0 || position < 0 || position > size) return -1;
        return int64_t{size - position} + static_cast<int64_t>(m_source.bytes_in_buffer);
    }
    jpeg_destination_mgr* Destination() { return &m_dest; }
    jpeg_source_mgr* Source() { return &m_source; }

private:
    static CJpegStreamManager* FromSource(j_decompress_ptr cinfo) {
        return reinterpret_cast<CJpegStreamManager*>(reinterpret_cast<char*>(cinfo->src) -
                                                     offsetof(CJpegStreamManager, m_source));
    }
    static CJpegStreamManager* FromDest(j_compress_ptr cinfo) {
        return reinterpret_cast<CJpegStreamManager*>(reinterpret_cast<char*>(cinfo->dest) -
                                                     offsetof(CJpegStreamManager, m_dest));
    }

    static void InitDestination(j_compress_ptr cinfo) {
        CJpegStreamManager* self = FromDest(cinfo);
        self->m_dest.next_output_byte = self->m_buffer;
        self->m_dest.free_in_buffer = kStreamBufferSize;
    }

    static boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
        CJpegStreamManager* self = FromDest(cinfo);
        if (self->m_stream->Write(self->m_buffer, 1, kStreamBufferSize) != kStreamBufferSize) {
            ERREXIT(cinfo, JERR_FILE_WRITE);
        }
        self->m_dest.next_output_byte = self->m_buffer;
        self->m_dest.free_in_buffer = kStreamBufferSize;
        return TRUE;
    }

    static void TermDestination(j_compress_ptr cinfo) {
        CJpegStreamManager* self = FromDest(cinfo);
        const size_t count = kStreamBufferSize - self->m_dest.free_in_buffer;
        if (count > 0 && self->m_stream->Write(self->m_buffer, 1, count) != count) {
            ERREXIT(cinfo, JERR_FILE_WRITE);
        }
        if (!self->m_stream->Flush() || self->m_stream->Error() != 0) {
            ERREXIT(cinfo, JERR_FILE_WRITE);
        }
    }

    static void InitSource(j_decompress_ptr cinfo) { FromSource(cinfo)->m_startOfFile = 1; }

    static boolean FillInputBuffer(j_decompress_ptr cinfo) {
        CJpegStreamManager* self = FromSource(cinfo);
        size_t count = self->m_stream->Read(self->m_buffer, 1, kStreamBufferSize);
        if (count == 0) {
            if (self->m_startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
            WARNMS(cinfo, JWRN_JPEG_EOF);
            // An inserted end-of-image code lets the library finish what it has.
            self->m_buffer[0] = 0xFF;
            self->m_buffer[1] = JPEG_EOI;
            count = 2;
        }
        self->m_source.next_input_byte = self->m_buffer;
        self->m_source.bytes_in_buffer = count;
        self->m_startOfFile = 0;
        return TRUE;
    }

    static void SkipInputData(j_decompress_ptr cinfo, long count) {
        if (count <= 0) return;
        CJpegStreamManager* self = FromSource(cinfo);
        while (count > static_cast<long>(self->m_source.bytes_in_buffer)) {
            count -= static_cast<long>(self->m_source.bytes_in_buffer);
            FillInputBuffer(cinfo);
        }
        self->m_source.next_input_byte += count;
        self->m_source.bytes_in_buffer -= static_cast<size_t>(count);
    }

    static void TermSource(j_decompress_ptr) {}

    jpeg_destination_mgr m_dest;
    jpeg_source_mgr m_source;
    CRasterStream* m_stream;
    JOCTET* m_buffer;
    uint8_t m_startOfFile;
};

namespace {

// Everything the jump targets need, kept outside the frames between the jump point and the
// jump, so that nothing read after a jump was changed in between.
struct JpegErrorState {
    JpegErrorManager err;
    CJpegStreamManager* manager;
};

void InstallErrorManager(JpegErrorManager& err, char* message) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegErrorExit;
    err.pub.output_message = JpegOutputMessage;
    err.message = message;
}

// DPI from the Exif resolution (dots per unit / unit factor, truncated) when the file has
// Exif data, else from the JFIF density.
void SetResolution(CRaster& image, const jpeg_decompress_struct& cinfo, bool exif,
                   const CExifRecord& record) {
    if (exif) {
        const double unit = record.resolutionUnit;
        double x = image.GetXDPI();
        double y = image.GetYDPI();
        if (record.xResolution != 0 && unit != 0) x = std::trunc(record.xResolution / unit);
        if (record.yResolution != 0 && unit != 0) y = std::trunc(record.yResolution / unit);
        image.SetDpiFromFile(x, y);
        return;
    }
    if (cinfo.density_unit == 2) {
        image.SetXDPI(static_cast<int32_t>(std::floor(cinfo.X_density * 2.54 + 0.5)));
        image.SetYDPI(static_cast<int32_t>(std::floor(cinfo.Y_density * 2.54 + 0.5)));
    } else {
        image.SetXDPI(cinfo.X_density);
        image.SetYDPI(cinfo.Y_density);
    }
}

// Points rows at the image rows of scanlines first onwards (scanlines count from the top, image
// rows from the bottom), at most kRowsPerCall of them; returns how many.
JDIMENSION TopDownRows(const CRaster& image, JDIMENSION first, JDIMENSION height, JSAMPROW* rows) {
    JDIMENSION count = 0;
    for (; count < kRowsPerCall && first + count < height; ++count) {
        rows[count] = image.GetBits(height - 1 - (first + count));
    }
    return count;
}

// Checks what the header claims before the library allocates anything for the image: the
// decoded image within the cap, and for Huffman coding, data enough for the pixels.
// left: the bytes after the first scan header, -1 when unknown.
bool ClaimFits(CRaster& image, const jpeg_decompress_struct& cinfo, int64_t left) {
    const int components = cinfo.output_components;
    if (components != 1 && components != 3 && components != 4) {
        image.SetLastError("JPEG: unsupported number of colour components");
        return false;
    }
    const uint32_t bpp = 8 * static_cast<uint32_t>(components);
    if (CRaster::BlockBytes(cinfo.output_width, cinfo.output_height, bpp) > RASTER_MAX_MEMORY) {
        image.SetLastError("RASTER_MAX_MEMORY exceeded");
        return false;
    }
    const uint64_t pixels = uint64_t{cinfo.output_width} * cinfo.output_height;
    if (!cinfo.arith_code && left >= 0 &&
        pixels > kAnyFilePixels + static_cast<uint64_t>(left) * kMaxHuffmanPixelsPerByte) {
        image.SetLastError("JPEG file too short for its image size");
        return false;
    }
    return true;
}

// The decoding steps that may end in a libjpeg error; a jump lands in CRasterJPG::Decode.
// Holds no object with a destructor.
bool DecodeImage(CRaster& image, jpeg_decompress_struct& cinfo, JpegErrorState& state, bool exif,
                 const CExifRecord& record) {
    cinfo.src = state.manager->Source();
    jpeg_read_header(&cinfo, TRUE);
    // Colour files are decoded straight into the image's blue, green, red order; libjpeg-turbo
    // computes it with the same arithmetic as red, green, blue.
    const bool bgr = cinfo.out_color_space == JCS_RGB;
    if (bgr) cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_calc_output_dimensions(&cinfo);
    if (!ClaimFits(image, cinfo, state.manager->BytesLeft())) return false;
    jpeg_start_decompress(&cinfo);

    const int components = cinfo.output_components;
    if (!image.Create(cinfo.output_width, cinfo.output_height, 8 * components, FORMAT_JPG)) {
        return false;
    }
    SetResolution(image, cinfo, exif, record);
    if (cinfo.out_color_space == JCS_GRAYSCALE) {
        image.SetGrayPalette();
    }

    const int64_t stride = image.GetRowStride();
    if (components == 4) {
        const JDIMENSION sampleBytes = cinfo.output_width * components;
        JSAMPARRAY buffer = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                       JPOOL_IMAGE, sampleBytes, 1);
        CRasterRowIterator it(&image);
        it.MoveToTop();
        while (cinfo.output_scanline < cinfo.output_height) {
            if (image.GetEscape()) return false;
            jpeg_read_scanlines(&cinfo, buffer, 1);
            const uint8_t* src = buffer[0];
            uint8_t* dst = it.GetRow();
            for (int64_t x = 0; 3 * x + 2 < stride && 4 * x + 3 < sampleBytes; ++x) {
                const uint32_t k = src[4 * x + 3];
                dst[3 * x + 0] = static_cast<uint8_t>(k * src[4 * x + 2] / 255);
                dst[3 * x + 1] = static_cast<uint8_t>(k * src[4 * x + 1] / 255);
                dst[3 * x + 2] = static_cast<uint8_t>(k * src[4 * x + 0] / 255);
            }
            it.PrevRow();
        }
    } else {
        // One- and three-sample rows are no wider than an image row: the library writes them
        // in place, top row first, as many per call as it has ready.
        JSAMPROW rows[kRowsPerCall];
        while (cinfo.output_scanline < cinfo.output_height) {
            if (image.GetEscape()) return false;
            const JDIMENSION count =
                TopDownRows(image, cinfo.output_scanline, cinfo.output_height, rows);
            jpeg_read_scanlines(&cinfo, rows, count);
        }
    }
    jpeg_finish_decompress(&cinfo);

    // Three samples in a colour space other than RGB arrive in file order and are swapped like
    // red, green, blue.
    if (components == 3 && !bgr) {
        for (uint32_t y = 0; y < image.GetHeight(); ++y) {
            if (image.GetEscape()) return false;
            image.SwapRedBlue(image.GetBits(y), stride);
        }
    }
    return true;
}

// The encoding steps that may end in a libjpeg error; a jump lands in CRasterJPG::Encode.
// grey: 8-bit rows of an expanded 1- or 4-bit grey image (top row first), or null.
bool EncodeImage(CRaster& image, jpeg_compress_struct& cinfo, JpegErrorState& state,
                 const uint8_t* grey) {
    cinfo.dest = state.manager->Destination();
    const bool isGrey = image.GetNumColors() != 0;
    cinfo.image_width = image.GetWidth();
    cinfo.image_height = image.GetHeight();
    cinfo.input_components = isGrey ? 1 : 3;
    // libjpeg-turbo reads the image's blue, green, red rows as they are, with the same
    // arithmetic as red, green, blue.
    cinfo.in_color_space = isGrey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, image.GetJpegQuality(), TRUE);
    cinfo.density_unit = 1;
    cinfo.X_density = static_cast<UINT16>(std::clamp(image.GetXDPI(), 0, 65535));
    cinfo.Y_density = static_cast<UINT16>(std::clamp(image.GetYDPI(), 0, 65535));
    jpeg_start_compress(&cinfo, TRUE);

    JSAMPROW rows[kRowsPerCall];
    while (cinfo.next_scanline < cinfo.image_height) {
        JDIMENSION count = 0;
        if (grey) {
            for (; count < kRowsPerCall && cinfo.next_scanline + count < cinfo.image_height;
                 ++count) {
                rows[count] = const_cast<JSAMPROW>(grey + size_t{cinfo.next_scanline + count} *
                                                              cinfo.image_width);
            }
        } else {
            count = TopDownRows(image, cinfo.next_scanline, cinfo.image_height, rows);
        }
        jpeg_write_scanlines(&cinfo, rows, count);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

}  // namespace

CRasterJPG::CRasterJPG() : CRaster(FORMAT_JPG) { std::memset(&m_exif, 0, sizeof(m_exif)); }

bool CRasterJPG::ReadExif(CRasterStream* stream) {
    const long position = stream->Tell();
    {
        CExifReader reader(&m_exif);
        reader.ReadSections(stream);
    }
    // The thumbnail lay inside the reader's copy of the section.
    m_exif.thumbnail = nullptr;
    stream->Seek(position, 0);
    return m_exif.isExif != 0;
}

bool CRasterJPG::Decode(CRasterStream* stream) {
    if (!stream) {
        SetLastError("null file handler");
        return false;
    }
    const bool exif = ReadExif(stream);
    CJpegStreamManager manager(stream);
    if (!manager.HasBuffer()) {
        SetLastError("CRaster::Create can't allocate memory");
        return false;
    }
    // Zeroed, so that destroying after a failed create finds no memory manager to release.
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof(cinfo));
    JpegErrorState state;
    state.manager = &manager;
    InstallErrorManager(state.err, m_info.szLastError);
    cinfo.err = &state.err.pub;

    volatile bool ok = false;
    if (setjmp(state.err.jump) == 0) {
        jpeg_create_decompress(&cinfo);
        // The whole-picture coefficient buffers of progressive and multi-scan files are held to
        // the image's cap too; the library refuses a file that needs more.
        cinfo.mem->max_memory_to_use = static_cast<long>(RASTER_MAX_MEMORY);
        ok = DecodeImage(*this, cinfo, state, exif, m_exif);
    }
    jpeg_destroy_decompress(&cinfo);
    return ok;
}

bool CRasterJPG::Encode(CRasterStream* stream) {
    if (CheckEncodeInput(stream)) return false;
    if (GetNumColors() != 0 && !IsGrayScale()) {
        SetLastError("JPEG can save only RGB or GreyScale images");
        return false;
    }
    // Rows of 1- and 4-bit grey images are handed over as one byte per pixel.
    uint8_t* grey = nullptr;
    if (GetNumColors() != 0 && GetBpp() < 8) {
        const uint64_t bytes = uint64_t{GetWidth()} * GetHeight();
        grey = static_cast<uint8_t*>(std::malloc(bytes ? static_cast<size_t>(bytes) : 1));
        if (!grey) {
            SetLastError("CRaster::Create can't allocate memory");
            return false;
        }
        uint8_t* out = grey;
        for (int32_t y = static_cast<int32_t>(GetHeight()) - 1; y >= 0; --y) {
            for (int32_t x = 0; x < static_cast<int32_t>(GetWidth()); ++x) {
                *out++ = GetPaletteColor(GetPixelIndex(x, y)).rgbRed;
            }
        }
    }
    CJpegStreamManager manager(stream);
    if (!manager.HasBuffer()) {
        std::free(grey);
        SetLastError("CRaster::Create can't allocate memory");
        return false;
    }
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof(cinfo));
    JpegErrorState state;
    state.manager = &manager;
    InstallErrorManager(state.err, m_info.szLastError);
    cinfo.err = &state.err.pub;

    volatile bool ok = false;
    if (setjmp(state.err.jump) == 0) {
        jpeg_create_compress(&cinfo);
        ok = EncodeImage(*this, cinfo, state, grey);
    }
    jpeg_destroy_compress(&cinfo);
    std::free(grey);
    return ok;
}

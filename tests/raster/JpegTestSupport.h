#pragma once
// Encodes pictures with libjpeg directly, for component layouts and codings the JPEG class does
// not write (two or four components, progressive files).

#include <jpeglib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace codectest {

// samples: top-down rows of w x components bytes; quality 100.
inline std::vector<uint8_t> EncodeRawJpeg(uint32_t w, uint32_t h, int components,
                                          J_COLOR_SPACE space, const std::vector<uint8_t>& samples,
                                          bool progressive = false) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = w;
    cinfo.image_height = h;
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, space);
    jpeg_set_quality(&cinfo, 100, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < h) {
        JSAMPROW row = const_cast<JSAMPROW>(&samples[size_t{cinfo.next_scanline} * w * components]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

}  // namespace codectest

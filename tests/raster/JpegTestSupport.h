#pragma once
// Encodes pictures with libjpeg directly, for component layouts and codings the JPEG class does
// not write (two or four components, progressive and arithmetic files).

#include <jpeglib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace codectest {

enum class JpegCoding {
    Baseline,
    Optimized,    // sequential, with Huffman tables made for the picture
    Progressive,  // libjpeg's own scan script
    // A DC scan of every component, then one AC scan per component: on a flat picture the DC
    // scan takes one bit a block and the AC scans almost nothing, the most a Huffman-coded file
    // holds in a byte.
    DcScanFirst,
    Arithmetic,
    ArithmeticProgressive,
};

// The first SOF marker's height and width set to the given values.
inline void SetJpegSize(std::vector<uint8_t>& jpeg, uint32_t width, uint32_t height) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] >= 0xC0 && jpeg[i + 1] <= 0xCB && jpeg[i + 1] != 0xC4 &&
            jpeg[i + 1] != 0xC8) {
            jpeg[i + 5] = uint8_t(height >> 8);
            jpeg[i + 6] = uint8_t(height);
            jpeg[i + 7] = uint8_t(width >> 8);
            jpeg[i + 8] = uint8_t(width);
            return;
        }
    }
}

// samples: top-down rows of w x components bytes; quality 100.
inline std::vector<uint8_t> EncodeRawJpeg(uint32_t w, uint32_t h, int components,
                                          J_COLOR_SPACE space, const std::vector<uint8_t>& samples,
                                          JpegCoding coding = JpegCoding::Baseline) {
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
    std::vector<jpeg_scan_info> scans;
    switch (coding) {
        case JpegCoding::Baseline:
            break;
        case JpegCoding::Optimized:
            cinfo.optimize_coding = TRUE;
            break;
        case JpegCoding::Progressive:
            jpeg_simple_progression(&cinfo);
            break;
        case JpegCoding::DcScanFirst: {
            jpeg_scan_info dc{components, {0, 1, 2, 3}, 0, 0, 0, 0};
            scans.push_back(dc);
            for (int c = 0; c < components; ++c) scans.push_back({1, {c}, 1, 63, 0, 0});
            cinfo.scan_info = scans.data();
            cinfo.num_scans = int(scans.size());
            cinfo.optimize_coding = TRUE;
            break;
        }
        case JpegCoding::Arithmetic:
            cinfo.arith_code = TRUE;
            break;
        case JpegCoding::ArithmeticProgressive:
            jpeg_simple_progression(&cinfo);
            cinfo.arith_code = TRUE;
            break;
    }
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

// JPEG (quality 90) and PNG encoding and decoding of a 24-bit 6000 x 4000 photograph-like image,
// in megapixels per second of processor time: the project's codecs next to the bare libraries
// doing the same work (bottom-up blue-green-red rows, the same settings, memory buffers), and for
// JPEG next to libjpeg-turbo's own cjpeg/djpeg processes on a file of the same image. The
// encoders over the bare libraries label whether their bytes equal the project's.
#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

// clang-format off
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>
// clang-format on

#include "BenchSupport.h"
#include "CRaster.h"
#include "CRasterMemoryStream.h"

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr int kQuality = 90;
constexpr double kMegapixels = double(kWidth) * kHeight / 1e6;

const CRaster& Photo() {
    static CRaster* image = [] {
        auto* raster = new CRaster(kWidth, kHeight, 24, FORMAT_JPG);
        raster->SetJpegQuality(kQuality);
        PaintPhoto(*raster);
        return raster;
    }();
    return *image;
}

struct Encoded {
    std::vector<uint8_t> jpeg;
    std::vector<uint8_t> png;
};

// Encodes the photograph into a fresh memory stream; keep, when given, receives the bytes.
bool EncodeWithProject(uint32_t format, std::vector<uint8_t>* keep) {
    CRasterMemoryStream stream;
    stream.Open();
    CRaster& image = const_cast<CRaster&>(Photo());
    if (!image.Encode(&stream, format)) return false;
    const long size = stream.Size();
    const uint8_t* data = stream.GetBuffer(false);
    if (keep) keep->assign(data, data + size);
    return true;
}

std::vector<uint8_t> ProjectFile(uint32_t format) {
    std::vector<uint8_t> bytes;
    EncodeWithProject(format, &bytes);
    return bytes;
}

// The project's files of the photograph, the input of every decoder here.
const Encoded& Files() {
    static const Encoded files{ProjectFile(FORMAT_JPG), ProjectFile(FORMAT_PNG)};
    return files;
}

void SetRate(benchmark::State& state) {
    state.counters["MP/s"] =
        benchmark::Counter(kMegapixels * state.iterations(), benchmark::Counter::kIsRate);
}

void LabelSameAsProject(benchmark::State& state, const std::vector<uint8_t>& bytes,
                        const std::vector<uint8_t>& project) {
    state.SetLabel(bytes == project ? "same bytes as Tesselo" : "bytes differ from Tesselo");
}

// A folder of its own under the system's temporary folder, removed with the object.
struct TempDir {
    std::filesystem::path path;
    TempDir() {
        std::string name = (std::filesystem::temp_directory_path() / "codecbench-XXXXXX").string();
        if (mkdtemp(name.data())) path = name;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
};

bool WriteFile(const std::filesystem::path& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return bool(out);
}

// A binary PPM (top row first, red-green-blue) of the photograph: cjpeg's input.
bool WritePpm(const std::filesystem::path& path) {
    const CRaster& image = Photo();
    const std::string header =
        "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.reserve(bytes.size() + size_t{3} * kWidth * kHeight);
    for (uint32_t r = 0; r < kHeight; ++r) {
        const uint8_t* row = image.GetBits(kHeight - 1 - r);
        for (uint32_t x = 0; x < kWidth; ++x) {
            bytes.push_back(row[3 * x + 2]);
            bytes.push_back(row[3 * x + 1]);
            bytes.push_back(row[3 * x + 0]);
        }
    }
    return WriteFile(path, bytes.data(), bytes.size());
}

// Runs one command per iteration and times the whole process by its processor time, which is
// what the in-process benchmarks measure too; a shell wraps it, whose time is counted as well.
void TimeCommand(benchmark::State& state, const std::string& command) {
    for (auto _ : state) {
        const double start = ChildrenCpuSeconds();
        const int status = std::system(command.c_str());
        const double end = ChildrenCpuSeconds();
        if (status != 0) {
            state.SkipWithError("command failed");
            return;
        }
        state.SetIterationTime(end - start);
    }
    SetRate(state);
}

// Bottom-up image rows as libjpeg's top-down row pointers, from scanline first on.
int TopDownRows(uint8_t* bits, uint32_t stride, uint32_t first, JSAMPROW* rows, int count) {
    int n = 0;
    for (; n < count && first + n < kHeight; ++n) {
        rows[n] = bits + size_t{kHeight - 1 - (first + n)} * stride;
    }
    return n;
}

struct BareJpegError {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

void BareJpegErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<BareJpegError*>(cinfo->err)->jump, 1);
}

// Plain libjpeg-turbo: blue-green-red rows straight from the image, several per call, into a
// fresh memory buffer; keep, when given, receives the bytes.
bool BareJpegEncode(const CRaster& image, std::vector<uint8_t>* keep) {
    jpeg_compress_struct cinfo;
    BareJpegError err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = BareJpegErrorExit;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kQuality, TRUE);
    cinfo.density_unit = 1;
    cinfo.X_density = UINT16(image.GetXDPI());
    cinfo.Y_density = UINT16(image.GetYDPI());
    jpeg_start_compress(&cinfo, TRUE);
    JSAMPROW rows[16];
    while (cinfo.next_scanline < cinfo.image_height) {
        const int n =
            TopDownRows(image.GetBits(0), image.GetRowStride(), cinfo.next_scanline, rows, 16);
        jpeg_write_scanlines(&cinfo, rows, JDIMENSION(n));
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    if (keep) keep->assign(buffer, buffer + size);
    std::free(buffer);
    return true;
}

// Plain libjpeg-turbo: blue-green-red rows straight into a fresh bottom-up pixel block.
bool BareJpegDecode(const std::vector<uint8_t>& file, uint8_t*& pixels) {
    jpeg_decompress_struct cinfo;
    BareJpegError err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = BareJpegErrorExit;
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), file.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const uint32_t stride = (kWidth * 3 + 3) & ~3u;
    pixels = static_cast<uint8_t*>(std::calloc(size_t{stride} * kHeight, 1));
    JSAMPROW rows[16];
    while (cinfo.output_scanline < cinfo.output_height) {
        const int n = TopDownRows(pixels, stride, cinfo.output_scanline, rows, 16);
        jpeg_read_scanlines(&cinfo, rows, JDIMENSION(n));
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void PngFlush(png_structp) {}

struct PngReader {
    const uint8_t* data;
    size_t size;
    size_t position;
};

void PngRead(png_structp png, png_bytep data, png_size_t length) {
    auto* in = static_cast<PngReader*>(png_get_io_ptr(png));
    if (length > in->size - in->position) png_error(png, "read past end");
    std::memcpy(data, in->data + in->position, length);
    in->position += length;
}

// Plain libpng with the chunks and settings of the project's writer: zlib's default level,
// libpng's default filters, blue-green-red rows handed over as they lie in the image; the file
// goes into a fresh growing buffer, and keep, when given, receives it.
bool BarePngEncode(const CRaster& image, std::vector<uint8_t>* keep) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_compression_level(png, Z_DEFAULT_COMPRESSION);
    png_color_16 background = {0, 255, 255, 255, 0};
    png_set_bKGD(png, info, &background);
    png_set_pHYs(png, info, png_uint_32(image.GetHeader().biXPelsPerMeter),
                 png_uint_32(image.GetHeader().biYPelsPerMeter), PNG_RESOLUTION_METER);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (uint32_t r = 0; r < kHeight; ++r) png_write_row(png, image.GetBits(kHeight - 1 - r));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    if (keep) *keep = std::move(out);
    return true;
}

// Plain libpng: blue-green-red rows straight into a fresh bottom-up pixel block.
bool BarePngDecode(const std::vector<uint8_t>& file, uint8_t*& pixels) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    PngReader reader{file.data(), file.size(), 0};
    png_set_read_fn(png, &reader, PngRead);
    png_read_info(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    const uint32_t stride = (kWidth * 3 + 3) & ~3u;
    pixels = static_cast<uint8_t*>(std::calloc(size_t{stride} * kHeight, 1));
    for (uint32_t r = 0; r < kHeight; ++r) {
        png_read_row(png, pixels + size_t{kHeight - 1 - r} * stride, nullptr);
    }
    png_read_end(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

void BM_JpegEncode_Tesselo(benchmark::State& state) {
    Files();
    for (auto _ : state) {
        if (!EncodeWithProject(FORMAT_JPG, nullptr)) state.SkipWithError("encode failed");
    }
    SetRate(state);
}

void BM_JpegEncode_Libjpeg(benchmark::State& state) {
    Files();
    for (auto _ : state) {
        if (!BareJpegEncode(Photo(), nullptr)) state.SkipWithError("encode failed");
    }
    SetRate(state);
    std::vector<uint8_t> bytes;
    BareJpegEncode(Photo(), &bytes);
    LabelSameAsProject(state, bytes, Files().jpeg);
}

void BM_JpegEncode_Cjpeg(benchmark::State& state) {
    TempDir dir;
    if (dir.path.empty() || !WritePpm(dir.path / "in.ppm")) {
        state.SkipWithError("cannot write the input file");
        return;
    }
    TimeCommand(state, "cjpeg -quality " + std::to_string(kQuality) + " -outfile '" +
                           (dir.path / "out.jpg").string() + "' '" +
                           (dir.path / "in.ppm").string() + "'");
}

void BM_JpegDecode_Tesselo(benchmark::State& state) {
    const std::vector<uint8_t>& file = Files().jpeg;
    for (auto _ : state) {
        CRasterMemoryStream stream(const_cast<uint8_t*>(file.data()), long(file.size()));
        CRaster image;
        if (!image.Decode(&stream, FORMAT_JPG)) state.SkipWithError("decode failed");
    }
    SetRate(state);
}

void BM_JpegDecode_Libjpeg(benchmark::State& state) {
    const std::vector<uint8_t>& file = Files().jpeg;
    for (auto _ : state) {
        uint8_t* pixels = nullptr;
        if (!BareJpegDecode(file, pixels)) state.SkipWithError("decode failed");
        std::free(pixels);
    }
    SetRate(state);
}

void BM_JpegDecode_Djpeg(benchmark::State& state) {
    TempDir dir;
    const std::vector<uint8_t>& file = Files().jpeg;
    if (dir.path.empty() || !WriteFile(dir.path / "in.jpg", file.data(), file.size())) {
        state.SkipWithError("cannot write the input file");
        return;
    }
    TimeCommand(state, "djpeg -outfile '" + (dir.path / "out.ppm").string() + "' '" +
                           (dir.path / "in.jpg").string() + "'");
}

void BM_PngEncode_Tesselo(benchmark::State& state) {
    Files();
    for (auto _ : state) {
        if (!EncodeWithProject(FORMAT_PNG, nullptr)) state.SkipWithError("encode failed");
    }
    SetRate(state);
}

void BM_PngEncode_Libpng(benchmark::State& state) {
    Files();
    for (auto _ : state) {
        if (!BarePngEncode(Photo(), nullptr)) state.SkipWithError("encode failed");
    }
    SetRate(state);
    std::vector<uint8_t> bytes;
    BarePngEncode(Photo(), &bytes);
    LabelSameAsProject(state, bytes, Files().png);
}

void BM_PngDecode_Tesselo(benchmark::State& state) {
    const std::vector<uint8_t>& file = Files().png;
    for (auto _ : state) {
        CRasterMemoryStream stream(const_cast<uint8_t*>(file.data()), long(file.size()));
        CRaster image;
        if (!image.Decode(&stream, FORMAT_PNG)) state.SkipWithError("decode failed");
    }
    SetRate(state);
}

void BM_PngDecode_Libpng(benchmark::State& state) {
    const std::vector<uint8_t>& file = Files().png;
    for (auto _ : state) {
        uint8_t* pixels = nullptr;
        if (!BarePngDecode(file, pixels)) state.SkipWithError("decode failed");
        std::free(pixels);
    }
    SetRate(state);
}

BENCHMARK(BM_JpegEncode_Tesselo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegEncode_Libjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegEncode_Cjpeg)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_JpegDecode_Tesselo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDecode_Libjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDecode_Djpeg)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_PngEncode_Tesselo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngEncode_Libpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngDecode_Tesselo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngDecode_Libpng)->Unit(benchmark::kMillisecond);

}  // namespace

// libFuzzer entry: decodes arbitrary bytes with the format class FUZZ_FORMAT through the
// dispatch. Any crash, hang or sanitizer report is a fault of that decoder.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "CRaster.h"
#include "CRasterMemoryStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    CRasterMemoryStream stream(bytes.empty() ? nullptr : bytes.data(), long(bytes.size()));
    CRaster image;
    // Multi-image readers: the last byte picks one of the first images.
    image.SetFrame(size ? data[size - 1] % 4 : 0);
    image.Decode(&stream, FUZZ_FORMAT);
    return 0;
}

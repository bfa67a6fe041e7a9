// Feeds arbitrary bytes to the BMP reader; it must fail cleanly or decode, never misbehave.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "CRaster.h"
#include "CRasterMemoryStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> copy(data, data + size);
    CRasterMemoryStream stream(copy.data(), static_cast<long>(copy.size()));
    CRaster image;
    if (!image.Decode(&stream, FORMAT_BMP) && image.GetLastError()[0] == '\0') __builtin_trap();
    return 0;
}

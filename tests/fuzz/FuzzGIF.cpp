// Feeds arbitrary bytes to the GIF reader; the first byte chooses the frame asked for.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "CRaster.h"
#include "CRasterMemoryStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::vector<uint8_t> copy(data + 1, data + size);
    CRasterMemoryStream stream(copy.data(), static_cast<long>(copy.size()));
    CRaster image;
    image.SetFrame(data[0] % 4);
    if (!image.Decode(&stream, FORMAT_GIF) && image.GetLastError()[0] == '\0') __builtin_trap();
    return 0;
}

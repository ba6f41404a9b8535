#include "ReadPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    readPicture(data, size, "dotscape-fuzz-tiff");
    return 0;
}

// The LZW code stream alone: byte 0 is the minimum code size, bytes 1-2 the
// line width, the rest the sub-blocks of codes.
#include "pictrans/GifCodec.h"
#include "pictrans/Stream.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const int minCode = data[0] % 12;
    const int width = 1 + ((data[1] | (data[2] << 8)) % 4096);
    InStream in(std::vector<std::uint8_t>(data + 3, data + size));
    GifDecoder decoder(in, minCode, width);
    std::vector<std::uint8_t> line(static_cast<std::size_t>(width));
    if (decoder.init() == 0) {
        for (int row = 0; row < 512; ++row) {
            if (decoder.decode(line.data(), width) != 0)
                break;
        }
    }
    decoder.term();
    return 0;
}

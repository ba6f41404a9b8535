// The BMP row decoder alone: byte 0 picks the compression, byte 1 the
// depth, bytes 2-3 the width.
#include "pictrans/BmpDecoder.h"
#include "pictrans/Stream.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    static constexpr int kDepths[] = {1, 4, 8, 24, 0, 2, 16, 32};
    const std::uint32_t compression = data[0] % 4;
    const int bits = kDepths[data[1] % 8];
    const int width = 1 + ((data[2] | (data[3] << 8)) % 4096);
    InStream in(std::vector<std::uint8_t>(data + 4, data + size));
    BmpDecoder decoder(in, compression, bits, width, 256);
    std::vector<std::uint8_t> line(static_cast<std::size_t>(width) * 4);
    decoder.init();
    for (int row = 0; row < 256; ++row) {
        if (decoder.decode(line.data(), width) != 0)
            break;
    }
    decoder.term();
    return 0;
}

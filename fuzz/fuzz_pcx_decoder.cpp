// The PCX run-length decoder alone, under the header the data starts with.
#include "pictrans/PcxCodec.h"
#include "pictrans/PcxHeader.h"
#include "pictrans/Stream.h"

#include <algorithm>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 130)
        return 0;
    PCXHEADER header;
    header.load(data);
    const int width = 1 + ((data[128] | (data[129] << 8)) % 2048);
    InStream in(std::vector<std::uint8_t>(data, data + size));
    PcxDecoder decoder(in, header);
    // 8-bit lines come out with every plane's byte of a pixel side by side.
    std::vector<std::uint8_t> line(static_cast<std::size_t>(width) * std::max(header.planes(), 1));
    if (decoder.init() == 0) {
        for (int row = 0; row < 256; ++row) {
            if (decoder.decode(line.data(), width) != 0)
                break;
        }
    }
    decoder.term();
    return 0;
}

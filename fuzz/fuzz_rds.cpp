// Depth map files: the reader, then the level queries over what it accepted.
#include "depthmap/TMapDocument.h"

#include <algorithm>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    depthmap::TMapDocument map("fuzz", 16, 16);
    if (!map.ReadBytes(std::span<const std::uint8_t>(data, size)))
        return 0;
    map.Prepare();
    const int w = std::min(map.Width(), 512);
    std::vector<std::int32_t> row(static_cast<std::size_t>(w) + 8);
    for (int y = 0; y < std::min(map.Height(), 64); ++y) {
        map.LevelRow(y, row.data(), w + 8);
        for (int x = 0; x < w; x += 7) {
            if (map.LevelAt(x, y) != row[static_cast<std::size_t>(x)])
                __builtin_trap(); // the fast query must agree with the hit test
        }
    }
    map.Serialise();
    map.Describe();
    return 0;
}

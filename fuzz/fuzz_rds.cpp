// Depth map files: the reader, then the level queries over what it accepted.
#include "depthmap/MapRows.h"
#include "depthmap/TMapDocument.h"
#include "platform/Window.h"

#include <algorithm>
#include <span>
#include <vector>

namespace {

class Owner : public platform::Window {
public:
    int messageBox(std::string_view, std::string_view, unsigned) override { return ++boxes, platform::IDOK; }
    std::intptr_t sendMessage(unsigned, std::uintptr_t, std::intptr_t) override { return 0; }
    int boxes = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Owner owner;
    depthmap::TMapDocument map("fuzz", 16, 16, &owner);
    if (!map.ReadBytes(std::span<const std::uint8_t>(data, size))) {
        if (owner.boxes != 1)
            __builtin_trap(); // every refusal says so, once
        return 0;
    }
    map.Prepare();
    const depthmap::MapRows rows(map);
    const int w = std::min(map.Width(), 512);
    std::vector<std::int32_t> row(static_cast<std::size_t>(w) + 8);
    std::vector<std::int32_t> banded(row.size());
    for (int y = 0; y < std::min(map.Height(), 64); ++y) {
        map.LevelRow(y, row.data(), w + 8);
        rows.levelRow(y, banded.data(), w + 8);
        if (banded != row)
            __builtin_trap(); // the banded rows must be the document's
        for (int x = 0; x < w; x += 7) {
            if (map.LevelAt(x, y) != row[static_cast<std::size_t>(x)])
                __builtin_trap(); // the fast query must agree with the hit test
        }
    }
    map.Serialise();
    map.Describe();
    return 0;
}

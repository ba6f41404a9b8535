#include "ReadPicture.h"

#include "pictrans/TGifIntf.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    readPicture(data, size, "dotscape-fuzz-gif");
    // The second image, as an animation's frame is read: the first is
    // skipped block by block. A refusal must come with a message.
    FuzzOwner owner;
    TGifIntf reader(nullptr, &owner);
    InStream in(std::vector<std::uint8_t>(data, data + size));
    if (!reader.ReadStream(in, 1) && owner.boxes == 0)
        std::abort();
    return 0;
}

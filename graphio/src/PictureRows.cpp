#include "pictrans/PictureRows.h"

#include "platform/FileIO.h"

#include <algorithm>

namespace pictrans {

PictureRows::PictureRows(const platform::Bitmap& bitmap, const platform::Palette* palette) : bitmap_(bitmap)
{
    scratch_.resize(static_cast<std::size_t>(bitmap.width()));
    if (!indexed())
        return;
    hadPalette_ = palette && !palette->empty();
    if (hadPalette_)
        colours_.assign(palette->entries().begin(), palette->entries().end());
    else
        colours_ = TGIntf::GetDeviceColors(depth());
    colours_.resize(std::size_t{1} << depth(), {0, 0, 0, 0});
    // Only the colours pixels use decide what kind of picture this is.
    std::vector<bool> used(colours_.size());
    for (int y = 0; y < height(); ++y) {
        indices(y, scratch_.data());
        for (int x = 0; x < width(); ++x)
            used[scratch_[static_cast<std::size_t>(x)]] = true;
    }
    grey_ = blackWhite_ = true;
    for (std::size_t i = 0; i < colours_.size(); ++i) {
        if (!used[i])
            continue;
        const auto& c = colours_[i];
        const bool isGrey = c.peRed == c.peGreen && c.peGreen == c.peBlue;
        grey_ = grey_ && isGrey;
        blackWhite_ = blackWhite_ && isGrey && (c.peRed == 0 || c.peRed == 255);
    }
}

void PictureRows::indices(int y, std::uint8_t* out) const
{
    TGIntf::BmpDecode(bitmap_.rowFromTop(y), out, depth(), width());
}

void PictureRows::rgb(int y, std::uint8_t* out) const
{
    const std::size_t w = static_cast<std::size_t>(width());
    if (!indexed()) {
        const std::uint8_t* row = bitmap_.rowFromTop(y);
        for (std::size_t x = 0; x < w; ++x) {
            out[3 * x] = row[3 * x + 2];
            out[3 * x + 1] = row[3 * x + 1];
            out[3 * x + 2] = row[3 * x];
        }
        return;
    }
    indices(y, scratch_.data());
    for (std::size_t x = 0; x < w; ++x) {
        const auto& c = colours_[scratch_[x]];
        out[3 * x] = c.peRed;
        out[3 * x + 1] = c.peGreen;
        out[3 * x + 2] = c.peBlue;
    }
}

void PictureRows::greys(int y, std::uint8_t* out) const
{
    indices(y, out);
    for (int x = 0; x < width(); ++x)
        out[x] = colours_[out[x]].peRed;
}

int writeThroughTemporary(TGIntf& intf, const std::string& fileName, const std::function<int(OutStream&)>& write)
{
    if (!intf.OverwriteOk(fileName))
        return 0;
    platform::SafeFile file(fileName);
    if (!file.open())
        return intf.ErrorMsg(platform::format("Unable to open file: %s.", fileName.c_str()));
    FileOutStream out(file.stream());
    // A write stopped from the status window ends quietly, as a failed one
    // does: the temporary goes and an existing file stays as it was.
    if (!write(out) || intf.Stopped())
        return 0;
    if (out.error() || !file.commit())
        return intf.ErrorMsg(platform::format("Unable to write file: %s.", fileName.c_str()));
    intf.DoStatusMsg(100, 100, "Done");
    return 1;
}

} // namespace pictrans

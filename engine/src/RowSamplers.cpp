#include "RowSamplers.h"

#include <algorithm>
#include <cstring>

namespace engine {

void indexRow(const platform::Bitmap& picture, int y, const platform::Palette* palette, std::uint8_t* dst,
              const platform::NearestColour* quick)
{
    const int width = picture.width();
    switch (picture.bitsPerPixel()) {
    case 8:
        std::memcpy(dst, picture.row(y), static_cast<std::size_t>(width));
        return;
    case 24: {
        if (!palette || palette->empty()) {
            std::memset(dst, 0, static_cast<std::size_t>(width));
            return;
        }
        // Depth pictures run in spans of one colour: the last match is kept.
        const std::uint8_t* src = picture.row(y);
        std::uint32_t lastColour = 0xFFFFFFFFu;
        std::uint8_t lastIndex = 0;
        for (int x = 0; x < width; ++x, src += 3) {
            const std::uint32_t colour = (std::uint32_t{src[2]} << 16) | (std::uint32_t{src[1]} << 8) | src[0];
            if (colour != lastColour) {
                lastIndex = quick ? (*quick)(src[2], src[1], src[0]) : palette->nearest(src[2], src[1], src[0]);
                lastColour = colour;
            }
            dst[x] = lastIndex;
        }
        return;
    }
    default:
        for (int x = 0; x < width; ++x)
            dst[x] = static_cast<std::uint8_t>(picture.pixel(x, y));
        return;
    }
}

std::unique_ptr<platform::Bitmap> indexedCopy(const platform::Bitmap& picture, const platform::Palette* palette)
{
    auto out = platform::Bitmap::create(picture.width(), picture.height(), 8);
    if (!out)
        return nullptr;
    for (int y = 0; y < picture.height(); ++y)
        indexRow(picture, y, palette, out->row(y));
    return out;
}

// ---------------------------------------------------------------------------
// Pictures

PictureSampler::PictureSampler(const platform::Bitmap& source, const platform::Palette* palette, SampleLayout layout,
                               std::span<const std::int32_t, 256> lookup, double zoom, std::int32_t height,
                               SampledValues* seen)
    : source_(source), palette_(palette), layout_(layout), lookup_(lookup), zoom_(zoom), height_(height), seen_(seen)
{
    if (zoom_ != 1.0) {
        columns_.resize(static_cast<std::size_t>(layout_.sourceWidth));
        for (std::int32_t i = 0; i < layout_.sourceWidth; ++i)
            columns_[static_cast<std::size_t>(i)] = std::min(static_cast<std::int32_t>(i / zoom_), source_.width() - 1);
    }
}

std::int32_t PictureSampler::scratchSize() const
{
    return indexWords() + (zoom_ != 1.0 ? words(layout_.sourceWidth) : 0);
}

void PictureSampler::sample(std::int32_t r, std::int32_t* depth, std::int32_t* scratch) const
{
    std::int32_t sourceRow = r;
    if (zoom_ != 1.0) {
        const std::int32_t y = height_ - 1 - r;
        const std::int32_t sy = std::min(static_cast<std::int32_t>(y / zoom_), source_.height() - 1);
        sourceRow = source_.height() - 1 - sy;
    }
    const std::uint8_t* row = source_.row(sourceRow);
    if (source_.bitsPerPixel() != 8) {
        auto* bytes = reinterpret_cast<std::uint8_t*>(scratch);
        if (isTrueColour(source_))
            brightnessRow(row, source_.width(), bytes);
        else
            indexRow(source_, sourceRow, palette_, bytes);
        row = bytes;
    }
    if (zoom_ != 1.0) {
        auto* scaled = reinterpret_cast<std::uint8_t*>(scratch + indexWords());
        for (std::size_t i = 0; i < columns_.size(); ++i)
            scaled[i] = row[columns_[i]];
        row = scaled;
    }
    if (seen_)
        seen_->take(row, std::min(layout_.count(), layout_.sourceWidth));
    samplePictureRow(depth, layout_.n, row, layout_, lookup_);
}

// ---------------------------------------------------------------------------
// Depth maps

MapSampler::MapSampler(const DepthMapSource& map, SampleLayout layout, std::int32_t height)
    : map_(map), layout_(layout), height_(height), columns_(std::min(layout.count(), layout.sourceWidth))
{
    layout_.sourceWidth = columns_;
}

void MapSampler::sample(std::int32_t r, std::int32_t* depth, std::int32_t* levels) const
{
    if (columns_ > 0)
        map_.levelRow(height_ - 1 - r, levels, columns_);
    sampleLevelRow(depth, layout_.n, levels, layout_);
}

// ---------------------------------------------------------------------------
// Math figures

void FigureSampler::sample(std::int32_t r, std::int32_t* depth, std::int32_t*) const
{
    sampleFigureRow(depth, r, figure_);
}

} // namespace engine

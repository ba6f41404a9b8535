#include "video/DepthVideoReader.h"

#include "VideoModuleInterface.h"

#include <vector>

namespace video {

struct DepthVideoReader::State {
    std::unique_ptr<module::Decoder> decoder;
    bool opened = false;
};

DepthVideoReader::DepthVideoReader() = default;
DepthVideoReader::~DepthVideoReader() = default;

int DepthVideoReader::width() const { return state_ && state_->opened ? state_->decoder->width() : 0; }
int DepthVideoReader::height() const { return state_ && state_->opened ? state_->decoder->height() : 0; }
int DepthVideoReader::frameCount() const { return state_ && state_->opened ? state_->decoder->frameCount() : 0; }
int DepthVideoReader::fpsNum() const { return state_ && state_->opened ? state_->decoder->fpsNum() : 0; }
int DepthVideoReader::fpsDen() const { return state_ && state_->opened ? state_->decoder->fpsDen() : 1; }

platform::Palette DepthVideoReader::greys()
{
    std::vector<platform::PALETTEENTRY> entries(platform::Palette::kMaxEntries);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        entries[i] = {v, v, v, 0};
    }
    return platform::Palette(entries);
}

std::string DepthVideoReader::open(const std::string& fileName, const VideoSpan& span)
{
    state_ = std::make_unique<State>();
    std::string missing;
    const module::Table* table = module::table(missing);
    if (!table)
        return missing;
    state_->decoder.reset(table->newDecoder());
    if (!state_->decoder)
        return "not enough memory to read " + fileName;
    std::string problem = state_->decoder->open(fileName, span.start, span.duration, platform::Bitmap::kMaxPixels);
    state_->opened = problem.empty();
    return problem;
}

std::unique_ptr<platform::Bitmap> DepthVideoReader::next(std::string& error)
{
    if (!state_ || !state_->opened) {
        error = "the video was not opened";
        return nullptr;
    }
    module::Decoder& d = *state_->decoder;
    auto picture = platform::Bitmap::create(d.width(), d.height(), 8);
    if (!picture) {
        error = "not enough memory for a frame of the video";
        return nullptr;
    }
    // Rows from the top into the bitmap's bottom-up rows.
    error = d.next(picture->rowFromTop(0), -static_cast<std::ptrdiff_t>(picture->stride()));
    if (!error.empty())
        return nullptr;
    return picture;
}

} // namespace video

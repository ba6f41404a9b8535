// Built only with the depth map model; see MapGeneration.h.

#include "engine/MapGeneration.h"

namespace engine {

MapDocumentSource::MapDocumentSource(const depthmap::TMapDocument& map) : rows_(map) {}

std::int32_t MapDocumentSource::width() const
{
    return rows_.width();
}

std::int32_t MapDocumentSource::height() const
{
    return rows_.height();
}

void MapDocumentSource::levelRow(std::int32_t y, std::int32_t* out, std::int32_t n) const
{
    rows_.levelRow(y, out, n);
}

GenerationResult makeFromDepthMap(const SirdsSettings& settings, const depthmap::TMapDocument& map,
                                  std::string_view title, GenerationHost& host, const GenerationOptions& options)
{
    MapDocumentSource source(map);
    DepthMapJob job;
    job.map = &source;
    job.title = title;
    job.options = options;
    return makeFromDepthMap(settings, job, host);
}

} // namespace engine


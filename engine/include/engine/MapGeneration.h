#pragma once
// Stereograms from the depth map document: the document's fast row query
// behind the driver's DepthMapSource. Available when the engine is built
// with the depth map model.

#include "engine/Generation.h"

#include "depthmap/MapRows.h"
#include "depthmap/TMapDocument.h"

namespace engine {

// Indexes the document once (so that its row queries change nothing and
// may run on the driver's threads) and answers rows as LevelRow would,
// looking only at the objects that reach each row's band.
class MapDocumentSource final : public DepthMapSource {
public:
    explicit MapDocumentSource(const depthmap::TMapDocument& map);
    std::int32_t width() const override;
    std::int32_t height() const override;
    void levelRow(std::int32_t y, std::int32_t* out, std::int32_t n) const override;

private:
    depthmap::MapRows rows_;
};

// makeFromDepthMap over the document; title names the new stereogram.
GenerationResult makeFromDepthMap(const SirdsSettings& settings, const depthmap::TMapDocument& map,
                                  std::string_view title, GenerationHost& host,
                                  const GenerationOptions& options = {});

} // namespace engine

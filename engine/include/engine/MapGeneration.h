#pragma once
// Stereograms from the depth map document: the document's fast row query
// behind the driver's DepthMapSource. Available when the engine is built
// with the depth map model.

#include "engine/Generation.h"

#include "depthmap/TMapDocument.h"

namespace engine {

// Prepares the document once (so that its row queries change nothing and
// may run on the driver's threads) and answers rows with LevelRow.
class MapDocumentSource final : public DepthMapSource {
public:
    explicit MapDocumentSource(const depthmap::TMapDocument& map);
    std::int32_t width() const override;
    std::int32_t height() const override;
    void levelRow(std::int32_t y, std::int32_t* out, std::int32_t n) const override;

private:
    const depthmap::TMapDocument& map_;
};

// makeFromDepthMap over the document; title names the new stereogram.
GenerationResult makeFromDepthMap(const SirdsSettings& settings, const depthmap::TMapDocument& map,
                                  std::string_view title, GenerationHost& host,
                                  const GenerationOptions& options = {});

} // namespace engine

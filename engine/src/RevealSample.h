#pragma once
// The depth revealer's trials of a range: the matcher run on a sample of
// rows, and what the pairs it finds say of another range's pairs.

#include "RevealMatcher.h"

#include "engine/Reveal.h"

#include <vector>

namespace engine {
class RowWorkers;
}

namespace engine::reveal {

// The most the per-worker buffers may take, in bytes.
inline constexpr std::size_t kMaxWorkBytes = std::size_t{256} << 20;

// The matches of bands of rows across the picture, each matched from fresh
// running sums.
struct Sample {
    int width = 0;
    int bandRows = 0;
    std::vector<int> tops;         // each band's first row
    std::vector<float> separation; // band after band, bandRows × width each, kHole where unpaired
    double share = 0.0;            // of the sampled pixels, the ones paired
};

// Matches the sample over a range; the bands are shared out among the
// workers. A range beyond the memory the reveal keeps to pairs nothing.
Sample sampleMatches(RowWorkers& workers, const RgbPlanes& planes, const RgbBounds* bounds,
                     const SeparationRange& range, const Window& window);

// Of the pairs of far (a sample of the same rows as near's) wider than
// beyond, the share that are two of near's pairs one after the other: a
// chain of copies also repeats at the sum of two of its links, and where
// the surface changes about as fast as the separation such sums can pair
// as many pixels as the links themselves. Pairs whose ends near leaves
// unpaired (beyond short holes, bridged) are not counted; evaluated tells
// how many were. With exact (the picture, where its unrelated pixels are
// seldom equal), a pair whose links near leaves unpaired counts when its
// end pixels are equal, and is a chain when a pixel between them, a link
// from each, is equal to both.
double chainedShare(const Sample& far, const Sample& near, float beyond, int nearLo, int nearHi,
                    const RgbPlanes* exact, int& evaluated);

// The share of pairs of unrelated pixels (half the smallest separation
// apart) that are equal.
double equalChance(const RgbPlanes& picture, int minSep);

} // namespace engine::reveal

#pragma once
// The hidden scene seen by each eye, made from a stereogram's own pixels and
// the depth revealed from it: every pair the revealer matched is one point
// of the scene, coloured as its two copies are, at the midpoint of the pair.
// Each eye's view moves the points sideways by half their disparity, near
// points towards the nose of the other eye: in the left eye's view a near
// point lies to the right of where a far one would, in the right eye's view
// to the left. The disparity spans kRevealViewDisparity of the picture's
// width from the farthest point to the nearest, centred on the page.
//
// The anaglyph puts the left eye's view in red and the right eye's in green
// and blue (red filter on the left eye), each as its brightness, so that
// the many-coloured dots of a stereogram look alike to both eyes. The side
// by side pair is for viewing cross-eyed: the right eye's view on the left.

#include "engine/Reveal.h"

#include "platform/Bitmap.h"

#include <memory>

namespace engine {

inline constexpr double kRevealViewDisparity = 1.0 / 40.0;
// The gap between the two pictures of a side-by-side pair.
inline constexpr int kSideBySideGap = 16;

struct EyeViews {
    RgbPlanes left;
    RgbPlanes right;
};

// The two eyes' views of a revealed stereogram (result must be done, and
// picture the one it was revealed from).
EyeViews eyeViews(const RgbPlanes& picture, const RevealResult& result);

// 24-bit pictures; null when there is no memory for them.
std::unique_ptr<platform::Bitmap> anaglyph(const EyeViews& views);
std::unique_ptr<platform::Bitmap> sideBySide(const EyeViews& views);

} // namespace engine

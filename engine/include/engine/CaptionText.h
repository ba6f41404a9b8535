#pragma once
// The caption font of math stereograms: a bold sans-serif face rendered at
// 14 pixels without antialiasing, so every pixel is either set or left. The
// desktop program and the command line both draw through this, so the same
// stereogram comes out the same either way.

#include "engine/Finishing.h"
#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <string>
#include <string_view>

namespace engine {

// The font file used: the first of a few well-known bold sans-serif faces
// that exists; empty when none does (then no caption is drawn).
const std::string& captionFontFile();

// Draws text on an 8-bit picture with its top-left corner at (x, y), y
// counted from the top. Each pixel the font sets becomes the palette entry
// nearest to colour. False when no font could be loaded.
bool drawCaptionText(platform::Bitmap& image, const platform::Palette& palette, int x, int y,
                     std::string_view text, Rgb colour);

} // namespace engine

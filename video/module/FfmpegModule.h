#pragma once
// The video module's encoder and decoder, made by its entry point.
#include "VideoModuleInterface.h"

namespace video::module {

Encoder* newFfmpegEncoder();
Decoder* newFfmpegDecoder();

} // namespace video::module

// The video module's one exported symbol: its table of factories.
#include "FfmpegModule.h"

extern "C" {
#include <libavutil/log.h>
}

extern "C" __attribute__((visibility("default"))) const video::module::Table* dotscape_video_module()
{
    // The program words its own messages; FFmpeg's reports would only
    // clutter the terminal.
    av_log_set_level(AV_LOG_FATAL);
    static const video::module::Table table{video::module::kInterfaceVersion, &video::module::newFfmpegEncoder,
                                            &video::module::newFfmpegDecoder};
    return &table;
}

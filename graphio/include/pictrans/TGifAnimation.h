#pragma once
// Writes looping animated GIF files: GIF89a, one global colour table for
// every frame, the looping application block ("NETSCAPE2.0", loop for ever),
// and before each frame a graphic control block with the frame's delay.
//
// Every frame is stored whole (the full logical screen, no transparency,
// left in place), so each decoded frame is exactly the picture given, in any
// viewer, whether or not it combines frames.
//
// Frames are added one at a time, so an animation of many large frames never
// needs them all in memory. A file is written through a temporary beside its
// target and replaces it only when Finish succeeds; a writer destroyed
// before that, or after a failure, leaves no partial file and any old file
// untouched.

#include "pictrans/Export.h"
#include "pictrans/Stream.h"
#include "pictrans/TGIntf.h"

#include <memory>
#include <span>
#include <string>

namespace platform {
class SafeFile;
}

class PICTRANS_API TGifAnimation : public TGIntf {
public:
    TGifAnimation(platform::Window* status, platform::Window* owner);
    ~TGifAnimation() override;

    // A frame delay in milliseconds as the file stores it, in hundredths of
    // a second: rounded to the nearest hundredth (halves up) and kept within
    // 1 … 65535.
    static int DelayHundredths(int delayMs);

    // Starts an animation of width × height pixels at depth bits per pixel
    // (1, 4 or 8) with palette as its one colour table, every frame shown
    // for delayMs. Frames of 24 bits (true colour) are written at 8 bits in
    // the nearest entries of palette, the lowest index on a tie. Begin asks before replacing an existing file (No: 0).
    // Returns 1 on success; 0 after an error message.
    int Begin(const std::string& fileName, int width, int height, int depth, const platform::Palette& palette,
              int delayMs);
    int BeginStream(OutStream& out, int width, int height, int depth, const platform::Palette& palette,
                    int delayMs);
    // Adds one frame: a picture of the size and depth given to Begin whose
    // pixels index the colour table. 1 on success; 0 after an error message
    // (the writer is failed from then on).
    int AddFrame(const platform::Bitmap& frame);
    // Ends the file (trailer) and, for a file, puts it in place. 1 on
    // success; at least one frame must have been added.
    int Finish();

    int FramesWritten() const { return frames_; }

    // The whole animation at once.
    int WriteAnimation(const std::string& fileName, std::span<const platform::Bitmap* const> frames,
                       const platform::Palette& palette, int delayMs);
    int WriteAnimationStream(OutStream& out, std::span<const platform::Bitmap* const> frames,
                             const platform::Palette& palette, int delayMs);

private:
    int Start(int width, int height, int depth, const platform::Palette& palette, int delayMs);
    int Fail(const char* message);

    std::unique_ptr<platform::SafeFile> file_;
    std::unique_ptr<OutStream> fileOut_;
    OutStream* out_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int depth_ = 8;       // of the frames given
    int fileDepth_ = 8;   // of the file: 8 for true-colour frames
    platform::Palette palette_;
    int delay_ = 8;
    int frames_ = 0;
    bool failed_ = false;
};

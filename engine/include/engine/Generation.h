#pragma once
// The generation driver: one stereogram from start to end. It sizes the
// image, tiles the pattern over it, walks it in bands of rows (depth
// sampling and shifting of every row), reports progress, stops between
// bands when the user asks, and finishes the picture.
//
// The driver talks to its surroundings only through a GenerationHost, so
// the desktop program, the command line and the tests run the same code.
//
// Rows are independent of each other, so the rows of a band may be shared
// among worker threads; the picture is the same whatever the thread count,
// and progress, message pumping and stopping stay between bands on the
// calling thread. Host calls are all made on the calling thread.

#include "engine/DepthFit.h"
#include "engine/DepthSampling.h"
#include "engine/Finishing.h"
#include "engine/SirdsSettings.h"

#include "platform/Bitmap.h"
#include "platform/Grey16.h"
#include "platform/Palette.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

// Progress record passed with every progress report: a zero-terminated text
// of at most 39 characters and a done / total pair of pixel counts.
struct ProgressRecord {
    char text[40] = {};
    std::int32_t done = 0;
    std::int32_t total = 100;

    // Copies text, cut to 39 characters.
    void setText(std::string_view value);
    std::string_view textView() const;
    // done × 100 ÷ total, clamped to 0..100; 0 when total is not positive.
    std::int32_t percent() const;
};

// Phases of a progress report.
inline constexpr int kProgressStart = 1; // enter the busy state, show the text
inline constexpr int kProgressEnd = 2;   // leave the busy state
inline constexpr int kProgressText = 3;  // new text and progress
inline constexpr int kProgressStep = 4;  // progress step

// The current background pattern, as the pattern library hands it out.
struct PatternRef {
    const platform::Bitmap* tile = nullptr;
    const platform::Palette* palette = nullptr;
};

class GenerationHost {
public:
    virtual ~GenerationHost() = default;

    // A progress report. Every generation that sends phase 1 sends phase 2
    // exactly once before it returns, whatever the outcome.
    virtual void progress(int phase, const ProgressRecord& record) = 0;
    // The pattern library request: the current pattern's tile and palette,
    // either of them null when the library is empty.
    virtual PatternRef pattern() = 0;
    // Asks the frame to refresh its status bar panes.
    virtual void statusRefresh() {}
    // Dispatches waiting messages between bands; true when a stop request,
    // a close or a quit was among them.
    virtual bool pumpMessages() = 0;
    // Draws one line of text onto an 8-bit picture with the caption font
    // (bold sans-serif, 14 pixels high), (x, y) being the top-left corner
    // counted from the top of the picture; every set pixel becomes the
    // palette entry nearest to colour, without blending.
    virtual void drawText(platform::Bitmap& image, const platform::Palette& palette, int x, int y,
                          std::string_view text, Rgb colour) = 0;
    // A generation that cannot start or run tells why (a message box
    // captioned "Error" in the desktop program).
    virtual void showError(std::string_view message) = 0;
    // The short beep after a stopped generation from a picture.
    virtual void beep() {}
};

// Messages of refused generations.
inline constexpr std::string_view kNoPatternMessage = "No background pattern is available.";
inline constexpr std::string_view kNoMemoryMessage = "Not enough memory to make the stereogram.";
inline constexpr std::string_view kNotSentMessage = "The stereogram could not be written out.";
inline constexpr std::string_view kNoPictureMessage = "There is no picture to make a stereogram from.";
inline constexpr std::string_view kNoFigureMessage = "The math figure library is not available.";
// printf-style, filled with the gap value.
inline constexpr const char* kBadGapFormat = "The gap value %d cannot be used; choose one from 51 to 150.";
// printf-style, filled with width and height.
inline constexpr const char* kBadSizeFormat = "A stereogram of %d x %d pixels cannot be made.";

// A depth map as the driver samples it. levelRow must be safe to call from
// several threads at once (it only reads).
class DepthMapSource {
public:
    virtual ~DepthMapSource() = default;
    virtual std::int32_t width() const = 0;
    virtual std::int32_t height() const = 0;
    // Levels of map row y (counted from the top) at columns 0 … n − 1; 0 where
    // no object covers a point or a column lies beyond the map.
    virtual void levelRow(std::int32_t y, std::int32_t* out, std::int32_t n) const = 0;
};

enum class GenerationStatus {
    Finished,
    Stopped, // the user stopped it: there is no picture at all
    Failed,  // refused or out of memory; the host was shown the message
};

struct Stereogram {
    // 8-bit, the finished size; 24-bit from the hidden-surface method with
    // oversampling (its palette is then the one the colours came from).
    std::unique_ptr<platform::Bitmap> bitmap;
    platform::Palette palette;                // 256 entries, no-collapse
    std::string title;
};

struct GenerationResult {
    GenerationStatus status = GenerationStatus::Failed;
    Stereogram picture; // only when finished; without its bitmap when streamed
    std::string error;  // only when failed
    bool streamed = false; // every row went to the options' sink

    bool finished() const { return status == GenerationStatus::Finished; }
};

// Rows per band: the whole height, halved (rounded up) while the band holds
// more than 32000 bytes of 8-bit rows and more than one row.
std::int32_t bandRows(std::int32_t height, std::size_t stride);

// Takes the finished picture a few rows at a time while it is made, so that
// a picture written straight out never has to be held whole. Called on the
// generation's calling thread.
class BandSink {
public:
    virtual ~BandSink() = default;
    // Once, before any row: the finished picture's size, depth (8 or 24 bits)
    // and palette. False refuses the picture.
    virtual bool begin(std::int32_t width, std::int32_t height, int bitsPerPixel,
                       const platform::Palette& palette) = 0;
    // The next count rows, the bottom row first (as a bottom-up DIB keeps
    // them), stride bytes apart from bits, their padding clear. False stops
    // the generation.
    virtual bool rows(const std::uint8_t* bits, std::size_t stride, std::int32_t count) = 0;
};

// Worker threads: 0 picks as many as the machine has, at most two.
// fit, when set, scales every sampled depth row (pictures and depth maps).
// sink, when set, is offered the picture: a generation that can give it out
// band by band does so (and its result holds no bitmap); one that cannot (a
// caption, random dots or a picture drawn over) makes it whole as it would
// without.
struct GenerationOptions {
    int threads = 0;
    std::optional<DepthFit> fit;
    BandSink* sink = nullptr;
};

struct FigureJob {
    std::int32_t figureCode = -1;  // −(figure index + 1)
    std::string_view title;        // the figure's title, for the caption
    // With UseBMP 1: the open picture to draw over (any depth; taken as
    // 8-bit indices into the pattern's palette). Ignored when null.
    const platform::Bitmap* drawOver = nullptr;
    // The figure query; null uses the math figure library's GetFigureLevel.
    FigureLevelFn level = nullptr;
    GenerationOptions options{};
};

// A picture shown at a zoom factor is made into a stereogram of what the
// window shows: the picture is scaled first (nearest pixel: scaled column i
// shows picture column trunc(i ÷ zoom), rows alike from the top), the gap
// becomes trunc(gap × zoom), and the strip cut off at the end is that
// scaled gap, so the result has the scaled picture's size. At zoom 1 this is
// the picture itself and the gap as set. The alignment squares stand half
// the scaled gap either side of the middle, where the eyes find the repeat.
struct PictureJob {
    const platform::Bitmap* picture = nullptr; // any depth; 24-bit maps to palette
    const platform::Palette* palette = nullptr;
    std::string_view title; // the result's title is this followed by "{sird}"
    double zoom = 1.0;      // not finite or not positive counts as 1
    // The picture's full 16-bit brightness (a 16-bit grey picture), of the
    // picture's size: with "Depth by Brightness" the hidden-surface method
    // reads its depth here instead of from the 8-bit indices. Ignored when
    // null, by the other methods, or when its size differs.
    const platform::Grey16Image* depth16 = nullptr;
    // When set, takes the depths the picture's sampled rows gave, before any
    // fit: the picture's own range where the stereogram shows all of it
    // (the range of a finished make; a make that did not finish saw only
    // part of the picture).
    DepthRange* sampled = nullptr;
    GenerationOptions options{};
};

struct DepthMapJob {
    // Read during the whole band loop, while messages are pumped: the map
    // must stay alive and unchanged until the call returns.
    const DepthMapSource* map = nullptr;
    std::string_view title;
    GenerationOptions options{};
};

GenerationResult makeFromFigure(const SirdsSettings& settings, const FigureJob& job, GenerationHost& host);
GenerationResult makeFromPicture(const SirdsSettings& settings, const PictureJob& job, GenerationHost& host);
GenerationResult makeFromDepthMap(const SirdsSettings& settings, const DepthMapJob& job, GenerationHost& host);

} // namespace engine

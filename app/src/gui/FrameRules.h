#pragma once
// Decisions of the frame that need no screen: file formats by name, status
// pane texts, the print layout, the popup hint's place, the welcome window's
// place, the memory figure. The widgets call these and show the results.

#include <cstdint>
#include <string>
#include <string_view>

namespace gui {

struct IntRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const IntRect&, const IntRect&) = default;
};

// Lower case, ASCII only (file names keep their other bytes).
std::string LowerCase(std::string_view text);

// Opening a file whose content cannot be read: a name (not the folders
// above it) that contains ".rds" is a depth map's, anything else a
// picture's. A readable file is opened as what its content shows.
bool IsDepthMapName(std::string_view path);

// Default extensions of the file dialogs for the current format code: the
// kind's first extension in capitals when it opens (saves), else "BMP".
std::string OpenDefaultExtension(int format);
std::string SaveDefaultExtension(int format);

// Status pane texts.
std::string ReadingText(int format);  // "Reading GIF File", ... for kinds that open; empty for other codes
std::string WritingText(int format);  // "Writing PCX File", ... for pictures that save; BMP for other codes
std::string DimensionsText(int width, int height, int bitsPerPixel); // "400 x 400 x 256"
std::string ImageSizeText(std::int64_t bytes);                        // "Image: 160 K"
std::string MemoryText(long kilobytes);                               // "Free: 1048 K"
// The level new shapes of a depth map get: "Level 40", and for level 0 or
// below "Level 0 (background)".
std::string LevelText(int level);
// The note shown when a shape went on a map at the background's level.
std::string_view BackgroundShapeNote();

// Progress value of a record; a total of 0 or below shows 0 rather than
// dividing by it, and the value is kept within 0..100.
int ProgressPercent(std::int32_t done, std::int32_t total);

// Memory the system can still hand out, in kilobytes, from the text of
// /proc/meminfo (MemAvailable, or MemFree when the kernel has no such line);
// -1 when neither is present.
long MemAvailableKb(std::string_view meminfo);
// The same for this machine; -1 when unknown.
long SystemMemAvailableKb();

// Video information: the number of colours of a display of the given depth,
// kept in a signed 32-bit number (a 32-bit display saturates).
std::int32_t VideoColors(int bitsPerPixel);
std::string VideoInfoText(std::int32_t colors);

// The part of a path after its last separator ('/' or '\'), lower-cased.
std::string TitleFromPath(std::string_view path);

// Where a picture goes on a printed page: at (margin, margin) and scaled with
// one factor so that it fills the printable area in one direction and fits it
// in both. Pictures smaller than the page are enlarged, larger ones reduced
// (adjusted is then true and the user is told).
// The frame on a first run (no rectangle in the configuration): three
// quarters of the screen's free area each way, never below 640 × 480 unless
// the screen itself is smaller, centred on it. Edges as the configuration
// stores them (right and bottom exclusive).
struct FrameRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};
FrameRect FirstRunFrameRect(const FrameRect& available);

// The live preview's width beside the MDI area (or height below it) when it
// appears: what the pane asks for, at most a quarter of the frame's, but
// never below the pane's smallest 120.
int PreviewDockLength(int wanted, int frameLength);

struct PrintPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool adjusted = false; // the picture was larger than the page
    bool valid = false;    // false for empty pictures or pages too small for the margins
};
inline constexpr int kPrintMargin = 20;
PrintPlacement PrintScale(int pictureWidth, int pictureHeight, int pageWidth, int pageHeight);

// The popup hint's rectangle in frame client coordinates, for a mouse at
// mouse (screen), text size (w, h), and the frame's outer rectangle and
// client origin on the screen.
IntRect HintRect(int mouseX, int mouseY, int textWidth, int textHeight, const IntRect& frameOnScreen,
                 int clientOriginX, int clientOriginY);

// Top-left corner of the welcome window of size bitmap + 2 centred on the
// rectangle (x, y, w, h).
struct IntPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const IntPoint&, const IntPoint&) = default;
};
IntPoint WelcomePosition(int x, int y, int w, int h, int bitmapWidth, int bitmapHeight);

// Top-left corner of a window of size (w, h) centred on the rectangle over,
// then moved so that it lies inside the rectangle inside (the free part of
// the screen); a window larger than that keeps its top-left corner inside.
IntPoint CentredWithin(const IntRect& over, int w, int h, const IntRect& inside);

// A document window's rectangle in an MDI area of areaWidth × areaHeight:
// no larger than the area, and moved left and up as far as needed for its
// right and bottom edges (the close button) to lie inside it, never past
// the area's top-left corner (the title bar).
IntRect FitWithin(const IntRect& window, int areaWidth, int areaHeight);

} // namespace gui

#pragma once
// The depth map document without its window: a stack of depth objects over a
// canvas of fixed size, the current tool and level, the file name and the
// saved flag, and the .rds file format. The map window wraps one of these and
// supplies the platform::Window (message boxes, itself) and the MapView
// (repaints) it works through.
//
// The stack runs from the top object (hit first, drawn last) down to the
// background object, a SquareBox that covers the map when it is created and
// can never be deleted, raised or lowered.

#include "depthmap/DrawSurface.h"
#include "depthmap/MapEdit.h"
#include "depthmap/TDepthObj.h"
#include "platform/BitmapInfo.h"
#include "platform/Window.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace depthmap {

// Levels of every map pixel, rows from the top.
struct LevelRaster {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::int32_t> levels; // width × height

    const std::int32_t* row(std::int32_t y) const { return levels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width); }
    std::int32_t at(std::int32_t x, std::int32_t y) const { return row(y)[x]; }
};

inline constexpr int kSelectTool = 1251;
inline constexpr int kMoveTool = 1252;
inline constexpr int kGetLevelTool = 1253;
inline constexpr int kApplyLevelTool = 1254;
inline constexpr int kTextTool = 1255;
inline constexpr int kLineTool = 1256;
inline constexpr int kCurveTool = 1257;
inline constexpr int kSquareBoxTool = 1258;
inline constexpr int kRoundBoxTool = 1259;
inline constexpr int kPolygonTool = 1260;
inline constexpr int kCircleTool = 1261;

// The points and flags the mouse-tracking window keeps for a left gesture:
// where the button went down (anchor), where the drag is now (drag; the
// release point after release), where the last vertex was clicked (right;
// set by every press), the last position handed on (last), and whether the
// mouse moved with only the left button down (leftDragged).
struct MouseTrack {
    platform::Point anchor;
    platform::Point drag;
    platform::Point right;
    platform::Point last;
    bool leftPressed = false;
    bool leftDragged = false;
    bool rightPressed = false;
    bool rightDragged = false;
};

class TMapDocument {
public:
    // Largest map side accepted from a file or at construction.
    static constexpr std::int32_t kMaxSide = 16384;
    // Largest .rds file read, and the most objects one may hold.
    static constexpr std::size_t kMaxFileSize = std::size_t{64} << 20;
    static constexpr std::int32_t kMaxObjects = 1'000'000;
    // Work (rows × edges) spent on the exact boxes of the polygons and lines
    // of one file; beyond it the rest take their vertices' box.
    static constexpr std::int64_t kMaxExactWork = std::int64_t{1} << 25;
    // Work of drawing a map row by row (see DrawWork) that a file may ask
    // for; a file beyond it is refused when it is opened, so any map that
    // opens is made into a stereogram in bounded time.
    static constexpr std::int64_t kMaxDrawWork = std::int64_t{1} << 28;
    // The name keeps at most this many characters.
    static constexpr std::size_t kMaxNameLength = 49;

    // A width or height outside 1..kMaxSide is clamped into it, so every map
    // has its background object. window (message boxes, and the handle sent
    // with the save request), frame (save request and status refresh) and
    // view (repaints) may be null.
    TMapDocument(std::string_view title, std::int32_t width, std::int32_t height,
                 platform::Window* window = nullptr, platform::Window* frame = nullptr,
                 MapView* view = nullptr);
    ~TMapDocument();
    TMapDocument(const TMapDocument&) = delete;
    TMapDocument& operator=(const TMapDocument&) = delete;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }

    // The level of the topmost object whose area holds (x, y), or 0.
    std::int32_t LevelAt(std::int32_t x, std::int32_t y) const;
    // Levels of map row `row` (from the top) for columns 0 .. n - 1, each equal
    // to LevelAt; columns at or beyond Width() (and rows outside the map) give 0.
    void LevelRow(std::int32_t row, std::int32_t* out, std::int32_t n) const;
    // The most work making every row of the map can take (see MapRows):
    // for each object, the rows of the map its box reaches times its edges
    // (polygons and lines; 1 for the other shapes), plus the rows of the
    // bands of 64 rows its box reaches. Boxes are the vertices' and corners'.
    std::int64_t DrawWork() const;
    // Every level of the map at once, equal to LevelAt pixel for pixel.
    LevelRaster Rasterise() const;
    // Builds every object's area, so that the const queries above change no
    // state afterwards and may run on several threads at once.
    void Prepare() const;

    // Width, height and 8 bits per pixel; nothing else is set.
    platform::BITMAP GetMapInfo() const;
    // Bytes of an 8-bit picture of the map, rows padded to 4 bytes.
    std::int64_t ImageSize() const;
    bool IsSaved() const { return saved_; }
    // The undo history decides: a map taken back to its saved state is saved again.
    void SetSaved(bool saved) { saved_ = saved; }
    int ObjectCount() const;

    // Writes through a temporary file, so a failed write leaves any old file
    // as it was. The name becomes the path's file part even when writing fails.
    bool WriteFile(const std::string& path);
    // The file's bytes, as WriteFile stores them.
    std::vector<std::uint8_t> Serialise() const;
    // False without a message when the file cannot be read; false with
    // "Invalid Depth Map file" when its contents are not a usable map. On any
    // failure the map stays exactly as it was.
    bool ReadFile(const std::string& path);
    bool ReadBytes(std::span<const std::uint8_t> bytes);

    // The part after the last '\' (not counting one in the first position) or
    // '/', in lower case (ASCII letters), cut to 49 characters.
    void SetFileName(std::string_view path);
    const std::string& FileName() const { return name_; }

    // The stack.
    TDepthObj* Top() const { return top_; }
    TDepthObj* Background() const;
    TDepthObj* Selected() const { return selected_; }
    // The topmost object whose area holds the point, or null.
    TDepthObj* HitTest(std::int32_t x, std::int32_t y) const;
    void AddOnTop(std::unique_ptr<TDepthObj> obj);
    void RaiseSelected();
    void LowerSelected();
    void DeleteSelected();
    // Selects an object of the stack (or none) and repaints both selections.
    void Select(TDepthObj* obj);
    void MarkChanged() { saved_ = false; }

    // Positions from the top (0); -1 and null when there is no such object.
    int IndexOf(const TDepthObj* obj) const;
    TDepthObj* ObjectAt(int index) const;

    // Every change to the stack (an object added, moved, given a level,
    // raised, lowered or deleted) is handed to the sink once it is made, as
    // an edit that Undo and Redo can replay. Without a sink the edit is
    // dropped (and with it a deleted object).
    using EditSink = std::function<void(MapEdit)>;
    void SetEditSink(EditSink sink) { editSink_ = std::move(sink); }
    // Takes an edit back, or makes it again after it was taken back; edits
    // must be replayed in the reverse order of their making (and then
    // forward again). The answer is the position of the object concerned
    // afterwards, -1 when it is out of the stack; the selection follows it.
    // Both clear the saved flag: the caller knows whether the result is the
    // saved state.
    int Undo(MapEdit& edit);
    int Redo(MapEdit& edit);

    std::int32_t CurrentTool() const { return tool_; }
    void SetCurrentTool(std::int32_t tool) { tool_ = tool; }
    std::int32_t CurrentLevel() const { return level_; }
    void SetCurrentLevel(std::int32_t level) { level_ = level; }

    // Draws the stack from the bottom up, each with its label, the selection
    // with its handles.
    void Paint(DrawSurface& dc) const;
    // The same, leaving out the objects that draw nothing inside `visible`.
    void Paint(DrawSurface& dc, const platform::Rect& visible) const;

    // The editing tools. The window hands on its mouse calls with its tracked
    // points; `direct` is a surface that draws straight onto the window (the
    // rubber bands), or null. ChooseTool answers false for ids that are not
    // tools (1255, the text tool, has no behaviour and is refused too); the
    // window then keeps its cursor.
    bool ChooseTool(std::int32_t id);
    void ToolLeftDown(MouseTrack& m, platform::Point p, DrawSurface* direct);
    void ToolLeftDrag(MouseTrack& m, std::int32_t x, std::int32_t y, DrawSurface* direct);
    void ToolHover(MouseTrack& m, std::int32_t x, std::int32_t y, DrawSurface* direct);
    void ToolLeftUp(MouseTrack& m, platform::Point p);
    void ToolLeftDoubleClick(MouseTrack& m, platform::Point p);
    // The shape being dragged out or the polygon being entered, or null.
    const TDepthObj* InProgress() const { return inProgress_.get(); }

    // The close question. True when the document may close. Asks "Save ...
    // before closing?" when unsaved; Yes sends the frame the save request and
    // closes only if the map was saved by it, No closes, Cancel stays. After a
    // failed ReadFile the provisional map closes without asking, so it can
    // never be saved over the file that failed. Whenever it closes the frame
    // is sent the status refresh.
    bool CanClose();

    // The map's size and its objects, top first, one line each.
    std::vector<std::string> Describe() const;

private:
    void makeBackground();
    void clearStack();
    void invalidate(TDepthObj* obj);
    // Swaps obj with the object directly beneath it.
    void swapWithNext(TDepthObj* obj);
    void report(MapEdit edit);
    std::unique_ptr<TDepthObj> takeAt(int index);
    void insertAt(int index, std::unique_ptr<TDepthObj> obj);
    // The end of a Move tool drag: one edit for the whole drag.
    void finishMove();

    std::int32_t width_ = 1;
    std::int32_t height_ = 1;
    std::int32_t tool_ = kSelectTool;
    std::int32_t level_ = 0;
    bool saved_ = false;
    bool readFailed_ = false;
    std::string name_;
    platform::Window* window_ = nullptr;
    platform::Window* frame_ = nullptr;
    MapView* view_ = nullptr;
    TDepthObj* top_ = nullptr;
    TDepthObj* selected_ = nullptr;
    std::unique_ptr<TDepthObj> inProgress_;
    EditSink editSink_;
    // The object the Move tool is dragging, where it lay when the drag began
    // and whether the map was saved then.
    TDepthObj* moving_ = nullptr;
    ObjectShape moveStart_;
    bool savedBeforeMove_ = false;
};

} // namespace depthmap

#pragma once
// The depth map window: a document window around a TMapDocument. It paints
// the stack of shapes, hands the mouse to the editing tools, keeps the undo
// history of every change, asks whether to save before closing, and answers
// the engine's level queries.
//
// The frame puts the window into an MDI sub-window; the window fits that
// sub-window to the map (within the MDI area; a larger map scrolls).

#include "depthmap_ui/QtDrawSurface.h"
#include "depthmap_ui/TMouseWnd.h"

#include "depthmap/TMapDocument.h"
#include "platform/BitmapInfo.h"
#include "platform/Window.h"

#include <cstdint>
#include <memory>
#include <string>

class QActionGroup;
class QUndoStack;

namespace depthmap_ui {

// Commands of the tool palette that the window carries out.
inline constexpr int CM_SETLEVEL = 1262;
inline constexpr int CM_OBJECTUP = 1263;
inline constexpr int CM_OBJECTDOWN = 1264;
inline constexpr int CM_OBJECTDELETE = 1265;

class TMapWindow : public TMouseWnd, private depthmap::MapView {
    Q_OBJECT
public:
    // frame: receiver of the save request and status refreshes (may be null).
    // toolPalette: the frame's tool buttons, each action's data() its command
    // id; the current tool's is shown pressed (may be null). A width or
    // height below 1 is taken as 1.
    TMapWindow(QWidget* parent, const std::string& title, int width, int height, platform::Window* frame,
               QActionGroup* toolPalette);
    ~TMapWindow() override;

    depthmap::TMapDocument& Document() { return *doc_; }
    const depthmap::TMapDocument& Document() const { return *doc_; }

    // The level of the topmost object at (x, y), or 0 (map pixels).
    std::int32_t LevelAt(std::int32_t x, std::int32_t y) const { return doc_->LevelAt(x, y); }
    platform::BITMAP GetMapInfo() const { return doc_->GetMapInfo(); }
    std::int64_t ImageSize() const { return doc_->ImageSize(); }
    int MapWidth() const { return doc_->Width(); }
    int MapHeight() const { return doc_->Height(); }
    bool IsSaved() const { return doc_->IsSaved(); }
    const std::string& FileName() const { return doc_->FileName(); }

    // Reading replaces the provisional map and starts a new history; it fits
    // the window to the map. Writing goes through a temporary file; the name
    // and caption follow the path even when it fails.
    bool ReadFile(const std::string& path);
    bool WriteFile(const std::string& path);

    void SetFrameWindow(platform::Window* frame) { frame_ = frame; }
    void SetToolPalette(QActionGroup* palette);

    int CurrentTool() const { return doc_->CurrentTool(); }
    int CurrentLevel() const { return doc_->CurrentLevel(); }
    void SetCurrentLevel(int level);
    // Tools 1251-1261 and commands 1262-1265; false for an id the window
    // does not carry out (1255 and 1266 among them).
    bool Command(int id);
    // Whether Command(id) would act.
    static bool HandlesCommand(int id);
    // Opens the level dialog on the current level.
    void SetLevel();

    // Every change of the map, one step each; clean at the state last read
    // or written.
    QUndoStack* UndoStack() const { return undo_; }

    // The outer window keeps its top-left corner and takes the size at which
    // the viewport shows the whole map, as far as the MDI area allows.
    void FitToMap();
    // The caption: the file name with the unsaved-changes mark.
    void UpdateCaption();

    // The closing question: true when the window may close.
    bool CanClose();
    // Set when the question was already answered No (the frame asks every
    // window before it closes any): the window then closes without asking.
    void SetCloseWithoutQuestion(bool value) { closeWithoutQuestion_ = value; }
    bool CloseWithoutQuestion() const { return closeWithoutQuestion_; }

    // The window as the toolkit-free code knows it (message boxes, and the
    // handle sent with the save request).
    platform::Window* AsWindow();
    static TMapWindow* FromWindow(platform::Window* window);

    QSize sizeHint() const override;

signals:
    // The map changed: an object added, moved (also at every step of a
    // drag), given a level, raised, lowered or deleted, a change taken back
    // or made again, or a file read.
    void mapChanged();
    // The window became the active document (the frame refreshes its panes).
    void statusRefreshRequested();
    // The level new shapes get changed: the level dialog, or the Get Object
    // Level tool.
    void levelChanged(int level);
    // A shape went on the map at level 0 or below, the background's level:
    // it gives no depth.
    void drawnAtBackground();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

    void LeftDown(unsigned keys, QPoint point) override;
    void LeftDrag(int x, int y) override;
    void Hover(int x, int y) override;
    void LeftUp(unsigned keys, QPoint point) override;
    void LeftDoubleClick(unsigned keys, QPoint point) override;
    void Activated(bool active) override;

private:
    class Link;
    class FrameLink;
    class EditCommand;
    friend class EditCommand;

    // depthmap::MapView
    void invalidateRect(const platform::Rect& r, bool erase) override;
    void invalidateRegion(const platform::Region& region, bool erase) override;
    void update() override;

    depthmap::MouseTrack Track() const;
    void TakeBack(const depthmap::MouseTrack& m);
    // Edits are refused while a generation reads the map.
    bool Frozen() const;
    void Record(depthmap::MapEdit edit);
    void Replayed();
    void PressPaletteButton();
    void UpdateScrollRanges();
    QWidget* Outer();

    std::unique_ptr<Link> link_;
    std::unique_ptr<FrameLink> frameLink_;
    platform::Window* frame_ = nullptr;
    QActionGroup* palette_ = nullptr;
    std::unique_ptr<depthmap::TMapDocument> doc_;
    QUndoStack* undo_ = nullptr;
    RecordedSurface direct_;
    bool fitted_ = false;
    bool closeWithoutQuestion_ = false;
    bool active_ = false;
};

} // namespace depthmap_ui

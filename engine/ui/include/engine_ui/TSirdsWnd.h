#pragma once
// The picture window: shows a picture loaded from a file or a finished
// stereogram, zoomed between a quarter and four times, lets the user drag a
// selection rectangle, opens the full-screen view, asks whether to save
// before closing, and runs the three stereogram generations.
//
// The frame puts the window into an MDI sub-window (QMdiArea::addSubWindow);
// the window's title and icon become the sub-window's.

#include "depthmap_ui/TMouseWnd.h"
#include "engine/Generation.h"

#include "platform/Bitmap.h"
#include "platform/Grey16.h"
#include "platform/BitmapInfo.h"
#include "platform/Palette.h"
#include "platform/Window.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <memory>
#include <string>

namespace engine {
struct SirdsSettings;
class TSirdPatt;
class DepthMapSource;
}

namespace engine_ui {

// Source codes given at construction; a math figure passes its figure code
// -(figure index + 1) instead.
inline constexpr int SourcePicture = 0x10;
inline constexpr int SourceDepthMap = 0x62;

// Zoom codes.
inline constexpr int ZoomOut = 1;
inline constexpr int ZoomIn = 2;

class TSirdsWnd : public depthmap_ui::TMouseWnd {
    Q_OBJECT
public:
    // A picture made from this window's picture by MakeSirdsFromPicture; the
    // caller puts it into a new window.
    struct PictJob {
        std::unique_ptr<platform::Bitmap> bitmap;   // out; null when stopped
        std::unique_ptr<platform::Palette> palette; // out: copy of the pattern palette
        int width = 0;                              // out
        int height = 0;                             // out
        std::string title;                          // out: this window's title + "{sird}"
    };

    // frame: the main frame, receiver of progress, status refresh, pattern
    // library and save requests (may be null). bitmap may be null: the
    // window then starts empty with the given size. palette null: a palette
    // is made for the picture. source: SourcePicture, SourceDepthMap or a
    // figure code.
    TSirdsWnd(QWidget* parent, const std::string& title, platform::Window* frame,
              std::unique_ptr<platform::Bitmap> bitmap, std::unique_ptr<platform::Palette> palette,
              int width, int height, int source, engine::SirdsSettings* settings);
    ~TSirdsWnd() override;

    // Replaces the picture (null clears it); palette null keeps the window's
    // palette, or makes one when it has none. Resizes the window to fit.
    void SetPicture(std::unique_ptr<platform::Bitmap> bitmap,
                    std::unique_ptr<platform::Palette> palette = nullptr);
    const platform::Bitmap* GetPicture() const { return picture_.get(); }
    const platform::Palette* GetPalette() const { return palette_.get(); }
    // The picture as the screen shows it (unzoomed); null image without a
    // picture. Made when asked: painting converts only the part it shows.
    QImage GetImage() const;
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    int GetColorCount() const { return colorCount_; }

    // Keeps the part after the last slash or backslash, lower-cased.
    void SetTitle(const std::string& path);
    // The caption: the title, the unsaved-changes mark and, unless the
    // picture is shown at its own size, the zoom ("moon.gif (200%)").
    void UpdateCaption();
    const std::string& GetTitle() const { return title_; }
    const platform::BITMAP& GetBitmapDescription() const { return description_; }
    // Row stride × height at the description's depth; 0 without a picture.
    long GetImageSize() const;

    bool GetNoSaveQuestion() const { return noSaveQuestion_; }
    // Also the caption's unsaved-changes mark: a picture that asks before
    // closing shows it.
    void SetNoSaveQuestion(bool value);
    bool IsSird() const { return isSird_; }
    void SetSird(bool value) { isSird_ = value; }
    void SetSettings(engine::SirdsSettings* settings) { settings_ = settings; }
    void SetPattLib(engine::TSirdPatt* library) { pattLib_ = library; }
    // The full 16-bit brightness of a picture read from a 16-bit grey file,
    // which the hidden-surface method reads instead of the 8-bit picture;
    // a new picture drops it.
    void SetDepth16(std::unique_ptr<platform::Grey16Image> depth) { depth16_ = std::move(depth); }
    const platform::Grey16Image* GetDepth16() const { return depth16_.get(); }
    bool IsActive() const { return active_; }

    // ZoomIn doubles below 4, ZoomOut halves above 0.25.
    void Zoom(int code);
    double GetZoom() const { return zoom_; }

    // The selection in picture pixels, clipped to the picture; empty when
    // nothing is selected.
    QRect Selection() const;
    // A copy of the selection, or of the whole picture when the selection is
    // empty; null without a picture.
    std::unique_ptr<platform::Bitmap> CopySelection() const;
    // Writes that rectangle of the picture with the window's palette as a GIF
    // file; the graphics library's answer (0 on failure).
    int SaveRegion(int x, int y, int width, int height, const std::string& fileName);
    // Every palette entry becomes its gray level.
    void GrayPalette();
    // Opens the full-screen view of the picture.
    void FullScreen();

    // The generations: 1 finished, 0 stopped or refused (the reason was
    // shown). While one runs, the frame gets progress reports
    // (WM_PROGRESSREPORT, wParam the phase, lParam a const
    // engine::ProgressRecord*), status refreshes (WM_STATUSREFRESH) and,
    // while the window has no pattern library, a pattern library request
    // (WM_PATTLIBREQUEST, wParam AsWindow()), which the
    // frame answers with SetPattLib or by returning the engine::TSirdPatt*.
    //
    // From this window's picture, as shown (zoomed); the result goes into a
    // new window made by the caller.
    int MakeSirdsFromPicture(PictJob& job, const engine::GenerationOptions& options = {});
    // Into this window, made with the depth map's size.
    int MakeSirdsFromMap(const engine::DepthMapSource& map, const engine::GenerationOptions& options = {});
    // Into this window (a new one of the settings' size, or the open picture
    // with UseBMP); figureTitle goes into the caption.
    int MakeSirdsFromMath(int figureCode, const std::string& figureTitle);
    // Ends the running generation after its current band ("Stop Current Process").
    static void StopGeneration();
    static bool IsGenerating();

    // The window in the role the toolkit-free code knows: message boxes
    // owned by it; messages it receives go on to the frame, except the stop
    // request, which stops its generation.
    platform::Window* AsWindow();
    // The picture window behind a platform::Window from AsWindow, else null.
    static TSirdsWnd* FromWindow(platform::Window* window);

    // The answer to the closing question, for tests and for the frame's
    // "close all": true when the window may close. Asks only when the
    // no-save-question flag is clear; Yes sends the save request
    // (WM_SAVEREQUEST, wParam AsWindow()) and closes
    // only when the frame answers non-zero, so a cancelled or failed save
    // keeps the picture.
    bool CanClose();

    QSize sizeHint() const override;

signals:
    // The window gained activation and holds a picture (the frame refreshes
    // its status panes); also sent to the frame as WM_STATUSREFRESH.
    void statusRefreshRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void LeftDrag(int x, int y) override;
    void Activated(bool active) override;

private:
    void ResizeToFit();
    void UpdateScrollRanges();
    QPoint PaintOrigin() const;
    bool IsShownMaximised() const;
    QWidget* Outer();
    void CloseLater();
    QRect SelectionOnScreen() const;
    void MakePalette();
    engine::TSirdPatt* PatternLibrary();
    void ShowStopped();

    class Link;
    std::unique_ptr<Link> link_;
    platform::Window* frame_ = nullptr;
    std::unique_ptr<platform::Palette> palette_;
    std::string title_;
    bool isSird_ = false;
    std::unique_ptr<platform::Bitmap> picture_;
    int width_ = 0;
    int height_ = 0;
    int colorCount_ = 0;
    bool noSaveQuestion_ = false;
    bool active_ = false;
    platform::BITMAP description_;
    double zoom_ = 1.0;
    engine::SirdsSettings* settings_ = nullptr;
    engine::TSirdPatt* pattLib_ = nullptr;
    std::unique_ptr<platform::Grey16Image> depth16_;
    bool generating_ = false; // a generation into or from this window runs
    bool closeAfterStop_ = false;
};

} // namespace engine_ui

#pragma once
// The colour table window: the palette of a picture as numbered swatches,
// 16 to a row, so that the user can see which colour index (and so which
// depth, when depth is taken by colour) each colour stands for.

#include "depthmap_ui/TMouseWnd.h"

#include "platform/Palette.h"
#include "platform/Window.h"

#include <QImage>

#include <string>

namespace depthmap_ui {

class TColorWnd : public TMouseWnd {
    Q_OBJECT
public:
    // frame: told when the window closes (WM_COLORTABLECLOSED); may be null.
    TColorWnd(QWidget* parent, const std::string& title, int width, int height, platform::Window* frame);
    ~TColorWnd() override;

    // Shows a copy of the palette (at most 256 entries), resizes the window
    // to its rows and repaints.
    void SetPalette(const platform::Palette& palette);
    const platform::Palette& GetPalette() const { return palette_; }
    int ColorCount() const { return colorCount_; }

    // The swatches as a picture 384 pixels wide, for the clipboard; a null
    // image when there is not one whole row.
    QImage MakeBitmap() const;

    // Keeps the width, moves to the top-left corner of the MDI area and
    // takes the height of the colours.
    void FitToColors();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Paint(QPainter& painter) const;
    void UpdateScrollRanges();
    QWidget* Outer();

    platform::Window* frame_ = nullptr;
    platform::Palette palette_;
    int width_;
    int height_;
    int colorCount_ = 2;
    bool fitted_ = false;
};

} // namespace depthmap_ui

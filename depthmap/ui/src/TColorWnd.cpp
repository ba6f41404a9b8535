#include "depthmap_ui/TColorWnd.h"

#include "depthmap/ColorTableLayout.h"
#include "platform/Messages.h"
#include "resources/Resources.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace depthmap_ui {

TColorWnd::TColorWnd(QWidget* parent, const std::string& title, int width, int height, platform::Window* frame)
    : TMouseWnd(parent), frame_(frame), width_(std::max(1, width)), height_(std::max(1, height))
{
    SetDocKind(DocColorTable);
    setWindowIcon(resources::Icon("I4"));
    setWindowTitle(QString::fromStdString(title));
    setAttribute(Qt::WA_DeleteOnClose);
    // Scroll bars only when the MDI area is too small for every swatch.
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // One swatch a step.
    horizontalScrollBar()->setSingleStep(depthmap::kSwatchSize);
    verticalScrollBar()->setSingleStep(depthmap::kSwatchSize);
    resize(width_, height_);
}

TColorWnd::~TColorWnd() = default;

QSize TColorWnd::sizeHint() const
{
    return {width_, height_};
}

QWidget* TColorWnd::Outer()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return sub;
    return this;
}

void TColorWnd::SetPalette(const platform::Palette& palette)
{
    palette_ = palette;
    colorCount_ = static_cast<int>(std::min<std::size_t>(palette_.size(), platform::Palette::kMaxEntries));
    FitToColors();
    UpdateScrollRanges();
    viewport()->update();
}

void TColorWnd::FitToColors()
{
    QWidget* outer = Outer();
    if (outer->isMinimized() || outer->isMaximized())
        return;
    outer->move(0, 0);
    // The outer window is the swatches plus its own frame and title bar
    // (scroll bars not counted: they go once everything fits), so that no
    // column or row hides behind a scroll bar; never larger than the MDI
    // area, where the scroll bars then reach the rest.
    QSize chrome = outer->size() - viewport()->size();
    if (verticalScrollBar()->isVisible())
        chrome.rwidth() -= verticalScrollBar()->width();
    if (horizontalScrollBar()->isVisible())
        chrome.rheight() -= horizontalScrollBar()->height();
    QSize wanted = QSize(depthmap::kColorTableWidth, std::max(depthmap::ColorTableHeight(colorCount_),
                                                              depthmap::kSwatchSize)) + chrome;
    if (QWidget* area = outer->parentWidget())
        wanted = wanted.boundedTo(area->size());
    outer->resize(wanted);
}

void TColorWnd::UpdateScrollRanges()
{
    if (Outer()->isMinimized())
        return;
    const QSize client = viewport()->size();
    const depthmap::ScrollRanges r = depthmap::ColorTableScrollRanges(colorCount_, client.width(), client.height());
    horizontalScrollBar()->setRange(0, r.horizontal);
    verticalScrollBar()->setRange(0, r.vertical);
    horizontalScrollBar()->setPageStep(std::max(1, client.width()));
    verticalScrollBar()->setPageStep(std::max(1, client.height()));
}

void TColorWnd::Paint(QPainter& painter) const
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(14);
    // Numbers in black or white only, as on a palette display.
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    const int count = std::min<int>(colorCount_, static_cast<int>(palette_.size()));
    const int rows = depthmap::ColorTableRows(count);
    for (int i = 0; i < rows * depthmap::kSwatchesPerRow; ++i) {
        const platform::PALETTEENTRY& e = palette_[static_cast<std::size_t>(i)];
        const platform::Rect s = depthmap::SwatchRect(i);
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(QColor(e.peRed, e.peGreen, e.peBlue));
        // Outlined like the other shapes: the right and bottom edges are the
        // next swatch's.
        painter.drawRect(s.left, s.top, s.right - s.left - 1, s.bottom - s.top - 1);
        const depthmap::Rgb label = depthmap::LabelColor({e.peRed, e.peGreen, e.peBlue});
        painter.setPen(QColor(label.red, label.green, label.blue));
        const platform::Point at = depthmap::SwatchLabelPoint(i);
        const QString number = QString::number(i + 1);
        // A number wider than the swatch is narrowed to fit it.
        const int width = painter.fontMetrics().horizontalAdvance(number);
        const int room = depthmap::kSwatchSize - 2;
        painter.save();
        painter.translate(at.x, at.y);
        if (width > room)
            painter.scale(static_cast<double>(room) / width, 1.0);
        painter.drawText(QPoint(-width / 2, painter.fontMetrics().ascent()), number);
        painter.restore();
    }
}

void TColorWnd::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), Qt::white);
    painter.translate(-ScrollOffset());
    Paint(painter);
}

QImage TColorWnd::MakeBitmap() const
{
    const int count = std::min<int>(colorCount_, static_cast<int>(palette_.size()));
    const int height = depthmap::ColorTableHeight(count);
    if (height < 1)
        return {};
    QImage image(depthmap::kColorTableWidth, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    Paint(painter);
    return image;
}

void TColorWnd::resizeEvent(QResizeEvent* event)
{
    TMouseWnd::resizeEvent(event);
    UpdateScrollRanges();
}

void TColorWnd::closeEvent(QCloseEvent* event)
{
    if (DocumentsBusy()) {
        event->ignore();
        return;
    }
    platform::sendMessage(frame_, platform::WM_COLORTABLECLOSED);
    event->accept();
}

bool TColorWnd::event(QEvent* event)
{
    if (event->type() == QEvent::Show && !fitted_) {
        // The size asked for is the outer window's.
        fitted_ = true;
        Outer()->resize(width_, height_);
        FitToColors();
        UpdateScrollRanges();
    }
    return TMouseWnd::event(event);
}

} // namespace depthmap_ui

#include "engine_ui/TSirdsWnd.h"

#include "depthmap_ui/ModalRun.h"

#include "engine_ui/PictureView.h"
#include "engine_ui/QtGenerationHost.h"
#include "engine_ui/TScreenWnd.h"

#include "depthmap_ui/UiMessageBox.h"
#include "engine/Generation.h"
#include "engine/SirdsSettings.h"
#include "engine/TSirdPatt.h"
#include "platform/Messages.h"
#include "resources/Resources.h"

#include "pictrans/TGraphIO.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cctype>

namespace engine_ui {

class TSirdsWnd::Link : public platform::Window {
public:
    explicit Link(TSirdsWnd* owner) : owner_(owner) {}

    int messageBox(std::string_view text, std::string_view caption, unsigned style) override
    {
        return depthmap_ui::UiMessageBox(owner_, text, caption, style);
    }
    std::intptr_t sendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override
    {
        if (message == platform::WM_STOPREQUEST) {
            StopGeneration();
            return 1;
        }
        return platform::sendMessage(owner_->frame_, message, wParam, lParam);
    }
    void update() override { owner_->viewport()->repaint(); }

    TSirdsWnd* owner() const { return owner_; }

private:
    TSirdsWnd* owner_;
};

namespace {

constexpr int kNormalCursor = 0; // not a cursor id: the arrow

} // namespace

TSirdsWnd::TSirdsWnd(QWidget* parent, const std::string& title, platform::Window* frame,
                     std::unique_ptr<platform::Bitmap> bitmap, std::unique_ptr<platform::Palette> palette, int width,
                     int height, int /*source*/, engine::SirdsSettings* settings)
    : depthmap_ui::TMouseWnd(parent), link_(std::make_unique<Link>(this)), frame_(frame), settings_(settings)
{
    // The description is refreshed from every picture set, whatever the
    // source, so it can never disagree with the picture it describes.
    SetDocKind(depthmap_ui::DocPicture);
    setWindowIcon(resources::Icon("I2"));
    setAttribute(Qt::WA_DeleteOnClose);
    horizontalScrollBar()->setSingleStep(50);
    verticalScrollBar()->setSingleStep(50);
    description_.bmWidth = std::max(0, width);
    description_.bmHeight = std::max(0, height);
    width_ = description_.bmWidth;
    height_ = description_.bmHeight;
    SetTitle(title);
    palette_ = std::move(palette);
    resize(sizeHint());
    if (bitmap)
        SetPicture(std::move(bitmap));
}

TSirdsWnd::~TSirdsWnd() = default;

platform::Window* TSirdsWnd::AsWindow()
{
    return link_.get();
}

TSirdsWnd* TSirdsWnd::FromWindow(platform::Window* window)
{
    auto* link = dynamic_cast<Link*>(window);
    return link ? link->owner() : nullptr;
}

QSize TSirdsWnd::sizeHint() const
{
    // The client area fits the picture; an empty window gets a little room
    // around its future picture.
    const int frame = 2 * frameWidth();
    if (!picture_)
        return {width_ + 30, height_ + 30};
    return QSize(width_, height_) + QSize(frame, frame);
}

void TSirdsWnd::SetPicture(std::unique_ptr<platform::Bitmap> bitmap, std::unique_ptr<platform::Palette> palette)
{
    picture_ = std::move(bitmap);
    depth16_.reset();
    if (palette)
        palette_ = std::move(palette);
    if (picture_) {
        description_ = picture_->description();
        width_ = description_.bmWidth;
        height_ = description_.bmHeight;
        if (!palette_)
            MakePalette();
        if (palette_ && !palette_->empty() && picture_->bitsPerPixel() <= 8) {
            description_.bmPlanes = 1;
            description_.bmBitsPixel = static_cast<std::uint16_t>(PaletteBits(palette_->size()));
        }
        colorCount_ = 1 << std::min<int>(description_.bmBitsPixel, 24);
    }
    ResizeToFit();
    UpdateScrollRanges();
    viewport()->update();
}

void TSirdsWnd::MakePalette()
{
    // The display is a 256-colour palette device: a picture that came
    // without colours is shown through the system palette.
    palette_ = std::make_unique<platform::Palette>(platform::Palette::system());
}

QImage TSirdsWnd::GetImage() const
{
    return picture_ ? ToQImage(*picture_, palette_.get()) : QImage();
}

void TSirdsWnd::SetTitle(const std::string& path)
{
    const auto cut = path.find_last_of("/\\");
    std::string title = cut == std::string::npos ? path : path.substr(cut + 1);
    for (char& c : title)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    title_ = title;
    UpdateCaption();
}

void TSirdsWnd::UpdateCaption()
{
    QString caption = QString::fromStdString(title_) + QStringLiteral("[*]");
    if (zoom_ != 1.0)
        caption += QStringLiteral(" (%1%)").arg(qRound(zoom_ * 100));
    setWindowTitle(caption);
    setWindowModified(!noSaveQuestion_);
}

void TSirdsWnd::SetNoSaveQuestion(bool value)
{
    noSaveQuestion_ = value;
    setWindowModified(!value);
}

long TSirdsWnd::GetImageSize() const
{
    if (!picture_)
        return 0;
    return static_cast<long>(platform::dibStride(description_.bmWidth, description_.bmBitsPixel)) *
           description_.bmHeight;
}

QWidget* TSirdsWnd::Outer()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return sub;
    return this;
}

bool TSirdsWnd::IsShownMaximised() const
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return sub->isMaximized();
    return isMaximized();
}

void TSirdsWnd::ResizeToFit()
{
    if (!picture_)
        return;
    QWidget* outer = Outer();
    if (outer->isMaximized() || outer->isMinimized())
        return;
    // Grow or shrink the outer window by what the client area lacks; once
    // the picture fits, the scroll bars go and the viewport is the client.
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, 0);
    const QSize client = contentsRect().size();
    outer->resize(outer->size() + (QSize(width_, height_) - client));
}

void TSirdsWnd::UpdateScrollRanges()
{
    if (Outer()->isMinimized())
        return;
    const QSize client = viewport()->size();
    const QPoint origin = PaintOrigin();
    horizontalScrollBar()->setRange(0, ScrollRange(width_, zoom_, client.width() - origin.x()));
    verticalScrollBar()->setRange(0, ScrollRange(height_, zoom_, client.height() - origin.y()));
    horizontalScrollBar()->setPageStep(std::max(1, client.width()));
    verticalScrollBar()->setPageStep(std::max(1, client.height()));
}

void TSirdsWnd::resizeEvent(QResizeEvent* event)
{
    depthmap_ui::TMouseWnd::resizeEvent(event);
    UpdateScrollRanges();
}

void TSirdsWnd::Zoom(int code)
{
    zoom_ = ZoomStep(zoom_, code);
    UpdateCaption();
    UpdateScrollRanges();
    viewport()->update();
}

QPoint TSirdsWnd::PaintOrigin() const
{
    if (picture_ && IsShownMaximised())
        return CentredOrigin(viewport()->size(), QSize(width_, height_), zoom_);
    return {0, 0};
}

QRect TSirdsWnd::SelectionOnScreen() const
{
    // Built from the corners' minimum and maximum: QRect::normalized() moves
    // the corners of an inverted rectangle inwards by one pixel.
    const QPoint a = Anchor();
    const QPoint d = DragPoint();
    return QRect(QPoint(std::min(a.x(), d.x()), std::min(a.y(), d.y())),
                 QPoint(std::max(a.x(), d.x()), std::max(a.y(), d.y())))
        .translated(-ScrollOffset());
}

QRect TSirdsWnd::Selection() const
{
    if (!picture_)
        return {};
    const QPoint a = Anchor();
    const QPoint d = DragPoint();
    if (a.x() == d.x() || a.y() == d.y())
        return {};
    const QPoint origin = PaintOrigin();
    auto toPicture = [&](int v, int o) { return static_cast<int>((v - o) / zoom_); };
    const int x1 = toPicture(std::min(a.x(), d.x()), origin.x());
    const int x2 = toPicture(std::max(a.x(), d.x()), origin.x());
    const int y1 = toPicture(std::min(a.y(), d.y()), origin.y());
    const int y2 = toPicture(std::max(a.y(), d.y()), origin.y());
    return QRect(x1, y1, x2 - x1, y2 - y1) & QRect(0, 0, width_, height_);
}

std::unique_ptr<platform::Bitmap> TSirdsWnd::CopySelection() const
{
    if (!picture_)
        return nullptr;
    const QRect selection = Selection();
    if (selection.isEmpty())
        return std::make_unique<platform::Bitmap>(*picture_);
    return CopyRegion(*picture_, selection);
}

int TSirdsWnd::SaveRegion(int x, int y, int width, int height, const std::string& fileName)
{
    if (!picture_)
        return 0;
    auto region = CopyRegion(*picture_, QRect(x, y, width, height));
    if (!region)
        return 0;
    TGraphIO io(frame_, AsWindow());
    // A GIF holds 256 colours at most: true colour goes to a PNG.
    io.SetGraphicFormat(fileName.ends_with(".png") ? GFORMAT_PNG : GFORMAT_GIF);
    return io.Write_File(fileName, region->description(), region.get(), palette_.get());
}

void TSirdsWnd::GrayPalette()
{
    if (!palette_)
        return;
    palette_ = std::make_unique<platform::Palette>(engine_ui::GrayPalette(*palette_));
    viewport()->update();
}

void TSirdsWnd::FullScreen()
{
    if (!picture_)
        return;
    auto* view = new TScreenWnd(GetImage());
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen)
        view->setGeometry(screen->geometry());
    view->showFullScreen();
    view->setFocus();
    // Until a key or a click closes it; then the keyboard is the frame's again.
    depthmap_ui::RunModalWindow(*view);
}

void TSirdsWnd::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    if (!picture_)
        return;
    const bool maximised = IsShownMaximised();
    if (maximised)
        painter.fillRect(event->rect(), Qt::black);
    painter.translate(-ScrollOffset());
    const QPoint origin = PaintOrigin();
    // Only the exposed part is converted and drawn: the cost of a paint
    // follows the window's size, not the picture's.
    const QRect exposed = event->rect().translated(ScrollOffset() - origin);
    const QRect source = PaintSource(exposed, zoom_, QSize(width_, height_));
    if (!source.isEmpty()) {
        const QImage part = ToQImage(*picture_, palette_.get(), source);
        const QPoint at(origin.x() + static_cast<int>(source.left() * zoom_),
                        origin.y() + static_cast<int>(source.top() * zoom_));
        painter.drawImage(QRect(at, ZoomedSize(source.size(), zoom_)), part);
    }
    if (Anchor() != DragPoint()) {
        // A one-pixel frame on the rectangle's own pixels, drawn as four
        // fills so that no pen rounding can move it.
        painter.resetTransform();
        const QRect r = SelectionOnScreen();
        painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), Qt::black);
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), Qt::black);
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), Qt::black);
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), Qt::black);
    }
}

void TSirdsWnd::LeftDrag(int x, int y)
{
    viewport()->update(SelectionOnScreen().adjusted(-1, -1, 1, 1));
    SetDragPoint(x, y);
    viewport()->update(SelectionOnScreen().adjusted(-1, -1, 1, 1));
}

void TSirdsWnd::Activated(bool active)
{
    active_ = active;
    if (!active)
        return;
    // Handled after the activation settles, as the frame's own bookkeeping
    // of the active child runs first.
    QTimer::singleShot(0, this, [this] {
        if (!active_)
            return;
        viewport()->repaint();
        if (picture_) {
            platform::sendMessage(frame_, platform::WM_STATUSREFRESH);
            emit statusRefreshRequested();
        }
    });
}

bool TSirdsWnd::CanClose()
{
    if (noSaveQuestion_)
        return true;
    const std::string text = platform::format("Save %s before closing?", title_.c_str());
    const int answer = depthmap_ui::UiMessageBox(this, text, "Confirm",
                                                 platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION);
    if (answer == platform::IDYES)
        return platform::sendMessage(frame_, platform::WM_SAVEREQUEST,
                                     reinterpret_cast<std::uintptr_t>(AsWindow())) != 0;
    return answer == platform::IDNO;
}

void TSirdsWnd::closeEvent(QCloseEvent* event)
{
    if (generating_) {
        // The generation unwinds at its next band and decides what closes.
        StopGeneration();
        event->ignore();
        return;
    }
    if (DocumentsBusy() || !CanClose()) {
        event->ignore();
        return;
    }
    // The status refresh is posted: it runs once this window is gone. The
    // MDI area outlives its children, and with it the timer goes.
    QObject* area = parentWidget() ? parentWidget()->parentWidget() : nullptr;
    if (area && frame_) {
        platform::Window* frame = frame_;
        QTimer::singleShot(0, area, [frame] { platform::sendMessage(frame, platform::WM_STATUSREFRESH); });
    }
    picture_.reset();
    palette_.reset();
    event->accept();
}

void TSirdsWnd::CloseLater()
{
    noSaveQuestion_ = true;
    QTimer::singleShot(0, Outer(), &QWidget::close);
}

engine::TSirdPatt* TSirdsWnd::PatternLibrary()
{
    if (!pattLib_) {
        const std::intptr_t answer = platform::sendMessage(frame_, platform::WM_PATTLIBREQUEST,
                                                           reinterpret_cast<std::uintptr_t>(AsWindow()));
        if (!pattLib_ && answer != 0)
            pattLib_ = reinterpret_cast<engine::TSirdPatt*>(answer);
    }
    return pattLib_;
}

void TSirdsWnd::StopGeneration()
{
    RequestGenerationStop();
}

bool TSirdsWnd::IsGenerating()
{
    return GenerationRunning();
}

namespace {

// How long a note stays in the status bar.
constexpr int kNoteMilliseconds = 10000;

engine::PatternRef PatternOf(engine::TSirdPatt* library)
{
    if (!library)
        return {};
    return {library->GetBitmap(), library->GetPalette()};
}

} // namespace

int TSirdsWnd::MakeSirdsFromPicture(PictJob& job, const engine::GenerationOptions& options)
{
    job = PictJob{};
    if (!picture_ || !settings_ || generating_)
        return 0;
    generating_ = true;
    SetCursor(resources::kBusyCursor);
    engine::GenerationResult result;
    {
        QtGenerationHost host(frame_, this, [this] { return PatternOf(PatternLibrary()); });
        engine::PictureJob request;
        request.picture = picture_.get();
        request.palette = palette_.get();
        request.title = title_;
        request.zoom = zoom_;
        request.depth16 = depth16_.get();
        request.options = options;
        result = engine::makeFromPicture(*settings_, request, host);
    }
    SetCursor(kNormalCursor);
    generating_ = false;
    viewport()->update();
    if (!result.finished())
        return 0;
    // A true-colour picture made by colour is made by brightness: the
    // status bar says so.
    if (const std::string_view note = engine::pictureDepthNote(settings_->DepthSel, *picture_); !note.empty()) {
        if (auto* frame = qobject_cast<QMainWindow*>(window()))
            frame->statusBar()->showMessage(QString::fromUtf8(note.data(), static_cast<qsizetype>(note.size())),
                                            kNoteMilliseconds);
    }
    job.width = result.picture.bitmap->width();
    job.height = result.picture.bitmap->height();
    job.bitmap = std::move(result.picture.bitmap);
    job.palette = std::make_unique<platform::Palette>(result.picture.palette);
    job.title = std::move(result.picture.title);
    return 1;
}

int TSirdsWnd::MakeSirdsFromMap(const engine::DepthMapSource& map, const engine::GenerationOptions& options)
{
    if (!settings_ || generating_)
        return 0;
    generating_ = true;
    SetCursor(resources::kBusyCursor);
    engine::GenerationResult result;
    {
        QtGenerationHost host(frame_, this, [this] { return PatternOf(PatternLibrary()); });
        engine::DepthMapJob request;
        request.map = &map;
        request.title = title_;
        request.options = options;
        result = engine::makeFromDepthMap(*settings_, request, host);
    }
    SetCursor(kNormalCursor);
    generating_ = false;
    if (!result.finished()) {
        // Nothing of the partial picture survives: the new window goes.
        picture_.reset();
        CloseLater();
        return 0;
    }
    SetPicture(std::move(result.picture.bitmap), std::make_unique<platform::Palette>(result.picture.palette));
    isSird_ = true;
    return 1;
}

int TSirdsWnd::MakeSirdsFromMath(int figureCode, const std::string& figureTitle)
{
    if (!settings_ || generating_)
        return 0;
    generating_ = true;
    SetCursor(resources::kBusyCursor);
    const bool drawOver = settings_->UseBMP != 0 && picture_ != nullptr;
    engine::GenerationResult result;
    {
        QtGenerationHost host(frame_, this, [this] { return PatternOf(PatternLibrary()); });
        engine::FigureJob request;
        request.figureCode = figureCode;
        request.title = figureTitle;
        request.drawOver = drawOver ? picture_.get() : nullptr;
        result = engine::makeFromFigure(*settings_, request, host);
    }
    SetCursor(kNormalCursor);
    generating_ = false;
    if (!result.finished()) {
        // A picture that was to be drawn over is still whole (the figure is
        // drawn into a copy), so only a window made for the figure closes.
        if (!drawOver) {
            picture_.reset();
            CloseLater();
        }
        viewport()->update();
        return 0;
    }
    SetPicture(std::move(result.picture.bitmap), std::make_unique<platform::Palette>(result.picture.palette));
    isSird_ = true;
    // A figure drawn over a loaded picture changed it: closing asks again.
    SetNoSaveQuestion(false);
    return 1;
}

} // namespace engine_ui

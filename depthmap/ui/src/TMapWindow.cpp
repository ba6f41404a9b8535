#include "depthmap_ui/TMapWindow.h"

#include "depthmap_ui/TLevelDialog.h"
#include "depthmap_ui/ModalRun.h"
#include "depthmap_ui/UiMessageBox.h"

#include "platform/Messages.h"
#include "resources/Resources.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QUndoStack>

#include <algorithm>

namespace depthmap_ui {

// The window as its document and the frame see it: message boxes are owned
// by the window, messages sent to it go on to the frame.
class TMapWindow::Link : public platform::Window {
public:
    explicit Link(TMapWindow* owner) : owner_(owner) {}
    int messageBox(std::string_view text, std::string_view caption, unsigned style) override
    {
        // A map read before it is shown owns no box yet.
        return UiMessageBox(owner_->isVisible() ? owner_ : nullptr, text, caption, style);
    }
    std::intptr_t sendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override
    {
        return platform::sendMessage(owner_->frame_, message, wParam, lParam);
    }
    void update() override { owner_->viewport()->repaint(); }
    TMapWindow* owner() const { return owner_; }

private:
    TMapWindow* owner_;
};

// The frame as the document sees it. The status refresh that follows a
// close is posted, so that the frame looks at its windows once this one is
// gone; everything else goes to the frame at once.
class TMapWindow::FrameLink : public platform::Window {
public:
    explicit FrameLink(TMapWindow* owner) : owner_(owner) {}
    int messageBox(std::string_view text, std::string_view caption, unsigned style) override
    {
        return UiMessageBox(owner_, text, caption, style);
    }
    std::intptr_t sendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override
    {
        platform::Window* frame = owner_->frame_;
        if (!frame)
            return 0;
        if (message == platform::WM_STATUSREFRESH) {
            // The MDI area outlives its children, and its timers go with it.
            auto* sub = qobject_cast<QMdiSubWindow*>(owner_->parentWidget());
            if (QMdiArea* area = sub ? sub->mdiArea() : nullptr) {
                QTimer::singleShot(0, area, [frame] { platform::sendMessage(frame, platform::WM_STATUSREFRESH); });
                return 0;
            }
        }
        return frame->sendMessage(message, wParam, lParam);
    }

private:
    TMapWindow* owner_;
};

// One change of the map in the undo history. It is pushed once the change
// is made, so its first redo has nothing to do.
class TMapWindow::EditCommand : public QUndoCommand {
public:
    EditCommand(TMapWindow* window, depthmap::MapEdit edit)
        : QUndoCommand(QString::fromLatin1(depthmap::EditName(edit))), window_(window), edit_(std::move(edit))
    {
    }
    void undo() override
    {
        window_->doc_->Undo(edit_);
        window_->Replayed();
    }
    void redo() override
    {
        if (pending_) {
            pending_ = false;
            return;
        }
        window_->doc_->Redo(edit_);
        window_->Replayed();
    }

private:
    TMapWindow* window_;
    depthmap::MapEdit edit_;
    bool pending_ = true;
};

TMapWindow::TMapWindow(QWidget* parent, const std::string& title, int width, int height, platform::Window* frame,
                       QActionGroup* toolPalette)
    : TMouseWnd(parent), link_(std::make_unique<Link>(this)), frameLink_(std::make_unique<FrameLink>(this)),
      frame_(frame), palette_(toolPalette)
{
    SetDocKind(DocDepthMap);
    setWindowIcon(resources::Icon("I3"));
    setAttribute(Qt::WA_DeleteOnClose);
    doc_ = std::make_unique<depthmap::TMapDocument>(title, width, height, link_.get(), frameLink_.get(),
                                                   static_cast<depthmap::MapView*>(this));
    undo_ = new QUndoStack(this);
    // A new map is not saved: no state of its history is the saved one.
    undo_->resetClean();
    auto follow = [this] {
        doc_->SetSaved(undo_->isClean());
        setWindowModified(!doc_->IsSaved());
    };
    connect(undo_, &QUndoStack::indexChanged, this, follow);
    connect(undo_, &QUndoStack::cleanChanged, this, follow);
    doc_->SetEditSink([this](depthmap::MapEdit edit) { Record(std::move(edit)); });
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    UpdateCaption();
    resize(sizeHint());
    SetCursor(doc_->CurrentTool());
}

TMapWindow::~TMapWindow()
{
    // The history holds objects of the map; it goes before the map. Its
    // last signals (it clears itself as it goes) must reach no one: the
    // frame may be going too.
    doc_->SetEditSink({});
    undo_->disconnect();
    delete undo_;
    undo_ = nullptr;
}

platform::Window* TMapWindow::AsWindow()
{
    return link_.get();
}

TMapWindow* TMapWindow::FromWindow(platform::Window* window)
{
    auto* link = dynamic_cast<Link*>(window);
    return link ? link->owner() : nullptr;
}

QSize TMapWindow::sizeHint() const
{
    const int frame = 2 * frameWidth();
    return QSize(doc_->Width(), doc_->Height()) + QSize(frame, frame);
}

void TMapWindow::SetToolPalette(QActionGroup* palette)
{
    palette_ = palette;
    PressPaletteButton();
}

// ---------------------------------------------------------------- files

void TMapWindow::UpdateCaption()
{
    setWindowTitle(QString::fromStdString(doc_->FileName()) + QStringLiteral("[*]"));
    setWindowModified(!doc_->IsSaved());
}

bool TMapWindow::ReadFile(const std::string& path)
{
    if (!doc_->ReadFile(path))
        return false;
    undo_->clear();
    undo_->setClean();
    direct_.clear();
    UpdateCaption();
    FitToMap();
    viewport()->update();
    emit mapChanged();
    return true;
}

bool TMapWindow::WriteFile(const std::string& path)
{
    const bool written = doc_->WriteFile(path);
    UpdateCaption();
    if (written)
        undo_->setClean();
    return written;
}

// ---------------------------------------------------------------- commands

bool TMapWindow::HandlesCommand(int id)
{
    return (id >= depthmap::kSelectTool && id <= depthmap::kCircleTool && id != depthmap::kTextTool) ||
           (id >= CM_SETLEVEL && id <= CM_OBJECTDELETE);
}

bool TMapWindow::Command(int id)
{
    if (!HandlesCommand(id))
        return false;
    if (id <= depthmap::kCircleTool) {
        doc_->ChooseTool(id);
        SetCursor(id);
        PressPaletteButton();
        return true;
    }
    if (id == CM_SETLEVEL) {
        SetLevel();
        return true;
    }
    if (Frozen())
        return true;
    switch (id) {
    case CM_OBJECTUP:
        doc_->RaiseSelected();
        break;
    case CM_OBJECTDOWN:
        doc_->LowerSelected();
        break;
    case CM_OBJECTDELETE:
        doc_->DeleteSelected();
        break;
    default:
        break;
    }
    return true;
}

void TMapWindow::SetLevel()
{
    std::int32_t level = doc_->CurrentLevel();
    TLevelDialog dialog(this, &level);
    const bool accepted = RunModal(dialog) == QDialog::Accepted;
    if (accepted)
        SetCurrentLevel(level);
}

void TMapWindow::SetCurrentLevel(int level)
{
    const int before = doc_->CurrentLevel();
    doc_->SetCurrentLevel(level);
    if (doc_->CurrentLevel() != before)
        emit levelChanged(doc_->CurrentLevel());
}

bool TMapWindow::Frozen() const
{
    return DocumentsBusy();
}

void TMapWindow::Record(depthmap::MapEdit edit)
{
    const bool added = edit.kind == depthmap::EditKind::Add;
    undo_->push(new EditCommand(this, std::move(edit)));
    emit mapChanged();
    if (added && doc_->Top() && doc_->Top()->GetLevel() <= 0)
        emit drawnAtBackground();
}

void TMapWindow::Replayed()
{
    direct_.clear();
    viewport()->update();
    emit mapChanged();
}

void TMapWindow::PressPaletteButton()
{
    if (!palette_)
        return;
    for (QAction* action : palette_->actions()) {
        if (action->data().toInt() == doc_->CurrentTool()) {
            action->setChecked(true);
            return;
        }
    }
}

// ---------------------------------------------------------------- mouse

depthmap::MouseTrack TMapWindow::Track() const
{
    depthmap::MouseTrack m;
    m.anchor = {Anchor().x(), Anchor().y()};
    m.drag = {DragPoint().x(), DragPoint().y()};
    m.right = {RightPoint().x(), RightPoint().y()};
    m.last = {LastPoint().x(), LastPoint().y()};
    m.leftPressed = LeftPressed();
    m.leftDragged = LeftDragged();
    m.rightPressed = RightPressed();
    m.rightDragged = RightDragged();
    return m;
}

void TMapWindow::TakeBack(const depthmap::MouseTrack& m)
{
    TMouseWnd::SetDragPoint(m.drag.x, m.drag.y);
    SetLastPoint(m.last.x, m.last.y);
    // Whatever was drawn for a shape that is no longer in progress goes.
    if (!doc_->InProgress() && !direct_.empty()) {
        direct_.clear();
        viewport()->update();
    } else if (!direct_.empty()) {
        viewport()->update();
    }
}

void TMapWindow::LeftDown(unsigned, QPoint point)
{
    if (Frozen())
        return;
    const int level = doc_->CurrentLevel();
    depthmap::MouseTrack m = Track();
    doc_->ToolLeftDown(m, {point.x(), point.y()}, &direct_);
    TakeBack(m);
    // The Get Object Level tool takes the level of the shape hit.
    if (doc_->CurrentLevel() != level)
        emit levelChanged(doc_->CurrentLevel());
}

void TMapWindow::LeftDrag(int x, int y)
{
    if (Frozen()) {
        TMouseWnd::LeftDrag(x, y);
        return;
    }
    const bool moving = doc_->CurrentTool() == depthmap::kMoveTool && doc_->Selected();
    depthmap::MouseTrack m = Track();
    doc_->ToolLeftDrag(m, x, y, &direct_);
    TakeBack(m);
    if (moving)
        emit mapChanged();
}

void TMapWindow::Hover(int x, int y)
{
    depthmap::MouseTrack m = Track();
    doc_->ToolHover(m, x, y, Frozen() ? nullptr : &direct_);
    TakeBack(m);
}

void TMapWindow::LeftUp(unsigned, QPoint point)
{
    if (Frozen())
        return;
    depthmap::MouseTrack m = Track();
    doc_->ToolLeftUp(m, {point.x(), point.y()});
    TakeBack(m);
}

void TMapWindow::LeftDoubleClick(unsigned, QPoint point)
{
    if (Frozen())
        return;
    depthmap::MouseTrack m = Track();
    doc_->ToolLeftDoubleClick(m, {point.x(), point.y()});
    TakeBack(m);
}

// ---------------------------------------------------------------- repaints

void TMapWindow::invalidateRect(const platform::Rect& r, bool)
{
    const QPoint offset = ScrollOffset();
    const QRect area = QRect(QPoint(std::min(r.left, r.right), std::min(r.top, r.bottom)),
                             QPoint(std::max(r.left, r.right), std::max(r.top, r.bottom)))
                           .translated(-offset);
    viewport()->update(area & viewport()->rect());
}

void TMapWindow::invalidateRegion(const platform::Region& region, bool erase)
{
    invalidateRect(region.bounds(), erase);
}

void TMapWindow::update()
{
    // A repaint of the map wipes whatever was drawn straight onto it.
    direct_.clear();
}

void TMapWindow::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), Qt::white);
    const QPoint offset = ScrollOffset();
    painter.translate(-offset);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    painter.setFont(font);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::white);
    const QRect visible = event->rect().translated(offset);
    QtDrawSurface dc(painter, visible);
    doc_->Paint(dc, {visible.left(), visible.top(), visible.right() + 1, visible.bottom() + 1});
    if (!direct_.empty()) {
        painter.setBrush(Qt::NoBrush);
        direct_.playBack(dc);
    }
}

void TMapWindow::resizeEvent(QResizeEvent* event)
{
    TMouseWnd::resizeEvent(event);
    UpdateScrollRanges();
}

void TMapWindow::UpdateScrollRanges()
{
    const QSize client = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, doc_->Width() - client.width()));
    verticalScrollBar()->setRange(0, std::max(0, doc_->Height() - client.height()));
    horizontalScrollBar()->setPageStep(std::max(1, client.width()));
    verticalScrollBar()->setPageStep(std::max(1, client.height()));
}

QWidget* TMapWindow::Outer()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return sub;
    return this;
}

void TMapWindow::FitToMap()
{
    QWidget* outer = Outer();
    if (!outer->isMaximized() && !outer->isMinimized()) {
        // With the scroll bars gone the client area is the contents rectangle;
        // the outer window grows or shrinks by what it lacks.
        horizontalScrollBar()->setRange(0, 0);
        verticalScrollBar()->setRange(0, 0);
        QSize size = outer->size() + (QSize(doc_->Width(), doc_->Height()) - contentsRect().size());
        auto* sub = qobject_cast<QMdiSubWindow*>(outer);
        if (QMdiArea* area = sub ? sub->mdiArea() : nullptr) {
            // Never larger than the MDI area: its title bar and close button
            // stay reachable, and the map scrolls.
            const QSize room = area->viewport()->size();
            if (room.width() > 0 && room.height() > 0)
                size = size.boundedTo(room);
        }
        outer->resize(size);
    }
    UpdateScrollRanges();
    viewport()->update();
}

// ---------------------------------------------------------------- life

bool TMapWindow::CanClose()
{
    return doc_->CanClose();
}

void TMapWindow::closeEvent(QCloseEvent* event)
{
    if (DocumentsBusy()) {
        event->ignore();
        return;
    }
    if (closeWithoutQuestion_) {
        frameLink_->sendMessage(platform::WM_STATUSREFRESH, 0, 0);
    } else if (!CanClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool TMapWindow::event(QEvent* event)
{
    if (event->type() == QEvent::Show && !fitted_) {
        // Set up on the screen: the tool's button pressed, the window fitted
        // to the map, the caption from the name.
        fitted_ = true;
        PressPaletteButton();
        FitToMap();
        UpdateCaption();
    }
    return TMouseWnd::event(event);
}

void TMapWindow::Activated(bool active)
{
    active_ = active;
    if (!active)
        return;
    PressPaletteButton();
    SetCursor(doc_->CurrentTool());
    // After the frame's own bookkeeping of the active child.
    QTimer::singleShot(0, this, [this] {
        if (!active_)
            return;
        platform::sendMessage(frame_, platform::WM_STATUSREFRESH);
        emit statusRefreshRequested();
    });
}

} // namespace depthmap_ui

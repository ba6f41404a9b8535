// The frame's construction, its actions, menus and bars, the state of its
// commands and the dispatch of a command to its handler. The handlers live
// by area: FileCommands, PictureCommands, WindowCommands, SettingsCommands,
// WizardCommand; the messages from the document windows in FrameMessages.

#include "gui/TDotscapeWnd.h"

#include "gui/ButtonBar.h"
#include "gui/FrameRules.h"
#include "gui/PopupHint.h"
#include "gui/QtText.h"
#include "gui/Shortcuts.h"
#include "gui/StartPage.h"
#include "gui/TCStatusBar.h"
#include "gui/TPrinterInt.h"
#include "gui/TWelcome.h"

#include "depthmap_ui/TMapWindow.h"
#include "engine/TSirdPatt.h"
#include "engine_ui/TSirdsWnd.h"
#include "resources/Resources.h"
#include "terrakit/terrakit.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>

namespace gui {

TDotscapeWnd::TDotscapeWnd(std::string configPath, TWelcome* welcome)
    : configPath_(std::move(configPath)),
      window_(this, [this](unsigned m, std::uintptr_t w, std::intptr_t l) { return HandleMessage(m, w, l); }),
      welcome_(welcome)
{
    setObjectName(QStringLiteral("Dotscape Class"));
    setWindowTitle(QStringLiteral("Dotscape"));
    setWindowIcon(resources::Icon("I1"));
    config_.load(configPath_);
    client_ = new QMdiArea(this);
    client_->setBackground(QColor(192, 192, 192));
    setCentralWidget(client_);
    hint_ = new PopupHint(this);
    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreateStatusBar();
    ConnectFileCommands();
    ConnectPictureCommands();
    ConnectWindowCommands();
    ConnectSettingsCommands();
    ConnectAnimationCommands();
    ConnectRevealCommands();
    ConnectWizardCommands();
    ConnectPreviewCommands();
    ConnectDepthMapCommands();
    ConnectDepthFitCommands();
    ReadFrameRect();
    connect(client_, &QMdiArea::subWindowActivated, this, [this] {
        UpdateMenus();
        StatusRefresh();
        UpdatePreview();
    });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TDotscapeWnd::UpdateMenus);
    // Until the set-up has run the frame counts as busy.
    SetBusy(true);
}

TDotscapeWnd::~TDotscapeWnd()
{
    // The document windows refer to the settings, the patterns and this
    // frame: they go first.
    delete client_;
    client_ = nullptr;
    // The dock reports its hiding while the window system closes the
    // frame, after this destructor: nothing of the frame may answer then.
    if (previewDock_)
        previewDock_->disconnect(this);
    UnloadFigureTitles();
}

// ---------------------------------------------------------------- building

QAction* TDotscapeWnd::MakeAction(int id, const QString& text)
{
    auto* action = new QAction(text, this);
    action->setData(id);
    action->setObjectName(QStringLiteral("cm%1").arg(id));
    // The frame's own window only: a dialog's text field keeps its letters.
    QList<QKeySequence> keys;
    for (std::string_view key : ShortcutKeys(id))
        keys << QKeySequence(fromStd(key), QKeySequence::PortableText);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    const QString hint = fromStd(HintWithShortcut(id));
    action->setStatusTip(hint);
    action->setToolTip(hint.isEmpty() ? text : hint);
    addAction(action);
    if (resources::HasButtonFace(id))
        action->setIcon(resources::ButtonIcon(id));
    actions_[id] = action;
    connect(action, &QAction::triggered, this, [this, id] { Command(id); });
    return action;
}

void TDotscapeWnd::CreateActions()
{
    const struct {
        int id;
        const char* text;
    } table[] = {
        {CM_FILENEW, "&New"},
        {CM_FILEOPEN, "&Open"},
        {CM_FILESAVE, "&Save"},
        {CM_FILESAVEAS, "&Save As..."},
        {CM_FILECLOSE, "&Close"},
        {CM_FILEPRINT, "&Print"},
        {CM_FILEPRINTERSETUP, "P&rinter Setup"},
        {CM_EXIT, "E&xit"},
        {CM_EDITUNDO, "&Undo"},
        {CM_EDITREDO, "&Redo"},
        {CM_EDITCOPY, "&Copy"},
        {CM_EDITPASTE, "&Paste"},
        {CM_VIDEOINFO, "&Video Information"},
        {CM_ZOOMIN, "Zoom &In"},
        {CM_ZOOMOUT, "Zoom &Out"},
        {CM_FULLSCREEN, "&Full Screen"},
        {CM_PREVIEW, "Live &Preview"},
        {CM_WIZARD, "SIRDS &Wizard"},
        {CM_MAKESIRDS, "&Make SIRDS"},
        {CM_MAKEANIMATION, "Make &Animation..."},
        {CM_REVEALDEPTH, "Reveal &Depth"},
        {CM_REVEALANAGLYPH, "Reveal Depth as A&naglyph"},
        {CM_GRAYIMAGE, "&Gray Image"},
        {CM_SETTINGS, "&SIRDS Settings"},
        {CM_FITDEPTH, "&Fit Depth to Zmin..Zmax"},
        {CM_PATTERNS, "SIRDS &Patterns"},
        {CM_COLORTABLE, "Color &Table"},
        {CM_MATHVERSION, "&Version"},
        {CM_CASCADE, "&Cascade"},
        {CM_TILE, "&Tile"},
        {CM_ARRANGEICONS, "Arrange &Icons"},
        {CM_CLOSEALL, "C&lose All"},
        {CM_HELPINDEX, "&Index"},
        {CM_HELPSIRDS, "&SIRDS"},
        {CM_GRAPHICSLIB, "&Graphics Lib"},
        {CM_ABOUT, "&About"},
        {CM_STOP, "Stop Current Process"},
        {CM_RELOCATE, "Relocate Button Bar"},
    };
    for (const auto& entry : table)
        MakeAction(entry.id, QString::fromLatin1(entry.text));

    tools_ = new QActionGroup(this);
    tools_->setExclusive(true);
    for (int id : ToolPaletteTools()) {
        QAction* tool = MakeAction(id, fromStd(HintText(id)));
        tool->setCheckable(true);
        tools_->addAction(tool);
    }
    for (int id : ToolPaletteCommands())
        MakeAction(id, fromStd(HintText(id)));
    actions_[CM_TOOLSELECT]->setChecked(true);
}

void TDotscapeWnd::CreateMenus()
{
    auto add = [this](QMenu* menu, std::initializer_list<int> ids) {
        for (int id : ids) {
            if (id == 0)
                menu->addSeparator();
            else
                menu->addAction(actions_.at(id));
        }
    };
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    add(fileMenu_, {CM_FILENEW, CM_FILEOPEN, CM_FILESAVE, CM_FILESAVEAS, CM_FILECLOSE, 0, CM_FILEPRINT,
                    CM_FILEPRINTERSETUP, 0, CM_EXIT});
    add(menuBar()->addMenu(QStringLiteral("&Edit")),
        {CM_EDITUNDO, CM_EDITREDO, 0, CM_EDITCOPY, CM_EDITPASTE, 0, CM_VIDEOINFO});
    add(menuBar()->addMenu(QStringLiteral("&View")), {CM_ZOOMIN, CM_ZOOMOUT, 0, CM_FULLSCREEN, 0, CM_PREVIEW});
    add(menuBar()->addMenu(QStringLiteral("S&IRDS")),
        {CM_WIZARD, CM_MAKESIRDS, CM_REVEALDEPTH, CM_REVEALANAGLYPH, CM_MAKEANIMATION, CM_GRAYIMAGE, 0, CM_SETTINGS, CM_FITDEPTH, CM_PATTERNS, CM_COLORTABLE});
    QMenu* math = menuBar()->addMenu(QStringLiteral("&Math SIRDS"));
    add(math, {CM_MATHVERSION, 0});
    windowMenu_ = menuBar()->addMenu(QStringLiteral("&Window"));
    add(windowMenu_, {CM_CASCADE, CM_TILE, CM_ARRANGEICONS, CM_CLOSEALL});
    connect(windowMenu_, &QMenu::aboutToShow, this, &TDotscapeWnd::UpdateWindowMenu);
    add(menuBar()->addMenu(QStringLiteral("&Help")), {CM_HELPINDEX, CM_HELPSIRDS, 0, CM_GRAPHICSLIB, CM_ABOUT});
    for (QAction* top : menuBar()->actions())
        if (QMenu* menu = top->menu())
            connect(menu, &QMenu::aboutToShow, this, &TDotscapeWnd::UpdateMenus);
}

void TDotscapeWnd::CreateToolBars()
{
    mainBar_ = new ButtonBar(QStringLiteral("Main"), 1000, resources::kMainButtonSize, this);
    std::size_t separator = 0;
    for (int id : MainToolBarButtons()) {
        if (id == 0)
            mainBar_->AddSeparator(MainToolBarSeparators()[separator++]);
        else
            mainBar_->AddButton(actions_.at(id));
    }
    palette_ = new ButtonBar(QStringLiteral("Depth Tools"), 1001, resources::kToolButtonSize, this);
    palette_->SetVertical(true);
    for (int id : ToolPaletteTools())
        palette_->AddButton(actions_.at(id));
    for (int id : ToolPaletteCommands())
        palette_->AddButton(actions_.at(id));
    auto report = [this](int id) { HintRequest(id); };
    mainBar_->SetHintReporter(report);
    palette_->SetHintReporter(report);
    toolBarPosition_ = -1;
    PlaceMainToolBar(config_.toolBarPosition());
}

void TDotscapeWnd::CreateStatusBar()
{
    status_ = new TCStatusBar(this);
    setStatusBar(status_);
}

void TDotscapeWnd::ReadFrameRect()
{
    if (!config_.hasFrameRect) {
        // A first run: a frame that suits the screen rather than 640 × 480.
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen) {
            const QRect a = screen->availableGeometry();
            const FrameRect r = FirstRunFrameRect({a.left(), a.top(), a.left() + a.width(), a.top() + a.height()});
            move(r.left, r.top);
            resize(r.right - r.left, r.bottom - r.top);
            return;
        }
    }
    const app::FramePlacement place = config_.framePlacement();
    if (place.maximized) {
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    move(place.x, place.y);
    resize(std::max(place.width, 1), std::max(place.height, 1));
}

void TDotscapeWnd::PlaceMainToolBar(int position)
{
    position = ToolBarPositionFromConfig(position);
    const Qt::ToolBarArea area = position == kBarTop    ? Qt::TopToolBarArea
                                 : position == kBarLeft ? Qt::LeftToolBarArea
                                                        : Qt::RightToolBarArea;
    // The bars are put back in their order: the main bar first, then the
    // palette, each in its own row at the left edge.
    removeToolBar(mainBar_);
    removeToolBar(palette_);
    mainBar_->SetVertical(position != kBarTop);
    addToolBar(area, mainBar_);
    if (area == Qt::LeftToolBarArea)
        addToolBarBreak(Qt::LeftToolBarArea);
    addToolBar(Qt::LeftToolBarArea, palette_);
    mainBar_->show();
    palette_->show();
    toolBarPosition_ = position;
    // Once the bars have their new places.
    QMetaObject::invokeMethod(this, [this] { FitToolBars(); }, Qt::QueuedConnection);
}

void TDotscapeWnd::SetupWindow()
{
    setCursor(resources::Cursor(resources::kBusyCursor));
    BuildMathMenu();
    start_ = new StartPage(client_, [this](int id) { Command(id); });
    if (windowState() & Qt::WindowMaximized)
        showMaximized();
    else
        show();
    LoadSettings();
    printer_ = std::make_unique<TPrinterInt>(this);
    if (welcome_) {
        welcome_->CloseWelcome();
        welcome_ = nullptr;
    }
    UpdatePatternButton();
    QMetaObject::invokeMethod(this, [this] { StatusRefresh(); }, Qt::QueuedConnection);
    SetBusy(false);
    unsetCursor();
}

// ---------------------------------------------------------------- state

int TDotscapeWnd::ActiveKind() const
{
    QMdiSubWindow* sub = client_ ? client_->currentSubWindow() : nullptr;
    if (!sub)
        return kKindNone;
    auto* document = qobject_cast<depthmap_ui::TMouseWnd*>(sub->widget());
    return document ? document->GetDocKind() : kKindNone;
}

engine_ui::TSirdsWnd* TDotscapeWnd::ActivePicture() const
{
    QMdiSubWindow* sub = client_ ? client_->currentSubWindow() : nullptr;
    return sub ? qobject_cast<engine_ui::TSirdsWnd*>(sub->widget()) : nullptr;
}

FrameState TDotscapeWnd::CurrentState() const
{
    FrameState s;
    s.busy = busy_;
    s.activeKind = ActiveKind();
    if (engine_ui::TSirdsWnd* picture = ActivePicture()) {
        s.pictureNoSaveQuestion = picture->GetNoSaveQuestion();
        s.zoom = picture->GetZoom();
    }
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    s.clipboardHasBitmap = clip && clip->hasImage();
    s.hasChildren = client_ && !client_->subWindowList().isEmpty();
    FillMapState(s);
    return s;
}

void TDotscapeWnd::UpdateMenus()
{
    const FrameState state = CurrentState();
    for (auto& [id, action] : actions_)
        action->setEnabled(CommandEnabled(id, state));
    if (fileMenu_)
        fileMenu_->menuAction()->setEnabled(!busy_);
}

void TDotscapeWnd::SetBusy(bool busy)
{
    busy_ = busy;
    UpdateMenus();
}

QAction* TDotscapeWnd::Action(int id) const
{
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QMdiSubWindow* TDotscapeWnd::AddDocument(QWidget* document)
{
    QMdiSubWindow* sub = client_->addSubWindow(document);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->installEventFilter(this);
    // The frame's Close (Ctrl+W) closes the active window; the window's own
    // menu keeps its other key, so the two never compete for one key.
    if (QMenu* system = sub->systemMenu()) {
        const QKeySequence closeKey(QStringLiteral("Ctrl+W"), QKeySequence::PortableText);
        for (QAction* entry : system->actions()) {
            QList<QKeySequence> keys = entry->shortcuts();
            if (keys.removeAll(closeKey) > 0)
                entry->setShortcuts(keys);
        }
    }
    if (auto* map = qobject_cast<depthmap_ui::TMapWindow*>(document))
        ConnectMapWindow(map);
    if (auto* picture = qobject_cast<engine_ui::TSirdsWnd*>(document))
        connect(picture, &engine_ui::TSirdsWnd::statusRefreshRequested, this, [this] {
            UpdateMenus();
            StatusRefresh();
        });
    sub->show();
    KeepInsideClient(sub);
    client_->setActiveSubWindow(sub);
    UpdateMenus();
    return sub;
}

// ---------------------------------------------------------------- commands

void TDotscapeWnd::OnCommand(int id, std::function<void()> handler)
{
    handlers_[id] = std::move(handler);
}

void TDotscapeWnd::Command(int id)
{
    QAction* action = Action(id);
    if (!action || !CommandEnabled(id, CurrentState()))
        return;
    auto handler = handlers_.find(id);
    if (handler != handlers_.end())
        handler->second();
    UpdateMenus();
}

void TDotscapeWnd::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FitToolBars();
}

void TDotscapeWnd::FitToolBars()
{
    // A small frame (640 × 480) gets smaller glyphs rather than buttons
    // hidden behind a chevron. The bars are laid out by now; each may reach
    // from where it starts to the status bar or the frame's right edge.
    const int bottom = status_ && status_->isVisible() ? status_->y() : height();
    for (ButtonBar* bar : {mainBar_, palette_})
        if (bar && bar->isVisible())
            bar->FitLength(bar->orientation() == Qt::Vertical ? bottom - bar->y() : width() - bar->x());
}

void TDotscapeWnd::closeEvent(QCloseEvent* event)
{
    if (busy_ || !CloseChildren()) {
        event->ignore();
        return;
    }
    if (help_)
        help_->close();
    WriteConfiguration();
    event->accept();
}

} // namespace gui

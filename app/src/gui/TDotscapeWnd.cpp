#include "gui/TDotscapeWnd.h"

#include "gui/ButtonBar.h"
#include "gui/FrameRules.h"
#include "gui/HelpWindow.h"
#include "gui/MessageBoxes.h"
#include "gui/PopupHint.h"
#include "gui/TAboutDialog.h"
#include "gui/TCStatusBar.h"
#include "gui/TPrinterInt.h"
#include "gui/TWelcome.h"

#include "app/FileKinds.h"
#include "engine/Generation.h"
#include "engine/PatternDirs.h"
#include "engine/TSirdPatt.h"
#include "engine_ui/PictureView.h"
#include "engine_ui/QtGenerationHost.h"
#include "engine_ui/TPattDialog.h"
#include "engine_ui/TSettDialog.h"
#include "engine_ui/TSirdsWnd.h"
#include "pictrans/TGIntf.h"
#include "pictrans/TGraphIO.h"
#include "platform/Messages.h"
#include "resources/Resources.h"
#include "terrakit/terrakit.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QToolButton>

#include <cstring>

namespace gui {

namespace {

constexpr const char* kOpenFilter =
    "Bitmap Files (*.BMP)|*.bmp|PCX Files (*.PCX)|*.pcx|GIF Files (*.GIF)|*.gif|Depth Map File (*.RDS)|*.rds|";
constexpr const char* kSaveFilter = "Bitmap Files (*.BMP)|*.bmp|PCX Files (*.PCX)|*.pcx|GIF Files (*.GIF)|*.gif|"
                                    "JPEG Files (*.JPG)|*.jpg|Depth Map File (*.RDS)|*.rds|";

QString fromStd(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "A (*.a)|*.a|B (*.b)|*.b|" as the list a Qt file dialog takes: the
// description already carries the pattern.
QStringList qtFilters(const QString& filter)
{
    QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out << QStringLiteral("%1 (%2)").arg(parts[i].section(QLatin1Char('('), 0, 0).trimmed(), parts[i + 1]);
    return out;
}

std::string figureTitle(int index)
{
    char buffer[TERRAKIT_TITLE_BUFFER + 1] = {};
    GetFigureTitle(index, buffer, TERRAKIT_TITLE_BUFFER);
    return buffer;
}

// The start-up loader's reports: text in the status bar, and the welcome
// window closed at the first pattern file that could not be read.
class PatternObserver : public engine::PatternLoadObserver {
public:
    PatternObserver(TCStatusBar* status, QPointer<TWelcome>& welcome) : status_(status), welcome_(welcome) {}
    void StatusText(const std::string& text) override { status_->SetMessageText(fromStd(text)); }
    void FirstFailure() override
    {
        if (welcome_) {
            welcome_->CloseWelcome();
            welcome_ = nullptr;
        }
    }

private:
    TCStatusBar* status_;
    QPointer<TWelcome>& welcome_;
};

} // namespace

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
    ReadFrameRect();
    connect(client_, &QMdiArea::subWindowActivated, this, [this] {
        UpdateMenus();
        StatusRefresh();
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
    UnloadFigureTitles();
}

// ---------------------------------------------------------------- building

QAction* TDotscapeWnd::MakeAction(int id, const QString& text)
{
    auto* action = new QAction(text, this);
    action->setData(id);
    action->setObjectName(QStringLiteral("cm%1").arg(id));
    const QString hint = fromStd(HintText(id));
    action->setStatusTip(hint);
    action->setToolTip(hint.isEmpty() ? text : hint);
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
        {CM_FILEPRINT, "&Print"},
        {CM_FILEPRINTERSETUP, "P&rinter Setup"},
        {CM_EXIT, "E&xit"},
        {CM_EDITCOPY, "&Copy"},
        {CM_EDITPASTE, "&Paste"},
        {CM_VIDEOINFO, "&Video Information"},
        {CM_ZOOMIN, "Zoom &In"},
        {CM_ZOOMOUT, "Zoom &Out"},
        {CM_FULLSCREEN, "&Full Screen"},
        {CM_WIZARD, "SIRDS &Wizard"},
        {CM_MAKESIRDS, "&Make SIRDS"},
        {CM_GRAYIMAGE, "&Gray Image"},
        {CM_SETTINGS, "&SIRDS Settings"},
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
    actions_[CM_EXIT]->setShortcut(QKeySequence::Quit);
    actions_[CM_FILEOPEN]->setShortcut(QKeySequence::Open);
    actions_[CM_EDITCOPY]->setShortcut(QKeySequence::Copy);
    actions_[CM_EDITPASTE]->setShortcut(QKeySequence::Paste);
    actions_[CM_HELPINDEX]->setShortcut(QKeySequence::HelpContents);

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
    add(fileMenu_, {CM_FILENEW, CM_FILEOPEN, CM_FILESAVE, CM_FILESAVEAS, 0, CM_FILEPRINT, CM_FILEPRINTERSETUP, 0,
                    CM_EXIT});
    add(menuBar()->addMenu(QStringLiteral("&Edit")), {CM_EDITCOPY, CM_EDITPASTE, 0, CM_VIDEOINFO});
    add(menuBar()->addMenu(QStringLiteral("&View")), {CM_ZOOMIN, CM_ZOOMOUT, 0, CM_FULLSCREEN});
    add(menuBar()->addMenu(QStringLiteral("S&IRDS")),
        {CM_WIZARD, CM_MAKESIRDS, CM_GRAYIMAGE, 0, CM_SETTINGS, CM_PATTERNS, CM_COLORTABLE});
    QMenu* math = menuBar()->addMenu(QStringLiteral("&Math SIRDS"));
    add(math, {CM_MATHVERSION, 0});
    add(menuBar()->addMenu(QStringLiteral("&Window")), {CM_CASCADE, CM_TILE, CM_ARRANGEICONS, CM_CLOSEALL});
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
}

void TDotscapeWnd::BuildMathMenu()
{
    mathMenu_ = nullptr;
    const QList<QAction*> bar = menuBar()->actions();
    for (qsizetype i = 0; i < bar.size() && i < 20; ++i) {
        if (bar[i]->menu() && bar[i]->text().left(40) == QLatin1String("&Math SIRDS")) {
            mathMenu_ = bar[i]->menu();
            break;
        }
    }
    InitFigureTitles();
    const int count = GetFigureCount();
    for (int i = 0; i < count && CM_FIGUREFIRST + i <= CM_FIGURELAST; ++i) {
        const int id = CM_FIGUREFIRST + i;
        if (actions_.count(id) || !mathMenu_)
            continue;
        QAction* action = MakeAction(id, fromStd(figureTitle(i)));
        mathMenu_->addAction(action);
    }
}

void TDotscapeWnd::LoadSettings()
{
    const engine::PatternDirs dirs = engine::DefaultPatternDirs();
    PatternObserver observer(status_, welcome_);
    patterns_ = engine::LoadPatterns(FrameWindow(), dirs.userDir, dirs.searchDirs, config_.Select, config_.Count,
                                     &observer);
    status_->SetMessageText(QString());
    format_ = config_.Format;
    const app::DemoSettings& d = config_.demo;
    settings_.dx = d.dx;
    settings_.dy = d.dy;
    settings_.da = d.da;
    settings_.zmin = d.zmin;
    settings_.zmax = d.zmax;
    settings_.w = d.w;
    settings_.h = d.h;
    settings_.Marker = d.Marker;
    settings_.UseBMP = d.UseBMP;
    settings_.DepthSel = d.DepthSel;
    settings_.ShiftDir = d.ShiftDir;
    settings_.gapValue = d.gapValue;
}

void TDotscapeWnd::SetupWindow()
{
    setCursor(resources::Cursor(resources::kBusyCursor));
    BuildMathMenu();
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
    if (auto* picture = qobject_cast<engine_ui::TSirdsWnd*>(document))
        connect(picture, &engine_ui::TSirdsWnd::statusRefreshRequested, this, [this] {
            UpdateMenus();
            StatusRefresh();
        });
    sub->show();
    client_->setActiveSubWindow(sub);
    UpdateMenus();
    return sub;
}

// ---------------------------------------------------------------- commands

void TDotscapeWnd::Command(int id)
{
    QAction* action = Action(id);
    if (!action || !CommandEnabled(id, CurrentState()))
        return;
    if (id >= CM_FIGUREFIRST && id <= CM_FIGURELAST) {
        MakeFigure(id);
        UpdateMenus();
        return;
    }
    switch (id) {
    case CM_FILEOPEN:
        CmFileOpen();
        break;
    case CM_FILESAVE:
        CmFileSave();
        break;
    case CM_FILEPRINT:
        CmPrint();
        break;
    case CM_FILEPRINTERSETUP:
        CmPrinterSetup();
        break;
    case CM_EXIT:
        close();
        break;
    case CM_EDITCOPY:
        CmCopy();
        break;
    case CM_EDITPASTE:
        CmPaste();
        break;
    case CM_VIDEOINFO:
        CmVideoInfo();
        break;
    case CM_ZOOMIN:
        CmZoom(engine_ui::ZoomIn);
        break;
    case CM_ZOOMOUT:
        CmZoom(engine_ui::ZoomOut);
        break;
    case CM_FULLSCREEN:
        CmFullScreen();
        break;
    case CM_MAKESIRDS:
        CmMakeSirds();
        break;
    case CM_GRAYIMAGE:
        CmGrayImage();
        break;
    case CM_SETTINGS:
        CmSettings();
        break;
    case CM_PATTERNS:
        CmPatterns();
        break;
    case CM_COLORTABLE:
        CmColorTable();
        break;
    case CM_MATHVERSION:
        CmMathVersion();
        break;
    case CM_CASCADE:
        client_->cascadeSubWindows();
        break;
    case CM_TILE:
        client_->tileSubWindows();
        break;
    case CM_ARRANGEICONS:
        ArrangeIcons();
        break;
    case CM_CLOSEALL:
        CloseChildren();
        break;
    case CM_HELPINDEX:
        CmHelp(false);
        break;
    case CM_HELPSIRDS:
        CmHelp(true);
        break;
    case CM_GRAPHICSLIB:
        CmGraphicsLib();
        break;
    case CM_ABOUT:
        CmAbout();
        break;
    case CM_STOP:
        CmStop();
        break;
    case CM_RELOCATE:
        emit relocateRequested();
        break;
    default:
        break;
    }
    UpdateMenus();
}

void TDotscapeWnd::ArrangeIcons()
{
    // Minimised windows line up from the bottom-left corner of the MDI area,
    // a new row above when one row is full.
    const QSize area = client_->viewport()->size();
    int x = 0;
    int row = 0;
    for (QMdiSubWindow* sub : client_->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isMinimized())
            continue;
        const QSize size = sub->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            ++row;
        }
        sub->move(x, area.height() - (row + 1) * size.height());
        x += size.width();
    }
}

QString TDotscapeWnd::ChooseFile(bool save, const QString& filter, int filterIndex, const QString& extension)
{
    if (chooseFile_)
        return chooseFile_(save, filter, filterIndex, extension);
    const QStringList filters = qtFilters(filter);
    QFileDialog dialog(this, save ? QStringLiteral("Save") : QStringLiteral("Open"));
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters[filterIndex - 1]);
    dialog.setDefaultSuffix(extension.toLower());
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Saving replaces a file of the same name without asking.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

void TDotscapeWnd::CmFileOpen()
{
    status_->ClearHintText();
    const QString name = ChooseFile(false, QString::fromLatin1(kOpenFilter), format_,
                                    fromStd(OpenDefaultExtension(format_)));
    if (!name.isEmpty())
        OpenFile(name);
}

void TDotscapeWnd::OpenFile(const QString& qname)
{
    setCursor(resources::Cursor(resources::kBusyCursor));
    repaint();
    const std::string name = qname.toStdString();
    if (IsDepthMapName(name)) {
        // The depth map editor is not part of this program yet: depth map
        // files cannot be shown.
        format_ = kFormatDepthMap;
        status_->SetMessageText(fromStd(ReadingText(format_)));
        MessageBox(this, QStringLiteral("Error Opening the Depth Map file"), QStringLiteral("Error"),
                   platform::MB_OK | platform::MB_ICONINFORMATION);
    } else {
        TGraphIO detect(FrameWindow(), FrameWindow());
        format_ = detect.GetGraphicFormat(name);
        status_->SetMessageText(fromStd(ReadingText(format_)));
        TGraphIO reader(FrameWindow(), FrameWindow());
        std::unique_ptr<platform::Bitmap> bitmap = reader.Read_File(name);
        if (!bitmap) {
            MessageBox(this, QStringLiteral("Error Opening the Bitmap file"), QStringLiteral("Error"),
                       platform::MB_OK | platform::MB_ICONINFORMATION);
        } else {
            auto* picture = new engine_ui::TSirdsWnd(nullptr, name, FrameWindow(), nullptr, nullptr, 200, 20,
                                                     engine_ui::SourcePicture, &settings_);
            picture->SetPattLib(patterns_.get());
            picture->SetPicture(std::move(bitmap), reader.GetPalette());
            picture->SetNoSaveQuestion(true);
            AddDocument(picture);
        }
    }
    status_->SetMessageText(QString());
    StatusRefresh();
    unsetCursor();
}

void TDotscapeWnd::CmFileSave()
{
    status_->ClearHintText();
    const int kind = ActiveKind();
    if (kind != kKindColorTable) {
        const QString name = ChooseFile(true, QString::fromLatin1(kSaveFilter), format_,
                                        fromStd(SaveDefaultExtension(format_)));
        if (!name.isEmpty())
            SaveActiveAs(name);
    }
    repaint();
}

bool TDotscapeWnd::SaveActiveAs(const QString& qname)
{
    engine_ui::TSirdsWnd* picture = ActivePicture();
    if (!picture || !picture->GetPicture())
        return false;
    repaint();
    setCursor(resources::Cursor(resources::kBusyCursor));
    // The file keeps the name as typed (on this system the case of every
    // folder matters); only the format is chosen without regard to case.
    const std::string name = qname.toStdString();
    format_ = app::formatForSaveName(name);
    TGraphIO writer(FrameWindow(), picture->AsWindow());
    writer.SetGraphicFormat(format_);
    status_->SetMessageText(fromStd(WritingText(format_)));
    const bool saved = writer.Write_File(name, picture->GetBitmapDescription(), picture->GetPicture(),
                                         picture->GetPalette()) != 0;
    picture->SetNoSaveQuestion(saved);
    if (saved)
        picture->SetTitle(name);
    status_->SetMessageText(QString());
    unsetCursor();
    UpdateMenus();
    return saved;
}

void TDotscapeWnd::CmPrint()
{
    engine_ui::TSirdsWnd* picture = ActivePicture();
    if (!picture || !picture->GetPicture() || !printer_)
        return;
    setCursor(resources::Cursor(resources::kBusyCursor));
    PrintPicture(*printer_, picture->GetImage(), fromStd(picture->GetTitle()), this, status_);
    unsetCursor();
}

void TDotscapeWnd::CmPrinterSetup()
{
    if (printer_)
        printer_->PrinterSetup(this);
}

void TDotscapeWnd::CmCopy()
{
    engine_ui::TSirdsWnd* picture = ActivePicture();
    if (!picture)
        return;
    std::unique_ptr<platform::Bitmap> copy = picture->CopySelection();
    if (!copy)
        return;
    QGuiApplication::clipboard()->setImage(engine_ui::ToQImage(*copy, picture->GetPalette()));
}

void TDotscapeWnd::CmPaste()
{
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull())
        return;
    platform::Palette palette;
    std::unique_ptr<platform::Bitmap> bitmap = engine_ui::FromQImage(image, palette);
    if (!bitmap)
        return;
    auto colours = palette.empty() ? nullptr : std::make_unique<platform::Palette>(palette);
    auto* picture = new engine_ui::TSirdsWnd(nullptr, "untitled", FrameWindow(), std::move(bitmap),
                                             std::move(colours), 200, 40, engine_ui::SourcePicture, &settings_);
    picture->SetPattLib(patterns_.get());
    AddDocument(picture);
    StatusRefresh();
}

void TDotscapeWnd::CmVideoInfo()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int depth = screen ? screen->depth() : 8;
    MessageBox(this, fromStd(VideoInfoText(VideoColors(depth))), QStringLiteral("Video Information"),
               platform::MB_OK | platform::MB_ICONINFORMATION);
}

void TDotscapeWnd::CmZoom(int code)
{
    if (engine_ui::TSirdsWnd* picture = ActivePicture())
        picture->Zoom(code);
}

void TDotscapeWnd::CmFullScreen()
{
    if (engine_ui::TSirdsWnd* picture = ActivePicture())
        picture->FullScreen();
}

void TDotscapeWnd::CmGrayImage()
{
    if (engine_ui::TSirdsWnd* picture = ActivePicture())
        picture->GrayPalette();
}

void TDotscapeWnd::CmMakeSirds()
{
    engine_ui::TSirdsWnd* source = ActivePicture();
    if (source) {
        if (source->IsSird()) {
            MessageBox(this, QStringLiteral("The active window is already a SIRD."), QStringLiteral("Note"),
                       platform::MB_OK | platform::MB_ICONINFORMATION);
            return;
        }
        source->SetPattLib(patterns_.get());
        engine_ui::TSirdsWnd::PictJob job;
        if (source->MakeSirdsFromPicture(job) && job.bitmap) {
            auto* result = new engine_ui::TSirdsWnd(nullptr, job.title, FrameWindow(), std::move(job.bitmap),
                                                    std::move(job.palette), job.width, job.height,
                                                    engine_ui::SourcePicture, &settings_);
            result->SetSird(true);
            result->SetPattLib(patterns_.get());
            AddDocument(result);
            StatusRefresh();
        }
    }
    repaint();
}

void TDotscapeWnd::MakeFigure(int id)
{
    const int index = id - CM_FIGUREFIRST;
    const std::string title = figureTitle(index);
    const int code = -(id - (CM_FIGUREFIRST - 1));
    engine_ui::TSirdsWnd* active = ActivePicture();
    if (active && settings_.UseBMP != 0) {
        active->SetPattLib(patterns_.get());
        active->MakeSirdsFromMath(code, title);
        StatusRefresh();
        return;
    }
    auto* picture = new engine_ui::TSirdsWnd(nullptr, title, FrameWindow(), nullptr, nullptr, settings_.w,
                                             settings_.h, code, &settings_);
    picture->SetPattLib(patterns_.get());
    AddDocument(picture);
    // A stopped or refused figure closes its window by itself.
    if (picture->MakeSirdsFromMath(code, title)) {
        picture->SetSird(true);
        picture->SetSettings(&settings_);
        StatusRefresh();
    }
}

void TDotscapeWnd::CmSettings()
{
    engine_ui::TSettDialog dialog(this, &settings_);
    dialog.exec();
}

void TDotscapeWnd::CmPatterns()
{
    if (!patterns_)
        return;
    engine_ui::TPattDialog dialog(this, patterns_.get(), FrameWindow(), ActiveKind() == kKindPicture);
    dialog.exec();
    UpdatePatternButton();
}

void TDotscapeWnd::CmColorTable()
{
    if (ActiveKind() != kKindPicture) {
        MessageBox(this, QStringLiteral("Please open or select a Bitmap Graphic window."),
                   QStringLiteral("Color Table"), platform::MB_OK | platform::MB_ICONEXCLAMATION);
    }
}

void TDotscapeWnd::CmMathVersion()
{
    char version[16] = {};
    GetLibVersion(version);
    MessageBox(this, QStringLiteral("Math Library Version %1").arg(QString::fromLatin1(version)),
               QStringLiteral("Dotscape"), platform::MB_OK | platform::MB_ICONINFORMATION);
}

void TDotscapeWnd::CmHelp(bool overview)
{
    if (!help_)
        help_ = new HelpWindow(this);
    if (overview)
        help_->ShowKeyword(QString::fromLatin1(kOverviewKeyword));
    else
        help_->ShowIndex();
}

void TDotscapeWnd::CmGraphicsLib()
{
    char version[64] = {};
    TGraphIO::GetVersionString(version);
    MessageBox(this, QString::fromLatin1(version), QStringLiteral("Graphics Library"),
               platform::MB_OK | platform::MB_ICONINFORMATION);
}

void TDotscapeWnd::CmAbout()
{
    TAboutDialog dialog(this);
    dialog.exec();
}

void TDotscapeWnd::CmStop()
{
    engine_ui::TSirdsWnd::StopGeneration();
    SetBusy(false);
}

// ---------------------------------------------------------------- messages

std::intptr_t TDotscapeWnd::HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    switch (message) {
    case platform::WM_STOPREQUEST:
        engine_ui::TSirdsWnd::StopGeneration();
        return 0;
    case platform::WM_PATTLIBREQUEST: {
        auto* asker = engine_ui::TSirdsWnd::FromWindow(reinterpret_cast<platform::Window*>(wParam));
        if (!asker)
            asker = ActivePicture();
        if (asker)
            asker->SetPattLib(patterns_.get());
        return reinterpret_cast<std::intptr_t>(patterns_.get());
    }
    case platform::WM_COLORTABLECLOSED:
        return 0;
    case platform::WM_SAVEREQUEST:
        return SaveRequest(wParam);
    case platform::WM_STATUSREFRESH:
        StatusRefresh();
        UpdateMenus();
        return 0;
    case platform::WM_PROGRESSREPORT:
        ProgressReport(static_cast<int>(wParam), lParam);
        return 0;
    case platform::WM_ADDPATTERN:
        return AddPattern(static_cast<int>(wParam));
    case platform::WM_HINTREQUEST:
        HintRequest(static_cast<int>(static_cast<std::intptr_t>(wParam)));
        return 0;
    case platform::WM_GRAPHSTATUS:
        GraphicsStatus(static_cast<int>(wParam), lParam);
        return 0;
    default:
        return 0;
    }
}

void TDotscapeWnd::ProgressReport(int phase, std::intptr_t lParam)
{
    const auto* record = reinterpret_cast<const engine::ProgressRecord*>(lParam);
    const QString text = record ? QString::fromLatin1(record->text, static_cast<qsizetype>(
                                                                        strnlen(record->text, sizeof record->text)))
                                : QString();
    switch (phase) {
    case engine::kProgressStart:
        status_->ClearHintText();
        SetBusy(true);
        setCursor(resources::Cursor(resources::kBusyCursor));
        status_->SetProgress(0);
        status_->SetMessageText(text);
        status_->repaint();
        break;
    case engine::kProgressEnd:
        status_->SetProgress(100);
        status_->SetProgress(0);
        status_->HideProgress();
        status_->SetMessageText(QString());
        status_->repaint();
        unsetCursor();
        SetBusy(false);
        break;
    case engine::kProgressText:
    case engine::kProgressStep:
        if (record)
            status_->SetProgress(ProgressPercent(record->done, record->total));
        status_->SetMessageText(text);
        status_->repaint();
        break;
    default:
        if (record)
            status_->SetProgress(ProgressPercent(record->done, record->total));
        status_->SetMessageText(QString());
        break;
    }
}

void TDotscapeWnd::GraphicsStatus(int kind, std::intptr_t lParam)
{
    const auto* record = reinterpret_cast<const GRAPHSTATUS*>(lParam);
    if (!record)
        return;
    const QString text =
        QString::fromLatin1(record->text, static_cast<qsizetype>(strnlen(record->text, sizeof record->text)));
    switch (kind) {
    case GSTATUS_TEXT:
        status_->SetMessageText(text);
        break;
    case GSTATUS_PROGRESS:
        status_->SetMessageText(text);
        status_->SetProgress(ProgressPercent(record->done, record->total));
        break;
    case GSTATUS_DONE:
        // The finished report carries no text: the reading or writing text
        // would otherwise stay after the work, as after adding a pattern.
        status_->HideProgress();
        status_->SetMessageText(QString());
        break;
    default:
        break;
    }
}

std::intptr_t TDotscapeWnd::SaveRequest(std::uintptr_t wParam)
{
    auto* picture = engine_ui::TSirdsWnd::FromWindow(reinterpret_cast<platform::Window*>(wParam));
    if (!picture)
        return 0;
    for (QMdiSubWindow* sub : client_->subWindowList()) {
        if (sub->widget() == picture) {
            client_->setActiveSubWindow(sub);
            break;
        }
    }
    const QString name = ChooseFile(true, QString::fromLatin1(kSaveFilter), format_,
                                    fromStd(SaveDefaultExtension(format_)));
    // The window may close only when its picture was written.
    return !name.isEmpty() && SaveActiveAs(name) ? 1 : 0;
}

std::intptr_t TDotscapeWnd::AddPattern(int number)
{
    engine_ui::TSirdsWnd* picture = ActivePicture();
    if (!picture || !patterns_)
        return 0;
    const std::string directory = patterns_->GetDirectory();
    engine::MakeDirectories(directory);
    const std::string path = engine::JoinPath(directory, engine::PatternFileName(number));
    if (!picture->SaveRegion(0, 0, 100, 100, path))
        return 0;
    return patterns_->AddFromFile(path) ? 1 : 0;
}

void TDotscapeWnd::HintRequest(int id)
{
    if (id < 1) {
        hint_->HideHint();
        hint_->ShowHint(-1);
        return;
    }
    if (!hint_->Visible() || hint_->CurrentId() != id) {
        hint_->HideHint();
        if (QMdiSubWindow* sub = client_->currentSubWindow())
            sub->repaint();
        hint_->ShowHint(id);
    }
}

void TDotscapeWnd::StatusRefresh()
{
    if (!status_)
        return;
    const int kind = ActiveKind();
    if (kind == kKindNone) {
        status_->SetMessageText(QString());
        status_->SetImageText(QString());
    } else if (kind == kKindPicture) {
        engine_ui::TSirdsWnd* picture = ActivePicture();
        const platform::BITMAP& bm = picture->GetBitmapDescription();
        if (!picture->GetPicture() || bm.bmWidth < 1) {
            status_->SetMessageText(QString());
            status_->SetImageText(QString());
        } else {
            status_->SetImageText(fromStd(ImageSizeText(picture->GetImageSize())));
            status_->SetMessageText(fromStd(DimensionsText(bm.bmWidth, bm.bmHeight, bm.bmBitsPixel)));
        }
    } else if (kind == kKindColorTable) {
        status_->SetImageText(QString());
    }
    const long available = SystemMemAvailableKb();
    status_->SetMemoryText(available >= 0 ? fromStd(MemoryText(available)) : QString());
    status_->repaint();
}

void TDotscapeWnd::UpdatePatternButton()
{
    QAction* action = Action(CM_PATTERNS);
    if (!action || !patterns_ || !patterns_->GetBitmap())
        return;
    const int size = resources::kMainButtonSize;
    QImage face(size, size, QImage::Format_RGB32);
    face.fill(palette().color(QPalette::Button));
    const QImage pattern = engine_ui::ToQImage(*patterns_->GetBitmap(), patterns_->GetPalette());
    {
        QPainter painter(&face);
        painter.drawImage(QPoint(2, 2), pattern, QRect(0, 0, size - 4, size - 4));
    }
    action->setIcon(QIcon(QPixmap::fromImage(face)));
}

// ---------------------------------------------------------------- closing

bool TDotscapeWnd::WriteConfiguration()
{
    config_.CntlBar = toolBarPosition_;
    config_.Format = format_;
    if (patterns_) {
        config_.Select = patterns_->GetSelection();
        config_.Count = patterns_->GetCount();
    }
    app::DemoSettings& d = config_.demo;
    d.dx = settings_.dx;
    d.dy = settings_.dy;
    d.da = settings_.da;
    d.zmin = settings_.zmin;
    d.zmax = settings_.zmax;
    d.w = settings_.w;
    d.h = settings_.h;
    d.gapValue = settings_.gapValue;
    d.Marker = settings_.Marker;
    d.UseBMP = settings_.UseBMP;
    d.DepthSel = settings_.DepthSel;
    d.ShiftDir = settings_.ShiftDir;
    // The position is the outer frame's, the size the window's own, so a
    // restart puts the frame back exactly where and as large as it was.
    const QRect outer = frameGeometry();
    const app::ScreenRect frame{outer.left(), outer.top(), outer.left() + width(), outer.top() + height()};
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect desk = screen ? screen->virtualGeometry() : outer;
    config_.storeFrameRect(frame, {desk.left(), desk.top(), desk.left() + desk.width(), desk.top() + desk.height()});
    return config_.save(configPath_);
}

bool TDotscapeWnd::CanCloseChildren()
{
    // Every window is asked before any closes, so that Cancel at any of the
    // questions keeps every window, those answered No included. A window
    // answered No must not ask again when it is then closed; if a later one
    // refuses it asks again next time.
    std::vector<engine_ui::TSirdsWnd*> answeredNo;
    auto undo = [&answeredNo] {
        for (engine_ui::TSirdsWnd* picture : answeredNo)
            picture->SetNoSaveQuestion(false);
    };
    for (QMdiSubWindow* sub : client_->subWindowList()) {
        auto* picture = qobject_cast<engine_ui::TSirdsWnd*>(sub->widget());
        if (!picture || picture->GetNoSaveQuestion())
            continue;
        if (!picture->CanClose()) {
            undo();
            return false;
        }
        if (!picture->GetNoSaveQuestion()) {
            picture->SetNoSaveQuestion(true);
            answeredNo.push_back(picture);
        }
    }
    return true;
}

bool TDotscapeWnd::CloseChildren()
{
    if (!CanCloseChildren())
        return false;
    for (QMdiSubWindow* sub : client_->subWindowList())
        if (!sub->close())
            return false;
    return true;
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

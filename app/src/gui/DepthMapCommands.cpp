// The depth map editor's commands: a new map, opening and saving maps,
// the tools and commands of the tool palette for the active map, undo and
// redo of its changes, a stereogram made from it; and the colour table
// window, its Copy, and the status panes of a map.

#include "gui/TDotscapeWnd.h"

#include "gui/FrameRules.h"
#include "gui/MessageBoxes.h"
#include "gui/QtText.h"
#include "gui/TCStatusBar.h"

#include "app/FileKinds.h"
#include "depthmap_ui/TColorWnd.h"
#include "depthmap_ui/TMapWindow.h"
#include "engine/MapGeneration.h"
#include "engine_ui/QtGenerationHost.h"
#include "engine_ui/TSirdsWnd.h"
#include "platform/Window.h"
#include "resources/Resources.h"

#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QUndoStack>

namespace gui {

namespace {

constexpr int kOpenedMapSize = 400;

} // namespace

void TDotscapeWnd::ConnectDepthMapCommands()
{
    OnCommand(CM_FILENEW, [this] { CmFileNew(); });
    for (int id = CM_TOOLFIRST; id <= CM_OBJECTDELETE; ++id) {
        OnCommand(id, [this, id] {
            if (depthmap_ui::TMapWindow* map = ActiveMap())
                map->Command(id);
        });
    }
    OnCommand(CM_EDITUNDO, [this] { CmUndo(true); });
    OnCommand(CM_EDITREDO, [this] { CmUndo(false); });
    OnCommand(CM_COLORTABLE, [this] { CmColorTable(); });
}

depthmap_ui::TMapWindow* TDotscapeWnd::ActiveMap() const
{
    QMdiSubWindow* sub = client_ ? client_->currentSubWindow() : nullptr;
    return sub ? qobject_cast<depthmap_ui::TMapWindow*>(sub->widget()) : nullptr;
}

depthmap_ui::TColorWnd* TDotscapeWnd::ColorTable() const
{
    return colorTable_;
}

void TDotscapeWnd::FillMapState(FrameState& s) const
{
    if (depthmap_ui::TMapWindow* map = ActiveMap()) {
        s.mapSaved = map->IsSaved();
        // Not while the mouse is changing the map.
        s.mapCanUndo = map->UndoStack()->canUndo() && !map->LeftPressed();
        s.mapCanRedo = map->UndoStack()->canRedo() && !map->LeftPressed();
    }
}

void TDotscapeWnd::ConnectMapWindow(depthmap_ui::TMapWindow* map)
{
    auto refresh = [this] {
        UpdateMenus();
        StatusRefresh();
    };
    connect(map, &depthmap_ui::TMapWindow::statusRefreshRequested, this, refresh);
    connect(map, &depthmap_ui::TMapWindow::levelChanged, this, [this, map](int level) {
        if (map == ActiveMap())
            status_->SetLevelText(fromStd(LevelText(level)));
    });
    connect(map, &depthmap_ui::TMapWindow::drawnAtBackground, this,
            [this] { status_->ShowNote(fromStd(std::string(BackgroundShapeNote()))); });
    QUndoStack* undo = map->UndoStack();
    connect(undo, &QUndoStack::cleanChanged, this, &TDotscapeWnd::UpdateMenus);
    connect(undo, &QUndoStack::canUndoChanged, this, &TDotscapeWnd::UpdateMenus);
    connect(undo, &QUndoStack::canRedoChanged, this, &TDotscapeWnd::UpdateMenus);
    connect(undo, &QUndoStack::indexChanged, this, &TDotscapeWnd::UpdateMenus);
}

void TDotscapeWnd::CmFileNew()
{
    auto* map = new depthmap_ui::TMapWindow(nullptr, "untitled", settings_.w, settings_.h, FrameWindow(), tools_);
    AddDocument(map);
    StatusRefresh();
}

depthmap_ui::TMapWindow* TDotscapeWnd::OpenDepthMap(const QString& name)
{
    format_ = kFormatDepthMap;
    status_->SetMessageText(fromStd(ReadingText(format_)));
    // The window takes the part of the name after its last separator.
    auto* map = new depthmap_ui::TMapWindow(nullptr, name.toStdString(), kOpenedMapSize, kOpenedMapSize,
                                            FrameWindow(), tools_);
    // Read before it is shown: a map that cannot be read never appears.
    if (map->ReadFile(name.toStdString())) {
        AddDocument(map);
        return map;
    }
    // It closes without a question after the failed read, so the
    // provisional map can never be saved over the file.
    map->close();
    MessageBox(this, QStringLiteral("Error Opening the Depth Map file"), QStringLiteral("Error"),
               platform::MB_OK | platform::MB_ICONINFORMATION);
    return nullptr;
}

bool TDotscapeWnd::SaveMap(depthmap_ui::TMapWindow* map, const QString& qname)
{
    const std::string name = qname.toStdString();
    // The format code follows the name, the file is a depth map whatever it is.
    format_ = app::formatForSaveName(name);
    setCursor(resources::Cursor(resources::kBusyCursor));
    status_->SetMessageText(fromStd(WritingText(kFormatDepthMap)));
    const bool saved = map->WriteFile(name);
    status_->SetMessageText(QString());
    unsetCursor();
    if (!saved)
        MessageBox(this, QStringLiteral("The depth map could not be written to %1.").arg(qname),
                   QStringLiteral("Error"), platform::MB_OK | platform::MB_ICONSTOP);
    UpdateMenus();
    return saved;
}

std::intptr_t TDotscapeWnd::SaveMapRequest(depthmap_ui::TMapWindow* map)
{
    for (QMdiSubWindow* sub : client_->subWindowList()) {
        if (sub->widget() == map) {
            client_->setActiveSubWindow(sub);
            break;
        }
    }
    const QString name = ChooseFile(true);
    return !name.isEmpty() && SaveMap(map, name) ? 1 : 0;
}

engine_ui::TSirdsWnd* TDotscapeWnd::MakeSirdsFromMap(depthmap_ui::TMapWindow* map)
{
    const platform::BITMAP info = map->GetMapInfo();
    engine_ui::TSirdsWnd* made = nullptr;
    // While the generation runs the map refuses every change.
    engine::MapDocumentSource source(map->Document());
    const std::optional<engine::GenerationOptions> options =
        DepthOptions(fromStd(map->Document().FileName()), [&] { return engine::mapDepthRange(source); });
    if (!options)
        return nullptr;
    {
        // Busy, with Stop offered, until the new window shows the result.
        engine_ui::GenerationSession session;
        auto* picture = new engine_ui::TSirdsWnd(nullptr, "untitled", FrameWindow(), nullptr, nullptr, info.bmWidth,
                                                 info.bmHeight, engine_ui::SourceDepthMap, &settings_);
        picture->SetPattLib(patterns_.get());
        QMdiSubWindow* sub = AddDocument(picture);
        status_->SetMessageText(QString());
        status_->SetImageText(QString());
        // A stopped or refused stereogram closes its window by itself.
        if (picture->MakeSirdsFromMap(source, *options)) {
            picture->SetSird(true);
            picture->SetSettings(&settings_);
            if (ShowMadeWindow(session, sub, picture))
                made = picture;
        }
    }
    // After the session's closing report, which clears the message pane.
    if (made)
        StatusRefresh();
    return made;
}

void TDotscapeWnd::CmUndo(bool undo)
{
    depthmap_ui::TMapWindow* map = ActiveMap();
    if (!map || map->LeftPressed())
        return;
    if (undo)
        map->UndoStack()->undo();
    else
        map->UndoStack()->redo();
}

void TDotscapeWnd::CmColorTable()
{
    engine_ui::TSirdsWnd* picture = ActivePicture();
    if (!picture) {
        MessageBox(this, QStringLiteral("Please open or select a Bitmap Graphic window."),
                   QStringLiteral("Color Table"), platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return;
    }
    if (!colorTable_) {
        colorTable_ = new depthmap_ui::TColorWnd(nullptr, "Color Table", 392, 410, FrameWindow());
        AddDocument(colorTable_);
    } else if (auto* sub = qobject_cast<QMdiSubWindow*>(colorTable_->parentWidget())) {
        client_->setActiveSubWindow(sub);
    }
    if (const platform::Palette* palette = picture->GetPalette())
        colorTable_->SetPalette(*palette);
    StatusRefresh();
}

bool TDotscapeWnd::CopyColorTable()
{
    if (!colorTable_ || ActiveKind() != kKindColorTable)
        return false;
    const QImage image = colorTable_->MakeBitmap();
    if (image.isNull())
        return false;
    QGuiApplication::clipboard()->setImage(image);
    return true;
}

void TDotscapeWnd::MapStatus()
{
    depthmap_ui::TMapWindow* map = ActiveMap();
    if (!map)
        return;
    const platform::BITMAP info = map->GetMapInfo();
    status_->SetMessageText(fromStd(DimensionsText(info.bmWidth, info.bmHeight, info.bmBitsPixel)));
    status_->SetImageText(fromStd(ImageSizeText(map->ImageSize())));
    status_->SetLevelText(fromStd(LevelText(map->CurrentLevel())));
}

} // namespace gui

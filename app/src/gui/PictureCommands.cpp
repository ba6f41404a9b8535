// The picture commands: copy and paste, zoom and full screen, the grey
// palette, making a stereogram from a picture or from a math figure, and
// stopping a generation.

#include "gui/TDotscapeWnd.h"

#include "gui/FrameRules.h"
#include "gui/MessageBoxes.h"
#include "gui/QtText.h"

#include "depthmap_ui/TMapWindow.h"
#include "engine/FigureTitles.h"
#include "engine_ui/PictureView.h"
#include "engine_ui/QtGenerationHost.h"
#include "engine_ui/TSirdsWnd.h"
#include "models_ui/TModelWindow.h"
#include "platform/Messages.h"
#include "terrakit/terrakit.h"

#include <QApplication>
#include <QClipboard>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>

namespace gui {

void TDotscapeWnd::ConnectPictureCommands()
{
    OnCommand(CM_EDITCOPY, [this] { CmCopy(); });
    OnCommand(CM_EDITPASTE, [this] { CmPaste(); });
    OnCommand(CM_VIDEOINFO, [this] { CmVideoInfo(); });
    OnCommand(CM_ZOOMIN, [this] { CmZoom(engine_ui::ZoomIn); });
    OnCommand(CM_ZOOMOUT, [this] { CmZoom(engine_ui::ZoomOut); });
    OnCommand(CM_FULLSCREEN, [this] { CmFullScreen(); });
    OnCommand(CM_MAKESIRDS, [this] { CmMakeSirds(); });
    OnCommand(CM_GRAYIMAGE, [this] { CmGrayImage(); });
    OnCommand(CM_MATHVERSION, [this] { CmMathVersion(); });
    OnCommand(CM_STOP, [this] { CmStop(); });
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
        QAction* action = MakeAction(id, fromStd(engine::figureTitle(i)));
        OnCommand(id, [this, id] { MakeFigure(id); });
        mathMenu_->addAction(action);
    }
}

void TDotscapeWnd::CmCopy()
{
    if (CopyColorTable())
        return;
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
        if (!source->GetPicture())
            return;
        const std::optional<engine::GenerationOptions> options = DepthOptions(
            fromStd(source->GetTitle()),
            [&] { return engine::pictureDepthRange(*source->GetPicture(), source->GetPalette(), settings_.DepthSel); });
        if (!options)
            return;
        bool shown = false;
        {
            // Busy, with Stop offered, until the new window shows the result.
            engine_ui::GenerationSession session;
            engine_ui::TSirdsWnd::PictJob job;
            if (source->MakeSirdsFromPicture(job, *options) && job.bitmap) {
                auto* result = new engine_ui::TSirdsWnd(nullptr, job.title, FrameWindow(), std::move(job.bitmap),
                                                        std::move(job.palette), job.width, job.height,
                                                        engine_ui::SourcePicture, &settings_);
                result->SetSird(true);
                result->SetPattLib(patterns_.get());
                shown = ShowMadeWindow(session, AddDocument(result), result);
            }
        }
        // After the session's closing report, which clears the message pane.
        if (shown)
            StatusRefresh();
    } else if (depthmap_ui::TMapWindow* map = ActiveMap()) {
        MakeSirdsFromMap(map);
    } else if (models_ui::TModelWindow* model = ActiveModel()) {
        MakeSirdsFromModel(model);
    }
    repaint();
}

void TDotscapeWnd::MakeFigure(int id)
{
    const int index = id - CM_FIGUREFIRST;
    const std::string title = engine::figureTitle(index);
    const int code = -(id - (CM_FIGUREFIRST - 1));
    engine_ui::TSirdsWnd* active = ActivePicture();
    if (active && settings_.UseBMP != 0) {
        active->SetPattLib(patterns_.get());
        active->MakeSirdsFromMath(code, title);
        StatusRefresh();
        return;
    }
    bool shown = false;
    {
        // Busy, with Stop offered, until the window shows the figure.
        engine_ui::GenerationSession session;
        auto* picture = new engine_ui::TSirdsWnd(nullptr, title, FrameWindow(), nullptr, nullptr, settings_.w,
                                                 settings_.h, code, &settings_);
        picture->SetPattLib(patterns_.get());
        QMdiSubWindow* sub = AddDocument(picture);
        // A stopped or refused figure closes its window by itself.
        if (picture->MakeSirdsFromMath(code, title)) {
            picture->SetSird(true);
            picture->SetSettings(&settings_);
            shown = ShowMadeWindow(session, sub, picture);
        }
    }
    if (shown)
        StatusRefresh();
}

bool TDotscapeWnd::ShowMadeWindow(engine_ui::GenerationSession& session, QMdiSubWindow* sub,
                                  engine_ui::TSirdsWnd* picture)
{
    if (session.ShowResult())
        return true;
    // Stopped before the picture was on the screen: it goes unasked.
    picture->SetNoSaveQuestion(true);
    sub->close();
    return false;
}

void TDotscapeWnd::CmMathVersion()
{
    char version[16] = {};
    GetLibVersion(version);
    MessageBox(this, QStringLiteral("Math Library Version %1").arg(QString::fromLatin1(version)),
               QStringLiteral("Dotscape"), platform::MB_OK | platform::MB_ICONINFORMATION);
}

void TDotscapeWnd::CmStop()
{
    engine_ui::TSirdsWnd::StopGeneration();
    stopFileWork_ = fileWork_;
    SetBusy(false);
}

} // namespace gui

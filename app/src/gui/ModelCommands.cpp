// 3-D models in the desktop program: opening one into a model window through
// the importer, and a stereogram made from the camera's view of it.

#include "gui/TDotscapeWnd.h"

#include "gui/MessageBoxes.h"
#include "gui/QtText.h"
#include "gui/TCStatusBar.h"

#include "engine_ui/QtGenerationHost.h"
#include "engine_ui/TSirdsWnd.h"
#include "models/ModelImport.h"
#include "models_ui/TModelWindow.h"
#include "platform/Window.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace gui {

models_ui::TModelWindow* TDotscapeWnd::ActiveModel() const
{
    QMdiSubWindow* sub = client_ ? client_->currentSubWindow() : nullptr;
    return sub ? qobject_cast<models_ui::TModelWindow*>(sub->widget()) : nullptr;
}

models_ui::TModelWindow* TDotscapeWnd::OpenModel(const QString& name)
{
    status_->SetMessageText(QStringLiteral("Reading the model..."));
    // The importer runs in a process of its own; whatever the file does to
    // it, this program only hears why it failed.
    models::ImportResult read = models::importModel(name.toStdString());
    status_->SetMessageText(QString());
    if (!read.ok) {
        MessageBox(this, fromStd(read.error), QStringLiteral("Error"), platform::MB_OK | platform::MB_ICONINFORMATION);
        return nullptr;
    }
    auto* model = new models_ui::TModelWindow(nullptr, name.toStdString(), std::move(read.mesh));
    connect(model, &models_ui::TModelWindow::cameraChanged, this, [this] { StatusRefresh(); });
    AddDocument(model);
    StatusRefresh();
    return model;
}

engine_ui::TSirdsWnd* TDotscapeWnd::MakeSirdsFromModel(models_ui::TModelWindow* model)
{
    engine::ModelPicture depth = model->Picture(settings_.w, settings_.h);
    if (!depth.levels) {
        MessageBox(this, QStringLiteral("Not enough memory to make the stereogram."), QStringLiteral("Error"),
                   platform::MB_OK | platform::MB_ICONSTOP);
        return nullptr;
    }
    // A model's depth reaches level 255, beyond the usual Zmax: fitted as a
    // picture's is when the user wants it.
    const std::optional<engine::GenerationOptions> options = DepthOptions(
        model->windowTitle(), [&] { return engine::pictureDepthRange(*depth.levels, &depth.greys, engine::ByBrightness); });
    if (!options)
        return nullptr;
    // The depth becomes a grey picture taken by its brightness, as the
    // command line's make --model does, so both give the same stereogram.
    engine_ui::TSirdsWnd source(nullptr, model->FileName(), FrameWindow(), nullptr, nullptr, 200, 20,
                                engine_ui::SourcePicture, &settings_);
    source.SetPattLib(patterns_.get());
    source.SetPicture(std::move(depth.levels), std::make_unique<platform::Palette>(depth.greys));
    source.SetDepth16(std::make_unique<platform::Grey16Image>(std::move(depth.depth)));
    source.SetNoSaveQuestion(true);
    const std::int32_t depthBy = settings_.DepthSel;
    settings_.DepthSel = engine::ByBrightness;
    engine_ui::TSirdsWnd* made = nullptr;
    {
        engine_ui::GenerationSession session;
        engine_ui::TSirdsWnd::PictJob job;
        if (source.MakeSirdsFromPicture(job, *options) && job.bitmap) {
            auto* result = new engine_ui::TSirdsWnd(nullptr, job.title, FrameWindow(), std::move(job.bitmap),
                                                    std::move(job.palette), job.width, job.height,
                                                    engine_ui::SourcePicture, &settings_);
            result->SetSird(true);
            result->SetPattLib(patterns_.get());
            if (ShowMadeWindow(session, AddDocument(result), result))
                made = result;
        }
    }
    settings_.DepthSel = depthBy;
    if (made)
        StatusRefresh();
    return made;
}

} // namespace gui

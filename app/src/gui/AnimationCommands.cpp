// "Make Animation": a dialog for the figure (or the active depth map, or the
// active model's turntable) and the parameter that changes,
// the frames made with the engine's animation driver (progress in frames,
// "Stop Current Process" ends it), and a player window showing them, from
// which they are saved as an animated GIF or WebP, an MP4 or a WebM video.

#include "gui/TDotscapeWnd.h"

#include "gui/MessageBoxes.h"
#include "gui/QtText.h"

#include "depthmap_ui/ModalRun.h"
#include "depthmap_ui/TMapWindow.h"
#include "engine/Animation.h"
#include "engine/DepthSequence.h"
#include "engine/FigureTitles.h"
#include "engine/MapGeneration.h"
#include "engine/ModelGeneration.h"
#include "engine/TSirdPatt.h"
#include "engine_ui/QtGenerationHost.h"
#include "engine_ui/TAnimDialog.h"
#include "engine_ui/TAnimPlayer.h"
#include "models_ui/TModelWindow.h"
#include "terrakit/terrakit.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>

#include <algorithm>
#include <string>
#include <vector>

namespace gui {

void TDotscapeWnd::ConnectAnimationCommands()
{
    OnCommand(CM_MAKEANIMATION, [this] { CmMakeAnimation(); });
}

void TDotscapeWnd::CmMakeAnimation()
{
    QStringList figures;
    for (int i = 0; i < GetFigureCount(); ++i)
        figures << fromStd(engine::figureTitle(i));
    QMdiSubWindow* sub = client_->activeSubWindow();
    depthmap_ui::TMapWindow* map = sub ? qobject_cast<depthmap_ui::TMapWindow*>(sub->widget()) : nullptr;
    models_ui::TModelWindow* model = sub ? qobject_cast<models_ui::TModelWindow*>(sub->widget()) : nullptr;
    engine_ui::TAnimDialog dialog(this, &settings_, figures, map ? map->windowTitle() : QString());
    if (model)
        dialog.OfferModel(model->windowTitle());
    if (depthmap_ui::RunModal(dialog) != QDialog::Accepted)
        return;
    if (dialog.SequenceSource() != engine_ui::TAnimDialog::Sequence::None) {
        MakeSequenceAnimation(dialog.SequenceSource() == engine_ui::TAnimDialog::Sequence::Video,
                              dialog.SequenceName(), dialog.Plan().delayMs);
        return;
    }
    // The map window may have gone while the dialog was open.
    sub = client_->activeSubWindow();
    if (dialog.Figure() < 0) {
        map = sub ? qobject_cast<depthmap_ui::TMapWindow*>(sub->widget()) : nullptr;
        model = sub ? qobject_cast<models_ui::TModelWindow*>(sub->widget()) : nullptr;
        if (map)
            MakeAnimation(*map, dialog.Plan());
        else if (model)
            MakeAnimation(*model, dialog.Plan(), dialog.PitchStep());
        return;
    }
    MakeAnimation(dialog.Figure(), dialog.Plan());
}

engine_ui::TAnimPlayer* TDotscapeWnd::MakeAnimation(int figure, const engine::AnimationPlan& plan)
{
    if (figure < 0 || figure >= GetFigureCount())
        return nullptr;
    const std::string title = engine::figureTitle(figure);
    return RunAnimation(title, plan, [&](const engine::SirdsSettings& s, engine::GenerationHost& h) {
        engine::FigureJob job;
        job.figureCode = -(figure + 1);
        job.title = title;
        return engine::makeFromFigure(s, job, h);
    });
}

engine_ui::TAnimPlayer* TDotscapeWnd::MakeAnimation(const depthmap_ui::TMapWindow& map,
                                                   const engine::AnimationPlan& plan)
{
    const std::string title = map.windowTitle().toStdString();
    const depthmap::TMapDocument& document = map.Document();
    return RunAnimation(title, plan, [&](const engine::SirdsSettings& s, engine::GenerationHost& h) {
        return engine::makeFromDepthMap(s, document, title, h);
    });
}

engine_ui::TAnimPlayer* TDotscapeWnd::MakeAnimation(const models_ui::TModelWindow& model,
                                                   const engine::AnimationPlan& plan, double pitchStep)
{
    const std::string title = model.windowTitle().toStdString();
    const bool turntable = plan.parameter == engine::AnimatedParameter::Camera;
    // Depth beyond Zmax is offered a fit once, by the window's own view, as
    // Make SIRDS offers it.
    const engine::ModelPicture view = model.Picture(settings_.w, settings_.h);
    if (!view.levels)
        return nullptr;
    const std::optional<engine::GenerationOptions> options = DepthOptions(
        model.windowTitle(), [&] { return engine::pictureDepthRange(*view.levels, &view.greys, engine::ByBrightness); });
    if (!options)
        return nullptr;
    return RunIndexedAnimation(title, plan, [&](std::int32_t k, const engine::SirdsSettings& s, engine::GenerationHost& h) {
        engine::ModelJob job;
        job.options.fit = options->fit;
        job.mesh = &model.Mesh();
        job.camera = turntable ? models::turntableFrame(model.Camera(), plan.step, pitchStep, k) : model.Camera();
        job.title = title;
        return engine::makeFromModel(s, job, h);
    });
}

engine_ui::TAnimPlayer* TDotscapeWnd::MakeSequenceAnimation(bool video, const QString& name, int delayMs)
{
    std::string problem;
    const std::string file = name.toStdString();
    std::unique_ptr<engine::DepthSequence> frames =
        video ? engine::openVideoSequence(file, 0, -1, problem) : engine::openPictureSequence(file, problem);
    engine::AnimationPlan plan;
    plan.parameter = engine::AnimatedParameter::Depth;
    plan.step = 0;
    plan.delayMs = delayMs;
    if (frames) {
        plan.frames = frames->frameCount();
        // The size is the pictures' own.
        engine::SirdsSettings checked = settings_;
        checked.w = 2 * checked.gapValue;
        checked.h = 1;
        problem = engine::checkSequence(checked, plan.frames);
    }
    if (!problem.empty()) {
        MessageBox(this, fromStd(problem), QStringLiteral("Make Animation"),
                   platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return nullptr;
    }
    engine::SequenceFrameMaker maker(*frames);
    return RunIndexedAnimation(file, plan, [&](std::int32_t k, const engine::SirdsSettings& s,
                                               engine::GenerationHost& h) { return maker(k, s, h); });
}

engine_ui::TAnimPlayer* TDotscapeWnd::RunAnimation(const std::string& title, const engine::AnimationPlan& plan,
                                                  const std::function<engine::GenerationResult(
                                                      const engine::SirdsSettings&, engine::GenerationHost&)>& make)
{
    return RunIndexedAnimation(title, plan, [&](std::int32_t, const engine::SirdsSettings& s,
                                                engine::GenerationHost& h) { return make(s, h); });
}

engine_ui::TAnimPlayer* TDotscapeWnd::RunIndexedAnimation(
    const std::string& title, const engine::AnimationPlan& plan,
    const std::function<engine::GenerationResult(std::int32_t, const engine::SirdsSettings&, engine::GenerationHost&)>&
        make)
{
    engine_ui::QtGenerationHost host(FrameWindow(), this, [this]() -> engine::PatternRef {
        if (!patterns_)
            return {};
        return {patterns_->GetBitmap(), patterns_->GetPalette()};
    });
    // The player keeps every frame, so an animation that would not fit the
    // memory it may take is refused as soon as the first frame tells its size.
    std::vector<engine::Stereogram> frames;
    const engine::FrameSink keep = [&](std::int32_t k, engine::Stereogram&& frame) {
        if (k == 0 && static_cast<std::int64_t>(frame.bitmap->bits().size()) * plan.frames > kMaxAnimationBytes) {
            host.showError(kAnimationTooLarge);
            return false;
        }
        frames.push_back(std::move(frame));
        return true;
    };
    const engine::AnimationResult result = engine::makeAnimation(settings_, plan, make, keep, host);
    StatusRefresh();
    if (!result.finished()) // stopped, or the host has said why
        return nullptr;

    auto* player = new engine_ui::TAnimPlayer(fromStd(title + " (animation)"), std::move(frames), plan.delayMs,
                                              FrameWindow());
    player->SetSaveNameChooser([this] {
        FileRequest request;
        request.save = true;
        request.filters = {QStringLiteral("GIF Files (*.gif)"), QStringLiteral("WebP Animations (*.webp)"),
                           QStringLiteral("MP4 Videos (*.mp4)"), QStringLiteral("WebM Videos (*.webm)")};
        request.defaultSuffix = QStringLiteral("gif");
        request.folder = fromStd(config_.lastFolder);
        QString name = ChooseFile(request);
        // A name without one of the suffixes takes the chosen filter's.
        static const QStringList suffixes = {QStringLiteral(".gif"), QStringLiteral(".webp"), QStringLiteral(".mp4"),
                                             QStringLiteral(".webm")};
        const bool known = std::any_of(suffixes.begin(), suffixes.end(),
                                       [&](const QString& x) { return name.endsWith(x, Qt::CaseInsensitive); });
        if (!name.isEmpty() && !known && request.chosen >= 0 && request.chosen < suffixes.size())
            name += suffixes[request.chosen];
        return name;
    });
    AddDocument(player);
    player->Play();
    return player;
}

} // namespace gui

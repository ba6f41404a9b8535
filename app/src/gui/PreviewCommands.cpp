// The live preview: a dock beside the MDI area that shows the stereogram of
// the active depth map (or model, as its camera shows it) with the current
// settings and pattern, made again after every change to the map or camera,
// the settings or the pattern. It is shown while a map or model window is active, unless the user turned it off ("Live
// Preview" in the View menu, or the dock's close button).

#include "gui/TDotscapeWnd.h"

#include "gui/FrameRules.h"

#include "depthmap_ui/TMapWindow.h"
#include "engine/ModelGeneration.h"
#include "engine/Preview.h"
#include "engine/TSirdPatt.h"
#include "engine_ui/TPreviewPane.h"
#include "models_ui/TModelWindow.h"

#include <QAction>
#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace gui {

void TDotscapeWnd::ConnectPreviewCommands()
{
    previewDock_ = new QDockWidget(QStringLiteral("Live Preview"), this);
    previewDock_->setObjectName(QStringLiteral("LivePreview"));
    previewDock_->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
    preview_ = new engine_ui::TPreviewPane(previewDock_);
    previewDock_->setWidget(preview_);
    addDockWidget(Qt::RightDockWidgetArea, previewDock_);
    previewDock_->hide();

    QAction* toggle = Action(CM_PREVIEW);
    toggle->setCheckable(true);
    toggle->setChecked(previewWanted_);
    OnCommand(CM_PREVIEW, [this] {
        previewWanted_ = Action(CM_PREVIEW)->isChecked();
        UpdatePreview();
    });
    // Closing the dock by its own button turns the preview off, as the menu
    // entry does; hiding it because no map is active does not.
    connect(previewDock_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (!visible && previewDock_->isHidden() && previewMap_ && !isMinimized() && isVisible()) {
            previewWanted_ = false;
            Action(CM_PREVIEW)->setChecked(false);
        }
    });
}

void TDotscapeWnd::UpdatePreview()
{
    if (!preview_)
        return;
    QMdiSubWindow* sub = client_ ? client_->currentSubWindow() : nullptr;
    auto* map = sub ? qobject_cast<depthmap_ui::TMapWindow*>(sub->widget()) : nullptr;
    auto* model = sub ? qobject_cast<models_ui::TModelWindow*>(sub->widget()) : nullptr;
    QWidget* source = map ? static_cast<QWidget*>(map) : model;
    if (source != previewMap_.data()) {
        QObject::disconnect(previewLink_);
        previewMap_ = source;
        // The current pattern, taken when the preview is made.
        const auto currentPattern = [this] {
            engine::PatternRef pattern;
            if (patterns_)
                pattern = {patterns_->GetBitmap(), patterns_->GetPalette()};
            return pattern;
        };
        if (model) {
            // A model's preview follows its camera.
            previewLink_ = connect(model, &models_ui::TModelWindow::cameraChanged, preview_,
                                   &engine_ui::TPreviewPane::Schedule);
            QPointer<models_ui::TModelWindow> watched(model);
            preview_->SetSource([this, watched, currentPattern]() -> std::optional<engine::PreviewRequest> {
                if (!watched)
                    return std::nullopt;
                return engine::snapshotModelPreview(watched->Mesh(), watched->Camera(), settings_, currentPattern(),
                                                    PreviewFitsDepth());
            });
        } else if (map) {
            previewLink_ = connect(map, &depthmap_ui::TMapWindow::mapChanged, preview_,
                                   &engine_ui::TPreviewPane::Schedule);
            QPointer<depthmap_ui::TMapWindow> watched(map);
            preview_->SetSource([this, watched, currentPattern]() -> std::optional<engine::PreviewRequest> {
                if (!watched)
                    return std::nullopt;
                return engine::snapshotPreview(watched->Document(), settings_, currentPattern());
            });
        } else {
            preview_->SetSource({});
        }
    }
    // previewMap_ is set before the dock shows, so showing it is never taken
    // for the user's choice.
    const bool appearing = previewDock_->isHidden() && previewWanted_ && source != nullptr;
    previewDock_->setVisible(previewWanted_ && source != nullptr);
    if (appearing) {
        // Beside the area, or below it: a quarter of the frame at most.
        const bool below = dockWidgetArea(previewDock_) == Qt::BottomDockWidgetArea;
        const QSize wanted = preview_->sizeHint();
        const int length = PreviewDockLength(below ? wanted.height() : wanted.width(), below ? height() : width());
        resizeDocks({previewDock_}, {length}, below ? Qt::Vertical : Qt::Horizontal);
    }
}

void TDotscapeWnd::SchedulePreview()
{
    if (preview_ && previewMap_)
        preview_->Schedule();
}

} // namespace gui

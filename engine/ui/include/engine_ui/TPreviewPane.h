#pragma once
// The live preview beside the depth map editor: the stereogram of the active
// map with the current settings and pattern, made again after every change.
// Changes are gathered until the event loop comes round, then one snapshot
// is taken and made on a thread of its own; while one is being made a newer
// snapshot replaces any that waits, so editing never waits for the preview
// and two previews are never made at once.

#include "engine/LatestJobRunner.h"
#include "engine/Preview.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

class QTimer;

namespace engine_ui {

class TPreviewPane : public QWidget {
    Q_OBJECT
public:
    // Takes a snapshot of the active map; nothing when there is none.
    using Snapshot = std::function<std::optional<engine::PreviewRequest>()>;

    explicit TPreviewPane(QWidget* parent = nullptr);
    ~TPreviewPane() override;

    // Where snapshots come from (an empty function: no map), then schedules.
    void SetSource(Snapshot snapshot);
    // Something the preview shows changed.
    void Schedule();

    // What the pane shows now; a null image with a text when there is no preview.
    QImage Image() const { return image_; }
    QString Text() const { return text_; }
    // Previews shown so far, and snapshots handed to the worker.
    std::uint64_t ShownCount() const { return shown_; }
    std::uint64_t RequestCount() const { return serial_; }
    // Waits for the worker (tests); results arrive with the next event pass.
    void WaitForWorker() { runner_.waitIdle(); }

    QSize sizeHint() const override;

signals:
    void previewShown();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Start();
    void Show(std::uint64_t serial, const QImage& image, const QString& text);

    Snapshot snapshot_;
    QTimer* timer_ = nullptr;
    QImage image_;
    QString text_;
    std::uint64_t serial_ = 0;
    std::uint64_t shownSerial_ = 0;
    std::uint64_t shown_ = 0;
    // Last member: it is closed (and its job finished) before anything the
    // job might reach goes away.
    engine::LatestJobRunner runner_;
};

// The pane's text when no depth map window is active.
inline constexpr const char* kNoMapPreviewText = "No depth map window is active.";

} // namespace engine_ui

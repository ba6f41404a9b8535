#include "engine_ui/TPreviewPane.h"

#include "engine_ui/PictureView.h"

#include <QMetaObject>
#include <QPainter>
#include <QTimer>

#include <memory>

namespace engine_ui {

TPreviewPane::TPreviewPane(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)), text_(kNoMapPreviewText)
{
    // Zero interval: every change made while handling one input event (a
    // drag step, an undo) comes together into one snapshot.
    timer_->setSingleShot(true);
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, &TPreviewPane::Start);
    setMinimumSize(120, 90);
}

TPreviewPane::~TPreviewPane() = default;

QSize TPreviewPane::sizeHint() const
{
    return {320, 320};
}

void TPreviewPane::SetSource(Snapshot snapshot)
{
    snapshot_ = std::move(snapshot);
    Schedule();
}

void TPreviewPane::Schedule()
{
    if (!timer_->isActive())
        timer_->start();
}

void TPreviewPane::Start()
{
    std::optional<engine::PreviewRequest> request;
    if (snapshot_)
        request = snapshot_();
    const std::uint64_t serial = ++serial_;
    if (!request) {
        Show(serial, {}, kNoMapPreviewText);
        return;
    }
    auto shared = std::make_shared<engine::PreviewRequest>(std::move(*request));
    runner_.submit([this, serial, shared](const std::atomic<bool>& superseded) {
        engine::GenerationResult result = engine::makePreview(*shared, superseded);
        if (result.status == engine::GenerationStatus::Stopped)
            return; // a newer snapshot follows
        QImage image;
        QString text;
        if (result.finished() && result.picture.bitmap)
            image = ToQImage(*result.picture.bitmap, &result.picture.palette);
        else
            text = QString::fromStdString(result.error);
        // Queued to the pane's thread. The pane outlives this job (its runner
        // is closed first when it goes), and an event still waiting when the
        // pane goes is dropped with it.
        QMetaObject::invokeMethod(
            this, [this, serial, image, text] { Show(serial, image, text); }, Qt::QueuedConnection);
    });
}

void TPreviewPane::Show(std::uint64_t serial, const QImage& image, const QString& text)
{
    // A result may arrive after a newer one was shown; keep the newer.
    if (serial < shownSerial_)
        return;
    shownSerial_ = serial;
    image_ = image;
    text_ = image.isNull() ? text : QString();
    ++shown_;
    update();
    emit previewShown();
}

void TPreviewPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (image_.isNull()) {
        painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, text_);
        return;
    }
    // The whole stereogram, as large as fits, never enlarged past twice its
    // size; smooth scaling would blur the dots, so it is not used.
    const QSize fitted = image_.size().scaled(size(), Qt::KeepAspectRatio);
    QSize shown = fitted.width() > image_.width() * 2 ? image_.size() * 2 : fitted;
    const QRect target(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
    painter.drawImage(target, image_);
}

} // namespace engine_ui

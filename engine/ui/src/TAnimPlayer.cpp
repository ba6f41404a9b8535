#include "engine_ui/TAnimPlayer.h"

#include "engine_ui/PictureView.h"

#include "pictrans/TGifAnimation.h"
#include "pictrans/TWebpAnimation.h"
#include "video/VideoWriter.h"

#include "depthmap_ui/UiMessageBox.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QProgressDialog>

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace engine_ui {

namespace {

// An animation file written a frame at a time.
class FrameFileWriter {
public:
    virtual ~FrameFileWriter() = default;
    virtual std::string begin(const std::string& fileName, const platform::Bitmap& first) = 0;
    virtual std::string add(const platform::Bitmap& frame, const platform::Palette& palette) = 0;
    virtual std::string finish() = 0;
};

// Lossless and in true colour.
class WebpWriter final : public FrameFileWriter {
public:
    explicit WebpWriter(int delayMs) : delayMs_(delayMs) {}
    std::string begin(const std::string& fileName, const platform::Bitmap& first) override
    {
        return webp_.Begin(fileName, first.width(), first.height(), delayMs_);
    }
    std::string add(const platform::Bitmap& frame, const platform::Palette& palette) override
    {
        return webp_.AddFrame(frame, palette);
    }
    std::string finish() override { return webp_.Finish(); }

private:
    TWebpAnimation webp_;
    int delayMs_;
};

// At the frame rate the delay gives and the default quality.
class VideoFileWriter final : public FrameFileWriter {
public:
    VideoFileWriter(video::Codec codec, int delayMs)
    {
        settings_.codec = codec;
        settings_.fpsNum = 1000;
        settings_.fpsDen = std::max(delayMs, 1);
    }
    std::string begin(const std::string& fileName, const platform::Bitmap& first) override
    {
        settings_.width = first.width();
        settings_.height = first.height();
        return writer_.open(fileName, settings_);
    }
    std::string add(const platform::Bitmap& frame, const platform::Palette& palette) override
    {
        return writer_.addFrame(frame, palette);
    }
    std::string finish() override { return writer_.finish(); }

private:
    video::VideoSettings settings_;
    video::VideoWriter writer_;
};

// The formats saved frame by frame, by the name's suffix; any other name
// is saved as an animated GIF.
struct SaveFormat {
    const char* suffix;
    const char* errorCaption;
    std::unique_ptr<FrameFileWriter> (*make)(int delayMs);
};

const SaveFormat kSaveFormats[] = {
    {".webp", "WebP Error", [](int delayMs) -> std::unique_ptr<FrameFileWriter> {
         return std::make_unique<WebpWriter>(delayMs);
     }},
    {".mp4", "MP4 Error", [](int delayMs) -> std::unique_ptr<FrameFileWriter> {
         return std::make_unique<VideoFileWriter>(video::Codec::H264, delayMs);
     }},
    {".webm", "WebM Error", [](int delayMs) -> std::unique_ptr<FrameFileWriter> {
         return std::make_unique<VideoFileWriter>(video::Codec::VP9, delayMs);
     }},
};

const SaveFormat* saveFormat(const QString& fileName)
{
    for (const SaveFormat& f : kSaveFormats) {
        if (fileName.endsWith(QString::fromLatin1(f.suffix), Qt::CaseInsensitive))
            return &f;
    }
    return nullptr;
}

} // namespace

TAnimPlayer::TAnimPlayer(const QString& title, std::vector<engine::Stereogram> frames, int delayMs,
                         platform::Window* owner, QWidget* parent)
    : QWidget(parent), frames_(std::move(frames)), delayMs_(delayMs), owner_(owner)
{
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);

    view_ = new QLabel(this);
    view_->setAlignment(Qt::AlignCenter);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(view_);
    scroll->setWidgetResizable(true);
    scroll->setAlignment(Qt::AlignCenter);

    play_ = new QPushButton(this);
    save_ = new QPushButton(QStringLiteral("Save..."), this);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setRange(0, std::max(FrameCount() - 1, 0));
    counter_ = new QLabel(this);
    auto* controls = new QHBoxLayout;
    controls->addWidget(play_);
    controls->addWidget(slider_, 1);
    controls->addWidget(counter_);
    controls->addWidget(save_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(scroll, 1);
    layout->addLayout(controls);

    // The player keeps the pace of the file: the delay as stored, in
    // hundredths of a second.
    timer_.setInterval(10 * TGifAnimation::DelayHundredths(delayMs_));
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { ShowFrame(current_ + 1); });
    connect(play_, &QPushButton::clicked, this, [this] { IsPlaying() ? Pause() : Play(); });
    connect(save_, &QPushButton::clicked, this, [this] { Save(); });
    connect(slider_, &QSlider::valueChanged, this, [this](int k) {
        if (k != current_)
            ShowFrame(k);
    });

    if (!frames_.empty() && frames_.front().bitmap) {
        const platform::Bitmap& first = *frames_.front().bitmap;
        view_->setMinimumSize(first.width(), first.height());
        resize(std::min(first.width() + 40, 1000), std::min(first.height() + 80, 800));
    }
    ShowFrame(0);
    UpdateButtons();
}

void TAnimPlayer::ShowFrame(int k)
{
    if (frames_.empty())
        return;
    const int n = FrameCount();
    current_ = ((k % n) + n) % n;
    const engine::Stereogram& f = frames_[static_cast<std::size_t>(current_)];
    if (f.bitmap) {
        shown_ = ToQImage(*f.bitmap, &f.palette);
        view_->setPixmap(QPixmap::fromImage(shown_));
    }
    counter_->setText(QStringLiteral("%1 / %2").arg(current_ + 1).arg(n));
    if (slider_->value() != current_)
        slider_->setValue(current_);
    emit frameShown(current_);
}

void TAnimPlayer::Play()
{
    if (FrameCount() > 1)
        timer_.start();
    UpdateButtons();
}

void TAnimPlayer::Pause()
{
    timer_.stop();
    UpdateButtons();
}

void TAnimPlayer::UpdateButtons()
{
    play_->setText(IsPlaying() ? QStringLiteral("Pause") : QStringLiteral("Play"));
}

bool TAnimPlayer::SaveAs(const QString& fileName)
{
    if (frames_.empty() || fileName.isEmpty())
        return false;
    const SaveFormat* format = saveFormat(fileName);
    if (!format) {
        std::vector<const platform::Bitmap*> pictures;
        for (const engine::Stereogram& f : frames_)
            pictures.push_back(f.bitmap.get());
        TGifAnimation gif(nullptr, owner_);
        if (!gif.WriteAnimation(fileName.toStdString(), pictures, frames_.front().palette, delayMs_))
            return false;
        saved_ = true;
        return true;
    }
    // Written frame by frame, with the frames counted and a Stop that
    // leaves no file behind (the writer's temporary goes with it).
    std::unique_ptr<FrameFileWriter> writer = format->make(delayMs_);
    const int n = FrameCount();
    QProgressDialog progress(QStringLiteral("Saving %1").arg(QFileInfo(fileName).fileName()),
                             QStringLiteral("Stop"), 0, n, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    std::string problem = writer->begin(fileName.toStdString(), *frames_.front().bitmap);
    for (int k = 0; k < n && problem.empty(); ++k) {
        progress.setValue(k);
        if (progress.wasCanceled())
            return false;
        const engine::Stereogram& f = frames_[static_cast<std::size_t>(k)];
        problem = writer->add(*f.bitmap, f.palette);
    }
    progress.setValue(n);
    if (problem.empty())
        problem = writer->finish();
    if (!problem.empty()) {
        depthmap_ui::UiMessageBox(this, QString::fromStdString(problem), QString::fromLatin1(format->errorCaption),
                                  platform::MB_OK | platform::MB_ICONSTOP);
        return false;
    }
    saved_ = true;
    return true;
}

bool TAnimPlayer::CanClose()
{
    if (saved_ || frames_.empty())
        return true;
    const QString text = QStringLiteral("Save\n %1\n before closing?").arg(windowTitle());
    const int answer = depthmap_ui::UiMessageBox(this, text, QStringLiteral("Confirm"),
                                                 platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION);
    if (answer == platform::IDYES)
        return Save();
    return answer == platform::IDNO;
}

void TAnimPlayer::closeEvent(QCloseEvent* event)
{
    if (!CanClose()) {
        event->ignore();
        return;
    }
    timer_.stop();
    QWidget::closeEvent(event);
}

bool TAnimPlayer::Save()
{
    const QString name = chooseName_ ? chooseName_() : QString();
    return !name.isEmpty() && SaveAs(name);
}

} // namespace engine_ui

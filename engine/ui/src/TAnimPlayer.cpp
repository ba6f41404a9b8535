#include "engine_ui/TAnimPlayer.h"

#include "engine_ui/PictureView.h"

#include "pictrans/TGifAnimation.h"
#include "pictrans/TWebpAnimation.h"

#include "depthmap_ui/UiMessageBox.h"

#include <QCloseEvent>

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>

namespace engine_ui {

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
    // A name ending in .webp saves a lossless animated WebP in true colour;
    // any other an animated GIF.
    if (fileName.endsWith(QStringLiteral(".webp"), Qt::CaseInsensitive)) {
        TWebpAnimation webp;
        const platform::Bitmap& first = *frames_.front().bitmap;
        std::string problem = webp.Begin(fileName.toStdString(), first.width(), first.height(), delayMs_);
        for (std::size_t k = 0; k < frames_.size() && problem.empty(); ++k)
            problem = webp.AddFrame(*frames_[k].bitmap, frames_[k].palette);
        if (problem.empty())
            problem = webp.Finish();
        if (!problem.empty()) {
            depthmap_ui::UiMessageBox(this, QString::fromStdString(problem), QStringLiteral("WebP Error"),
                                      platform::MB_OK | platform::MB_ICONSTOP);
            return false;
        }
        saved_ = true;
        return true;
    }
    std::vector<const platform::Bitmap*> pictures;
    for (const engine::Stereogram& f : frames_)
        pictures.push_back(f.bitmap.get());
    TGifAnimation gif(nullptr, owner_);
    if (!gif.WriteAnimation(fileName.toStdString(), pictures, frames_.front().palette, delayMs_))
        return false;
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

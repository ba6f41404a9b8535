#include "gui/TCStatusBar.h"

#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace gui {

namespace {

QLabel* makePane(QWidget* parent)
{
    auto* pane = new QLabel(parent);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pane->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    pane->setMargin(1);
    // As wide as the largest figure the pane is meant to show.
    const int width = pane->fontMetrics().horizontalAdvance(QStringLiteral("Image: 32459 Kb")) + 2 * pane->frameWidth() + 8;
    pane->setMinimumWidth(width);
    return pane;
}

} // namespace

TCStatusBar::TCStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("gauge201"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setFixedSize(110, 15);
    progress_->setTextVisible(false);
    progress_->hide();
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("messagePane"));
    level_ = makePane(this);
    level_->setObjectName(QStringLiteral("levelPane"));
    level_->hide();
    image_ = makePane(this);
    image_->setObjectName(QStringLiteral("imagePane"));
    memory_ = makePane(this);
    memory_->setObjectName(QStringLiteral("memoryPane"));
    // Normal widgets give way to a temporary message, so the gauge hides
    // while a menu hint is shown.
    addWidget(progress_);
    addWidget(message_, 1);
    addPermanentWidget(level_);
    addPermanentWidget(image_);
    addPermanentWidget(memory_);
}

void TCStatusBar::SetMessageText(const QString& text) { message_->setText(text); }

void TCStatusBar::SetProgress(int percent)
{
    progress_->setValue(std::clamp(percent, 0, 100));
    if (!progressShown_) {
        progress_->show();
        progressShown_ = true;
    }
    repaint();
}

void TCStatusBar::HideProgress()
{
    progress_->hide();
    progressShown_ = false;
}

void TCStatusBar::SetImageText(const QString& text) { image_->setText(text); }
void TCStatusBar::SetMemoryText(const QString& text) { memory_->setText(text); }
void TCStatusBar::SetLevelText(const QString& text)
{
    level_->setText(text);
    level_->setVisible(!text.isEmpty());
}

void TCStatusBar::ShowNote(const QString& text)
{
    constexpr int kNoteMilliseconds = 10000;
    showMessage(text, kNoteMilliseconds);
}

QString TCStatusBar::LevelText() const { return level_->text(); }
QString TCStatusBar::MessageText() const { return message_->text(); }
QString TCStatusBar::ImageText() const { return image_->text(); }
QString TCStatusBar::MemoryText() const { return memory_->text(); }
int TCStatusBar::ProgressValue() const { return progress_->value(); }

} // namespace gui

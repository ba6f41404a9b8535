#include "engine_ui/TPattDialog.h"

#include "engine_ui/PictureView.h"

#include "depthmap_ui/UiMessageBox.h"
#include "engine/PatternDirs.h"
#include "engine/TSirdPatt.h"
#include "platform/Messages.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPaintEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

namespace engine_ui {

PatternSample::PatternSample(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PatternSample::SetPattern(const platform::Bitmap* bitmap, const platform::Palette* palette)
{
    bitmap_ = bitmap;
    palette_ = palette;
}

QSize PatternSample::sizeHint() const
{
    return {128, 128};
}

void PatternSample::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    // A true-colour pattern carries its colours itself.
    if (bitmap_ && (palette_ || bitmap_->bitsPerPixel() == 24))
        painter.drawImage(QPoint(0, 0), ToQImage(*bitmap_, palette_));
}

namespace {

// A control in a shaded (sunken) frame.
QFrame* Shaded(QWidget* content, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(content);
    return frame;
}

} // namespace

TPattDialog::TPattDialog(QWidget* parent, engine::TSirdPatt* library, platform::Window* frame, bool pictureActive)
    : QDialog(parent), library_(library), frame_(frame)
{
    setWindowTitle(QStringLiteral("Select Pattern"));
    openingIndex_ = index_ = library_ ? library_->GetSelection() : 0;
    openingCount_ = library_ ? library_->GetCount() : 0;

    sample_ = new PatternSample(this);
    label_ = new QLabel(QStringLiteral("Pattern Number"), this);
    label_->setAlignment(Qt::AlignCenter);
    next_ = new QPushButton(QStringLiteral("Next"), this);
    prev_ = new QPushButton(QStringLiteral("Prev"), this);
    add_ = new QPushButton(QStringLiteral("Add"), this);
    add_->setToolTip(QStringLiteral("Add the top-left 100 x 100 pixels of the active picture as a pattern"));
    candidate_ = new PatternSample(this);
    candidate_->setToolTip(QStringLiteral("The tile Add takes"));
    candidate_->setFixedSize(64, 64);
    candidate_->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* browse = new QVBoxLayout;
    browse->addWidget(next_);
    browse->addWidget(prev_);
    browse->addSpacing(12);
    browse->addWidget(add_);
    browse->addWidget(candidate_);
    browse->addStretch();
    auto* top = new QHBoxLayout;
    auto* preview = new QVBoxLayout;
    preview->addWidget(Shaded(sample_, this));
    preview->addWidget(Shaded(label_, this));
    top->addLayout(preview);
    top->addLayout(browse);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);

    connect(next_, &QPushButton::clicked, this, &TPattDialog::Next);
    connect(prev_, &QPushButton::clicked, this, &TPattDialog::Prev);
    connect(add_, &QPushButton::clicked, this, &TPattDialog::Add);
    connect(buttons, &QDialogButtonBox::accepted, this, &TPattDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TPattDialog::reject);

    add_->setEnabled(pictureActive && library_);
    Show();
}

void TPattDialog::SetCandidate(const platform::Bitmap* bitmap, const platform::Palette* palette)
{
    candidate_->SetPattern(bitmap, palette);
    candidate_->setVisible(bitmap != nullptr);
    candidate_->update();
}

QString TPattDialog::PatternLabel() const
{
    return label_->text();
}

void TPattDialog::Show()
{
    if (!library_)
        return;
    sample_->SetPattern(library_->GetBitmap(), library_->GetPalette());
    sample_->update();
    label_->setText(QStringLiteral("Pattern No. %1").arg(library_->GetSelection() + 1));
}

void TPattDialog::Next()
{
    if (!library_)
        return;
    index_ = index_ + 1 >= library_->GetCount() ? 0 : index_ + 1;
    library_->Select(index_);
    Show();
}

void TPattDialog::Prev()
{
    if (!library_)
        return;
    index_ = index_ - 1 < 0 ? library_->GetCount() - 1 : index_ - 1;
    library_->Select(index_);
    Show();
}

void TPattDialog::Add()
{
    if (!library_)
        return;
    const int count = library_->GetCount();
    if (platform::sendMessage(frame_, platform::WM_ADDPATTERN, static_cast<std::uintptr_t>(count)) == 0) {
        depthmap_ui::UiMessageBox(this, QStringLiteral("Unable to add the pattern."), QStringLiteral("Add Pattern"),
                                  platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return;
    }
    index_ = library_->GetCount() - 1;
    library_->Select(index_);
    Show();
}

void TPattDialog::accept()
{
    if (library_)
        library_->Select(index_);
    QDialog::accept();
}

void TPattDialog::reject()
{
    if (library_) {
        // Each Add saved pattern number count in the library's folder.
        while (library_->GetCount() > openingCount_) {
            const int number = library_->GetCount() - 1;
            library_->RemoveLast();
            for (bool trueColour : {false, true}) {
                std::error_code ec;
                std::filesystem::remove(
                    engine::JoinPath(library_->GetDirectory(), engine::PatternFileName(number, trueColour)), ec);
            }
        }
        library_->Select(openingIndex_);
    }
    QDialog::reject();
}

} // namespace engine_ui

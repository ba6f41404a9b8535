#include "wizard/PattWizDlg.h"

#include "engine/TSirdPatt.h"
#include "engine_ui/TPattDialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace wizard {

PattWizDlg::PattWizDlg(QWidget* parent, engine::TSirdPatt* library) : WizardDlg(parent, 203), library_(library)
{
    index_ = library_ ? library_->GetSelection() : 0;

    auto* explanation = new QLabel(QStringLiteral("Select the background pattern for the Stereogram:"), this);
    explanation->setWordWrap(true);
    sample_ = new engine_ui::PatternSample(this);
    sample_->setObjectName(QStringLiteral("501"));
    sample_->setFixedSize(128, 128);
    auto* sampleFrame = new QFrame(this);
    sampleFrame->setFrameShape(QFrame::Panel);
    sampleFrame->setFrameShadow(QFrame::Sunken);
    auto* sampleLayout = new QVBoxLayout(sampleFrame);
    sampleLayout->setContentsMargins(2, 2, 2, 2);
    sampleLayout->addWidget(sample_);

    label_ = new QLabel(QStringLiteral("Pattern Number"), this);
    label_->setObjectName(QStringLiteral("311"));
    label_->setAlignment(Qt::AlignCenter);
    nextPattern_ = new QPushButton(QStringLiteral("Next"), this);
    nextPattern_->setObjectName(QStringLiteral("301"));
    nextPattern_->setAutoDefault(false);
    prevPattern_ = new QPushButton(QStringLiteral("Prev"), this);
    prevPattern_->setObjectName(QStringLiteral("302"));
    prevPattern_->setAutoDefault(false);

    auto* browse = new QVBoxLayout;
    browse->addWidget(nextPattern_);
    browse->addWidget(prevPattern_);
    browse->addStretch();
    auto* preview = new QVBoxLayout;
    preview->addWidget(sampleFrame, 0, Qt::AlignHCenter);
    preview->addWidget(label_);
    auto* row = new QHBoxLayout;
    row->addLayout(preview);
    row->addSpacing(12);
    row->addLayout(browse);
    row->addStretch();

    PageLayout()->addWidget(explanation);
    PageLayout()->addLayout(row);
    PageLayout()->addStretch();

    connect(nextPattern_, &QPushButton::clicked, this, [this] { Step(+1); });
    connect(prevPattern_, &QPushButton::clicked, this, [this] { Step(-1); });
    const bool browsable = library_ && library_->GetCount() > 0;
    nextPattern_->setEnabled(browsable);
    prevPattern_->setEnabled(browsable);
    if (browsable)
        nextPattern_->setFocus();
    Show();
}

QString PattWizDlg::PatternLabel() const
{
    return label_->text();
}

void PattWizDlg::Show()
{
    if (!library_)
        return;
    sample_->SetPattern(library_->GetBitmap(), library_->GetPalette());
    sample_->update();
    label_->setText(QStringLiteral("Pattern No. %1").arg(index_ + 1));
}

void PattWizDlg::Step(int delta)
{
    if (!library_ || library_->GetCount() < 1)
        return;
    const int count = library_->GetCount();
    if (delta > 0)
        index_ = index_ + 1 >= count ? 0 : index_ + 1;
    else
        index_ = index_ - 1 < 0 ? count - 1 : index_ - 1;
    library_->Select(index_);
    Show();
}

} // namespace wizard

#include "wizard/WizardDlg.h"

#include "WizardPicture.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace wizard {

namespace {

// Every page has the same size, so that the wizard does not jump about.
constexpr int kPageWidth = 470;
constexpr int kPageHeight = 300;
constexpr int kPictureWidth = 120;
constexpr int kPictureHeight = 220;

} // namespace

WizardDlg::WizardDlg(QWidget* parent, int templateId) : QDialog(parent), templateId_(templateId)
{
    setWindowTitle(QStringLiteral("SIRDS Wizard"));
    setObjectName(QStringLiteral("wizard%1").arg(templateId));

    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("601"));
    picture_->setPixmap(WizardPicture(kPictureWidth, kPictureHeight));
    picture_->setFrameShape(QFrame::Panel);
    picture_->setFrameShadow(QFrame::Sunken);
    picture_->setFixedSize(kPictureWidth + 4, kPictureHeight + 4);
    picture_->setAlignment(Qt::AlignCenter);

    page_ = new QVBoxLayout;
    page_->setSpacing(8);

    auto* top = new QHBoxLayout;
    top->setSpacing(14);
    top->addWidget(picture_, 0, Qt::AlignTop);
    top->addLayout(page_, 1);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    if (templateId != 201) {
        back_ = new QPushButton(QStringLiteral("< Back"), this);
        back_->setObjectName(QStringLiteral("102"));
        back_->setAutoDefault(false);
        buttons->addWidget(back_);
        connect(back_, &QPushButton::clicked, this, &WizardDlg::Back);
    }
    next_ = new QPushButton(QStringLiteral("Next >"), this);
    next_->setObjectName(QStringLiteral("101"));
    next_->setDefault(true);
    buttons->addWidget(next_);
    buttons->addSpacing(10);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("2"));
    cancel_->setAutoDefault(false);
    buttons->addWidget(cancel_);
    connect(next_, &QPushButton::clicked, this, &WizardDlg::Next);
    connect(cancel_, &QPushButton::clicked, this, &WizardDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(rule);
    layout->addLayout(buttons);
    setFixedSize(kPageWidth, kPageHeight);
}

QPushButton* WizardDlg::Button(int id) const
{
    switch (id) {
    case 2: return cancel_;
    case kResultNext: return next_;
    case kResultBack: return back_;
    default: return nullptr;
    }
}

void WizardDlg::Next()
{
    NextHook();
    done(kResultNext);
}

void WizardDlg::Back()
{
    BackHook();
    done(kResultBack);
}

} // namespace wizard

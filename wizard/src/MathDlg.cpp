#include "wizard/MathDlg.h"

#include "engine/FigureTitles.h"

#include "terrakit/terrakit.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace wizard {

namespace {

// The chosen title is kept to this many characters.
constexpr int kTitleLength = 128;

QString FigureTitle(int index)
{
    return QString::fromStdString(engine::figureTitle(index));
}

} // namespace

MathDlg::MathDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Math SIRDS Selection"));
    setObjectName(QStringLiteral("wizard211"));

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("101"));
    for (int i = 0; i < GetFigureCount(); ++i)
        list_->addItem(FigureTitle(i));
    list_->setCurrentRow(index_);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("1"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("2"));
    cancel_->setAutoDefault(false);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(divider);
    layout->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, &MathDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &MathDlg::reject);
    // A double click picks the figure at once.
    connect(list_, &QListWidget::itemActivated, this, &MathDlg::accept);
    resize(330, 300);
}

QPushButton* MathDlg::Button(int id) const
{
    return id == 1 ? ok_ : id == 2 ? cancel_ : nullptr;
}

void MathDlg::accept()
{
    const int row = list_->currentRow();
    if (row >= 0) {
        index_ = row;
        title_ = list_->item(row)->text().left(kTitleLength);
    }
    QDialog::accept();
}

} // namespace wizard

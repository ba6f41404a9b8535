#include "depthmap_ui/TLevelDialog.h"

#include "depthmap_ui/UiMessageBox.h"

#include "depthmap/LevelText.h"
#include "platform/Window.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace depthmap_ui {

namespace {

// Dialog units: a quarter of the average width of the letters across, an
// eighth of the character height down.
struct DialogUnits {
    explicit DialogUnits(const QFontMetrics& fm)
        : x((fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2),
          y(fm.height())
    {
    }
    QRect rect(int left, int top, int width, int height) const
    {
        return QRect(left * x / 4, top * y / 8, width * x / 4, height * y / 8);
    }
    int x;
    int y;
};

} // namespace

TLevelDialog::TLevelDialog(QWidget* parent, std::int32_t* level)
    : QDialog(parent), value_(level ? *level : 0), target_(level)
{
    setObjectName(QStringLiteral("LEVEL"));
    setWindowTitle(QStringLiteral("Set Level"));
    const DialogUnits du(fontMetrics());
    setFixedSize(du.rect(0, 0, 121, 76).size());

    auto* levelFrame = new QGroupBox(QStringLiteral("Level"), this);
    levelFrame->setGeometry(du.rect(6, 4, 54, 67));
    auto* buttonFrame = new QGroupBox(this);
    buttonFrame->setGeometry(du.rect(64, 5, 51, 66));

    range_ = new QLabel(QStringLiteral("(Range: 0-255)"), this);
    range_->setObjectName(QStringLiteral("102"));
    range_->setAlignment(Qt::AlignCenter);
    range_->setGeometry(du.rect(8, 16, 49, 8));

    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("101"));
    edit_->setGeometry(du.rect(17, 29, 32, 12));

    auto* down = new QToolButton(this);
    down->setObjectName(QStringLiteral("311"));
    down->setArrowType(Qt::DownArrow);
    down->setToolTip(QStringLiteral("One level down"));
    down->setGeometry(du.rect(19, 48, 13, 12));
    down->setAutoRepeat(true);
    auto* up = new QToolButton(this);
    up->setObjectName(QStringLiteral("312"));
    up->setArrowType(Qt::UpArrow);
    up->setToolTip(QStringLiteral("One level up"));
    up->setGeometry(du.rect(34, 48, 13, 12));
    up->setAutoRepeat(true);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    ok->setGeometry(du.rect(68, 9, 43, 25));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setGeometry(du.rect(68, 41, 43, 25));

    connect(down, &QToolButton::clicked, this, &TLevelDialog::StepDown);
    connect(up, &QToolButton::clicked, this, &TLevelDialog::StepUp);
    connect(ok, &QPushButton::clicked, this, &TLevelDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &TLevelDialog::reject);

    ShowLevel(value_);
    range_->setText(QStringLiteral("[Range: %1-%2]").arg(depthmap::kMinLevel).arg(depthmap::kMaxLevel));
    // The whole range stays readable in any font: the text widens about its centre.
    const int needed = range_->fontMetrics().horizontalAdvance(range_->text()) + 4;
    if (needed > range_->width()) {
        const QRect r = range_->geometry();
        range_->setGeometry(r.center().x() - needed / 2, r.top(), needed, r.height());
    }
    edit_->setFocus();
    edit_->selectAll();
}

std::int32_t TLevelDialog::ReadLevel() const
{
    return depthmap::ParseLevelText(edit_->text().toStdString());
}

void TLevelDialog::ShowLevel(std::int32_t level)
{
    edit_->setText(QString::number(level));
}

void TLevelDialog::StepUp()
{
    ShowLevel(depthmap::LevelStepUp(ReadLevel()));
}

void TLevelDialog::StepDown()
{
    ShowLevel(depthmap::LevelStepDown(ReadLevel()));
}

void TLevelDialog::accept()
{
    const std::int32_t level = ReadLevel();
    if (!depthmap::IsAcceptedLevel(level)) {
        UiMessageBox(this, QStringLiteral("Level is not within accepted range"), QStringLiteral("Note"),
                     platform::MB_OK | platform::MB_ICONSTOP);
        return;
    }
    if (target_)
        *target_ = level;
    QDialog::accept();
}

} // namespace depthmap_ui

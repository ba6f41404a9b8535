#include "wizard/SettWizDlg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include <limits>

namespace wizard {

namespace {

constexpr int kEditLength = 64;

QLineEdit* NumberEdit(QWidget* parent, int id, std::int32_t value)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::number(id));
    edit->setMaxLength(kEditLength);
    edit->setMaximumWidth(90);
    edit->setText(QString::number(value));
    return edit;
}

} // namespace

std::int32_t PageInteger(const QString& text)
{
    const QString head = text.left(kEditLength);
    qsizetype i = 0;
    while (i < head.size() && head[i].isSpace())
        ++i;
    bool negative = false;
    if (i < head.size() && (head[i] == QLatin1Char('+') || head[i] == QLatin1Char('-'))) {
        negative = head[i] == QLatin1Char('-');
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t kBeyond = std::int64_t{1} << 40;
    for (; i < head.size() && head[i] >= QLatin1Char('0') && head[i] <= QLatin1Char('9'); ++i)
        if (value < kBeyond)
            value = value * 10 + (head[i].unicode() - '0');
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

SettWizDlg::SettWizDlg(QWidget* parent, const engine::SirdsSettings& settings, std::optional<SourceSize> source,
                       bool keep)
    : WizardDlg(parent, 202), settings_(settings)
{
    if (source) {
        settings_.w = source->width;
        settings_.h = source->height;
    }
    auto* explanation = new QLabel(QStringLiteral("Specify the dimensions of the resulting Stereogram:"), this);
    explanation->setWordWrap(true);
    width_ = NumberEdit(this, 104, settings_.w);
    height_ = NumberEdit(this, 105, settings_.h);
    zmin_ = NumberEdit(this, 103, settings_.zmin);
    zmax_ = NumberEdit(this, 114, settings_.zmax);
    auto* form = new QFormLayout;
    form->setContentsMargins(16, 0, 0, 0);
    form->addRow(QStringLiteral("Width"), width_);
    form->addRow(QStringLiteral("Height"), height_);
    form->addRow(QStringLiteral("Zmin"), zmin_);
    form->addRow(QStringLiteral("Zmax"), zmax_);
    QLabel* own = nullptr;
    if (source) {
        for (QLineEdit* edit : {width_, height_}) {
            edit->setReadOnly(true);
            edit->setFocusPolicy(Qt::NoFocus);
        }
        own = new QLabel(QStringLiteral("The stereogram takes the size of its source, %1 × %2.")
                             .arg(source->width)
                             .arg(source->height),
                         this);
        own->setObjectName(QStringLiteral("sourceSizeNote"));
        own->setWordWrap(true);
    }
    keep_ = new QCheckBox(QStringLiteral("&Keep as default size"), this);
    keep_->setObjectName(QStringLiteral("keepDefault"));
    keep_->setToolTip(QStringLiteral("Store these values in the SIRDS settings as well"));
    keep_->setChecked(keep);
    auto* note =
        new QLabel(QStringLiteral("NOTE: Zmin and Zmax specify the depth resolution for the Stereogram."), this);
    note->setWordWrap(true);

    PageLayout()->addWidget(explanation);
    PageLayout()->addLayout(form);
    if (own)
        PageLayout()->addWidget(own);
    PageLayout()->addWidget(keep_);
    PageLayout()->addStretch();
    PageLayout()->addWidget(note);
    QLineEdit* first = source ? zmin_ : width_;
    first->setFocus();
    first->selectAll();
}

bool SettWizDlg::KeepAsDefault() const { return keep_->isChecked(); }

QLineEdit* SettWizDlg::Edit(int id) const
{
    switch (id) {
    case 104: return width_;
    case 105: return height_;
    case 103: return zmin_;
    case 114: return zmax_;
    default: return nullptr;
    }
}

void SettWizDlg::NextHook()
{
    settings_.w = PageInteger(width_->text());
    settings_.h = PageInteger(height_->text());
    settings_.zmin = PageInteger(zmin_->text());
    settings_.zmax = PageInteger(zmax_->text());
}

} // namespace wizard

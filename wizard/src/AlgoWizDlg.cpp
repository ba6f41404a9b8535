#include "wizard/AlgoWizDlg.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace wizard {

AlgoWizDlg::AlgoWizDlg(QWidget* parent, const engine::SirdsSettings& settings)
    : WizardDlg(parent, 204), settings_(settings)
{
    auto* explanation = new QLabel(QStringLiteral("Select one of the following scan methods to determine the way "
                                                  "the Stereogram image will be generated:"),
                                   this);
    explanation->setWordWrap(true);
    // The three classic methods, then the hidden-surface method under the
    // name the settings dialog gives it.
    const std::string_view hidden = engine::kScanMethodNames[engine::HiddenSurface - 1];
    const QString names[kMethods] = {QStringLiteral("Left-to-right"), QStringLiteral("McMahon (recommended)"),
                                     QStringLiteral("Feucht"),
                                     QString::fromLatin1(hidden.data(), static_cast<qsizetype>(hidden.size()))};
    auto* choices = new QVBoxLayout;
    choices->setContentsMargins(16, 0, 0, 0);
    for (int i = 0; i < kMethods; ++i) {
        methods_[i] = new QRadioButton(names[i], this);
        methods_[i]->setObjectName(QString::number(103 + i));
        choices->addWidget(methods_[i]);
    }
    PageLayout()->addWidget(explanation);
    PageLayout()->addLayout(choices);
    PageLayout()->addStretch();

    // A scan method the program does not know (a garbled configuration
    // file) would leave the pattern unshifted: the recommended one is
    // offered instead.
    const int method = settings_.ShiftDir >= engine::LeftToRight && settings_.ShiftDir <= engine::HiddenSurface
                           ? settings_.ShiftDir
                           : engine::McMahon;
    methods_[method - 1]->setChecked(true);
    methods_[method - 1]->setFocus();
    Button(kResultNext)->setText(QStringLiteral("Make SIRDS"));
}

QRadioButton* AlgoWizDlg::Radio(int id) const
{
    return id >= 103 && id < 103 + kMethods ? methods_[id - 103] : nullptr;
}

void AlgoWizDlg::NextHook()
{
    for (int id = 103; id < 103 + kMethods; ++id) {
        if (Radio(id)->isChecked()) {
            settings_.ShiftDir = id - 102;
            return;
        }
    }
}

} // namespace wizard

#include "wizard/SourceWizDlg.h"

#include "depthmap_ui/ModalRun.h"

#include "engine/FigureTitles.h"

#include "wizard/MathDlg.h"

#include "pictrans/GraphicFormats.h"
#include "terrakit/terrakit.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace wizard {

QString SourceWizDlg::PictureFilter()
{
    return QString::fromStdString(pictrans::readableFilterString());
}

const char* const SourceWizDlg::kDepthMapFilter = "Depth Map File (*.RDS)|*.rds|";

namespace {

// The longest source name the page keeps.
constexpr int kMaxName = 256;

// The radio buttons and the source types they choose.
struct SourceRadio {
    int id;
    int type;
};
constexpr SourceRadio kRadios[] = {
    {102, kSourcePicture}, {103, kSourceDepthMap}, {104, kSourceMath}, {106, kSourceModel}};

int radioOf(int type)
{
    for (const SourceRadio& r : kRadios)
        if (r.type == type)
            return r.id;
    return 104;
}

int typeOf(int id)
{
    for (const SourceRadio& r : kRadios)
        if (r.id == id)
            return r.type;
    return kSourceMath;
}

// "*.stl" of "3-D Models (*.STL)|*.stl *.obj|": the extension a chosen name
// without one is given.
QString firstExtension(const QString& filter)
{
    const QString patterns = filter.section(QLatin1Char('|'), 1, 1);
    return patterns.section(QLatin1Char(' '), 0, 0).section(QLatin1Char('.'), 1);
}

QString FigureTitle(int index)
{
    return QString::fromStdString(engine::figureTitle(index));
}

} // namespace

QStringList SourceWizDlg::NameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString pattern = parts[i + 1];
        out << QStringLiteral("%1 (%2 %3)")
                   .arg(parts[i].section(QLatin1Char('('), 0, 0).trimmed(), pattern.toLower(), pattern.toUpper());
    }
    return out;
}

SourceWizDlg::SourceWizDlg(QWidget* parent, const SourceChoice& last, const QString& modelFilter)
    : WizardDlg(parent, 201), modelFilter_(modelFilter)
{
    // A figure or a type the program does not know (a garbled file) counts
    // as the first figure of the math library.
    const bool knownFigure = last.figure >= 0 && last.figure < GetFigureCount();
    figure_ = knownFigure ? last.figure : 0;
    const int lastType = modelFilter_.isEmpty() ? kSourceMath : kSourceModel;
    sourceType_ = last.sourceType >= kSourcePicture && last.sourceType <= lastType ? last.sourceType : kSourceMath;
    if (last.sourceName && (knownFigure || sourceType_ != kSourceMath))
        sourceName_ = QString::fromStdString(*last.sourceName).left(kMaxName);
    else
        sourceName_ = FigureTitle(figure_);

    auto* explanation =
        new QLabel(QStringLiteral("Select a source for generating the Stereogram.  Your choices are:"), this);
    explanation->setWordWrap(true);
    picture_ = new QRadioButton(QStringLiteral("From Bitmap image"), this);
    picture_->setObjectName(QStringLiteral("102"));
    depthMap_ = new QRadioButton(QStringLiteral("From Depth Map"), this);
    depthMap_->setObjectName(QStringLiteral("103"));
    math_ = new QRadioButton(QStringLiteral("From Math Library"), this);
    math_->setObjectName(QStringLiteral("104"));
    model_ = new QRadioButton(QStringLiteral("From 3-D model"), this);
    model_->setObjectName(QStringLiteral("106"));
    model_->setVisible(!modelFilter_.isEmpty());
    auto* choices = new QVBoxLayout;
    choices->setContentsMargins(16, 0, 0, 0);
    choices->addWidget(picture_);
    choices->addWidget(depthMap_);
    choices->addWidget(math_);
    choices->addWidget(model_);

    auto* label = new QLabel(QStringLiteral("Selected Source:"), this);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("105"));
    edit_->setReadOnly(true);
    edit_->setMaxLength(kMaxName);
    label->setBuddy(edit_);

    PageLayout()->addWidget(explanation);
    PageLayout()->addLayout(choices);
    PageLayout()->addStretch();
    PageLayout()->addWidget(label);
    PageLayout()->addWidget(edit_);
    PageLayout()->addStretch();

    Check(radioOf(sourceType_));
    // The keyboard starts on the checked source, where the arrow keys choose
    // another; the shown name can still be selected with the mouse.
    Radio(radioOf(sourceType_))->setFocus();
    edit_->setFocusPolicy(Qt::ClickFocus);
    edit_->setText(sourceName_);
    edit_->setCursorPosition(0);
    Button(kResultNext)->setEnabled(!sourceName_.isEmpty());

    for (QRadioButton* radio : {picture_, depthMap_, math_, model_}) {
        const int id = radio->objectName().toInt();
        connect(radio, &QRadioButton::clicked, this, [this, id] { Choose(id); });
    }
}

QRadioButton* SourceWizDlg::Radio(int id) const
{
    switch (id) {
    case 102: return picture_;
    case 103: return depthMap_;
    case 104: return math_;
    case 106: return model_;
    default: return nullptr;
    }
}

int SourceWizDlg::CheckedId() const
{
    for (const SourceRadio& r : kRadios)
        if (Radio(r.id)->isChecked())
            return r.id;
    return 0;
}

void SourceWizDlg::Check(int id)
{
    if (QRadioButton* radio = Radio(id))
        radio->setChecked(true);
}

QString SourceWizDlg::RunFileDialog(const QString& filter, const QString& extension)
{
    const QString title = QStringLiteral("Select File");
    if (chooseFile_)
        return chooseFile_(title, filter, extension);
    QFileDialog dialog(this, title);
    dialog.setNameFilters(NameFilters(filter));
    if (!startFolder_.isEmpty())
        dialog.setDirectory(startFolder_);
    dialog.setDefaultSuffix(extension);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (depthmap_ui::RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

void SourceWizDlg::Choose(int id)
{
    // The button the user clicked is checked already; a cancelled choice
    // puts the check back where it was.
    const int previous = radioOf(sourceType_);
    QString chosen;
    if (id == 104) {
        MathDlg figures(this);
        const int result = runDialog_ ? runDialog_(figures) : depthmap_ui::RunModal(figures);
        if (result == QDialog::Accepted && figures.SelectedIndex() >= 0) {
            chosen = figures.SelectedTitle();
            figure_ = figures.SelectedIndex();
        }
    } else {
        // The name is kept as chosen: on this system the case of a file
        // name matters, so it is not lower-cased.
        const QString filter = id == 102   ? PictureFilter()
                               : id == 103 ? QString::fromLatin1(kDepthMapFilter)
                                           : modelFilter_;
        chosen = RunFileDialog(filter, id == 102 ? QStringLiteral("bmp") : firstExtension(filter));
    }
    if (chosen.isEmpty()) {
        Check(previous);
        Radio(previous)->setFocus();
        return;
    }
    sourceType_ = typeOf(id);
    sourceName_ = chosen.left(kMaxName);
    Check(id);
    edit_->setText(sourceName_);
    edit_->setCursorPosition(0);
    Button(kResultNext)->setEnabled(true);
    Button(kResultNext)->setFocus();
}

void SourceWizDlg::NextHook()
{
    const int checked = CheckedId();
    sourceType_ = typeOf(checked);
    sourceName_ = edit_->text().left(kMaxName);
}

} // namespace wizard

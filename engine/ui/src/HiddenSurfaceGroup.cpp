#include "engine_ui/HiddenSurfaceGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

namespace engine_ui {

namespace {

QLineEdit* SmallEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(19);
    edit->setMaximumWidth(80);
    return edit;
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

HiddenSurfaceGroup::HiddenSurfaceGroup(QWidget* parent) : QGroupBox(QStringLiteral("Hidden Surface"), parent)
{
    auto* form = new QFormLayout(this);
    oversample_ = new QSpinBox(this);
    oversample_->setRange(engine::kMinOversample, engine::kMaxOversample);
    oversample_->setToolTip(QStringLiteral("Links each row at this many times its width; above 1 the stereogram "
                                           "is true colour and its depth finer than a pixel."));
    depthOfField_ = SmallEdit(this);
    depthOfField_->setToolTip(QStringLiteral("How far the near plane stands out, 0.1 to 0.5."));
    form->addRow(QStringLiteral("Oversampling"), oversample_);
    form->addRow(QStringLiteral("Depth of field"), depthOfField_);

    twiceGap_ = new QRadioButton(QStringLiteral("Eyes twice the gap apart"), this);
    forPrint_ = new QRadioButton(QStringLiteral("For print:"), this);
    form->addRow(twiceGap_);
    form->addRow(forPrint_);
    dpi_ = SmallEdit(this);
    eyeSepMm_ = SmallEdit(this);
    form->addRow(QStringLiteral("Resolution (dpi)"), dpi_);
    form->addRow(QStringLiteral("Eyes apart (mm)"), eyeSepMm_);

    crossEyed_ = new QCheckBox(QStringLiteral("Cross-eyed viewing"), this);
    form->addRow(crossEyed_);
    dots_ = new QComboBox(this);
    for (std::string_view name : engine::kRandomDotNames)
        dots_->addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    dots_->setToolTip(QStringLiteral("1/f noise: dots with detail at every scale, which the eyes fuse "
                                     "quickest and read the finest depth from."));
    seed_ = SmallEdit(this);
    noiseBeta_ = SmallEdit(this);
    noiseBeta_->setToolTip(QStringLiteral("How fast the noise's power falls with frequency, 0 to 3: "
                                          "0 white, 1 pink, 2 brown."));
    noiseColour_ = new QCheckBox(QStringLiteral("Noise in colour"), this);
    tileable_ = new QCheckBox(QStringLiteral("Tileable (copies side by side join)"), this);
    form->addRow(QStringLiteral("Dots"), dots_);
    form->addRow(QStringLiteral("Seed"), seed_);
    form->addRow(QStringLiteral("Noise slope"), noiseBeta_);
    form->addRow(noiseColour_);
    form->addRow(tileable_);

    connect(forPrint_, &QRadioButton::toggled, this, &HiddenSurfaceGroup::UpdateEnabled);
    connect(dots_, &QComboBox::currentIndexChanged, this, &HiddenSurfaceGroup::UpdateEnabled);
    Fill(engine::HiddenSurfaceSettings{});
}

void HiddenSurfaceGroup::Fill(const engine::HiddenSurfaceSettings& settings)
{
    const engine::HiddenSurfaceDialogState state = engine::hiddenSurfaceDialogState(settings);
    oversample_->setValue(state.oversample);
    depthOfField_->setText(Q(state.depthOfField));
    (state.forPrint ? forPrint_ : twiceGap_)->setChecked(true);
    dpi_->setText(Q(state.dpi));
    eyeSepMm_->setText(Q(state.eyeSepMm));
    crossEyed_->setChecked(state.crossEyed);
    dots_->setCurrentIndex(state.dots);
    seed_->setText(Q(state.seed));
    noiseBeta_->setText(Q(state.noiseBeta));
    noiseColour_->setChecked(state.noiseColour);
    tileable_->setChecked(state.tileable);
    UpdateEnabled();
}

engine::HiddenSurfaceDialogState HiddenSurfaceGroup::State() const
{
    engine::HiddenSurfaceDialogState state;
    state.oversample = oversample_->value();
    state.depthOfField = depthOfField_->text().toStdString();
    state.forPrint = forPrint_->isChecked();
    state.dpi = dpi_->text().toStdString();
    state.eyeSepMm = eyeSepMm_->text().toStdString();
    state.crossEyed = crossEyed_->isChecked();
    state.dots = dots_->currentIndex();
    state.seed = seed_->text().toStdString();
    state.noiseBeta = noiseBeta_->text().toStdString();
    state.noiseColour = noiseColour_->isChecked();
    state.tileable = tileable_->isChecked();
    return state;
}

void HiddenSurfaceGroup::UpdateEnabled()
{
    dpi_->setEnabled(forPrint_->isChecked());
    eyeSepMm_->setEnabled(forPrint_->isChecked());
    seed_->setEnabled(dots_->currentIndex() != engine::PatternDots);
    noiseBeta_->setEnabled(dots_->currentIndex() == engine::NoiseDots);
    noiseColour_->setEnabled(dots_->currentIndex() == engine::NoiseDots);
}

} // namespace engine_ui

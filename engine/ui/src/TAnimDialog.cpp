#include "engine_ui/TAnimDialog.h"

#include "depthmap_ui/UiMessageBox.h"
#include "platform/Window.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>

namespace engine_ui {
namespace {

constexpr engine::AnimatedParameter kParameters[] = {
    engine::AnimatedParameter::Angle,
    engine::AnimatedParameter::ShiftX,
    engine::AnimatedParameter::ShiftY,
    engine::AnimatedParameter::Depth,
    engine::AnimatedParameter::Camera, // offered with a model only
};
const char* const kParameterNames[] = {"Angle (degrees)", "Horizontal shift (pixels)", "Vertical shift (pixels)",
                                       "Depth (Zmax)", "Turntable (yaw degrees)"};
constexpr int kDepthRow = 3, kTurntableRow = 4;

// The figure shown first: one that turns with the angle.
constexpr const char* kFirstFigure = "Wind Mill 1";

} // namespace

int TAnimDialog::DefaultStep(engine::AnimatedParameter parameter)
{
    switch (parameter) {
    case engine::AnimatedParameter::Angle:
    case engine::AnimatedParameter::Camera:
        return 30;
    case engine::AnimatedParameter::ShiftX:
    case engine::AnimatedParameter::ShiftY:
        return 10;
    case engine::AnimatedParameter::Depth:
        break;
    }
    return 8;
}

TAnimDialog::TAnimDialog(QWidget* parent, const engine::SirdsSettings* settings, const QStringList& figures,
                         const QString& depthMap)
    : QDialog(parent), settings_(settings), hasMap_(!depthMap.isEmpty())
{
    setWindowTitle(QStringLiteral("Make Animation"));
    auto* form = form_ = new QFormLayout;
    source_ = new QComboBox(this);
    if (hasMap_)
        source_->addItem(QStringLiteral("Depth map %1").arg(depthMap));
    source_->addItems(figures);
    const int first = figures.indexOf(QString::fromLatin1(kFirstFigure));
    source_->setCurrentIndex(hasMap_ ? 0 : std::max(first, 0));
    form->addRow(QStringLiteral("Source"), source_);
    // Depth from files, after the figures.
    sequenceFirst_ = source_->count();
    source_->addItem(QStringLiteral("Depth pictures, one a frame"));
    source_->addItem(QStringLiteral("Depth video"));
    sequenceName_ = new QLineEdit(this);
    sequenceName_->setPlaceholderText(QStringLiteral("depth_%04d.png, frames/*.png or depth.mp4"));
    form->addRow(QStringLiteral("Depth files"), sequenceName_);
    auto sourceChanged = [this] { sequenceName_->setEnabled(SequenceSource() != Sequence::None); };
    connect(source_, &QComboBox::currentIndexChanged, this, sourceChanged);
    sourceChanged();

    frames_ = new QSpinBox(this);
    frames_->setRange(engine::kMinFrames, engine::kMaxFrames);
    frames_->setValue(12);
    form->addRow(QStringLiteral("Frames"), frames_);

    parameter_ = new QComboBox(this);
    for (int i = 0; i < kTurntableRow; ++i)
        parameter_->addItem(QString::fromLatin1(kParameterNames[i]));
    form->addRow(QStringLiteral("Changing"), parameter_);

    step_ = new QSpinBox(this);
    step_->setRange(-100000, 100000);
    form->addRow(QStringLiteral("Step per frame"), step_);

    pitch_ = new QSpinBox(this);
    pitch_->setRange(-360, 360);
    form->addRow(QStringLiteral("Pitch step (degrees)"), pitch_);

    delay_ = new QSpinBox(this);
    delay_->setRange(engine::kMinDelayMs, engine::kMaxDelayMs);
    delay_->setSingleStep(10);
    delay_->setSuffix(QStringLiteral(" ms"));
    delay_->setValue(engine::kDefaultDelayMs);
    form->addRow(QStringLiteral("Frame delay"), delay_);

    // A depth map can only breathe.
    if (hasMap_)
        parameter_->setCurrentIndex(kDepthRow);
    connect(parameter_, &QComboBox::currentIndexChanged, this, [this] { ParameterChanged(); });
    ParameterChanged();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TAnimDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TAnimDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void TAnimDialog::OfferModel(const QString& title)
{
    if (hasModel_)
        return;
    hasModel_ = true;
    source_->insertItem(0, QStringLiteral("3-D model %1").arg(title));
    ++sequenceFirst_;
    source_->setCurrentIndex(0);
    parameter_->addItem(QString::fromLatin1(kParameterNames[kTurntableRow]));
    parameter_->setCurrentIndex(kTurntableRow);
}

bool TAnimDialog::ModelChosen() const
{
    return hasModel_ && source_->currentIndex() == 0;
}

int TAnimDialog::PitchStep() const
{
    return parameter_->currentIndex() == kTurntableRow ? pitch_->value() : 0;
}

void TAnimDialog::ParameterChanged()
{
    step_->setValue(DefaultStep(kParameters[std::max(parameter_->currentIndex(), 0)]));
    form_->setRowVisible(pitch_, parameter_->currentIndex() == kTurntableRow);
}

int TAnimDialog::Figure() const
{
    if (SequenceSource() != Sequence::None)
        return -1;
    const int index = source_->currentIndex() - (hasMap_ ? 1 : 0) - (hasModel_ ? 1 : 0);
    return index < 0 ? -1 : index;
}

TAnimDialog::Sequence TAnimDialog::SequenceSource() const
{
    const int index = source_->currentIndex() - sequenceFirst_;
    return index == 0 ? Sequence::Pictures : index == 1 ? Sequence::Video : Sequence::None;
}

QString TAnimDialog::SequenceName() const
{
    return sequenceName_->text().trimmed();
}

engine::AnimationPlan TAnimDialog::Plan() const
{
    engine::AnimationPlan plan;
    plan.frames = frames_->value();
    plan.parameter = kParameters[std::max(parameter_->currentIndex(), 0)];
    plan.step = step_->value();
    plan.delayMs = delay_->value();
    return plan;
}

void TAnimDialog::accept()
{
    // A sequence's frames are counted and checked when its files are read.
    if (SequenceSource() != Sequence::None) {
        if (SequenceName().isEmpty()) {
            depthmap_ui::UiMessageBox(this,
                                      std::string_view("Name the depth pictures (depth_%04d.png or frames/*.png) or "
                                                       "the depth video."),
                                      "Make Animation", platform::MB_OK | platform::MB_ICONEXCLAMATION);
            return;
        }
        QDialog::accept();
        return;
    }
    // The width and height belong to figures; a depth map brings its own.
    engine::SirdsSettings checked = settings_ ? *settings_ : engine::SirdsSettings{};
    if (Figure() < 0) {
        checked.w = 2 * checked.gapValue;
        checked.h = 1;
    }
    const engine::AnimationPlan plan = Plan();
    const bool turns = plan.parameter == engine::AnimatedParameter::Camera;
    const char* refusal = ModelChosen() ? (turns || plan.parameter == engine::AnimatedParameter::Depth
                                               ? nullptr
                                               : "A 3-D model can turn (Turntable) or change its depth (Zmax).")
                          : turns       ? "Only a 3-D model turns on a turntable."
                          : Figure() < 0 && plan.parameter != engine::AnimatedParameter::Depth
                              ? "A depth map can only change its depth (Zmax)."
                              : nullptr;
    if (refusal) {
        depthmap_ui::UiMessageBox(this, std::string_view(refusal), "Make Animation",
                                  platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return;
    }
    engine::SettingsOptionNames names;
    names.dx = "the horizontal shift";
    names.dy = "the vertical shift";
    names.da = "the angle";
    names.zmin = "Zmin";
    names.zmax = "Zmax";
    names.w = "the width";
    names.h = "the height";
    names.gapValue = "the gap value";
    names.DepthSel = "the depth source";
    names.Marker = "the markers";
    names.UseBMP = "Use Open Bitmap";
    names.ShiftDir = "the scan method";
    engine::AnimationOptionNames animation;
    animation.frames = "the number of frames";
    animation.delay = "the delay";
    animation.angleStep = animation.shiftXStep = animation.shiftYStep = animation.depthStep = "a step of";
    std::string problem = engine::checkAnimation(checked, plan, Figure() >= 0, names, animation);
    if (!problem.empty()) {
        problem[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(problem[0])));
        depthmap_ui::UiMessageBox(this, std::string_view(problem + "."), "Make Animation",
                                  platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return;
    }
    QDialog::accept();
}

} // namespace engine_ui

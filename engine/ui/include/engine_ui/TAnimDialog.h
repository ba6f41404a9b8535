#pragma once
// "Make Animation": what to animate (a math figure, or the active depth map
// when there is one), how many frames, which parameter changes and by how
// much a frame, and how long each frame shows. OK checks the plan against
// the settings for every frame and says what is wrong instead of closing.

#include "engine/Animation.h"
#include "engine/SirdsSettings.h"

#include <QDialog>
#include <QStringList>

class QComboBox;
class QFormLayout;
class QLineEdit;
class QSpinBox;

namespace engine_ui {

class TAnimDialog : public QDialog {
    Q_OBJECT
public:
    // figures: the math figure titles in catalogue order; depthMap: the
    // title of the active depth map, or empty when there is none (it is
    // then the first entry and chosen). settings is read, never written.
    TAnimDialog(QWidget* parent, const engine::SirdsSettings* settings, const QStringList& figures,
                const QString& depthMap = {});

    // Offers the active model window (its title) as the first source, and
    // chooses it: a turntable, the camera turning by the step (yaw) and a
    // pitch step a frame; a model may also change its depth (Zmax).
    void OfferModel(const QString& title);
    bool ModelChosen() const;
    // A turntable's pitch step, degrees a frame.
    int PitchStep() const;
    QSpinBox* PitchStepBox() const { return pitch_; }

    // The figure index chosen (0-based), or -1 for the depth map, the model
    // or a sequence.
    int Figure() const;

    // Moving depth from files: a sequence of depth pictures (a numbered
    // name such as depth_%04d.png, or a pattern such as frames/*.png) or a
    // depth video, named in SequenceBox; its frames are all made, each at
    // the frame delay, and the step list does not apply.
    enum class Sequence { None, Pictures, Video };
    Sequence SequenceSource() const;
    QString SequenceName() const;
    QLineEdit* SequenceBox() const { return sequenceName_; }
    engine::AnimationPlan Plan() const;

    QComboBox* SourceList() const { return source_; }
    QComboBox* ParameterList() const { return parameter_; }
    QSpinBox* FramesBox() const { return frames_; }
    QSpinBox* StepBox() const { return step_; }
    QSpinBox* DelayBox() const { return delay_; }

    // The step each parameter starts with: a full turn in 12 frames (the
    // figure's angle, a model's yaw), 10 pixels, 8 depth units.
    static int DefaultStep(engine::AnimatedParameter parameter);

    void accept() override;

private:
    void ParameterChanged();

    const engine::SirdsSettings* settings_;
    bool hasMap_;
    bool hasModel_ = false;
    QComboBox* source_;
    QComboBox* parameter_;
    QSpinBox* frames_;
    QSpinBox* step_;
    QSpinBox* delay_;
    QSpinBox* pitch_;
    QFormLayout* form_;
    int sequenceFirst_ = 0; // the source index of the first sequence entry
    QLineEdit* sequenceName_;
};

} // namespace engine_ui

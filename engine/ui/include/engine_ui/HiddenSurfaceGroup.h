#pragma once
// The "Hidden Surface" group of the settings dialog: the hidden-surface
// method's options. It only copies its controls to and from the toolkit-free
// HiddenSurfaceDialogState; the rules live in the engine.

#include "engine/HiddenSurfaceSettings.h"

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace engine_ui {

class HiddenSurfaceGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit HiddenSurfaceGroup(QWidget* parent);

    void Fill(const engine::HiddenSurfaceSettings& settings);
    engine::HiddenSurfaceDialogState State() const;

    QSpinBox* Oversample() const { return oversample_; }
    QLineEdit* DepthOfField() const { return depthOfField_; }
    QRadioButton* TwiceTheGap() const { return twiceGap_; }
    QRadioButton* ForPrint() const { return forPrint_; }
    QLineEdit* Dpi() const { return dpi_; }
    QLineEdit* EyeSepMm() const { return eyeSepMm_; }
    QCheckBox* CrossEyed() const { return crossEyed_; }
    QComboBox* Dots() const { return dots_; }
    QLineEdit* Seed() const { return seed_; }
    QLineEdit* NoiseBeta() const { return noiseBeta_; }
    QCheckBox* NoiseColour() const { return noiseColour_; }
    QCheckBox* Tileable() const { return tileable_; }

private:
    void UpdateEnabled();

    QSpinBox* oversample_;
    QLineEdit* depthOfField_;
    QRadioButton* twiceGap_;
    QRadioButton* forPrint_;
    QLineEdit* dpi_;
    QLineEdit* eyeSepMm_;
    QCheckBox* crossEyed_;
    QComboBox* dots_;
    QLineEdit* seed_;
    QLineEdit* noiseBeta_;
    QCheckBox* noiseColour_;
    QCheckBox* tileable_;
};

} // namespace engine_ui

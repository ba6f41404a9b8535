#pragma once
// The camera of a model window, set by number: the up axis, yaw, pitch and
// roll, the field of view (0 for orthographic), the zoom and the share of
// the depth the model spans.

#include "models/Camera.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;

namespace models_ui {

class TCameraDialog : public QDialog {
    Q_OBJECT
public:
    TCameraDialog(QWidget* parent, const models::Camera& camera);
    models::Camera Result() const;

private:
    QComboBox* up_;
    QDoubleSpinBox *yaw_, *pitch_, *roll_, *fov_, *zoom_, *depth_;
};

} // namespace models_ui

#include "models_ui/TCameraDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>

namespace models_ui {

namespace {

QDoubleSpinBox* spin(double lo, double hi, double value, double step, int decimals, const char* suffix = "")
{
    auto* box = new QDoubleSpinBox;
    box->setRange(lo, hi);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    box->setValue(value);
    box->setSuffix(QString::fromUtf8(suffix));
    return box;
}

} // namespace

TCameraDialog::TCameraDialog(QWidget* parent, const models::Camera& c) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Camera"));
    up_ = new QComboBox;
    up_->addItems({QStringLiteral("As the format has it"), QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("Z")});
    up_->setCurrentIndex(c.up ? static_cast<int>(*c.up) + 1 : 0);
    yaw_ = spin(-360, 360, c.yaw, 5, 1, "°");
    pitch_ = spin(-360, 360, c.pitch, 5, 1, "°");
    roll_ = spin(-360, 360, c.roll, 5, 1, "°");
    fov_ = spin(0, models::kMaxFov, c.fov, 5, 1, "°");
    fov_->setSpecialValueText(QStringLiteral("Orthographic"));
    zoom_ = spin(models::kMinZoom, models::kMaxZoom, c.zoom, 0.1, 2);
    depth_ = spin(models::kMinModelDepth, models::kMaxModelDepth, c.modelDepth, 0.05, 2);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Up axis:"), up_);
    form->addRow(QStringLiteral("&Yaw:"), yaw_);
    form->addRow(QStringLiteral("&Pitch:"), pitch_);
    form->addRow(QStringLiteral("&Roll:"), roll_);
    form->addRow(QStringLiteral("&Field of view:"), fov_);
    form->addRow(QStringLiteral("&Zoom:"), zoom_);
    form->addRow(QStringLiteral("Model &depth:"), depth_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

models::Camera TCameraDialog::Result() const
{
    models::Camera c;
    if (up_->currentIndex() > 0)
        c.up = static_cast<models::UpAxis>(up_->currentIndex() - 1);
    c.yaw = yaw_->value();
    c.pitch = pitch_->value();
    c.roll = roll_->value();
    // Below a degree is no field of view: orthographic.
    c.fov = fov_->value() < models::kMinFov ? 0 : fov_->value();
    c.zoom = zoom_->value();
    c.modelDepth = depth_->value();
    return c;
}

} // namespace models_ui

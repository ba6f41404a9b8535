#include "engine_ui/TSettDialog.h"

#include "engine_ui/HiddenSurfaceGroup.h"

#include "engine/SettingsCorrections.h"
#include "engine/SirdsSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QPointer>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace engine_ui {
namespace {

QLineEdit* NumberEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    // The dialog reads at most 19 characters of an edit.
    edit->setMaxLength(19);
    edit->setMaximumWidth(80);
    return edit;
}

std::string Text(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

} // namespace

TSettDialog::TSettDialog(QWidget* parent, engine::SirdsSettings* settings) : QDialog(parent), settings_(settings)
{
    setWindowTitle(QStringLiteral("SIRDS Settings"));

    auto* parameters = new QGroupBox(QStringLiteral("Parameters"), this);
    auto* form = new QFormLayout(parameters);
    width_ = NumberEdit(parameters);
    height_ = NumberEdit(parameters);
    gap_ = NumberEdit(parameters);
    dx_ = NumberEdit(parameters);
    dy_ = NumberEdit(parameters);
    da_ = NumberEdit(parameters);
    form->addRow(QStringLiteral("Width"), width_);
    form->addRow(QStringLiteral("Height"), height_);
    form->addRow(QStringLiteral("Gap Value"), gap_);
    form->addRow(QStringLiteral("Horizontal displacement"), dx_);
    form->addRow(QStringLiteral("Vertical displacement"), dy_);
    form->addRow(QStringLiteral("Angular displacement"), da_);
    auto* resolution = new QGroupBox(QStringLiteral("Depth Resolution"), parameters);
    auto* resForm = new QFormLayout(resolution);
    zmin_ = NumberEdit(resolution);
    zmax_ = NumberEdit(resolution);
    resForm->addRow(QStringLiteral("Zmin"), zmin_);
    resForm->addRow(QStringLiteral("Zmax"), zmax_);
    form->addRow(resolution);

    auto* options = new QGroupBox(QStringLiteral("Options"), this);
    auto* optionLayout = new QVBoxLayout(options);
    markers_ = new QCheckBox(QStringLiteral("Add Markers"), options);
    useBmp_ = new QCheckBox(QStringLiteral("Use Open Bitmap"), options);
    byColor_ = new QRadioButton(QStringLiteral("Depth by Color"), options);
    byBrightness_ = new QRadioButton(QStringLiteral("Depth by Brightness"), options);
    scanList_ = new QComboBox(options);
    for (std::string_view name : engine::kScanMethodNames)
        scanList_->addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    optionLayout->addWidget(markers_);
    optionLayout->addWidget(useBmp_);
    optionLayout->addWidget(byColor_);
    optionLayout->addWidget(byBrightness_);
    optionLayout->addSpacing(8);
    optionLayout->addWidget(new QLabel(QStringLiteral("SIRDS Scan Method"), options));
    optionLayout->addWidget(scanList_);
    freshFill_ = new QCheckBox(QStringLiteral("Fresh fill (no streaks)"), options);
    freshFill_->setToolTip(QStringLiteral("What only one eye sees gets the pattern's own pixels instead of "
                                          "a copy of its neighbour, so steep edges leave no streaks."));
    optionLayout->addWidget(freshFill_);
    optionLayout->addStretch();

    restore_ = new QCheckBox(QStringLiteral("Restore Defaults"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* columns = new QHBoxLayout;
    columns->addWidget(parameters);
    columns->addWidget(options);
    hidden_ = new HiddenSurfaceGroup(this);
    columns->addWidget(hidden_);
    content_ = new QWidget(this);
    auto* layout = new QVBoxLayout(content_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(columns);
    columns_ = columns;
    layout_ = layout;
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("correctionNote"));
    note_->setStyleSheet(QStringLiteral("color: #a00000;"));
    layout->addWidget(note_);
    layout->addStretch();
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("settingsScroll"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setWidget(content_);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(restore_);
    bottom->addStretch();
    bottom->addWidget(buttons);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(scroll_, 1);
    outer->addLayout(bottom);

    connect(buttons, &QDialogButtonBox::accepted, this, &TSettDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TSettDialog::reject);
    connect(restore_, &QCheckBox::clicked, this, &TSettDialog::RestoreDefaultsClicked);
    for (QLineEdit* edit : {width_, height_, gap_, dx_, dy_, da_, zmin_, zmax_})
        connect(edit, &QLineEdit::textChanged, this, &TSettDialog::ShowCorrections);
    connect(restore_, &QCheckBox::toggled, this, &TSettDialog::ShowCorrections);
    connect(scanList_, &QComboBox::currentIndexChanged, this, &TSettDialog::FollowScanMethod);

    FillControls();
}

void TSettDialog::showEvent(QShowEvent* event)
{
    // A frame too narrow for three groups side by side (640 × 480) gets the
    // hidden-surface group below the other two.
    if (QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
        owner && content_->sizeHint().width() + 24 > owner->width() && columns_->indexOf(hidden_) >= 0) {
        columns_->removeWidget(hidden_);
        layout_->insertWidget(1, hidden_);
    }
    QDialog::showEvent(event);
    // Once the toolkit has placed and sized the dialog as it does.
    const QPointer<QWidget> owner(parentWidget() ? parentWidget()->window() : nullptr);
    FitWithin(owner);
    QTimer::singleShot(0, this, [this, owner] { FitWithin(owner); });
}

void TSettDialog::FitWithin(const QWidget* owner)
{
    // The whole dialog where there is room, else as much as the frame (or
    // the screen) holds, the groups scrolling above the buttons that stay.
    const QScreen* screen = owner && owner->screen() ? owner->screen() : this->screen();
    QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 640, 480);
    if (owner && owner->isVisible())
        room = room.intersected(owner->frameGeometry());
    const QMargins margins = layout()->contentsMargins();
    const int bar = scroll_->verticalScrollBar()->sizeHint().width();
    const QSize inner = content_->sizeHint();
    const int below = layout()->spacing() + restore_->sizeHint().height() + 12;
    QSize wanted(inner.width() + margins.left() + margins.right(),
                 inner.height() + margins.top() + margins.bottom() + below);
    if (wanted.height() > room.height())
        wanted.rwidth() += bar;
    // The window manager's borders (none without one) come on top.
    const QSize borders = frameGeometry().size() - size();
    const QSize inside = wanted.boundedTo(room.size() - borders);
    resize(inside);
    // Over the frame, inside what it covers; move() places the borders' corner.
    const QSize shown = inside + borders;
    const QPoint centre = room.center() - QPoint(shown.width() / 2, shown.height() / 2);
    move(std::clamp(centre.x(), room.left(), std::max(room.left(), room.right() + 1 - shown.width())),
         std::clamp(centre.y(), room.top(), std::max(room.top(), room.bottom() + 1 - shown.height())));
}

engine::SettingsDialogState TSettDialog::ControlsState() const
{
    engine::SettingsDialogState state;
    state.width = Text(width_);
    state.height = Text(height_);
    state.gap = Text(gap_);
    state.dx = Text(dx_);
    state.dy = Text(dy_);
    state.da = Text(da_);
    state.zmin = Text(zmin_);
    state.zmax = Text(zmax_);
    state.depthByColor = byColor_->isChecked();
    state.scanIndex = scanList_->currentIndex();
    state.markers = markers_->isChecked();
    state.useOpenBitmap = useBmp_->isChecked();
    state.restoreDefaults = restore_->isChecked();
    state.freshFill = freshFill_->isChecked();
    return state;
}

bool TSettDialog::Marked(const QLineEdit* edit)
{
    return edit && edit->property("corrected").toBool();
}

QString TSettDialog::CorrectionNote() const
{
    return note_->text();
}

void TSettDialog::ShowCorrections()
{
    const std::vector<engine::DialogCorrection> corrections = engine::dialogCorrections(ControlsState());
    for (QLineEdit* edit : {width_, height_, gap_, dx_, dy_, da_, zmin_, zmax_}) {
        edit->setProperty("corrected", false);
        edit->setStyleSheet(QString());
        edit->setToolTip(QString());
    }
    for (const engine::DialogCorrection& c : corrections) {
        QLineEdit* edit = Edit(c.editId);
        edit->setProperty("corrected", true);
        edit->setStyleSheet(QStringLiteral("background: #ffd8d8;"));
        edit->setToolTip(QString::fromStdString(c.note));
    }
    note_->setText(corrections.empty() ? QString() : QString::fromStdString(corrections.front().note));
}

void TSettDialog::FollowScanMethod()
{
    const bool hidden = scanList_->currentIndex() == engine::HiddenSurface - 1;
    hidden_->setEnabled(hidden);
    // The hidden-surface method always fills afresh.
    freshFill_->setEnabled(!hidden && scanList_->currentIndex() >= 0);
}

void TSettDialog::FillControls()
{
    if (!settings_)
        return;
    const engine::SettingsDialogState state = engine::dialogStateFrom(*settings_);
    width_->setText(QString::fromStdString(state.width));
    height_->setText(QString::fromStdString(state.height));
    gap_->setText(QString::fromStdString(state.gap));
    dx_->setText(QString::fromStdString(state.dx));
    dy_->setText(QString::fromStdString(state.dy));
    da_->setText(QString::fromStdString(state.da));
    zmin_->setText(QString::fromStdString(state.zmin));
    zmax_->setText(QString::fromStdString(state.zmax));
    if (state.depthByColor)
        byColor_->setChecked(true);
    else
        byBrightness_->setChecked(true);
    scanList_->setCurrentIndex(state.scanIndex);
    markers_->setChecked(state.markers);
    useBmp_->setChecked(state.useOpenBitmap);
    freshFill_->setChecked(state.freshFill);
    hidden_->Fill(settings_->hidden);
    FollowScanMethod();
    ShowCorrections();
}

void TSettDialog::RestoreDefaultsClicked(bool checked)
{
    if (!settings_ || !checked)
        return;
    engine::SettingsDialogState state;
    engine::onRestoreDefaultsClicked(true, *settings_, state);
    FillControls();
}

void TSettDialog::accept()
{
    if (settings_) {
        const engine::SettingsDialogState state = ControlsState();
        engine::applyDialogState(state, *settings_);
        if (!state.restoreDefaults)
            engine::applyHiddenSurfaceDialog(hidden_->State(), settings_->hidden);
    }
    QDialog::accept();
}

QLineEdit* TSettDialog::Edit(int id) const
{
    switch (id) {
    case 101: return dx_;
    case 102: return dy_;
    case 103: return zmin_;
    case 104: return width_;
    case 105: return height_;
    case 107: return gap_;
    case 110: return da_;
    case 114: return zmax_;
    default: return nullptr;
    }
}

QAbstractButton* TSettDialog::Button(int id) const
{
    switch (id) {
    case 106: return restore_;
    case 108: return byColor_;
    case 109: return markers_;
    case 111: return useBmp_;
    case 112: return byBrightness_;
    default: return nullptr;
    }
}

} // namespace engine_ui

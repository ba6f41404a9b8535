#pragma once
// "SIRDS Settings": edits the one settings record. Invalid entries are
// replaced silently when OK is pressed; "Restore Defaults" writes the
// defaults straight into the record, so they stay even after Cancel.

#include <QDialog>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace engine {
struct SirdsSettings;
}

namespace engine_ui {

class HiddenSurfaceGroup;

class TSettDialog : public QDialog {
    Q_OBJECT
public:
    TSettDialog(QWidget* parent, engine::SirdsSettings* settings);

    // The controls by their ids: edits 101-105, 107, 110, 114; check boxes
    // 106, 109, 111; radio buttons 108, 112; list 113. Null for other ids.
    QLineEdit* Edit(int id) const;
    QAbstractButton* Button(int id) const;
    QComboBox* ScanList() const { return scanList_; }
    // The hidden-surface method's options, beside the classic groups.
    HiddenSurfaceGroup* HiddenGroup() const { return hidden_; }

    void accept() override;

private:
    void FillControls();
    void RestoreDefaultsClicked(bool checked);

    engine::SirdsSettings* settings_;
    QLineEdit* width_;
    QLineEdit* height_;
    QLineEdit* gap_;
    QLineEdit* dx_;
    QLineEdit* dy_;
    QLineEdit* da_;
    QLineEdit* zmin_;
    QLineEdit* zmax_;
    QCheckBox* markers_;
    QCheckBox* useBmp_;
    QRadioButton* byColor_;
    QRadioButton* byBrightness_;
    QComboBox* scanList_;
    QCheckBox* restore_;
    HiddenSurfaceGroup* hidden_;
};

} // namespace engine_ui

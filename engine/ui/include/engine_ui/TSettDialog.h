#pragma once
// "SIRDS Settings": edits the one settings record. Invalid entries are
// replaced when OK is pressed; while the user types, each field OK would
// replace is marked and a note under the groups says by what and why.
// "Restore Defaults" writes the defaults straight into the record, so they
// stay even after Cancel.

#include "engine/SirdsSettings.h"

#include <QDialog>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QScrollArea;
class QVBoxLayout;
class QRadioButton;


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
    // The classic methods' fresh fill, disabled for the hidden-surface method.
    QCheckBox* FreshFill() const { return freshFill_; }
    // The hidden-surface method's options, beside the classic groups.
    HiddenSurfaceGroup* HiddenGroup() const { return hidden_; }

    void accept() override;
    // The one-line note under the groups: what OK would replace, and the
    // range it must lie in (empty when every value is kept as typed).
    QString CorrectionNote() const;
    // True when the edit is marked as one whose value OK replaces.
    static bool Marked(const QLineEdit* edit);

protected:
    void showEvent(QShowEvent* event) override;

private:
    engine::SettingsDialogState ControlsState() const;
    // Marks every edit whose value OK would replace and fills the note.
    void ShowCorrections();
    // The Hidden Surface group only with that method chosen.
    void FollowScanMethod();
    void FillControls();
    // The dialog's size and place within owner's frame (or the screen).
    void FitWithin(const QWidget* owner);
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
    QCheckBox* freshFill_;
    QCheckBox* restore_;
    HiddenSurfaceGroup* hidden_;
    QLabel* note_;
    QHBoxLayout* columns_;
    QVBoxLayout* layout_;
    // Everything above the buttons, scrolled when the frame is too small.
    QWidget* content_;
    QScrollArea* scroll_;
};

} // namespace engine_ui

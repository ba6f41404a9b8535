#pragma once
// "About": the program's picture, its icon and a line naming this build.

#include <QDialog>

class QLabel;

namespace gui {

// "Linux Version 1.0.0 (Qt 6.x)" or the like: the system and build this is.
QString BuildVersionLine();

class TAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit TAboutDialog(QWidget* parent);
    QString VersionText() const;

private:
    QLabel* version_; // control 121
};

} // namespace gui

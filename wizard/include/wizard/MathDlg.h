#pragma once
// "Math SIRDS Selection": picks one figure of the math figure library from
// a list of every title in catalogue order. The library's title table must
// have been built (InitFigureTitles) by the caller.

#include <QDialog>
#include <QString>

class QListWidget;
class QPushButton;

namespace wizard {

class MathDlg : public QDialog {
    Q_OBJECT
public:
    explicit MathDlg(QWidget* parent);

    // Results after OK: the catalogue index and the title of the figure.
    int SelectedIndex() const { return index_; }
    QString SelectedTitle() const { return title_; }

    QListWidget* List() const { return list_; }
    QPushButton* Button(int id) const; // 1 OK, 2 Cancel

    void accept() override;

private:
    QListWidget* list_;
    QPushButton* ok_;
    QPushButton* cancel_;
    int index_ = 0;
    QString title_;
};

} // namespace wizard

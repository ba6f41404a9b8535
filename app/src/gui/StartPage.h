#pragma once
// The start page in the empty MDI area: the first steps of making a
// stereogram as buttons (the wizard, a new depth map, Open, a math figure).
// It shows while no document window is open.

#include <QWidget>

#include <functional>

class QMdiArea;

namespace gui {

class StartPage : public QWidget {
    Q_OBJECT
public:
    // command runs a frame command by id (as the menu would).
    StartPage(QMdiArea* area, std::function<void(int id)> command);

    // Shown while the area has no document windows, centred in it.
    void Follow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMdiArea* area_;
};

} // namespace gui

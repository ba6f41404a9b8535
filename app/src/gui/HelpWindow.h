#pragma once
// The manual: HTML pages compiled into the program, shown in one window that
// opens at the index or at the topic of a keyword. Esc closes it; pictures
// wider than the window are shown narrower, never cut off.

#include <QMainWindow>
#include <QSize>
#include <QUrl>

class QTextBrowser;

namespace gui {

inline constexpr const char* kOverviewKeyword = "Dotscape Overview";

// The page of a keyword; the index for a keyword the manual does not know.
QUrl HelpTopicUrl(const QString& keyword);
QUrl HelpIndexUrl();
// The size a picture of width × height is shown at in `room` pixels of
// width: its own when it fits, else that width and the height in proportion.
QSize FittedPictureSize(int width, int height, int room);

class HelpWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void ShowIndex();
    void ShowKeyword(const QString& keyword);
    QUrl CurrentPage() const;
    QString DocumentTitle() const;
    QTextBrowser* Browser() const { return browser_; }

protected:
    // The keyboard goes back to the frame: without a window manager nobody
    // else gives it back, and the frame's shortcuts would stay dead.
    void hideEvent(QHideEvent* event) override;

private:
    void Present();

    QTextBrowser* browser_;
    bool placed_ = false;
};

} // namespace gui

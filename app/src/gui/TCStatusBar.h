#pragma once
// The frame's status bar: a message pane (which menu hints replace while a
// menu item is highlighted), a progress gauge for long processes, and the
// level, image and memory panes. The level pane shows only while a depth map
// is the active window.

#include <QStatusBar>

class QLabel;
class QProgressBar;

namespace gui {

class TCStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TCStatusBar(QWidget* parent = nullptr);

    void SetMessageText(const QString& text);
    // 0..100; shows the gauge when it was hidden, then repaints at once.
    void SetProgress(int percent);
    void HideProgress();
    void SetImageText(const QString& text);
    void SetMemoryText(const QString& text);
    // Empty hides the pane.
    void SetLevelText(const QString& text);
    // A note in the message pane's place for a while (a menu hint replaces it).
    void ShowNote(const QString& text);
    // Drops a menu or button hint that covers the message pane.
    void ClearHintText() { clearMessage(); }

    QString MessageText() const;
    QString ImageText() const;
    QString MemoryText() const;
    QString LevelText() const;
    int ProgressValue() const;
    bool ProgressShown() const { return progressShown_; }

private:
    QProgressBar* progress_;
    QLabel* message_;
    QLabel* level_;
    QLabel* image_;
    QLabel* memory_;
    bool progressShown_ = false;
};

} // namespace gui

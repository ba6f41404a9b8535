#pragma once
// The manual: HTML pages compiled into the program, shown in one window that
// opens at the index or at the topic of a keyword.

#include <QMainWindow>
#include <QUrl>

class QTextBrowser;

namespace gui {

inline constexpr const char* kOverviewKeyword = "Dotscape Overview";

// The page of a keyword; the index for a keyword the manual does not know.
QUrl HelpTopicUrl(const QString& keyword);
QUrl HelpIndexUrl();

class HelpWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void ShowIndex();
    void ShowKeyword(const QString& keyword);
    QUrl CurrentPage() const;
    QString DocumentTitle() const;

private:
    void Present();

    QTextBrowser* browser_;
    bool placed_ = false;
};

} // namespace gui

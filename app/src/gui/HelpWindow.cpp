#include "gui/HelpWindow.h"

#include <QAction>
#include <QTextBrowser>
#include <QToolBar>

// The pages are compiled into whatever holds this file, a program or a
// static library; the latter needs the resources registered by name.
static void initHelpResources() { Q_INIT_RESOURCE(help); }

namespace gui {

QUrl HelpIndexUrl() { return QUrl(QStringLiteral("qrc:/help/index.html")); }

QUrl HelpTopicUrl(const QString& keyword)
{
    if (keyword.compare(QLatin1String(kOverviewKeyword), Qt::CaseInsensitive) == 0)
        return QUrl(QStringLiteral("qrc:/help/overview.html"));
    return HelpIndexUrl();
}

HelpWindow::HelpWindow(QWidget* parent) : QMainWindow(parent, Qt::Window)
{
    initHelpResources();
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Dotscape Help"));
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(false);
    setCentralWidget(browser_);
    QToolBar* bar = addToolBar(QStringLiteral("Help"));
    bar->setMovable(false);
    bar->addAction(QStringLiteral("&Contents"), this, &HelpWindow::ShowIndex);
    bar->addAction(QStringLiteral("&Back"), browser_, &QTextBrowser::backward);
    bar->addAction(QStringLiteral("&Forward"), browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(QStringLiteral("Dotscape Help - %1").arg(browser_->documentTitle())); });
    resize(560, 480);
}

void HelpWindow::ShowIndex()
{
    browser_->setSource(HelpIndexUrl());
    show();
    raise();
    activateWindow();
}

void HelpWindow::ShowKeyword(const QString& keyword)
{
    browser_->setSource(HelpTopicUrl(keyword));
    show();
    raise();
    activateWindow();
}

QUrl HelpWindow::CurrentPage() const { return browser_->source(); }
QString HelpWindow::DocumentTitle() const { return browser_->documentTitle(); }

} // namespace gui

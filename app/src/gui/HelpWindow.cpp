#include "gui/HelpWindow.h"

#include "gui/FrameRules.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
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
    Present();
}

void HelpWindow::ShowKeyword(const QString& keyword)
{
    browser_->setSource(HelpTopicUrl(keyword));
    Present();
}

void HelpWindow::Present()
{
    if (!isVisible() && !placed_) {
        // The first time over the frame and on the screen: left to the
        // window manager, the manual can open half off the screen.
        QWidget* frame = parentWidget() ? parentWidget()->window() : nullptr;
        const QScreen* screen = frame && frame->screen() ? frame->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            const QRect free = screen->availableGeometry();
            const QRect over = frame ? frame->frameGeometry() : free;
            // Room for the window manager's title bar and borders.
            const QSize outer = size() + QSize(8, 32);
            const IntPoint at = CentredWithin({over.left(), over.top(), over.right() + 1, over.bottom() + 1},
                                              outer.width(), outer.height(),
                                              {free.left(), free.top(), free.right() + 1, free.bottom() + 1});
            move(at.x, at.y);
        }
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

QUrl HelpWindow::CurrentPage() const { return browser_->source(); }
QString HelpWindow::DocumentTitle() const { return browser_->documentTitle(); }

} // namespace gui

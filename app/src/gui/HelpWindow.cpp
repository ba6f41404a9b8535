#include "gui/HelpWindow.h"

#include "gui/FrameRules.h"

#include <QAction>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QToolBar>

#include <algorithm>
#include <vector>

// The pages are compiled into whatever holds this file, a program or a
// static library; the latter needs the resources registered by name.
static void initHelpResources() { Q_INIT_RESOURCE(help); }

namespace gui {

namespace {

// A page's resource as a picture, whichever form the document keeps it in.
QImage PictureOf(const QVariant& resource)
{
    if (resource.canConvert<QImage>() && resource.typeId() == QMetaType::QImage)
        return resource.value<QImage>();
    if (resource.typeId() == QMetaType::QPixmap)
        return resource.value<QPixmap>().toImage();
    if (resource.typeId() == QMetaType::QByteArray)
        return QImage::fromData(resource.toByteArray());
    return {};
}

// A page's pictures at their own size where the window is wide enough, else
// scaled down to the room they have: the width of the text, or of their
// column when they stand in a table.
class HelpBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

    void FitPictures()
    {
        QTextDocument* page = document();
        const double margin = page->documentMargin();
        const int room = std::max(1, viewport()->width() - static_cast<int>(2 * margin) - 4);
        struct Picture {
            int position;
            int length;
            QTextImageFormat format;
        };
        std::vector<Picture> pictures;
        for (QTextBlock block = page->begin(); block.isValid(); block = block.next()) {
            const QTextTable* table = QTextCursor(block).currentTable();
            const int columns = table ? std::max(1, table->columns()) : 1;
            const int space = std::max(1, room / columns - (table ? 8 : 0));
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (!fragment.charFormat().isImageFormat())
                    continue;
                QTextImageFormat format = fragment.charFormat().toImageFormat();
                const QVariant resource = page->resource(QTextDocument::ImageResource, QUrl(format.name()));
                const QImage image = PictureOf(resource);
                if (image.isNull())
                    continue;
                const QSize shown = FittedPictureSize(image.width(), image.height(), space);
                if (format.width() == shown.width() && format.height() == shown.height())
                    continue;
                format.setWidth(shown.width());
                format.setHeight(shown.height());
                pictures.push_back({fragment.position(), fragment.length(), format});
            }
        }
        for (const Picture& picture : pictures) {
            QTextCursor cursor(page);
            cursor.setPosition(picture.position);
            cursor.setPosition(picture.position + picture.length, QTextCursor::KeepAnchor);
            cursor.setCharFormat(picture.format);
        }
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QTextBrowser::resizeEvent(event);
        FitPictures();
    }
};

} // namespace

QSize FittedPictureSize(int width, int height, int room)
{
    if (width <= room || width <= 0)
        return {width, height};
    const int shownHeight = static_cast<int>(static_cast<long long>(height) * room / width);
    return {room, std::max(1, shownHeight)};
}

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
    auto* browser = new HelpBrowser(this);
    browser_ = browser;
    browser_->setOpenExternalLinks(false);
    setCentralWidget(browser_);
    QToolBar* bar = addToolBar(QStringLiteral("Help"));
    bar->setMovable(false);
    bar->addAction(QStringLiteral("&Contents"), this, &HelpWindow::ShowIndex);
    bar->addAction(QStringLiteral("&Back"), browser_, &QTextBrowser::backward);
    bar->addAction(QStringLiteral("&Forward"), browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this, browser] {
        setWindowTitle(QStringLiteral("Dotscape Help - %1").arg(browser_->documentTitle()));
        browser->FitPictures();
    });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
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

void HelpWindow::hideEvent(QHideEvent* event)
{
    QMainWindow::hideEvent(event);
    if (QWidget* frame = parentWidget() ? parentWidget()->window() : nullptr; frame && frame->isVisible())
        frame->activateWindow();
}

QUrl HelpWindow::CurrentPage() const { return browser_->source(); }
QString HelpWindow::DocumentTitle() const { return browser_->documentTitle(); }

} // namespace gui

#include "gui/StartPage.h"

#include "gui/Commands.h"

#include "engine/FigureTitles.h"

#include <QEvent>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QVBoxLayout>

namespace gui {

StartPage::StartPage(QMdiArea* area, std::function<void(int id)> command) : QWidget(area->viewport()), area_(area)
{
    setObjectName(QStringLiteral("StartPage"));
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("<b>Make a stereogram</b>"), this);
    layout->addWidget(heading);
    struct Step {
        int id;
        QString text;
    };
    const Step steps[] = {
        {CM_WIZARD, QStringLiteral("SIRDS &Wizard: a stereogram in a few steps")},
        {CM_FILENEW, QStringLiteral("&New depth map: draw the shapes to hide")},
        {CM_FILEOPEN, QStringLiteral("&Open a depth picture or map (light is near)")},
        {CM_FIGUREFIRST,
         QStringLiteral("A &math figure: %1").arg(QString::fromStdString(engine::figureTitle(0)))},
    };
    for (const Step& step : steps) {
        auto* button = new QPushButton(step.text, this);
        button->setObjectName(QStringLiteral("start%1").arg(step.id));
        button->setStyleSheet(QStringLiteral("text-align: left; padding: 4px 10px;"));
        const int id = step.id;
        connect(button, &QPushButton::clicked, this, [command, id] { command(id); });
        layout->addWidget(button);
    }
    auto* hint = new QLabel(QStringLiteral("Look through the stereogram, as if at something far behind it, until "
                                           "the shape stands out. Help > Index tells more."),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    area_->viewport()->installEventFilter(this);
    Follow();
}

void StartPage::Follow()
{
    const bool empty = area_->subWindowList().isEmpty();
    setVisible(empty);
    if (!empty)
        return;
    const QSize room = area_->viewport()->size();
    const int width = std::min(std::max(sizeHint().width(), 320), std::max(room.width() - 16, 100));
    const int height = heightForWidth(width) > 0 ? heightForWidth(width) : sizeHint().height();
    resize(width, height);
    move(std::max((room.width() - width) / 2, 0), std::max((room.height() - height) / 3, 0));
    lower();
}

bool StartPage::eventFilter(QObject* watched, QEvent* event)
{
    // The viewport is this page's parent; asking the area for it here would
    // reach into an area that is being destroyed.
    if (watched == parentWidget() && (event->type() == QEvent::Resize || event->type() == QEvent::ChildAdded ||
                                         event->type() == QEvent::ChildRemoved))
        // Once the window that came or went is in the area's list or out of it.
        QMetaObject::invokeMethod(this, &StartPage::Follow, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

} // namespace gui

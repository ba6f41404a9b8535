// The Window menu: cascade, tile, arrange the minimised windows, close
// them all (each may ask to save first), and the list of open windows. The
// document windows are kept inside the MDI area.

#include "gui/TDotscapeWnd.h"

#include "gui/FrameRules.h"

#include "depthmap_ui/TMapWindow.h"
#include "engine_ui/TSirdsWnd.h"

#include <QActionGroup>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include <vector>

namespace gui {

void TDotscapeWnd::ConnectWindowCommands()
{
    OnCommand(CM_CASCADE, [this] { client_->cascadeSubWindows(); });
    OnCommand(CM_TILE, [this] { client_->tileSubWindows(); });
    OnCommand(CM_ARRANGEICONS, [this] { ArrangeIcons(); });
    OnCommand(CM_CLOSEALL, [this] { CloseChildren(); });
}

void TDotscapeWnd::ArrangeIcons()
{
    // Minimised windows line up from the bottom-left corner of the MDI area,
    // a new row above when one row is full.
    const QSize area = client_->viewport()->size();
    int x = 0;
    int row = 0;
    for (QMdiSubWindow* sub : client_->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isMinimized())
            continue;
        const QSize size = sub->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            ++row;
        }
        sub->move(x, area.height() - (row + 1) * size.height());
        x += size.width();
    }
}

bool TDotscapeWnd::CanCloseChildren()
{
    // Every window is asked before any closes, so that Cancel at any of the
    // questions keeps every window, those answered No included. A window
    // answered No must not ask again when it is then closed; if a later one
    // refuses it asks again next time.
    std::vector<engine_ui::TSirdsWnd*> answeredNo;
    std::vector<depthmap_ui::TMapWindow*> mapsAnsweredNo;
    auto undo = [&] {
        for (engine_ui::TSirdsWnd* picture : answeredNo)
            picture->SetNoSaveQuestion(false);
        for (depthmap_ui::TMapWindow* map : mapsAnsweredNo)
            map->SetCloseWithoutQuestion(false);
    };
    for (QMdiSubWindow* sub : client_->subWindowList()) {
        if (auto* map = qobject_cast<depthmap_ui::TMapWindow*>(sub->widget())) {
            if (map->IsSaved() || map->CloseWithoutQuestion())
                continue;
            if (!map->CanClose()) {
                undo();
                return false;
            }
            if (!map->IsSaved()) {
                map->SetCloseWithoutQuestion(true);
                mapsAnsweredNo.push_back(map);
            }
            continue;
        }
        auto* picture = qobject_cast<engine_ui::TSirdsWnd*>(sub->widget());
        if (!picture || picture->GetNoSaveQuestion())
            continue;
        if (!picture->CanClose()) {
            undo();
            return false;
        }
        if (!picture->GetNoSaveQuestion()) {
            picture->SetNoSaveQuestion(true);
            answeredNo.push_back(picture);
        }
    }
    return true;
}

bool TDotscapeWnd::CloseChildren()
{
    if (!CanCloseChildren())
        return false;
    for (QMdiSubWindow* sub : client_->subWindowList())
        if (!sub->close())
            return false;
    return true;
}

void TDotscapeWnd::UpdateWindowMenu()
{
    if (!windowMenu_)
        return;
    // The entries are the group's children: deleting it takes them out of
    // the menu.
    delete windowList_;
    windowList_ = new QActionGroup(this);
    windowList_->setExclusive(true);
    const QList<QMdiSubWindow*> subs = client_->subWindowList(QMdiArea::CreationOrder);
    if (subs.isEmpty())
        return;
    auto* separator = new QAction(windowList_);
    separator->setSeparator(true);
    windowMenu_->addAction(separator);
    for (qsizetype i = 0; i < subs.size(); ++i) {
        QMdiSubWindow* sub = subs[i];
        QString title = sub->windowTitle();
        // The unsaved-changes mark shows as a star, as in the title bar.
        const bool modified = sub->isWindowModified() || (sub->widget() && sub->widget()->isWindowModified());
        title.replace(QStringLiteral("[*]"), modified ? QStringLiteral("*") : QString());
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        // The first nine are reached by their digit.
        const QString text = i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title)
                                   : QStringLiteral("%1 %2").arg(i + 1).arg(title);
        auto* entry = new QAction(text, windowList_);
        entry->setCheckable(true);
        entry->setChecked(sub == client_->activeSubWindow());
        windowMenu_->addAction(entry);
        connect(entry, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(sub)] {
            if (sub)
                client_->setActiveSubWindow(sub);
        });
    }
}

void TDotscapeWnd::KeepInsideClient(QMdiSubWindow* sub)
{
    if (!sub || !client_ || sub->isMaximized() || sub->isMinimized())
        return;
    const QSize area = client_->viewport()->size();
    const QRect now = sub->geometry();
    const IntRect fitted =
        FitWithin({now.left(), now.top(), now.left() + now.width(), now.top() + now.height()}, area.width(),
                  area.height());
    const QRect wanted(fitted.left, fitted.top, fitted.width(), fitted.height());
    if (wanted != now)
        sub->setGeometry(wanted);
}

bool TDotscapeWnd::eventFilter(QObject* watched, QEvent* event)
{
    // A window that grows (a picture arrives, a map is fitted) is held
    // inside the area; its picture scrolls instead.
    if (event->type() == QEvent::Resize)
        if (auto* sub = qobject_cast<QMdiSubWindow*>(watched); sub && sub->mdiArea() == client_)
            KeepInsideClient(sub);
    return QMainWindow::eventFilter(watched, event);
}

} // namespace gui

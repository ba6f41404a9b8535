// The Window menu: cascade, tile, arrange the minimised windows and close
// them all (each may ask to save first).

#include "gui/TDotscapeWnd.h"

#include "engine_ui/TSirdsWnd.h"

#include <QMdiArea>
#include <QMdiSubWindow>

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
    auto undo = [&answeredNo] {
        for (engine_ui::TSirdsWnd* picture : answeredNo)
            picture->SetNoSaveQuestion(false);
    };
    for (QMdiSubWindow* sub : client_->subWindowList()) {
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

} // namespace gui

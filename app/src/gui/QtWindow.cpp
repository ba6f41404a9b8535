#include "gui/QtWindow.h"

#include "gui/MessageBoxes.h"

#include <QCoreApplication>

#include <utility>

namespace gui {

QtWindow::QtWindow(QWidget* widget, Handler handler) : widget_(widget), handler_(std::move(handler)) {}

int QtWindow::messageBox(std::string_view text, std::string_view caption, unsigned style)
{
    return MessageBox(widget_, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                      QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), style);
}

std::intptr_t QtWindow::sendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    return handler_ ? handler_(message, wParam, lParam) : 0;
}

void QtWindow::update()
{
    if (widget_)
        widget_->repaint();
}

} // namespace gui

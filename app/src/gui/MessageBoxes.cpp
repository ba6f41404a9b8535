#include "gui/MessageBoxes.h"

#include "platform/Window.h"

#include <QMessageBox>
#include <QPushButton>

#include <utility>

namespace gui {

namespace {

MessageBoxProvider& provider()
{
    static MessageBoxProvider current;
    return current;
}

QMessageBox::Icon iconFor(unsigned style)
{
    switch (style & platform::MB_ICONMASK) {
    case platform::MB_ICONSTOP:
        return QMessageBox::Critical;
    case platform::MB_ICONQUESTION:
        return QMessageBox::Question;
    case platform::MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case platform::MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int ShowQtMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style)
{
    QMessageBox box(iconFor(style), caption, text, QMessageBox::NoButton, owner);
    QMessageBox::StandardButtons buttons;
    switch (style & platform::MB_TYPEMASK) {
    case platform::MB_OKCANCEL:
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case platform::MB_YESNOCANCEL:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case platform::MB_YESNO:
        buttons = QMessageBox::Yes | QMessageBox::No;
        break;
    default:
        buttons = QMessageBox::Ok;
        break;
    }
    box.setStandardButtons(buttons);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return platform::IDYES;
    case QMessageBox::No:
        return platform::IDNO;
    case QMessageBox::Cancel:
        return platform::IDCANCEL;
    default:
        // Closing a box with buttons other than OK counts as its escape answer.
        if ((style & platform::MB_TYPEMASK) == platform::MB_YESNO)
            return platform::IDNO;
        if ((style & platform::MB_TYPEMASK) != platform::MB_OK)
            return platform::IDCANCEL;
        return platform::IDOK;
    }
}

MessageBoxProvider SetMessageBoxProvider(MessageBoxProvider next)
{
    return std::exchange(provider(), std::move(next));
}

int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style)
{
    if (provider())
        return provider()(owner, text, caption, style);
    return ShowQtMessageBox(owner, text, caption, style);
}

} // namespace gui

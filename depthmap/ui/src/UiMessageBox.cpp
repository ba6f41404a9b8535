#include "depthmap_ui/UiMessageBox.h"

#include "platform/Window.h"

#include <QMessageBox>

#include <utility>

namespace depthmap_ui {
namespace {

UiMessageBoxProvider& Provider()
{
    static UiMessageBoxProvider provider;
    return provider;
}

QMessageBox::Icon IconOf(unsigned style)
{
    switch (style & platform::MB_ICONMASK) {
    case platform::MB_ICONHAND:
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

UiMessageBoxProvider SetUiMessageBoxProvider(UiMessageBoxProvider provider)
{
    return std::exchange(Provider(), std::move(provider));
}

int ShowQtMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style)
{
    QMessageBox box(IconOf(style), caption, text, QMessageBox::NoButton, owner);
    switch (style & platform::MB_TYPEMASK) {
    case platform::MB_OKCANCEL:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case platform::MB_YESNOCANCEL:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case platform::MB_YESNO:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return platform::IDYES;
    case QMessageBox::No:
        return platform::IDNO;
    case QMessageBox::Cancel:
        return platform::IDCANCEL;
    default:
        // A Yes/No box closed with Escape gives no answer; No is the safe one.
        return (style & platform::MB_TYPEMASK) == platform::MB_YESNO ? platform::IDNO : platform::IDOK;
    }
}

int UiMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style)
{
    if (Provider())
        return Provider()(owner, text, caption, style);
    return ShowQtMessageBox(owner, text, caption, style);
}

int UiMessageBox(QWidget* owner, std::string_view text, std::string_view caption, unsigned style)
{
    return UiMessageBox(owner, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                        QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), style);
}

} // namespace depthmap_ui

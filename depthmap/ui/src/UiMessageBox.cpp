#include "depthmap_ui/UiMessageBox.h"

#include "depthmap_ui/ModalRun.h"

#include "platform/Window.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QSpacerItem>

#include <memory>

#include <utility>

namespace depthmap_ui {
namespace {

// The title bar's icon and its three buttons, with some air.
constexpr int kTitleBarExtra = 120;

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

std::unique_ptr<QMessageBox> MakeQtMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                              unsigned style)
{
    auto box = std::make_unique<QMessageBox>(IconOf(style), caption, text, QMessageBox::NoButton, owner);
    switch (style & platform::MB_TYPEMASK) {
    case platform::MB_OKCANCEL:
        box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case platform::MB_YESNOCANCEL:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case platform::MB_YESNO:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    default:
        box->setStandardButtons(QMessageBox::Ok);
        break;
    }
    // A box is as wide as its text, and a short text ("PICTRANS v2.0") left
    // the window manager too little room for the caption, which it cut
    // short. The box is widened to the caption in a bold title font plus
    // room for the title bar's icon and buttons.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        QFont title = box->font();
        title.setBold(true);
        const int width = QFontMetrics(title).horizontalAdvance(caption) + kTitleBarExtra;
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    return box;
}

int ShowQtMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style,
                     const QString& detail)
{
    const std::unique_ptr<QMessageBox> box = MakeQtMessageBox(owner, text, caption, style);
    if (!detail.isEmpty())
        box->setInformativeText(detail);
    const int answer = RunModal(*box);
    switch (answer) {
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

int UiMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style, const QString& detail)
{
    if (detail.isEmpty())
        return UiMessageBox(owner, text, caption, style);
    if (Provider())
        return Provider()(owner, text + QStringLiteral("\n\n") + detail, caption, style);
    return ShowQtMessageBox(owner, text, caption, style, detail);
}

int UiMessageBox(QWidget* owner, std::string_view text, std::string_view caption, unsigned style)
{
    return UiMessageBox(owner, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                        QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), style);
}

} // namespace depthmap_ui

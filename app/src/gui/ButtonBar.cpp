#include "gui/ButtonBar.h"

#include <QAction>
#include <QEvent>
#include <QLayout>
#include <QToolButton>

namespace gui {

namespace {

int commandOf(const QObject* object)
{
    const auto* button = qobject_cast<const QToolButton*>(object);
    if (!button || !button->defaultAction())
        return -1;
    bool ok = false;
    int id = button->defaultAction()->data().toInt(&ok);
    return ok ? id : -1;
}

} // namespace

ButtonBar::ButtonBar(const QString& title, int windowId, int glyphSize, QWidget* parent)
    : QToolBar(title, parent), windowId_(windowId), glyph_(glyphSize)
{
    setObjectName(QStringLiteral("ButtonBar%1").arg(windowId));
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(glyphSize, glyphSize));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setContextMenuPolicy(Qt::PreventContextMenu);
    // Buttons sit close together, two pixels of border round each glyph, so
    // that the whole bar fits the frame's default width.
    setStyleSheet(QStringLiteral("QToolButton { padding: 0px; margin: 0px; }"));
    if (layout())
        layout()->setSpacing(0);
    QFont gadgetFont = font();
    gadgetFont.setPointSize(10);
    setFont(gadgetFont);
}

QToolButton* ButtonBar::AddButton(QAction* action)
{
    addAction(action);
    auto* button = qobject_cast<QToolButton*>(widgetForAction(action));
    if (button) {
        button->setObjectName(QStringLiteral("button%1").arg(action->data().toInt()));
        button->installEventFilter(this);
        button->setAttribute(Qt::WA_Hover);
    }
    return button;
}

void ButtonBar::AddSeparator(int size)
{
    auto* spacer = new QWidget(this);
    spacer->setObjectName(QStringLiteral("separator"));
    spacer->setFixedSize(size, size);
    addWidget(spacer);
}

void ButtonBar::SetVertical(bool vertical) { setOrientation(vertical ? Qt::Vertical : Qt::Horizontal); }

void ButtonBar::FitLength(int length)
{
    const int smallest = glyph_ * 3 / 5;
    int size = glyph_;
    for (; size > smallest; size -= 2) {
        setIconSize(QSize(size, size));
        const QSize wanted = sizeHint();
        if ((orientation() == Qt::Vertical ? wanted.height() : wanted.width()) <= length)
            return;
    }
    setIconSize(QSize(smallest, smallest));
}

QToolButton* ButtonBar::Button(int id) const
{
    for (QAction* action : actions())
        if (action->data().toInt() == id)
            return qobject_cast<QToolButton*>(widgetForAction(action));
    return nullptr;
}

std::vector<int> ButtonBar::Layout() const
{
    std::vector<int> ids;
    for (QAction* action : actions()) {
        QWidget* widget = widgetForAction(action);
        if (qobject_cast<QToolButton*>(widget))
            ids.push_back(action->data().toInt());
        else if (widget && widget->objectName() == QLatin1String("separator"))
            ids.push_back(0);
    }
    return ids;
}

bool ButtonBar::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        // The frame's popup hint takes the place of the tool tip.
        return true;
    case QEvent::Enter:
    case QEvent::HoverMove:
        if (reporter_) {
            auto* button = qobject_cast<QToolButton*>(watched);
            reporter_(button && button->isDown() ? -1 : commandOf(watched));
        }
        break;
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
        if (reporter_)
            reporter_(-1);
        break;
    default:
        break;
    }
    return QToolBar::eventFilter(watched, event);
}

} // namespace gui

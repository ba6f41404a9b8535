#include "gui/PopupHint.h"

#include "gui/Commands.h"
#include "gui/FrameRules.h"
#include "gui/Shortcuts.h"

#include <QCursor>
#include <QFontMetrics>
#include <QPainter>

namespace gui {

PopupHint::PopupHint(QWidget* frame) : QWidget(frame), frame_(frame)
{
    setObjectName(QStringLiteral("popuphint"));
    setWindowTitle(QStringLiteral("popuphint"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(12);
    font.setBold(true);
    setFont(font);
    delay_.setSingleShot(true);
    delay_.setInterval(kDelayMs);
    showTimer_.setSingleShot(true);
    showTimer_.setInterval(kShowMs);
    connect(&delay_, &QTimer::timeout, this, &PopupHint::DelayElapsed);
    connect(&showTimer_, &QTimer::timeout, this, &PopupHint::ShowTimeElapsed);
    cursor_ = [] { return QCursor::pos(); };
    hide();
}

void PopupHint::HideHint()
{
    hide();
    visible_ = false;
    pending_ = false;
    delay_.stop();
    showTimer_.stop();
}

void PopupHint::ShowHint(int id)
{
    if (!pending_ && (id < 1 || id == currentId_)) {
        hide();
        visible_ = false;
        delay_.stop();
        showTimer_.stop();
        if (id < 1)
            currentId_ = -1;
        return;
    }
    if (!pending_) {
        pending_ = true;
        visible_ = true;
        currentId_ = id;
        delay_.start();
        return;
    }
    pending_ = false;
    delay_.stop();
    const std::string hint = HintWithShortcut(id);
    text_ = QString::fromUtf8(hint.data(), static_cast<qsizetype>(hint.size()));
    if (text_.size() <= 1) {
        hide();
        visible_ = false;
        return;
    }
    hide();
    visible_ = true;
    currentId_ = id;
    const QFontMetrics metrics(font());
    const QSize size(metrics.horizontalAdvance(text_), metrics.height());
    const QPoint mouse = cursor_();
    const QRect outer = frame_->frameGeometry();
    const QPoint client = frame_->mapToGlobal(QPoint(0, 0));
    const IntRect r = HintRect(mouse.x(), mouse.y(), size.width(), size.height(),
                               {outer.left(), outer.top(), outer.left() + outer.width(), outer.top() + outer.height()},
                               client.x(), client.y());
    setGeometry(r.left, r.top, r.width(), r.height());
    raise();
    show();
    showTimer_.start();
}

void PopupHint::DelayElapsed()
{
    if (pending_)
        ShowHint(currentId_);
}

void PopupHint::ShowTimeElapsed()
{
    hide();
    visible_ = false;
}

void PopupHint::paintEvent(QPaintEvent*)
{
    if (!visible_)
        return;
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(QColor(128, 255, 128));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(QColor(0, 0, 128));
    painter.setFont(font());
    painter.drawText(rect().adjusted(6, 3, 0, 0), Qt::AlignLeft | Qt::AlignTop, text_);
}

} // namespace gui

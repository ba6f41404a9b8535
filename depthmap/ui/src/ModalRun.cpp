#include "depthmap_ui/ModalRun.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>

#include <utility>

namespace depthmap_ui {

namespace {

ModalHook& Hook()
{
    static ModalHook hook;
    return hook;
}

// Ends a modal window's loop when the window hides or closes.
class EndOnHide : public QObject {
public:
    explicit EndOnHide(QEventLoop& waiting) : loop_(waiting) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Hide || event->type() == QEvent::Close)
            QMetaObject::invokeMethod(&loop_, &QEventLoop::quit, Qt::QueuedConnection);
        return false;
    }

private:
    QEventLoop& loop_;
};

} // namespace

KeyboardOwner::KeyboardOwner(QWidget* fallback)
    : window_(QApplication::activeWindow()), focus_(QApplication::focusWidget())
{
    if (!window_ && fallback)
        window_ = fallback->window();
    if (focus_ && focus_->window() != window_)
        focus_ = nullptr;
}

void KeyboardOwner::HandBack() const
{
    if (!window_ || !window_->isVisible())
        return;
    window_->activateWindow();
    if (focus_ && focus_->isVisible())
        focus_->setFocus(Qt::ActiveWindowFocusReason);
}

int RunModal(QDialog& dialog)
{
    const KeyboardOwner owner(dialog.parentWidget());
    const int result = Hook() ? Hook()(dialog) : dialog.exec();
    owner.HandBack();
    return result;
}

void RunModalWindow(QWidget& window)
{
    const KeyboardOwner owner(window.parentWidget());
    QPointer<QWidget> shown(&window);
    window.setWindowModality(Qt::ApplicationModal);
    if (!window.isVisible())
        window.show();
    window.activateWindow();
    QEventLoop loop;
    QObject::connect(&window, &QObject::destroyed, &loop, &QEventLoop::quit);
    // A window that only hides is done too.
    EndOnHide hidden(loop);
    window.installEventFilter(&hidden);
    if (shown && shown->isVisible())
        loop.exec(QEventLoop::DialogExec);
    if (shown)
        shown->removeEventFilter(&hidden);
    owner.HandBack();
}

ModalHook SetModalHook(ModalHook hook)
{
    ModalHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

} // namespace depthmap_ui

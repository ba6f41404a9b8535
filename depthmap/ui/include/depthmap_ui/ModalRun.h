#pragma once
// Every modal dialog of the desktop program runs through RunModal, and the
// full-screen view through RunModalWindow. When either goes, the keyboard
// goes back to the window and the control that had it before: without a
// window manager nobody else does this, and the frame's shortcuts would stay
// dead until a click.

#include <QPointer>
#include <QWidget>

#include <functional>

class QDialog;

namespace depthmap_ui {

// Runs dialog modally (QDialog::exec, or the hook) and returns its result.
int RunModal(QDialog& dialog);

// Shows a top-level window modally and returns once it has closed (a window
// that deletes itself on closing may do so).
void RunModalWindow(QWidget& window);

// Runs in QDialog::exec's place for every dialog (tests answer them); an
// empty function restores exec. Returns the previous hook.
using ModalHook = std::function<int(QDialog& dialog)>;
ModalHook SetModalHook(ModalHook hook);

// What had the keyboard when a modal run began, and gives it back.
class KeyboardOwner {
public:
    // Takes the active window and its focused control; fallback (the
    // dialog's parent window) when no window is active.
    explicit KeyboardOwner(QWidget* fallback);
    void HandBack() const;
    QWidget* Window() const { return window_; }

private:
    QPointer<QWidget> window_;
    QPointer<QWidget> focus_;
};

} // namespace depthmap_ui

#pragma once
// A real window in the role of platform::Window: its message boxes are owned
// by the widget and go through the program's box provider, and messages are
// handed to the widget's own handler synchronously.

#include "platform/Window.h"

#include <QPointer>
#include <QWidget>

#include <functional>

namespace gui {

class QtWindow : public platform::Window {
public:
    using Handler = std::function<std::intptr_t(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)>;

    explicit QtWindow(QWidget* widget, Handler handler = {});

    int messageBox(std::string_view text, std::string_view caption, unsigned style) override;
    std::intptr_t sendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void update() override;

    QWidget* widget() const { return widget_; }

private:
    QPointer<QWidget> widget_;
    Handler handler_;
};

} // namespace gui

#pragma once
// The command line's stand-in for a window: message boxes become lines on
// standard error ("Caption: text"), questions are answered by the --force
// flag, by the user at a terminal, or No; the graphics library's status
// messages become a progress line when standard error is a terminal.

#include "platform/Window.h"

#include <iosfwd>
#include <string>

namespace app {

class TerminalWindow : public platform::Window {
public:
    enum class Answer { Ask, Yes, No };

    TerminalWindow(std::ostream& err, Answer questions, bool showProgress);

    int messageBox(std::string_view text, std::string_view caption, unsigned style) override;
    std::intptr_t sendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

    // The text of the last box shown, and whether a Yes/No question was answered No.
    const std::string& lastMessage() const { return lastMessage_; }
    bool declined() const { return declined_; }
    // When set, boxes are only remembered, not printed.
    void setSilent(bool silent) { silent_ = silent; }
    // Shows progress of a named phase ("Shifting Dots") at done of total.
    void progress(const std::string& text, long done, long total);
    void endProgress();

private:
    std::ostream& err_;
    Answer questions_;
    bool showProgress_;
    bool silent_ = false;
    bool progressShown_ = false;
    int lastPercent_ = -1;
    std::string lastText_;
    std::string lastMessage_;
    bool declined_ = false;
};

} // namespace app

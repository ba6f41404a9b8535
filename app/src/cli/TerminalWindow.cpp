#include "app/TerminalWindow.h"

#include "platform/Messages.h"

#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

// The status record the graphics library sends with its status message.
namespace {
struct StatusRecord {
    char text[40];
    std::int32_t done;
    std::int32_t total;
    std::int32_t reserved;
};
} // namespace

namespace app {

TerminalWindow::TerminalWindow(std::ostream& err, Answer questions, bool showProgress)
    : err_(err), questions_(questions), showProgress_(showProgress)
{
}

int TerminalWindow::messageBox(std::string_view text, std::string_view caption, unsigned style)
{
    lastMessage_ = std::string(text);
    const unsigned type = style & platform::MB_TYPEMASK;
    const bool question = type == platform::MB_YESNO || type == platform::MB_YESNOCANCEL;
    if (!question) {
        if (!silent_) {
            endProgress();
            err_ << caption << ": " << text << '\n';
        }
        return platform::IDOK;
    }
    int answer = platform::IDNO;
    if (questions_ == Answer::Yes) {
        answer = platform::IDYES;
    } else if (questions_ == Answer::Ask && ::isatty(STDIN_FILENO)) {
        endProgress();
        err_ << caption << ": " << text << " [y/N] " << std::flush;
        std::string reply;
        if (std::getline(std::cin, reply) && !reply.empty() && (reply[0] == 'y' || reply[0] == 'Y'))
            answer = platform::IDYES;
    }
    if (answer == platform::IDNO)
        declined_ = true;
    return answer;
}

std::intptr_t TerminalWindow::sendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (message == platform::WM_GRAPHSTATUS && lParam) {
        const auto* record = reinterpret_cast<const StatusRecord*>(lParam);
        std::string text(record->text, strnlen(record->text, sizeof record->text));
        if (wParam == 2)
            endProgress();
        else if (wParam == 3)
            progress(text, record->done, record->total);
    }
    return 0;
}

void TerminalWindow::progress(const std::string& text, long done, long total)
{
    if (!showProgress_)
        return;
    int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
    if (percent == lastPercent_ && text == lastText_)
        return;
    lastPercent_ = percent;
    lastText_ = text;
    err_ << '\r' << text << ' ' << percent << "%   " << std::flush;
    progressShown_ = true;
}

void TerminalWindow::endProgress()
{
    if (progressShown_) {
        err_ << '\r' << std::string(lastText_.size() + 8, ' ') << '\r' << std::flush;
        progressShown_ = false;
    }
    lastPercent_ = -1;
    lastText_.clear();
}

} // namespace app

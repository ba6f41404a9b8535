#pragma once
// Stands in for the owner of a file reader: the reader's message boxes are
// collected instead of shown, and its other messages (progress) go on to
// the real window. A failed read then gives one box that names the file and
// gives the reader's reason as its detail.

#include "platform/Window.h"

#include <string>
#include <vector>

namespace gui {

class CollectedMessages final : public platform::Window {
public:
    explicit CollectedMessages(platform::Window* forward) : forward_(forward) {}

    int messageBox(std::string_view text, std::string_view, unsigned) override
    {
        texts_.emplace_back(text);
        return platform::IDOK;
    }
    std::intptr_t sendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override
    {
        return forward_ ? forward_->sendMessage(message, wParam, lParam) : 0;
    }

    // "path: reason; reason", or "path" when the reader said nothing.
    std::string Detail(const std::string& path) const
    {
        std::string detail = path;
        for (std::size_t i = 0; i < texts_.size(); ++i)
            detail += (i == 0 ? ": " : "; ") + texts_[i];
        return detail;
    }

private:
    platform::Window* forward_;
    std::vector<std::string> texts_;
};

} // namespace gui

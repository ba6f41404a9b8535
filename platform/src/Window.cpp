#include "platform/Window.h"

#include <cstdarg>
#include <cstdio>

namespace platform {

int messageBox(Window* owner, std::string_view text, std::string_view caption, unsigned style, int fallback)
{
    return owner ? owner->messageBox(text, caption, style) : fallback;
}

std::intptr_t sendMessage(Window* target, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    return target ? target->sendMessage(message, wParam, lParam) : 0;
}

std::string format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, args);
        out.resize(static_cast<std::size_t>(n));
    }
    va_end(args);
    return out;
}

} // namespace platform

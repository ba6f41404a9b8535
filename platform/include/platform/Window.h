#pragma once
// What the toolkit-free code needs of a window: a message box it owns and a
// way to send it a message. The desktop program backs it with real windows,
// the command line with the terminal, the tests with a recorder. Code that
// receives a Window pointer accepts null and then shows or sends nothing.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Message box styles (combinable) and results.
inline constexpr unsigned MB_OK = 0x0000;
inline constexpr unsigned MB_OKCANCEL = 0x0001;
inline constexpr unsigned MB_YESNOCANCEL = 0x0003;
inline constexpr unsigned MB_YESNO = 0x0004;
inline constexpr unsigned MB_TYPEMASK = 0x000F;
inline constexpr unsigned MB_ICONHAND = 0x0010;
inline constexpr unsigned MB_ICONSTOP = MB_ICONHAND;
inline constexpr unsigned MB_ICONERROR = MB_ICONHAND;
inline constexpr unsigned MB_ICONQUESTION = 0x0020;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x0030;
inline constexpr unsigned MB_ICONINFORMATION = 0x0040;
inline constexpr unsigned MB_ICONMASK = 0x00F0;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

class Window {
public:
    virtual ~Window() = default;

    // Shows text under caption with the given style; returns IDOK, IDYES, ...
    virtual int messageBox(std::string_view text, std::string_view caption, unsigned style) = 0;
    // Delivers a message synchronously and returns the receiver's answer.
    virtual std::intptr_t sendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // Repaints at once whatever is pending (UpdateWindow).
    virtual void update() {}
};

// Helpers that tolerate a null window: no box is shown and the answer is the
// given fallback.
int messageBox(Window* owner, std::string_view text, std::string_view caption, unsigned style,
               int fallback = IDOK);
std::intptr_t sendMessage(Window* target, unsigned message, std::uintptr_t wParam = 0,
                          std::intptr_t lParam = 0);

// printf-style formatting into a std::string, for the messages that carry a
// file name or a number ("Overwrite %s?").
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

} // namespace platform

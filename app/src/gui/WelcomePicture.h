#pragma once
// The program's picture, shown by the welcome window and the about box: a
// small random-dot stereogram of a raised disc behind the program's name,
// drawn by the program itself in 16 colours.

#include <QImage>

namespace gui {

inline constexpr int kWelcomeWidth = 354;
inline constexpr int kWelcomeHeight = 310;

// 354 × 310, indexed with a 16-colour table; the same picture every time.
QImage WelcomePicture();

} // namespace gui

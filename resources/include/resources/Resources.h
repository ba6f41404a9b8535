#pragma once
// The program's pictures: icons, cursors and button faces, drawn as SVG and
// compiled into the program. Ids are the command ids (button faces) and the
// cursor ids (1250 busy, 1251-1261 the depth map tools).

#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace resources {

inline constexpr int kBusyCursor = 1250;
inline constexpr int kMainButtonSize = 26;
inline constexpr int kToolButtonSize = 20;

// Registers the compiled resources; safe to call more than once. Every
// function below calls it.
void InitResources();

// "I1" the program, "I2" a picture window, "I3" a depth map window, "I4" the
// colour table window.
QIcon Icon(const char* name);
// The face of the button with that command id at size × size pixels; a null
// pixmap when the id has none.
QPixmap ButtonFace(int id, int size);
// The face as an icon, rendered at the button size of its bar.
QIcon ButtonIcon(int id);
bool HasButtonFace(int id);
// The cursor with that id; the arrow for an unknown id.
QCursor Cursor(int id);

} // namespace resources

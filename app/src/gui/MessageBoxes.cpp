#include "gui/MessageBoxes.h"

#include "depthmap_ui/UiMessageBox.h"

#include <utility>

namespace gui {

// The document windows already route their boxes through one provider; the
// frame shares it, so one answer script covers a whole session.
MessageBoxProvider SetMessageBoxProvider(MessageBoxProvider next)
{
    return depthmap_ui::SetUiMessageBoxProvider(std::move(next));
}

int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style)
{
    return depthmap_ui::UiMessageBox(owner, text, caption, style);
}

int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style, const QString& detail)
{
    return depthmap_ui::UiMessageBox(owner, text, caption, style, detail);
}

} // namespace gui

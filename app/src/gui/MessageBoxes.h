#pragma once
// Every message box of the desktop program, the frame's and the document
// windows' alike, goes through one provider, so that tests can answer the
// boxes instead of a person.

#include <QString>

#include <functional>

class QWidget;

namespace gui {

// Shows text under caption with a platform::MB_* style (buttons and icon);
// returns platform::IDOK, IDYES, IDNO or IDCANCEL.
using MessageBoxProvider = std::function<int(QWidget* owner, const QString& text, const QString& caption,
                                             unsigned style)>;

// Replaces the provider (an empty function restores QMessageBox); returns the previous one.
MessageBoxProvider SetMessageBoxProvider(MessageBoxProvider provider);

// Shows a box through the current provider.
int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style);
// The same with a line of detail under the text (a provider is given the
// text, a blank line and the detail).
int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style, const QString& detail);

} // namespace gui

#pragma once
// Message boxes of the document windows and their dialogs go through one
// provider, so that tests (and the frame, which keeps its own provider) can
// answer them instead of a person.

#include <QString>

#include <functional>
#include <memory>
#include <string_view>

class QMessageBox;
class QWidget;

namespace depthmap_ui {

// text, caption, a platform::MB_* style; returns platform::IDOK, IDYES, IDNO or IDCANCEL.
using UiMessageBoxProvider =
    std::function<int(QWidget* owner, const QString& text, const QString& caption, unsigned style)>;

// Replaces the provider (an empty function restores QMessageBox); returns the previous one.
UiMessageBoxProvider SetUiMessageBoxProvider(UiMessageBoxProvider provider);

// Shows a box through the current provider.
int UiMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style);
int UiMessageBox(QWidget* owner, std::string_view text, std::string_view caption, unsigned style);
// A box with a line of detail under its text (which file, and why); a
// provider is given the text and the detail after a blank line.
int UiMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style, const QString& detail);

// The QMessageBox behind the default provider: the buttons and icon of the
// style, the answer as a platform id.
int ShowQtMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style,
                     const QString& detail = {});
// The box it runs, not yet shown: wide enough for its caption.
std::unique_ptr<QMessageBox> MakeQtMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                              unsigned style);

} // namespace depthmap_ui

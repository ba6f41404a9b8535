#pragma once
// A tool bar whose buttons report the command under the mouse, so that the
// frame can show its own popup hint instead of the usual tool tip.

#include <QToolBar>

#include <functional>
#include <vector>

class QAction;
class QToolButton;

namespace gui {

class ButtonBar : public QToolBar {
    Q_OBJECT
public:
    // Called with the command id under the mouse, or -1 when the mouse left
    // the buttons or a button was pressed.
    using HintReporter = std::function<void(int id)>;

    ButtonBar(const QString& title, int windowId, int glyphSize, QWidget* parent = nullptr);

    void SetHintReporter(HintReporter reporter) { reporter_ = std::move(reporter); }
    // Adds the shared action as a button; its command id is the action's data.
    QToolButton* AddButton(QAction* action);
    void AddSeparator(int size);
    // Horizontal for the top edge, vertical otherwise.
    void SetVertical(bool vertical);
    // The largest glyphs, from the bar's own size down to three fifths of
    // it, with which every button shows within `length` pixels along the
    // bar, none behind the extension button (at the smallest glyphs when
    // even those do not fit).
    void FitLength(int length);
    int GlyphSize() const { return glyph_; }

    int WindowId() const { return windowId_; }
    QToolButton* Button(int id) const;
    // The ids of the buttons in order, 0 for separators.
    std::vector<int> Layout() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int windowId_;
    int glyph_;
    HintReporter reporter_;
};

} // namespace gui

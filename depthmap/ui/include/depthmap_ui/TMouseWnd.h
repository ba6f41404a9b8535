#pragma once
// The base of every document window: turns raw mouse events into press,
// release, drag, hover and double-click calls, remembers where a drag began
// and where it is now (for rubber bands and moving objects), and carries the
// document kind by which the frame tells its children apart.
//
// The window is a scroll area: derived windows paint into viewport(), and
// every point handed to the virtual calls is in content coordinates (the
// viewport position plus the scroll offsets), so a scrolled document sees
// the same points as an unscrolled one.

#include <QAbstractScrollArea>
#include <QPoint>

namespace depthmap_ui {

// Key flags handed with every button call, as the mouse messages carry them.
inline constexpr unsigned MK_LBUTTON = 0x0001;
inline constexpr unsigned MK_RBUTTON = 0x0002;
inline constexpr unsigned MK_SHIFT = 0x0004;
inline constexpr unsigned MK_CONTROL = 0x0008;
inline constexpr unsigned MK_MBUTTON = 0x0010;

// Document kinds.
inline constexpr int DocNone = 0;
inline constexpr int DocPicture = 1;  // picture or stereogram window
inline constexpr int DocDepthMap = 2;
inline constexpr int DocColorTable = 3;

// The key flags of a mouse event: buttons held after the event plus Shift and Ctrl.
unsigned KeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

class TMouseWnd : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TMouseWnd(QWidget* parent = nullptr);
    ~TMouseWnd() override;

    virtual int GetDocKind() const { return docKind_; }
    virtual void SetDocKind(int kind) { docKind_ = kind; }

    // Cursor resource ids: 1250 busy, 1251.. tools. An unknown id gives the arrow.
    virtual void SetCursor(int resourceId);

    // While a long operation runs through the message pump (a stereogram
    // generation), documents must not go away under it: a document window
    // then refuses to close. Set by the operation, cleared when it ends.
    static void SetDocumentsBusy(bool busy);
    static bool DocumentsBusy();

    // Tracked points, for derived windows and tests.
    QPoint Anchor() const { return {anchorX_, anchorY_}; }
    QPoint DragPoint() const { return {dragX_, dragY_}; }
    QPoint RightPoint() const { return {rightX_, rightY_}; }
    QPoint LastPoint() const { return {lastX_, lastY_}; }
    bool LeftPressed() const { return leftPressed_; }
    bool LeftDragged() const { return leftDragged_; }
    bool RightPressed() const { return rightPressed_; }
    bool RightDragged() const { return rightDragged_; }

signals:
    // Emitted when the MDI sub-window holding this window gains or loses activation.
    void activationChanged(bool active);

protected:
    // The five message entry points; point in content coordinates.
    virtual void EvLButtonDblClk(unsigned keys, QPoint point);
    virtual void EvLButtonDown(unsigned keys, QPoint point);
    virtual void EvLButtonUp(unsigned keys, QPoint point);
    virtual void EvRButtonDown(unsigned keys, QPoint point);
    virtual void EvRButtonUp(unsigned keys, QPoint point);
    virtual void EvMouseMove(unsigned keys, QPoint point);

    // Calls for derived windows; the defaults follow the rules above.
    virtual void LeftDrag(int x, int y) { SetDragPoint(x, y); }
    virtual void RightDrag(int x, int y) { SetDragPoint(x, y); }
    virtual void Hover(int x, int y) { SetLastPoint(x, y); }
    virtual void LeftDoubleClick(unsigned /*keys*/, QPoint /*point*/) {}
    virtual void LeftDown(unsigned /*keys*/, QPoint /*point*/) {}
    virtual void LeftUp(unsigned /*keys*/, QPoint /*point*/) {}
    virtual void RightDown(unsigned /*keys*/, QPoint /*point*/) {}
    virtual void RightUp(unsigned /*keys*/, QPoint /*point*/) {}
    virtual void EndLeftDrag();
    virtual void EndRightDrag();
    virtual void SetDragPoint(int x, int y);

    // Called when the window becomes, or stops being, the active document.
    virtual void Activated(bool /*active*/) {}

    void SetLastPoint(int x, int y) { lastX_ = x; lastY_ = y; }
    // The scroll offsets added to viewport points.
    QPoint ScrollOffset() const;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    // Refuses while documents are busy; derived windows that override it
    // call it first or check DocumentsBusy themselves.
    void closeEvent(QCloseEvent* event) override;

private:
    void WatchSubWindow();

    int anchorX_ = 0, anchorY_ = 0;
    int dragX_ = 0, dragY_ = 0;
    int rightX_ = 0, rightY_ = 0;
    int lastX_ = 0, lastY_ = 0;
    bool leftPressed_ = false;
    bool leftDragged_ = false;
    bool rightPressed_ = false;
    bool rightDragged_ = false;
    int docKind_ = DocNone;
    QWidget* watched_ = nullptr;
    bool active_ = false;
};

} // namespace depthmap_ui

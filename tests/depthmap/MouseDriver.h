#pragma once
// Plays the mouse-tracking window in the depth map tests.

#include "depthmap/TMapDocument.h"

#include "Recorders.h"

// It keeps the points and flags the way the
// window does and hands each gesture on to the document's tools.
struct Mouse {
    explicit Mouse(depthmap::TMapDocument& d, RecordingSurface* surface = nullptr) : doc(d), direct(surface) {}

    depthmap::TMapDocument& doc;
    RecordingSurface* direct;
    depthmap::MouseTrack m;

    void press(platform::Point p)
    {
        m.anchor = m.drag = m.right = m.last = p;
        m.leftPressed = true;
        doc.ToolLeftDown(m, p, direct);
    }
    void move(platform::Point p)
    {
        if (!m.leftPressed) {
            doc.ToolHover(m, p.x, p.y, direct);
            return;
        }
        m.leftDragged = true;
        doc.ToolLeftDrag(m, p.x, p.y, direct);
    }
    void release(platform::Point p)
    {
        if (!m.leftPressed)
            return;
        m.drag = p;
        doc.ToolLeftUp(m, p);
        m.leftPressed = m.leftDragged = false;
    }
    void click(platform::Point p)
    {
        press(p);
        release(p);
    }
    // Arrives as press, release, double click, release.
    void doubleClick(platform::Point p)
    {
        click(p);
        doc.ToolLeftDoubleClick(m, p);
        release(p);
    }
    void drag(platform::Point from, platform::Point to)
    {
        press(from);
        move({(from.x + to.x) / 2, (from.y + to.y) / 2});
        move(to);
        release(to);
    }
};


#pragma once
// Stand-ins for the map window in the depth map tests: a drawing surface and
// a view that record every call as a line of text, and a platform window that
// records message boxes and messages and answers with a preset reply.

#include "depthmap/DrawSurface.h"
#include "platform/Window.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class RecordingSurface : public depthmap::DrawSurface {
public:
    void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override
    {
        add(platform::format("line %d %d %d %d", x1, y1, x2, y2));
    }
    void arc(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::int32_t xs,
             std::int32_t ys, std::int32_t xe, std::int32_t ye) override
    {
        add(platform::format("arc %d %d %d %d from %d %d to %d %d", x1, y1, x2, y2, xs, ys, xe, ye));
    }
    void rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override
    {
        add(platform::format("rectangle %d %d %d %d", x1, y1, x2, y2));
    }
    void roundRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::int32_t w,
                   std::int32_t h) override
    {
        add(platform::format("roundrect %d %d %d %d corner %d %d", x1, y1, x2, y2, w, h));
    }
    void ellipse(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override
    {
        add(platform::format("ellipse %d %d %d %d", x1, y1, x2, y2));
    }
    void polygon(std::span<const platform::Point> pts) override { add("polygon" + points(pts)); }
    void polyline(std::span<const platform::Point> pts) override { add("polyline" + points(pts)); }
    void text(std::int32_t x, std::int32_t y, std::string_view s) override
    {
        add(platform::format("text %d %d ", x, y) + std::string(s));
    }
    void fillBlack(const platform::Rect& r) override
    {
        add(platform::format("black %d %d %d %d", r.left, r.top, r.right, r.bottom));
    }
    void frameRegion(const platform::Region& region, std::int32_t w, std::int32_t h) override
    {
        const platform::Rect& b = region.bounds();
        add(platform::format("frame %d %d %d %d pen %d %d", b.left, b.top, b.right, b.bottom, w, h));
    }

    std::vector<std::string> calls;

private:
    void add(std::string s) { calls.push_back(std::move(s)); }
    static std::string points(std::span<const platform::Point> pts)
    {
        std::string s;
        for (const auto& p : pts)
            s += platform::format(" %d,%d", p.x, p.y);
        return s;
    }
};

class RecordingView : public depthmap::MapView {
public:
    void invalidateRect(const platform::Rect& r, bool erase) override
    {
        calls.push_back(platform::format("rect %d %d %d %d%s", r.left, r.top, r.right, r.bottom,
                                         erase ? " erase" : ""));
    }
    void invalidateRegion(const platform::Region& region, bool erase) override
    {
        const platform::Rect& b = region.bounds();
        calls.push_back(platform::format("region %d %d %d %d%s", b.left, b.top, b.right, b.bottom,
                                         erase ? " erase" : ""));
    }
    void update() override { calls.push_back("update"); }

    std::vector<std::string> calls;
};

struct RecordedBox {
    std::string text;
    std::string caption;
    unsigned style = 0;
};

struct RecordedMessage {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
};

class RecordingWindow : public platform::Window {
public:
    int messageBox(std::string_view text, std::string_view caption, unsigned style) override
    {
        boxes.push_back({std::string(text), std::string(caption), style});
        return answer;
    }
    std::intptr_t sendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) override
    {
        messages.push_back({message, wParam});
        if (onMessage)
            onMessage(message, wParam);
        return 0;
    }

    int answer = platform::IDOK;
    std::vector<RecordedBox> boxes;
    std::vector<RecordedMessage> messages;
    std::function<void(unsigned, std::uintptr_t)> onMessage;
};

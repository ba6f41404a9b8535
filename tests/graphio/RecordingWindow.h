#pragma once
// A window for the graphics library's tests: it records every message box
// and status message and answers questions with a preset reply.

#include "pictrans/TGIntf.h"
#include "platform/Messages.h"
#include "platform/Window.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct RecordedBox {
    std::string text;
    std::string caption;
    unsigned style = 0;
};

struct RecordedStatus {
    unsigned message = 0;
    std::uintptr_t kind = 0;
    std::string text;
    std::int32_t done = 0;
    std::int32_t total = 0;
    std::int32_t reserved = 0;
};

class RecordingWindow : public platform::Window {
public:
    int messageBox(std::string_view text, std::string_view caption, unsigned style) override
    {
        boxes.push_back({std::string(text), std::string(caption), style});
        return (style & platform::MB_TYPEMASK) == platform::MB_YESNO ? answer : platform::IDOK;
    }
    std::intptr_t sendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override
    {
        RecordedStatus s;
        s.message = message;
        s.kind = wParam;
        if (message == platform::WM_GRAPHSTATUS && lParam) {
            const auto* rec = reinterpret_cast<const GRAPHSTATUS*>(lParam);
            s.text.assign(rec->text, strnlen(rec->text, sizeof rec->text));
            s.done = rec->done;
            s.total = rec->total;
            s.reserved = rec->reserved;
        }
        statuses.push_back(s);
        return 0;
    }
    void update() override { ++updates; }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const auto& b : boxes)
            out.push_back(b.text);
        return out;
    }

    int answer = platform::IDYES;
    int updates = 0;
    std::vector<RecordedBox> boxes;
    std::vector<RecordedStatus> statuses;
};

#pragma once
// Small GIF files for the pattern library's tests. Each file's picture is
// (kBaseWidth + id) pixels wide, so a loaded pattern tells which file it
// came from, and its first palette entry carries the id as well.

#include "pictrans/TGifIntf.h"
#include "platform/Bitmap.h"
#include "platform/Palette.h"
#include "platform/Window.h"

#include <memory>
#include <string>
#include <vector>

inline constexpr int kBaseWidth = 10;

// Answers Yes to every question and remembers every message box.
class QuietWindow : public platform::Window {
public:
    int messageBox(std::string_view text, std::string_view, unsigned) override
    {
        boxes.emplace_back(text);
        return platform::IDYES;
    }
    std::intptr_t sendMessage(unsigned, std::uintptr_t, std::intptr_t) override
    {
        ++messages;
        return 0;
    }
    std::vector<std::string> boxes;
    int messages = 0;
};

inline std::unique_ptr<platform::Bitmap> markedBitmap(int id)
{
    auto bitmap = platform::Bitmap::create(kBaseWidth + id, 6, 8);
    for (int y = 0; y < bitmap->height(); ++y) {
        for (int x = 0; x < bitmap->width(); ++x)
            bitmap->setPixel(x, y, static_cast<std::uint32_t>((x * 7 + y * 3 + id) % 256));
    }
    return bitmap;
}

inline std::unique_ptr<platform::Palette> markedPalette(int id)
{
    std::vector<platform::PALETTEENTRY> entries(256);
    for (int i = 0; i < 256; ++i)
        entries[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                                static_cast<std::uint8_t>(i * 3), 0};
    entries[0] = {static_cast<std::uint8_t>(id), 1, 2, 0};
    return std::make_unique<platform::Palette>(entries);
}

// The id a pattern was made with; -1 for none.
inline int markOf(const platform::Bitmap* bitmap)
{
    return bitmap ? bitmap->width() - kBaseWidth : -1;
}

inline bool writeMarkedGif(const std::string& path, int id)
{
    auto bitmap = markedBitmap(id);
    auto palette = markedPalette(id);
    QuietWindow window;
    TGifIntf writer(&window, &window);
    return writer.WriteFile(path, bitmap->description(), bitmap.get(), palette.get()) != 0;
}

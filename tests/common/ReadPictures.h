#pragma once
// Pictures read through the graphics facade for tests: what a file shows
// (RGB, rows from the top, through its palette), its 16-bit samples, the
// messages it gave; and the expected messages of a malformed corpus.

#include "pictrans/TGraphIO.h"
#include "platform/Messages.h"
#include "platform/Window.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

// A window that keeps the text of every message box shown to it.
class MessageLog : public platform::Window {
public:
    std::vector<std::string> texts;
    std::vector<std::string> captions;
    int messageBox(std::string_view text, std::string_view caption, unsigned) override
    {
        texts.emplace_back(text);
        captions.emplace_back(caption);
        return platform::IDNO;
    }
    std::intptr_t sendMessage(unsigned, std::uintptr_t, std::intptr_t) override { return 0; }
};

struct ReadPicture {
    bool ok = false;
    int width = 0;
    int height = 0;
    int bits = 0;       // of the bitmap, per pixel
    int sourceBits = 0; // of the file, per sample
    std::vector<std::uint8_t> rgb; // what it shows, rows from the top
    std::unique_ptr<platform::Grey16Image> grey16;
    std::unique_ptr<platform::Palette> palette;
    std::vector<std::string> messages;
};

// The colours of a bitmap as it shows through its palette (none for 24 bits).
inline std::vector<std::uint8_t> shownRgb(const platform::Bitmap& b, const platform::Palette* palette)
{
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(b.width()) * b.height() * 3);
    const int bits = b.bitsPerPixel();
    for (int y = 0; y < b.height(); ++y) {
        const std::uint8_t* row = b.rowFromTop(y);
        for (int x = 0; x < b.width(); ++x) {
            if (bits == 24) {
                out.insert(out.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
                continue;
            }
            const int perByte = 8 / bits;
            const unsigned index = (row[x / perByte] >> (8 - bits - (x % perByte) * bits)) & ((1u << bits) - 1);
            platform::PALETTEENTRY e{};
            if (palette && index < palette->size())
                e = (*palette)[index];
            out.insert(out.end(), {e.peRed, e.peGreen, e.peBlue});
        }
    }
    return out;
}

inline ReadPicture readPicture(const std::string& path)
{
    ReadPicture p;
    MessageLog log;
    TGraphIO io(nullptr, &log);
    auto bitmap = io.Read_File(path);
    p.messages = log.texts;
    if (!bitmap)
        return p;
    p.ok = true;
    p.width = bitmap->width();
    p.height = bitmap->height();
    p.bits = bitmap->bitsPerPixel();
    p.sourceBits = io.GetSourceBits();
    p.palette = io.GetPalette();
    p.grey16 = io.GetGrey16();
    p.rgb = shownRgb(*bitmap, p.palette.get());
    return p;
}

// The largest difference of one channel between two pictures of one size;
// -1 when their sizes differ.
inline int maxDifference(const ReadPicture& a, const ReadPicture& b)
{
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size())
        return -1;
    int most = 0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i)
        most = std::max(most, std::abs(int{a.rgb[i]} - int{b.rgb[i]}));
    return most;
}

// expected.tsv of a malformed corpus: file name, a tab, the exact message.
inline std::map<std::string, std::string> expectedMessages(const std::string& folder)
{
    std::map<std::string, std::string> out;
    std::ifstream list(folder + "/expected.tsv");
    std::string line;
    while (std::getline(list, line)) {
        const auto tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == std::string::npos)
            continue;
        out[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return out;
}

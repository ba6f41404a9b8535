#include "gui/FrameRules.h"

#include "gui/Commands.h"

#include "app/FileKinds.h"
#include "pictrans/GraphicFormats.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

namespace gui {

namespace {

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The number after "key:" on its own line of /proc/meminfo, or -1.
long meminfoValue(std::string_view text, std::string_view key)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == ':') {
            long value = 0;
            bool digits = false;
            for (char c : line.substr(key.size() + 1)) {
                if (c >= '0' && c <= '9') {
                    if (value > (std::numeric_limits<long>::max() - 9) / 10)
                        return -1;
                    value = value * 10 + (c - '0');
                    digits = true;
                } else if (digits) {
                    break;
                }
            }
            return digits ? value : -1;
        }
        pos = end + 1;
    }
    return -1;
}

} // namespace

std::string LowerCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool IsDepthMapName(std::string_view path) { return contains(TitleFromPath(path), ".rds"); }

FrameRect FirstRunFrameRect(const FrameRect& available)
{
    const int aw = std::max(available.right - available.left, 1);
    const int ah = std::max(available.bottom - available.top, 1);
    const int w = std::min(std::max(aw * 3 / 4, 640), aw);
    const int h = std::min(std::max(ah * 3 / 4, 480), ah);
    const int left = available.left + (aw - w) / 2;
    const int top = available.top + (ah - h) / 2;
    return {left, top, left + w, top + h};
}

namespace {

// The first extension of a kind that can do cap, in capitals; BMP's for
// any other code.
std::string defaultExtension(int format, unsigned cap)
{
    const app::FileKind* kind = app::kindByCode(format);
    if (!kind || !kind->can(cap) || kind->extensions.empty())
        kind = app::kindByCode(kFormatBmp);
    std::string ext = kind && !kind->extensions.empty() ? kind->extensions[0] : "bmp";
    for (char& c : ext)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

} // namespace

std::string OpenDefaultExtension(int format) { return defaultExtension(format, pictrans::kReads); }

std::string SaveDefaultExtension(int format) { return defaultExtension(format, pictrans::kWrites); }

std::string ReadingText(int format)
{
    const app::FileKind* kind = app::kindByCode(format);
    return kind && kind->can(pictrans::kReads) ? "Reading " + std::string(kind->name) + " File" : std::string();
}

std::string WritingText(int format)
{
    // Pictures are written in their own format; anything else as BMP.
    const app::FileKind* kind = app::kindByCode(format);
    if (!kind || !kind->picture || !kind->can(pictrans::kWrites))
        kind = app::kindByCode(kFormatBmp);
    return "Writing " + std::string(kind ? kind->name : "BMP") + " File";
}

std::string DimensionsText(int width, int height, int bitsPerPixel)
{
    long long colors = (bitsPerPixel >= 0 && bitsPerPixel < 63) ? (1LL << bitsPerPixel) : 0;
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%d x %d x %lld", width, height, colors);
    return buffer;
}

std::string ImageSizeText(std::int64_t bytes)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "Image: %lld K", static_cast<long long>(bytes / 1000));
    return buffer;
}

int PreviewDockLength(int wanted, int frameLength)
{
    constexpr int kSmallest = 120;
    return std::max(kSmallest, std::min(wanted, frameLength / 4));
}

std::string LevelText(int level)
{
    if (level <= 0)
        return "Level " + std::to_string(level) + " (background)";
    return "Level " + std::to_string(level);
}

std::string_view BackgroundShapeNote()
{
    return "No depth: the shape is at level 0, the background's level. Set Level (Ctrl+L) raises it.";
}

std::string MemoryText(long kilobytes)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "Free: %ld K", kilobytes);
    return buffer;
}

int ProgressPercent(std::int32_t done, std::int32_t total)
{
    if (total <= 0)
        return 0;
    std::int64_t percent = std::int64_t{done} * 100 / total;
    return static_cast<int>(std::clamp<std::int64_t>(percent, 0, 100));
}

long MemAvailableKb(std::string_view meminfo)
{
    long value = meminfoValue(meminfo, "MemAvailable");
    if (value < 0)
        value = meminfoValue(meminfo, "MemFree");
    return value;
}

long SystemMemAvailableKb()
{
    std::ifstream in("/proc/meminfo");
    if (!in)
        return -1;
    std::ostringstream text;
    text << in.rdbuf();
    return MemAvailableKb(text.str());
}

std::int32_t VideoColors(int bitsPerPixel)
{
    if (bitsPerPixel <= 0)
        return 1;
    if (bitsPerPixel >= 31)
        return std::numeric_limits<std::int32_t>::max();
    return std::int32_t{1} << bitsPerPixel;
}

std::string VideoInfoText(std::int32_t colors)
{
    char buffer[200];
    std::snprintf(buffer, sizeof buffer,
                  "The current video driver is\nset for %ld colors.\n Dotscape may not work with some video "
                  "drivers with more than 256 colors.",
                  static_cast<long>(colors));
    return buffer;
}

std::string TitleFromPath(std::string_view path)
{
    std::size_t cut = path.find_last_of("/\\");
    if (cut != std::string_view::npos)
        path = path.substr(cut + 1);
    return LowerCase(path);
}

PrintPlacement PrintScale(int w, int h, int pw, int ph)
{
    PrintPlacement p;
    const int aw = pw - 2 * kPrintMargin;
    const int ah = ph - 2 * kPrintMargin;
    if (w < 1 || h < 1 || aw < 1 || ah < 1)
        return p;
    p.adjusted = !(w < pw && h < ph);
    // One factor for both directions, the smaller of the two that would fill
    // the printable width or height, so that no side runs off the page.
    const double sx = static_cast<double>(aw) / w;
    const double sy = static_cast<double>(ah) / h;
    if (sx < sy) {
        p.width = aw;
        p.height = static_cast<int>(h * sx);
    } else {
        p.width = static_cast<int>(w * sy);
        p.height = ah;
    }
    p.width = std::clamp(p.width, 1, aw);
    p.height = std::clamp(p.height, 1, ah);
    p.x = kPrintMargin;
    p.y = kPrintMargin;
    p.valid = true;
    return p;
}

IntRect HintRect(int mouseX, int mouseY, int w, int h, const IntRect& frame, int clientX, int clientY)
{
    const int dx = std::min(0, frame.right - (mouseX + w + 20));
    const int dy = std::min(0, frame.bottom - (mouseY + h + 36));
    IntRect r;
    r.left = mouseX - clientX + dx + 8;
    r.top = mouseY - clientY + dy + 20;
    r.right = r.left + w + 12;
    r.bottom = r.top + h + 8;
    return r;
}

IntPoint WelcomePosition(int x, int y, int w, int h, int bitmapWidth, int bitmapHeight)
{
    return {x + w / 2 - bitmapWidth / 2, y + h / 2 - bitmapHeight / 2};
}

IntPoint CentredWithin(const IntRect& over, int w, int h, const IntRect& inside)
{
    int x = over.left + over.width() / 2 - w / 2;
    int y = over.top + over.height() / 2 - h / 2;
    // Right and bottom first, so that a window too large for the screen
    // still shows its title bar and left edge.
    x = std::max(std::min(x, inside.right - w), inside.left);
    y = std::max(std::min(y, inside.bottom - h), inside.top);
    return {x, y};
}

IntRect FitWithin(const IntRect& window, int areaWidth, int areaHeight)
{
    const int width = std::clamp(window.width(), 0, std::max(0, areaWidth));
    const int height = std::clamp(window.height(), 0, std::max(0, areaHeight));
    const int left = std::max(0, std::min(window.left, areaWidth - width));
    const int top = std::max(0, std::min(window.top, areaHeight - height));
    return {left, top, left + width, top + height};
}

} // namespace gui

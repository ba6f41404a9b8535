#include "gui/Shortcuts.h"

#include "gui/Commands.h"

#include <array>

namespace gui {

namespace {

struct Keys {
    int id;
    std::array<std::string_view, 2> keys; // unused entries are empty
    std::size_t count;
};

// The tools take single letters: the frame gives its shortcuts to its own
// window only, so they never reach a dialog's text field, and the tools
// are disabled unless a depth map window is active.
constexpr std::array kKeys{
    Keys{CM_FILENEW, {"Ctrl+N"}, 1},
    Keys{CM_FILEOPEN, {"Ctrl+O"}, 1},
    Keys{CM_FILESAVE, {"Ctrl+S"}, 1},
    Keys{CM_FILESAVEAS, {"Ctrl+Shift+S"}, 1},
    Keys{CM_FILECLOSE, {"Ctrl+W"}, 1},
    Keys{CM_FILEPRINT, {"Ctrl+P"}, 1},
    Keys{CM_EXIT, {"Ctrl+Q"}, 1},
    Keys{CM_EDITUNDO, {"Ctrl+Z"}, 1},
    Keys{CM_EDITREDO, {"Ctrl+Shift+Z"}, 1},
    Keys{CM_EDITCOPY, {"Ctrl+C"}, 1},
    Keys{CM_EDITPASTE, {"Ctrl+V"}, 1},
    Keys{CM_ZOOMIN, {"Ctrl++", "Ctrl+="}, 2},
    Keys{CM_ZOOMOUT, {"Ctrl+-"}, 1},
    Keys{CM_FULLSCREEN, {"F11"}, 1},
    Keys{CM_MAKESIRDS, {"Ctrl+M"}, 1},
    Keys{CM_WIZARD, {"Ctrl+Shift+M"}, 1},
    Keys{CM_HELPINDEX, {"F1"}, 1},
    Keys{CM_STOP, {"Esc"}, 1},
    Keys{1251, {"S"}, 1},
    Keys{1252, {"M"}, 1},
    Keys{1253, {"G"}, 1},
    Keys{1254, {"A"}, 1},
    Keys{1256, {"L"}, 1},
    Keys{1257, {"U"}, 1},
    Keys{1258, {"B"}, 1},
    Keys{1259, {"R"}, 1},
    Keys{1260, {"P"}, 1},
    Keys{1261, {"C"}, 1},
    Keys{CM_SETLEVEL, {"Ctrl+L"}, 1},
    Keys{CM_OBJECTUP, {"Ctrl+Up"}, 1},
    Keys{CM_OBJECTDOWN, {"Ctrl+Down"}, 1},
    Keys{CM_OBJECTDELETE, {"Del"}, 1},
};

constexpr auto kIds = [] {
    std::array<int, kKeys.size()> ids{};
    for (std::size_t i = 0; i < kKeys.size(); ++i)
        ids[i] = kKeys[i].id;
    return ids;
}();

const Keys* find(int id)
{
    for (const Keys& k : kKeys)
        if (k.id == id)
            return &k;
    return nullptr;
}

} // namespace

std::span<const std::string_view> ShortcutKeys(int id)
{
    const Keys* k = find(id);
    if (!k)
        return {};
    return std::span<const std::string_view>(k->keys.data(), k->count);
}

std::string_view ShortcutText(int id)
{
    const auto keys = ShortcutKeys(id);
    return keys.empty() ? std::string_view{} : keys.front();
}

std::string HintWithShortcut(int id)
{
    std::string hint(HintText(id));
    const std::string_view key = ShortcutText(id);
    if (hint.empty() || key.empty())
        return hint;
    hint += " (";
    hint += key;
    hint += ')';
    return hint;
}

std::span<const int> CommandsWithShortcuts() { return kIds; }

} // namespace gui

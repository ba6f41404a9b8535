#include "gui/Commands.h"

#include <array>
#include <utility>

namespace gui {

namespace {

struct Hint {
    int id;
    std::string_view text;
};

constexpr std::array kHints{
    Hint{CM_FILENEW, "Create a New Depth File"},
    Hint{CM_FILEOPEN, "Open an Image File"},
    Hint{CM_FILESAVE, "Save Image to Disk"},
    Hint{CM_FILESAVEAS, "Save Under new file name"},
    Hint{CM_FILECLOSE, "Close the active window"},
    Hint{CM_FILEPRINT, "Print Image"},
    Hint{CM_FILEPRINTERSETUP, "Access Printer Setup"},
    Hint{CM_EXIT, "Exit Dotscape"},
    Hint{CM_EDITUNDO, "Undo the last change to the depth map"},
    Hint{CM_EDITREDO, "Redo the change last undone"},
    Hint{CM_EDITCOPY, "Copy to Clipboard"},
    Hint{CM_EDITPASTE, "Paste from Clipboard"},
    Hint{CM_VIDEOINFO, "Get Information about the operating video driver"},
    Hint{CM_ZOOMIN, "Zoom In"},
    Hint{CM_ZOOMOUT, "Zoom Out"},
    Hint{CM_FULLSCREEN, "View Full Screen"},
    Hint{CM_PREVIEW, "Show the stereogram of the active depth map while it is drawn"},
    Hint{CM_WIZARD, "Use SIRDS Wizard"},
    Hint{CM_MAKESIRDS, "Create SIRDS from a loaded image"},
    Hint{CM_MAKEANIMATION, "Create an animated SIRDS from a math figure or a depth map"},
    Hint{CM_REVEALDEPTH, "Show the depth hidden in the active stereogram"},
    Hint{CM_REVEALANAGLYPH, "Show the scene hidden in the active stereogram as a red/cyan anaglyph"},
    Hint{CM_GRAYIMAGE, "Turn current image into a gray scale image"},
    Hint{CM_SETTINGS, "Edit SIRDS Setup parameters"},
    Hint{CM_FITDEPTH, "Fit depth beyond Zmax to the range Zmin..Zmax"},
    Hint{CM_PATTERNS, "Select a SIRDS Pattern"},
    Hint{CM_COLORTABLE, "View the Color Map for a loaded image"},
    Hint{CM_MATHVERSION, "Get Math Library version"},
    Hint{CM_CASCADE, "Cascade all Windows"},
    Hint{CM_TILE, "Tile all Windows"},
    Hint{CM_ARRANGEICONS, "Arrange Icons"},
    Hint{CM_CLOSEALL, "Close all windows"},
    Hint{CM_HELPINDEX, "Access Online Help"},
    Hint{CM_HELPSIRDS, "Overview on SIRDS"},
    Hint{CM_GRAPHICSLIB, "Get graphics library version"},
    Hint{CM_ABOUT, "About Dotscape"},
    Hint{CM_STOP, "Stop Current Process"},
    Hint{CM_RELOCATE, "Relocate Button Bar"},
    Hint{1251, "Select Tool"},
    Hint{1252, "Move Tool"},
    Hint{1253, "Get Object Level Tool"},
    Hint{1254, "Apply Object Level Tool"},
    Hint{1255, "Draw Text Object Tool"},
    Hint{1256, "Draw Line Object Tool"},
    Hint{1257, "Draw Curve Object Tool"},
    Hint{1258, "Draw [Square Corner] Box Object Tool"},
    Hint{1259, "Draw [Round Corner] Box Object Tool"},
    Hint{1260, "Draw Polygon Object Tool"},
    Hint{1261, "Draw Cyrcle Object Tool"},
    Hint{1262, "Select and Set Level"},
    Hint{1263, "Move Depth Object Up"},
    Hint{1264, "Move Depth Object Down"},
    Hint{1265, "Delete Selected Depth Object"},
    Hint{1266, "Select Text Object Font"},
};

constexpr int kMainButtons[] = {
    CM_RELOCATE, CM_HELPINDEX, 0,
    CM_FILENEW, CM_FILEOPEN, CM_FILESAVE, CM_EDITCOPY, CM_EDITPASTE, CM_FILEPRINT, 0,
    CM_ZOOMIN, CM_ZOOMOUT, CM_FULLSCREEN, CM_COLORTABLE, CM_MAKESIRDS, CM_WIZARD, 0,
    CM_SETTINGS, CM_PATTERNS, 0,
    CM_STOP, CM_EXIT,
};
constexpr int kMainSeparators[] = {6, 6, 6, 12};

constexpr int kPaletteTools[] = {1251, 1252, 1255, 1256, 1257, 1258, 1259, 1260, 1261, 1253, 1254};
constexpr int kPaletteCommands[] = {1262, 1263, 1264, 1265, 1266};

bool isPicture(const FrameState& s) { return s.activeKind == kKindPicture; }

} // namespace

bool CommandEnabled(int id, const FrameState& s)
{
    if (id >= CM_FIGUREFIRST && id <= CM_FIGURELAST)
        return true;
    if (id >= CM_TOOLFIRST && id <= CM_TEXTFONT) {
        // The text tool and the font command have no behaviour anywhere.
        if (id == 1255 || id == CM_TEXTFONT)
            return false;
        return s.activeKind == kKindDepthMap;
    }
    switch (id) {
    case CM_FILENEW:
    case CM_FILEOPEN:
        return !s.busy;
    case CM_FILESAVE:
        if (s.busy)
            return false;
        if (isPicture(s))
            return !s.pictureNoSaveQuestion;
        return s.activeKind == kKindDepthMap && !s.mapSaved;
    case CM_FILESAVEAS:
        // Any picture or map may be written again, in another format too.
        return !s.busy && (isPicture(s) || s.activeKind == kKindDepthMap);
    case CM_FILECLOSE:
        return !s.busy && s.activeKind != kKindNone;
    case CM_FILEPRINT:
    case CM_REVEALDEPTH:
    case CM_REVEALANAGLYPH:
    case CM_MAKESIRDS:
        if (s.busy)
            return false;
        return isPicture(s) || (id == CM_MAKESIRDS && (s.activeKind == kKindDepthMap || s.activeKind == kKindModel));
    case CM_EXIT:
    case CM_MAKEANIMATION:
        return !s.busy;
    case CM_COLORTABLE:
    case CM_EDITCOPY:
        return !s.busy && (isPicture(s) || s.activeKind == kKindColorTable);
    case CM_EDITUNDO:
        return !s.busy && s.activeKind == kKindDepthMap && s.mapCanUndo;
    case CM_EDITREDO:
        return !s.busy && s.activeKind == kKindDepthMap && s.mapCanRedo;
    case CM_EDITPASTE:
        return !s.busy && s.clipboardHasBitmap;
    case CM_ZOOMIN:
        return !s.busy && isPicture(s) && s.zoom < 4.0;
    case CM_ZOOMOUT:
        return !s.busy && isPicture(s) && s.zoom > 0.25;
    case CM_FULLSCREEN:
        return isPicture(s);
    case CM_WIZARD:
        return true;
    case CM_STOP:
        return s.busy;
    case CM_CASCADE:
    case CM_TILE:
    case CM_ARRANGEICONS:
    case CM_CLOSEALL:
        return s.hasChildren;
    case CM_FILEPRINTERSETUP:
    case CM_VIDEOINFO:
    case CM_GRAYIMAGE:
    case CM_SETTINGS:
    case CM_PATTERNS:
    case CM_MATHVERSION:
    case CM_HELPINDEX:
    case CM_HELPSIRDS:
    case CM_GRAPHICSLIB:
    case CM_ABOUT:
    case CM_RELOCATE:
    case CM_PREVIEW:
    case CM_FITDEPTH:
        return true;
    default:
        return false;
    }
}

std::string_view HintText(int id)
{
    for (const Hint& h : kHints)
        if (h.id == id)
            return h.text;
    return {};
}

std::span<const int> MainToolBarButtons() { return kMainButtons; }
std::span<const int> MainToolBarSeparators() { return kMainSeparators; }
std::span<const int> ToolPaletteTools() { return kPaletteTools; }
std::span<const int> ToolPaletteCommands() { return kPaletteCommands; }

int ToolBarPositionFromConfig(long value)
{
    return (value < kBarTop || value > kBarRight) ? kBarTop : static_cast<int>(value);
}

int NextToolBarPosition(int position) { return (ToolBarPositionFromConfig(position) + 1) % 3; }

} // namespace gui

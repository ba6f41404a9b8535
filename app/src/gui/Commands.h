#pragma once
// The frame's command ids, their menu texts and hint texts, and the rules that
// decide whether a command is available. Nothing here knows about widgets: the
// frame fills a FrameState from its active window and asks CommandEnabled for
// every action in one place.

#include <span>
#include <string_view>

namespace gui {

// Document kinds of the MDI children.
inline constexpr int kKindNone = 0;
inline constexpr int kKindPicture = 1;
inline constexpr int kKindDepthMap = 2;
inline constexpr int kKindModel = 4; // a 3-D model's window
inline constexpr int kKindColorTable = 3;

// Graphics format codes of the frame (1-4 and 6 as the graphics library, 5
// for depth map files).
inline constexpr int kFormatBmp = 1;
inline constexpr int kFormatPcx = 2;
inline constexpr int kFormatGif = 3;
inline constexpr int kFormatJpeg = 4;
inline constexpr int kFormatDepthMap = 5;
inline constexpr int kFormatPng = 6;
inline constexpr int kFormatModel = 64; // any 3-D model the importer reads

inline constexpr int CM_FILENEW = 24331;
inline constexpr int CM_FILEOPEN = 24332;
inline constexpr int CM_FILESAVE = 24333;
inline constexpr int CM_FILESAVEAS = 24334;
// Closes the active document window (with its own save question).
inline constexpr int CM_FILECLOSE = 24335;
inline constexpr int CM_FILEPRINT = 24337;
inline constexpr int CM_FILEPRINTERSETUP = 24338;
inline constexpr int CM_EXIT = 24310;
inline constexpr int CM_EDITUNDO = 24321;
inline constexpr int CM_EDITREDO = 24322;
inline constexpr int CM_EDITCOPY = 221;
inline constexpr int CM_EDITPASTE = 223;
inline constexpr int CM_VIDEOINFO = 119;
inline constexpr int CM_MAKEANIMATION = 120;
inline constexpr int CM_REVEALDEPTH = 121;
inline constexpr int CM_REVEALANAGLYPH = 127;
inline constexpr int CM_PREVIEW = 122;
// Checked: pictures and maps whose depth goes beyond Zmax are fitted to Zmin..Zmax.
inline constexpr int CM_FITDEPTH = 124;
inline constexpr int CM_ZOOMIN = 101;
inline constexpr int CM_ZOOMOUT = 102;
inline constexpr int CM_FULLSCREEN = 112;
inline constexpr int CM_WIZARD = 105;
inline constexpr int CM_MAKESIRDS = 103;
inline constexpr int CM_GRAYIMAGE = 104;
inline constexpr int CM_SETTINGS = 107;
inline constexpr int CM_PATTERNS = 111;
inline constexpr int CM_COLORTABLE = 110;
inline constexpr int CM_MATHVERSION = 398;
inline constexpr int CM_FIGUREFIRST = 301;
inline constexpr int CM_FIGURELAST = 330;
inline constexpr int CM_CASCADE = 24361;
inline constexpr int CM_TILE = 24362;
inline constexpr int CM_ARRANGEICONS = 24364;
inline constexpr int CM_CLOSEALL = 24365;
inline constexpr int CM_HELPINDEX = 901;
inline constexpr int CM_HELPSIRDS = 902;
inline constexpr int CM_GRAPHICSLIB = 905;
inline constexpr int CM_ABOUT = 903;
inline constexpr int CM_STOP = 205;
inline constexpr int CM_RELOCATE = 109;
// Depth map tools and commands of the tool palette.
inline constexpr int CM_TOOLFIRST = 1251;
inline constexpr int CM_TOOLSELECT = 1251;
inline constexpr int CM_TOOLLAST = 1261;
inline constexpr int CM_SETLEVEL = 1262;
inline constexpr int CM_OBJECTUP = 1263;
inline constexpr int CM_OBJECTDOWN = 1264;
inline constexpr int CM_OBJECTDELETE = 1265;
inline constexpr int CM_TEXTFONT = 1266;

// What the enabling rules look at.
struct FrameState {
    bool busy = false;
    int activeKind = kKindNone;
    // Picture window: its no-save-question flag, zoom factor, whether it is a
    // stereogram (the full-screen view is offered for every picture window).
    bool pictureNoSaveQuestion = false;
    double zoom = 1.0;
    // Depth map window: its saved flag, and whether its history has a
    // change to take back or to make again.
    bool mapSaved = false;
    bool mapCanUndo = false;
    bool mapCanRedo = false;
    bool clipboardHasBitmap = false;
    bool hasChildren = false;
};

bool CommandEnabled(int id, const FrameState& state);

// The string-table text shown as hint for a command (empty when it has none).
std::string_view HintText(int id);

// The tool bars' buttons in order; 0 stands for a separator, whose size is in
// the matching entry of MainToolBarSeparators.
std::span<const int> MainToolBarButtons();
// Separator sizes, in the order the separators appear.
std::span<const int> MainToolBarSeparators();
// The tool palette: the exclusive tool group, then the plain commands.
std::span<const int> ToolPaletteTools();
std::span<const int> ToolPaletteCommands();

// Tool bar placement: 0 top, 1 left, 2 right.
inline constexpr int kBarTop = 0;
inline constexpr int kBarLeft = 1;
inline constexpr int kBarRight = 2;
// A stored position outside 0..2 means the top.
int ToolBarPositionFromConfig(long value);
int NextToolBarPosition(int position);

} // namespace gui

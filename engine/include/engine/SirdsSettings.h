#pragma once
// The one record of stereogram parameters, its start-up defaults, and the
// rules by which the settings dialog and the command line turn what the user
// typed into that record. Everything here is toolkit-free: the Qt dialog only
// copies its controls into a SettingsDialogState and back.

#include "engine/HiddenSurfaceSettings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

// Scan methods (the ShiftDir field).
enum ScanMethod : std::int32_t {
    LeftToRight = 1,
    McMahon = 2,
    Feucht = 3,
    HiddenSurface = 4,
};

// Depth sources of pictures (the DepthSel field).
enum DepthSource : std::int32_t {
    ByColor = 1,
    ByBrightness = 2,
};

// Twelve signed 32-bit fields in this exact order (section "DEMO" of the
// configuration file), then the hidden-surface method's options (a section
// of their own); the configuration file and every window share one instance
// of it.
struct SirdsSettings {
    std::int32_t dx = 0;         // math figure shift to the right, pixels
    std::int32_t dy = 0;         // math figure shift upwards, pixels
    std::int32_t da = 0;         // angle handed to every figure query, degrees
    std::int32_t zmax = 63;      // upper end of the depth resolution
    std::int32_t zmin = 0;       // lower end of the depth resolution
    std::int32_t w = 400;        // width of a new math stereogram
    std::int32_t h = 400;        // height of a new math stereogram
    std::int32_t gapValue = 100; // separation of two copies of a far point
    std::int32_t DepthSel = ByColor;
    std::int32_t Marker = 1;     // 1: draw the two alignment squares
    std::int32_t UseBMP = 0;     // 1: draw a math figure over the open picture
    std::int32_t ShiftDir = McMahon;

    HiddenSurfaceSettings hidden;

    friend bool operator==(const SirdsSettings&, const SirdsSettings&) = default;
};

// Ranges the dialog enforces (values from the configuration file are taken
// as they are and may lie outside them).
inline constexpr std::int32_t kMinGap = 51;
inline constexpr std::int32_t kMaxGap = 150;
inline constexpr std::int32_t kMaxWidth = 1200;
inline constexpr std::int32_t kMaxHeight = 1200;
inline constexpr std::int32_t kMaxDisplacement = 200;
inline constexpr std::int32_t kMaxAngle = 180;

// "Restore Defaults": every field back to its start-up value except UseBMP,
// which keeps its value; the hidden-surface options too.
void restoreDefaults(SirdsSettings& settings);

// The settings dialog's controls, as text and check states.
struct SettingsDialogState {
    std::string width;   // edit 104
    std::string height;  // edit 105
    std::string gap;     // edit 107
    std::string dx;      // edit 101
    std::string dy;      // edit 102
    std::string da;      // edit 110
    std::string zmin;    // edit 103
    std::string zmax;    // edit 114
    bool depthByColor = true;      // radio 108 (else "Depth by Brightness" 112)
    int scanIndex = 1;             // list 113: 0..3, or -1 for no selection
    bool markers = true;           // check box 109
    bool useOpenBitmap = false;    // check box 111
    bool restoreDefaults = false;  // check box 106
    // The classic methods' fresh fill: what one eye sees alone keeps its own
    // pattern instead of a neighbour's copy (hidden.FreshFill).
    bool freshFill = false;

    friend bool operator==(const SettingsDialogState&, const SettingsDialogState&) = default;
};

// The names of the scan method list entries, in list order.
inline constexpr std::string_view kScanMethodNames[4] = {"Left-To-Right", "McMahon", "Feucht", "Hidden Surface"};

// Fills the controls from the record when the dialog opens. A ShiftDir
// outside 1..4 leaves the list without a selection; the Restore Defaults box
// is left unchecked.
SettingsDialogState dialogStateFrom(const SirdsSettings& settings);

// A click on "Restore Defaults"; nowChecked is the box's new state. When
// checked, the record gets the defaults at once (so they stay even if the
// dialog is cancelled) and the controls are filled again from it; when
// unchecked nothing happens.
void onRestoreDefaultsClicked(bool nowChecked, SirdsSettings& settings, SettingsDialogState& state);

// An edit's text read as the dialog reads it: at most the first 19
// characters, optional leading blanks, an optional sign, then decimal digits
// up to the first other character; no digits gives 0. Numbers beyond the
// 32-bit range saturate at its ends, which every range rule below then
// replaces as out of range.
std::int32_t readDialogInteger(std::string_view text);

// The OK button: reads the controls into the record with the dialog's
// silent corrections (out-of-range values replaced, Zmin and Zmax swapped
// when entered the wrong way round). With "Restore Defaults" checked the
// controls are not read at all.
void applyDialogState(const SettingsDialogState& state, SirdsSettings& settings);

// Option names used in the command-line checker's messages.
struct SettingsOptionNames {
    std::string_view dx = "--dx";
    std::string_view dy = "--dy";
    std::string_view da = "--angle";
    std::string_view zmin = "--zmin";
    std::string_view zmax = "--zmax";
    std::string_view w = "--width";
    std::string_view h = "--height";
    std::string_view gapValue = "--gap";
    std::string_view DepthSel = "--depth";
    std::string_view Marker = "--markers";
    std::string_view UseBMP = "--use-bitmap";
    std::string_view ShiftDir = "--method";
};

// The command line refuses instead of correcting: the first value outside
// the dialog's ranges gives a message naming the option and its range, such
// as "--gap must be between 51 and 150"; Zmin not below Zmax gives
// "--zmin must be less than --zmax". An empty string means the record is
// usable. The width's lower bound is twice the gap being checked. The
// hidden-surface options are checked last (checkHiddenSurface).
std::string checkSettings(const SirdsSettings& settings, const SettingsOptionNames& names = {});

} // namespace engine

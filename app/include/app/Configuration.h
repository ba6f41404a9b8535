#pragma once
// The program's settings between runs: one INI file, read at start-up and
// written when the main frame closes. Reading never fails: a missing file,
// section or key, or a value that is not a number, gives that key's default.
// Writing keeps every other line of the file and replaces it atomically.

#include "engine/PatternDirs.h"
#include "engine/SirdsSettings.h"
#include "engine/TSirdPatt.h"
#include "platform/Window.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace app {

// The twelve values of section "DEMO" are the stereogram settings record.
using DemoSettings = engine::SirdsSettings;

// Screen rectangle by its edges (right and bottom exclusive, as the frame
// reports them).
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// Where and how the main frame opens.
struct FramePlacement {
    bool maximized = false;
    int x = 0;
    int y = 0;
    int width = 640;
    int height = 480;
};

// Section "wizard": the wizard's source page reads and writes it on its own.
struct WizardSettings {
    static constexpr std::size_t kMaxSourceName = 255;

    int source_type = 3; // 1 bitmap image, 2 depth map, 3 math library, 4 3-D model
    int figure = 0;
    // Absent: the page shows the title of the figure numbered by figure.
    std::optional<std::string> source_name;

    friend bool operator==(const WizardSettings&, const WizardSettings&) = default;
};

class Configuration {
public:
    // Section "WinSize".
    int X1 = 0;
    int Y1 = 0;
    int X2 = 640;
    int Y2 = 480;
    int MX = 0;
    // True when the file had the frame's rectangle (X2): false on a first run.
    bool hasFrameRect = false;
    // Section "Tools": main tool bar at 0 top, 1 left, 2 right.
    int CntlBar = 0;
    // Section "GRAPHICS": format code of the last opened or saved file.
    int Format = 1;
    // Section "Patterns".
    int Select = 0;
    int Count = 20;
    // Section "DEMO".
    DemoSettings demo;
    // Section "Depth", key "Fit": depth beyond Zmax is 0 asked about,
    // 1 fitted to Zmin..Zmax, 2 kept as it is.
    int FitDepth = 0;
    // Section "Folders": the folder the file dialogs used last (empty: the
    // current folder). A name with a line break in it is not stored.
    std::string lastFolder;

    // Replaces every value by the file's, or by the default where the file
    // has none. The wizard section is not part of this.
    void load(const std::string& path);
    // Writes the values the program stores at exit, in the order Tools,
    // GRAPHICS, Patterns, DEMO, WinSize (MX always 0), Hidden Surface, into the file at path,
    // keeping everything else in it. False when the file could not be
    // written (the old file then stays as it was).
    bool save(const std::string& path) const;

    // MX non-zero opens the frame maximised; otherwise the position is
    // (X1, Y1) and the size (X2 - X1, Y2 - Y1).
    FramePlacement framePlacement() const;
    // The rectangle the welcome window is centred on (MX plays no part).
    ScreenRect frameRect() const { return {X1, Y1, X2, Y2}; }
    // Stores the frame's rectangle clipped to the desktop's and clears MX, so
    // a maximised frame comes back as a normal frame covering the screen.
    void storeFrameRect(const ScreenRect& frame, const ScreenRect& desktop);
    // CntlBar with values outside 0..2 taken as 0.
    int toolBarPosition() const;

    // Start-up: the pattern library loaded with Select and Count from the
    // given folders (see engine::LoadPatterns).
    std::unique_ptr<engine::TSirdPatt> loadPatternLibrary(platform::Window* frame, const engine::PatternDirs& dirs,
                                                          engine::PatternLoadObserver* observer = nullptr) const;
    // Exit: Select and Count from the library's current pattern and size.
    void storePatterns(engine::TSirdPatt& library);

    static WizardSettings loadWizard(const std::string& path);
    // Writes the three wizard keys (source_name only when present, cut to
    // 255 characters), keeping everything else in the file.
    static bool saveWizard(const std::string& path, const WizardSettings& wizard);
};

// The file name.
inline constexpr const char* kConfigFileName = "DOTSCAPE.INI";

// xdgConfigHome/dotscape/DOTSCAPE.INI when xdgConfigHome is an absolute
// path, else home/.config/dotscape/DOTSCAPE.INI; with neither, the name
// alone (the current folder).
std::string configPathFor(const std::string& xdgConfigHome, const std::string& home);
// The same from this process's environment (HOME unset: the password entry).
std::string configPath();

} // namespace app

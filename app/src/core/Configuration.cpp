#include "app/Configuration.h"

#include "app/HiddenSurfaceSection.h"

#include "platform/Profile.h"
#include "platform/Window.h"

#include <algorithm>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace app {

namespace {

constexpr const char* kWinSize = "WinSize";
constexpr const char* kTools = "Tools";
constexpr const char* kGraphics = "GRAPHICS";
constexpr const char* kPatterns = "Patterns";
constexpr const char* kDemo = "DEMO";
constexpr const char* kWizard = "wizard";
constexpr const char* kFolders = "Folders";

int readInt(const platform::ProfileFile& file, const char* section, const char* key, int def)
{
    // getInt already clamps to the 32-bit range.
    return static_cast<int>(file.getInt(section, key, def));
}

void writeInt(platform::ProfileFile& file, const char* section, const char* key, int value)
{
    file.set(section, key, platform::format("%d", value));
}

std::string envValue(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

} // namespace

void Configuration::load(const std::string& path)
{
    const platform::ProfileFile file = platform::ProfileFile::load(path);
    const Configuration defaults;

    // The frame's construction: MX, and the edges only when it is 0.
    MX = readInt(file, kWinSize, "MX", defaults.MX);
    X1 = readInt(file, kWinSize, "X1", defaults.X1);
    Y1 = readInt(file, kWinSize, "Y1", defaults.Y1);
    X2 = readInt(file, kWinSize, "X2", defaults.X2);
    Y2 = readInt(file, kWinSize, "Y2", defaults.Y2);
    hasFrameRect = !file.getString(kWinSize, "X2", "").empty();

    CntlBar = readInt(file, kTools, "CntlBar", defaults.CntlBar);

    // The frame's set-up: patterns, format, then the stereogram settings.
    Select = readInt(file, kPatterns, "Select", defaults.Select);
    Count = readInt(file, kPatterns, "Count", defaults.Count);
    Format = readInt(file, kGraphics, "Format", defaults.Format);

    const DemoSettings d;
    demo.dx = readInt(file, kDemo, "dx", d.dx);
    demo.dy = readInt(file, kDemo, "dy", d.dy);
    demo.da = readInt(file, kDemo, "da", d.da);
    demo.zmin = readInt(file, kDemo, "zmin", d.zmin);
    demo.zmax = readInt(file, kDemo, "zmax", d.zmax);
    demo.w = readInt(file, kDemo, "w", d.w);
    demo.h = readInt(file, kDemo, "h", d.h);
    demo.Marker = readInt(file, kDemo, "Marker", d.Marker);
    demo.UseBMP = readInt(file, kDemo, "UseBMP", d.UseBMP);
    demo.DepthSel = readInt(file, kDemo, "DepthSel", d.DepthSel);
    demo.ShiftDir = readInt(file, kDemo, "ShiftDir", d.ShiftDir);
    demo.gapValue = readInt(file, kDemo, "gapValue", d.gapValue);

    lastFolder = file.getString(kFolders, "Last", "");
    FitDepth = readInt(file, "Depth", "Fit", 0);
    demo.hidden = loadHiddenSurface(file);
}

bool Configuration::save(const std::string& path) const
{
    platform::ProfileFile file = platform::ProfileFile::load(path);

    writeInt(file, kTools, "CntlBar", CntlBar);
    writeInt(file, kGraphics, "Format", Format);
    writeInt(file, kPatterns, "Select", Select);
    writeInt(file, kPatterns, "Count", Count);

    writeInt(file, kDemo, "dx", demo.dx);
    writeInt(file, kDemo, "dy", demo.dy);
    writeInt(file, kDemo, "da", demo.da);
    writeInt(file, kDemo, "zmin", demo.zmin);
    writeInt(file, kDemo, "zmax", demo.zmax);
    writeInt(file, kDemo, "w", demo.w);
    writeInt(file, kDemo, "h", demo.h);
    writeInt(file, kDemo, "gapValue", demo.gapValue);
    writeInt(file, kDemo, "Marker", demo.Marker);
    writeInt(file, kDemo, "UseBMP", demo.UseBMP);
    writeInt(file, kDemo, "DepthSel", demo.DepthSel);
    writeInt(file, kDemo, "ShiftDir", demo.ShiftDir);

    // Only an answer given is stored: a file without it asks again.
    if (FitDepth != 0)
        writeInt(file, "Depth", "Fit", FitDepth);
    // Quoted, so that blanks at either end of the name survive reading.
    if (!lastFolder.empty() && lastFolder.find_first_of("\r\n") == std::string::npos)
        file.set(kFolders, "Last", "\"" + lastFolder + "\"");

    writeInt(file, kWinSize, "X1", X1);
    writeInt(file, kWinSize, "Y1", Y1);
    writeInt(file, kWinSize, "X2", X2);
    writeInt(file, kWinSize, "Y2", Y2);
    // The frame always comes back unmaximised; storeFrameRect has made the
    // rectangle cover the screen if it was maximised.
    writeInt(file, kWinSize, "MX", 0);
    // The hidden-surface options last, in their own section.
    saveHiddenSurface(file, demo.hidden);

    return file.save(path);
}

FramePlacement Configuration::framePlacement() const
{
    FramePlacement placement;
    if (MX != 0) {
        placement.maximized = true;
        return placement;
    }
    placement.x = X1;
    placement.y = Y1;
    // Computed in 64 bits: garbled edges must not overflow; the window
    // system copes with odd sizes, not with undefined arithmetic.
    auto span = [](int a, int b) {
        long long d = static_cast<long long>(b) - a;
        return static_cast<int>(std::clamp<long long>(d, INT32_MIN, INT32_MAX));
    };
    placement.width = span(X1, X2);
    placement.height = span(Y1, Y2);
    return placement;
}

void Configuration::storeFrameRect(const ScreenRect& frame, const ScreenRect& desktop)
{
    X1 = std::max(frame.left, desktop.left);
    Y1 = std::max(frame.top, desktop.top);
    X2 = std::min(frame.right, desktop.right);
    Y2 = std::min(frame.bottom, desktop.bottom);
    MX = 0;
}

int Configuration::toolBarPosition() const
{
    return CntlBar >= 0 && CntlBar <= 2 ? CntlBar : 0;
}

std::unique_ptr<engine::TSirdPatt> Configuration::loadPatternLibrary(platform::Window* frame,
                                                                   const engine::PatternDirs& dirs,
                                                                   engine::PatternLoadObserver* observer) const
{
    return engine::LoadPatterns(frame, dirs.userDir, dirs.searchDirs, Select, Count, observer);
}

void Configuration::storePatterns(engine::TSirdPatt& library)
{
    Select = library.GetSelection();
    Count = library.GetCount();
}

WizardSettings Configuration::loadWizard(const std::string& path)
{
    const platform::ProfileFile file = platform::ProfileFile::load(path);
    WizardSettings wizard;
    wizard.source_type = readInt(file, kWizard, "source_type", wizard.source_type);
    wizard.figure = readInt(file, kWizard, "figure", wizard.figure);
    if (auto name = file.get(kWizard, "source_name")) {
        if (name->size() > WizardSettings::kMaxSourceName)
            name->resize(WizardSettings::kMaxSourceName);
        wizard.source_name = std::move(*name);
    }
    return wizard;
}

bool Configuration::saveWizard(const std::string& path, const WizardSettings& wizard)
{
    platform::ProfileFile file = platform::ProfileFile::load(path);
    writeInt(file, kWizard, "source_type", wizard.source_type);
    writeInt(file, kWizard, "figure", wizard.figure);
    if (wizard.source_name) {
        std::string name = wizard.source_name->substr(0, WizardSettings::kMaxSourceName);
        // One line per key: a line break in the name would start a new line
        // and lose the rest of the name.
        std::replace_if(name.begin(), name.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
        file.set(kWizard, "source_name", name);
    }
    return file.save(path);
}

std::string configPathFor(const std::string& xdgConfigHome, const std::string& home)
{
    std::string base;
    if (!xdgConfigHome.empty() && xdgConfigHome.front() == '/')
        base = xdgConfigHome;
    else if (!home.empty())
        base = home + (home.back() == '/' ? ".config" : "/.config");
    if (base.empty())
        return kConfigFileName;
    if (base.back() != '/')
        base += '/';
    return base + "dotscape/" + kConfigFileName;
}

std::string configPath()
{
    std::string home = envValue("HOME");
    if (home.empty()) {
        struct passwd* pw = ::getpwuid(::getuid());
        if (pw && pw->pw_dir)
            home = pw->pw_dir;
    }
    return configPathFor(envValue("XDG_CONFIG_HOME"), home);
}

} // namespace app

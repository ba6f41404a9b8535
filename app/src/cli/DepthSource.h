#pragma once
// Where the depth of a stereogram comes from for dotscape depth: a math
// figure, a picture, a depth map or a 3-D model, each chosen by an option of its own,
// read as make reads it and sampled with the engine's own queries, so what
// depth shows is what make uses. A new kind of source is one class and one
// row of sourceOptions().

#include "app/TerminalWindow.h"
#include "engine/SirdsSettings.h"
#include "models/Camera.h"
#include "platform/Grey16.h"

#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace app {

class DepthSource {
public:
    virtual ~DepthSource() = default;

    // Reads the file (or finds the figure) the source names: kExitOk, or the
    // exit status after saying why on err, the file named.
    virtual int load(TerminalWindow& window, std::ostream& err) = 0;
    // True when --width and --height give the size; the other sources have
    // the size of their file.
    virtual bool sizedBySettings() const { return false; }
    // The depth a stereogram with these settings is made from, one sample a
    // pixel of the stereogram, rows from the top: 8-bit levels (0 to 255)
    // times 257, a 16-bit picture's samples as they are. Null when memory
    // runs out.
    virtual std::unique_ptr<platform::Grey16Image> depth(const engine::SirdsSettings& settings) const = 0;
};

// An option that names a source, and the source it makes of its value.
struct SourceOption {
    const char* option;   // "--figure"
    const char* argument; // "N|TITLE", as the usage shows it
    const char* help;     // the usage line's explanation
    // The source of the option's value; a model is looked at with camera
    // (the camera options given), the others take no notice of it.
    std::unique_ptr<DepthSource> (*make)(const std::string& value, const models::Camera& camera);
};

// Every source option, in the order the usage lists them.
std::span<const SourceOption> sourceOptions();
// The row of option, or null.
const SourceOption* findSourceOption(std::string_view option);
// The source when no option names one: the first math figure.
std::unique_ptr<DepthSource> defaultSource();
// "  --figure N|TITLE     a math figure ..." lines for the usage texts.
std::string sourceUsage();
// "--figure, --picture, --depthmap or --model", for messages.
std::string sourceOptionList();

} // namespace app

#pragma once
// What make and depth take from their options: the source, the settings
// (the configuration file's, then the options'), and where the result goes.

#include "AnimationOutput.h"
#include "DepthSource.h"

#include "app/Configuration.h"
#include "engine/Animation.h"
#include "engine/SirdsSettings.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace app {

struct MakeRequest {
    std::unique_ptr<DepthSource> source; // not loaded yet
    std::string output;
    std::optional<std::string> configFile;
    std::optional<std::string> patternDir;
    std::optional<int> pattern;
    int format = 0;
    int quality = -1; // lossy writers' own default
    bool force = false;
    AnimationArgs animation;
    Configuration config;
    engine::SirdsSettings settings;
    engine::AnimationPlan plan; // when animation.requested()
};

// Reads make's options (depthOnly: those of depth, which refuses the rest)
// and the configuration file, and checks the settings. kExitOk, or
// kExitUsage after saying why (with the usage for an unknown option).
int readMakeRequest(const std::vector<std::string>& args, bool depthOnly, std::ostream& err, MakeRequest& request);

// depth's usage text.
std::string depthUsage();

} // namespace app

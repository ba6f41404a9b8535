#pragma once
// Reading a model file: the importer program (dotscape-import, which links
// the model library) runs as a child process and hands back a triangle
// stream on its standard output. The model library is not hardened against
// hostile files, so the child runs under limits on its address space and
// processor time and against a wall-clock timeout; a crash, a hang or a
// limit in it becomes a refusal with the reason, never a fault in this
// process. The child sets its limits on itself first thing, from its
// arguments, before it opens the file: posix_spawn has no way to set them
// between fork and exec, and the importer is our own program.

#include "models/Mesh.h"

#include <cstdint>
#include <string>

namespace models {

struct ImportLimits {
    std::uint64_t addressSpaceBytes = 6ull << 30;
    int cpuSeconds = 120;
    double timeoutSeconds = 180;
};

struct ImportResult {
    bool ok = false;
    Mesh mesh;
    std::string error; // "The model could not be read: …"
};

// The importer program: DOTSCAPE_IMPORTER when set, else dotscape-import
// beside this program or in ../libexec/dotscape/ from it. Empty when none.
std::string findImporter();

ImportResult importModel(const std::string& file, const ImportLimits& limits = {}, const std::string& importer = {});

} // namespace models

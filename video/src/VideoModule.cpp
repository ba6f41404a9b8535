#include "VideoModuleInterface.h"

#include "platform/ModuleLoader.h"

#include <dlfcn.h>

namespace video::module {

namespace {

struct Loaded {
    const Table* table = nullptr;
    std::string error;

    Loaded()
    {
        std::string reason;
        void* handle = platform::openModule(DOTSCAPE_VIDEO_MODULE, reason);
        if (!handle) {
            error = "Video support is not installed: " + reason;
            return;
        }
        // The module stays loaded for the life of the process.
        auto entry = reinterpret_cast<Entry>(::dlsym(handle, kEntryName));
        table = entry ? entry() : nullptr;
        if (!table || table->version != kInterfaceVersion || !table->newEncoder || !table->newDecoder) {
            table = nullptr;
            error = "Video support is not installed: " DOTSCAPE_VIDEO_MODULE " belongs to another version of "
                    "the program";
        }
    }
};

} // namespace

const Table* table(std::string& error)
{
    static const Loaded loaded;
    error = loaded.error;
    return loaded.table;
}

} // namespace video::module

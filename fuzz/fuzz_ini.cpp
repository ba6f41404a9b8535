// The configuration file reader: parsing, lookups and a write that keeps
// everything else.
#include "platform/Profile.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto profile = platform::ProfileFile::parse(text);
    for (const char* key : {"w", "zmax", "Select", "CntlBar", "X1"})
        profile.getInt("DEMO", key, 0);
    for (const auto& section : profile.sections()) {
        for (const auto& key : profile.keys(section))
            profile.getString(section, key, "");
    }
    profile.set("DEMO", "w", "400");
    auto again = platform::ProfileFile::parse(profile.text());
    if (again.getInt("demo", "W", 0) != 400)
        __builtin_trap(); // a written key must read back
    return 0;
}

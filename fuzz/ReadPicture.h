#pragma once
// The path a user's picture takes: detection by content, the format's
// reader, and (when it reads) a write back in the same format, so the
// writers meet whatever odd pictures the readers let through. A refused
// file must have been refused with a message.

#include "pictrans/TGraphIO.h"
#include "platform/Window.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

// Counts the message boxes; answers Yes to the overwrite question.
class FuzzOwner : public platform::Window {
public:
    int messageBox(std::string_view, std::string_view, unsigned style) override
    {
        ++boxes;
        return (style & platform::MB_TYPEMASK) == platform::MB_YESNO ? platform::IDYES : platform::IDOK;
    }
    std::intptr_t sendMessage(unsigned, std::uintptr_t, std::intptr_t) override { return 0; }
    int boxes = 0;
};

// Scratch files in memory when the system has a memory file system, so the
// file path costs no disk writes.
inline std::string fuzzScratch(const char* name)
{
    const char* dir = std::getenv("TMPDIR");
    std::string folder = dir && *dir ? dir : (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    return folder + "/" + name + "-" + std::to_string(::getpid());
}

inline void readPicture(const std::uint8_t* data, std::size_t size, const char* kind)
{
    static const std::string input = fuzzScratch(kind) + ".in";
    static const std::string output = fuzzScratch(kind) + ".out";
    std::FILE* f = std::fopen(input.c_str(), "wb");
    if (!f)
        return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    FuzzOwner owner;
    TGraphIO reader(nullptr, &owner);
    auto bitmap = reader.Read_File(input);
    if (!bitmap) {
        if (owner.boxes == 0)
            __builtin_trap(); // refused without saying why
        return;
    }
    const int format = reader.SetGraphicFormat(GFORMAT_UNKNOWN); // what Read_File detected
    auto palette = reader.GetPalette();
    if (static_cast<std::int64_t>(bitmap->width()) * bitmap->height() <= 1 << 20) {
        ::unlink(output.c_str());
        TGraphIO writer(nullptr, &owner);
        writer.SetGraphicFormat(format);
        writer.Write_File(output, bitmap->description(), bitmap.get(), palette.get());
    }
}

#pragma once
// The path a user's picture takes: detection by content, the format's
// reader, and (when it reads) a write back in the same format, so the
// writers meet whatever odd pictures the readers let through.

#include "pictrans/TGraphIO.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

inline std::string fuzzScratch(const char* name)
{
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/" + name + "-" + std::to_string(::getpid());
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

    TGraphIO reader(nullptr, nullptr);
    auto bitmap = reader.Read_File(input);
    int format = reader.GetGraphicFormat(input);
    auto palette = reader.GetPalette();
    if (bitmap && static_cast<std::int64_t>(bitmap->width()) * bitmap->height() <= 1 << 20) {
        ::unlink(output.c_str());
        TGraphIO writer(nullptr, nullptr);
        writer.SetGraphicFormat(format);
        writer.Write_File(output, bitmap->description(), bitmap.get(), palette.get());
    }
}

#include "models/ModelFormats.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace models {

namespace {

enum Row { StlBinary, StlAscii, Obj, PlyAscii, PlyBinary, Gltf, Glb, ThreeMf, Off, kRows };

constexpr std::array<ModelFormat, kRows> kFormats = {{
    {"STL (binary)", ".stl"},
    {"STL (ASCII)", ".stl"},
    {"OBJ", ".obj"},
    {"PLY (ASCII)", ".ply"},
    {"PLY (binary)", ".ply"},
    {"glTF 2.0", ".gltf"},
    {"glTF 2.0 (binary)", ".glb"},
    {"3MF", ".3mf"},
    {"OFF", ".off"},
}};

std::string lower(std::string_view s)
{
    std::string out(s);
    std::ranges::transform(out, out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool startsWith(std::span<const unsigned char> head, std::string_view text)
{
    return head.size() >= text.size() && std::memcmp(head.data(), text.data(), text.size()) == 0;
}

std::string_view extensionOf(std::string_view name)
{
    const auto slash = name.find_last_of('/');
    if (slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    const auto dot = name.find_last_of('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

} // namespace

std::span<const ModelFormat> modelFormats() { return kFormats; }

std::string modelFilePatterns()
{
    std::string out;
    for (const ModelFormat& f : kFormats) {
        std::string pattern = "*";
        pattern += f.extensions;
        if (out.find(pattern) != std::string::npos)
            continue;
        if (!out.empty())
            out.push_back(' ');
        out.append(pattern);
    }
    return out;
}

const ModelFormat* detectModelFormat(std::span<const unsigned char> head, unsigned long long size,
                                     std::string_view name)
{
    const std::string ext = lower(extensionOf(name));
    // Marked by their content.
    if (startsWith(head, "glTF"))
        return &kFormats[Glb];
    if (startsWith(head, "ply\n") || startsWith(head, "ply\r\n"))
        return std::string_view(reinterpret_cast<const char*>(head.data()), head.size()).find("format ascii") !=
                       std::string_view::npos
                   ? &kFormats[PlyAscii]
                   : &kFormats[PlyBinary];
    if (startsWith(head, "OFF") && head.size() > 3 && std::isspace(head[3]))
        return &kFormats[Off];
    // A zip archive is a 3MF package only by its name.
    if (startsWith(head, "PK\x03\x04"))
        return ext == ".3mf" ? &kFormats[ThreeMf] : nullptr;
    // A binary STL is an 80-byte header, a count and 50 bytes a triangle;
    // its header may start with "solid" too, so the size decides first.
    if (head.size() >= 84) {
        const unsigned long long count = head[80] | head[81] << 8 | head[82] << 16 |
                                         static_cast<unsigned long long>(head[83]) << 24;
        if (size == 84 + 50 * count)
            return &kFormats[StlBinary];
    }
    if (startsWith(head, "solid"))
        return &kFormats[StlAscii];
    if (ext == ".gltf")
        return &kFormats[Gltf];
    if (ext == ".obj")
        return &kFormats[Obj];
    if (ext == ".stl")
        return &kFormats[StlBinary];
    if (ext == ".3mf")
        return &kFormats[ThreeMf];
    return nullptr;
}

const ModelFormat* detectModelFormat(const std::string& path)
{
    // Opened without waiting: a pipe without a writer reads as empty.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    unsigned char head[512];
    ssize_t n = 0;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        n = ::read(fd, head, sizeof head);
    ::close(fd);
    if (n <= 0)
        return nullptr;
    return detectModelFormat(std::span(head, static_cast<std::size_t>(n)), static_cast<unsigned long long>(st.st_size),
                             path);
}

} // namespace models

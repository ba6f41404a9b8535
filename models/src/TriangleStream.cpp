#include "models/TriangleStream.h"

#include "platform/ByteReader.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace models {

namespace {

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

StreamResult refuse(std::string why)
{
    StreamResult r;
    r.error = std::string(kModelRefusal) + why;
    return r;
}

} // namespace

std::size_t triangleStreamSize(std::size_t formatName, std::size_t triangles)
{
    return 8 + 4 + 4 + formatName + 4 + triangles * 36 + 4;
}

std::vector<std::uint8_t> triangleStreamHeader(std::string_view format, std::uint32_t triangles)
{
    if (format.size() > kMaxFormatName)
        format = format.substr(0, kMaxFormatName);
    std::vector<std::uint8_t> out(kStreamMagic, kStreamMagic + sizeof kStreamMagic);
    put32(out, kStreamVersion);
    put32(out, static_cast<std::uint32_t>(format.size()));
    out.insert(out.end(), format.begin(), format.end());
    put32(out, triangles);
    return out;
}

std::vector<std::uint8_t> writeTriangleStream(const Mesh& mesh)
{
    std::vector<std::uint8_t> out = triangleStreamHeader(mesh.format, static_cast<std::uint32_t>(mesh.triangles()));
    out.reserve(out.size() + mesh.coords.size() * 4 + 4);
    for (float f : mesh.coords)
        put32(out, std::bit_cast<std::uint32_t>(f));
    out.insert(out.end(), kStreamEnd, kStreamEnd + sizeof kStreamEnd);
    return out;
}

StreamResult readTriangleStream(std::span<const std::uint8_t> bytes)
{
    platform::ByteReader in(bytes);
    char magic[8];
    in.bytes(magic, sizeof magic);
    if (!in.ok() || std::memcmp(magic, kStreamMagic, sizeof magic) != 0)
        return refuse("the importer's answer is not a triangle stream.");
    if (const std::uint32_t version = in.u32(); !in.ok() || version != kStreamVersion)
        return refuse("the importer's answer has an unknown version.");
    const std::uint32_t nameLength = in.u32();
    if (!in.ok() || nameLength > kMaxFormatName)
        return refuse("the importer's answer has a bad format name.");
    std::string name(nameLength, '\0');
    in.bytes(name.data(), nameLength);
    for (char c : name)
        if (c < 0x20 || c > 0x7e)
            return refuse("the importer's answer has a bad format name.");
    const std::uint32_t count = in.u32();
    if (!in.ok())
        return refuse("the importer's answer ends early.");
    if (count > kMaxTriangles)
        return refuse("it has " + std::to_string(count) + " triangles, more than the " +
                      std::to_string(kMaxTriangles) + " (64 MiB) allowed.");
    // The size is checked before anything is allocated.
    if (in.remaining() != std::size_t{count} * 36 + sizeof kStreamEnd)
        return refuse(in.remaining() < std::size_t{count} * 36 + sizeof kStreamEnd
                          ? "the importer's answer ends early."
                          : "the importer's answer has bytes after its end.");
    StreamResult r;
    r.mesh.format = std::move(name);
    r.mesh.coords.resize(std::size_t{count} * 9);
    for (float& f : r.mesh.coords) {
        f = std::bit_cast<float>(in.u32());
        if (!std::isfinite(f))
            return refuse("a vertex of it is not a finite number.");
    }
    char end[4];
    in.bytes(end, sizeof end);
    if (!in.ok() || std::memcmp(end, kStreamEnd, sizeof end) != 0)
        return refuse("the importer's answer has no end mark.");
    r.ok = true;
    return r;
}

} // namespace models

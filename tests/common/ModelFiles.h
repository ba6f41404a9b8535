#pragma once
// Model files written by the tests, one writer a format, straight from each
// format's own description (no model library involved). Vertices are written
// with nine significant digits, so every float comes back exactly.

#include "models/Mesh.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace model_test {

inline std::string num(float f)
{
    char b[32];
    std::snprintf(b, sizeof b, "%.9g", f);
    return b;
}

inline void put32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}
inline void put16(std::string& out, std::uint16_t v)
{
    out.push_back(static_cast<char>(v));
    out.push_back(static_cast<char>(v >> 8));
}
inline void putFloat(std::string& out, float f)
{
    std::uint32_t v;
    std::memcpy(&v, &f, 4);
    put32(out, v);
}

inline void save(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string stlBinary(const models::Mesh& m)
{
    std::string out(80, ' ');
    put32(out, static_cast<std::uint32_t>(m.triangles()));
    for (std::size_t t = 0; t < m.triangles(); ++t) {
        for (int i = 0; i < 3; ++i)
            putFloat(out, 0); // the normal, which readers work out again
        for (int k = 0; k < 9; ++k)
            putFloat(out, m.coords[t * 9 + k]);
        put16(out, 0);
    }
    return out;
}

inline std::string stlAscii(const models::Mesh& m)
{
    std::string out = "solid test\n";
    for (std::size_t t = 0; t < m.triangles(); ++t) {
        out += " facet normal 0 0 0\n  outer loop\n";
        for (int k = 0; k < 3; ++k)
            out += "   vertex " + num(m.coords[t * 9 + k * 3]) + " " + num(m.coords[t * 9 + k * 3 + 1]) + " " +
                   num(m.coords[t * 9 + k * 3 + 2]) + "\n";
        out += "  endloop\n endfacet\n";
    }
    return out + "endsolid test\n";
}

inline std::string vertexLines(const models::Mesh& m, const char* prefix)
{
    std::string out;
    for (std::size_t v = 0; v < m.coords.size(); v += 3)
        out += prefix + num(m.coords[v]) + " " + num(m.coords[v + 1]) + " " + num(m.coords[v + 2]) + "\n";
    return out;
}

// The material library it names lies outside the model's folder.
inline std::string obj(const models::Mesh& m)
{
    std::string out = "# test\nmtllib ../outside.mtl\nusemtl red\n" + vertexLines(m, "v ");
    for (std::size_t t = 0; t < m.triangles(); ++t)
        out += "f " + std::to_string(t * 3 + 1) + " " + std::to_string(t * 3 + 2) + " " + std::to_string(t * 3 + 3) + "\n";
    return out;
}

inline std::string plyHeader(const models::Mesh& m, const char* format)
{
    return std::string("ply\nformat ") + format + " 1.0\nelement vertex " + std::to_string(m.coords.size() / 3) +
           "\nproperty float x\nproperty float y\nproperty float z\nelement face " + std::to_string(m.triangles()) +
           "\nproperty list uchar int vertex_indices\nend_header\n";
}

inline std::string plyAscii(const models::Mesh& m)
{
    std::string out = plyHeader(m, "ascii") + vertexLines(m, "");
    for (std::size_t t = 0; t < m.triangles(); ++t)
        out += "3 " + std::to_string(t * 3) + " " + std::to_string(t * 3 + 1) + " " + std::to_string(t * 3 + 2) + "\n";
    return out;
}

inline std::string plyBinary(const models::Mesh& m)
{
    std::string out = plyHeader(m, "binary_little_endian");
    for (float f : m.coords)
        putFloat(out, f);
    for (std::size_t t = 0; t < m.triangles(); ++t) {
        out.push_back(3);
        for (int k = 0; k < 3; ++k)
            put32(out, static_cast<std::uint32_t>(t * 3 + k));
    }
    return out;
}

inline std::string off(const models::Mesh& m)
{
    std::string out = "OFF\n" + std::to_string(m.coords.size() / 3) + " " + std::to_string(m.triangles()) + " 0\n" +
                      vertexLines(m, "");
    for (std::size_t t = 0; t < m.triangles(); ++t)
        out += "3 " + std::to_string(t * 3) + " " + std::to_string(t * 3 + 1) + " " + std::to_string(t * 3 + 2) + "\n";
    return out;
}

// glTF 2.0: the positions as one buffer, drawn without indices. uri names
// the buffer (a file beside it); empty embeds it in a .glb's binary chunk.
inline std::string gltfJson(const models::Mesh& m, const std::string& uri)
{
    const auto bytes = std::to_string(m.coords.size() * 4);
    const auto box = m.bounds();
    return std::string("{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0}],") +
           "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0},\"mode\":4}]}]," +
           "\"buffers\":[{" + (uri.empty() ? "" : "\"uri\":\"" + uri + "\",") + "\"byteLength\":" + bytes + "}]," +
           "\"bufferViews\":[{\"buffer\":0,\"byteOffset\":0,\"byteLength\":" + bytes + "}]," +
           "\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":" + std::to_string(m.coords.size() / 3) +
           ",\"type\":\"VEC3\",\"min\":[" + num(float(box.lo.x)) + "," + num(float(box.lo.y)) + "," + num(float(box.lo.z)) +
           "],\"max\":[" + num(float(box.hi.x)) + "," + num(float(box.hi.y)) + "," + num(float(box.hi.z)) + "]}]}";
}

inline std::string floats(const models::Mesh& m)
{
    std::string out;
    for (float f : m.coords)
        putFloat(out, f);
    return out;
}

inline std::string glb(const models::Mesh& m)
{
    std::string json = gltfJson(m, "");
    while (json.size() % 4)
        json.push_back(' ');
    const std::string bin = floats(m);
    std::string out = "glTF";
    put32(out, 2);
    put32(out, static_cast<std::uint32_t>(12 + 8 + json.size() + 8 + bin.size()));
    put32(out, static_cast<std::uint32_t>(json.size()));
    out += "JSON" + json;
    put32(out, static_cast<std::uint32_t>(bin.size()));
    out += std::string("BIN\0", 4) + bin;
    return out;
}

inline std::uint32_t crc32(const std::string& data)
{
    std::uint32_t c = 0xffffffffu;
    for (unsigned char b : data) {
        c ^= b;
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1)));
    }
    return ~c;
}

// A zip archive of stored (uncompressed) entries.
inline std::string zip(const std::vector<std::pair<std::string, std::string>>& entries)
{
    std::string out, directory;
    for (const auto& [name, data] : entries) {
        const auto offset = static_cast<std::uint32_t>(out.size());
        const std::uint32_t crc = crc32(data), size = static_cast<std::uint32_t>(data.size());
        put32(out, 0x04034b50);
        put16(out, 20), put16(out, 0), put16(out, 0), put16(out, 0), put16(out, 0);
        put32(out, crc), put32(out, size), put32(out, size);
        put16(out, static_cast<std::uint16_t>(name.size())), put16(out, 0);
        out += name + data;
        put32(directory, 0x02014b50);
        put16(directory, 20), put16(directory, 20), put16(directory, 0), put16(directory, 0), put16(directory, 0),
            put16(directory, 0);
        put32(directory, crc), put32(directory, size), put32(directory, size);
        put16(directory, static_cast<std::uint16_t>(name.size())), put16(directory, 0), put16(directory, 0),
            put16(directory, 0), put16(directory, 0);
        put32(directory, 0), put32(directory, offset);
        directory += name;
    }
    const auto start = static_cast<std::uint32_t>(out.size());
    out += directory;
    put32(out, 0x06054b50);
    put16(out, 0), put16(out, 0), put16(out, static_cast<std::uint16_t>(entries.size())),
        put16(out, static_cast<std::uint16_t>(entries.size()));
    put32(out, static_cast<std::uint32_t>(directory.size())), put32(out, start), put16(out, 0);
    return out;
}

inline std::string threeMf(const models::Mesh& m)
{
    std::string model = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<model unit=\"millimeter\" xml:lang=\"en-US\" "
                        "xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\"><resources>"
                        "<object id=\"1\" type=\"model\"><mesh><vertices>";
    for (std::size_t v = 0; v < m.coords.size(); v += 3)
        model += "<vertex x=\"" + num(m.coords[v]) + "\" y=\"" + num(m.coords[v + 1]) + "\" z=\"" + num(m.coords[v + 2]) + "\"/>";
    model += "</vertices><triangles>";
    for (std::size_t t = 0; t < m.triangles(); ++t)
        model += "<triangle v1=\"" + std::to_string(t * 3) + "\" v2=\"" + std::to_string(t * 3 + 1) + "\" v3=\"" +
                 std::to_string(t * 3 + 2) + "\"/>";
    model += "</triangles></mesh></object></resources><build><item objectid=\"1\"/></build></model>\n";
    const std::string types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"model\" ContentType=\"application/vnd.ms-package.3dmanufacturing-3dmodel+xml\"/></Types>\n";
    const std::string rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Target=\"/3D/3dmodel.model\" Id=\"rel0\" "
        "Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\"/></Relationships>\n";
    return zip({{"[Content_Types].xml", types}, {"_rels/.rels", rels}, {"3D/3dmodel.model", model}});
}

} // namespace model_test

#pragma once
// The triangle stream: what the importer hands back through its standard
// output. All numbers little-endian:
//   8 bytes  magic "DSTRIS\r\n" (the line end catches text-mode damage)
//   u32      version, 1
//   u32      length of the format name, 0 … 64
//   …        the format name, printable ASCII ("STL", "glTF 2.0", …)
//   u32      triangle count, at most kMaxTriangles
//   …        count × 9 float32: the three vertices of each triangle
//   4 bytes  end mark "DEND"
// The reader checks every field and refuses anything else, trailing bytes
// included, with the fault's own message.

#include "models/Mesh.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace models {

inline constexpr char kStreamMagic[8] = {'D', 'S', 'T', 'R', 'I', 'S', '\r', '\n'};
inline constexpr char kStreamEnd[4] = {'D', 'E', 'N', 'D'};
inline constexpr std::uint32_t kStreamVersion = 1;
inline constexpr std::uint32_t kMaxFormatName = 64;
// 64 MiB of triangles, counted at 24 bytes a triangle: about 2.8 million.
inline constexpr std::uint32_t kMaxTriangles = (64u << 20) / 24;
// The largest model file the importer is given.
inline constexpr std::uint64_t kMaxModelFileBytes = 1ull << 30;
// The largest stream a well-formed model gives.
inline constexpr std::size_t kMaxStreamBytes = 8 + 4 + 4 + kMaxFormatName + 4 + std::size_t{kMaxTriangles} * 36 + 4;

// Every message a refused model is given starts with this.
inline constexpr std::string_view kModelRefusal = "The model could not be read: ";

// The stream of a mesh (a format name longer than 64 characters is cut).
std::vector<std::uint8_t> writeTriangleStream(const Mesh& mesh);
// The header alone, for a writer that sends the triangles as it finds them.
std::vector<std::uint8_t> triangleStreamHeader(std::string_view format, std::uint32_t triangles);

struct StreamResult {
    bool ok = false;
    Mesh mesh;
    std::string error; // starts with kModelRefusal
};

StreamResult readTriangleStream(std::span<const std::uint8_t> bytes);

// Size of a stream of that many triangles with that format name.
std::size_t triangleStreamSize(std::size_t formatName, std::size_t triangles);

} // namespace models

#pragma once
// A model as the rasteriser sees it: a flat list of triangles, three
// vertices of three floats each, in the model's own axes. Nothing else of a
// model file (materials, normals, textures) is kept.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace models {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

struct Box {
    Vec3 lo{}, hi{};
    bool empty = true;

    void add(const Vec3& p);
    Vec3 size() const { return {hi.x - lo.x, hi.y - lo.y, hi.z - lo.z}; }
    Vec3 centre() const { return {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2}; }
};

struct Mesh {
    std::vector<float> coords; // 9 floats a triangle: x0 y0 z0 x1 y1 z1 x2 y2 z2
    std::string format;        // what the importer read it as ("STL", "glTF 2.0", ...)

    std::size_t triangles() const { return coords.size() / 9; }
    void addTriangle(const Vec3& a, const Vec3& b, const Vec3& c);
    Vec3 vertex(std::size_t triangle, int corner) const;
    // The box of every vertex in the model's own axes.
    Box bounds() const;
};

} // namespace models

#include "models/Clustering.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace models {

namespace {

struct TripleHash {
    std::size_t operator()(const std::array<std::uint32_t, 3>& t) const
    {
        std::uint64_t h = t[0];
        h = h * 0x9E3779B97F4A7C15ull ^ t[1];
        h = h * 0x9E3779B97F4A7C15ull ^ t[2];
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
};

} // namespace

Mesh clusterVertices(const Mesh& mesh, int cells)
{
    Mesh out;
    out.format = mesh.format;
    const Box box = mesh.bounds();
    if (box.empty)
        return out;
    cells = std::max(cells, 1);
    const Vec3 size = box.size();
    const double side = std::max({size.x, size.y, size.z});
    const double perCell = side > 0 ? cells / side : 0;
    const auto cellOf = [&](double v, double lo) {
        return static_cast<std::uint64_t>(std::clamp(std::floor((v - lo) * perCell), 0.0, double(cells - 1)));
    };
    const std::uint64_t n = static_cast<std::uint64_t>(cells);

    // Each corner's cube, numbered in order of first appearance, and the
    // sum of the vertices in each.
    const std::size_t corners = mesh.coords.size() / 3;
    std::unordered_map<std::uint64_t, std::uint32_t> numbers;
    std::vector<std::uint32_t> cubeOf(corners);
    std::vector<std::array<double, 4>> sums;
    for (std::size_t i = 0; i < corners; ++i) {
        const float* v = mesh.coords.data() + i * 3;
        const std::uint64_t key = (cellOf(v[0], box.lo.x) * n + cellOf(v[1], box.lo.y)) * n + cellOf(v[2], box.lo.z);
        const auto [at, added] = numbers.try_emplace(key, static_cast<std::uint32_t>(sums.size()));
        if (added)
            sums.push_back({0, 0, 0, 0});
        std::array<double, 4>& s = sums[at->second];
        s[0] += v[0];
        s[1] += v[1];
        s[2] += v[2];
        s[3] += 1;
        cubeOf[i] = at->second;
    }
    std::unordered_set<std::array<std::uint32_t, 3>, TripleHash> kept;
    const auto mean = [&](std::uint32_t c) {
        const std::array<double, 4>& s = sums[c];
        return Vec3{s[0] / s[3], s[1] / s[3], s[2] / s[3]};
    };
    for (std::size_t t = 0; t < mesh.triangles(); ++t) {
        const std::array<std::uint32_t, 3> c{cubeOf[3 * t], cubeOf[3 * t + 1], cubeOf[3 * t + 2]};
        if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2])
            continue;
        std::array<std::uint32_t, 3> sorted = c;
        std::ranges::sort(sorted);
        if (!kept.insert(sorted).second)
            continue;
        out.addTriangle(mean(c[0]), mean(c[1]), mean(c[2]));
    }
    return out;
}

} // namespace models

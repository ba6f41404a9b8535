#pragma once
// The model the model benchmarks draw: a torus of a million triangles
// (1000 × 500 quads cut in two), looked at turned 30° in yaw and 50° in pitch.

#include "models/Camera.h"
#include "models/Mesh.h"

#include <cmath>
#include <numbers>

namespace bench_models {

inline const models::Mesh& millionTriangles()
{
    static const models::Mesh mesh = [] {
        models::Mesh m;
        constexpr int nu = 1000, nv = 500;
        const auto at = [](int i, int j) {
            const double a = 2 * std::numbers::pi * i / nu, b = 2 * std::numbers::pi * j / nv;
            const double r = 1 + 0.4 * std::cos(b);
            return models::Vec3{r * std::cos(a), 0.4 * std::sin(b), r * std::sin(a)};
        };
        m.coords.reserve(std::size_t{nu} * nv * 18);
        for (int i = 0; i < nu; ++i)
            for (int j = 0; j < nv; ++j) {
                m.addTriangle(at(i, j), at(i + 1, j), at(i, j + 1));
                m.addTriangle(at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
            }
        return m;
    }();
    return mesh;
}

inline models::Camera turned()
{
    models::Camera c;
    c.yaw = 30;
    c.pitch = 50;
    return c;
}

} // namespace bench_models

#include "models/Mesh.h"

#include <algorithm>

namespace models {

void Box::add(const Vec3& p)
{
    if (empty) {
        lo = hi = p;
        empty = false;
        return;
    }
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
}

void Mesh::addTriangle(const Vec3& a, const Vec3& b, const Vec3& c)
{
    for (const Vec3* v : {&a, &b, &c}) {
        coords.push_back(static_cast<float>(v->x));
        coords.push_back(static_cast<float>(v->y));
        coords.push_back(static_cast<float>(v->z));
    }
}

Vec3 Mesh::vertex(std::size_t triangle, int corner) const
{
    const float* v = coords.data() + triangle * 9 + static_cast<std::size_t>(corner) * 3;
    return {v[0], v[1], v[2]};
}

Box Mesh::bounds() const
{
    Box box;
    for (std::size_t i = 0; i + 2 < coords.size(); i += 3)
        box.add({coords[i], coords[i + 1], coords[i + 2]});
    return box;
}

} // namespace models

#pragma once
// A lighter stand-in for a large model, drawn while the model is turned by
// the mouse: vertex clustering. The model's box is cut into cubes, every
// vertex moves to the mean of the vertices in its cube, and triangles whose
// corners fall into fewer than three cubes, or into the same three cubes as
// a triangle kept before, are left out. The result is made once per model;
// the model itself is not changed.

#include "models/Mesh.h"

namespace models {

// cells is the number of cubes along the box's longest side (at least 1).
Mesh clusterVertices(const Mesh& mesh, int cells);

} // namespace models

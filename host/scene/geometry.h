// Built-in shapes and OBJ meshes, in object space.
//   plane:  the square [-size/2, size/2]^2 in the xz plane, normal +y, uv 0..1
//   box:    the cube [-size/2, size/2]^3, outward normals, uv 0..1 per face
//   sphere: radius r about the origin, `segments` around and segments/2 down,
//           smooth normals, uv = (longitude, latitude) in 0..1
// Every shape has counter-clockwise triangles seen from the side its normal
// points to.
#pragma once

#include <stdexcept>
#include <string>

#include "scene/scene.h"

namespace uvo_host {

Mesh make_plane(float size);
Mesh make_box(float size);
Mesh make_sphere(float radius, int segments);

struct MeshError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads an OBJ file (all its shapes as one mesh; faces triangulated).
// Throws MeshError with the reason.
Mesh read_obj(const std::string &path);

// Fills the object's internal-space positions and normals from its mesh and
// transform.
void place_object(Object &object);

}  // namespace uvo_host

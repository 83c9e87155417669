// Mesh files, the reader chosen by the file's extension:
//   .obj          Wavefront OBJ (scene/geometry.h), one part
//   .ply          PLY, ascii or binary little-endian: the vertex element's
//                 x, y, z (any numeric type), optional nx, ny, nz and u, v
//                 (or s, t); the face element's vertex_indices (or
//                 vertex_index) lists, polygons split into fans; other
//                 elements and properties are skipped.  One part.
//   .gltf, .glb   glTF 2.0: every triangle primitive of the default scene
//                 (or of the first scene, or every mesh when there is no
//                 scene), placed by its node's transforms; POSITION, NORMAL
//                 and float TEXCOORD_0.  One part per material, with the
//                 material's base colour (baseColorFactor, linear; the glTF
//                 default material is white).  Textures are not read.
// Any other extension is refused with the list of supported formats.
//
// Every reader validates what it hands on: indices within the vertices,
// finite coordinates, counts and offsets within the file's bytes (checked
// before anything is allocated for them).
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "scene/scene.h"

namespace uvo_host {

struct MeshPart {
    Mesh mesh;                    // object space, as the file has it (y up for glTF)
    std::string material;         // the file's material name, "" for none
    bool has_color = false;       // the file gives a base colour
    Color color{1, 1, 1, 1};      // linear base colour when has_color
};

// Reads the mesh file at `path`; throws MeshError with the reason.
std::vector<MeshPart> read_mesh_file(const std::string &path);

// The PLY reader on a stream (for tests and fuzzing); throws MeshError.
Mesh read_ply(std::istream &in);

// The glTF reader; throws MeshError.
std::vector<MeshPart> read_gltf(const std::string &path);

}  // namespace uvo_host

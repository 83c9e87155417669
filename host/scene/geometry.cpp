#include "scene/geometry.h"

#include <filesystem>
#include <map>
#include <numbers>
#include <tuple>

#include <tiny_obj_loader.h>

#include "scene/obj_check.h"

namespace uvo_host {

Mesh make_plane(float size) {
    const float h = size * 0.5f;
    Mesh m;
    m.positions = {{-h, 0, h}, {h, 0, h}, {h, 0, -h}, {-h, 0, -h}};
    m.normals.assign(4, Vector3{0, 1, 0});
    m.uvs = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    m.indices = {0, 1, 2, 0, 2, 3};
    return m;
}

Mesh make_box(float size) {
    const float h = size * 0.5f;
    Mesh m;
    // One face per axis direction: normal n, in-face axes u, v with u x v = n.
    const Vector3 faces[6][3] = {
        {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},   {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
    };
    for (const auto &f : faces) {
        const Vector3 n = f[0], u = f[1], v = f[2];
        const uint32_t base = static_cast<uint32_t>(m.positions.size());
        const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        for (const auto &c : corners) {
            m.positions.push_back((n + u * c[0] + v * c[1]) * h);
            m.normals.push_back(n);
            m.uvs.push_back(Vector3{(c[0] + 1) * 0.5f, (c[1] + 1) * 0.5f, 0});
        }
        for (uint32_t k : {0u, 1u, 2u, 0u, 2u, 3u})
            m.indices.push_back(base + k);
    }
    return m;
}

Mesh make_sphere(float radius, int segments) {
    segments = std::max(segments, 4);
    const int rings = std::max(segments / 2, 2);
    Mesh m;
    for (int r = 0; r <= rings; ++r) {
        const double theta = std::numbers::pi * r / rings;  // from +y down
        for (int s = 0; s <= segments; ++s) {
            const double phi = 2.0 * std::numbers::pi * s / segments;
            const Vector3 n{static_cast<float>(std::sin(theta) * std::cos(phi)), static_cast<float>(std::cos(theta)),
                            static_cast<float>(-std::sin(theta) * std::sin(phi))};
            m.positions.push_back(n * radius);
            m.normals.push_back(n);
            m.uvs.push_back(Vector3{static_cast<float>(s) / segments, 1.0f - static_cast<float>(r) / rings, 0});
        }
    }
    const uint32_t row = static_cast<uint32_t>(segments + 1);
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const uint32_t a = r * row + s, b = a + 1, c = a + row, d = c + 1;
            if (r != 0)
                m.indices.insert(m.indices.end(), {a, c, b});
            if (r != rings - 1)
                m.indices.insert(m.indices.end(), {b, c, d});
        }
    return m;
}

Mesh read_obj(const std::string &path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw MeshError("no such mesh file");
    check_obj_file(path);
    tinyobj::ObjReaderConfig config;
    config.triangulate = true;
    config.vertex_color = false;
    config.mtl_search_path = std::filesystem::path(path).parent_path().string();
    tinyobj::ObjReader reader;
    if (!reader.ParseFromFile(path, config))
        throw MeshError("cannot read OBJ: " + reader.Error());
    const tinyobj::attrib_t &attrib = reader.GetAttrib();
    Mesh m;
    bool with_normals = true, with_uvs = true;
    const auto in_range = [](int index, size_t size, size_t stride) {
        return index < 0 || static_cast<size_t>(index) < size / stride;
    };
    for (const auto &shape : reader.GetShapes())
        for (const auto &index : shape.mesh.indices) {
            // The text check above makes this hold; the parser must not be
            // trusted to agree with it on every dialect.
            if (index.vertex_index < 0 || !in_range(index.vertex_index, attrib.vertices.size(), 3) ||
                !in_range(index.normal_index, attrib.normals.size(), 3) ||
                !in_range(index.texcoord_index, attrib.texcoords.size(), 2))
                throw MeshError("a face names an element the file does not define");
            with_normals = with_normals && index.normal_index >= 0;
            with_uvs = with_uvs && index.texcoord_index >= 0;
        }
    // One vertex per distinct (position, normal, uv) triple.
    std::map<std::tuple<int, int, int>, uint32_t> vertices;
    for (const auto &shape : reader.GetShapes())
        for (const auto &index : shape.mesh.indices) {
            const auto key = std::make_tuple(index.vertex_index, with_normals ? index.normal_index : -1,
                                             with_uvs ? index.texcoord_index : -1);
            auto found = vertices.find(key);
            if (found == vertices.end()) {
                const uint32_t id = static_cast<uint32_t>(m.positions.size());
                const float *p = &attrib.vertices[3 * static_cast<size_t>(index.vertex_index)];
                m.positions.push_back(Vector3{p[0], p[1], p[2]});
                if (with_normals) {
                    const float *n = &attrib.normals[3 * static_cast<size_t>(index.normal_index)];
                    m.normals.push_back(normalize(Vector3{n[0], n[1], n[2]}));
                }
                if (with_uvs) {
                    const float *t = &attrib.texcoords[2 * static_cast<size_t>(index.texcoord_index)];
                    m.uvs.push_back(Vector3{t[0], t[1], 0});
                }
                found = vertices.emplace(key, id).first;
            }
            m.indices.push_back(found->second);
        }
    if (m.indices.empty())
        throw MeshError("the OBJ file has no faces");
    return m;
}

void place_object(Object &object) {
    object.world_positions.clear();
    object.world_normals.clear();
    for (const Vector3 &p : object.mesh.positions)
        object.world_positions.push_back(transform_point(object.to_world.m, p));
    for (const Vector3 &n : object.mesh.normals)
        object.world_normals.push_back(normalize(transform_normal_by_inverse(object.from_world.m, n)));
}

}  // namespace uvo_host

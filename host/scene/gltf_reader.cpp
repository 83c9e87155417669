// The glTF 2.0 reader (scene/mesh_files.h), over tinygltf.
#include <tiny_gltf.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>

#include "scene/geometry.h"
#include "scene/mesh_files.h"

namespace uvo_host {

namespace {

[[noreturn]] void fail(const std::string &why) { throw MeshError("glTF: " + why); }

// A node's local transform as a row-vector matrix (p' = p * M).  glTF's
// column-major matrix, read in order, is exactly that.
Mat4 node_matrix(const tinygltf::Node &node) {
    Mat4 m = Mat4::identity();
    if (node.matrix.size() == 16) {
        for (int i = 0; i < 16; ++i)
            m.m[i] = static_cast<float>(node.matrix[i]);
        return m;
    }
    Mat4 scale = Mat4::identity(), rotate = Mat4::identity(), translate = Mat4::identity();
    if (node.scale.size() == 3)
        for (int i = 0; i < 3; ++i)
            scale(i, i) = static_cast<float>(node.scale[i]);
    if (node.rotation.size() == 4) {
        const double x = node.rotation[0], y = node.rotation[1], z = node.rotation[2], w = node.rotation[3];
        // The unit quaternion's rotation, transposed for row vectors.
        const double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                                {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                                {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                rotate(i, j) = static_cast<float>(r[j][i]);
    }
    if (node.translation.size() == 3)
        for (int i = 0; i < 3; ++i)
            translate(3, i) = static_cast<float>(node.translation[i]);
    return scale * rotate * translate;
}

// The bytes of accessor `index`, checked to lie within its buffer: element
// `i` starts at data + i * stride.
struct AccessorView {
    const unsigned char *data = nullptr;
    size_t stride = 0, count = 0;
    int component = 0, components = 0;
    bool normalized = false;
};

AccessorView view_of(const tinygltf::Model &model, int index, const char *what) {
    if (index < 0 || static_cast<size_t>(index) >= model.accessors.size())
        fail(std::string(what) + ": no accessor " + std::to_string(index));
    const tinygltf::Accessor &accessor = model.accessors[index];
    AccessorView view;
    view.count = accessor.count;
    view.component = accessor.componentType;
    view.normalized = accessor.normalized;
    view.components = tinygltf::GetNumComponentsInType(static_cast<uint32_t>(accessor.type));
    const int component_size = tinygltf::GetComponentSizeInBytes(static_cast<uint32_t>(accessor.componentType));
    if (view.components <= 0 || component_size <= 0)
        fail(std::string(what) + ": unknown accessor type");
    if (accessor.sparse.isSparse)
        fail(std::string(what) + ": sparse accessors are not supported");
    if (accessor.bufferView < 0 || static_cast<size_t>(accessor.bufferView) >= model.bufferViews.size())
        fail(std::string(what) + ": accessor " + std::to_string(index) + " has no buffer view");
    const tinygltf::BufferView &bv = model.bufferViews[accessor.bufferView];
    if (bv.buffer < 0 || static_cast<size_t>(bv.buffer) >= model.buffers.size())
        fail(std::string(what) + ": buffer view " + std::to_string(accessor.bufferView) + " has no buffer");
    const std::vector<unsigned char> &buffer = model.buffers[bv.buffer].data;
    const size_t element = static_cast<size_t>(component_size) * view.components;
    view.stride = bv.byteStride != 0 ? bv.byteStride : element;
    const size_t start = bv.byteOffset + accessor.byteOffset;
    // The last element must end within both the view and the buffer
    // (written so that no sum can overflow).
    const size_t room = accessor.byteOffset <= bv.byteLength ? bv.byteLength - accessor.byteOffset : 0;
    const bool fits = bv.byteOffset <= buffer.size() && bv.byteLength <= buffer.size() - bv.byteOffset &&
                      (view.count == 0 ||
                       (view.stride >= element && room >= element && view.count - 1 <= (room - element) / view.stride));
    if (!fits)
        fail(std::string(what) + ": accessor " + std::to_string(index) + " reaches beyond its buffer");
    view.data = buffer.data() + start;
    return view;
}

std::vector<std::array<float, 3>> read_floats(const tinygltf::Model &model, int index, int components,
                                              const char *what) {
    const AccessorView view = view_of(model, index, what);
    if (view.component != TINYGLTF_COMPONENT_TYPE_FLOAT || view.components != components)
        fail(std::string(what) + " must be " + std::to_string(components) + " floats per vertex");
    std::vector<std::array<float, 3>> values(view.count, std::array<float, 3>{0, 0, 0});
    for (size_t i = 0; i < view.count; ++i) {
        std::memcpy(values[i].data(), view.data + i * view.stride, sizeof(float) * components);
        for (int c = 0; c < components; ++c)
            if (!std::isfinite(values[i][c]))
                fail(std::string(what) + ": vertex " + std::to_string(i) + " is not finite");
    }
    return values;
}

std::vector<uint32_t> read_indices(const tinygltf::Model &model, int index, size_t vertices) {
    const AccessorView view = view_of(model, index, "indices");
    std::vector<uint32_t> indices(view.count);
    for (size_t i = 0; i < view.count; ++i) {
        const unsigned char *p = view.data + i * view.stride;
        switch (view.component) {
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: indices[i] = p[0]; break;
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
            uint16_t v;
            std::memcpy(&v, p, sizeof v);
            indices[i] = v;
            break;
        }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: std::memcpy(&indices[i], p, sizeof(uint32_t)); break;
        default: fail("indices must be unsigned bytes, shorts or ints");
        }
        if (indices[i] >= vertices)
            fail("index " + std::to_string(indices[i]) + " names no vertex (there are " + std::to_string(vertices) +
                 ")");
    }
    return indices;
}

// Appends primitive `primitive` placed by `to_world` to `part`.
void add_primitive(const tinygltf::Model &model, const tinygltf::Primitive &primitive, const Mat4 &to_world,
                   MeshPart &part) {
    if (primitive.mode != TINYGLTF_MODE_TRIANGLES && primitive.mode != -1)
        fail("primitive mode " + std::to_string(primitive.mode) + " is not supported (triangles only)");
    const auto position = primitive.attributes.find("POSITION");
    if (position == primitive.attributes.end())
        fail("a primitive without POSITION");
    const auto positions = read_floats(model, position->second, 3, "POSITION");
    std::vector<std::array<float, 3>> normals, uvs;
    if (const auto n = primitive.attributes.find("NORMAL"); n != primitive.attributes.end())
        normals = read_floats(model, n->second, 3, "NORMAL");
    if (const auto t = primitive.attributes.find("TEXCOORD_0"); t != primitive.attributes.end()) {
        if (t->second >= 0 && static_cast<size_t>(t->second) < model.accessors.size() &&
            model.accessors[t->second].componentType == TINYGLTF_COMPONENT_TYPE_FLOAT)
            uvs = read_floats(model, t->second, 2, "TEXCOORD_0");
    }
    if ((!normals.empty() && normals.size() != positions.size()) || (!uvs.empty() && uvs.size() != positions.size()))
        fail("NORMAL or TEXCOORD_0 count differs from POSITION's");
    std::vector<uint32_t> indices;
    if (primitive.indices >= 0) {
        indices = read_indices(model, primitive.indices, positions.size());
    } else {
        indices.resize(positions.size());
        for (size_t i = 0; i < indices.size(); ++i)
            indices[i] = static_cast<uint32_t>(i);
    }
    if (indices.size() % 3 != 0)
        fail("a triangle list of " + std::to_string(indices.size()) + " indices");
    Mesh &mesh = part.mesh;
    // Parts mix primitives with and without normals or uvs: missing ones are
    // filled in only when the part already has them.
    const bool first = mesh.positions.empty();
    const bool keep_normals = !normals.empty() && (first || !mesh.normals.empty());
    const bool keep_uvs = !uvs.empty() && (first || !mesh.uvs.empty());
    if (!keep_normals)
        mesh.normals.clear();
    if (!keep_uvs)
        mesh.uvs.clear();
    Mat4 inverse = Mat4::identity();
    if (keep_normals && !invert(to_world.m, inverse.m))
        fail("a node's transform cannot be inverted");
    const uint32_t base = static_cast<uint32_t>(mesh.positions.size());
    for (size_t i = 0; i < positions.size(); ++i) {
        mesh.positions.push_back(transform_point(to_world.m, Vector3{positions[i][0], positions[i][1], positions[i][2]}));
        if (keep_normals)
            mesh.normals.push_back(normalize(
                transform_normal_by_inverse(inverse.m, Vector3{normals[i][0], normals[i][1], normals[i][2]})));
        if (keep_uvs)
            // glTF's v runs down the image; texture spaces here have v up.
            mesh.uvs.push_back(Vector3{uvs[i][0], 1.0f - uvs[i][1], 0});
    }
    for (uint32_t index : indices)
        mesh.indices.push_back(base + index);
}

}  // namespace

std::vector<MeshPart> read_gltf(const std::string &path) {
    tinygltf::Model model;
    tinygltf::TinyGLTF loader;
    // Images are not used: skip decoding them (and missing image files).
    loader.SetImageLoader(
        [](tinygltf::Image *, const int, std::string *, std::string *, int, int, const unsigned char *, int,
           void *) { return true; },
        nullptr);
    std::string error, warning;
    const bool binary = std::filesystem::path(path).extension() == ".glb" ||
                        std::filesystem::path(path).extension() == ".GLB";
    const bool ok = binary ? loader.LoadBinaryFromFile(&model, &error, &warning, path)
                           : loader.LoadASCIIFromFile(&model, &error, &warning, path);
    if (!ok)
        fail(error.empty() ? "cannot read the file" : error);
    std::map<int, MeshPart> parts;  // by material index, -1 the default material
    const auto add_mesh = [&](int mesh_index, const Mat4 &to_world) {
        if (mesh_index < 0 || static_cast<size_t>(mesh_index) >= model.meshes.size())
            fail("a node names mesh " + std::to_string(mesh_index) + ", which is not there");
        for (const tinygltf::Primitive &primitive : model.meshes[mesh_index].primitives) {
            const int material = primitive.material >= 0 && static_cast<size_t>(primitive.material) <
                                                                 model.materials.size()
                                     ? primitive.material
                                     : -1;
            add_primitive(model, primitive, to_world, parts[material]);
        }
    };
    const int scene = model.defaultScene >= 0 ? model.defaultScene : model.scenes.empty() ? -1 : 0;
    if (scene >= 0 && static_cast<size_t>(scene) < model.scenes.size()) {
        // Depth-first over the node tree; a node met twice (a cycle) is an error.
        std::vector<bool> seen(model.nodes.size(), false);
        std::vector<std::pair<int, Mat4>> stack;
        for (int root : model.scenes[scene].nodes)
            stack.emplace_back(root, Mat4::identity());
        while (!stack.empty()) {
            const auto [index, parent] = stack.back();
            stack.pop_back();
            if (index < 0 || static_cast<size_t>(index) >= model.nodes.size() || seen[index])
                fail("node " + std::to_string(index) + " is missing or met twice in the node tree");
            seen[index] = true;
            const tinygltf::Node &node = model.nodes[index];
            const Mat4 to_world = node_matrix(node) * parent;
            if (node.mesh >= 0)
                add_mesh(node.mesh, to_world);
            for (int child : node.children)
                stack.emplace_back(child, to_world);
        }
    } else {
        for (size_t i = 0; i < model.meshes.size(); ++i)
            add_mesh(static_cast<int>(i), Mat4::identity());
    }
    std::vector<MeshPart> result;
    for (auto &[material, part] : parts) {
        if (part.mesh.indices.empty())
            continue;
        part.has_color = true;
        if (material >= 0) {
            const tinygltf::Material &m = model.materials[material];
            part.material = m.name.empty() ? "material " + std::to_string(material) : m.name;
            const std::vector<double> &c = m.pbrMetallicRoughness.baseColorFactor;
            if (c.size() >= 3)
                part.color = Color{static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2]), 1.0f};
        }
        result.push_back(std::move(part));
    }
    if (result.empty())
        fail("the file has no triangles");
    return result;
}

}  // namespace uvo_host

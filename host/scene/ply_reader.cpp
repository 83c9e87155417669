// The PLY reader (scene/mesh_files.h) and the choice of reader by extension.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "scene/geometry.h"
#include "scene/mesh_files.h"

namespace uvo_host {

namespace {

enum class PlyType { Int8, Uint8, Int16, Uint16, Int32, Uint32, Float32, Float64 };

struct PlyProperty {
    std::string name;
    PlyType type = PlyType::Float32;
    bool list = false;
    PlyType count_type = PlyType::Uint8;  // lists only
};

struct PlyElement {
    std::string name;
    uint64_t count = 0;
    std::vector<PlyProperty> properties;
};

[[noreturn]] void fail(const std::string &why) { throw MeshError("PLY: " + why); }

std::string number_text(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

PlyType ply_type(const std::string &name) {
    static const std::pair<const char *, PlyType> names[] = {
        {"char", PlyType::Int8},     {"int8", PlyType::Int8},       {"uchar", PlyType::Uint8},
        {"uint8", PlyType::Uint8},   {"short", PlyType::Int16},     {"int16", PlyType::Int16},
        {"ushort", PlyType::Uint16}, {"uint16", PlyType::Uint16},   {"int", PlyType::Int32},
        {"int32", PlyType::Int32},   {"uint", PlyType::Uint32},     {"uint32", PlyType::Uint32},
        {"float", PlyType::Float32}, {"float32", PlyType::Float32}, {"double", PlyType::Float64},
        {"float64", PlyType::Float64}};
    for (const auto &[text, type] : names)
        if (name == text)
            return type;
    fail("unknown property type \"" + name + "\"");
}

size_t type_size(PlyType type) {
    switch (type) {
    case PlyType::Int8:
    case PlyType::Uint8: return 1;
    case PlyType::Int16:
    case PlyType::Uint16: return 2;
    case PlyType::Int32:
    case PlyType::Uint32:
    case PlyType::Float32: return 4;
    case PlyType::Float64: return 8;
    }
    return 4;
}

// Reads values one at a time from the body, ascii or binary little-endian.
class PlyBody {
public:
    PlyBody(std::istream &in, bool binary) : in_(in), binary_(binary) {}

    double value(PlyType type) {
        if (!binary_) {
            std::string word;
            if (!(in_ >> word))
                fail("the file ends inside its data");
            char *end = nullptr;
            const double v = std::strtod(word.c_str(), &end);
            if (end == word.c_str() || *end != '\0')
                fail("\"" + word + "\" is not a number");
            return v;
        }
        unsigned char bytes[8] = {};
        const size_t size = type_size(type);
        if (!in_.read(reinterpret_cast<char *>(bytes), static_cast<std::streamsize>(size)))
            fail("the file ends inside its data");
        uint64_t bits = 0;
        for (size_t i = 0; i < size; ++i)
            bits |= static_cast<uint64_t>(bytes[i]) << (8 * i);
        switch (type) {
        case PlyType::Int8: return static_cast<int8_t>(bits);
        case PlyType::Uint8: return static_cast<uint8_t>(bits);
        case PlyType::Int16: return static_cast<int16_t>(bits);
        case PlyType::Uint16: return static_cast<uint16_t>(bits);
        case PlyType::Int32: return static_cast<int32_t>(bits);
        case PlyType::Uint32: return static_cast<uint32_t>(bits);
        case PlyType::Float32: {
            const uint32_t word = static_cast<uint32_t>(bits);
            float f;
            std::memcpy(&f, &word, sizeof f);
            return f;
        }
        case PlyType::Float64: {
            double d;
            std::memcpy(&d, &bits, sizeof d);
            return d;
        }
        }
        return 0.0;
    }

private:
    std::istream &in_;
    bool binary_;
};

// The header, up to and including "end_header".
std::vector<PlyElement> read_header(std::istream &in, bool &binary) {
    std::string line;
    if (!std::getline(in, line) || line.substr(0, 3) != "ply")
        fail("the file does not start with \"ply\"");
    std::vector<PlyElement> elements;
    bool format = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "format") {
            std::string kind, version;
            words >> kind >> version;
            if (kind == "binary_big_endian")
                fail("binary_big_endian is not supported (ascii and binary_little_endian are)");
            if (kind != "ascii" && kind != "binary_little_endian")
                fail("unknown format \"" + kind + "\"");
            binary = kind == "binary_little_endian";
            format = true;
        } else if (keyword == "element") {
            PlyElement element;
            std::string count;
            words >> element.name >> count;
            char *end = nullptr;
            const double n = std::strtod(count.c_str(), &end);
            if (end == count.c_str() || *end != '\0' || !(n >= 0) || n != std::floor(n) || n > 4e9)
                fail("element \"" + element.name + "\" has a bad count \"" + count + "\"");
            element.count = static_cast<uint64_t>(n);
            elements.push_back(element);
        } else if (keyword == "property") {
            if (elements.empty())
                fail("a property before any element");
            PlyProperty property;
            std::string type;
            words >> type;
            if (type == "list") {
                std::string count_type, item_type;
                words >> count_type >> item_type;
                property.list = true;
                property.count_type = ply_type(count_type);
                property.type = ply_type(item_type);
            } else {
                property.type = ply_type(type);
            }
            words >> property.name;
            elements.back().properties.push_back(property);
        } else if (keyword == "end_header") {
            if (!format)
                fail("the header has no format line");
            return elements;
        } else if (keyword != "comment" && keyword != "obj_info" && !keyword.empty()) {
            fail("unknown header line \"" + line + "\"");
        }
    }
    fail("the header has no end_header");
}

int property_index(const PlyElement &element, std::initializer_list<const char *> names) {
    for (size_t i = 0; i < element.properties.size(); ++i)
        for (const char *name : names)
            if (element.properties[i].name == name && !element.properties[i].list)
                return static_cast<int>(i);
    return -1;
}

}  // namespace

Mesh read_ply(std::istream &in) {
    bool binary = false;
    const std::vector<PlyElement> elements = read_header(in, binary);
    // Counts are checked against the bytes left before anything is sized by
    // them: every value takes at least one byte (two in ascii).
    const std::streampos body = in.tellg();
    in.seekg(0, std::ios::end);
    const uint64_t left = static_cast<uint64_t>(in.tellg() - body);
    in.seekg(body);
    for (const PlyElement &element : elements)
        if (element.count > left)
            fail("element \"" + element.name + "\" claims " + std::to_string(element.count) +
                 " entries, more than the file's " + std::to_string(left) + " bytes of data");
    PlyBody data(in, binary);
    Mesh mesh;
    bool with_normals = false, with_uvs = false, faces_seen = false;
    for (const PlyElement &element : elements) {
        if (element.name == "vertex") {
            const int x = property_index(element, {"x"}), y = property_index(element, {"y"}),
                      z = property_index(element, {"z"});
            if (x < 0 || y < 0 || z < 0)
                fail("the vertex element needs x, y and z");
            const int nx = property_index(element, {"nx"}), ny = property_index(element, {"ny"}),
                      nz = property_index(element, {"nz"});
            const int u = property_index(element, {"u", "s", "texture_u"}),
                      v = property_index(element, {"v", "t", "texture_v"});
            with_normals = nx >= 0 && ny >= 0 && nz >= 0;
            with_uvs = u >= 0 && v >= 0;
            std::vector<double> values(element.properties.size());
            for (uint64_t i = 0; i < element.count; ++i) {
                for (size_t p = 0; p < element.properties.size(); ++p) {
                    const PlyProperty &property = element.properties[p];
                    if (property.list) {
                        const double n = data.value(property.count_type);
                        for (double k = 0; k < n; ++k)
                            data.value(property.type);
                        continue;
                    }
                    values[p] = data.value(property.type);
                }
                for (int p : {x, y, z, nx, ny, nz, u, v})
                    if (p >= 0 && !(std::fabs(values[p]) <= 3.4e38))
                        fail("vertex " + std::to_string(i) + ": " + element.properties[p].name +
                             " is not a finite single-precision number");
                const auto at = [&](int p) { return static_cast<float>(values[p]); };
                mesh.positions.push_back(Vector3{at(x), at(y), at(z)});
                if (with_normals)
                    mesh.normals.push_back(normalize(Vector3{at(nx), at(ny), at(nz)}));
                if (with_uvs)
                    mesh.uvs.push_back(Vector3{at(u), at(v), 0});
            }
        } else if (element.name == "face") {
            faces_seen = true;
            int list = -1;
            for (size_t p = 0; p < element.properties.size(); ++p)
                if (element.properties[p].list &&
                    (element.properties[p].name == "vertex_indices" || element.properties[p].name == "vertex_index"))
                    list = static_cast<int>(p);
            if (list < 0)
                fail("the face element has no vertex_indices list");
            std::vector<uint32_t> polygon;
            for (uint64_t i = 0; i < element.count; ++i)
                for (size_t p = 0; p < element.properties.size(); ++p) {
                    const PlyProperty &property = element.properties[p];
                    const double n = property.list ? data.value(property.count_type) : 1.0;
                    if (!(n >= 0) || n > 1e6)
                        fail("face " + std::to_string(i) + " has a bad vertex count");
                    polygon.clear();
                    for (double k = 0; k < n; ++k) {
                        const double index = data.value(property.type);
                        if (static_cast<int>(p) != list)
                            continue;
                        if (!(index >= 0) || index >= static_cast<double>(mesh.positions.size()) ||
                            index != std::floor(index))
                            fail("face " + std::to_string(i) + " names vertex " + number_text(index) + " of " +
                                 std::to_string(mesh.positions.size()) + " (the vertices must come first)");
                        polygon.push_back(static_cast<uint32_t>(index));
                    }
                    for (size_t k = 2; k < polygon.size(); ++k)
                        mesh.indices.insert(mesh.indices.end(), {polygon[0], polygon[k - 1], polygon[k]});
                }
        } else {
            for (uint64_t i = 0; i < element.count; ++i)
                for (const PlyProperty &property : element.properties) {
                    const double n = property.list ? data.value(property.count_type) : 1.0;
                    for (double k = 0; k < n; ++k)
                        data.value(property.type);
                }
        }
    }
    if (!faces_seen || mesh.indices.empty())
        fail("the file has no faces");
    return mesh;
}

std::vector<MeshPart> read_mesh_file(const std::string &path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw MeshError("no such mesh file");
    std::string ext = std::filesystem::path(path).extension().string();
    for (char &c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::vector<MeshPart> parts;
    if (ext == ".obj") {
        parts.emplace_back().mesh = read_obj(path);
    } else if (ext == ".ply") {
        std::ifstream in(path, std::ios::binary);
        parts.emplace_back().mesh = read_ply(in);
    } else if (ext == ".gltf" || ext == ".glb") {
        parts = read_gltf(path);
    } else {
        throw MeshError("unsupported mesh format \"" + ext +
                        "\": supported are .obj (Wavefront), .ply (ascii or binary little-endian), .gltf and .glb "
                        "(glTF 2.0)");
    }
    return parts;
}

}  // namespace uvo_host

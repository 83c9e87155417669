#include "scene_loader.h"

#include "analysis/analysis_plan.h"
#include "render/host_messages.h"
#include "scene/scene_json.h"

#include <bit>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <sstream>

#include "scene/geometry.h"
#include "scene/mesh_files.h"
#include "scene/lights.h"
#include "scene/limits.h"
#include "scene/output_channels.h"
#include "scene/param_block.h"
#include "shaders/shader_registry.h"

namespace uvo_host {

namespace {

using nlohmann::json;

class Loader : private JsonReader {
public:
    Loader(World &world, std::string name, std::filesystem::path directory)
        : JsonReader(std::move(name)), world_(world), scene_(world.scene), directory_(std::move(directory)) {}

    void load(const json &root) {
        if (!root.is_object())
            fail("", "the scene must be a JSON object");
        check_keys(root, "", {"description", "camera", "options", "lights", "objects", "analysis"});
        scene_.file = name_;
        load_options(root.contains("options") ? root["options"] : json::object(), "/options");
        if (root.contains("lights"))
            load_lights(root["lights"], "/lights");
        if (!root.contains("camera"))
            fail("", "missing \"camera\"");
        load_camera(root["camera"], "/camera");
        if (root.contains("objects"))
            load_objects(root["objects"], "/objects");
        if (root.contains("analysis"))
            scene_.analysis = std::make_shared<AnalysisPlan>(read_analysis(root["analysis"], name_, "/analysis"));
    }

private:
    World &world_;
    Scene &scene_;
    std::filesystem::path directory_;
    std::map<std::string, Light *> lights_;
    std::map<std::string, Tag> images_;

    std::string resolve(const std::string &file) const {
        const std::filesystem::path p(file);
        return (p.is_absolute() ? p : directory_ / p).lexically_normal().string();
    }

    // --- shaders and parameters --------------------------------------------

    int nesting_ = 0;  // shaders being read, the outermost first

    ShaderInstance *shader(const json &value, const std::string &path) {
        // Counted so that a deep chain is refused before it exhausts the stack.
        if (nesting_ >= kMaxShaderNesting)
            fail(path.size() > 120 ? path.substr(0, 120) + "..." : path, "shaders are nested more than " + std::to_string(kMaxShaderNesting) + " deep");
        ++nesting_;
        ShaderInstance *made = read_shader(value, path);
        --nesting_;
        return made;
    }

    ShaderInstance *read_shader(const json &value, const std::string &path) {
        std::string name;
        const json *params = nullptr;
        std::string name_path = path;
        if (value.is_string()) {
            name = value.get<std::string>();
        } else if (value.is_object()) {
            check_keys(value, path, {"shader", "params"});
            name = string(value, "shader", path);
            name_path = child(path, "shader");
            if (value.contains("params"))
                params = &value["params"];
        } else {
            fail(path, "expected a shader: \"name\" or {\"shader\": \"name\", \"params\": {...}}");
        }
        std::string why;
        ShaderCode *code = world_.registry->find(name, why);
        if (code == nullptr)
            fail(name_path, why);
        const Declaration &decl = *code->declaration;
        std::unique_ptr<BlockBuilder> builder;
        try {
            builder = std::make_unique<BlockBuilder>(decl);
        } catch (const DeclarationError &e) {
            fail(name_path, e.what());
        }
        if (params != nullptr) {
            const std::string ppath = child(path, "params");
            if (!params->is_object())
                fail(ppath, "expected an object of parameters by name");
            for (auto it = params->begin(); it != params->end(); ++it) {
                const ParamDecl *p = decl.find(it.key());
                const std::string vpath = child(ppath, it.key());
                if (p == nullptr)
                    fail(vpath, "unknown parameter \"" + it.key() + "\" of shader \"" + name + "\"");
                parameter(*builder, decl, *p, it.value(), vpath);
            }
        }
        ShaderInstance &instance = scene_.instances.emplace_back();
        instance.label = path;
        instance.code = code;
        builder->finish(instance);
        instance.tag = world_.db.add(ElementKind::Shader, &instance);
        return &instance;
    }

    Tag light_tag(const json &value, const std::string &path) const {
        if (!value.is_string())
            fail(path, "expected the name of a light");
        auto found = lights_.find(value.get<std::string>());
        if (found == lights_.end())
            fail(path, "no light named \"" + value.get<std::string>() + "\"");
        return found->second->instance_tag;
    }

    Tag texture_tag(const json &value, const std::string &path) {
        if (value.is_object())
            return shader(value, path)->tag;
        if (!value.is_string())
            fail(path, "expected an image file name or a texture shader");
        const std::string file = resolve(value.get<std::string>());
        auto known = images_.find(file);
        if (known != images_.end())
            return known->second;
        Image loaded;
        try {
            loaded = read_image(file);
        } catch (const ImageError &e) {
            fail(path, "texture file \"" + file + "\": " + e.what());
        }
        Image &image = scene_.images.emplace_back(std::move(loaded));
        const Tag tag = world_.db.add(ElementKind::Image, &image);
        images_.emplace(file, tag);
        return tag;
    }

    Tag text_tag(const json &value, const std::string &path) {
        if (!value.is_string())
            fail(path, "expected a string");
        Text &text = scene_.texts.emplace_back();
        text.text = value.get<std::string>();
        return world_.db.add(ElementKind::Text, &text);
    }

    // Words of one value of a Tag-valued type.
    uint32_t tag_value(ParamType type, const json &value, const std::string &path) {
        switch (type) {
        case ParamType::Light:
            return light_tag(value, path);
        case ParamType::Texture:
            return texture_tag(value, path);
        case ParamType::Shader:
            return shader(value, path)->tag;
        default:
            return text_tag(value, path);
        }
    }

    static bool is_tag_type(ParamType type) {
        return type == ParamType::Light || type == ParamType::Texture || type == ParamType::Shader ||
               type == ParamType::String;
    }

    void parameter(BlockBuilder &builder, const Declaration &decl, const ParamDecl &p, const json &value,
                   const std::string &path) {
        const std::string what = "parameter \"" + p.name + "\" of \"" + decl.name + "\" is ";
        if (p.type == ParamType::Array) {
            if (!value.is_array())
                fail(path, what + "an array of " + param_type_name(p.element) + " values");
            std::vector<uint32_t> elements;
            for (size_t i = 0; i < value.size(); ++i) {
                if (is_tag_type(p.element)) {
                    elements.push_back(tag_value(p.element, value[i], child(path, i)));
                } else {
                    std::vector<uint32_t> words;
                    std::string why;
                    if (!json_to_words(value[i], p.element, words, why))
                        fail(child(path, i), why);
                    elements.insert(elements.end(), words.begin(), words.end());
                }
            }
            builder.set_array(p, elements);
            return;
        }
        if (is_tag_type(p.type)) {
            builder.set(p, {tag_value(p.type, value, path)});
            return;
        }
        if (p.type == ParamType::Vector && value.is_object() && value.contains("sun_position")) {
            // A sun direction worked out from a date, a time and a place.
            check_keys(value, path, {"sun_position"});
            const Vector3 v = read_sun_position(value["sun_position"], name_, child(path, "sun_position"));
            builder.set(p, {std::bit_cast<uint32_t>(v.x), std::bit_cast<uint32_t>(v.y), std::bit_cast<uint32_t>(v.z)});
            return;
        }
        if (value.is_object()) {
            if (p.type != ParamType::Color && p.type != ParamType::Scalar && p.type != ParamType::Vector)
                fail(path, what + std::string("a ") + param_type_name(p.type) + " and cannot be fed by a shader");
            builder.connect(p, shader(value, path));
            return;
        }
        std::vector<uint32_t> words;
        std::string why;
        if (!json_to_words(value, p.type, words, why))
            fail(path, what + std::string("a ") + param_type_name(p.type) + ": " + why);
        builder.set(p, words);
    }

    std::vector<ShaderInstance *> shader_list(const json &owner, const char *key, const std::string &path) {
        std::vector<ShaderInstance *> out;
        if (!owner.contains(key))
            return out;
        const std::string lpath = child(path, key);
        const json &list = owner[key];
        if (!list.is_array())
            fail(lpath, "expected a list of shaders");
        for (size_t i = 0; i < list.size(); ++i)
            out.push_back(shader(list[i], child(lpath, i)));
        return out;
    }

    // --- sections -------------------------------------------------------------

    void load_options(const json &value, const std::string &path) {
        const json &o = object_at(value, path);
        check_keys(o, path, {"samples", "threads", "shadow", "max_depth", "reflection_depth", "refraction_depth",
                             "final_gather", "gather_rays", "seed", "tile_size", "scene_box", "photons",
                             "renderer", "ground_reflectance", "gather_depth", "photon_radius", "photon_depth",
                             "photon_nearest", "caustics"});
        HostSettings &s = scene_.settings;
        s.samples = integer(o, "samples", path, s.samples, 1);
        s.threads = integer(o, "threads", path, s.threads, 0, kMaxThreads);
        s.max_depth = integer(o, "max_depth", path, s.max_depth, 0);
        s.max_depth = std::min(s.max_depth, 24);
        s.reflection_depth = integer(o, "reflection_depth", path, s.reflection_depth, 0);
        s.refraction_depth = integer(o, "refraction_depth", path, s.refraction_depth, 0);
        s.seed = static_cast<uint32_t>(integer(o, "seed", path, 0, 0));
        s.tile_size = integer(o, "tile_size", path, s.tile_size, 1);
        RenderOptions &r = scene_.options;
        r = RenderOptions{};
        r.ray_tracing = 1;
        r.shadow_mode = UVO_SHADOW_ON;
        if (o.contains("shadow")) {
            const std::string mode = string(o, "shadow", path);
            const std::map<std::string, char> modes = {
                {"off", UVO_SHADOW_OFF}, {"on", UVO_SHADOW_ON}, {"sorted", UVO_SHADOW_SORTED},
                {"segments", UVO_SHADOW_SEGMENTS}};
            auto found = modes.find(mode);
            if (found == modes.end())
                fail(child(path, "shadow"), "expected \"off\", \"on\", \"sorted\" or \"segments\"");
            r.shadow_mode = found->second;
        }
        r.final_gather = boolean(o, "final_gather", path, false) ? 1 : 0;
        r.gather_rays = integer(o, "gather_rays", path, 16, 1);
        r.depth_limit = static_cast<uint8_t>(std::min(s.reflection_depth, 255));
        r.gather_depth = integer(o, "gather_depth", path, 1, 1, 16);
        r.luminance_weights = Color{0.212671f, 0.715160f, 0.072169f, 0.0f};
        r.photon_weights[0] = r.photon_weights[1] = r.photon_weights[2] = 1.0f / 3.0f;
        r.samples = s.samples;
        r.verbosity = verbosity();
        load_daylight_options(o, path);
    }

    // Options for daylight and photons: which scene box the box queries
    // answer, and the photon emission calls per light.
    void load_daylight_options(const json &o, const std::string &path) {
        if (o.contains("scene_box")) {
            const std::string box = string(o, "scene_box", path);
            if (box != "geometry" && box != "all")
                fail(child(path, "scene_box"), "expected \"geometry\" or \"all\"");
            scene_.options.box_all = box == "all" ? 1 : 0;
        }
        scene_.settings.photons = integer(o, "photons", path, 0, 0, kMaxPhotons);
        // Environment rays below the horizon meet a grey ground of this
        // reflectance lit by the environment's upper hemisphere.
        if (o.contains("ground_reflectance")) {
            scene_.ground.enabled = true;
            scene_.ground.reflectance = static_cast<float>(number(o, "ground_reflectance", path, 0.0, 0.0));
        }
        scene_.settings.photon_depth = integer(o, "photon_depth", path, 10, 1, 30);
        scene_.settings.photon_nearest = integer(o, "photon_nearest", path, 50, 0, 10000);
        scene_.settings.photon_radius = static_cast<float>(number(o, "photon_radius", path, 0.0, 0.0));
        scene_.options.caustics = boolean(o, "caustics", path, false) ? 1 : 0;
        // The primary renderer the shaders are told about; this host always
        // ray traces, "rasterizer" only sets the options' mode.
        if (o.contains("renderer")) {
            const std::string renderer = string(o, "renderer", path);
            if (renderer != "raytrace" && renderer != "rasterizer")
                fail(child(path, "renderer"), "expected \"raytrace\" or \"rasterizer\"");
            scene_.options.render_mode = renderer == "rasterizer" ? UVO_RENDER_RASTERIZER : UVO_RENDER_RAYTRACE;
        }
    }

    void load_camera(const json &value, const std::string &path) {
        const json &c = object_at(value, path);
        check_keys(c, path, {"resolution", "focal", "aperture", "aspect", "orthographic", "transform", "lens",
                             "output", "environment", "clip", "framebuffers", "volume", "outputs",
                             "white_luminance"});
        Camera3 &cam = scene_.camera;
        Camera &k = cam.camera;
        k = Camera{};
        int w = 640, h = 480;
        if (c.contains("resolution")) {
            const std::string rpath = child(path, "resolution");
            const auto r = numbers(c["resolution"], rpath, 2, "a resolution [width, height]");
            if (r[0] < 1 || r[1] < 1 || r[0] > kMaxResolution || r[1] > kMaxResolution ||
                r[0] != std::floor(r[0]) || r[1] != std::floor(r[1]))
                fail(rpath, "width and height must be whole numbers from 1 to " + std::to_string(kMaxResolution));
            w = static_cast<int>(r[0]);
            h = static_cast<int>(r[1]);
        }
        k.x_resolution = w;
        k.y_resolution = h;
        k.focal = static_cast<float>(number(c, "focal", path, 1.0, 1e-9));
        k.aperture = static_cast<float>(number(c, "aperture", path, 1.0, 1e-9));
        k.aspect = static_cast<float>(number(c, "aspect", path, static_cast<double>(w) / h, 1e-9));
        k.orthographic = boolean(c, "orthographic", path, false) ? 1 : 0;
        cam.white_luminance = static_cast<float>(number(c, "white_luminance", path, 0.0, 0.0));
        k.clip_near = 0.0f;
        k.clip_far = 1e30f;
        if (c.contains("clip")) {
            const auto clip = numbers(c["clip"], child(path, "clip"), 2, "[near, far]");
            k.clip_near = static_cast<float>(clip[0]);
            k.clip_far = static_cast<float>(clip[1]);
        }
        cam.to_world = transform(c, path);
        cam.from_world = inverse_of(cam.to_world, child(path, "transform"));
        framebuffer_names(c, path);
        output_channels(c, path);
        cam.lens = shader_list(c, "lens", path);
        cam.output = shader_list(c, "output", path);
        if (c.contains("environment")) {
            cam.environment = shader(c["environment"], child(path, "environment"));
            k.environment = cam.environment->tag;
        }
        if (c.contains("volume"))
            cam.volume = shader(c["volume"], child(path, "volume"));
    }

    // The camera's user frame buffers: unique names, numbered in list order.
    // The set is a database element even when empty, so that shaders always
    // find an accessor for the camera's Tag.
    void framebuffer_names(const json &c, const std::string &path) {
        Camera3 &cam = scene_.camera;
        cam.framebuffers.clear();
        if (c.contains("framebuffers")) {
            const std::string fpath = child(path, "framebuffers");
            const json &list = c["framebuffers"];
            if (!list.is_array())
                fail(fpath, "expected a list of frame-buffer names");
            for (size_t i = 0; i < list.size(); ++i) {
                if (!list[i].is_string() || list[i].get<std::string>().empty())
                    fail(child(fpath, i), "expected a frame-buffer name (a non-empty string)");
                const std::string name = list[i].get<std::string>();
                for (const std::string &known : cam.framebuffers)
                    if (known == name)
                        fail(child(fpath, i), "a frame buffer named \"" + name + "\" exists already");
                cam.framebuffers.push_back(name);
            }
        }
        cam.camera.frame_buffers = world_.db.add(ElementKind::FramebufferSet, &cam.framebuffers);
    }

    // The material output channels the camera asks for, by slot name.
    void output_channels(const json &c, const std::string &path) {
        Camera3 &cam = scene_.camera;
        cam.output_channels.clear();
        if (!c.contains("outputs"))
            return;
        const std::string opath = child(path, "outputs");
        const json &list = c["outputs"];
        if (!list.is_array())
            fail(opath, "expected a list of output channel names");
        for (size_t i = 0; i < list.size(); ++i) {
            const int index = list[i].is_string() ? find_output_channel(list[i].get<std::string>()) : -1;
            if (index < 0)
                fail(child(opath, i), "expected the name of an output channel, such as \"direct_diffuse\"");
            const std::string name = list[i].get<std::string>();
            for (int known : cam.output_channels)
                if (known == index)
                    fail(child(opath, i), "the channel \"" + name + "\" is asked for twice");
            for (const std::string &buffer : cam.framebuffers)
                if (buffer == name)
                    fail(child(opath, i), "a frame buffer is named \"" + name + "\" too");
            cam.output_channels.push_back(index);
        }
    }

    void load_lights(const json &value, const std::string &path) {
        if (!value.is_array())
            fail(path, "expected a list of lights");
        // Names first, so that any shader can refer to any light.
        std::vector<std::pair<Light *, size_t>> with_shader;  // light, index in the list
        for (size_t i = 0; i < value.size(); ++i) {
            const std::string lpath = child(path, i);
            const json &l = object_at(value[i], lpath);
            check_keys(l, lpath, {"name", "type", "color", "intensity", "transform", "size", "samples",
                                  "low_samples", "shader", "visible", "sun_position"});
            Light &light = scene_.lights.emplace_back();
            light.name = string(l, "name", lpath);
            if (lights_.count(light.name))
                fail(child(lpath, "name"), "a light named \"" + light.name + "\" exists already");
            const std::string type = string(l, "type", lpath);
            HostLight &r = light.record;
            if (type == "point") {
                r.kind = UVO_LIGHT_POINT;
            } else if (type == "directional") {
                r.kind = UVO_LIGHT_DIRECTIONAL;
            } else if (type == "rectangle") {
                r.kind = UVO_LIGHT_POINT;
                r.area = UVO_AREA_RECTANGLE;
            } else {
                fail(child(lpath, "type"), "expected \"point\", \"directional\" or \"rectangle\"");
            }
            Color color{1, 1, 1, 1};
            if (l.contains("color")) {
                std::vector<uint32_t> words;
                std::string why;
                if (!json_to_words(l["color"], ParamType::Color, words, why))
                    fail(child(lpath, "color"), why);
                std::memcpy(&color, words.data(), sizeof color);
            }
            const float intensity = static_cast<float>(number(l, "intensity", lpath, 1.0, 0.0));
            light.emission = Color{color.r * intensity, color.g * intensity, color.b * intensity, 1.0f};
            r.energy = light.emission;
            r.origin = Vector3{0, 0, 0};
            r.direction = Vector3{0, 0, -1};
            if (r.area == UVO_AREA_RECTANGLE) {
                Vector3 size{1, 1, 0};
                if (l.contains("size")) {
                    const auto s = numbers(l["size"], child(lpath, "size"), 2, "a size [width, height]");
                    if (s[0] <= 0 || s[1] <= 0)
                        fail(child(lpath, "size"), "width and height must be positive");
                    size = Vector3{static_cast<float>(s[0]), static_cast<float>(s[1]), 0};
                }
                r.edge_u = Vector3{size.x, 0, 0};
                r.edge_v = Vector3{0, size.y, 0};
            }
            r.samples = integer(l, "samples", lpath, r.area ? 4 : 1, 1);
            r.low_samples = integer(l, "low_samples", lpath, 0, 0);
            r.visible = boolean(l, "visible", lpath, false) ? 1 : 0;
            light.to_world = transform(l, lpath);
            if (l.contains("sun_position")) {
                // A directional light shining from the sun of that date, time and place.
                if (r.kind != UVO_LIGHT_DIRECTIONAL || l.contains("transform"))
                    fail(child(lpath, "sun_position"), "only for a directional light without \"transform\"");
                const Vector3 z = read_sun_position(l["sun_position"], name_, child(lpath, "sun_position"));
                Vector3 u, v;
                orthonormal_basis(z, u, v);
                light.to_world = frame(u, v, z, Vector3{0, 0, 0});
            }
            light.from_world = inverse_of(light.to_world, child(lpath, "transform"));
            setup_light(light);
            light.tag = world_.db.add(ElementKind::Light, &light);
            light.instance_tag = world_.db.add(ElementKind::LightInstance, &light);
            scene_.light_instances.push_back(light.instance_tag);
            lights_[light.name] = &light;
            if (l.contains("shader"))
                with_shader.emplace_back(&light, i);
        }
        for (const auto &[light, index] : with_shader) {
            light->shader = shader(value[index]["shader"], child(child(path, index), "shader"));
            light->record.shader = light->shader->tag;
        }
    }

    void load_objects(const json &value, const std::string &path) {
        if (!value.is_array())
            fail(path, "expected a list of objects");
        for (size_t i = 0; i < value.size(); ++i) {
            const std::string opath = child(path, i);
            const json &o = object_at(value[i], opath);
            check_keys(o, opath, {"name", "type", "size", "radius", "segments", "file", "transform", "material"});
            const std::string name = o.contains("name") ? string(o, "name", opath) : "object " + std::to_string(i);
            const std::string type = string(o, "type", opath);
            std::vector<MeshPart> parts(1);
            if (type == "plane") {
                parts[0].mesh = make_plane(static_cast<float>(number(o, "size", opath, 1.0, 1e-9)));
            } else if (type == "box") {
                parts[0].mesh = make_box(static_cast<float>(number(o, "size", opath, 1.0, 1e-9)));
            } else if (type == "sphere") {
                parts[0].mesh = make_sphere(static_cast<float>(number(o, "radius", opath, 1.0, 1e-9)),
                                            integer(o, "segments", opath, 64, 4, kMaxSphereSegments));
            } else if (type == "mesh") {
                const std::string file = resolve(string(o, "file", opath));
                try {
                    parts = read_mesh_file(file);
                } catch (const MeshError &e) {
                    fail(child(opath, "file"), "mesh file \"" + file + "\": " + e.what());
                }
            } else {
                fail(child(opath, "type"), "expected \"plane\", \"box\", \"sphere\" or \"mesh\"");
            }
            const Mat4 to_world = transform(o, opath);
            const Mat4 from_world = inverse_of(to_world, child(opath, "transform"));
            ShaderInstance *given = o.contains("material") ? shader(o["material"], child(opath, "material")) : nullptr;
            // A file with several materials (glTF) gives one object per
            // material, "NAME/MATERIAL"; without a material in the scene each
            // takes its base colour as a diffuse uvo_material.
            for (MeshPart &part : parts) {
                Object &object = scene_.objects.emplace_back();
                object.name = parts.size() == 1 ? name : name + "/" + part.material;
                object.mesh = std::move(part.mesh);
                object.to_world = to_world;
                object.from_world = from_world;
                place_object(object);
                const json colour = {part.color.r, part.color.g, part.color.b};
                object.material = given          ? given
                                  : part.has_color ? shader(json{{"shader", "uvo_material"},
                                                                 {"params", {{"diffuse_color", colour},
                                                                             {"reflectivity", 0.0}}}},
                                                            child(opath, "material"))
                                                   : shader(json("lambert"), child(opath, "material"));
                object.material_tag = object.material->tag;
            }
        }
    }
};

std::string describe_parse_error(const json::parse_error &e, const std::string &text) {
    size_t line = 1, column = 1;
    for (size_t i = 0; i + 1 < e.byte && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    std::string what = e.what();
    const size_t colon = what.find(": ", what.find("parse error"));
    std::string reason = colon == std::string::npos ? what : what.substr(colon + 2);
    return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": malformed JSON: " + reason;
}

}  // namespace

void load_scene_text(const std::string &text, const std::string &name, const std::string &directory,
                     World &world) {
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error &e) {
        throw SceneError(name + ": " + describe_parse_error(e, text));
    }
    Loader loader(world, name, directory);
    loader.load(root);
}

void load_scene(const std::string &path, World &world) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw SceneError(path + ": /: cannot open the scene file");
    // Read at most one byte past the limit: a device such as /dev/zero never
    // ends, and its size says nothing.
    std::string text;
    char chunk[1 << 16];
    while (text.size() <= kMaxSceneBytes && in.read(chunk, sizeof chunk).gcount() > 0)
        text.append(chunk, static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxSceneBytes)
        throw SceneError(path + ": /: the scene file is larger than " + std::to_string(kMaxSceneBytes >> 20) + " MiB");
    if (in.bad())
        throw SceneError(path + ": /: cannot read the scene file");
    const std::filesystem::path p(path);
    load_scene_text(text, path, p.parent_path().string(), world);
}

}  // namespace uvo_host

// The Python module `uvo`: NumPy images through the tone-mapping API,
// scenes rendered in-process by the reference host into NumPy arrays, and
// the shader declarations as Python data.
//
// Images are float32 arrays of shape (height, width, 4) (RGBA) or
// (height, width, 3), row 0 at the top, linear values.
#include <dlfcn.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "render/host_messages.h"
#include "scene/declarations.h"
#include "scene/output_channels.h"
#include "scene_loader.h"
#include "session.h"
#include "shaders/shader_registry.h"
#include "uvo/tonemap_api.h"

namespace py = pybind11;
using namespace uvo_host;

namespace {

using FloatImage = py::array_t<float, py::array::c_style | py::array::forcecast>;

// ---- tone mapping ------------------------------------------------------------

struct TonemapFunctions {
    void (*init)(TonemapRecord *) = nullptr;
    void (*exit)(TonemapRecord *) = nullptr;
    int32_t (*transform_image)(TonemapRecord *) = nullptr;
};

// The shader library, loaded once and bound to libuvo_host.so (which this
// module links), whose host functions serve the API's memory and messages.
const TonemapFunctions &tonemap_functions() {
    static TonemapFunctions functions;
    static std::string failure;
    static std::once_flag once;
    std::call_once(once, [] {
        const std::string path = default_library_path();
        void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        Dl_info info{};
        void *host = dladdr(reinterpret_cast<void *>(&rx_mem_int_allocate), &info) != 0
                         ? dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD)
                         : nullptr;
        auto set_handle = library ? reinterpret_cast<UvoSetModuleHandleFn>(dlsym(library, "rxSetModuleHandle")) : nullptr;
        if (library == nullptr || host == nullptr || set_handle == nullptr) {
            failure = path + ": cannot load the shader library" + (library ? "" : std::string(": ") + dlerror());
            return;
        }
        set_handle(host);
        dlclose(host);  // the reference NOLOAD took
        functions.init = reinterpret_cast<decltype(functions.init)>(dlsym(library, "uvo_tonemap_api_init"));
        functions.exit = reinterpret_cast<decltype(functions.exit)>(dlsym(library, "uvo_tonemap_api_exit"));
        functions.transform_image =
            reinterpret_cast<decltype(functions.transform_image)>(dlsym(library, "uvo_tonemap_api_transform_image"));
        if (!functions.init || !functions.exit || !functions.transform_image)
            failure = path + ": the tone-mapping API is missing";
    });
    if (!failure.empty())
        throw std::runtime_error(failure);
    return functions;
}

struct PixelAccess {
    float *data;
    int32_t width, channels;
};

void read_pixel(void *context, Color *out, int32_t x, int32_t y) {
    const PixelAccess *a = static_cast<const PixelAccess *>(context);
    const float *p = a->data + (static_cast<size_t>(y) * a->width + x) * a->channels;
    *out = Color{p[0], p[1], p[2], a->channels == 4 ? p[3] : 1.0f};
}

void write_pixel(void *context, const Color *in, int32_t x, int32_t y) {
    const PixelAccess *a = static_cast<const PixelAccess *>(context);
    float *p = a->data + (static_cast<size_t>(y) * a->width + x) * a->channels;
    p[0] = in->r;
    p[1] = in->g;
    p[2] = in->b;
}

Color rgb(const std::array<float, 3> &c, float alpha) { return Color{c[0], c[1], c[2], alpha}; }

py::array_t<float> tonemap(const FloatImage &image, float radiance_scale, float film_speed, float shutter_rate,
                           float aperture_stop, std::array<float, 3> white_balance, float vignette_power,
                           float highlight_compression, float shadow_crush, float color_saturation,
                           float display_gamma, float camera_focal, float camera_aperture,
                           std::array<float, 3> luminance_weights) {
    if (image.ndim() != 3 || (image.shape(2) != 3 && image.shape(2) != 4) || image.shape(0) < 1 || image.shape(1) < 1)
        throw py::value_error("expected an image of shape (height, width, 3 or 4)");
    if (image.shape(0) > (1 << 20) || image.shape(1) > (1 << 20))
        throw py::value_error("the image is larger than 2^20 pixels a side");
    const TonemapFunctions &api = tonemap_functions();
    py::array_t<float> result({image.shape(0), image.shape(1), image.shape(2)});
    std::memcpy(result.mutable_data(), image.data(), sizeof(float) * static_cast<size_t>(image.size()));
    PixelAccess access{result.mutable_data(), static_cast<int32_t>(image.shape(1)),
                       static_cast<int32_t>(image.shape(2))};

    TonemapRecord r{};
    r.api_version = UVO_TONEMAP_API_VERSION;
    r.tonemapper = UVO_TONEMAPPER_PHOTOGRAPHIC;
    r.width = static_cast<int32_t>(image.shape(1));
    r.height = static_cast<int32_t>(image.shape(0));
    r.read_context = r.write_context = &access;
    r.read_pixel = read_pixel;
    r.write_pixel = write_pixel;
    r.radiance_scale = radiance_scale;
    r.white_balance = rgb(white_balance, 1.0f);
    r.film_speed = film_speed;
    r.shutter_rate = shutter_rate;
    r.aperture_stop = aperture_stop;
    r.vignette_power = vignette_power;
    r.highlight_compression = highlight_compression;
    r.shadow_crush = shadow_crush;
    r.color_saturation = color_saturation;
    r.display_gamma = display_gamma;
    r.camera_aspect = static_cast<float>(r.width) / static_cast<float>(r.height);
    r.camera_focal = camera_focal;
    r.camera_aperture = camera_aperture;
    r.luminance_weights = rgb(luminance_weights, 0.0f);
    api.init(&r);
    if (r.internal == nullptr)
        throw py::value_error("the tone mapper refused these settings (see the message above)");
    {
        py::gil_scoped_release unlocked;
        api.transform_image(&r);
    }
    api.exit(&r);
    return result;
}

// ---- rendering ---------------------------------------------------------------

py::array_t<float> to_array(const Image &image) {
    py::array_t<float> a({image.height, image.width, 4});
    std::memcpy(a.mutable_data(), image.rgba.data(), sizeof(float) * image.rgba.size());
    return a;
}

// What a value of each layer measures.  Colour terms of the material and the
// frame are radiance in the scene's units (what 1.0 is in cd/m2 depends on
// the scene's lights and sky: see "attributes"); levels, occlusion and
// opacity are fractions in [0, 1].
std::string layer_unit(const std::string &name) {
    if (name.ends_with("_level") || name.starts_with("occlusion") || name == "cutout_opacity")
        return "fraction";
    if (name == "irradiance")
        return "irradiance";
    if (find_output_channel(name) >= 0)
        return "radiance";
    return "shader-defined";
}

py::dict render(const std::string &scene, int samples, int width, int height, int threads,
                const std::string &library, const std::string &declarations, int verbosity) {
    SessionOptions options;
    options.scene = scene;
    options.samples = samples;
    options.width = width;
    options.height = height;
    options.threads = threads;
    options.library = library;
    options.declarations = declarations;
    set_verbosity(verbosity);
    py::dict result;
    try {
        RenderSession session(options);
        {
            py::gil_scoped_release unlocked;
            session.render(false);
        }
        if (session.world().aborted)
            throw std::runtime_error("the render was stopped by a fatal error of a shader");
        const World &world = session.world();
        result["beauty"] = to_array(session.raw_image());
        result["display"] = to_array(world.framebuffer);
        py::dict layers, units;
        units["beauty"] = "radiance";
        units["display"] = world.scene.camera.output.empty() ? "radiance" : "display";
        for (const Image &buffer : world.user_framebuffers) {
            layers[py::str(buffer.name)] = to_array(buffer);
            units[py::str(buffer.name)] = layer_unit(buffer.name);
        }
        for (const Image &channel : world.output_channels) {
            layers[py::str(channel.name)] = to_array(channel);
            units[py::str(channel.name)] = layer_unit(channel.name);
        }
        result["layers"] = layers;
        result["units"] = units;
        result["samples"] = world.scene.settings.samples;
        py::dict attributes;
        for (const auto &[key, value] : session.attributes())
            attributes[py::str(key)] = value;
        result["attributes"] = attributes;
    } catch (const SceneError &e) {
        throw py::value_error(e.what());
    } catch (const RegistryError &e) {
        throw std::runtime_error(e.what());
    }
    return result;
}

// ---- declarations ------------------------------------------------------------

py::object json_to_python(const nlohmann::json &j) {
    return py::module_::import("json").attr("loads")(j.dump());
}

py::dict declarations(const std::string &directory) {
    namespace fs = std::filesystem;
    const std::string dir = directory.empty() ? default_declarations_dir() : directory;
    py::dict result;
    try {
        for (const auto &[name, decl] : load_declarations(dir)) {
            // The layout from the host's reader; the documentation fields
            // (range, unit, description) from the file as written.
            std::ifstream in(fs::path(dir) / (name + ".json"));
            const nlohmann::json file = in ? nlohmann::json::parse(in, nullptr, false) : nlohmann::json();
            py::dict shader;
            shader["name"] = name;
            shader["version"] = decl.version;
            shader["result"] = decl.result;
            shader["block_size"] = decl.block_size;
            shader["description"] = file.is_object() ? file.value("description", std::string()) : std::string();
            py::list parameters;
            for (size_t i = 0; i < decl.parameters.size(); ++i) {
                const ParamDecl &p = decl.parameters[i];
                py::dict parameter;
                parameter["name"] = p.name;
                parameter["type"] = param_type_name(p.type);
                if (p.type == ParamType::Array)
                    parameter["element"] = param_type_name(p.element);
                parameter["offset"] = p.offset;
                parameter["default"] = json_to_python(p.default_value);
                nlohmann::json row;
                if (file.is_object() && file.contains("parameters") && file["parameters"].size() > i)
                    row = file["parameters"][i];
                for (const char *key : {"unit", "range", "description"})
                    parameter[key] = row.is_object() ? row.value(key, std::string()) : std::string();
                parameters.append(parameter);
            }
            shader["parameters"] = parameters;
            result[py::str(name)] = shader;
        }
    } catch (const DeclarationError &e) {
        throw py::value_error(e.what());
    }
    return result;
}

}  // namespace

PYBIND11_MODULE(uvo, m) {
    m.doc() = "uvo shaders from Python: tone mapping, rendering, declarations";
    m.def("library_path", &default_library_path, "The shader library the module loads.");
    m.def("declarations_dir", &default_declarations_dir, "The directory of shader declarations it reads.");
    m.def("tonemap", &tonemap, py::arg("image"), py::kw_only(), py::arg("radiance_scale") = 1.0f,
          py::arg("film_speed") = 0.0f, py::arg("shutter_rate") = 0.0f, py::arg("aperture_stop") = 0.0f,
          py::arg("white_balance") = std::array<float, 3>{1.0f, 1.0f, 1.0f}, py::arg("vignette_power") = 0.0f,
          py::arg("highlight_compression") = 0.25f, py::arg("shadow_crush") = 0.2f,
          py::arg("color_saturation") = 1.0f, py::arg("display_gamma") = 2.2f, py::arg("camera_focal") = 1.0f,
          py::arg("camera_aperture") = 1.0f,
          py::arg("luminance_weights") = std::array<float, 3>{0.2126f, 0.7152f, 0.0722f},
          R"(Tone-maps a linear float image (height, width, 3 or 4) with the photographic
tone mapper and returns a new float32 image of display values (alpha kept).
With film_speed > 0 the exposure is physical: radiance_scale converts values
to cd/m2, shutter_rate is 1/seconds and aperture_stop the f-number; else
radiance_scale alone scales the image.  Raises ValueError for settings the
tone mapper refuses (display_gamma 0, ...).)");
    m.def("render", &render, py::arg("scene"), py::kw_only(), py::arg("samples") = 0, py::arg("width") = 0,
          py::arg("height") = 0, py::arg("threads") = -1, py::arg("library") = "", py::arg("declarations") = "",
          py::arg("verbosity") = 1,
          R"(Renders a scene file in this process.  Returns a dict: "beauty" the frame as
rendered (float32 (height, width, 4), radiance), "display" the frame after the
camera's output shaders (tone-mapped display values, or the beauty again when
there are none), "layers" the user frame buffers and output channels by name,
"units" what each array measures ("radiance", "fraction", "irradiance",
"display", "shader-defined"), "samples" the samples per pixel, "attributes"
what the EXR header would record (scene, library, declarations, seed, ...).  samples,
width/height (both) and threads > -1 override the scene; 0 or -1 keep it.
Raises ValueError for a refused scene.)");
    m.def("declarations", &declarations, py::arg("directory") = "",
          R"(The shader declarations by shader name: version, result, block_size (bytes),
description and the parameters in block order, each with name, type, element
(arrays), offset (bytes), default, unit, range and description.)");
}

#include "shaders/builtin_shaders.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <numbers>

#include "render/directions.h"
#include "render/shading.h"

namespace uvo_host {
namespace {

// The parameter protocol, as the library reads its blocks.
template <class T>
T eval(ShadingState *state, const void *block, const T &field) {
    const ShaderRecord *record = state->shader;
    if (record != nullptr && record->connection_offset != 0) {
        const ptrdiff_t offset = reinterpret_cast<const char *>(&field) - static_cast<const char *>(block);
        int32_t connected;
        std::memcpy(&connected, static_cast<const char *>(block) + record->connection_offset + offset,
                    sizeof connected);
        if (connected != 0)
            return *static_cast<const T *>(rx_phen_eval(state, &field));
    }
    return field;
}

struct ConstantParams {
    Color color;
};

struct LambertParams {
    Color diffuse;
    int32_t samples;
    Boolean indirect;
};
static_assert(offsetof(LambertParams, samples) == 16 && offsetof(LambertParams, indirect) == 20);

struct ImageTextureParams {
    Tag file;
    Vector3 scale;
    Vector3 offset;
};
static_assert(offsetof(ImageTextureParams, scale) == 4 && offsetof(ImageTextureParams, offset) == 16);

struct CheckerParams {
    Color color1;
    Color color2;
    float scale;
};
static_assert(offsetof(CheckerParams, scale) == 32);

struct NormalColorParams {
    Boolean mapped;
};

Boolean constant_shader(Color *result, ShadingState *state, void *block) {
    auto *p = static_cast<ConstantParams *>(block);
    if (state->ray_type == UVO_RAY_SHADOW) {
        *result = Color{0, 0, 0, result->a};
        return 0;
    }
    *result = eval(state, p, p->color);
    return 1;
}

int gather_rays_on_path(const ShadingState *state) {
    int gathered = 0;
    for (const ShadingState *s = state; s != nullptr; s = s->parent)
        gathered += s->ray_type == UVO_RAY_GATHER ? 1 : 0;
    return gathered;
}

int gather_depth(const ShadingState *state) {
    return state->options != nullptr ? std::max<int>(state->options->gather_depth, 1) : 1;
}

Boolean lambert_shader(Color *result, ShadingState *state, void *block) {
    auto *p = static_cast<LambertParams *>(block);
    if (state->ray_type == UVO_RAY_SHADOW) {
        *result = Color{0, 0, 0, result->a};
        return 0;
    }
    if (state->ray_type == UVO_RAY_DISPLACE)
        return 0;
    const Color diffuse = eval(state, p, p->diffuse);
    const Color direct = direct_irradiance(state);  // irradiance / π: the light samples' convention

    // Incoming light over the hemisphere, by cosine-weighted rays: for a
    // Lambert surface the radiance is the diffuse colour times their mean.
    int32_t samples = eval(state, p, p->samples);
    const bool gathering = state->ray_type == UVO_RAY_GATHER;
    if (gathering)
        samples = std::min(samples, 1);
    // Below a gather ray the path goes on (one ray) while it carries fewer
    // gather rays than the options' gather depth allows, as
    // rx_compute_avg_radiance does; at the last one only the environment.
    const bool indirect =
        eval(state, p, p->indirect) && (!gathering || gather_rays_on_path(state) < gather_depth(state));
    Color gathered{0, 0, 0, 0};
    if (samples > 0) {
        World *world = world_of(state);
        int32_t i = 0, count = samples;
        double u[2];
        while (rx_sample(u, &i, state, 2, &count)) {
            const Vector3 d = cosine_direction(state->normal, state->normal_geom, u[0], u[1]);
            const Vector3 origin = offset_origin(state, d);
            Color c{0, 0, 0, 0};
            if (indirect) {
                trace_and_shade(state, UVO_RAY_GATHER, origin, d, &c);
            } else {
                if (ThreadContext *context = context_of(state))
                    ++context->rays;
                if (!world->tracer->occluded(origin, d, 0.0f, std::numeric_limits<float>::infinity()))
                    shade_environment(state, gathering ? UVO_RAY_GATHER : UVO_RAY_ENVIRONMENT, d, &c);
            }
            gathered = gathered + c;
        }
        gathered = gathered * (1.0f / static_cast<float>(count));
    }
    *result = Color{diffuse.r * (direct.r + gathered.r), diffuse.g * (direct.g + gathered.g),
                    diffuse.b * (direct.b + gathered.b), 1.0f};
    return 1;
}

Boolean image_texture_shader(Color *result, ShadingState *state, void *block) {
    auto *p = static_cast<ImageTextureParams *>(block);
    const Tag file = eval(state, p, p->file);
    const Vector3 scale = eval(state, p, p->scale);
    const Vector3 offset = eval(state, p, p->offset);
    const Vector3 coordinate{state->tex.x * scale.x + offset.x, state->tex.y * scale.y + offset.y, 0.0f};
    return rx_lookup_color_texture(result, state, file, &coordinate);
}

Boolean checker_shader(Color *result, ShadingState *state, void *block) {
    auto *p = static_cast<CheckerParams *>(block);
    const float scale = eval(state, p, p->scale);
    // Parity of the cell without converting to an integer type, which a
    // large scale or coordinate would overflow: fmod of whole numbers is
    // exact, and a non-finite coordinate lands in the first colour.
    const double cx = std::floor(static_cast<double>(state->tex.x) * scale);
    const double cy = std::floor(static_cast<double>(state->tex.y) * scale);
    const bool odd = std::fmod(std::fabs(cx), 2.0) + std::fmod(std::fabs(cy), 2.0) == 1.0;
    *result = odd ? eval(state, p, p->color2) : eval(state, p, p->color1);
    return 1;
}

Boolean normal_color_shader(Color *result, ShadingState *state, void *block) {
    auto *p = static_cast<NormalColorParams *>(block);
    if (state->ray_type == UVO_RAY_SHADOW) {
        *result = Color{0, 0, 0, result->a};
        return 0;
    }
    const Boolean mapped = p->mapped;  // booleans cannot be connected
    const Vector3 n = state->normal;
    *result = mapped ? Color{0.5f + 0.5f * n.x, 0.5f + 0.5f * n.y, 0.5f + 0.5f * n.z, 1.0f}
                     : Color{n.x, n.y, n.z, 1.0f};
    return 1;
}

}  // namespace

Color direct_irradiance(ShadingState *state) {
    int32_t count = 0;
    Tag *lights = nullptr;
    Color sum{0, 0, 0, 0};
    if (!rx_instance_lightlist(&count, &lights, state))
        return sum;
    for (int32_t k = 0; k < count; ++k) {
        Color color;
        Vector3 direction;
        float cosine = 0.0f;
        int32_t samples = 0;
        Color light_sum{0, 0, 0, 0};
        while (rx_sample_light(&color, &direction, &cosine, state, lights[k], &samples))
            if (cosine > 0.0f)
                light_sum = light_sum + color * cosine;
        if (samples > 0)
            sum = sum + light_sum * (1.0f / static_cast<float>(samples));
    }
    return sum;
}

const std::vector<BuiltinShader> &builtin_shaders() {
    static const std::vector<BuiltinShader> shaders = {
        {"constant", R"({"name": "constant", "version": 1, "result": "color", "parameters": [
            {"name": "color", "type": "color", "default": [1, 1, 1, 1]}]})",
         constant_shader},
        {"lambert", R"({"name": "lambert", "version": 1, "result": "color", "parameters": [
            {"name": "diffuse", "type": "color", "default": [0.7, 0.7, 0.7, 1]},
            {"name": "samples", "type": "integer", "default": 4},
            {"name": "indirect", "type": "boolean", "default": false}]})",
         lambert_shader},
        {"image_texture", R"({"name": "image_texture", "version": 1, "result": "color", "parameters": [
            {"name": "file", "type": "texture"},
            {"name": "scale", "type": "vector", "default": [1, 1, 1]},
            {"name": "offset", "type": "vector", "default": [0, 0, 0]}]})",
         image_texture_shader},
        {"checker", R"({"name": "checker", "version": 1, "result": "color", "parameters": [
            {"name": "color1", "type": "color", "default": [0.9, 0.9, 0.9, 1]},
            {"name": "color2", "type": "color", "default": [0.1, 0.1, 0.1, 1]},
            {"name": "scale", "type": "scalar", "default": 8}]})",
         checker_shader},
        {"normal_color", R"({"name": "normal_color", "version": 1, "result": "color", "parameters": [
            {"name": "mapped", "type": "boolean", "default": true}]})",
         normal_color_shader},
    };
    return shaders;
}

}  // namespace uvo_host

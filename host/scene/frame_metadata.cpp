#include "scene/frame_metadata.h"

#include <cstring>
#include <numbers>

#include "scene/declarations.h"

namespace uvo_host {

bool instance_number(const ShaderInstance &instance, const char *name, float &value) {
    if (instance.code == nullptr || instance.code->declaration == nullptr)
        return false;
    const ParamDecl *parameter = instance.code->declaration->find(name);
    if (parameter == nullptr || instance.connection_at(parameter->offset) != nullptr)
        return false;
    const auto *bytes = reinterpret_cast<const unsigned char *>(instance.words.data()) + parameter->offset;
    if (parameter->type == ParamType::Scalar) {
        std::memcpy(&value, bytes, sizeof value);
        return true;
    }
    if (parameter->type == ParamType::Color) {
        float rgb[3];
        std::memcpy(rgb, bytes, sizeof rgb);
        value = 0.2126f * rgb[0] + 0.7152f * rgb[1] + 0.0722f * rgb[2];
        return true;
    }
    return false;
}

namespace {

float environment_white_luminance(const ShaderInstance *environment) {
    if (environment == nullptr || environment->code == nullptr)
        return 0.0f;
    if (environment->code->name == "uvo_ciesky")
        return 1.0f;
    float scale = 0.0f, intensity = 0.0f;
    if (environment->code->name != "uvo_physicalsky" || !instance_number(*environment, "rgb_scale", scale) ||
        !instance_number(*environment, "intensity", intensity) || !(intensity > 0.0f))
        return 0.0f;
    // The sky takes 1.25e-5 for every channel when rgb_scale's red is not
    // positive.
    const ParamDecl *rgb = environment->code->declaration->find("rgb_scale");
    float red = 0.0f;
    std::memcpy(&red, reinterpret_cast<const unsigned char *>(environment->words.data()) + rgb->offset, sizeof red);
    if (!(red > 0.0f))
        scale = 1.25e-5f;
    // The sky answers pi x luminance x rgb_scale x intensity.
    return scale > 0.0f ? static_cast<float>(1.0 / (std::numbers::pi * scale * intensity)) : 0.0f;
}

}  // namespace

FrameMetadata frame_metadata(const Scene &scene) {
    FrameMetadata meta;
    const Camera3 &camera = scene.camera;
    meta.white_luminance = camera.white_luminance > 0.0f ? camera.white_luminance
                                                         : environment_white_luminance(camera.environment);
    std::vector<ShaderInstance *> exposures = camera.lens;
    exposures.insert(exposures.end(), camera.output.begin(), camera.output.end());
    for (const ShaderInstance *shader : exposures) {
        float speed = 0.0f, rate = 0.0f, stop = 0.0f;
        if (shader->code != nullptr && shader->code->name == "uvo_exposure_photographic" &&
            instance_number(*shader, "film_speed", speed) && speed > 0.0f &&
            instance_number(*shader, "shutter_rate", rate) && rate > 0.0f &&
            instance_number(*shader, "aperture_stop", stop)) {
            meta.iso_speed = speed;
            meta.exp_time = 1.0f / rate;
            meta.aperture = stop;
            break;
        }
    }
    meta.world_to_camera = camera.from_world;
    // Camera space to clip space, row vectors: the film's half width is
    // aperture / 2 at distance focal, its half height that over the aspect.
    const Camera &c = camera.camera;
    const float sx = 2.0f / c.aperture, sy = 2.0f * c.aspect / c.aperture;
    Mat4 projection{};
    if (c.orthographic) {
        projection(0, 0) = sx;
        projection(1, 1) = sy;
        projection(3, 2) = 1.0f;
        projection(3, 3) = 1.0f;
    } else {
        projection(0, 0) = sx * c.focal;
        projection(1, 1) = sy * c.focal;
        projection(3, 2) = 1.0f;   // z' = 1 and w = -z: z / w = 1 / distance
        projection(2, 3) = -1.0f;
    }
    meta.world_to_ndc = camera.from_world * projection;
    return meta;
}

}  // namespace uvo_host

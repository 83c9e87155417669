// Host functions: images and colour textures; and the photon functions other
// than rx_photon_light and rx_photon_volume_scattering (services/photon.cpp), which this host does not
// support.  Output images, user frame buffers and the shader interface are in
// services_output.cpp.
#include <cmath>
#include <memory>
#include <map>
#include <mutex>
#include <utility>

#include "image/host_image.h"
#include "render/host_messages.h"
#include "render/shading.h"

using namespace uvo_host;

namespace {

// Handles by world and image Tag: those made by rx_img_image_dbcreate, and
// handles made on first access for images the scene loaded (not owning).
std::mutex g_images_lock;
std::map<std::pair<const World *, Tag>, std::unique_ptr<HostImage>> g_images;

HostImage *half_size(const Image &source) {
    auto level = std::make_unique<HostImage>();
    level->owned = std::make_unique<Image>(std::max(1, source.width / 2), std::max(1, source.height / 2));
    Image &out = *level->owned;
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            Color sum{0, 0, 0, 0};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    sum = sum + source.get(std::min(2 * x + dx, source.width - 1),
                                           std::min(2 * y + dy, source.height - 1));
            out.put(x, y, sum * 0.25f);
        }
    level->image = level->owned.get();
    return level.release();
}

}  // namespace

extern "C" void rx_img_get_color(const HostImage *image, Color *color, int32_t x, int32_t y) {
    if (image == nullptr || image->image == nullptr || color == nullptr)
        return;
    const Image &img = *image->image;
    if (x < 0 || y < 0 || x >= img.width || y >= img.height) {
        *color = Color{0, 0, 0, 0};
        return;
    }
    *color = img.get(x, y);
}

extern "C" void rx_img_put_color(HostImage *image, const Color *color, int32_t x, int32_t y) {
    if (image == nullptr || image->image == nullptr || color == nullptr)
        return;
    Image &img = *image->image;
    if (x < 0 || y < 0 || x >= img.width || y >= img.height)
        return;
    img.put(x, y, *color);
}

extern "C" HostImage *rx_img_image_dbcreate(const HostImageDesc *desc, Tag *tag) {
    World *world = current_world();
    if (world == nullptr || desc == nullptr || desc->width <= 0 || desc->height <= 0)
        return nullptr;
    auto handle = std::make_unique<HostImage>();
    handle->owned = std::make_unique<Image>(desc->width, desc->height);
    handle->owned->name = std::string(desc->name, strnlen(desc->name, sizeof desc->name));
    handle->image = handle->owned.get();
    const Tag created = world->db.add(ElementKind::Image, handle->image);
    if (created == 0)
        return nullptr;
    if (tag != nullptr)
        *tag = created;
    std::lock_guard<std::mutex> guard(g_images_lock);
    HostImage *result = handle.get();
    g_images[{world, created}] = std::move(handle);
    return result;
}

namespace uvo_host {

HostImage *host_image_of(World *world, Tag tag) {
    Image *image = world ? world->db.get<Image>(tag, ElementKind::Image) : nullptr;
    if (image == nullptr)
        return nullptr;
    std::lock_guard<std::mutex> guard(g_images_lock);
    std::unique_ptr<HostImage> &handle = g_images[{world, tag}];
    if (!handle) {
        handle = std::make_unique<HostImage>();
        handle->image = image;
    }
    return handle.get();
}

bool delete_host_image(World *world, Tag tag) {
    if (world == nullptr || world->db.get<Image>(tag, ElementKind::Image) == nullptr)
        return false;
    world->db.remove(tag);
    std::lock_guard<std::mutex> guard(g_images_lock);
    g_images.erase({world, tag});
    return true;
}

}  // namespace uvo_host

extern "C" HostImage *rx_img_pyramid_get_level(HostImage *image, int32_t level, int32_t *width, int32_t *height) {
    if (image == nullptr || image->image == nullptr || level < 0)
        return nullptr;
    HostImage *current = image;
    {
        std::lock_guard<std::mutex> guard(image->lock);
        for (int32_t k = 0; k < level; ++k) {
            if (current->image->width == 1 && current->image->height == 1)
                return nullptr;
            if (image->levels.size() <= static_cast<size_t>(k))
                image->levels.emplace_back(half_size(*current->image));
            current = image->levels[k].get();
        }
    }
    if (width != nullptr)
        *width = current->image->width;
    if (height != nullptr)
        *height = current->image->height;
    return current;
}

namespace {

// Pixel of `image` at raster fraction (u, v): x right, y down from the top
// row as this host's raster has it, nearest pixel, repeating.
Color raster_pixel(const Image &image, float u, float v) {
    if (image.width == 0 || image.height == 0)
        return Color{0, 0, 0, 1};
    auto wrap = [](float f, int n) {
        // The small bias keeps x / n * n from rounding below x.
        // Wrapped in floating point: a large coordinate must not overflow an
        // integer conversion; a non-finite one reads pixel 0.
        const double i = std::floor(static_cast<double>(f) * n + 1e-4);
        if (!std::isfinite(i))
            return 0;
        const double wrapped = std::fmod(i, static_cast<double>(n));
        return static_cast<int>(wrapped < 0.0 ? wrapped + n : wrapped);
    };
    return image.get(wrap(u, image.width), wrap(v, image.height));
}

}  // namespace

// A texture is an image element or a texture shader (called with the
// coordinate as its texture coordinate).  An image is looked up bilinearly
// at texture coordinate (x, y), v up; but from a lens or output shader the
// coordinate is a raster position over the resolution, and the image is read
// in raster order at the nearest pixel, so an image of the render's size maps
// onto the frame pixel for pixel and upright.
extern "C" Boolean rx_lookup_color_texture(Color *color, ShadingState *state, Tag texture,
                                           const Vector3 *coordinate) {
    World *world = world_of(state);
    if (world == nullptr || color == nullptr || coordinate == nullptr)
        return 0;
    if (const Image *image = world->db.get<Image>(texture, ElementKind::Image)) {
        const int32_t kind = current_call_kind();
        if (kind == UVO_SHADER_LENS || kind == UVO_SHADER_OUTPUT)
            *color = raster_pixel(*image, coordinate->x, coordinate->y);
        else
            *color = image->lookup(coordinate->x, coordinate->y);
        return 1;
    }
    ShaderInstance *shader = world->db.get<ShaderInstance>(texture, ElementKind::Shader);
    if (shader == nullptr || state == nullptr)
        return 0;
    const Vector3 saved = state->tex;
    state->tex = *coordinate;
    const Boolean answer = call_shader_instance(shader, color, state, UVO_SHADER_TEXTURE);
    state->tex = saved;
    return answer;
}

namespace {

Boolean photons_unsupported(const char *name) {
    host_warning_once(name, "%s: photons are not supported by this host", name);
    return 0;
}

}  // namespace

// The photon transfer functions, one signature each: warn once, decline.
#define UVO_PHOTON_TRANSFER_UNSUPPORTED(name) \
    extern "C" Boolean name(Color *, ShadingState *, const Vector3 *) { return photons_unsupported(#name); }
UVO_PHOTON_TRANSFER_UNSUPPORTED(rx_photon_reflection_specular)
UVO_PHOTON_TRANSFER_UNSUPPORTED(rx_photon_reflection_glossy)
UVO_PHOTON_TRANSFER_UNSUPPORTED(rx_photon_reflection_diffuse)
UVO_PHOTON_TRANSFER_UNSUPPORTED(rx_photon_transmission_specular)
UVO_PHOTON_TRANSFER_UNSUPPORTED(rx_photon_transmission_glossy)
UVO_PHOTON_TRANSFER_UNSUPPORTED(rx_photon_transmission_diffuse)
#undef UVO_PHOTON_TRANSFER_UNSUPPORTED

extern "C" Boolean rx_photon_transparent(Color *, ShadingState *) {
    return photons_unsupported("rx_photon_transparent");
}
extern "C" Boolean rx_store_photon(Color *, ShadingState *) { return photons_unsupported("rx_store_photon"); }

// Host functions: images, frame buffers, colour textures and the shader
// interface; and the photon functions other than rx_photon_light
// (services_photon.cpp), which this host does not support.
#include <memory>
#include <mutex>

#include "shading.h"

using namespace uvo_host;

// The host's image handle: an image it owns or one of the world's buffers,
// with its pyramid levels made on demand.
struct HostImage {
    Image *image = nullptr;
    std::unique_ptr<Image> owned;
    std::mutex lock;
    std::vector<std::unique_ptr<HostImage>> levels;  // levels[k] is level k + 1
};

namespace {

std::mutex g_images_lock;
std::deque<HostImage> g_images;           // live for the process
HostImage g_main_output;

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

// Only the main colour image (index 0) is offered; it is the frame buffer the
// renderer fills, readable and writable once rendering has finished.
extern "C" HostImage *rx_output_image_open(ShadingState *, int32_t index) {
    World *world = current_world();
    if (world == nullptr)
        return nullptr;
    if (index != 0) {
        host_warning_once("rx_output_image_open", "user frame buffers are not supported; image %d not opened",
                          static_cast<int>(index));
        return nullptr;
    }
    g_main_output.image = &world->framebuffer;
    return &g_main_output;
}

extern "C" void rx_output_image_close(ShadingState *, int32_t) {}

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
    std::lock_guard<std::mutex> guard(g_images_lock);
    HostImage &handle = g_images.emplace_back();
    handle.owned = std::make_unique<Image>(desc->width, desc->height);
    handle.owned->name = std::string(desc->name, strnlen(desc->name, sizeof desc->name));
    handle.image = handle.owned.get();
    const Tag created = world->db.add(ElementKind::Image, handle.image);
    if (tag != nullptr)
        *tag = created;
    return &handle;
}

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

extern "C" Boolean rx_fb_put(ShadingState *, int32_t buffer, const void *) {
    host_warning_once("rx_fb_put", "user frame buffers are not supported; values for buffer %d dropped",
                      static_cast<int>(buffer));
    return 0;
}

// A texture is an image element (looked up at coordinate x, y) or a texture
// shader (called with the coordinate as its texture coordinate).
extern "C" Boolean rx_lookup_color_texture(Color *color, ShadingState *state, Tag texture,
                                           const Vector3 *coordinate) {
    World *world = current_world();
    if (world == nullptr || color == nullptr || coordinate == nullptr)
        return 0;
    if (const Image *image = world->db.get<Image>(texture, ElementKind::Image)) {
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

// The shader interface: frame-buffer sets have no named user buffers here.
Boolean framebuffers_find(HostFramebuffers *, const char *, int32_t *) { return 0; }
void framebuffers_release(HostFramebuffers *) {}
HostFramebuffers g_framebuffers{framebuffers_find, framebuffers_release};
HostFramebuffers *interface_framebuffers(HostShaderInterface *, Tag) { return &g_framebuffers; }
void interface_release(HostShaderInterface *) {}
HostShaderInterface g_interface{2, interface_framebuffers, interface_release};

Boolean photons_unsupported(const char *name) {
    host_warning_once(name, "%s: photons are not supported by this host", name);
    return 0;
}

}  // namespace

extern "C" HostShaderInterface *rx_get_shader_interface(int32_t version) {
    return version <= 2 ? &g_interface : nullptr;
}

extern "C" Boolean rx_photon_reflection_specular(Color *, ShadingState *, const Vector3 *) {
    return photons_unsupported("rx_photon_reflection_specular");
}
extern "C" Boolean rx_photon_reflection_glossy(Color *, ShadingState *, const Vector3 *) {
    return photons_unsupported("rx_photon_reflection_glossy");
}
extern "C" Boolean rx_photon_reflection_diffuse(Color *, ShadingState *, const Vector3 *) {
    return photons_unsupported("rx_photon_reflection_diffuse");
}
extern "C" Boolean rx_photon_transmission_specular(Color *, ShadingState *, const Vector3 *) {
    return photons_unsupported("rx_photon_transmission_specular");
}
extern "C" Boolean rx_photon_transmission_glossy(Color *, ShadingState *, const Vector3 *) {
    return photons_unsupported("rx_photon_transmission_glossy");
}
extern "C" Boolean rx_photon_transmission_diffuse(Color *, ShadingState *, const Vector3 *) {
    return photons_unsupported("rx_photon_transmission_diffuse");
}
extern "C" Boolean rx_photon_transparent(Color *, ShadingState *) {
    return photons_unsupported("rx_photon_transparent");
}
extern "C" Boolean rx_photon_volume_scattering(Color *, ShadingState *, const Vector3 *) {
    return photons_unsupported("rx_photon_volume_scattering");
}
extern "C" Boolean rx_store_photon(Color *, ShadingState *) { return photons_unsupported("rx_store_photon"); }

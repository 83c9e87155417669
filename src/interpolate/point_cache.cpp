#include "interpolate/point_cache.h"

#include <cmath>

namespace uvo {

float grid_scale_for_density(int32_t density) {
    if (density == 0)
        return 2.0f;
    if (density >= 1 && density <= 5)
        return 1.0f / static_cast<float>(density);
    return 0.5f;
}

void set_grid_geometry(Undersampler *u, const Camera &camera, int32_t density) {
    u->grid_scale = grid_scale_for_density(density);
    u->grid_width = static_cast<int32_t>(static_cast<float>(camera.x_resolution) * u->grid_scale);
    u->grid_height = static_cast<int32_t>(static_cast<float>(camera.y_resolution) * u->grid_scale);
    const double xres = camera.x_resolution, yres = camera.y_resolution;
    double step_x, step_y;
    if (camera.orthographic) {
        step_x = double(camera.aperture) / xres;
        step_y = double(camera.aperture) / double(camera.aspect) / yres;
    } else {
        step_x = double(camera.aperture) / double(camera.focal) / xres;
        step_y = double(camera.aperture) / double(camera.aspect) / double(camera.focal) / yres;
    }
    u->step_x = static_cast<float>(step_x);
    u->step_y = static_cast<float>(step_y);
    u->offset_x = static_cast<float>((double(camera.x_offset) - xres / 2.0) * step_x);
    u->offset_y = static_cast<float>((double(camera.y_offset) - yres / 2.0) * step_y);
}

void image_plane_point(const Undersampler &u, float raster_x, float raster_y, float *px, float *py) {
    *px = raster_x * u.step_x + u.offset_x;
    *py = raster_y * u.step_y + u.offset_y;
}

int32_t claim_slot(Undersampler *u, int32_t cell) {
    const int32_t n = u->cursor;
    u->cursor = n + 1 >= u->capacity ? first_slot : n + 1;
    CacheSlot &slot = u->slots[n];
    if (slot.owner > 0)  // eviction: the previous cell is computed again when next needed
        u->cell_index[slot.owner - 1] = cell_uncomputed;
    slot.owner = cell + 1;
    u->cell_index[cell] = static_cast<uint16_t>(n);
    return n;
}

float edge_weight(int32_t at, int32_t first, int32_t last, float f) {
    if (at == last)
        return f;
    if (at == first)
        return 1.0f - f;
    return 1.0f;
}

float slot_weight(const CacheSlot &slot, const Vector3 &point, const Vector3 &normal, float reach,
                  float distance_exponent, float normal_threshold) {
    float distance_factor = 1.0f;
    if (reach > 0.0f) {
        const float dx = point.x - slot.point.x, dy = point.y - slot.point.y, dz = point.z - slot.point.z;
        const float d = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (d >= reach)
            return 0.0f;
        distance_factor = std::pow(1.0f - d / reach, distance_exponent);
    }
    const float a = normal.x * slot.normal.x + normal.y * slot.normal.y + normal.z * slot.normal.z;
    if (a < normal_threshold)
        return 0.0f;
    const float normal_factor = (a < 1.0f && normal_threshold < 1.0f) ? (a - normal_threshold) / (1.0f - normal_threshold) : a;
    return distance_factor * normal_factor;
}

}  // namespace uvo

#include "frame/shader.h"

namespace uvo {

void fill_texture_list(ShadingState *hit, Vector3 *tex) {
    hit->tex_list = tex;
    hit->tex_count = 0;
    for (int32_t i = 0; i < max_texture_spaces; ++i) {
        Vector3 *a = nullptr, *b = nullptr, *c = nullptr;
        if (!rx_tri_vectors(hit, 't', i, &a, &b, &c) || a == nullptr || b == nullptr || c == nullptr)
            break;
        const Vector3 w = hit->bary;
        tex[i] = Vector3{a->x * w.x + b->x * w.y + c->x * w.z, a->y * w.x + b->y * w.y + c->y * w.z,
                         a->z * w.x + b->z * w.y + c->z * w.z};
        hit->tex_count = i + 1;
    }
    if (hit->tex_count > 0)
        hit->tex = tex[0];
}

bool is_photon_ray(int32_t ray_type) {
    switch (ray_type) {
    case UVO_RAY_PHOTON_ABSORB:
    case UVO_RAY_PHOTON_EMIT:
    case UVO_RAY_PHOTON_REFLECT_SPECULAR:
    case UVO_RAY_PHOTON_REFLECT_GLOSSY:
    case UVO_RAY_PHOTON_REFLECT_DIFFUSE:
    case UVO_RAY_PHOTON_TRANSMIT_SPECULAR:
    case UVO_RAY_PHOTON_TRANSMIT_GLOSSY:
    case UVO_RAY_PHOTON_TRANSMIT_DIFFUSE:
    case UVO_RAY_PHOTON_VOLUME:
    case UVO_RAY_PHOTON_TRANSPARENT:
    case ray_photon_emit_second:
    case ray_photon_emit_single:
    case ray_photon_other:
        return true;
    default:
        return false;
    }
}

}  // namespace uvo

#include "frame/shader.h"

namespace uvo {

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

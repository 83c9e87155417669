#include "render/directions.h"

// The integrator kit holds the mathematics; these keep the host's C++ names.
namespace uvo_host {

Vector3 cosine_direction(const Vector3 &n, const Vector3 &ng, double u1, double u2) {
    return uvo_kit_cosine_direction(n, ng, u1, u2);
}

Vector3 phong_lobe_direction(const Vector3 &axis, float exponent, double u1, double u2) {
    return uvo_kit_phong_lobe_direction(axis, exponent, u1, u2);
}

bool refract(const Vector3 &d, const Vector3 &n, float eta, Vector3 &out) {
    return uvo_kit_refract(d, n, eta, &out) != 0;
}

float fresnel_dielectric(float cos_in, float ior_in, float ior_out) {
    return uvo_kit_fresnel_dielectric(cos_in, ior_in, ior_out);
}

Vector3 ward_half_vector(const Vector3 &n, const Vector3 &u, const Vector3 &v, float shiny_u, float shiny_v,
                         double u1, double u2) {
    return uvo_kit_ward_half_vector(n, u, v, shiny_u, shiny_v, u1, u2);
}

}  // namespace uvo_host
